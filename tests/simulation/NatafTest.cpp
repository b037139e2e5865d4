// The Nataf mapping and its quadrature: Gauss-Hermite rules against normal moments, Hermite
// polynomials against explicit forms, the mapping against closed forms from the literature and
// known extreme correlations in both numerics, and variables without stored moments.

#include <stochvar/families/Discrete.h>
#include <stochvar/numerics/Numerics.h>
#include <stochvar/simulation/GaussHermite.h>
#include <stochvar/simulation/Nataf.h>

#include "SimulationSupport.h"
#include "numerics/CapturedOutput.h"

#include <cstdio>
#include <functional>
#include <limits>
#include <type_traits>

#include <unistd.h>

using namespace stochvar;
using namespace stochvar::testing;
using stochvar::test::CapturedOutputOf;

namespace {

constexpr double kPi = std::numbers::pi;
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const char* const kNoConvergence = "No convergence in nataf after 50 itterations\n";

// E[U^k] over a rule: (k-1)!! for even k; 0 for odd k, up to the rounding of the sum.
void ExpectNormalMoments(const std::vector<double>& u, const std::vector<double>& W, int kMax,
                         double tolerance) {
    for (int k = 0; k <= kMax; ++k) {
        double moment = 0.0, size = 0.0, doubleFactorial = 1.0;
        for (int i = k - 1; i > 1; i -= 2) {
            doubleFactorial *= i;
        }
        for (std::size_t j = 0; j < u.size(); ++j) {
            moment += W[j] * std::pow(u[j], k);
            size += std::fabs(W[j] * std::pow(u[j], k));
        }
        if (k % 2 == 1) {
            EXPECT_LE(std::fabs(moment), 1e-14 * size) << "n = " << u.size() << ", U^" << k;
        } else {
            EXPECT_NEAR(moment / doubleFactorial, 1.0, k == 0 ? 1e-12 : tolerance)
                << "n = " << u.size() << ", U^" << k;
        }
    }
}

// The tabulated 20-point rule of the faithful numerics has its fifth abscissa 3e-4 off the exact
// node: it holds the normal moments to about 1e-3 (the second: 1 - 9.9e-6), its weights sum to 1.
// The computed rules of the accurate numerics are exact for degree < 2n, up to rounding, with
// ascending nodes symmetric about 0. Any other order of the tabulated rule prints the diagnostic
// and ends the process with code 0 (the dying child sends its standard output to standard
// error, where the death test matches it).
TEST(GaussHermiteDeathTest, RulesReproduceNormalMomentsAndOtherOrdersEndTheProcess) {
    std::vector<double> u(20), W(20);
    for (int n : {0, 19, 21}) {
        const auto run = [&] {
            std::fflush(stdout);
            dup2(STDERR_FILENO, STDOUT_FILENO);
            GaussHerm(n, u.data(), W.data(), 1.0);
        };
        EXPECT_EXIT(run(), ::testing::ExitedWithCode(0), "^n in GaussHerm must be equal 20$") << n;
    }
    GaussHerm(20, u.data(), W.data(), 1.0 / std::sqrt(2.0 * kPi));
    ExpectNormalMoments(u, W, 16, 1e-3);
    double second = 0.0;
    for (int j = 0; j < 20; ++j) {
        second += W[j] * u[j] * u[j];
    }
    EXPECT_NEAR(second, 0.9999901, 1e-7);
    for (int n : {1, 2, 5, 20, 40, 100}) {
        u.assign(static_cast<std::size_t>(n), kNaN), W.assign(u.size(), kNaN);
        ComputeGaussHermiteRule(n, u.data(), W.data());
        ExpectNormalMoments(u, W, std::min(2 * n - 1, 40), 4e-15);
        for (std::size_t j = 0; j < u.size(); ++j) {
            EXPECT_TRUE(u[j] == -u[u.size() - 1 - j] && (j == 0 || u[j - 1] < u[j])) << n << j;
        }
    }
}

// He_0..He_4 = 1, u, u^2 - 1, u^3 - 3u, u^4 - 6u^2 + 3 at u = 0.5, exact in binary; nothing is
// written beyond the count asked for, which is all a caller's buffer may hold.
TEST(HermitePolynomials, ExplicitFormsAndNothingBeyondTheCount) {
    const double expected[] = {1.0, 0.5, -0.75, -1.375, 1.5625};
    for (int nCount = 0; nCount <= 5; ++nCount) {
        double He[6] = {kNaN, kNaN, kNaN, kNaN, kNaN, kNaN};
        HermitePolynomials(nCount, He, 0.5);
        for (int k = 0; k < 6; ++k) {
            EXPECT_TRUE(k < nCount ? He[k] == expected[k] : std::isnan(He[k])) << nCount << k;
        }
    }
}

// Closed forms of rho_X as a function of rho_U (Liu and Der Kiureghian 1986; Pearson's
// 6/pi asin(r/2) for two uniforms). The faithful mapping uses the approximate Phi^-1 (4.5e-4) at
// the nodes of the tabulated rule and stops at order 10: agreement is seen to a few 1e-5, and
// 2e-4 leaves room without hiding a wrong coefficient (a missing 1/k! or a wrong standardisation
// shifts values by 1e-2 or more). The accurate mapping holds them to 1e-6.
// Extreme correlations, reached at rho_U = -1 or +1 by co- or countermonotonic pairs: two
// exponentials no lower than 1 - pi^2/6, a uniform and an exponential within sqrt(3)/2, a normal
// and a uniform within sqrt(3/pi). The accurate mapping reaches them to 1e-8; the faithful one
// gives its documented ranges (its series stops at order 10, about 1e-5 inside the ends) and its
// documented inversions (step counts where documented).
TEST(Nataf, ClosedFormsRangesAndDocumentedInversionsInBothNumerics) {
    const double e1 = std::sqrt(std::log(1.0 + 0.3 * 0.3));  // lognormal, COV 0.3
    const double e2 = std::sqrt(std::log(1.0 + 1.0 / 36.0)); // mean 5 - (-1), sd 1
    const double ue = std::sqrt(3.0) / 2.0, nu = std::sqrt(3.0 / kPi), kL = kCorrLimit;
    const auto same = [](double r) { return r; };
    const auto scaled = [&](double r) { return nu * r; };
    const auto pearson = [](double r) { return 6.0 / kPi * std::asin(r / 2.0); };
    const auto normalLog = [&](double r) { return r * e1 / std::sqrt(std::exp(e1 * e1) - 1.0); };
    const auto logLog = [&](double r) {
        return (std::exp(r * e1 * e2) - 1.0) /
               std::sqrt((std::exp(e1 * e1) - 1.0) * (std::exp(e2 * e2) - 1.0));
    };
    struct SCase {
        std::function<double(double)> corrX;      // the closed form, where known
        double dMin, dMax, fMin, fMax, tolerance; // exact and faithful ranges, where known
        double docX, docU;                        // a documented faithful inversion
        int nSteps;
    };
    const SCase cases[] = {
        // for the pairs below, in their order
        {same, -kL, kL, -kL, kL, 0.0, 0.5, 0.49997, 2},
        {scaled, -nu, nu, -nu, nu, 1e-4, kNaN, kNaN, -1},
        {pearson, -1.0, 1.0, -0.99997, 0.99997, 5e-6, 0.5, 0.51764, 3},
        {normalLog, kNaN, 0, 0, 0, 0, kNaN, kNaN, -1},
        {logLog, kNaN, 0, 0, 0, 0, kNaN, kNaN, -1},
        {nullptr, 1.0 - kPi * kPi / 6.0, kL, -0.6449, 0.9999, 5e-5, 0.5, 0.54662, -1},
        {nullptr, -ue, ue, -0.8660, 0.8660, 5e-5, 0.0, 0.0, -1},
    };
    for (const ENumerics numerics : {ENumerics::Faithful, ENumerics::Accurate}) {
        const CNumericsScope scope(numerics);
        const bool bFaithful = numerics == ENumerics::Faithful;
        DistPair pairs[] = {
            {MakeNormal("X1"), MakeNormal("X2", 4.0, 0.5)},
            {MakeNormal("N"), MakeUniform("U", 2.0, 7.0)},
            {MakeUniform("U1"), MakeUniform("U2")},
            {MakeNormal("N", 1.0, 3.0), MakeLogNormal("L", 2.0, 0.6)},
            {MakeLogNormal("L1", 2.0, 0.6), MakeLogNormal("L", 5.0, 1.0, -1.0)},
            {MakeExponential("E1"), MakeExponential("E2", 2.5, 1.0)},
            {MakeUniform("U", -2.0, 3.0), MakeExponential("E")},
        };
        static_assert(std::extent_v<decltype(pairs)> == std::extent_v<decltype(cases)>);
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            const SCase& c = cases[i];
            auto& [p1, p2] = pairs[i];
            const std::string name = NumericsName(numerics) + std::string(" ") +
                                     p1->GetVarName().GetString() + p2->GetVarName().GetString();
            double tolerance = bFaithful ? 2e-4 : 1e-6;
            int nError = -1;
            for (double rhoU : {-0.95, -0.6, -0.2, 0.0, 0.3, 0.7, 0.95}) {
                double dCorrU = rhoU, dCorrX = 0.0;
                Nataf(0, p1.get(), p2.get(), &dCorrU, &dCorrX, &nError);
                EXPECT_TRUE(!c.corrX || std::fabs(dCorrX - c.corrX(rhoU)) <= tolerance) << name;
                EXPECT_EQ(dCorrU, rhoU);
            }
            // Newton stops once a step is below 1e-8; the slope of g is below 1.5 here.
            for (double rhoX : {-0.5, -0.1, 0.2, 0.6, 0.8}) {
                double dCorrU = 0.0, dCorrX = rhoX, dBack = 0.0;
                Nataf(1, p1.get(), p2.get(), &dCorrU, &dCorrX, &nError);
                ASSERT_EQ(nError, 0);
                EXPECT_TRUE(!c.corrX || std::fabs(c.corrX(dCorrU) - rhoX) <= tolerance) << name;
                Nataf(0, p1.get(), p2.get(), &dCorrU, &dBack, &nError);
                EXPECT_NEAR(dBack, rhoX, 1e-8) << name << " " << rhoX;
                EXPECT_EQ(dCorrX, rhoX);
            }
            if (std::isnan(c.dMin))
                continue;
            double dMin = 0.0, dMax = 0.0;
            NatafRange(p1.get(), p2.get(), &dMin, &dMax);
            tolerance = bFaithful ? c.tolerance : 1e-8;
            EXPECT_NEAR(dMin, bFaithful ? c.fMin : c.dMin, tolerance) << name;
            EXPECT_NEAR(dMax, bFaithful ? c.fMax : c.dMax, tolerance) << name;
            if (!bFaithful || std::isnan(c.docX))
                continue;
            double a[kHermiteCount], b[kHermiteCount], series[kNatafOrder + 1], dU = 0.0;
            HermiteCoefficients(p1.get(), kHermiteCount, a);
            HermiteCoefficients(p2.get(), kHermiteCount, b);
            NatafSeriesCoefficients(a, b, series);
            int nSteps = 0;
            const auto invert = [&] { dU = NatafInvert(series, c.docX, &nSteps, &nError); };
            EXPECT_EQ(CapturedOutputOf(invert), "");
            EXPECT_NEAR(dU, c.docU, 5e-6) << name;
            EXPECT_TRUE(c.nSteps < 0 || nSteps == c.nSteps) << name << ": " << nSteps;
            double dCorrU = 0.25, dCorrX = c.docX;
            Nataf(1, p1.get(), p2.get(), &dCorrU, &dCorrX, &nError); // the same through Nataf
            EXPECT_EQ(std::tuple(dCorrU, dCorrX, nError), std::tuple(dU, c.docX, 0));
        }
    }
}

