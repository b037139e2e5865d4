#pragma once

// The standard normal functions of the accurate numerics (see Numerics.h), with the conventions
// of the faithful ones: Phi is exactly 0 for x <= -T and exactly 1 for x >= T (T = 352.65..., the
// same cut-off) and NaN for NaN; Phi^-1 is -1000.0 for p <= 0 or NaN and 1000.0 for p >= 1.

namespace stochvar {

// Phi(x) = erfc(-x / sqrt 2) / 2, within a few ulps of the exact value over the whole range,
// the lower tail included (down to the subnormal numbers).
double AccurateStdNormalCdf(double x);

// Phi^-1(p) by Wichura's algorithm AS 241 (PPND16), with one Newton step on
// AccurateStdNormalCdf in the tails; within a few ulps of the exact value for every p in (0, 1).
double AccurateStdNormalInverse(double p);

} // namespace stochvar
