#include <stochvar/families/Discrete.h>
#include <stochvar/model/Dist.h>
#include <stochvar/simulation/DistCollection.h>
#include <stochvar/simulation/Nataf.h>

#include "SimulationSupport.h"
#include "support/RecordingHooks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>

using namespace stochvar;
using namespace stochvar::testing;

namespace {

constexpr double kPi = 3.141592653589793;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr const char* kNoConvergence = "No convergence in nataf after 50 itterations\n";

// Epsilon (standard deviation of the logarithm) of the lognormal variables used below.
double LogEpsilon(double mean, double stdDev) {
    return std::sqrt(std::log(1.0 + (stdDev / mean) * (stdDev / mean)));
}

struct SSeries {
    double a[kHermiteCount];
    double b[kHermiteCount];
    double c[kNatafOrder + 1];
    SSeries(CDist* p1, CDist* p2) {
        HermiteCoefficients(p1, kHermiteCount, a);
        HermiteCoefficients(p2, kHermiteCount, b);
        NatafSeriesCoefficients(a, b, c);
    }
};

std::pair<DistPtr, DistPtr> NormalPair() { return {MakeNormal("X1"), MakeNormal("X2", 4.0, 0.5)}; }
std::pair<DistPtr, DistPtr> UniformPair() { return {MakeUniform("U1"), MakeUniform("U2")}; }
std::pair<DistPtr, DistPtr> ExponentialPair() {
    return {MakeExponential("E1"), MakeExponential("E2", 2.5, 1.0)};
}
std::pair<DistPtr, DistPtr> UniformExponential() {
    return {MakeUniform("U1", -2.0, 3.0), MakeExponential("E1")};
}

// The documented worked examples of the mapping; a negative step count is not documented.
struct SDocumentedCase {
    const char* name;
    PairFactory makePair;
    double rangeMin, rangeMax, rangeTolerance;
    double corrX, corrU, corrUTolerance;
    int steps;
};

class NatafDocumentedExamples : public ::testing::TestWithParam<SDocumentedCase> {};

TEST_P(NatafDocumentedExamples, RangeMappedValueAndSteps) {
    const SDocumentedCase& c = GetParam();
    auto [p1, p2] = c.makePair();
    double dMin = 0.0, dMax = 0.0;
    NatafRange(p1.get(), p2.get(), &dMin, &dMax);
    EXPECT_NEAR(dMin, c.rangeMin, c.rangeTolerance);
    EXPECT_NEAR(dMax, c.rangeMax, c.rangeTolerance);

    const SSeries series(p1.get(), p2.get());
    int nSteps = 0, nError = -1;
    const double dU = NatafInvert(series.c, c.corrX, &nSteps, &nError);
    EXPECT_NEAR(dU, c.corrU, c.corrUTolerance);
    EXPECT_EQ(nError, 0);
    if (c.steps >= 0) {
        EXPECT_EQ(nSteps, c.steps);
    }

    // The collection-level routine gives the same value and leaves the given one alone.
    double dCorrU = 0.25, dCorrX = c.corrX;
    Nataf(1, p1.get(), p2.get(), &dCorrU, &dCorrX, &nError);
    EXPECT_EQ(dCorrU, dU);
    EXPECT_EQ(dCorrX, c.corrX);
    EXPECT_EQ(nError, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, NatafDocumentedExamples,
    ::testing::Values(
        // The series for two normals exceeds 1 at r = +-1, so the range is the limit itself.
        SDocumentedCase{"Normals", NormalPair, -kCorrLimit, kCorrLimit, 0.0, 0.5, 0.49997, 5e-6, 2},
        SDocumentedCase{"Uniforms", UniformPair, -0.99997, 0.99997, 5e-6, 0.5, 0.51764, 5e-6, 3},
        SDocumentedCase{"Exponentials", ExponentialPair, -0.6449, 0.9999, 5e-5, 0.5, 0.54662, 5e-6,
                        -1},
        SDocumentedCase{"UniformExponential", UniformExponential, -0.8660, 0.8660, 5e-5, 0.0, 0.0,
                        1e-15, -1}),
    CaseName);

// Closed forms of the X-space correlation as a function of the U-space one, from the literature
// on the Nataf model (Liu and Der Kiureghian 1986, Table 2 and the lognormal formulas; the
// uniform pair is Pearson's 6/pi asin(r/2)). The mapping evaluates the approximate Phi^-1 of the
// families (absolute error up to 4.5e-4) at the nodes of a tabulated rule that holds normal
// moments to about 1e-3, and stops the series at order 10; agreement is observed to a few 1e-5
// and 2e-4 leaves room without hiding a wrong coefficient (a missing 1/k! or a wrong
// standardisation shifts values by 1e-2 or more).
struct SClosedFormCase {
    const char* name;
    PairFactory makePair;
    std::function<double(double)> corrX;
};

const double kEps1 = LogEpsilon(2.0, 0.6);
const double kEps2 = LogEpsilon(5.0 - -1.0, 1.0); // shifted by its lower bound -1

std::pair<DistPtr, DistPtr> NormalUniform() { return {MakeNormal("N"), MakeUniform("U", 2.0, 7.0)}; }
std::pair<DistPtr, DistPtr> NormalLogNormal() {
    return {MakeNormal("N", 1.0, 3.0), MakeLogNormal("L", 2.0, 0.6)};
}
std::pair<DistPtr, DistPtr> LogNormalPair() {
    return {MakeLogNormal("L1", 2.0, 0.6), MakeLogNormal("L2", 5.0, 1.0, -1.0)};
}

class NatafClosedForms : public ::testing::TestWithParam<SClosedFormCase> {};

TEST_P(NatafClosedForms, ForwardMappingMatchesTheExactRelation) {
    const SClosedFormCase& c = GetParam();
    auto [p1, p2] = c.makePair();
    for (double rhoU : {-0.95, -0.6, -0.2, 0.0, 0.3, 0.7, 0.95}) {
        double dCorrU = rhoU, dCorrX = 0.0;
        int nError = -1;
        Nataf(0, p1.get(), p2.get(), &dCorrU, &dCorrX, &nError);
        EXPECT_NEAR(dCorrX, c.corrX(rhoU), 2e-4) << "rhoU = " << rhoU;
        EXPECT_EQ(dCorrU, rhoU);
        EXPECT_EQ(nError, 0);
    }
}

TEST_P(NatafClosedForms, InversionRoundTrips) {
    const SClosedFormCase& c = GetParam();
    auto [p1, p2] = c.makePair();
    for (double rhoX : {-0.5, -0.1, 0.2, 0.6, 0.8}) {
        double dCorrU = 0.0, dCorrX = rhoX;
        int nError = -1;
        Nataf(1, p1.get(), p2.get(), &dCorrU, &dCorrX, &nError);
        ASSERT_EQ(nError, 0);
        EXPECT_NEAR(c.corrX(dCorrU), rhoX, 2e-4) << "rhoX = " << rhoX;
        double dBack = 0.0;
        Nataf(0, p1.get(), p2.get(), &dCorrU, &dBack, &nError);
        // Newton stops once a step is below 1e-8; the slope of g is below 1.5 here.
        EXPECT_NEAR(dBack, rhoX, 1e-8) << "rhoX = " << rhoX;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, NatafClosedForms,
    ::testing::Values(
        SClosedFormCase{"NormalNormal", NormalPair, [](double r) { return r; }},
        SClosedFormCase{"NormalUniform", NormalUniform,
                        [](double r) { return std::sqrt(3.0 / kPi) * r; }},
        SClosedFormCase{"UniformUniform", UniformPair,
                        [](double r) { return 6.0 / kPi * std::asin(r / 2.0); }},
        SClosedFormCase{"NormalLogNormal", NormalLogNormal,
                        [](double r) {
                            return r * kEps1 / std::sqrt(std::exp(kEps1 * kEps1) - 1.0);
                        }},
        SClosedFormCase{"LogNormalLogNormal", LogNormalPair,
                        [](double r) {
                            return (std::exp(r * kEps1 * kEps2) - 1.0) /
                                   std::sqrt((std::exp(kEps1 * kEps1) - 1.0) *
                                             (std::exp(kEps2 * kEps2) - 1.0));
                        }}),
    CaseName);

// Extreme correlations of pairs with known values: two exponentials cannot be more negatively
// correlated than 1 - pi^2/6 (reached by the antithetic pair), a uniform and an exponential no
// more than sqrt(3)/2 in magnitude, a normal and a uniform no more than sqrt(3/pi).
struct SExtremeCase {
    const char* name;
    PairFactory makePair;
    double rangeMin, rangeMax;
};

class NatafExtremes : public ::testing::TestWithParam<SExtremeCase> {};

TEST_P(NatafExtremes, RangeMatchesKnownBounds) {
    const SExtremeCase& c = GetParam();
    auto [p1, p2] = c.makePair();
    double dMin = 0.0, dMax = 0.0;
    NatafRange(p1.get(), p2.get(), &dMin, &dMax);
    // Truncation of the series at order 10 leaves the ends about 1e-5 inside.
    EXPECT_NEAR(dMin, c.rangeMin, 1e-4);
    EXPECT_NEAR(dMax, c.rangeMax, 1e-4);
    EXPECT_LE(dMax, kCorrLimit);
    EXPECT_GE(dMin, -kCorrLimit);
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, NatafExtremes,
    ::testing::Values(SExtremeCase{"Exponentials", ExponentialPair, 1.0 - kPi * kPi / 6.0, 1.0},
                      SExtremeCase{"UniformExponential", UniformExponential, -std::sqrt(3.0) / 2.0,
                                   std::sqrt(3.0) / 2.0},
                      SExtremeCase{"NormalUniform", NormalUniform, -std::sqrt(3.0 / kPi),
                                   std::sqrt(3.0 / kPi)},
                      SExtremeCase{"Uniforms", UniformPair, -1.0, 1.0}),
    CaseName);

// For a variable with its own mean and standard deviation, a_0 = E[Z] = 0 and, by Parseval's
// identity for the Hermite expansion, sum_k a_k^2 / k! = E[Z^2] = 1: a variable paired with
// itself has g(1) = 1 up to the quadrature and truncation errors (observed up to 1.1e-4).
struct SFamilyCase {
    const char* name;
    std::function<DistPtr()> make;
};

class HermiteCoefficientsOf : public ::testing::TestWithParam<SFamilyCase> {};

TEST_P(HermiteCoefficientsOf, ZeroMeanAndUnitVariance) {
    DistPtr dist = GetParam().make();
    const SSeries series(dist.get(), dist.get());
    EXPECT_NEAR(series.a[0], 0.0, 1e-4);
    EXPECT_NEAR(NatafValue(series.c, 1.0), 1.0, 2e-4);
    EXPECT_NEAR(NatafValue(series.c, 0.0), 0.0, 0.0);
}

INSTANTIATE_TEST_SUITE_P(
    Families, HermiteCoefficientsOf,
    ::testing::Values(SFamilyCase{"Normal", [] { return MakeNormal("N", -3.0, 2.0); }},
                      SFamilyCase{"Uniform", [] { return MakeUniform("U", -1.0, 4.0); }},
                      SFamilyCase{"Exponential", [] { return MakeExponential("E", 0.5, 2.0); }},
                      SFamilyCase{"LogNormal", [] { return MakeLogNormal("L", 2.0, 0.6); }}),
    CaseName);

TEST(HermiteCoefficients, NormalVariableIsLinearInItsArgument) {
    DistPtr normal = MakeNormal("N", 10.0, 3.0);
    double a[kHermiteCount];
    HermiteCoefficients(normal.get(), kHermiteCount, a);
    // Exactly linear but for the approximate Phi and Phi^-1 (documented values: a1 about
    // 1.000026, a3 about 0.00017, even coefficients vanish by symmetry).
    EXPECT_NEAR(a[1], 1.000026, 1e-6);
    EXPECT_NEAR(a[3], 0.00017, 5e-6);
    // Even coefficients cancel by symmetry up to rounding of terms as large as He_10(7.6) ~ 6e8.
    for (int k = 0; k < kHermiteCount; k += 2) EXPECT_NEAR(a[k], 0.0, 1e-8) << "a" << k;
}

TEST(HermiteCoefficients, IndependentOfLocationAndScale) {
    double a[kHermiteCount], b[kHermiteCount];
    DistPtr standard = MakeUniform("U", 0.0, 1.0);
    DistPtr shifted = MakeUniform("V", -40.0, 60.0);
    HermiteCoefficients(standard.get(), kHermiteCount, a);
    HermiteCoefficients(shifted.get(), kHermiteCount, b);
    for (int k = 0; k < kHermiteCount; ++k) EXPECT_NEAR(a[k], b[k], 1e-12) << "a" << k;
}

struct SLimitCase {
    double value, limited;
};

TEST(LimitCorr, HoldsValuesInsideTheLimit) {
    const SLimitCase cases[] = {
        {1.5, kCorrLimit},   {1.0, kCorrLimit},   {kCorrLimit, kCorrLimit}, {0.99999999989, 0.99999999989},
        {0.0, 0.0},          {-0.3, -0.3},        {-kCorrLimit, -kCorrLimit}, {-1.0, -kCorrLimit},
        {-7.0, -kCorrLimit},
    };
    for (const SLimitCase& c : cases) EXPECT_EQ(LimitCorr(c.value), c.limited) << c.value;
}

TEST(NatafInvert, ReportsNonConvergenceAfterFiftySteps) {
    // g(r) = r^2 never reaches -0.5: Newton's method wanders without converging.
    double c[kNatafOrder + 1] = {};
    c[2] = 1.0;
    int nSteps = 0, nError = 0;
    ::testing::internal::CaptureStdout();
    const double dU = NatafInvert(c, -0.5, &nSteps, &nError);
    const std::string printed = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed, kNoConvergence);
    EXPECT_EQ(nSteps, kNatafMaxSteps);
    EXPECT_EQ(nError, 1);
    EXPECT_LE(std::fabs(dU), kCorrLimit);
}

// A step that is not a number is taken like any other: the iterate stays NaN, so the iteration
// runs its 50 steps, reports them and returns NaN.
TEST(NatafInvert, NonFiniteStepRunsFiftyStepsAndReports) {
    struct SCase {
        const char* name;
        int nPower; // g(r) = r^nPower
        double dCorrX;
    };
    const SCase cases[] = {
        {"NaN target", 1, kNaN}, {"zero slope at the start", 3, 0.0}, {"infinite target", 1, kInf}};
    for (const SCase& c : cases) {
        double series[kNatafOrder + 1] = {};
        series[c.nPower] = 1.0;
        int nSteps = 0, nError = 0;
        ::testing::internal::CaptureStdout();
        const double dU = NatafInvert(series, c.dCorrX, &nSteps, &nError);
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), kNoConvergence) << c.name;
        EXPECT_EQ(nSteps, kNatafMaxSteps) << c.name;
        EXPECT_EQ(nError, 1) << c.name;
        EXPECT_TRUE(std::isnan(dU)) << c.name;
    }
}

