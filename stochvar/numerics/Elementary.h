#pragma once

// Small helpers of the special functions and two elementary functions that stay accurate near 0.

#include <cmath>

namespace stochvar {

// abs(a) if b > 0, else -abs(a) (so -abs(a) also for b = 0). fabs clears the sign bit of a
// negative zero too, which a comparison with 0 would not.
inline double dSign(double a, double b) {
    const double dAbs = std::fabs(a);
    return b > 0.0 ? dAbs : -dAbs;
}

// b if a <= b, else a (a NaN in a wins, a NaN in b loses).
inline double dMax(double a, double b) { return a <= b ? b : a; }

// a if a < b, else b (a NaN in a loses, a NaN in b wins).
inline double dMin(double a, double b) { return a < b ? a : b; }

// ln(1 + x), accurate near 0 (Chebyshev series for |x| <= 0.375). Reports x <= -1 and goes on
// with the logarithm of the non-positive number.
double dLnRel(double x);

// (e^x - 1) / x, accurate near 0 (truncated Taylor series for |x| <= 0.5, 1 for |x| <= eps).
// Enters error-recovery mode 1 around the direct formula.
double dExpRl(double x);

namespace detail {

// x truncated toward zero as an int. Values beyond the int range saturate and NaN gives 0: the
// series lengths and scale counts that use it are only that large for meaningless arguments.
int TruncToInt(double x);

} // namespace detail

} // namespace stochvar
