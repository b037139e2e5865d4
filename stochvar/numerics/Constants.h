#pragma once

// Mathematical constants of the numerical routines and the families, defined once. Where
// std::numbers has the constant, the value is derived from it; the assertions pin every value to
// the decimal digits the formulas were written with, so that no edit here moves a result by a bit.

#include <numbers>

namespace stochvar::constants {

inline constexpr double kPi = std::numbers::pi;
inline constexpr double kTwoPi = 2.0 * std::numbers::pi;
inline constexpr double kHalfPi = std::numbers::pi / 2.0;
inline constexpr double kTwoOverPi = 2.0 / std::numbers::pi;
inline constexpr double kTwoMinusHalfPi = 2.0 - kHalfPi;
inline constexpr double kEulerGamma = std::numbers::egamma;
// Not in std::numbers: ln(sqrt(2 pi)) and ln(sqrt(pi / 2)), each the double nearest to the true
// value (forming them with std::log at run time gives the double one below).
inline constexpr double kLnSqrt2Pi = 0.9189385332046728;
inline constexpr double kLnSqrtPiOver2 = 0.22579135264472744;

static_assert(kPi == 3.141592653589793);
static_assert(kTwoPi == 6.283185307179586);
static_assert(kHalfPi == 1.5707963267948966);
static_assert(kTwoOverPi == 0.6366197723675814);
static_assert(kTwoMinusHalfPi == 0.42920367320510344);
static_assert(kEulerGamma == 0.5772156649015329);

} // namespace stochvar::constants
