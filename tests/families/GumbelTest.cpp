#include "FamilySupport.h"

#include <stochvar/families/Gumbel.h>

#include <gtest/gtest.h>

#include <numbers>

namespace stochvar::testing {
namespace {

constexpr double kSmall = 8.8817841970012e-16; // MACHINE_SMALLEST_RELATIVE_SPACING
constexpr double kClamp = 1.7763568394003e-15; // MACHINE_LARGEST_RELATIVE_SPACING
constexpr double kPresetCov = 42.0;
constexpr double kEuler = 0.5772156649015329; // Euler-Mascheroni constant

constexpr const char* kStdMessage = "Standard deviation must be positive.";
constexpr const char* kAlphaMessage = "Alpha must be positive.";
constexpr const char* kCovWarning = "CoV could not be calculated.";

// Moments of the largest-value Gumbel distribution with inverse scale alpha and mode beta:
// mean beta + gamma / alpha, standard deviation pi / (alpha sqrt(6)).
double GumbelMean(double alpha, double beta) { return beta + kEuler / alpha; }
double GumbelStdDev(double alpha) { return std::numbers::pi / (alpha * std::sqrt(6.0)); }

TEST(Gumbel, FreshVariableHoldsTheDefaultsConverted) {
    auto dist = MakeFresh<CGumbel>();
    EXPECT_EQ(dist->m_nType, DIST_GUMBEL);
    EXPECT_STREQ(dist->GetVarTypeName().GetString(), "GUMBEL");
    EXPECT_EQ(dist->GetParamCombiCount(), 3);
    EXPECT_EQ(dist->m_nParamCombi, 0);
    EXPECT_TRUE(dist->m_bAutoAxis);
    EXPECT_EQ(dist->GetParamValue(PARAM_MEAN), 3.7);
    EXPECT_EQ(dist->GetParamValue(PARAM_STDDEV), 0.95);
    EXPECT_NEAR(dist->GetParamValue(PARAM_ALPHA), 1.3500524528019624, 1e-15);
    EXPECT_NEAR(dist->GetParamValue(PARAM_BETA), 3.2724494528315904, 1e-15);
    EXPECT_NEAR(dist->GetParamValue(PARAM_COV), 0.25675675675675674, 1e-16);
    dist->SetAutoAxis();
    EXPECT_NEAR(dist->m_dAxisMin, 3.7 - 4.75, 1e-15);
    EXPECT_NEAR(dist->m_dAxisMax, 3.7 + 4.75, 1e-15);
}

TEST(Gumbel, InputTypes) {
    auto dist = MakeFresh<CGumbel>();
    const std::vector<std::pair<std::string, std::vector<UINT>>> expected = {
        {"/MEAN/STDDEV", {PARAM_MEAN, PARAM_STDDEV}},
        {"/MEAN/COV", {PARAM_MEAN, PARAM_COV}},
        {"/ALPHA/BETA", {PARAM_ALPHA, PARAM_BETA}},
        {"", {}},
    };
    for (int n = 0; n < static_cast<int>(expected.size()); ++n) {
        EXPECT_EQ(Label(*dist, n), expected[static_cast<std::size_t>(n)].first);
        EXPECT_EQ(Ids(*dist, n), expected[static_cast<std::size_t>(n)].second);
    }
}

TEST(Gumbel, CombinationCheckAcceptsEverything) {
    for (int n = -1; n <= 3; ++n) {
        auto dist = MakeFresh<CGumbel>();
        Enter(*dist, {{PARAM_STDDEV, -1.0}, {PARAM_ALPHA, 0.0}, {PARAM_COV, kNaN}});
        ExpectStatus(dist->CheckCombination(n), kClean);
    }
}

TEST(Gumbel, RefusalsLeaveEverySlotUnchanged) {
    struct SCase {
        int nParamCombi;
        SlotValues values;
        const char* message;
    };
    const std::vector<SCase> cases = {
        {0, {{PARAM_STDDEV, 0.0}}, kStdMessage},
        {0, {{PARAM_STDDEV, -0.5}}, kStdMessage},
        {0, {{PARAM_STDDEV, kNaN}}, kStdMessage},
        {0, {{PARAM_STDDEV, 0.0}, {PARAM_MEAN, 0.0}}, kStdMessage}, // the error, not the warning
        {2, {{PARAM_ALPHA, 0.0}}, kAlphaMessage},
        {2, {{PARAM_ALPHA, -2.0}}, kAlphaMessage},
        {2, {{PARAM_ALPHA, kNaN}}, kAlphaMessage},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "input type " << c.nParamCombi);
        auto dist = MakeFresh<CGumbel>();
        Enter(*dist, c.values);
        const Slots before = Snapshot(*dist);
        ExpectStatus(dist->CalcBasePar(c.nParamCombi), Error(c.message));
        ExpectSlotsUnchanged(before, *dist);
    }
}

TEST(Gumbel, MomentInputsGiveParametersWithThoseMoments) {
    struct SCase {
        int nParamCombi;
        SlotValues values;
        double mean;
        double stdDev;
        double cov; // kPresetCov: untouched
        SExpectedStatus expected;
    };
    const std::vector<SCase> cases = {
        {0, {{PARAM_MEAN, 10.0}, {PARAM_STDDEV, 2.0}}, 10.0, 2.0, 0.2, kClean},
        {0, {{PARAM_MEAN, -4.0}, {PARAM_STDDEV, 1.0}}, -4.0, 1.0, -0.25, kClean}, // signed COV
        {0, {{PARAM_MEAN, 1e-300}, {PARAM_STDDEV, 1.0}}, 1e-300, 1.0,
         kPresetCov, Warning(kCovWarning)},
        {0, {{PARAM_MEAN, kSmall}, {PARAM_STDDEV, 1.0}}, kSmall, 1.0, kPresetCov,
         Warning(kCovWarning)},
        {0, {{PARAM_MEAN, Above(kSmall)}, {PARAM_STDDEV, 1.0}}, Above(kSmall), 1.0,
         1.0 / Above(kSmall), kClean},
        {1, {{PARAM_MEAN, -5.0}, {PARAM_COV, 0.2}}, -5.0, 1.0, 0.2, kClean}, // S = |M| V
        {1, {{PARAM_MEAN, 0.0}, {PARAM_COV, 0.2}}, 0.0, 0.0, 0.2, kClean},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "input type " << c.nParamCombi);
        auto dist = MakeFresh<CGumbel>();
        dist->SetParamValue(PARAM_COV, kPresetCov);
        Enter(*dist, c.values);
        ExpectStatus(dist->CalcBasePar(c.nParamCombi), c.expected);
        EXPECT_NEAR(dist->GetParamValue(PARAM_STDDEV), c.stdDev, 1e-15);
        EXPECT_NEAR(dist->GetParamValue(PARAM_COV), c.cov, 1e-15);
        if (c.stdDev > 0.0) {
            const double alpha = dist->GetParamValue(PARAM_ALPHA);
            const double beta = dist->GetParamValue(PARAM_BETA);
            EXPECT_NEAR(GumbelMean(alpha, beta), c.mean, 1e-14 * (1.0 + std::fabs(c.mean)));
            EXPECT_NEAR(GumbelStdDev(alpha), c.stdDev, 1e-15 * c.stdDev);
        }
    }
}

