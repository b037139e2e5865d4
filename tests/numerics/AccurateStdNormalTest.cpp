// The accurate standard normal functions against references computed here in long double, their
// round trip, their saturation rules, and how StdNormal chooses between the two numerics.

#include <stochvar/numerics/AccurateStdNormal.h>
#include <stochvar/numerics/Numerics.h>
#include <stochvar/numerics/StdNormal.h>

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>

using namespace stochvar;

namespace {

// Phi in long double from erfcl, with x / sqrt 2 carried to twice the precision: rounding the
// argument alone would cost up to x^2 / 2 ulps of a long double, 0.7 ulps of a double at x = -38.
long double ReferenceCdf(long double x) {
    const long double c = 0.707106781186547524400844362104849039L;
    const long double cLow = -std::fma(c, c, -0.5L) / (2.0L * c); // 1/sqrt 2 = c + cLow
    const long double t = -x * c;
    const long double d = std::fma(-x, c, -t) + -x * cLow;
    const long double twoOverSqrtPi = 1.128379167095512573896158903121545172L;
    return 0.5L * (std::erfc(t) - twoOverSqrtPi * std::exp(-t * t) * d);
}

// Phi^-1 by bisection in long double to the last bit. Near p = 1/2 it solves erf(z / sqrt 2) / 2 =
// p - 1/2 (exact there), whose relative accuracy carries over to small z; elsewhere it solves
// Phi(z) = q on the tail probability q = min(p, 1 - p), exact in long double.
long double ReferenceInverse(double p) {
    const bool bCentral = std::fabs(p - 0.5) < 0.25;
    const bool bUpper = !bCentral && p > 0.5;
    const long double target = bCentral ? p - 0.5L : bUpper ? 1.0L - p : p;
    long double low = -40.0L, high = 40.0L;
    for (;;) {
        const long double mid = 0.5L * (low + high);
        if (mid == low || mid == high) {
            return mid;
        }
        const long double value = bCentral ? 0.5L * std::erf(mid / std::sqrt(2.0L))
                                  : bUpper ? -ReferenceCdf(-mid) // increasing in mid
                                           : ReferenceCdf(mid);
        (value < (bUpper ? -target : target) ? low : high) = mid;
    }
}

// The error of a double against a reference, in units of the spacing of doubles at the reference
// (the spacing of the subnormals below DBL_MIN).
double Ulps(double value, long double reference) {
    const double rounded = static_cast<double>(reference);
    const double spacing = std::nextafter(std::fabs(rounded), INFINITY) - std::fabs(rounded);
    return static_cast<double>(std::fabs(value - reference) / spacing);
}

// Log-uniform (geometric) or uniform points over [low, high], always the same ones.
template <class Check>
void ForPoints(double low, double high, bool bLogarithmic, int nCount, const Check& check) {
    std::mt19937_64 generator(20240601);
    std::uniform_real_distribution<double> uniform(bLogarithmic ? std::log(low) : low,
                                                   bLogarithmic ? std::log(high) : high);
    for (int i = 0; i < nCount; ++i) {
        const double draw = uniform(generator);
        check(bLogarithmic ? std::exp(draw) : draw);
    }
}

struct SRange {
    double dLow;
    double dHigh;
    bool bLogarithmic;
    double dMaxUlps;
};

// Bounds: the erfc of the C library is documented to 5 ulps on this platform and Phi inherits
// its error (3.94 ulps measured at x = -1.725, at most 2.96 below x = -3). Phi^-1 measured at most
// 1.89 ulps wherever its Newton step runs (p >= DBL_MIN) and 3.87 for subnormal p, where the
// rational approximation stands alone.
TEST(AccurateStdNormal, CdfWithinFiveUlpsDownToTheSubnormals) {
    for (const SRange& range : {SRange{-38.4, -20.0, false, 5.0}, SRange{-20.0, -3.0, false, 5.0},
                                SRange{-3.0, 3.0, false, 5.0}, SRange{3.0, 8.3, false, 5.0}}) {
        ForPoints(range.dLow, range.dHigh, false, 20000, [&](double x) {
            ASSERT_LE(Ulps(AccurateStdNormalCdf(x), ReferenceCdf(x)), range.dMaxUlps) << x;
        });
    }
}

TEST(AccurateStdNormal, InverseWithinAFewUlpsOverTheWholeRange) {
    for (const SRange& range :
         {SRange{4.9e-324, DBL_MIN, true, 4.0}, SRange{DBL_MIN, 1e-10, true, 3.0},
          SRange{1e-10, 0.075, true, 3.0}, SRange{0.075, 0.925, false, 3.0},
          SRange{0.925, 1.0 - DBL_EPSILON / 2.0, false, 3.0}, SRange{1e-16, 1e-4, true, 3.0}}) {
        ForPoints(range.dLow, range.dHigh, range.bLogarithmic, 3000, [&](double p) {
            ASSERT_LE(Ulps(AccurateStdNormalInverse(p), ReferenceInverse(p)), range.dMaxUlps) << p;
            if (p > 0.5) { // the mirror image of the exact 1 - p
                ASSERT_EQ(AccurateStdNormalInverse(p), -AccurateStdNormalInverse(1.0 - p)) << p;
            }
        });
    }
}

// Phi(Phi^-1(p)) = p to 1e-15 relative wherever rounding z to a double allows it: that alone moves
// Phi(z) by up to kappa / 2 ulps, kappa = |z| phi(z) / Phi(z) being the condition number of Phi
// (about z^2 in the lower tail: 10 at p = 1e-3, 1450 at p = 1e-320).
TEST(AccurateStdNormal, CdfOfInverseGivesBackP) {
    const auto check = [](double p) {
        const double z = AccurateStdNormalInverse(p);
        const double kappa =
            std::fabs(z) * std::exp(-0.5 * z * z) / std::sqrt(2.0 * std::numbers::pi) / p;
        const double bound = std::max(1e-15, (kappa + 8.0) * DBL_EPSILON / 2.0);
        ASSERT_LE(std::fabs(AccurateStdNormalCdf(z) - p), bound * p) << p;
    };
    ForPoints(1e-300, 0.5, true, 10000, check);
    ForPoints(0.0, 1.0, false, 10000, check);
}

TEST(AccurateStdNormal, SaturationAndNotANumberAsInTheFaithfulFunctions) {
    const double kNaN = std::numeric_limits<double>::quiet_NaN();
    const double T = detail::StdNormalCutOff();
    struct SCase {
        int nSelector;
        double dArg;
        double dExpected;
    };
    for (const SCase& c : {SCase{1, -T, 0.0}, SCase{1, -400.0, 0.0}, SCase{1, T, 1.0},
                           SCase{1, 40.0, 1.0}, SCase{1, 0.0, 0.5}, SCase{2, 0.0, -1000.0},
                           SCase{2, -0.1, -1000.0}, SCase{2, kNaN, -1000.0}, SCase{2, 1.0, 1000.0},
                           SCase{2, 1.5, 1000.0}, SCase{2, 0.5, 0.0}}) {
        const double value =
            c.nSelector == 1 ? AccurateStdNormalCdf(c.dArg) : AccurateStdNormalInverse(c.dArg);
        EXPECT_EQ(value, c.dExpected) << c.nSelector << " " << c.dArg;
    }
    EXPECT_TRUE(std::isnan(AccurateStdNormalCdf(kNaN)));
    EXPECT_GT(AccurateStdNormalCdf(-38.0), 0.0); // subnormal, still inside the cut-off
}

// StdNormal follows the innermost scope of the thread, else the process default; Phi(0) tells
// the numerics apart (exactly 1/2 only in the accurate ones).
TEST(Numerics, StdNormalFollowsTheScopeAndTheProcessDefault) {
    const double faithful = FaithfulStdNormalCdf(0.0);
    ASSERT_NE(faithful, 0.5);
    EXPECT_EQ(GetDefaultNumerics(), ENumerics::Faithful);
    EXPECT_EQ(StdNormal(STDNORMAL_CDF, 0.0), faithful);
    {
        const CNumericsScope accurate(ENumerics::Accurate);
        EXPECT_EQ(StdNormal(STDNORMAL_CDF, 0.0), 0.5);
        EXPECT_EQ(StdNormal(STDNORMAL_INVERSE, 0.975), AccurateStdNormalInverse(0.975));
        {
            const CNumericsScope inner(ENumerics::Faithful);
            EXPECT_EQ(StdNormal(STDNORMAL_CDF, 0.0), faithful);
        }
        EXPECT_EQ(GetActiveNumerics(), ENumerics::Accurate);
    }
    SetDefaultNumerics(ENumerics::Accurate);
    EXPECT_EQ(StdNormalCdf(0.0), 0.5);
    {
        const CNumericsScope faithfulScope(ENumerics::Faithful);
        EXPECT_EQ(StdNormalInverse(0.975), FaithfulStdNormalInverse(0.975));
    }
    SetDefaultNumerics(ENumerics::Faithful);
    EXPECT_EQ(StdNormalCdf(0.0), faithful);
}

} // namespace
