#pragma once

// Helpers of the family tests (entering values, slot snapshots, status expectations) and the
// row types of the family table: one row set per family (FamilyTable.cpp), driven by the generic
// tests of FamilyTableTest.cpp.

#include <stochvar/model/Dist.h>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace stochvar::testing {

inline constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
inline constexpr double kInf = std::numeric_limits<double>::infinity();
// The smallest relative spacing of doubles, 2^-50 to 14 digits as the library states it.
inline constexpr double kSmall = 8.8817841970012e-16;

using SlotValues = std::vector<std::pair<int, double>>;
using Slots = std::array<double, PARAM_COUNT>;

inline void Enter(CDist& dist, const SlotValues& values) {
    for (const auto& [nParam, dValue] : values) {
        dist.SetParamValue(nParam, dValue);
    }
}

inline Slots Snapshot(const CDist& dist) {
    Slots slots{};
    for (int nParam = 0; nParam < PARAM_COUNT; ++nParam) {
        slots[static_cast<std::size_t>(nParam)] = dist.GetParamValue(nParam);
    }
    return slots;
}

// Bit-for-bit equality of all sixteen slots (NaN equals NaN here).
inline void ExpectSlotsUnchanged(const Slots& before, const CDist& dist) {
    const Slots now = Snapshot(dist);
    for (std::size_t i = 0; i < now.size(); ++i) {
        EXPECT_EQ(std::memcmp(&before[i], &now[i], sizeof(double)), 0)
            << "slot " << kParamKeywords[i] << " was " << before[i] << ", is " << now[i];
    }
}

// An error (pszError), else a warning (pszWarning), else a clean status.
inline void ExpectStatus(CDistStatus status, const char* pszError, const char* pszWarning = "") {
    EXPECT_STREQ(status.m_strMessage.GetString(), *pszError ? pszError : pszWarning);
    EXPECT_EQ(status.m_bError != 0, *pszError != '\0');
    EXPECT_EQ(status.m_bWarning != 0, *pszWarning != '\0');
    EXPECT_EQ(status.IsOk() != 0, *pszError == '\0');
}

// Within tolerance times max(1, |expected|); infinities and NaN exactly.
inline void ExpectClose(double actual, double expected, double tolerance) {
    if (std::isnan(expected) || std::isinf(expected)) {
        EXPECT_TRUE(std::isnan(expected) ? std::isnan(actual) : actual == expected) << actual;
    } else {
        EXPECT_NEAR(actual, expected, tolerance * std::max(1.0, std::fabs(expected)));
    }
}

inline double Above(double x) { return std::nextafter(x, kInf); }
inline double Below(double x) { return std::nextafter(x, -kInf); }

// How closely a family's cumulative function agrees with the other functions.
struct STolerance {
    double roundTrip; // |GetCumulative(GetInverse(p)) - p|; quantile rows: relative above 1
    double cdf;       // |GetCumulative(x) - its integral or closed form|, absolute
    // Under accurate numerics, relative: |GetCumulative(GetInverse(p)) / p - 1| and the same of
    // the survival function and its inverse, down to p = 1e-300.
    double accurateRoundTrip = 1e-13;
};

// A check (CheckCombination) or conversion (CalcBasePar) of values entered on a fresh variable
// and its error ("": clean). Checks and refusals leave every slot as it was.
struct SStatusRow {
    bool bConversion;
    int nParamCombi;
    SlotValues values;
    const char* pszError;
};

struct SPoint {
    double x, density, cumulative;
}; // NaN: not checked
struct SQuantile {
    double p, x;
};

// The identities a variable goes through: none, GetCumulative(GetInverse(p)) = p, or also those
// of its density (integral, moments, the cumulative function as its integral).
enum EIdentities { kNone, kInverse, kQuadrature };

// Values entered on a fresh variable and converted with nParamCombi (-1: not converted), the
// slots expected afterwards, points of the variable's functions, and the conversion's warning or
// its error where a refusal still writes slots.
struct SVariableRow {
    int nParamCombi;
    SlotValues values;
    SlotValues slots;
    EIdentities identities = kQuadrature;
    const char* pszWarning = "";
    std::vector<SPoint> points = {};
    std::vector<SQuantile> quantiles = {};
    const char* pszError = "";
    double slotTolerance = 1e-14; // relative, absolute below 1
};

// Values entered on a fresh variable with the axis preset to [-7, 7], and the automatic axis;
// or, with bNew, the axis of a new variable before the rule runs.
struct SAxisRow {
    SlotValues values;
    double axisMin, axisMax;
    bool bNew = false;
};

// Values entered on a fresh variable and converted with nParamCombi, a point far out in a tail and
// the logarithms of the cumulative and of the survival function there in closed form (NaN: not
// checked), under accurate numerics.
struct STailRow {
    int nParamCombi;
    SlotValues values;
    double x;
    double logCumulative;
    double logSurvival;
};

struct SFamilyRows {
    std::string name;
    CDist* (*create)();
    std::vector<const char*> labels; // per input type
    STolerance tolerance;
    std::vector<int> breakSlots; // slots holding points where the density jumps or has a kink
    std::vector<SStatusRow> statuses;
    std::vector<SVariableRow> variables; // the first, if any: the fresh variable's defaults
    std::vector<SAxisRow> axes;
    std::vector<STailRow> tails = {};
};

const std::vector<SFamilyRows>& FamilyTable();

inline void PrintTo(const SFamilyRows& rows, std::ostream* os) { *os << rows.name; }

} // namespace stochvar::testing
