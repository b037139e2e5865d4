// The accurate standard normal functions against the way they were first computed, bit for bit.
// Their formulas take exp only into small corrections and now decide most roundings with a quick
// exp; the previous code, kept here as it stood (comments aside), always called std::exp. Dense
// grids, the tails down to the subnormal numbers, the boundaries of the formulas' regions, the
// generator's draws and random bit patterns all give the same bits.

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
namespace reference {

constexpr double kInvSqrt2 = std::numbers::sqrt2 / 2.0, kInvSqrt2Low = -4.833646656726457e-17;
constexpr double kTwoOverSqrtPi = 2.0 * std::numbers::inv_sqrtpi;
constexpr double kInvSqrt2Pi = 0.3989422804014327;
// Wichura's AS 241 (PPND16), constant terms first.
constexpr double kA[8] = {
    3.3871328727963666080E0,  1.3314166789178437745E+2, 1.9715909503065514427E+3,
    1.3731693765509461125E+4, 4.5921953931549871457E+4, 6.7265770927008700853E+4,
    3.3430575583588128105E+4, 2.5090809287301226727E+3,
};
constexpr double kB[8] = {
    1.0000000000000000000E0,  4.2313330701600911252E+1, 6.8718700749205790830E+2,
    5.3941960214247511077E+3, 2.1213794301586595867E+4, 3.9307895800092710610E+4,
    2.8729085735721942674E+4, 5.2264952788528545610E+3,
};
constexpr double kC[8] = {
    1.42343711074968357734E0,  4.63033784615654529590E0,  5.76949722146069140550E0,
    3.64784832476320460504E0,  1.27045825245236838258E0,  2.41780725177450611770E-1,
    2.27238449892691845833E-2, 7.74545014278341407640E-4,
};
constexpr double kD[8] = {
    1.0000000000000000000E0,   2.05319162663775882187E0,  1.67638483018380384940E0,
    6.89767334985100004550E-1, 1.48103976427480074590E-1, 1.51986665636164571966E-2,
    5.47593808499534494600E-4, 1.05075007164441684324E-9,
};
constexpr double kE[8] = {
    6.65790464350110377720E0,  5.46378491116411436990E0,  1.78482653991729133580E0,
    2.96560571828504891230E-1, 2.65321895265761230930E-2, 1.24266094738807843860E-3,
    2.71155556874348757815E-5, 2.01033439929228813265E-7,
};
constexpr double kF[8] = {
    1.0000000000000000000E0,   5.99832206555887937690E-1,  1.36929880922735805310E-1,
    1.48753612908506148525E-2, 7.86869131145613259100E-4,  1.84631831751005468180E-5,
    1.42151175831644588870E-7, 2.04426310338993978564E-15,
};

double Ratio(const double (&n)[8], const double (&d)[8], double x) {
    double num = n[7], den = d[7];
    for (int i = 6; i >= 0; --i)
        num = num * x + n[i];
    for (int i = 6; i >= 0; --i)
        den = den * x + d[i];
    return num / den;
}
struct SScaled {
    double t, d;
};
SScaled ScaledBySqrtHalf(double x) {
    const double t = x * kInvSqrt2;
    return {t, std::fma(x, kInvSqrt2, -t) + x * kInvSqrt2Low};
}
double SlopeTimesRest(const SScaled& a) { return kTwoOverSqrtPi * std::exp(-a.t * a.t) * a.d; }
double Density(double z) { return kInvSqrt2Pi * std::exp(-0.5 * z * z); }

double Cdf(double x) {
    if (std::fabs(x) >= detail::StdNormalCutOff())
        return x < 0.0 ? 0.0 : 1.0;
    const SScaled a = ScaledBySqrtHalf(-x);
    return 0.5 * (std::erfc(a.t) - SlopeTimesRest(a));
}
double RefineLowerTail(double z, double q) {
    return q < DBL_MIN ? z : z - (Cdf(z) - q) / Density(z);
}
double LowerInverse(double q) {
    const double h = q - 0.5;
    if (h >= -0.425)
        return RefineLowerTail(h * Ratio(kA, kB, 0.180625 - h * h), q);
    const double r = std::sqrt(-std::log(q));
    return RefineLowerTail(-(r <= 5.0 ? Ratio(kC, kD, r - 1.6) : Ratio(kE, kF, r - 5.0)), q);
}
double Inverse(double p) {
    if (!(p > 0.0))
        return STDNORMAL_MINUS_INFINITY;
    if (p >= 1.0)
        return STDNORMAL_PLUS_INFINITY;
    const double h = p - 0.5;
    if (std::fabs(h) > 0.25)
        return h < 0.0 ? LowerInverse(p) : -LowerInverse(1.0 - p);
    const double z = h * Ratio(kA, kB, 0.180625 - h * h);
    const SScaled a = ScaledBySqrtHalf(z);
    const double halfErf = 0.5 * (std::erf(a.t) + SlopeTimesRest(a));
    return z - (halfErf - h) / Density(z);
}

} // namespace reference

namespace {

#ifdef STOCHVAR_SANITIZED_BUILD
constexpr int kPoints = 50000;
#else
constexpr int kPoints = 500000;
#endif

// Points of (low, high], evenly or evenly in their logarithms.
void AddGrid(std::vector<double>& points, double low, double high, bool bLog, int n) {
    for (int i = 1; i <= n; ++i) {
        const double f = static_cast<double>(i) / n;
        points.push_back(bLog ? std::exp(std::log(low) + f * (std::log(high) - std::log(low)))
                              : low + f * (high - low));
    }
}

TEST(AccurateStdNormalFastPaths, GiveTheBitsOfTheReference) {
    std::vector<double> xs, ps;
    AddGrid(xs, 0.0, 40.0, false, kPoints);
    AddGrid(xs, 1e-320, 352.7, true, kPoints / 2);
    CExOr generator(3u, 1u, 4u);
    for (int i = 0; i < kPoints / 2; ++i) { // random significands at exponents from 2^-123 up
        const auto nBits = static_cast<std::uint64_t>(generator.GetRandom() * 0x1p52) |
                           static_cast<std::uint64_t>(900 + generator.GetRandom() * 140) << 52;
        xs.push_back(std::bit_cast<double>(nBits));
    }
    for (double x : {0.0, DBL_MIN, 37.4, 37.5, 352.65366459402605, std::nan("")})
        xs.push_back(x);
    for (std::size_t i = 0, n = xs.size(); i < n; ++i)
        xs.push_back(-xs[i]);

    AddGrid(ps, 0.0, 1.0, false, 2 * kPoints);
    AddGrid(ps, 4.9e-324, 0.5, true, kPoints / 2);
    for (int i = 0; i < kPoints; ++i)
        ps.push_back(generator.GetRandom());
    for (double edge : {0.25, 0.075, 0.5, 1e-300, DBL_MIN}) { // 64 doubles each way
        double below = edge, above = edge;
        for (int k = 0; k < 64; ++k) {
            below = std::nextafter(below, 0.0), above = std::nextafter(above, 1.0);
            ps.insert(ps.end(), {below, above});
        }
    }
    for (std::size_t i = 0, n = ps.size(); i < n; ++i)
        ps.push_back(1.0 - ps[i]);

    const auto Bits = [](double v) { return std::bit_cast<std::uint64_t>(v); };
    for (double x : xs)
        ASSERT_EQ(Bits(AccurateStdNormalCdf(x)), Bits(reference::Cdf(x))) << x;
    for (double p : ps) {
        ASSERT_EQ(Bits(AccurateStdNormalInverse(p)), Bits(reference::Inverse(p))) << p;
    }
}

} // namespace
} // namespace stochvar
