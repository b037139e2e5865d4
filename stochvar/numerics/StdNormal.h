#pragma once

namespace stochvar {

// Selectors of StdNormal.
inline constexpr int STDNORMAL_CDF = 1;
inline constexpr int STDNORMAL_INVERSE = 2;

// The values that stand for minus and plus infinity wherever the inverse saturates.
inline constexpr double STDNORMAL_MINUS_INFINITY = -1000.0;
inline constexpr double STDNORMAL_PLUS_INFINITY = 1000.0;

// Selector 1: the standard normal cumulative function Phi(x) (Abramowitz and Stegun 26.2.17,
// absolute error below 7.5e-8), exactly 0 or 1 beyond the cut-off |x| >= 352.65...
// Selector 2: its inverse Phi^-1(p) (Abramowitz and Stegun 26.2.23, absolute error below
// 4.5e-4), -1000.0 for p <= 0 or NaN and 1000.0 for p >= 1.
// Any other selector gives 0.0.
double StdNormal(int nSelector, double dArg);

} // namespace stochvar