TEST(NatafInvert, NaNCorrelationOfTwoNormalsIsKeptAndReported) {
    CNormal a(nullptr, "A", nullptr);
    CNormal b(nullptr, "B", nullptr);
    CDistCollection collection;
    collection.AddDist(&a);
    collection.AddDist(&b);
    CRecordingHooks hooks;
    ::testing::internal::CaptureStdout();
    collection.SetCorr(&a, &b, kNaN, TRUE);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), kNoConvergence);
    EXPECT_TRUE(hooks.messages().empty()); // NaN lies neither below nor above the range
    ASSERT_EQ(collection.GetCorrArray()->GetSize(), 1);
    EXPECT_TRUE(std::isnan(collection.GetCorrArray()->GetAt(0)->dCorrU));
}

TEST(NatafInvert, ConvergedInversionPrintsNothing) {
    auto [p1, p2] = ExponentialPair();
    const SSeries series(p1.get(), p2.get());
    int nSteps = 0, nError = 1;
    ::testing::internal::CaptureStdout();
    NatafInvert(series.c, -0.3, &nSteps, &nError);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(nError, 0);
    EXPECT_LT(nSteps, 10);
}

// Variables whose MEAN and STDDEV slots do not describe them must never produce a NaN.
struct SDegenerateCase {
    const char* name;
    std::function<DistPtr()> make;
    bool hasSpread;
};

