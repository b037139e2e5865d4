#include "FamilySupport.h"

#include <stochvar/families/Rayleigh.h>

#include <gtest/gtest.h>

#include <numbers>

namespace stochvar::testing {
namespace {

constexpr double kSmall = 8.8817841970012e-16; // MACHINE_SMALLEST_RELATIVE_SPACING
constexpr double kTiny = 1e-307;               // MACHINE_SMALLEST_POSITIVE
constexpr double kPresetCov = 42.0;

constexpr const char* kMeanMessage = "Lower bound is larger than mean.";
constexpr const char* kThetaMessage = "Lambda must be positive.";
constexpr const char* kCovWarning = "CoV could not be calculated.";

// Moments of the Rayleigh distribution of scale theta shifted by L: mean L + theta sqrt(pi / 2),
// standard deviation theta sqrt(2 - pi / 2).
double RayleighMean(double theta, double lower) {
    return lower + theta * std::sqrt(std::numbers::pi / 2.0);
}
double RayleighStdDev(double theta) { return theta * std::sqrt(2.0 - std::numbers::pi / 2.0); }

TEST(Rayleigh, FreshVariableHoldsTheDefaultsConverted) {
    auto dist = MakeFresh<CRayleigh>();
    EXPECT_EQ(dist->m_nType, DIST_RAYLEIGH);
    EXPECT_STREQ(dist->GetVarTypeName().GetString(), "RAYLEIGH");
    EXPECT_EQ(dist->GetParamCombiCount(), 4);
    EXPECT_EQ(dist->m_nParamCombi, 0);
    EXPECT_TRUE(dist->m_bAutoAxis);
    EXPECT_EQ(dist->GetParamValue(PARAM_MEAN), 11.2);
    EXPECT_EQ(dist->GetParamValue(PARAM_LOWER_BOUND), 4.0);
    EXPECT_NEAR(dist->GetParamValue(PARAM_THETA), 5.74476883778063, 1e-14);
    EXPECT_NEAR(dist->GetParamValue(PARAM_STDDEV), 3.763607046314856, 1e-14);
    EXPECT_NEAR(dist->GetParamValue(PARAM_COV), 0.3360363434209693, 1e-15);
    dist->SetAutoAxis();
    EXPECT_EQ(dist->m_dAxisMin, 4.0);
    EXPECT_NEAR(dist->m_dAxisMax, 11.2 + 5.0 * 3.763607046314856, 1e-13);
}

TEST(Rayleigh, InputTypes) {
    auto dist = MakeFresh<CRayleigh>();
    const std::vector<std::pair<std::string, std::vector<UINT>>> expected = {
        {"/MEAN/LOWER_BOUND", {PARAM_MEAN, PARAM_LOWER_BOUND}},
        {"/THETA/LOWER_BOUND", {PARAM_THETA, PARAM_LOWER_BOUND}},
        {"/MEAN/STDDEV", {PARAM_MEAN, PARAM_STDDEV}},
        {"/MEAN/COV", {PARAM_MEAN, PARAM_COV}},
        {"", {}},
    };
    for (int n = 0; n < static_cast<int>(expected.size()); ++n) {
        EXPECT_EQ(Label(*dist, n), expected[static_cast<std::size_t>(n)].first);
        EXPECT_EQ(Ids(*dist, n), expected[static_cast<std::size_t>(n)].second);
    }
}

TEST(Rayleigh, CombinationCheckAcceptsEverything) {
    for (int n = -1; n <= 4; ++n) {
        auto dist = MakeFresh<CRayleigh>();
        Enter(*dist, {{PARAM_MEAN, -1.0}, {PARAM_LOWER_BOUND, 5.0}, {PARAM_THETA, -2.0}});
        ExpectStatus(dist->CheckCombination(n), kClean);
    }
}

TEST(Rayleigh, RefusalsLeaveEverySlotUnchanged) {
    struct SCase {
        int nParamCombi;
        SlotValues values;
        const char* message;
    };
    const std::vector<SCase> cases = {
        {0, {{PARAM_MEAN, 4.0}, {PARAM_LOWER_BOUND, 4.0}}, kMeanMessage},
        {0, {{PARAM_MEAN, -4.0}, {PARAM_LOWER_BOUND, 4.0}}, kMeanMessage},
        {0, {{PARAM_MEAN, kNaN}}, kMeanMessage},
        {0, {{PARAM_LOWER_BOUND, kNaN}}, kMeanMessage},
        {1, {{PARAM_THETA, kTiny}}, kThetaMessage},
        {1, {{PARAM_THETA, 0.0}}, kThetaMessage},
        {1, {{PARAM_THETA, -1.0}}, kThetaMessage},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "input type " << c.nParamCombi);
        auto dist = MakeFresh<CRayleigh>();
        Enter(*dist, c.values);
        const Slots before = Snapshot(*dist);
        ExpectStatus(dist->CalcBasePar(c.nParamCombi), Error(c.message));
        ExpectSlotsUnchanged(before, *dist);
    }
}

TEST(Rayleigh, ConversionsGiveParametersWithTheTextbookMoments) {
    struct SCase {
        int nParamCombi;
        SlotValues values;
        double mean;
        double stdDev; // 0.0: only checked against theta through the moment formula
        double cov;    // kPresetCov: untouched; 0.0: STDDEV / MEAN as stored
        SExpectedStatus expected;
    };
    const double k2 = std::sqrt(2.0 - std::numbers::pi / 2.0);
    const std::vector<SCase> cases = {
        {0, {{PARAM_MEAN, 11.2}, {PARAM_LOWER_BOUND, 4.0}}, 11.2, 0.0, 0.0, kClean},
        {0, {{PARAM_MEAN, Above(4.0)}, {PARAM_LOWER_BOUND, 4.0}}, Above(4.0), 0.0, 0.0, kClean},
        {0, {{PARAM_MEAN, 0.0}, {PARAM_LOWER_BOUND, -1.0}}, 0.0, 0.0, kPresetCov,
         Warning(kCovWarning)},
        {0, {{PARAM_MEAN, -kSmall}, {PARAM_LOWER_BOUND, -1.0}}, -kSmall, 0.0, kPresetCov,
         Warning(kCovWarning)},
        {1, {{PARAM_THETA, 1.0}, {PARAM_LOWER_BOUND, 0.0}}, 1.2533141373155001,
         0.6551363775620336, 0.0, kClean},
        {1, {{PARAM_THETA, Above(kTiny)}, {PARAM_LOWER_BOUND, 3.0}}, 3.0, 0.0, 0.0, kClean},
        {1, {{PARAM_THETA, 2.0}, {PARAM_LOWER_BOUND, -2.0 * 1.2533141373155001}}, 0.0,
         2.0 * 0.6551363775620336, kPresetCov, Warning(kCovWarning)},
        {2, {{PARAM_MEAN, 100.0}, {PARAM_STDDEV, 7.0}}, 100.0, 7.0, 0.07, kClean},
        {2, {{PARAM_MEAN, -3.0}, {PARAM_STDDEV, 1.0}}, -3.0, 1.0, -1.0 / 3.0, kClean}, // signed
        {2, {{PARAM_MEAN, 0.0}, {PARAM_STDDEV, 1.0}}, 0.0, 1.0, kPresetCov, Warning(kCovWarning)},
        {3, {{PARAM_MEAN, -10.0}, {PARAM_COV, 0.2}}, -10.0, 2.0, 0.2, kClean}, // S = |M V|
        {3, {{PARAM_MEAN, 0.0}, {PARAM_COV, 0.2}}, 0.0, 0.0, 0.2, kClean},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "input type " << c.nParamCombi << " mean " << c.mean);
        auto dist = MakeFresh<CRayleigh>();
        dist->SetParamValue(PARAM_COV, kPresetCov);
        Enter(*dist, c.values);
        ExpectStatus(dist->CalcBasePar(c.nParamCombi), c.expected);
        const double theta = dist->GetParamValue(PARAM_THETA);
        const double lower = dist->GetParamValue(PARAM_LOWER_BOUND);
        const double S = dist->GetParamValue(PARAM_STDDEV);
        const double scale = 1.0 + std::fabs(c.mean);
        EXPECT_NEAR(RayleighMean(theta, lower), c.mean, 1e-14 * scale);
        EXPECT_NEAR(dist->GetParamValue(PARAM_MEAN), c.mean, 1e-14 * scale);
        EXPECT_NEAR(RayleighStdDev(theta), S, 1e-15 * (1.0 + S));
        if (c.stdDev > 0.0) {
            EXPECT_NEAR(S, c.stdDev, 1e-14 * c.stdDev);
        }
        if (c.cov == kPresetCov || c.nParamCombi == 3) {
            EXPECT_EQ(dist->GetParamValue(PARAM_COV), c.cov);
        } else if (c.cov != 0.0) {
            EXPECT_NEAR(dist->GetParamValue(PARAM_COV), c.cov, 1e-15);
        } else {
            EXPECT_EQ(dist->GetParamValue(PARAM_COV), S / c.mean);
        }
        EXPECT_NEAR(S, k2 * theta, 1e-15 * (1.0 + S));
    }
}

