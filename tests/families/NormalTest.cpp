#include "FamilySupport.h"

#include <stochvar/families/LogNormal.h>
#include <stochvar/families/Normal.h>

#include <gtest/gtest.h>

#include <numbers>

namespace stochvar::testing {
namespace {

TEST(Normal, FreshVariableHoldsTheDefaultsConverted) {
    auto dist = MakeFresh<CNormal>();
    EXPECT_EQ(dist->m_nType, DIST_NORMAL);
    EXPECT_STREQ(dist->GetVarTypeName().GetString(), "NORMAL");
    EXPECT_EQ(dist->GetParamCombiCount(), 2);
    EXPECT_EQ(dist->m_nParamCombi, 0);
    EXPECT_TRUE(dist->m_bAutoAxis);
    EXPECT_EQ(dist->GetParamValue(PARAM_MEAN), 4.0);
    EXPECT_EQ(dist->GetParamValue(PARAM_STDDEV), 0.5);
    EXPECT_EQ(dist->GetParamValue(PARAM_COV), 0.125);
    dist->SetAutoAxis();
    EXPECT_EQ(dist->m_dAxisMin, 1.5);
    EXPECT_EQ(dist->m_dAxisMax, 6.5);
}

TEST(Normal, NoArgumentConstructorLeavesTypeToLoading) {
    CNormal dist;
    EXPECT_EQ(dist.m_nType, DIST_FIXED);
    EXPECT_EQ(dist.GetParamCombiCount(), 1);
    EXPECT_EQ(dist.GetParamValue(PARAM_MEAN), 0.0);
}

TEST(Normal, InputTypes) {
    auto dist = MakeFresh<CNormal>();
    EXPECT_EQ(Label(*dist, 0), "/MEAN/STDDEV");
    EXPECT_EQ(Ids(*dist, 0), (std::vector<UINT>{PARAM_MEAN, PARAM_STDDEV}));
    EXPECT_EQ(Label(*dist, 1), "/MEAN/COV");
    EXPECT_EQ(Ids(*dist, 1), (std::vector<UINT>{PARAM_MEAN, PARAM_COV}));
    EXPECT_EQ(Label(*dist, 2), "");
    EXPECT_TRUE(Ids(*dist, 2).empty());
    EXPECT_TRUE(Ids(*dist, -1).empty());
}

struct SCheckCase {
    int nParamCombi;
    SlotValues values;
    SExpectedStatus expected;
};

constexpr const char* kStdMessage = "Std must be larger than zero.";
constexpr const char* kCovMessage = "CoV must be larger than zero.";
constexpr const char* kMeanMessage =
    "Mean value must be different from 0 when CoV is given as input.";

TEST(Normal, CombinationCheckAtEachBoundary) {
    const std::vector<SCheckCase> cases = {
        {0, {{PARAM_STDDEV, 0.0}}, Error(kStdMessage)},
        {0, {{PARAM_STDDEV, -1.0}}, Error(kStdMessage)},
        {0, {{PARAM_STDDEV, kNaN}}, Error(kStdMessage)},
        {0, {{PARAM_STDDEV, 1e-300}}, kClean},
        {0, {{PARAM_MEAN, 0.0}, {PARAM_STDDEV, 1.0}}, kClean},
        {1, {{PARAM_COV, 0.0}, {PARAM_MEAN, 1.0}}, Error(kCovMessage)},
        {1, {{PARAM_COV, kNaN}, {PARAM_MEAN, 1.0}}, Error(kCovMessage)},
        {1, {{PARAM_COV, 0.0}, {PARAM_MEAN, 0.0}}, Error(kCovMessage)}, // first test wins
        {1, {{PARAM_COV, 0.1}, {PARAM_MEAN, 0.0}}, Error(kMeanMessage)},
        {1, {{PARAM_COV, 0.1}, {PARAM_MEAN, -0.0}}, Error(kMeanMessage)},
        {1, {{PARAM_COV, 0.1}, {PARAM_MEAN, kNaN}}, Error(kMeanMessage)},
        {1, {{PARAM_COV, 0.1}, {PARAM_MEAN, 1e-300}}, kClean},
        {1, {{PARAM_COV, 1e-300}, {PARAM_MEAN, -3.0}}, kClean},
        {2, {{PARAM_STDDEV, -1.0}, {PARAM_COV, -1.0}}, kClean},
        {-1, {{PARAM_STDDEV, -1.0}}, kClean},
    };
    for (const SCheckCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "input type " << c.nParamCombi);
        auto dist = MakeFresh<CNormal>();
        Enter(*dist, c.values);
        const Slots before = Snapshot(*dist);
        ExpectStatus(dist->CheckCombination(c.nParamCombi), c.expected);
        ExpectSlotsUnchanged(before, *dist);
    }
}

TEST(Normal, Conversions) {
    struct SCase {
        int nParamCombi;
        SlotValues values;
        double expectedStdDev;
        double expectedCov;
    };
    const std::vector<SCase> cases = {
        {0, {{PARAM_MEAN, 10.0}, {PARAM_STDDEV, 2.5}}, 2.5, 0.25},
        {0, {{PARAM_MEAN, -10.0}, {PARAM_STDDEV, 2.5}}, 2.5, -0.25},
        {0, {{PARAM_MEAN, 0.0}, {PARAM_STDDEV, 1.0}}, 1.0, kInf}, // not guarded: infinite COV
        {1, {{PARAM_MEAN, -2.0}, {PARAM_COV, 0.1}}, 0.2, 0.1},    // sigma is |COV * mu|
        {1, {{PARAM_MEAN, 8.0}, {PARAM_COV, 0.25}}, 2.0, 0.25},
    };
    for (const SCase& c : cases) {
        auto dist = MakeFresh<CNormal>();
        Enter(*dist, c.values);
        ExpectStatus(dist->CalcBasePar(c.nParamCombi), kClean);
        EXPECT_NEAR(dist->GetParamValue(PARAM_STDDEV), c.expectedStdDev, 1e-15);
        EXPECT_EQ(dist->GetParamValue(PARAM_COV), c.expectedCov);
    }
}

TEST(Normal, ConversionRoundTripsBetweenInputTypes) {
    auto dist = MakeFresh<CNormal>();
    Enter(*dist, {{PARAM_MEAN, -7.3}, {PARAM_STDDEV, 1.9}});
    ASSERT_TRUE(dist->CalcBasePar(0).IsOk());
    const double cov = dist->GetParamValue(PARAM_COV);
    dist->SetParamValue(PARAM_STDDEV, 0.0);
    dist->SetParamValue(PARAM_COV, -cov); // the COV input is positive; its sign is dropped
    ASSERT_TRUE(dist->CalcBasePar(1).IsOk());
    EXPECT_NEAR(dist->GetParamValue(PARAM_STDDEV), 1.9, 1e-15);
}

TEST(Normal, UnknownInputTypeChangesNothing) {
    auto dist = MakeFresh<CNormal>();
    Enter(*dist, {{PARAM_MEAN, 1.0}, {PARAM_STDDEV, 3.0}, {PARAM_COV, 9.0}});
    const Slots before = Snapshot(*dist);
    ExpectStatus(dist->CalcBasePar(2), kClean);
    ExpectSlotsUnchanged(before, *dist);
}

TEST(Normal, EvaluationsAgainstIndependentForms) {
    auto dist = MakeFresh<CNormal>();
    // 1 / (0.5 sqrt(2 pi)), exactly as the density's definition gives it.
    EXPECT_NEAR(dist->GetDensity(4.0), 0.7978845608028654, 1e-15);
    // Phi(0) of the Abramowitz-Stegun form lies just below one half.
    EXPECT_NEAR(dist->GetCumulative(4.0), 0.4999999995, 1e-10);
    EXPECT_LT(dist->GetCumulative(4.0), 0.5);
    for (double x : {1.0, 2.7, 3.9, 4.6, 6.0, 7.5}) {
        const double z = (x - 4.0) / 0.5;
        const double density = std::exp(-0.5 * z * z) / (0.5 * std::sqrt(2.0 * std::numbers::pi));
        EXPECT_NEAR(dist->GetDensity(x), density, 1e-15 + 1e-14 * density) << x;
        // The approximation of Phi is good to 7.5e-8 (Abramowitz and Stegun 26.2.17).
        EXPECT_NEAR(dist->GetCumulative(x), 0.5 * std::erfc(-z / std::sqrt(2.0)), 7.5e-8) << x;
    }
}

TEST(Normal, InverseSaturatesAtAThousandStandardDeviations) {
    auto dist = MakeFresh<CNormal>();
    EXPECT_EQ(dist->GetInverse(0.0), 4.0 - 1000.0 * 0.5);
    EXPECT_EQ(dist->GetInverse(-0.3), 4.0 - 1000.0 * 0.5);
    EXPECT_EQ(dist->GetInverse(1.0), 4.0 + 1000.0 * 0.5);
    // Phi^-1(0.975) = 1.9603949169 for the approximation (1.959964 exactly).
    EXPECT_NEAR(dist->GetInverse(0.975), 4.0 + 0.5 * 1.9603949169, 1e-9);
}

TEST(Normal, NonPositiveStdDevGivesZeroEverywhereAndKeepsTheAxis) {
    for (double sigma : {0.0, -1.0, kNaN}) {
        auto dist = MakeFresh<CNormal>();
        dist->SetParamValue(PARAM_STDDEV, sigma);
        dist->m_dAxisMin = -3.0;
        dist->m_dAxisMax = 12.0;
        for (double x : {-1.0, 4.0, 9.0}) {
            EXPECT_EQ(dist->GetDensity(x), 0.0);
            EXPECT_EQ(dist->GetCumulative(x), 0.0);
        }
        EXPECT_EQ(dist->GetInverse(0.5), 0.0);
        dist->SetAutoAxis();
        EXPECT_EQ(dist->m_dAxisMin, -3.0);
        EXPECT_EQ(dist->m_dAxisMax, 12.0);
    }
}

TEST(Normal, CopyKeepsInputTypeOnlyWithinTheFamily) {
    CDist* slot = nullptr;
    CNormal source(&slot, "load", nullptr);
    Enter(source, {{PARAM_MEAN, 2.0}, {PARAM_STDDEV, 0.3}});
    source.m_nParamCombi = 1;
    source.m_nCurParam = 1;

    std::unique_ptr<CDist> copy(source.CreateCopy());
    EXPECT_EQ(copy->GetRuntimeClass(), STOCHVAR_RUNTIME_CLASS(CNormal));
    EXPECT_EQ(copy->m_ppReference, &slot);
    EXPECT_STREQ(copy->GetVarName().GetString(), "load");
    EXPECT_EQ(copy->m_nParamCombi, 1);
    EXPECT_EQ(copy->m_nCurParam, 1);
    EXPECT_EQ(copy->GetParamValue(PARAM_STDDEV), 0.3);

    CLogNormal other(nullptr, "ignored", &source);
    EXPECT_EQ(other.m_nType, DIST_LOGNORMAL);
    EXPECT_STREQ(other.GetVarName().GetString(), "load");
    EXPECT_EQ(other.m_nParamCombi, 0);
    EXPECT_EQ(other.m_nCurParam, 0);
    EXPECT_EQ(other.GetParamValue(PARAM_MEAN), 2.0);
}

} // namespace
} // namespace stochvar::testing
