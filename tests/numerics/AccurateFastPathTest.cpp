// The accurate standard normal functions against the way they were first computed, bit for bit.
// Their formulas take exp only into small corrections and now decide most roundings with a
// quick exp; the previous code (kept here as it stood) always called std::exp. Dense grids, the
// tails down to the subnormal numbers, the boundaries of the formulas' regions, the draws of the
// generator and random bit patterns all give the same bits.

#include <stochvar/numerics/AccurateStdNormal.h>
#include <stochvar/numerics/ExOr.h>
#include <stochvar/numerics/StdNormal.h>

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <vector>

namespace stochvar {
namespace {

double ReferenceCdf(double x);

// ---- The reference: the accurate functions as first written. ----

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

double Polynomial(const double (&c)[kTerms], double x) {
    double sum = c[kTerms - 1];
    for (int i = kTerms - 2; i >= 0; --i) {
        sum = sum * x + c[i];
    }
    return sum;
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

SHalfSqrt2Scaled ScaledBySqrtHalf(double x) {
    const double t = x * kInvSqrt2;
    return {t, std::fma(x, kInvSqrt2, -t) + x * kInvSqrt2Low};
}

// 2/sqrt(pi) exp(-t^2) d: what erf gains and erfc loses between t and t + d (d tiny).
double SlopeTimesRest(const SHalfSqrt2Scaled& a) {
    return kTwoOverSqrtPi * std::exp(-a.t * a.t) * a.d;
}

double StdNormalDensity(double z) {
    return kInvSqrt2Pi * std::exp(-0.5 * z * z);
}

// One Newton step on Phi(z) = q for a lower-tail z, q < 1/4: the rational approximations are
// good to about 1e-16 in relative terms, Phi to a few ulps, and on its way back to z the error of
// Phi shrinks by z Phi / phi, which is below 1 there. Where q is subnormal Phi has too few
// significant bits for that, and z is kept.
double RefineLowerTail(double z, double q) {
    if (q < DBL_MIN) {
        return z;
    }
    return z - (ReferenceCdf(z) - q) / StdNormalDensity(z);
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
    const double halfErf = 0.5 * (std::erf(a.t) + SlopeTimesRest(a));
    return z - (halfErf - h) / StdNormalDensity(z);
}

double ReferenceCdf(double x) {
    if (std::fabs(x) >= detail::StdNormalCutOff()) {
        return x < 0.0 ? 0.0 : 1.0;
    }
    const SHalfSqrt2Scaled a = ScaledBySqrtHalf(-x);
    return 0.5 * (std::erfc(a.t) - SlopeTimesRest(a));
}

double ReferenceInverse(double p) {
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

// ---- The comparison. ----

#ifdef STOCHVAR_SANITIZED_BUILD
constexpr int kScale = 10;
#else
constexpr int kScale = 1;
#endif

bool SameBits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

// Points of [low, high], evenly or evenly in their logarithms, and all their mirror images.
std::vector<double> Grid(double low, double high, bool bLog, int n) {
    std::vector<double> points;
    for (int i = 0; i <= n; ++i) {
        const double f = static_cast<double>(i) / n;
        const double x = bLog ? std::exp(std::log(low) + f * (std::log(high) - std::log(low)))
                              : low + f * (high - low);
        points.push_back(x);
        points.push_back(-x);
    }
    return points;
}

TEST(AccurateStdNormalFastPaths, CdfGivesTheBitsOfTheReference) {
    std::vector<double> xs = Grid(0.0, 40.0, false, 1000000 / kScale);
    for (double x : Grid(1e-320, 352.7, true, 400000 / kScale))
        xs.push_back(x);
    CExOr generator(3u, 1u, 4u);
    for (int i = 0; i < 400000 / kScale; ++i) { // random significands at random exponents
        const auto nExponent = static_cast<std::uint64_t>(900 + generator.GetRandom() * 140);
        const auto nBits = (static_cast<std::uint64_t>(generator.GetRandom() * 0x1p32) << 20) ^
                           static_cast<std::uint64_t>(generator.GetRandom() * 0x1p52);
        xs.push_back(std::bit_cast<double>(nExponent << 52 | (nBits & 0xFFFFFFFFFFFFFULL)));
        xs.push_back(-xs.back());
    }
    for (double x : {0.0, -0.0, DBL_MIN, -DBL_MIN, 37.4, -37.4, 37.5, -37.5, 352.65366459402605,
                     -352.65366459402605, std::numeric_limits<double>::quiet_NaN()}) {
        xs.push_back(x);
    }
    for (double x : xs) {
        ASSERT_TRUE(SameBits(AccurateStdNormalCdf(x), ReferenceCdf(x))) << x;
    }
}

TEST(AccurateStdNormalFastPaths, InverseGivesTheBitsOfTheReference) {
    std::vector<double> ps;
    for (int i = 1; i < 2000000 / kScale; ++i)
        ps.push_back(i / (2000000.0 / kScale));
    for (double q : Grid(4.9e-324, 0.5, true, 400000 / kScale)) {
        if (q > 0.0) {
            ps.push_back(q);
            ps.push_back(1.0 - q);
        }
    }
    CExOr generator(2u, 7u, 1u);
    for (int i = 0; i < 1000000 / kScale; ++i)
        ps.push_back(generator.GetRandom());
    for (double edge : {0.25, 0.075, 0.5 - 0.425, 0.5 + 0.425, DBL_MIN, 0.5, 1e-300}) {
        double below = edge, above = edge;
        for (int k = 0; k < 64;
             ++k, below = std::nextafter(below, 0.0), above = std::nextafter(above, 1.0)) {
            ps.push_back(below);
            ps.push_back(above);
            ps.push_back(1.0 - below);
        }
    }
    for (double p : ps) {
        ASSERT_TRUE(SameBits(AccurateStdNormalInverse(p), ReferenceInverse(p))) << p;
    }
}

} // namespace
} // namespace stochvar