DistPtr FixedValue() {
    auto dist = std::make_unique<CDist>(nullptr, "F", nullptr);
    dist->SetParamValue(PARAM_MEAN, 3.0);
    dist->SetParamValue(PARAM_STDDEV, 0.5); // left over from another family; means nothing
    return dist;
}

DistPtr NormalWithStdDev(double stdDev) {
    DistPtr dist = MakeNormal("N", 2.0, 1.0);
    dist->SetParamValue(PARAM_STDDEV, stdDev);
    return dist;
}

DistPtr ExponentialWithStdDevSlot(double stdDev) {
    DistPtr dist = MakeExponential("E", 2.0, 1.0);
    dist->SetParamValue(PARAM_STDDEV, stdDev);
    return dist;
}

DistPtr UniformNeverConverted() {
    auto dist = std::make_unique<CUniform>(nullptr, "U", nullptr);
    dist->SetParamValue(PARAM_LOWER_BOUND, 0.0);
    dist->SetParamValue(PARAM_UPPER_BOUND, 1.0);
    dist->SetParamValue(PARAM_MEAN, 0.0);
    dist->SetParamValue(PARAM_STDDEV, 0.0);
    return dist;
}

class NatafWithoutStoredMoments : public ::testing::TestWithParam<SDegenerateCase> {};

