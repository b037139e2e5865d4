#pragma once

// A number carried as the unevaluated sum hi + lo of two doubles, |lo| at most half an ulp of hi:
// the exact sum, difference or product of two doubles, or a quotient to about 2^-104 of itself.
//
// The tails of the distribution functions take their arguments this way. There exp(-t) has the
// relative condition t and Phi(z) about z^2: rounding t or z to a double would alone cost a
// relative error of 1e-13 at values near 1e-300 (t near 690, z near -37). With the argument
// exact to 2^-104, one call of the library function and a first-order correction by lo leave
// that function's own rounding.
//
// Plain double operations and std::fma, which is correctly rounded wherever it runs (in hardware
// or in software), so the results are the same on every build of a platform. Where a result is
// infinite (or NaN), lo is 0 and hi carries it.

#include <cmath>

namespace stochvar {

struct SDoubleDouble {
    double hi;
    double lo;
};

// hi alone where it is not finite: the error terms of infinities are NaN.
inline SDoubleDouble NotFinite(double hi) { return {hi, 0.0}; }

// a + b exactly (Knuth's two-sum).
inline SDoubleDouble ExactSum(double a, double b) {
    const double s = a + b;
    if (!std::isfinite(s)) {
        return NotFinite(s);
    }
    const double bPart = s - a;
    return {s, (a - (s - bPart)) + (b - bPart)};
}

// a * b exactly, unless it overflows or underflows.
inline SDoubleDouble ExactProduct(double a, double b) {
    const double p = a * b;
    if (!std::isfinite(p)) {
        return NotFinite(p);
    }
    return {p, std::fma(a, b, -p)};
}

// hi + lo renormalised, for |lo| well below |hi| (Dekker's fast two-sum).
inline SDoubleDouble Renormalised(double hi, double lo) {
    const double s = hi + lo;
    if (!std::isfinite(s)) {
        return NotFinite(s);
    }
    return {s, lo - (s - hi)};
}

inline SDoubleDouble Negated(SDoubleDouble x) { return {-x.hi, -x.lo}; }

// x + b to about 2^-104.
inline SDoubleDouble Plus(SDoubleDouble x, double b) {
    const SDoubleDouble s = ExactSum(x.hi, b);
    return Renormalised(s.hi, s.lo + x.lo);
}

// x * b to about 2^-104.
inline SDoubleDouble Times(SDoubleDouble x, double b) {
    const SDoubleDouble p = ExactProduct(x.hi, b);
    return Renormalised(p.hi, p.lo + x.lo * b);
}

// x / b to about 2^-104: the remainder of the rounded quotient is exact with fma.
inline SDoubleDouble Quotient(SDoubleDouble x, double b) {
    const double q = x.hi / b;
    if (!std::isfinite(q)) {
        return NotFinite(q);
    }
    const double r = std::fma(-q, b, x.hi) + x.lo;
    return Renormalised(q, r / b);
}

inline SDoubleDouble Square(SDoubleDouble x) {
    const SDoubleDouble p = ExactProduct(x.hi, x.hi);
    return Renormalised(p.hi, p.lo + 2.0 * x.hi * x.lo);
}

// exp(x) within the rounding of exp(x.hi): exp(hi + lo) = exp(hi) (1 + lo) up to lo^2.
inline double Exp(SDoubleDouble x) {
    const double e = std::exp(x.hi);
    return e + e * x.lo;
}

// 1 - exp(-x) for x >= 0 within the rounding of expm1(-x.hi).
inline double OneMinusExpOfMinus(SDoubleDouble x) {
    return -std::expm1(-x.hi) + std::exp(-x.hi) * x.lo;
}

// ln(a) for a > 0 to about 2^-53 in absolute terms. Beyond |ln a| = 1 the logarithm's own
// rounding grows with |ln a|; one Newton step on exp(y) = a, whose residual a exp(-y) - 1 fma
// forms with one rounding, brings it back to that of exp(-y).
inline SDoubleDouble LogOf(double a) {
    const double y = std::log(a);
    const double eMinusY = std::exp(-y);
    if (!(std::fabs(y) > 1.0) || !std::isfinite(eMinusY)) {
        return {y, 0.0};
    }
    return Renormalised(y, std::fma(a, eMinusY, -1.0));
}

} // namespace stochvar
