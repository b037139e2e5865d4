#pragma once

// Small helpers for the per-family tests: fresh variables, entering values, slot snapshots and
// status expectations.

#include <stochvar/model/Dist.h>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace stochvar::testing {

inline constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
inline constexpr double kInf = std::numeric_limits<double>::infinity();

using SlotValues = std::vector<std::pair<int, double>>;
using Slots = std::array<double, PARAM_COUNT>;

// A new variable as a host makes it: full constructor without a source.
template <class TFamily>
std::unique_ptr<TFamily> MakeFresh() {
    return std::make_unique<TFamily>(nullptr, "X", nullptr);
}

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
    for (int nParam = 0; nParam < PARAM_COUNT; ++nParam) {
        const double was = before[static_cast<std::size_t>(nParam)];
        const double now = dist.GetParamValue(nParam);
        EXPECT_EQ(std::memcmp(&was, &now, sizeof(double)), 0)
            << "slot " << kParamKeywords[nParam] << " was " << was << ", is " << now;
    }
}

// An expected outcome of a check or conversion: clean, an error or a warning with its text.
struct SExpectedStatus {
    bool bError = false;
    bool bWarning = false;
    const char* pszMessage = "";
};

inline constexpr SExpectedStatus kClean{};
inline SExpectedStatus Error(const char* pszMessage) { return {true, false, pszMessage}; }
inline SExpectedStatus Warning(const char* pszMessage) { return {false, true, pszMessage}; }

inline void ExpectStatus(CDistStatus status, const SExpectedStatus& expected) {
    EXPECT_EQ(status.m_bError != 0, expected.bError) << status.m_strMessage.GetString();
    EXPECT_EQ(status.m_bWarning != 0, expected.bWarning) << status.m_strMessage.GetString();
    EXPECT_STREQ(status.m_strMessage.GetString(), expected.pszMessage);
    EXPECT_EQ(status.IsOk() != 0, !expected.bError);
}

inline std::string Label(CDist& dist, int nParamCombi) {
    CString label;
    CUIntArray ids;
    dist.GetParamsList(nParamCombi, label, &ids);
    return label.GetString();
}

inline std::vector<UINT> Ids(CDist& dist, int nParamCombi) {
    CString label;
    CUIntArray ids;
    dist.GetParamsList(nParamCombi, label, &ids);
    return std::vector<UINT>(ids.begin(), ids.end());
}

inline double Above(double x) { return std::nextafter(x, kInf); }
inline double Below(double x) { return std::nextafter(x, -kInf); }

} // namespace stochvar::testing