// Newton's method that does not converge (g(r) = r^2 never reaches -0.5) or meets a step that is
// not a number (the iterate then stays NaN) runs 50 steps and reports them. Results are held
// inside +-kCorrLimit.
TEST(NatafInvert, ReportsNonConvergenceAfterFiftyStepsAndLimitsTheResult) {
    const double kL = kCorrLimit, kJustInside = 0.99999999989;
    for (auto [value, limited] : {std::pair{1.5, kL},
                                  {1.0, kL},
                                  {kL, kL},
                                  {-0.3, -0.3},
                                  {-kL, -kL},
                                  {kJustInside, kJustInside},
                                  {-1.0, -kL},
                                  {-7.0, -kL}}) {
        EXPECT_EQ(LimitCorr(value), limited) << value;
    }
    struct SCase {
        int nPower;
        double dCorrX;
        bool bNaN;
    };
    for (const SCase& c : {SCase{2, -0.5, false},
                           {1, kNaN, true},
                           {3, 0.0, true}, // zero slope
                           {1, std::numeric_limits<double>::infinity(), true}}) {
        double series[kNatafOrder + 1] = {};
        series[c.nPower] = 1.0;
        int nSteps = 0, nError = 0;
        double dU = 0.0;
        const auto invert = [&] { dU = NatafInvert(series, c.dCorrX, &nSteps, &nError); };
        EXPECT_EQ(CapturedOutputOf(invert), kNoConvergence) << c.nPower << " " << c.dCorrX;
        EXPECT_EQ(std::pair(nSteps, nError), std::pair(kNatafMaxSteps, 1));
        EXPECT_TRUE(c.bNaN ? std::isnan(dU) : std::fabs(dU) <= kCorrLimit) << dU;
    }
    // Through SetCorr on two normals: NaN lies neither below nor above the range, so no box.
    SCollection s;
    s.AddNormals(2);
    CRecordingHooks hooks;
    EXPECT_EQ(CapturedOutputOf([&] { s.Correlate(0, 1, kNaN, TRUE); }), kNoConvergence);
    EXPECT_TRUE(hooks.messages().empty());
    EXPECT_TRUE(std::isnan(s.collection.m_Corrs[0]->dCorrU));
}