TEST(Gumbel, AlphaBetaInputAndBack) {
    auto dist = MakeFresh<CGumbel>();
    Enter(*dist, {{PARAM_ALPHA, 1.0}, {PARAM_BETA, 0.0}});
    ExpectStatus(dist->CalcBasePar(2), kClean);
    EXPECT_NEAR(dist->GetParamValue(PARAM_MEAN), kEuler, 1e-16);
    EXPECT_NEAR(dist->GetParamValue(PARAM_STDDEV), 1.282549830161864, 1e-15);
    EXPECT_NEAR(dist->GetParamValue(PARAM_COV), 1.282549830161864 / kEuler, 1e-15);
    Enter(*dist, {{PARAM_ALPHA, 0.0}, {PARAM_BETA, 99.0}});
    ExpectStatus(dist->CalcBasePar(0), kClean);
    EXPECT_NEAR(dist->GetParamValue(PARAM_ALPHA), 1.0, 1e-15);
    EXPECT_NEAR(dist->GetParamValue(PARAM_BETA), 0.0, 1e-15);
}

TEST(Gumbel, AlphaBetaInputWithZeroMeanKeepsCovWithoutWarning) {
    auto dist = MakeFresh<CGumbel>();
    // gamma / alpha + beta with beta = -gamma / alpha lands on 0.
    Enter(*dist, {{PARAM_ALPHA, 1.0}, {PARAM_BETA, -kEuler}, {PARAM_COV, kPresetCov}});
    ExpectStatus(dist->CalcBasePar(2), kClean);
    EXPECT_EQ(dist->GetParamValue(PARAM_MEAN), 0.0);
    EXPECT_EQ(dist->GetParamValue(PARAM_COV), kPresetCov);
    // Input type 0 on the same mean warns.
    ExpectStatus(dist->CalcBasePar(0), Warning(kCovWarning));
    EXPECT_EQ(dist->GetParamValue(PARAM_COV), kPresetCov);
    EXPECT_NEAR(dist->GetParamValue(PARAM_ALPHA), 1.0, 1e-15);
}

