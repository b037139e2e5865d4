#include "FamilySupport.h"

#include <stochvar/families/Uniform.h>

#include <gtest/gtest.h>

namespace stochvar::testing {
namespace {

constexpr const char* kBoundsMessage = "Upper bound must be larger than lower bound.";

TEST(Uniform, FreshVariableIsConvertedAndUsableByMoments) {
    auto dist = MakeFresh<CUniform>();
    EXPECT_EQ(dist->m_nType, DIST_UNIFORM);
    EXPECT_STREQ(dist->GetVarTypeName().GetString(), "UNIFORM");
    EXPECT_EQ(dist->GetParamCombiCount(), 1);
    EXPECT_EQ(dist->m_nParamCombi, 0);
    EXPECT_TRUE(dist->m_bAutoAxis);
    EXPECT_EQ(dist->GetParamValue(PARAM_LOWER_BOUND), 1.5);
    EXPECT_EQ(dist->GetParamValue(PARAM_UPPER_BOUND), 8.5);
    // Mean (L + U) / 2 and standard deviation (U - L) / sqrt(12) of the uniform distribution.
    EXPECT_EQ(dist->GetParamValue(PARAM_MEAN), 5.0);
    EXPECT_NEAR(dist->GetParamValue(PARAM_STDDEV), 2.0207259421636903, 1e-15);
    EXPECT_EQ(dist->GetParamValue(PARAM_COV), 0.0);
    dist->SetAutoAxis();
    EXPECT_NEAR(dist->m_dAxisMin, 0.8, 1e-15);
    EXPECT_NEAR(dist->m_dAxisMax, 9.2, 1e-15);
}

TEST(Uniform, InputTypes) {
    auto dist = MakeFresh<CUniform>();
    EXPECT_EQ(Label(*dist, 0), "/LOWER_BOUND/UPPER_BOUND");
    EXPECT_EQ(Ids(*dist, 0), (std::vector<UINT>{PARAM_LOWER_BOUND, PARAM_UPPER_BOUND}));
    EXPECT_EQ(Label(*dist, 1), "");
    EXPECT_TRUE(Ids(*dist, 1).empty());
}

TEST(Uniform, CombinationCheckAtTheBoundary) {
    struct SCase {
        int nParamCombi;
        double lower;
        double upper;
        SExpectedStatus expected;
    };
    const std::vector<SCase> cases = {
        {0, 2.0, 2.0, Error(kBoundsMessage)},
        {0, 3.0, 2.0, Error(kBoundsMessage)},
        {0, Below(2.0), 2.0, kClean},
        {0, -1e300, 1e300, kClean},
        {0, kNaN, 2.0, kClean}, // a NaN bound is not refused
        {0, 2.0, kNaN, kClean},
        {1, 3.0, 2.0, kClean},
    };
    for (const SCase& c : cases) {
        auto dist = MakeFresh<CUniform>();
        Enter(*dist, {{PARAM_LOWER_BOUND, c.lower}, {PARAM_UPPER_BOUND, c.upper}});
        const Slots before = Snapshot(*dist);
        ExpectStatus(dist->CheckCombination(c.nParamCombi), c.expected);
        ExpectSlotsUnchanged(before, *dist);
    }
}

TEST(Uniform, ConversionGivesTheMomentsAndTouchesNothingElse) {
    struct SCase {
        double lower;
        double upper;
        double mean;
        double stdDev;
    };
    // Independent values: mean (L + U) / 2, variance (U - L)^2 / 12.
    const std::vector<SCase> cases = {
        {0.0, 1.0, 0.5, 0.28867513459481287},
        {-7.25, -7.0, -7.125, 0.07216878364870322},
        {-3.0, 3.0, 0.0, 1.7320508075688772},
        {4.0, 2.0, 3.0, -0.5773502691896258}, // never refused: a negative STDDEV
    };
    for (const SCase& c : cases) {
        auto dist = MakeFresh<CUniform>();
        Enter(*dist, {{PARAM_LOWER_BOUND, c.lower}, {PARAM_UPPER_BOUND, c.upper},
                      {PARAM_COV, 7.0}});
        Slots expected = Snapshot(*dist);
        expected[PARAM_MEAN] = c.mean;
        ExpectStatus(dist->CalcBasePar(0), kClean);
        EXPECT_EQ(dist->GetParamValue(PARAM_MEAN), c.mean);
        EXPECT_NEAR(dist->GetParamValue(PARAM_STDDEV), c.stdDev, 4e-16 * std::fabs(c.stdDev));
        expected[PARAM_STDDEV] = dist->GetParamValue(PARAM_STDDEV);
        ExpectSlotsUnchanged(expected, *dist);
    }
    auto dist = MakeFresh<CUniform>();
    const Slots before = Snapshot(*dist);
    Enter(*dist, {{PARAM_UPPER_BOUND, 100.0}});
    ExpectStatus(dist->CalcBasePar(1), kClean);
    EXPECT_EQ(dist->GetParamValue(PARAM_MEAN), before[PARAM_MEAN]);
}

TEST(Uniform, EvaluationsAtAndAroundTheBounds) {
    auto dist = MakeFresh<CUniform>();
    const double L = 1.5;
    const double U = 8.5;
    const double height = 1.0 / 7.0;
    struct SCase {
        double x;
        double density;
        double cumulative;
    };
    const std::vector<SCase> cases = {
        {-100.0, 0.0, 0.0},       {Below(L), 0.0, 0.0},         {L, height, 0.0},
        {Above(L), height, 0.0},  {5.0, height, 0.5},           {Below(U), height, 1.0},
        {U, height, 1.0},         {Above(U), 0.0, 1.0},         {1e6, 0.0, 1.0},
    };
    for (const SCase& c : cases) {
        EXPECT_EQ(dist->GetDensity(c.x), c.density) << c.x;
        EXPECT_NEAR(dist->GetCumulative(c.x), c.cumulative, 1e-15) << c.x;
    }
    EXPECT_EQ(dist->GetCumulative(L), 0.0);
    EXPECT_EQ(dist->GetCumulative(U), 1.0);
    EXPECT_EQ(dist->GetDensity(kNaN), 0.0);
}

TEST(Uniform, InverseClampsOutsideTheUnitInterval) {
    auto dist = MakeFresh<CUniform>();
    EXPECT_EQ(dist->GetInverse(-0.1), 1.5);
    EXPECT_EQ(dist->GetInverse(0.0), 1.5);
    EXPECT_EQ(dist->GetInverse(0.25), 1.5 + 0.25 * 7.0);
    EXPECT_EQ(dist->GetInverse(1.0), 8.5);
    EXPECT_EQ(dist->GetInverse(1.1), 8.5);
}

TEST(Uniform, DegenerateIntervals) {
    // Equal bounds: infinite density at the point, a step in the cumulative function.
    auto dist = MakeFresh<CUniform>();
    Enter(*dist, {{PARAM_LOWER_BOUND, 2.0}, {PARAM_UPPER_BOUND, 2.0}});
    EXPECT_EQ(dist->GetDensity(2.0), kInf);
    EXPECT_EQ(dist->GetCumulative(2.0), 0.0);
    EXPECT_EQ(dist->GetCumulative(Below(2.0)), 0.0);
    EXPECT_EQ(dist->GetCumulative(Above(2.0)), 1.0);
}

TEST(Uniform, AxisFallsBackToTheMeanWhenTheBoundsAreNotOrdered) {
    struct SCase {
        double lower;
        double upper;
        double mean;
        double expectedMin;
        double expectedMax;
    };
    const std::vector<SCase> cases = {
        {0.0, 10.0, 99.0, -1.0, 11.0},
        {3.0, 3.0, 5.0, 4.0, 6.0},
        {4.0, 2.0, -1.0, -2.0, 0.0},
        {kNaN, 2.0, 0.5, -0.5, 1.5},
    };
    for (const SCase& c : cases) {
        auto dist = MakeFresh<CUniform>();
        Enter(*dist, {{PARAM_LOWER_BOUND, c.lower}, {PARAM_UPPER_BOUND, c.upper},
                      {PARAM_MEAN, c.mean}});
        dist->SetAutoAxis();
        EXPECT_EQ(dist->m_dAxisMin, c.expectedMin);
        EXPECT_EQ(dist->m_dAxisMax, c.expectedMax);
    }
}

TEST(Uniform, CopyAndSourceConstructor) {
    CDist* slot = nullptr;
    CUniform source(&slot, "width", nullptr);
    Enter(source, {{PARAM_LOWER_BOUND, -1.0}, {PARAM_UPPER_BOUND, 1.0}});
    source.m_nCurParam = 1;
    std::unique_ptr<CDist> copy(source.CreateCopy());
    EXPECT_EQ(copy->GetRuntimeClass(), STOCHVAR_RUNTIME_CLASS(CUniform));
    EXPECT_EQ(copy->m_ppReference, &slot);
    EXPECT_EQ(copy->m_nCurParam, 1);
    ExpectSlotsUnchanged(Snapshot(source), *copy); // copying converts nothing
}

} // namespace
} // namespace stochvar::testing