TEST(Rayleigh, RoundTripsBetweenInputTypes) {
    auto dist = MakeFresh<CRayleigh>();
    Enter(*dist, {{PARAM_THETA, 1.0}, {PARAM_LOWER_BOUND, 0.0}});
    ASSERT_TRUE(dist->CalcBasePar(1).IsOk());
    dist->SetParamValue(PARAM_THETA, 0.0);
    ASSERT_TRUE(dist->CalcBasePar(0).IsOk());
    EXPECT_NEAR(dist->GetParamValue(PARAM_THETA), 1.0, 1e-15);
    dist->SetParamValue(PARAM_LOWER_BOUND, 9.0);
    ASSERT_TRUE(dist->CalcBasePar(2).IsOk());
    EXPECT_NEAR(dist->GetParamValue(PARAM_LOWER_BOUND), 0.0, 1e-15);
    EXPECT_NEAR(dist->GetParamValue(PARAM_THETA), 1.0, 1e-15);
}

TEST(Rayleigh, NaNThetaIsNotRefused) {
    auto dist = MakeFresh<CRayleigh>();
    Enter(*dist, {{PARAM_THETA, kNaN}});
    ExpectStatus(dist->CalcBasePar(1), Warning(kCovWarning));
    EXPECT_TRUE(std::isnan(dist->GetParamValue(PARAM_MEAN)));
}

