#include <stochvar/numerics/AccurateStdNormal.h>

#include <stochvar/numerics/StdNormal.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <utility>

namespace stochvar {

namespace {

// 1 / sqrt 2 as the nearest double and the rest of it, so that x / sqrt 2 is known to about
// twice the precision of a double.
constexpr double kInvSqrt2 = std::numbers::sqrt2 / 2.0;
constexpr double kInvSqrt2Low = -4.833646656726457e-17;
constexpr double kTwoOverSqrtPi = 2.0 * std::numbers::inv_sqrtpi;
// The double nearest to 1 / sqrt(2 pi).
constexpr double kInvSqrt2Pi = 0.3989422804014327;

// Wichura, M. J. (1988), Algorithm AS 241: The percentage points of the normal distribution,
// Applied Statistics 37(3), 477-484: the coefficients of PPND16 as published, constant term
// first. Central region |p - 1/2| <= 0.425: x = q A(r) / B(r) with q = p - 1/2,
// r = 0.180625 - q^2. Tails, with r = sqrt(-ln(min(p, 1 - p))): C / D at r - 1.6 for r <= 5,
// E / F at r - 5 beyond.
constexpr int kTerms = 8;
constexpr double kA[kTerms] = {
    3.3871328727963666080E0,  1.3314166789178437745E+2, 1.9715909503065514427E+3,
    1.3731693765509461125E+4, 4.5921953931549871457E+4, 6.7265770927008700853E+4,
    3.3430575583588128105E+4, 2.5090809287301226727E+3,
};
constexpr double kB[kTerms] = {
    1.0,
    4.2313330701600911252E+1,
    6.8718700749205790830E+2,
    5.3941960214247511077E+3,
    2.1213794301586595867E+4,
    3.9307895800092710610E+4,
    2.8729085735721942674E+4,
    5.2264952788528545610E+3,
};
constexpr double kC[kTerms] = {
    1.42343711074968357734E0,  4.63033784615654529590E0,  5.76949722146069140550E0,
    3.64784832476320460504E0,  1.27045825245236838258E0,  2.41780725177450611770E-1,
    2.27238449892691845833E-2, 7.74545014278341407640E-4,
};
constexpr double kD[kTerms] = {
    1.0,
    2.05319162663775882187E0,
    1.67638483018380384940E0,
    6.89767334985100004550E-1,
    1.48103976427480074590E-1,
    1.51986665636164571966E-2,
    5.47593808499534494600E-4,
    1.05075007164441684324E-9,
};
constexpr double kE[kTerms] = {
    6.65790464350110377720E0,  5.46378491116411436990E0,  1.78482653991729133580E0,
    2.96560571828504891230E-1, 2.65321895265761230930E-2, 1.24266094738807843860E-3,
    2.71155556874348757815E-5, 2.01033439929228813265E-7,
};
constexpr double kF[kTerms] = {
    1.0,
    5.99832206555887937690E-1,
    1.36929880922735805310E-1,
    1.48753612908506148525E-2,
    7.86869131145613259100E-4,
    1.84631831751005468180E-5,
    1.42151175831644588870E-7,
    2.04426310338993978564E-15,
};
constexpr double kCentralSplit = 0.425;
constexpr double kCentralR = 0.180625; // kCentralSplit^2
constexpr double kTailSplit = 5.0;
constexpr double kNearTailShift = 1.6;
// Within |p - 1/2| <= 1/4, p - 1/2 is exact.
constexpr double kExactHalfDistance = 0.25;

// Horner's scheme from the highest coefficient down, written out so that no loop control runs
// between the multiply-adds (a loop of eight costs as much as its arithmetic).
template <std::size_t... I>
double Horner(const double (&c)[kTerms], double x, std::index_sequence<I...>) {
    double sum = c[kTerms - 1];
    ((sum = sum * x + c[kTerms - 2 - I]), ...);
    return sum;
}

double Polynomial(const double (&c)[kTerms], double x) {
    return Horner(c, x, std::make_index_sequence<kTerms - 1>{});
}

double Ratio(const double (&numerator)[kTerms], const double (&denominator)[kTerms], double x) {
    return Polynomial(numerator, x) / Polynomial(denominator, x);
}

// x / sqrt 2 as the rounded t and the rest d (the exact value is t + d, to about 2^-105 of it).
// Rounding alone would cost erfc(t) a relative error of up to x^2 / 2 ulps in the lower tail.
struct SHalfSqrt2Scaled {
    double t;
    double d;
};

// Dekker's split of a double into a high part of 26 significant bits and the rest, which fits
// into 26 bits as well: the products of such halves are exact.
constexpr double kSplitter = 134217729.0; // 2^27 + 1
constexpr double HighHalf(double v) {
    const double c = kSplitter * v;
    return c - (c - v);
}
constexpr double kInvSqrt2High = HighHalf(kInvSqrt2);
constexpr double kInvSqrt2Tail = kInvSqrt2 - kInvSqrt2High;

// x * kInvSqrt2 - t exactly, for t the rounded product: Dekker's two-product, the value that
// std::fma gives, without its library call (the default build does not assume the processor's
// fma instruction). Exact for every |x| below 2^996 whose partial products do not fall below the
// normal doubles; where they do (|x| < 2^-940), the rest is far below any ulp that it touches.
double ProductError(double x, double t) {
    const double xHigh = HighHalf(x);
    const double xTail = x - xHigh;
    return ((xHigh * kInvSqrt2High - t) + xHigh * kInvSqrt2Tail + xTail * kInvSqrt2High) +
           xTail * kInvSqrt2Tail;
}

SHalfSqrt2Scaled ScaledBySqrtHalf(double x) {
    const double t = x * kInvSqrt2;
    return {t, ProductError(x, t) + x * kInvSqrt2Low};
}

// 2/sqrt(pi) exp(-t^2) d: what erf gains and erfc loses between t and t + d (d tiny).
double SlopeTimesRest(const SHalfSqrt2Scaled& a) {
    return kTwoOverSqrtPi * std::exp(-a.t * a.t) * a.d;
}

double StdNormalDensity(double z) { return kInvSqrt2Pi * std::exp(-0.5 * z * z); }

// The exps of the formulas only ever scale corrections: the rest d beside erf or erfc, and the
// Newton step beside z. Such a correction moves its sum by an ulp or a few, and the sum's
// rounding needs the correction only as far as to know on which side of a rounding boundary it
// lands. So each formula is evaluated first with a quick exp good to 2e-7 (relative), at both
// ends of that error: where both ends round alike, the result is the one the exact exp gives, as
// rounding is monotonic; where they differ, the formula is evaluated with std::exp as it stands.
// That happens for about one value in 100,000 over the range of the generator's draws, more
// often in the far tails, where a correction spans hundreds of ulps. One quick exp serves both
// exps of a Newton step.
//
// exp(-a) for 0 <= a <= kQuickExpLimit: 2^-(a log2 e) = 2^-n 2^-(j / 16) exp(-g ln 2 / 16) with
// n, j whole and 0 <= g < 1, the last by its Taylor series to the cube (error below
// (ln 2 / 16)^4 / 24 = 1.5e-7).
constexpr double kQuickExpLimit = 700.0;
// The relative error of everything computed from QuickExp, with room to spare.
constexpr double kQuickExpError = 0x1p-18;
constexpr double kSixteenthsPerE = 16.0 * std::numbers::log2e;
constexpr double kLn2Sixteenth = std::numbers::ln2 / 16.0;
// 2^(-j / 16), j = 0 .. 15.
constexpr double kSixteenthPowers[16] = {
    1.0,
    0.95760328069857365,
    0.91700404320467122,
    0.87812608018664974,
    0.84089641525371450,
    0.80524516597462715,
    0.77110541270397042,
    0.73841307296974967,
    0.70710678118654757,
    0.67712777346844632,
    0.64841977732550482,
    0.62092890603674203,
    0.59460355750136051,
    0.56939431737834578,
    0.54525386633262884,
    0.52213689121370688,
};

[[gnu::always_inline]] inline double QuickExp(double a) {
    const double y = a * kSixteenthsPerE;
    const int m = static_cast<int>(y);
    const double x = (y - m) * kLn2Sixteenth;
    const double series = 1.0 - x * (1.0 - x * (0.5 - x * (1.0 / 6.0)));
    const auto nBiased = static_cast<std::uint64_t>(1023 - (m >> 4));
    return kSixteenthPowers[m & 15] * series * std::bit_cast<double>(nBiased << 52);
}

// The two roundings of f(c) for c at both ends of [c - e, c + e], e = |c| kQuickExpError: f is
// monotonic, so where they agree, f of any c in between rounds to them as well.
template <class Rounding>
bool RoundsAlike(double c, const Rounding& f, double& result) {
    const double e = std::fabs(c) * kQuickExpError;
    result = f(c - e);
    return result == f(c + e);
}

// z - D / density(z), rounded as the formulas round it, with the density from QuickExp(a) for
// a = z^2 / 2 (to a few ulps); bDecided false where QuickExp leaves the rounding open.
double Stepped(double z, double D, double quickExp, bool& bDecided) {
    double result = 0.0;
    bDecided = RoundsAlike(
        D / (kInvSqrt2Pi * quickExp), [&](double c) { return z - c; }, result);
    return result;
}

// Phi(x) = erfc(-x / sqrt 2) / 2, and in *pQuickExp QuickExp of x^2 / 2 where it was computed
// (else -1), for a Newton step to reuse.
[[gnu::always_inline]] inline double Cdf(double x, double* pQuickExp) {
    *pQuickExp = -1.0;
    if (std::fabs(x) >= detail::StdNormalCutOff()) {
        return x < 0.0 ? 0.0 : 1.0;
    }
    const SHalfSqrt2Scaled a = ScaledBySqrtHalf(-x);
    const double E = std::erfc(a.t);
    const double tt = a.t * a.t;
    if (tt <= kQuickExpLimit) { // also false for NaN
        *pQuickExp = QuickExp(tt);
        double difference = 0.0;
        if (RoundsAlike(
                kTwoOverSqrtPi * *pQuickExp * a.d, [&](double s) { return E - s; }, difference)) {
            return 0.5 * difference;
        }
    }
    return 0.5 * (E - SlopeTimesRest(a));
}

// One Newton step on Phi(z) = q for a lower-tail z, q < 1/4: the rational approximations are
// good to about 1e-16 in relative terms, Phi to a few ulps, and on its way back to z the error of
// Phi shrinks by z Phi / phi, which is below 1 there. Where q is subnormal Phi has too few
// significant bits for that, and z is kept.
double RefineLowerTail(double z, double q) {
    if (q < DBL_MIN) {
        return z;
    }
    double quickExp = -1.0;
    const double D = Cdf(z, &quickExp) - q;
    bool bDecided = false;
    if (quickExp >= 0.0) {
        const double zStepped = Stepped(z, D, quickExp, bDecided);
        if (bDecided) {
            return zStepped;
        }
    }
    return z - D / StdNormalDensity(z);
}

// Phi^-1(q) for q < 1/4 and 1 - q, the mirror image of an upper-tail p, exact.
double LowerInverse(double q) {
    if (q - 0.5 >= -kCentralSplit) {
        const double h = q - 0.5;
        return RefineLowerTail(h * Ratio(kA, kB, kCentralR - h * h), q);
    }
    const double r = std::sqrt(-std::log(q));
    const double z =
        r <= kTailSplit ? Ratio(kC, kD, r - kNearTailShift) : Ratio(kE, kF, r - kTailSplit);
    return RefineLowerTail(-z, q);
}

// Phi^-1(1/2 + h) for |h| <= 1/4. A Newton step on Phi(z) - p would cancel to an error of an
// ulp of 1/2 and cost small z their relative accuracy; the step solves erf(z / sqrt 2) / 2 = h
// instead, in which h is exact and erf is good to an ulp of its own small value.
double CentralInverse(double h) {
    const double z = h * Ratio(kA, kB, kCentralR - h * h);
    const SHalfSqrt2Scaled a = ScaledBySqrtHalf(z);
    const double E = std::erf(a.t);
    const double quickExp = QuickExp(a.t * a.t); // |z| < 0.7: always within its range
    double sum = 0.0;
    if (RoundsAlike(
            kTwoOverSqrtPi * quickExp * a.d, [&](double s) { return E + s; }, sum)) {
        bool bDecided = false;
        const double zStepped = Stepped(z, 0.5 * sum - h, quickExp, bDecided);
        if (bDecided) {
            return zStepped;
        }
    }
    const double halfErf = 0.5 * (E + SlopeTimesRest(a));
    return z - (halfErf - h) / StdNormalDensity(z);
}

} // namespace

double AccurateStdNormalCdf(double x) {
    double quickExp = 0.0;
    return Cdf(x, &quickExp);
}

double AccurateStdNormalInverse(double p) {
    if (!(p > 0.0)) {
        return STDNORMAL_MINUS_INFINITY;
    }
    if (p >= 1.0) {
        return STDNORMAL_PLUS_INFINITY;
    }
    const double h = p - 0.5;
    if (std::fabs(h) <= kExactHalfDistance) {
        return CentralInverse(h);
    }
    // 1 - p is exact for p > 1/2, so the upper half is the mirror image of the lower one.
    return h < 0.0 ? LowerInverse(p) : -LowerInverse(1.0 - p);
}

} // namespace stochvar