TEST(Gumbel, UnknownInputTypeChangesNothing) {
    auto dist = MakeFresh<CGumbel>();
    const Slots before = Snapshot(*dist);
    ExpectStatus(dist->CalcBasePar(3), kClean);
    ExpectSlotsUnchanged(before, *dist);
}

TEST(Gumbel, EvaluationsAtTheMode) {
    auto dist = MakeFresh<CGumbel>();
    Enter(*dist, {{PARAM_ALPHA, 2.0}, {PARAM_BETA, -1.0}});
    EXPECT_NEAR(dist->GetCumulative(-1.0), 0.36787944117144233, 1e-16); // exp(-1)
    EXPECT_NEAR(dist->GetDensity(-1.0), 2.0 * std::exp(-1.0), 1e-15);   // the maximum
    EXPECT_LT(dist->GetDensity(-1.01), dist->GetDensity(-1.0));
    EXPECT_LT(dist->GetDensity(-0.99), dist->GetDensity(-1.0));
    // No support bound: far tails are 0 and 1 without NaN.
    EXPECT_EQ(dist->GetCumulative(-1000.0), 0.0);
    EXPECT_EQ(dist->GetDensity(-1000.0), 0.0);
    EXPECT_EQ(dist->GetCumulative(1000.0), 1.0);
    EXPECT_EQ(dist->GetDensity(1000.0), 0.0);
}

TEST(Gumbel, InverseIsClampedAndFiniteForEveryP) {
    auto dist = MakeFresh<CGumbel>();
    Enter(*dist, {{PARAM_ALPHA, 0.5}, {PARAM_BETA, 3.0}});
    const double low = 3.0 - std::log(-std::log(kClamp)) / 0.5;
    const double high = 3.0 - std::log(-std::log(1.0 - kClamp)) / 0.5;
    EXPECT_EQ(dist->GetInverse(0.0), low);
    EXPECT_EQ(dist->GetInverse(-1.0), low);
    EXPECT_EQ(dist->GetInverse(Below(kClamp)), low);
    EXPECT_EQ(dist->GetInverse(1.0), high);
    EXPECT_EQ(dist->GetInverse(2.0), high);
    EXPECT_LT(dist->GetInverse(kClamp * 2.0), high);
    EXPECT_GT(dist->GetInverse(kClamp * 2.0), low);
    EXPECT_NEAR(dist->GetInverse(std::exp(-1.0)), 3.0, 1e-14);
    for (double p : {-1e300, 0.0, 1e-300, 0.5, 1.0, 1e300}) {
        EXPECT_TRUE(std::isfinite(dist->GetInverse(p))) << p;
    }
}

TEST(Gumbel, AxisRuleIsCentredOnTheMean) {
    auto dist = MakeFresh<CGumbel>();
    Enter(*dist, {{PARAM_MEAN, -2.0}, {PARAM_STDDEV, 0.5}});
    dist->SetAutoAxis();
    EXPECT_EQ(dist->m_dAxisMin, -4.5);
    EXPECT_EQ(dist->m_dAxisMax, 0.5);
    dist->SetParamValue(PARAM_STDDEV, 0.0);
    dist->m_dAxisMin = 1.0;
    dist->SetAutoAxis();
    EXPECT_EQ(dist->m_dAxisMin, 1.0);
    EXPECT_EQ(dist->m_dAxisMax, 0.5);
}

} // namespace
} // namespace stochvar::testing