TEST(Rayleigh, UnknownInputTypeChangesNothing) {
    auto dist = MakeFresh<CRayleigh>();
    const Slots before = Snapshot(*dist);
    ExpectStatus(dist->CalcBasePar(4), kClean);
    ExpectSlotsUnchanged(before, *dist);
}

TEST(Rayleigh, EvaluationsAtTheBoundAndThePeak) {
    auto dist = MakeFresh<CRayleigh>();
    Enter(*dist, {{PARAM_THETA, 2.0}, {PARAM_LOWER_BOUND, -1.0}});
    EXPECT_EQ(dist->GetDensity(-1.0), 0.0);
    EXPECT_EQ(dist->GetCumulative(-1.0), 0.0);
    EXPECT_EQ(dist->GetDensity(Below(-1.0)), 0.0);
    EXPECT_EQ(dist->GetCumulative(-50.0), 0.0);
    EXPECT_GE(dist->GetDensity(Above(-1.0)), 0.0);
    // The mode lies at L + theta with the value exp(-1/2) / theta.
    EXPECT_NEAR(dist->GetDensity(1.0), std::exp(-0.5) / 2.0, 1e-16);
    EXPECT_LT(dist->GetDensity(0.99), dist->GetDensity(1.0));
    EXPECT_LT(dist->GetDensity(1.01), dist->GetDensity(1.0));
    EXPECT_NEAR(dist->GetCumulative(1.0), 1.0 - std::exp(-0.5), 1e-16);
}

TEST(Rayleigh, InverseEdges) {
    auto dist = MakeFresh<CRayleigh>();
    Enter(*dist, {{PARAM_THETA, 2.0}, {PARAM_LOWER_BOUND, -1.0}});
    EXPECT_EQ(dist->GetInverse(0.0), -1.0);
    EXPECT_NEAR(dist->GetInverse(1.0 - std::exp(-0.5)), 1.0, 1e-15);
    EXPECT_EQ(dist->GetInverse(1.0), kInf);
    EXPECT_TRUE(std::isnan(dist->GetInverse(-0.1)));
    EXPECT_TRUE(std::isnan(dist->GetInverse(1.1)));
}

TEST(Rayleigh, AxisRuleStartsAtTheBound) {
    auto dist = MakeFresh<CRayleigh>();
    Enter(*dist, {{PARAM_MEAN, 3.0}, {PARAM_STDDEV, 0.5}, {PARAM_LOWER_BOUND, 1.25}});
    dist->SetAutoAxis();
    EXPECT_EQ(dist->m_dAxisMin, 1.25);
    EXPECT_EQ(dist->m_dAxisMax, 5.5);
    for (double stdDev : {0.0, kNaN}) {
        dist->SetParamValue(PARAM_STDDEV, stdDev);
        dist->m_dAxisMin = -8.0;
        dist->SetAutoAxis();
        EXPECT_EQ(dist->m_dAxisMin, -8.0);
        EXPECT_EQ(dist->m_dAxisMax, 5.5);
    }
}

} // namespace
} // namespace stochvar::testing
