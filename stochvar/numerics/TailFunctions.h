#pragma once

// The standard normal and incomplete beta functions as the accurate numerics evaluate the tails
// of a distribution: arguments carried to twice the precision of a double (DoubleDouble.h), each
// tail computed on its own side, so that a value near 1e-300 keeps the relative accuracy of one
// near 1/2 and a value near 1 is never the complement of a rounded small one.

#include <stochvar/numerics/DoubleDouble.h>

namespace stochvar {

// Phi(z) for z = z.hi + z.lo, within a few ulps wherever AccurateStdNormalCdf is (down to the
// subnormal numbers): Phi(hi + lo) = Phi(hi) + phi(hi) lo up to lo^2.
double StdNormalCdfAt(SDoubleDouble z);

// ln Phi(z), also where Phi(z) underflows: there (z < -37.5) as
// -z^2 / 2 - ln sqrt(2 pi) - ln f, with f = 1 / R(-z) from the continued fraction of Mills'
// ratio R(t) = 1 / (t + 1 / (t + 2 / (t + 3 / (t + ...)))). Where Phi(z) is above 1/2, as
// ln(1 - Phi(-z)) by log1p.
double LogStdNormalCdfAt(SDoubleDouble z);

// Both tails of the standard beta distribution with exponents a, b > 0 at a point y of [0, 1]
// given with its distance y1 = 1 - y to the upper end (each as exact as the caller has it).
struct SBetaTails {
    double dLower; // I_y(a, b)
    double dUpper; // 1 - I_y(a, b) = I_y1(b, a)
};

// The tail on the side of y's mean (a + 1) / (a + b + 2) comes from the continued fraction of
// the incomplete beta function (Numerical Recipes' betacf, by the modified Lentz method) times
// y^a y1^b / B(a, b); the other is its complement. Each tail is thus within a few ulps where
// B(a, b) and the powers are normal doubles; for shapes so large that they are not, the factor
// is formed through logarithms, which costs about |ln of the factor| ulps.
SBetaTails IncompleteBetaTails(double y, double y1, double a, double b);

} // namespace stochvar
