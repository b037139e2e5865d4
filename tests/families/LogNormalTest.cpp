#include "FamilySupport.h"

#include <stochvar/families/LogNormal.h>
#include <stochvar/numerics/MachineConstant.h>

#include <gtest/gtest.h>

#include <numbers>

namespace stochvar::testing {
namespace {

constexpr double kSmall = 8.8817841970012e-16; // MACHINE_SMALLEST_RELATIVE_SPACING

constexpr const char* kStdMessage = "Std must be positive.";
constexpr const char* kAboveBoundMessage = "Mean value must be larger than lower bound.";
constexpr const char* kZeroMeanMessage =
    "Mean value must be different from zero when CoV is given as input.";
constexpr const char* kEpsilonMessage = "Parameter epsilon must be positive.";

TEST(LogNormal, FreshVariableHoldsTheDefaultsConverted) {
    auto dist = MakeFresh<CLogNormal>();
    EXPECT_EQ(dist->m_nType, DIST_LOGNORMAL);
    EXPECT_STREQ(dist->GetVarTypeName().GetString(), "LOGNORMAL");
    EXPECT_EQ(dist->GetParamCombiCount(), 3);
    EXPECT_EQ(dist->m_nParamCombi, 0);
    EXPECT_TRUE(dist->m_bAutoAxis);
    EXPECT_EQ(dist->GetParamValue(PARAM_MEAN), 3.2);
    EXPECT_EQ(dist->GetParamValue(PARAM_STDDEV), 0.75);
    EXPECT_EQ(dist->GetParamValue(PARAM_LOWER_BOUND), 0.1);
    EXPECT_EQ(dist->GetParamValue(PARAM_COV), 0.234375);
    EXPECT_NEAR(dist->GetParamValue(PARAM_EPSILON), 0.238503203147, 1e-12);
    EXPECT_NEAR(dist->GetParamValue(PARAM_KSI), 1.102960222535, 1e-12);
    // The axis keeps the base defaults until the rule runs.
    EXPECT_EQ(dist->m_dAxisMin, 0.0);
    EXPECT_EQ(dist->m_dAxisMax, 1.0);
    dist->SetAutoAxis();
    EXPECT_NEAR(dist->m_dAxisMin, 0.025, 1e-15);
    EXPECT_NEAR(dist->m_dAxisMax, 6.95, 1e-15);
}

TEST(LogNormal, InputTypes) {
    auto dist = MakeFresh<CLogNormal>();
    const std::vector<std::pair<std::string, std::vector<UINT>>> expected = {
        {"/MEAN/STDDEV/LOWER_BOUND", {PARAM_MEAN, PARAM_STDDEV, PARAM_LOWER_BOUND}},
        {"/MEAN/COV/LOWER_BOUND", {PARAM_MEAN, PARAM_COV, PARAM_LOWER_BOUND}},
        {"/EPSILON/KSI/LOWER_BOUND", {PARAM_EPSILON, PARAM_KSI, PARAM_LOWER_BOUND}},
        {"", {}},
    };
    for (int n = 0; n < static_cast<int>(expected.size()); ++n) {
        EXPECT_EQ(Label(*dist, n), expected[static_cast<std::size_t>(n)].first);
        EXPECT_EQ(Ids(*dist, n), expected[static_cast<std::size_t>(n)].second);
    }
}

TEST(LogNormal, CombinationCheckAtEachBoundary) {
    struct SCase {
        int nParamCombi;
        SlotValues values;
        SExpectedStatus expected;
    };
    const std::vector<SCase> cases = {
        {0, {{PARAM_STDDEV, 0.0}}, Error(kStdMessage)},
        {0, {{PARAM_STDDEV, kNaN}}, Error(kStdMessage)},
        {0, {{PARAM_STDDEV, 0.0}, {PARAM_MEAN, -5.0}}, Error(kStdMessage)}, // first test wins
        {0, {{PARAM_STDDEV, 1e-300}}, kClean},
        {0, {{PARAM_MEAN, 0.1}, {PARAM_LOWER_BOUND, 0.1}}, Error(kAboveBoundMessage)},
        {0, {{PARAM_MEAN, Above(0.1)}, {PARAM_LOWER_BOUND, 0.1}}, kClean},
        {0, {{PARAM_MEAN, kNaN}}, Error(kAboveBoundMessage)},
        {0, {{PARAM_LOWER_BOUND, kNaN}}, Error(kAboveBoundMessage)},
        {1, {{PARAM_MEAN, Below(kSmall)}, {PARAM_LOWER_BOUND, -1.0}}, Error(kZeroMeanMessage)},
        {1, {{PARAM_MEAN, -0.5 * kSmall}, {PARAM_LOWER_BOUND, -1.0}}, Error(kZeroMeanMessage)},
        {1, {{PARAM_MEAN, 0.0}, {PARAM_LOWER_BOUND, 1.0}}, Error(kZeroMeanMessage)},
        {1, {{PARAM_MEAN, kSmall}, {PARAM_LOWER_BOUND, -1.0}}, kClean}, // equal is accepted
        {1, {{PARAM_MEAN, -kSmall}, {PARAM_LOWER_BOUND, -1.0}}, kClean},
        {1, {{PARAM_MEAN, 2.0}, {PARAM_LOWER_BOUND, 2.0}}, Error(kAboveBoundMessage)},
        {1, {{PARAM_MEAN, kNaN}}, Error(kAboveBoundMessage)},
        {1, {{PARAM_COV, -1.0}}, kClean}, // COV is guarded when it is entered
        {2, {{PARAM_EPSILON, 0.0}}, Error(kEpsilonMessage)},
        {2, {{PARAM_EPSILON, -0.2}}, Error(kEpsilonMessage)},
        {2, {{PARAM_EPSILON, kNaN}}, Error(kEpsilonMessage)},
        {2, {{PARAM_EPSILON, 1e-300}, {PARAM_KSI, kNaN}}, kClean},
        {3, {{PARAM_STDDEV, -1.0}, {PARAM_EPSILON, -1.0}}, kClean},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "input type " << c.nParamCombi);
        auto dist = MakeFresh<CLogNormal>();
        Enter(*dist, c.values);
        const Slots before = Snapshot(*dist);
        ExpectStatus(dist->CheckCombination(c.nParamCombi), c.expected);
        ExpectSlotsUnchanged(before, *dist);
    }
}

// Moments of L + exp(Y), Y normal(ksi, epsilon): E = L + exp(ksi + eps^2 / 2),
// Var = (exp(eps^2) - 1) exp(2 ksi + eps^2).
struct SMoments {
    double mean;
    double stdDev;
};
SMoments MomentsOf(double epsilon, double ksi, double lower) {
    const long double e2 = static_cast<long double>(epsilon) * epsilon;
    const long double k = ksi;
    return {static_cast<double>(lower + std::exp(k + e2 / 2)),
            static_cast<double>(std::sqrt((std::exp(e2) - 1) * std::exp(2 * k + e2)))};
}

TEST(LogNormal, MeanAndStdDevInputReproduceTheirMoments) {
    const std::vector<SlotValues> inputs = {
        {{PARAM_MEAN, 3.2}, {PARAM_STDDEV, 0.75}, {PARAM_LOWER_BOUND, 0.1}},
        {{PARAM_MEAN, -1.0}, {PARAM_STDDEV, 1.5}, {PARAM_LOWER_BOUND, -3.0}},
        {{PARAM_MEAN, 1000.0}, {PARAM_STDDEV, 1.0}, {PARAM_LOWER_BOUND, 0.0}},
    };
    for (const SlotValues& values : inputs) {
        auto dist = MakeFresh<CLogNormal>();
        Enter(*dist, values);
        ExpectStatus(dist->CalcBasePar(0), kClean);
        const SMoments m = MomentsOf(dist->GetParamValue(PARAM_EPSILON),
                                     dist->GetParamValue(PARAM_KSI),
                                     dist->GetParamValue(PARAM_LOWER_BOUND));
        // ln(1 + r^2) with r = S / (M - L) loses about 1.1e-16 / r^2 of its relative accuracy
        // when 1 + r^2 is rounded; the standard deviation inherits half of that.
        const double r = values[1].second / (values[0].second - values[2].second);
        const double conditioning = 1.1e-16 / (r * r);
        EXPECT_NEAR(m.mean, values[0].second, 1e-13 * std::fabs(values[0].second));
        EXPECT_NEAR(m.stdDev, values[1].second, (1e-13 + conditioning) * values[1].second);
        EXPECT_EQ(dist->GetParamValue(PARAM_COV), values[1].second / values[0].second);
    }
}

TEST(LogNormal, RoundTripsBetweenInputTypes) {
    // Epsilon and ksi -> mean and standard deviation -> epsilon and ksi.
    auto dist = MakeFresh<CLogNormal>();
    Enter(*dist, {{PARAM_EPSILON, 0.35}, {PARAM_KSI, -0.7}, {PARAM_LOWER_BOUND, 2.5}});
    ExpectStatus(dist->CalcBasePar(2), kClean);
    const SMoments m = MomentsOf(0.35, -0.7, 2.5);
    EXPECT_NEAR(dist->GetParamValue(PARAM_MEAN), m.mean, 1e-14 * m.mean);
    EXPECT_NEAR(dist->GetParamValue(PARAM_STDDEV), m.stdDev, 1e-13 * m.stdDev);
    EXPECT_EQ(dist->GetParamValue(PARAM_COV),
              dist->GetParamValue(PARAM_STDDEV) / dist->GetParamValue(PARAM_MEAN));
    dist->SetParamValue(PARAM_EPSILON, 0.0);
    dist->SetParamValue(PARAM_KSI, 0.0);
    ExpectStatus(dist->CalcBasePar(0), kClean);
    EXPECT_NEAR(dist->GetParamValue(PARAM_EPSILON), 0.35, 1e-14);
    EXPECT_NEAR(dist->GetParamValue(PARAM_KSI), -0.7, 1e-14);

    // Mean and COV give what mean and the product as standard deviation give.
    auto fromCov = MakeFresh<CLogNormal>();
    Enter(*fromCov, {{PARAM_MEAN, 6.0}, {PARAM_COV, 0.2}, {PARAM_LOWER_BOUND, 1.0}});
    ExpectStatus(fromCov->CalcBasePar(1), kClean);
    EXPECT_EQ(fromCov->GetParamValue(PARAM_STDDEV), 6.0 * 0.2);
    auto fromStd = MakeFresh<CLogNormal>();
    Enter(*fromStd, {{PARAM_MEAN, 6.0}, {PARAM_STDDEV, 6.0 * 0.2}, {PARAM_LOWER_BOUND, 1.0}});
    ExpectStatus(fromStd->CalcBasePar(0), kClean);
    EXPECT_EQ(fromCov->GetParamValue(PARAM_EPSILON), fromStd->GetParamValue(PARAM_EPSILON));
    EXPECT_EQ(fromCov->GetParamValue(PARAM_KSI), fromStd->GetParamValue(PARAM_KSI));
}

TEST(LogNormal, NegativeMeanWithCovGivesSignedStdDevButTheSameShape) {
    auto negative = MakeFresh<CLogNormal>();
    Enter(*negative, {{PARAM_MEAN, -2.0}, {PARAM_COV, 0.5}, {PARAM_LOWER_BOUND, -5.0}});
    ExpectStatus(negative->CalcBasePar(1), kClean);
    EXPECT_EQ(negative->GetParamValue(PARAM_STDDEV), -1.0);
    auto positive = MakeFresh<CLogNormal>();
    Enter(*positive, {{PARAM_MEAN, -2.0}, {PARAM_STDDEV, 1.0}, {PARAM_LOWER_BOUND, -5.0}});
    positive->CalcBasePar(0);
    EXPECT_EQ(negative->GetParamValue(PARAM_EPSILON), positive->GetParamValue(PARAM_EPSILON));
    EXPECT_EQ(negative->GetParamValue(PARAM_KSI), positive->GetParamValue(PARAM_KSI));
}

TEST(LogNormal, MeanNearZeroLeavesCovSilently) {
    struct SCase {
        int nParamCombi;
        SlotValues values;
        bool covWritten;
    };
    const std::vector<SCase> cases = {
        {0, {{PARAM_MEAN, kSmall}, {PARAM_STDDEV, 1.0}, {PARAM_LOWER_BOUND, -1.0}}, false},
        {0, {{PARAM_MEAN, -kSmall}, {PARAM_STDDEV, 1.0}, {PARAM_LOWER_BOUND, -1.0}}, false},
        {0, {{PARAM_MEAN, 0.0}, {PARAM_STDDEV, 1.0}, {PARAM_LOWER_BOUND, -1.0}}, false},
        {0, {{PARAM_MEAN, Above(kSmall)}, {PARAM_STDDEV, 1.0}, {PARAM_LOWER_BOUND, -1.0}}, true},
        // The mean exp(ksi + eps^2 / 2) + L lands within rounding of 0.
        {2, {{PARAM_EPSILON, 0.1}, {PARAM_KSI, 0.0}, {PARAM_LOWER_BOUND, -std::exp(0.005)}}, false},
        {2, {{PARAM_EPSILON, 0.1}, {PARAM_KSI, 0.0}, {PARAM_LOWER_BOUND, -0.5}}, true},
    };
    for (const SCase& c : cases) {
        auto dist = MakeFresh<CLogNormal>();
        Enter(*dist, c.values);
        dist->SetParamValue(PARAM_COV, 42.0);
        ExpectStatus(dist->CalcBasePar(c.nParamCombi), kClean);
        if (c.covWritten) {
            EXPECT_EQ(dist->GetParamValue(PARAM_COV),
                      dist->GetParamValue(PARAM_STDDEV) / dist->GetParamValue(PARAM_MEAN));
        } else {
            EXPECT_EQ(dist->GetParamValue(PARAM_COV), 42.0);
        }
        EXPECT_TRUE(std::isfinite(dist->GetParamValue(PARAM_EPSILON)));
    }
}

TEST(LogNormal, ConversionNeverRefusesAndUnknownInputTypeChangesNothing) {
    auto dist = MakeFresh<CLogNormal>();
    Enter(*dist, {{PARAM_MEAN, -1.0}, {PARAM_STDDEV, 1.0}, {PARAM_LOWER_BOUND, 0.0}});
    ExpectStatus(dist->CalcBasePar(0), kClean); // the check would have refused: NaN slots
    EXPECT_TRUE(std::isnan(dist->GetParamValue(PARAM_KSI)));

    auto other = MakeFresh<CLogNormal>();
    const Slots before = Snapshot(*other);
    ExpectStatus(other->CalcBasePar(3), kClean);
    ExpectSlotsUnchanged(before, *other);
}

TEST(LogNormal, EvaluationsAtAndAroundTheLowerBound) {
    auto dist = MakeFresh<CLogNormal>();
    const double L = 0.1;
    for (double x : {L, Below(L), -5.0}) {
        EXPECT_EQ(dist->GetDensity(x), 0.0) << x;
        EXPECT_EQ(dist->GetCumulative(x), 0.0) << x;
    }
    // Just above the bound the formulas apply: vanishingly small but not refused.
    EXPECT_GE(dist->GetDensity(Above(L)), 0.0);
    EXPECT_GE(dist->GetCumulative(L + 0.5), 0.0);
    EXPECT_GT(dist->GetDensity(L + 1.0), 0.0);
}

TEST(LogNormal, DensityIsTheNormalDensityOfTheLogarithm) {
    auto dist = MakeFresh<CLogNormal>();
    Enter(*dist, {{PARAM_EPSILON, 0.6}, {PARAM_KSI, 0.4}, {PARAM_LOWER_BOUND, -1.0}});
    dist->CalcBasePar(2);
    for (double x : {-0.9, -0.5, 0.0, 0.5, 1.0, 3.0, 8.0}) {
        const double d = x + 1.0;
        const double z = (std::log(d) - 0.4) / 0.6;
        const double expected =
            std::exp(-0.5 * z * z) / (0.6 * d * std::sqrt(2.0 * std::numbers::pi));
        EXPECT_NEAR(dist->GetDensity(x), expected, 1e-14 * expected + 1e-300) << x;
        // Phi is good to 7.5e-8 (Abramowitz and Stegun 26.2.17).
        EXPECT_NEAR(dist->GetCumulative(x), 0.5 * std::erfc(-z / std::sqrt(2.0)), 7.5e-8) << x;
    }
}

TEST(LogNormal, InverseOutsideTheUnitIntervalFollowsTheSaturatedNormal) {
    auto dist = MakeFresh<CLogNormal>();
    const double epsilon = dist->GetParamValue(PARAM_EPSILON);
    const double ksi = dist->GetParamValue(PARAM_KSI);
    EXPECT_EQ(dist->GetInverse(0.0), std::exp(ksi - 1000.0 * epsilon) + 0.1);
    EXPECT_EQ(dist->GetInverse(-1.0), dist->GetInverse(0.0));
    EXPECT_NEAR(dist->GetInverse(0.0), 0.1, 1e-15);
    EXPECT_EQ(dist->GetInverse(1.0), std::exp(ksi + 1000.0 * epsilon) + 0.1);
    EXPECT_TRUE(std::isfinite(dist->GetInverse(1.0)));
    // Once ksi + 1000 epsilon passes ln(DBL_MAX) = 709.78 the upper end is infinite.
    Enter(*dist, {{PARAM_EPSILON, 0.71}, {PARAM_KSI, 0.0}});
    EXPECT_EQ(dist->GetInverse(1.0), kInf);
    Enter(*dist, {{PARAM_EPSILON, 0.7}});
    EXPECT_TRUE(std::isfinite(dist->GetInverse(1.0)));
}

TEST(LogNormal, AxisRule) {
    struct SCase {
        double stdDev;
        double expectedMin;
        double expectedMax;
    };
    const std::vector<SCase> cases = {
        {2.0, -1.0 - 0.2, 4.0 + 10.0},
        {0.0, -7.0, 7.0},
        {-2.0, -7.0, 7.0},
        {kNaN, -7.0, 7.0},
    };
    for (const SCase& c : cases) {
        auto dist = MakeFresh<CLogNormal>();
        Enter(*dist, {{PARAM_MEAN, 4.0}, {PARAM_STDDEV, c.stdDev}, {PARAM_LOWER_BOUND, -1.0}});
        dist->m_dAxisMin = -7.0;
        dist->m_dAxisMax = 7.0;
        dist->SetAutoAxis();
        EXPECT_EQ(dist->m_dAxisMin, c.expectedMin);
        EXPECT_EQ(dist->m_dAxisMax, c.expectedMax);
    }
}

TEST(LogNormal, CopyOfTheSameFamilyKeepsInputTypeAndCursor) {
    CDist* slot = nullptr;
    CLogNormal source(&slot, "load", nullptr);
    source.m_nParamCombi = 2;
    source.m_nCurParam = 1;
    std::unique_ptr<CDist> copy(source.CreateCopy());
    EXPECT_EQ(copy->GetRuntimeClass(), STOCHVAR_RUNTIME_CLASS(CLogNormal));
    EXPECT_EQ(copy->m_nType, DIST_LOGNORMAL);
    EXPECT_EQ(copy->m_ppReference, &slot);
    EXPECT_EQ(copy->m_nParamCombi, 2);
    EXPECT_EQ(copy->m_nCurParam, 1);
    ExpectSlotsUnchanged(Snapshot(source), *copy);
}

} // namespace
} // namespace stochvar::testing
