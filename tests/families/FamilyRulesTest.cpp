// The rules several families share, tested once each on a plain variable: the COV step, the
// axis rules and the conversion of the families made of a lower bound and one scale.

#include "FamilySupport.h"

#include <stochvar/families/FamilyRules.h>

namespace stochvar::testing {
namespace {

using family_rules::ECovDivisor;
using family_rules::ECovFallback;
constexpr int MEAN = PARAM_MEAN, SD = PARAM_STDDEV, COV = PARAM_COV, LB = PARAM_LOWER_BOUND;
constexpr int UB = PARAM_UPPER_BOUND, P = PARAM_LAMBDA;
constexpr double kPreset = 42.0;
constexpr const char* kCovWarning = "CoV could not be calculated.";

TEST(FamilyRules, CovStep) {
    using enum ECovDivisor;
    using enum ECovFallback;
    struct SRow {
        double mean;
        ECovDivisor divisor;
        ECovFallback fallback;
        double cov; // kPreset: kept
        const char* pszWarning;
    };
    // STDDEV is 1.5; the ratio needs |M| above the smallest relative spacing.
    const SRow rows[] = {
        {2.0, SignedMean, KeepAndWarn, 0.75, ""},
        {-2.0, SignedMean, KeepAndWarn, -0.75, ""},
        {-2.0, MeanMagnitude, KeepAndWarn, 0.75, ""},
        {Above(kSmall), SignedMean, KeepAndWarn, 1.5 / Above(kSmall), ""},
        {kSmall, SignedMean, KeepAndWarn, kPreset, kCovWarning},
        {-kSmall, MeanMagnitude, KeepAndWarn, kPreset, kCovWarning},
        {kNaN, SignedMean, KeepAndWarn, kPreset, kCovWarning},
        {0.0, SignedMean, KeepSilently, kPreset, ""},
    };
    for (const SRow& row : rows) {
        SCOPED_TRACE(row.mean);
        CDist dist;
        Enter(dist, {{MEAN, row.mean}, {SD, 1.5}, {COV, kPreset}});
        CDistStatus status;
        EXPECT_EQ(family_rules::SetCovFromMeanAndStdDev(dist, status, row.divisor, row.fallback),
                  row.cov != kPreset);
        EXPECT_EQ(dist.GetParamValue(COV), row.cov);
        ExpectStatus(status, "", row.pszWarning);
    }
}

void MeanCentred(CDist& dist) { family_rules::SetMeanCentredAxis(dist); }
void FromLowerBound(CDist& dist) { family_rules::SetLowerBoundAxis(dist); }
void IntervalTenth(CDist& dist) { family_rules::SetIntervalAxis(dist, 0.1); }
void Interval(CDist& dist) { family_rules::SetIntervalAxis(dist, 0.0); }

TEST(FamilyRules, AxisRules) {
    struct SRow {
        void (*rule)(CDist&);
        SlotValues values; // on a plain variable with the axis preset to [-7, 7]
        double axisMin, axisMax;
    };
    const SRow kAxisRules[] = {
        // [M - 5 S, M + 5 S] when S > 0; otherwise (S <= 0 or NaN) the bounds stay.
        {MeanCentred, {{MEAN, -2.0}, {SD, 0.5}}, -4.5, 0.5},
        {MeanCentred, {{MEAN, -2.0}, {SD, 0.0}}, -7.0, 7.0},
        {MeanCentred, {{SD, kNaN}}, -7.0, 7.0},
        // [L, M + 5 S] when S > 0; otherwise the bounds stay.
        {FromLowerBound, {{MEAN, 3.0}, {SD, 0.5}, {LB, 1.25}}, 1.25, 5.5},
        {FromLowerBound, {{MEAN, 3.0}, {SD, 0.0}, {LB, 1.25}}, -7.0, 7.0},
        {FromLowerBound, {{SD, kNaN}}, -7.0, 7.0},
        // [L - d, U + d] with d = (U - L) times the margin when L < U; otherwise [M - 1, M + 1].
        {IntervalTenth, {{LB, -1.0}, {UB, 3.0}}, -1.4, 3.4},
        {Interval, {{LB, -3.25}, {UB, 1.75}}, -3.25, 1.75},
        {IntervalTenth, {{LB, 3.0}, {UB, 3.0}, {MEAN, 5.0}}, 4.0, 6.0},
        {IntervalTenth, {{LB, 4.0}, {UB, 2.0}, {MEAN, -1.0}}, -2.0, 0.0},
        {Interval, {{LB, kNaN}, {UB, 2.0}, {MEAN, 0.5}}, -0.5, 1.5},
        // Without a margin the support itself, also when its span is infinite or U is -0.
        {Interval, {{LB, 0.0}, {UB, kInf}}, 0.0, kInf},
        {Interval, {{LB, -1e308}, {UB, 1e308}}, -1e308, 1e308},
        {Interval, {{LB, -1.0}, {UB, -0.0}}, -1.0, -0.0},
    };
    for (std::size_t i = 0; i < std::size(kAxisRules); ++i) {
        SCOPED_TRACE(::testing::Message() << "row " << i);
        CDist dist;
        Enter(dist, kAxisRules[i].values);
        dist.m_dAxisMin = -7.0;
        dist.m_dAxisMax = 7.0;
        kAxisRules[i].rule(dist);
        ExpectClose(dist.m_dAxisMin, kAxisRules[i].axisMin, 1e-15);
        ExpectClose(dist.m_dAxisMax, kAxisRules[i].axisMax, 1e-15);
        EXPECT_EQ(std::signbit(dist.m_dAxisMax), std::signbit(kAxisRules[i].axisMax));
    }
}

// A family of one scale P with M - L = 2 / P and S = 3 / P; the mean excess is formed from both
// P and S so that either one passed wrongly shows.
constexpr family_rules::SLocationScaleForms kForms = {
    .nScaleParam = P,
    .covDivisor = ECovDivisor::SignedMean,
    .pfnScaleFromMeanExcess = [](double dMeanExcess) { return 2.0 / dMeanExcess; },
    .pfnStdDevFromScale = [](double dScale) { return 3.0 / dScale; },
    .pfnMeanExcess = [](double dScale, double dStdDev) { return 1.0 / dScale + dStdDev / 3.0; },
    .pfnScaleFromStdDev = [](double dStdDev) { return 3.0 / dStdDev; },
};

TEST(FamilyRules, LocationScaleConversion) {
    constexpr const char* kLowerBound = "Lower bound is larger than mean.";
    constexpr const char* kScale = "Lambda must be positive.";
    constexpr double kTiny = 1e-307; // the smallest positive value the scale is compared with
    struct SRow {
        int nParamCombi;
        SlotValues values;
        const char* pszError;
        const char* pszWarning;
        SlotValues slots; // expected afterwards; a refusal or an unknown type changes none
    };
    const SRow rows[] = {
        {0, {{MEAN, 5.0}, {LB, 1.0}}, "", "", {{P, 0.5}, {SD, 6.0}, {COV, 1.2}}},
        {0, {{MEAN, 1.0}, {LB, 1.0}}, kLowerBound, "", {}},
        {0, {{MEAN, kNaN}, {LB, 1.0}}, kLowerBound, "", {}},
        {1, {{P, 0.5}, {LB, 1.0}}, "", "", {{MEAN, 5.0}, {SD, 6.0}, {COV, 1.2}}},
        {1, {{P, kTiny}}, kScale, "", {}},
        {1, {{P, Above(kTiny)}, {LB, 0.0}}, "", "", {{SD, 3.0 / Above(kTiny)}, {COV, 1.5}}},
        {1, {{P, kNaN}}, "", kCovWarning, {{MEAN, kNaN}}}, // not refused
        {2, {{MEAN, 5.0}, {SD, 6.0}}, "", "", {{P, 0.5}, {LB, 1.0}, {COV, 1.2}}},
        {2, {{MEAN, 0.0}, {SD, 6.0}, {COV, kPreset}}, "", kCovWarning,
         {{P, 0.5}, {LB, -4.0}, {COV, kPreset}}},
        // S = |M COV|, and COV stays as entered.
        {3, {{MEAN, -5.0}, {COV, 0.2}}, "", "",
         {{SD, 1.0}, {P, 3.0}, {LB, -5.0 - 2.0 / 3.0}, {COV, 0.2}}},
        {4, {{MEAN, 5.0}, {SD, 6.0}}, "", "", {}},
    };
    for (const SRow& row : rows) {
        SCOPED_TRACE(::testing::Message() << "input type " << row.nParamCombi);
        CDist dist;
        Enter(dist, row.values);
        const Slots before = Snapshot(dist);
        ExpectStatus(family_rules::CalcLocationScalePar(dist, row.nParamCombi, kForms),
                     row.pszError, row.pszWarning);
        if (row.slots.empty()) {
            ExpectSlotsUnchanged(before, dist);
        }
        for (const auto& [nParam, dValue] : row.slots) {
            SCOPED_TRACE(kParamKeywords[nParam]);
            ExpectClose(dist.GetParamValue(nParam), dValue, 1e-15);
        }
    }
}

} // namespace
} // namespace stochvar::testing