TEST_P(NatafWithoutStoredMoments, NoNaNInAnyDirection) {
    const SDegenerateCase& c = GetParam();
    DistPtr dist = c.make();
    DistPtr normal = MakeNormal("M");
    double a[kHermiteCount];
    HermiteCoefficients(dist.get(), kHermiteCount, a);
    for (int k = 0; k < kHermiteCount; ++k) ASSERT_TRUE(std::isfinite(a[k])) << "a" << k;

    double dMin = kNaN, dMax = kNaN;
    NatafRange(normal.get(), dist.get(), &dMin, &dMax);
    ASSERT_TRUE(std::isfinite(dMin));
    ASSERT_TRUE(std::isfinite(dMax));
    for (double rho : {-0.5, 0.0, 0.5}) {
        double dCorrU = rho, dCorrX = kNaN;
        int nError = 0;
        Nataf(0, normal.get(), dist.get(), &dCorrU, &dCorrX, &nError);
        EXPECT_TRUE(std::isfinite(dCorrX)) << rho;
        dCorrU = kNaN;
        dCorrX = rho;
        Nataf(1, normal.get(), dist.get(), &dCorrU, &dCorrX, &nError);
        EXPECT_TRUE(std::isfinite(dCorrU)) << rho;
    }
    if (c.hasSpread) {
        // Standardised with moments of its own: a proper expansion (a_1 > 0, g(1) near 1).
        const SSeries self(dist.get(), dist.get());
        EXPECT_GT(a[1], 0.5);
        EXPECT_NEAR(NatafValue(self.c, 1.0), 1.0, 1e-3);
    } else {
        for (int k = 0; k < kHermiteCount; ++k) EXPECT_EQ(a[k], 0.0) << "a" << k;
        EXPECT_EQ(dMin, 0.0);
        EXPECT_EQ(dMax, 0.0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Variables, NatafWithoutStoredMoments,
    ::testing::Values(SDegenerateCase{"Fixed", FixedValue, false},
                      SDegenerateCase{"NormalZeroStdDev", [] { return NormalWithStdDev(0.0); }, false},
                      SDegenerateCase{"NormalNaNStdDev", [] { return NormalWithStdDev(kNaN); }, false},
                      SDegenerateCase{"NormalSpreadBelowTheSpacingOfItsMean",
                                      [] { return MakeNormal("N", 1e10, 1e-10); }, false},
                      SDegenerateCase{"ExponentialNaNStdDevSlot",
                                      [] { return ExponentialWithStdDevSlot(kNaN); }, true},
                      SDegenerateCase{"ExponentialZeroStdDevSlot",
                                      [] { return ExponentialWithStdDevSlot(0.0); }, true},
                      SDegenerateCase{"UniformNeverConverted", UniformNeverConverted, true}),
    CaseName);

TEST(NatafInvert, PairWithoutSpreadIsIndependent) {
    DistPtr fixed = FixedValue();
    DistPtr normal = MakeNormal("N");
    double dCorrU = kNaN, dCorrX = 0.0;
    int nError = 1;
    Nataf(1, normal.get(), fixed.get(), &dCorrU, &dCorrX, &nError);
    EXPECT_EQ(dCorrU, 0.0);
    EXPECT_EQ(nError, 0);
    // No U-space value reproduces a nonzero X-space one.
    dCorrX = 0.4;
    Nataf(1, normal.get(), fixed.get(), &dCorrU, &dCorrX, &nError);
    EXPECT_EQ(dCorrU, 0.0);
    EXPECT_EQ(nError, 1);
}

// A discrete variable keeps no moments in its slots; whatever they hold (here values left over
// from a normal variable it was made from) must not enter its expansion.
TEST(HermiteCoefficients, DiscreteVariableUsesMomentsOfItsCategories) {
    CDiscrete clean(nullptr, "D", nullptr);
    clean.AddCategory("low", 1.0);
    clean.AddCategory("mid", 2.0);
    clean.AddCategory("high", 1.0);
    CDiscrete stale(nullptr, "D", &clean);
    stale.SetParamValue(PARAM_MEAN, 4.0);
    stale.SetParamValue(PARAM_STDDEV, 0.5);
    double a[kHermiteCount], b[kHermiteCount];
    HermiteCoefficients(&clean, kHermiteCount, a);
    HermiteCoefficients(&stale, kHermiteCount, b);
    for (int k = 0; k < kHermiteCount; ++k) EXPECT_EQ(a[k], b[k]) << "a" << k;
    // Exactly, a_1 = (phi(-0.6745) + phi(0.6745)) / sqrt(0.5) = 0.8989 for positions 0, 1, 2
    // with probabilities 1/4, 1/2, 1/4; 20 nodes resolve the two steps only roughly.
    EXPECT_NEAR(a[1], 0.8989, 0.03);
    EXPECT_NEAR(a[0], 0.0, 1e-12);

    // Without categories, or with a single one, the variable has no spread.
    CDiscrete empty(nullptr, "E", nullptr);
    CDiscrete single(nullptr, "S", nullptr);
    single.AddCategory("only", 3.0);
    for (CDiscrete* pDist : {&empty, &single}) {
        HermiteCoefficients(pDist, kHermiteCount, a);
        for (int k = 0; k < kHermiteCount; ++k) EXPECT_EQ(a[k], 0.0) << pDist->GetVarName() << k;
    }
}

} // namespace
