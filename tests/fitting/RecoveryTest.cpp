// Data drawn from a family with a fixed seed are fitted back: every parameter within 4 standard
// errors of the value it was drawn with. The standard errors come from the Fisher information
// where it has a closed form (the regular cases), else from the spread of repeated fits in the
// test; a regular case also checks that spread against the Fisher information (an estimator
// that is consistent but wasteful, the method of moments for the Weibull shape, fails that).

#include <stochvar/families/FamilyList.h>
#include <stochvar/fitting/FitSample.h>
#include <stochvar/fitting/LikelihoodEstimator.h>

#include "fitting/FittingSupport.h"

#include <cmath>
#include <map>
#include <numeric>

namespace stochvar::testing {
namespace {

constexpr std::size_t kN = 2000;
constexpr int kRepeats = 12;

struct SRecoveryCase {
    const char* pszName;
    int nType;
    int nParamCombi;
    std::vector<double> truth;
    // Fisher standard errors at n = 1 (times 1 / sqrt(n)); empty: from the repeated fits.
    std::vector<double> fisher;
    SFixedBounds bounds;
};

// Gumbel: (1 + 6 (1 - gamma)^2 / pi^2) for the location per scale and 6 / pi^2 for the scale;
// ALPHA = 1 / scale, so its standard error is ALPHA times that of the scale. Weibull: the same
// two numbers for the scale per shape and for the shape.
const double kBetaSe = std::sqrt(1.1086805), kScaleSe = std::sqrt(0.6079271);
const double kRoot2 = std::sqrt(2.0);
const SFixedBounds kAt0{0.0, std::nullopt};

std::vector<SRecoveryCase> Cases() {
    return {
        {"normal", DIST_NORMAL, 0, {10.0, 2.0}, {2.0, 2.0 / kRoot2}, {}},
        {"normal_small", DIST_NORMAL, 0, {-3.0, 0.01}, {0.01, 0.01 / kRoot2}, {}},
        {"lognormal_L_fixed", DIST_LOGNORMAL, 2, {0.5, 1.0, 0.0}, {0.5 / kRoot2, 0.5, 0}, kAt0},
        {"lognormal", DIST_LOGNORMAL, 2, {0.4, 2.0, 5.0}, {}, {}},
        {"lognormal_wide", DIST_LOGNORMAL, 2, {0.8, 0.0, -1.0}, {}, {}},
        {"gumbel", DIST_GUMBEL, 2, {0.5, 10.0}, {0.5 * kScaleSe, 2.0 * kBetaSe}, {}},
        {"gumbel_narrow", DIST_GUMBEL, 2, {3.0, -1.0}, {3.0 * kScaleSe, kBetaSe / 3.0}, {}},
        {"weibull_L_fixed",
         DIST_WEIBULL,
         3,
         {2.0, 1.5, 0.0},
         {2 * kBetaSe / 1.5, 1.5 * kScaleSe, 0},
         kAt0},
        {"weibull", DIST_WEIBULL, 3, {3.0, 2.5, 10.0}, {}, {}},
        {"weibull_steep", DIST_WEIBULL, 3, {5.0, 4.0, -2.0}, {}, {}},
        {"rayleigh_L_fixed", DIST_RAYLEIGH, 1, {2.0, 0.0}, {1.0, 0.0}, kAt0},
        {"rayleigh", DIST_RAYLEIGH, 1, {2.0, 1.0}, {}, {}},
        {"exponential", DIST_EXPONENTIAL, 1, {0.5, 2.0}, {}, {}},
        {"exponential_L_fixed", DIST_EXPONENTIAL, 1, {4.0, -1.0}, {4.0, 0.0}, {-1.0, std::nullopt}},
        {"uniform", DIST_UNIFORM, 0, {0.0, 1.0}, {}, {}},
        {"uniform_wide", DIST_UNIFORM, 0, {-5.0, 20.0}, {}, {}},
        {"uniform_L_fixed", DIST_UNIFORM, 0, {-50.0, -30.0}, {}, {-50.0, std::nullopt}},
        {"triangular", DIST_TRIANGULAR, 0, {0.0, 2.0, 10.0}, {}, {}},
        {"triangular_skewed", DIST_TRIANGULAR, 0, {5.0, 9.0, 10.0}, {}, {}},
        {"beta", DIST_BETA, 3, {2.5, 4.0, 0.0, 10.0}, {}, {}},
        {"beta_symmetric", DIST_BETA, 3, {3.0, 3.0, -1.0, 1.0}, {}, {}},
    };
}

void PrintTo(const SRecoveryCase& c, std::ostream* os) { *os << c.pszName; }

class Recovery : public ::testing::TestWithParam<SRecoveryCase> {};

std::vector<double> Fit(const SRecoveryCase& c, CDist& dist, std::uint32_t nSeed) {
    const CFitSample sample(Draw(dist, kN, nSeed));
    const SFamilyEstimate estimate = CLikelihoodEstimator::Estimate(c.nType, sample, c.bounds);
    EXPECT_FALSE(estimate.IsRefused()) << estimate.strRefusal;
    EXPECT_EQ(estimate.nParamCombi, c.nParamCombi);
    EXPECT_EQ(estimate.values.size(), c.truth.size());
    return estimate.values;
}

TEST_P(Recovery, WithinFourStandardErrors) {
    const SRecoveryCase& c = GetParam();
    const std::unique_ptr<CDist> pDist = MakeVariable(c.nType, c.nParamCombi, c.truth);
    ASSERT_TRUE(pDist);
    std::vector<std::vector<double>> fits;
    for (int r = 0; r < kRepeats; ++r) {
        fits.push_back(Fit(c, *pDist, 1000u + static_cast<std::uint32_t>(r)));
        ASSERT_EQ(fits.back().size(), c.truth.size());
    }
    for (std::size_t i = 0; i < c.truth.size(); ++i) {
        double mean = 0.0, var = 0.0; // two passes: a fixed parameter's spread is exactly 0
        for (const auto& fit : fits) {
            mean += fit[i] / kRepeats;
        }
        for (const auto& fit : fits) {
            var += (fit[i] - mean) * (fit[i] - mean) / (kRepeats - 1);
        }
        const double dSpread = std::sqrt(var);
        const bool bFisher = !c.fisher.empty();
        if (bFisher && c.fisher[i] == 0.0) {
            EXPECT_EQ(fits.front()[i], c.truth[i]) << "fixed parameter " << i;
            continue;
        }
        const double se = bFisher ? c.fisher[i] / std::sqrt(double{kN}) : dSpread;
        EXPECT_LE(std::fabs(fits.front()[i] - c.truth[i]), 4.0 * se)
            << "parameter " << i << ": fit " << fits.front()[i] << ", truth " << c.truth[i];
        // The mean of the repeated fits: a bias of more than 4 of its standard errors fails.
        EXPECT_LE(std::fabs(mean - c.truth[i]), 4.0 * se / std::sqrt(kRepeats) + 1e-12)
            << "parameter " << i << ": mean of the fits " << mean;
        if (bFisher) {
            // Twelve fits give the spread to within a factor of about 1.6 either way.
            EXPECT_GT(dSpread, se / 1.8) << "parameter " << i;
            EXPECT_LT(dSpread, se * 1.8) << "parameter " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Families, Recovery, ::testing::ValuesIn(Cases()),
                         [](const auto& caseInfo) { return std::string(caseInfo.param.pszName); });

// The parameters that the estimator chose and along which the likelihood is smooth: not a fixed
// lower bound (the last parameter), nor what sits on a data point, where the likelihood has a
// corner (the exponential's lower bound, the uniform and triangular parameters).
std::size_t SmoothCount(const SRecoveryCase& c) {
    const std::map<int, std::size_t> kSmooth = {
        {DIST_NORMAL, 2}, {DIST_GUMBEL, 2},   {DIST_LOGNORMAL, 3},  {DIST_WEIBULL, 3},
        {DIST_BETA, 4},   {DIST_RAYLEIGH, 2}, {DIST_EXPONENTIAL, 1}};
    const std::size_t n = kSmooth.contains(c.nType) ? kSmooth.at(c.nType) : 0;
    return n - (c.bounds.lower && n == c.truth.size() ? 1 : 0);
}

class Likelihood : public Recovery {};

// The estimate maximises the likelihood that the fitted variable's own density gives: a step of
// 1e-4 (1 + |value|) either way along a smooth parameter lowers it.
TEST_P(Likelihood, EstimateIsItsMaximum) {
    const SRecoveryCase& c = GetParam();
    const std::unique_ptr<CDist> pTruth = MakeVariable(c.nType, c.nParamCombi, c.truth);
    const std::vector<double> data = Draw(*pTruth, kN, 1000u);
    const std::vector<double> fit = Fit(c, *pTruth, 1000u);
    const auto logLikelihood = [&](const std::vector<double>& values) {
        const std::unique_ptr<CDist> pDist = MakeVariable(c.nType, c.nParamCombi, values);
        return std::accumulate(data.begin(), data.end(), 0.0, [&](double sum, double x) {
            return sum + std::log(pDist->GetDensity(x));
        });
    };
    const double dBest = logLikelihood(fit);
    for (std::size_t i = 0; i < SmoothCount(c); ++i) {
        for (const double dSign : {-1.0, 1.0}) {
            std::vector<double> moved = fit;
            moved[i] += dSign * 1e-4 * (1.0 + std::fabs(fit[i]));
            EXPECT_LT(logLikelihood(moved), dBest) << "parameter " << i << ", step " << dSign;
        }
    }
}

std::vector<SRecoveryCase> SmoothCases() {
    std::vector<SRecoveryCase> cases = Cases();
    std::erase_if(cases, [](const SRecoveryCase& c) { return SmoothCount(c) == 0; });
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Families, Likelihood, ::testing::ValuesIn(SmoothCases()),
                         [](const auto& caseInfo) { return std::string(caseInfo.param.pszName); });

} // namespace
} // namespace stochvar::testing
