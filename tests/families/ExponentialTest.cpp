#include "FamilySupport.h"

#include <stochvar/families/Exponential.h>

#include <gtest/gtest.h>

namespace stochvar::testing {
namespace {

constexpr double kSmall = 8.8817841970012e-16;  // MACHINE_SMALLEST_RELATIVE_SPACING
constexpr double kTiny = 1e-307;                // MACHINE_SMALLEST_POSITIVE
constexpr double kPresetCov = 42.0;             // marks a COV the conversion must not touch

constexpr const char* kMeanMessage = "Lower bound is larger than mean.";
constexpr const char* kLambdaMessage = "Lambda must be positive.";
constexpr const char* kCovWarning = "CoV could not be calculated.";

TEST(Exponential, FreshVariableHoldsTheDefaultsConverted) {
    auto dist = MakeFresh<CExponential>();
    EXPECT_EQ(dist->m_nType, DIST_EXPONENTIAL);
    EXPECT_STREQ(dist->GetVarTypeName().GetString(), "EXPONENTIAL");
    EXPECT_EQ(dist->GetParamCombiCount(), 4);
    EXPECT_EQ(dist->m_nParamCombi, 0);
    EXPECT_TRUE(dist->m_bAutoAxis);
    EXPECT_EQ(dist->GetParamValue(PARAM_MEAN), 0.35);
    EXPECT_EQ(dist->GetParamValue(PARAM_LOWER_BOUND), 0.1);
    EXPECT_NEAR(dist->GetParamValue(PARAM_LAMBDA), 4.0, 1e-14);
    EXPECT_NEAR(dist->GetParamValue(PARAM_STDDEV), 0.25, 1e-15);
    EXPECT_NEAR(dist->GetParamValue(PARAM_COV), 0.7142857142857142, 1e-15);
    dist->SetAutoAxis();
    EXPECT_EQ(dist->m_dAxisMin, 0.1);
    EXPECT_NEAR(dist->m_dAxisMax, 1.6, 1e-14);
}

TEST(Exponential, InputTypes) {
    auto dist = MakeFresh<CExponential>();
    const std::vector<std::pair<std::string, std::vector<UINT>>> expected = {
        {"/MEAN/LOWER_BOUND", {PARAM_MEAN, PARAM_LOWER_BOUND}},
        {"/LAMBDA/LOWER_BOUND", {PARAM_LAMBDA, PARAM_LOWER_BOUND}},
        {"/MEAN/STDDEV", {PARAM_MEAN, PARAM_STDDEV}},
        {"/MEAN/COV", {PARAM_MEAN, PARAM_COV}},
        {"", {}},
    };
    for (int n = 0; n < static_cast<int>(expected.size()); ++n) {
        EXPECT_EQ(Label(*dist, n), expected[static_cast<std::size_t>(n)].first);
        EXPECT_EQ(Ids(*dist, n), expected[static_cast<std::size_t>(n)].second);
    }
}

TEST(Exponential, CombinationCheckAcceptsEverything) {
    for (int n = -1; n <= 4; ++n) {
        auto dist = MakeFresh<CExponential>();
        Enter(*dist, {{PARAM_MEAN, -1.0}, {PARAM_LOWER_BOUND, 5.0}, {PARAM_LAMBDA, -2.0},
                      {PARAM_STDDEV, kNaN}});
        const Slots before = Snapshot(*dist);
        ExpectStatus(dist->CheckCombination(n), kClean);
        ExpectSlotsUnchanged(before, *dist);
    }
}

TEST(Exponential, RefusalsLeaveEverySlotUnchanged) {
    struct SCase {
        int nParamCombi;
        SlotValues values;
        const char* message;
    };
    const std::vector<SCase> cases = {
        {0, {{PARAM_MEAN, 2.0}, {PARAM_LOWER_BOUND, 2.0}}, kMeanMessage},
        {0, {{PARAM_MEAN, 1.0}, {PARAM_LOWER_BOUND, 2.0}}, kMeanMessage},
        {0, {{PARAM_MEAN, kNaN}, {PARAM_LOWER_BOUND, 2.0}}, kMeanMessage},
        {0, {{PARAM_MEAN, 3.0}, {PARAM_LOWER_BOUND, kNaN}}, kMeanMessage},
        {1, {{PARAM_LAMBDA, kTiny}, {PARAM_LOWER_BOUND, 0.0}}, kLambdaMessage},
        {1, {{PARAM_LAMBDA, 0.0}, {PARAM_LOWER_BOUND, 0.0}}, kLambdaMessage},
        {1, {{PARAM_LAMBDA, -3.0}, {PARAM_LOWER_BOUND, 0.0}}, kLambdaMessage},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "input type " << c.nParamCombi);
        auto dist = MakeFresh<CExponential>();
        Enter(*dist, c.values);
        const Slots before = Snapshot(*dist);
        ExpectStatus(dist->CalcBasePar(c.nParamCombi), Error(c.message));
        ExpectSlotsUnchanged(before, *dist);
    }
}

struct SConversion {
    int nParamCombi;
    SlotValues values;
    // Expected MEAN, STDDEV, LOWER_BOUND, LAMBDA and COV; COV kPresetCov means untouched.
    double mean, stdDev, lower, lambda, cov;
    SExpectedStatus expected;
};

TEST(Exponential, ConversionsOfEveryInputType) {
    const std::vector<SConversion> cases = {
        {0, {{PARAM_MEAN, 5.0}, {PARAM_LOWER_BOUND, 3.0}}, 5.0, 2.0, 3.0, 0.5, 0.4, kClean},
        {0, {{PARAM_MEAN, Above(2.0)}, {PARAM_LOWER_BOUND, 2.0}},
         Above(2.0), Above(2.0) - 2.0, 2.0, 1.0 / (Above(2.0) - 2.0), (Above(2.0) - 2.0) / Above(2.0), kClean},
        {0, {{PARAM_MEAN, 0.0}, {PARAM_LOWER_BOUND, -2.0}}, 0.0, 2.0, -2.0, 0.5, kPresetCov,
         Warning(kCovWarning)},
        {0, {{PARAM_MEAN, -3.0}, {PARAM_LOWER_BOUND, -4.0}}, -3.0, 1.0, -4.0, 1.0, 1.0 / 3.0, kClean},
        {1, {{PARAM_LAMBDA, 0.2}, {PARAM_LOWER_BOUND, -4.0}}, 1.0, 5.0, -4.0, 0.2, 5.0, kClean},
        {1, {{PARAM_LAMBDA, 0.5}, {PARAM_LOWER_BOUND, -2.0}}, 0.0, 2.0, -2.0, 0.5, kPresetCov,
         Warning(kCovWarning)},
        {2, {{PARAM_MEAN, 5.0}, {PARAM_STDDEV, 2.0}}, 5.0, 2.0, 3.0, 0.5, 0.4, kClean},
        {2, {{PARAM_MEAN, -5.0}, {PARAM_STDDEV, 2.0}}, -5.0, 2.0, -7.0, 0.5, 0.4, kClean},
        {2, {{PARAM_MEAN, 0.0}, {PARAM_STDDEV, 2.0}}, 0.0, 2.0, -2.0, 0.5, kPresetCov,
         Warning(kCovWarning)},
        {3, {{PARAM_MEAN, -4.0}, {PARAM_COV, 0.5}}, -4.0, 2.0, -6.0, 0.5, 0.5, kClean},
        {3, {{PARAM_MEAN, 8.0}, {PARAM_COV, 0.25}}, 8.0, 2.0, 6.0, 0.5, 0.25, kClean},
    };
    for (const SConversion& c : cases) {
        SCOPED_TRACE(::testing::Message() << "input type " << c.nParamCombi);
        auto dist = MakeFresh<CExponential>();
        if (c.cov == kPresetCov) {
            dist->SetParamValue(PARAM_COV, kPresetCov);
        }
        Enter(*dist, c.values);
        ExpectStatus(dist->CalcBasePar(c.nParamCombi), c.expected);
        EXPECT_NEAR(dist->GetParamValue(PARAM_MEAN), c.mean, 1e-15);
        EXPECT_NEAR(dist->GetParamValue(PARAM_STDDEV), c.stdDev, 1e-15 * c.stdDev);
        EXPECT_NEAR(dist->GetParamValue(PARAM_LOWER_BOUND), c.lower, 1e-15);
        EXPECT_NEAR(dist->GetParamValue(PARAM_LAMBDA), c.lambda, 1e-15 * c.lambda);
        EXPECT_NEAR(dist->GetParamValue(PARAM_COV), c.cov, 1e-15);
    }
}

TEST(Exponential, CovStepAtTheSmallMeanBoundary) {
    struct SCase {
        double mean;
        bool written;
    };
    for (const SCase& c : std::vector<SCase>{{kSmall, false}, {-kSmall, false}, {kNaN, false},
                                              {Above(kSmall), true}, {-Above(kSmall), true}}) {
        auto dist = MakeFresh<CExponential>();
        Enter(*dist, {{PARAM_MEAN, c.mean}, {PARAM_STDDEV, 1.0}, {PARAM_COV, kPresetCov}});
        CDistStatus status = dist->CalcBasePar(2);
        if (c.written) {
            ExpectStatus(status, kClean);
            EXPECT_EQ(dist->GetParamValue(PARAM_COV), 1.0 / std::fabs(c.mean)); // never negative
        } else {
            ExpectStatus(status, Warning(kCovWarning));
            EXPECT_EQ(dist->GetParamValue(PARAM_COV), kPresetCov);
        }
    }
}

TEST(Exponential, LambdaJustAboveTheSmallestMagnitudeIsAccepted) {
    auto dist = MakeFresh<CExponential>();
    Enter(*dist, {{PARAM_LAMBDA, Above(kTiny)}, {PARAM_LOWER_BOUND, 0.0}});
    ExpectStatus(dist->CalcBasePar(1), kClean);
    EXPECT_EQ(dist->GetParamValue(PARAM_STDDEV), 1.0 / Above(kTiny));
    // A NaN rate is not refused; it spreads into the slots.
    Enter(*dist, {{PARAM_LAMBDA, kNaN}});
    ExpectStatus(dist->CalcBasePar(1), Warning(kCovWarning));
    EXPECT_TRUE(std::isnan(dist->GetParamValue(PARAM_MEAN)));
}

TEST(Exponential, RoundTripsBetweenInputTypes) {
    auto dist = MakeFresh<CExponential>();
    Enter(*dist, {{PARAM_LAMBDA, 0.37}, {PARAM_LOWER_BOUND, -1.25}});
    ASSERT_TRUE(dist->CalcBasePar(1).IsOk());
    dist->SetParamValue(PARAM_LAMBDA, 0.0);
    ASSERT_TRUE(dist->CalcBasePar(0).IsOk()); // mean and bound back to the rate
    EXPECT_NEAR(dist->GetParamValue(PARAM_LAMBDA), 0.37, 1e-15);
    dist->SetParamValue(PARAM_LOWER_BOUND, 0.0);
    ASSERT_TRUE(dist->CalcBasePar(2).IsOk()); // mean and standard deviation back to the bound
    EXPECT_NEAR(dist->GetParamValue(PARAM_LOWER_BOUND), -1.25, 1e-15);
    EXPECT_NEAR(dist->GetParamValue(PARAM_LAMBDA), 0.37, 1e-15);
}

TEST(Exponential, UnknownInputTypeChangesNothing) {
    auto dist = MakeFresh<CExponential>();
    const Slots before = Snapshot(*dist);
    ExpectStatus(dist->CalcBasePar(4), kClean);
    ExpectSlotsUnchanged(before, *dist);
}

TEST(Exponential, EvaluationsAtAndAroundTheLowerBound) {
    auto dist = MakeFresh<CExponential>(); // lambda 4, L 0.1
    const double lambda = dist->GetParamValue(PARAM_LAMBDA);
    EXPECT_EQ(dist->GetDensity(0.1), 0.0);
    EXPECT_EQ(dist->GetCumulative(0.1), 0.0);
    EXPECT_EQ(dist->GetDensity(-3.0), 0.0);
    EXPECT_EQ(dist->GetCumulative(Below(0.1)), 0.0);
    EXPECT_NEAR(dist->GetDensity(Above(0.1)), lambda, 1e-14);
    // One mean excess beyond the bound: density lambda / e, cumulative 1 - 1 / e.
    EXPECT_NEAR(dist->GetDensity(0.35), lambda * std::exp(-1.0), 1e-14);
    EXPECT_NEAR(dist->GetCumulative(0.35), 1.0 - std::exp(-1.0), 1e-15);
}

TEST(Exponential, InverseEdges) {
    auto dist = MakeFresh<CExponential>();
    Enter(*dist, {{PARAM_LOWER_BOUND, 7.0}});
    EXPECT_EQ(dist->GetInverse(0.0), 7.0);
    EXPECT_EQ(dist->GetInverse(-0.5), 0.0); // the number zero, not the bound
    EXPECT_EQ(dist->GetInverse(1.0), kInf);
    EXPECT_TRUE(std::isnan(dist->GetInverse(1.5)));
    EXPECT_NEAR(dist->GetInverse(1.0 - std::exp(-1.0)), 7.0 + 0.25, 1e-14);
}

TEST(Exponential, AxisRuleKeepsTheBoundsWithoutAPositiveStdDev) {
    for (double stdDev : {0.0, -1.0, kNaN}) {
        auto dist = MakeFresh<CExponential>();
        dist->SetParamValue(PARAM_STDDEV, stdDev);
        dist->m_dAxisMin = -9.0;
        dist->m_dAxisMax = 9.0;
        dist->SetAutoAxis();
        EXPECT_EQ(dist->m_dAxisMin, -9.0);
        EXPECT_EQ(dist->m_dAxisMax, 9.0);
    }
}

} // namespace
} // namespace stochvar::testing