// Variables whose MEAN and STDDEV slots do not describe them never give a NaN: a variable without
// spread gets no expansion at all (and correlates with nothing: no U-space value reproduces a
// nonzero X-space one), the others are standardised with the moments of their quadrature values.
// A discrete variable's expansion uses the moments of its categories, whatever its slots hold
// from another family. Exactly, a_1 = (phi(-0.6745) + phi(0.6745)) / sqrt(0.5) = 0.8989 for
// positions 0, 1, 2 with probabilities 1/4, 1/2, 1/4; 20 nodes resolve the two steps roughly.
TEST(HermiteCoefficients, VariablesWithoutStoredMomentsGiveNoNaN) {
    const auto with = [](DistPtr dist, int nParam, double value) {
        dist->SetParamValue(nParam, value);
        return dist;
    };
    DistPtr unconverted = std::make_unique<CUniform>(nullptr, "U", nullptr); // never converted
    for (auto [nParam, value] : {std::pair{PARAM_LOWER_BOUND, 0.0},
                                 {PARAM_UPPER_BOUND, 1.0},
                                 {PARAM_MEAN, 0.0},
                                 {PARAM_STDDEV, 0.0}})
        unconverted->SetParamValue(nParam, value);
    auto single = std::make_unique<CDiscrete>(nullptr, "S", nullptr);
    single->AddCategory("only", 3.0);
    CDiscrete clean(nullptr, "D", nullptr);
    for (auto [name, frequency] : {std::pair{"low", 1.0}, {"mid", 2.0}, {"high", 1.0}}) {
        clean.AddCategory(name, frequency);
    }
    DistPtr stale = with(with(std::make_unique<CDiscrete>(nullptr, "D", &clean), PARAM_MEAN, 4.0),
                         PARAM_STDDEV, 0.5);
    std::pair<DistPtr, bool> cases[] = {
        // variable, has spread
        {with(MakeFixed("F", 3.0), PARAM_STDDEV, 0.5), false}, // a left-over slot
        {with(MakeNormal("N", 2.0), PARAM_STDDEV, 0.0), false},
        {with(MakeNormal("N", 2.0), PARAM_STDDEV, kNaN), false},
        {MakeNormal("N", 1e10, 1e-10), false}, // below the spacing of its mean
        {std::make_unique<CDiscrete>(nullptr, "D", nullptr), false},
        {std::move(single), false},
        {with(MakeExponential("E", 2.0, 1.0), PARAM_STDDEV, kNaN), true},
        {with(MakeExponential("E", 2.0, 1.0), PARAM_STDDEV, 0.0), true},
        {std::move(unconverted), true}};
    DistPtr normal = MakeNormal("M");
    for (auto& [dist, bSpread] : cases) {
        double a[kHermiteCount], dMin = kNaN, dMax = kNaN;
        HermiteCoefficients(dist.get(), kHermiteCount, a);
        NatafRange(normal.get(), dist.get(), &dMin, &dMax);
        for (int k = 0; k < kHermiteCount; ++k) {
            ASSERT_TRUE(bSpread ? std::isfinite(a[k]) : a[k] == 0.0) << dist->GetVarName() << k;
        }
        EXPECT_TRUE(bSpread ? dMin < -0.5 && dMax > 0.5 : dMin == 0.0 && dMax == 0.0) << dMin;
        for (double rho : {-0.5, 0.0, 0.4}) {
            double dCorrU = rho, dCorrX = kNaN;
            int nError = 0;
            Nataf(0, normal.get(), dist.get(), &dCorrU, &dCorrX, &nError);
            EXPECT_TRUE(std::isfinite(dCorrX)) << dist->GetVarName();
            dCorrU = kNaN, dCorrX = rho;
            Nataf(1, normal.get(), dist.get(), &dCorrU, &dCorrX, &nError);
            EXPECT_TRUE(bSpread ? std::isfinite(dCorrU) : dCorrU == 0.0 && nError == (rho != 0.0))
                << dist->GetVarName() << " " << rho << ": " << dCorrU << ", " << nError;
        }
        double c[kNatafOrder + 1]; // standardised with moments of its own: a proper expansion
        NatafSeriesCoefficients(a, a, c);
        EXPECT_TRUE(!bSpread || (a[1] > 0.5 && std::fabs(NatafValue(c, 1.0) - 1.0) < 1e-3));
    }
    double a[kHermiteCount], b[kHermiteCount];
    HermiteCoefficients(&clean, kHermiteCount, a);
    HermiteCoefficients(stale.get(), kHermiteCount, b);
    EXPECT_TRUE(std::equal(a, a + kHermiteCount, b));
    EXPECT_NEAR(a[1], 0.8989, 0.03);
    EXPECT_NEAR(a[0], 0.0, 1e-12);
}

} // namespace
