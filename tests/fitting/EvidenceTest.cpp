// The evidence a fit gives and its refusals: the goodness-of-fit statistics against their
// tabled null distributions, the calibration of the bootstrap p-values, the ranking, the method
// of moments, the refusals with their reasons and discrete variables from labels.

#include <stochvar/families/FamilyList.h>
#include <stochvar/fitting/DiscreteFit.h>
#include <stochvar/fitting/FitError.h>
#include <stochvar/fitting/FitSample.h>
#include <stochvar/fitting/GoodnessOfFit.h>

#include "fitting/FittingSupport.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <tuple>

namespace stochvar::testing {
namespace {

using ::testing::HasSubstr;

// With a distribution known in advance, sqrt(n) D exceeds 1.358 and A2 exceeds 2.492 with
// probability 0.05 (the tabled upper 5 % points; n = 100 is close to the limit).
TEST(GoodnessOfFit, StatisticsExceedTheirFivePercentPointsOneTimeInTwenty) {
    const std::unique_ptr<CDist> pDist = MakeVariable(DIST_GUMBEL, 2, {1.5, 3.0});
    int nKs = 0, nAd = 0;
    for (std::uint32_t s = 0; s < 1000; ++s) {
        std::vector<double> x = Draw(*pDist, 100, 77u + s);
        std::ranges::sort(x);
        nKs += std::sqrt(100.0) * CGoodnessOfFit::KolmogorovSmirnov(x, *pDist) > 1.358 ? 1 : 0;
        nAd += CGoodnessOfFit::AndersonDarling(x, *pDist) > 2.492 ? 1 : 0;
    }
    // Binomial(1000, 0.05): 50 +- 6.9; the bounds lie 3 standard deviations out.
    for (const int n : {nKs, nAd}) {
        EXPECT_GT(n, 29);
        EXPECT_LT(n, 71);
    }
}

// At the midpoints of n equal probability cells the empirical distribution is as near as it can
// be: D = 1 / 2n.
TEST(GoodnessOfFit, MidpointSampleHasTheSmallestDistance) {
    const std::unique_ptr<CDist> pDist = MakeVariable(DIST_WEIBULL, 3, {2.0, 1.7, 1.0});
    constexpr int kPoints = 40;
    std::vector<double> x;
    for (int i = 0; i < kPoints; ++i) {
        x.push_back(pDist->GetInverse((i + 0.5) / kPoints));
    }
    EXPECT_NEAR(CGoodnessOfFit::KolmogorovSmirnov(x, *pDist), 0.5 / kPoints, 1e-12);
    // Moving one point away from its cell's middle moves D up by as much.
    x[10] = pDist->GetInverse(10.9 / kPoints);
    EXPECT_NEAR(CGoodnessOfFit::KolmogorovSmirnov(x, *pDist), 0.9 / kPoints, 1e-12);
}

// Under the null the bootstrap p-values are uniform: 200 normal data sets, each fitted and its
// KS p-value found from 49 replicates, fall evenly into five bins.
TEST(Bootstrap, KsPValuesAreUniformUnderTheNull) {
    const std::unique_ptr<CDist> pDist = MakeVariable(DIST_NORMAL, 0, {5.0, 2.0});
    SFitOptions options;
    options.families = {DIST_NORMAL};
    options.nBootstrap = 49;
    const CFamilyFitter fitter(options);
    std::vector<int> bins(5, 0);
    for (int s = 0; s < 200; ++s) {
        const SFitReport report =
            fitter.Fit(Draw(*pDist, 30, 500u + static_cast<std::uint32_t>(s)));
        const double p = report.ranking.front().dKsPValue;
        ASSERT_EQ(report.ranking.front().nBootstrap, 49);
        bins[static_cast<std::size_t>(std::min(4.0, std::floor(p * 5.0)))]++;
    }
    // 40 expected per bin (sd 5.7): generous bounds.
    for (const int nBin : bins) {
        EXPECT_GT(nBin, 20);
        EXPECT_LT(nBin, 60);
    }
}

TEST(Bootstrap, RejectsTheWrongFamilyAndKeepsTheRightOne) {
    const std::unique_ptr<CDist> pDist = MakeVariable(DIST_EXPONENTIAL, 1, {1.0, 0.0});
    SFitOptions options;
    options.families = {DIST_NORMAL, DIST_EXPONENTIAL};
    options.nBootstrap = 99;
    const SFitReport report = CFamilyFitter(options).Fit(Draw(*pDist, 200, 9u));
    for (const SFamilyFit& fit : report.ranking) {
        ASSERT_TRUE(fit.IsFitted()) << fit.strRefusal;
        if (fit.nType == DIST_NORMAL) {
            EXPECT_EQ(fit.dKsPValue, 0.01);
            EXPECT_EQ(fit.dAdPValue, 0.01);
        } else {
            EXPECT_GT(fit.dKsPValue, 0.05);
            EXPECT_GT(fit.dAdPValue, 0.05);
        }
    }
    // The same seed gives the same p-values.
    const SFitReport again = CFamilyFitter(options).Fit(Draw(*pDist, 200, 9u));
    EXPECT_EQ(again.ranking.back().dKsPValue, report.ranking.back().dKsPValue);
}

// Distinctive shapes, n = 2000: the family the data came from ranks first by BIC, and the
// ranking by either criterion is in order.
TEST(Ranking, GeneratingFamilyComesFirst) {
    const std::tuple<int, int, std::vector<double>> kFamilies[] = {
        {DIST_GUMBEL, 2, {0.8, 4.0}},
        {DIST_LOGNORMAL, 2, {0.9, 1.0, 0.0}},
        {DIST_UNIFORM, 0, {2.0, 3.0}},
        {DIST_TRIANGULAR, 0, {0.0, 1.0, 4.0}},
    };
    for (const auto& [nType, nParamCombi, truth] : kFamilies) {
        SCOPED_TRACE(nType);
        const SFitReport report =
            CFamilyFitter(SFitOptions{})
                .Fit(Draw(*MakeVariable(nType, nParamCombi, truth), 2000, 4242u));
        ASSERT_NE(report.GetBest(), nullptr);
        EXPECT_EQ(report.GetBest()->nType, nType) << report.GetBest()->strFamily;
        EXPECT_EQ(report.ranking.size(), CFamilyFitter::ContinuousFamilies().size());
        std::vector<SFamilyFit> byAic = report.ranking;
        CFamilyFitter::Rank(byAic, EFitCriterion::Aic);
        for (std::size_t i = 1; i < report.ranking.size(); ++i) {
            if (report.ranking[i].IsFitted()) {
                EXPECT_GE(report.ranking[i].dBic, report.ranking[i - 1].dBic);
                EXPECT_GE(byAic[i].dAic, byAic[i - 1].dAic);
            }
        }
    }
}

// The method of moments gives each variable the sample's mean and standard deviation, or, where
// a bound it places cuts into the data, a refusal. The normal, Gumbel and beta families (bounds
// from the extremes) always fit.
TEST(Moments, FittedVariablesHaveTheSampleMoments) {
    const std::unique_ptr<CDist> pDist = MakeVariable(DIST_LOGNORMAL, 2, {0.5, 1.0, 2.0});
    const std::vector<double> data = Draw(*pDist, 500, 31u);
    const CFitSample sample(data);
    SFitOptions options;
    options.method = EFitMethod::Moments;
    const SFitReport report = CFamilyFitter(options).Fit(data);
    int nFitted = 0;
    for (const SFamilyFit& fit : report.ranking) {
        if (!fit.IsFitted()) {
            EXPECT_NE(fit.nType, DIST_NORMAL);
            EXPECT_NE(fit.nType, DIST_GUMBEL);
            EXPECT_NE(fit.nType, DIST_BETA);
            // The triangular family's own check refuses a mean too near a bound.
            EXPECT_THAT(fit.strRefusal,
                        ::testing::AnyOf("the estimate leaves data outside the support",
                                         HasSubstr("Mean value must be between")))
                << fit.strFamily;
            continue;
        }
        ++nFitted;
        EXPECT_EQ(fit.estimate.method, EFitMethod::Moments);
        const SMoments m = fit.pDist->GetMomentsOfBasePar();
        EXPECT_NEAR(m.dMean, sample.GetMean(), 1e-6 * sample.GetStdDev()) << fit.strFamily;
        if (fit.nType != DIST_TRIANGULAR) {
            EXPECT_NEAR(m.dStdDev, sample.GetStdDev(), 1e-6 * sample.GetStdDev()) << fit.strFamily;
        }
    }
    EXPECT_GE(nFitted, 4);
}

// Data skewed to the left have no lognormal fit: no likelihood maximum for a finite lower bound
// and no lognormal skewness; the Weibull family falls back on its moments.
TEST(Moments, FallbackAndItsRefusal) {
    const std::unique_ptr<CDist> pDist = MakeVariable(DIST_WEIBULL, 3, {1.0, 8.0, 0.0});
    std::vector<double> data = Draw(*pDist, 300, 5u);
    SFitOptions options;
    options.families = {DIST_LOGNORMAL};
    const SFitReport report = CFamilyFitter(options).Fit(data);
    EXPECT_THAT(report.ranking.front().strRefusal,
                HasSubstr("the likelihood has no maximum for a lower bound below the data, and "
                          "the data are not skewed to the right"));
    EXPECT_EQ(report.GetBest(), nullptr);
}

TEST(Refusals, WholeSample) {
    const double kInf = std::numeric_limits<double>::infinity();
    const std::pair<std::vector<double>, const char*> kCases[] = {
        {{1.0, 2.0, std::nan(""), 4.0}, "value 3 is not a finite number"},
        {{1.0, -kInf, 2.0}, "value 2 is not a finite number"},
        {{1.0, 2.0}, "too few points: 2 values, a fit needs at least 3"},
        {{3.0, 3.0, 3.0, 3.0}, "all values are equal"},
    };
    for (const auto& [data, pszReason] : kCases) {
        EXPECT_THAT([&] { CFamilyFitter(SFitOptions{}).Fit(data); },
                    ::testing::ThrowsMessage<CFitError>(HasSubstr(pszReason)));
    }
}

TEST(Refusals, PerFamily) {
    SFitOptions options;
    options.bounds.lower = 0.0;
    options.bounds.upper = 4.0;
    const SFitReport report = CFamilyFitter(options).Fit({-0.5, 1.0, 2.0, 3.5});
    for (const SFamilyFit& fit : report.ranking) {
        if (CFamilyFitter::HasLowerBound(fit.nType)) {
            EXPECT_THAT(fit.strRefusal, HasSubstr("data outside the support: the value -0.5"))
                << fit.strFamily;
        } else {
            EXPECT_TRUE(fit.IsFitted()) << fit.strFamily << ": " << fit.strRefusal;
        }
    }
    // A fit needs one point more than its free parameters: three points fit the families of
    // two and refuse the others, and four refuse the beta family's four.
    const std::map<int, int> kFree = {
        {DIST_LOGNORMAL, 3}, {DIST_WEIBULL, 3}, {DIST_TRIANGULAR, 3}, {DIST_BETA, 4}};
    for (const SFamilyFit& fit : CFamilyFitter(SFitOptions{}).Fit({1.0, 2.0, 4.0}).ranking) {
        const int k = kFree.contains(fit.nType) ? kFree.at(fit.nType) : 2;
        EXPECT_EQ(fit.strRefusal.starts_with("too few points: 3 for"), k > 2) << fit.strFamily;
        EXPECT_TRUE(!fit.IsFitted() || fit.estimate.nFreeParams == k) << fit.strFamily;
    }
    SFitOptions betaOnly;
    betaOnly.families = {DIST_BETA};
    EXPECT_THAT(CFamilyFitter(betaOnly).Fit({1.0, 2.0, 4.0, 8.0}).ranking.front().strRefusal,
                HasSubstr("too few points: 4 for 4 parameters"));
    SFitOptions discrete;
    discrete.families = {DIST_DISCRETE};
    EXPECT_EQ(CFamilyFitter(discrete).Fit({1.0, 2.0, 4.0}).ranking.front().strRefusal,
              "not a continuous family");
}

TEST(Discrete, CategoriesCountTheLabelsInOrderOfAppearance) {
    const std::unique_ptr<CDist> d =
        CDiscreteFit::FromLabels({"steel", "timber", "steel", "concrete", "steel"}, "M");
    EXPECT_EQ(std::tuple(d->m_CategoryNames.GetSize(), d->m_CategoryNames[0].str(),
                         d->m_CategoryNames[2].str(), d->m_strVarName.str()),
              std::tuple(3, "steel", "concrete", "M"));
    EXPECT_EQ(std::pair(d->m_Frequencies[0], d->m_Frequencies[1]), std::pair(3.0, 1.0));
    EXPECT_NEAR(d->m_Probabilities[0], 0.6, 1e-15);
    EXPECT_THROW(CDiscreteFit::FromLabels({"a", ""}, "M"), CFitError);
    EXPECT_THROW(CDiscreteFit::FromLabels({}, "M"), CFitError);
}

} // namespace
} // namespace stochvar::testing
