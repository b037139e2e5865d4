// Both standard normal numerics against independent references: the faithful ones against erfc
// within the published error bounds of their formulas, the accurate ones against long double
// references in ulps; saturation rules, and how StdNormal picks between them.

#include <stochvar/numerics/AccurateStdNormal.h>
#include <stochvar/numerics/MachineConstant.h>
#include <stochvar/numerics/Numerics.h>
#include <stochvar/numerics/StdNormal.h>

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <random>

using namespace stochvar;

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

double Phi(double x) { return StdNormal(STDNORMAL_CDF, x); }
double PhiInverse(double p) { return StdNormal(STDNORMAL_INVERSE, p); }

// Phi in long double from erfcl, with x / sqrt 2 carried to twice the precision: rounding the
// argument alone would cost up to x^2 / 2 ulps of a long double, 0.7 ulps of a double at x = -38.
long double ReferenceCdf(long double x) {
    const long double c = 0.707106781186547524400844362104849039L;
    const long double cLow = -std::fma(c, c, -0.5L) / (2.0L * c); // 1/sqrt 2 = c + cLow
    const long double t = -x * c;
    const long double d = std::fma(-x, c, -t) + -x * cLow;
    return 0.5L * (std::erfc(t) - 1.128379167095512573896158903121545172L * std::exp(-t * t) * d);
}

// Phi^-1 by bisection in long double to the last bit. Near p = 1/2 it solves erf(z / sqrt 2) / 2 =
// p - 1/2 (exact there); elsewhere Phi(z) = q on the tail probability q = min(p, 1 - p).
long double ReferenceInverse(double p) {
    const bool bCentral = std::fabs(p - 0.5) < 0.25;
    const bool bUpper = !bCentral && p > 0.5;
    const long double target = bCentral ? p - 0.5L : bUpper ? -(1.0L - p) : p;
    long double low = -40.0L, high = 40.0L;
    for (long double mid = 0.0L; (mid = 0.5L * (low + high)) != low && mid != high;) {
        const long double value = bCentral ? 0.5L * std::erf(mid / std::sqrt(2.0L))
                                  : bUpper ? -ReferenceCdf(-mid)
                                           : ReferenceCdf(mid);
        (value < target ? low : high) = mid;
    }
    return low;
}

// The error in units of the spacing of doubles at the reference (subnormal spacing below DBL_MIN).
double Ulps(double value, long double reference) {
    const double r = std::fabs(static_cast<double>(reference));
    return static_cast<double>(std::fabs(value - reference) / (std::nextafter(r, INFINITY) - r));
}

// Uniform or log-uniform points over [low, high], always the same ones.
template <class Check>
void ForPoints(double low, double high, bool bLog, int n, Check check) {
    std::mt19937_64 generator(20240601);
    std::uniform_real_distribution<double> draw(bLog ? std::log(low) : low,
                                                bLog ? std::log(high) : high);
    for (int i = 0; i < n; ++i)
        check(bLog ? std::exp(draw(generator)) : draw(generator));
}

TEST(StdNormal, FaithfulWithinThePublishedBoundsOfItsFormulas) {
    // Abramowitz and Stegun 26.2.17 (|error| < 7.5e-8) and 26.2.23 (|error| < 4.5e-4).
    for (double x = -9.0; x <= 9.0; x += 0.01)
        ASSERT_NEAR(Phi(x), static_cast<double>(ReferenceCdf(x)), 7.5e-8) << x;
    for (double p = 1e-12; p < 1.0; p = p < 0.01 ? p * 1.5 : p + 0.001) {
        ASSERT_NEAR(PhiInverse(p), static_cast<double>(ReferenceInverse(p)), 4.5e-4) << p;
        if (p > 0.001 && p < 0.5) { // where 1 - p keeps enough digits of p
            ASSERT_NEAR(PhiInverse(1.0 - p), -PhiInverse(p), 1e-12) << p;
        }
    }
}

// Values to ten digits (of the faithful approximations themselves, whose median is not exactly
// 0), and saturation, alike in both numerics: 0 and 1 beyond the cut-off T = -ln(4 * smallest) / 2
// - 0.1 (exp underflows a little before it), +-1000 outside (0, 1), 0 for unknown selectors.
TEST(StdNormal, ValuesAndSaturationInBothNumerics) {
    const double T = 352.65366459402605;
    EXPECT_NEAR(detail::StdNormalCutOff(), T, 1e-12);
    for (int n : {0, 5})
        EXPECT_EQ(MachineConstant(n), 0.0) << n; // no such constant
    struct SCase {
        int nSelector;
        double x, faithful, accurate, tolerance;
    };
    const SCase cases[] = {
        {1, 0.0, 0.4999999995, 0.5, 1e-10},
        {1, 1.0, 0.8413447404, 0.8413447461, 1e-10},
        {1, -3.0, 0.0013499672, 0.0013498980, 1e-10},
        {1, 1.96, 0.9750021748, 0.9750021049, 1e-10},
        {2, 0.975, 1.9603949169, 1.9599639845, 1e-10},
        {2, 0.5, 1.01e-7, 0.0, 1e-9},
        {2, 1e-10, -6.3609388694, -6.3613409024, 1e-10},
        {1, -T, 0.0, 0.0, 0.0},
        {1, std::nextafter(-T, 0.0), 0.0, 0.0, 0.0},
        {1, -400.0, 0.0, 0.0, 0.0},
        {1, 40.0, 1.0, 1.0, 0.0},
        {1, T, 1.0, 1.0, 0.0},
        {1, kNaN, kNaN, kNaN, 0.0},
        {2, 0.0, -1000.0, -1000.0, 0.0},
        {2, -0.1, -1000.0, -1000.0, 0.0},
        {2, kNaN, -1000.0, -1000.0, 0.0},
        {2, 1.0, 1000.0, 1000.0, 0.0},
        {2, 1.5, 1000.0, 1000.0, 0.0},
        {0, 1.0, 0.0, 0.0, 0.0},
        {3, 0.3, 0.0, 0.0, 0.0},
    };
    for (const ENumerics numerics : {ENumerics::Faithful, ENumerics::Accurate}) {
        const CNumericsScope scope(numerics);
        for (const SCase& c : cases) {
            const double value = StdNormal(c.nSelector, c.x);
            const double expected = numerics == ENumerics::Faithful ? c.faithful : c.accurate;
            EXPECT_TRUE(std::isnan(expected) ? std::isnan(value)
                                             : std::fabs(value - expected) <= c.tolerance)
                << NumericsName(numerics) << " " << c.nSelector << " " << c.x << ": " << value;
        }
        EXPECT_GT(Phi(-37.0), 0.0); // the lower tail is still representable there
    }
    EXPECT_GT(AccurateStdNormalCdf(-38.0), 0.0); // subnormal, still inside the cut-off
    EXPECT_EQ(AccurateStdNormalInverse(0.5), 0.0);
}

// Bounds: erfc of the C library is documented to 5 ulps here and Phi inherits its error; Phi^-1
// measured at most 1.89 ulps where its Newton step runs (p >= DBL_MIN), 3.87 for subnormal p.
TEST(AccurateStdNormal, WithinAFewUlpsOfTheLongDoubleReferences) {
    ForPoints(-38.4, 8.3, false, 80000, [](double x) {
        ASSERT_LE(Ulps(AccurateStdNormalCdf(x), ReferenceCdf(x)), 5.0) << x;
    });
    struct SRange {
        double low, high;
        bool bLog;
        double maxUlps;
    };
    for (const SRange& r : {SRange{4.9e-324, DBL_MIN, true, 4.0}, SRange{DBL_MIN, 0.075, true, 3.0},
                            SRange{0.075, 1.0 - DBL_EPSILON / 2.0, false, 3.0}}) {
        ForPoints(r.low, r.high, r.bLog, 6000, [&](double p) {
            ASSERT_LE(Ulps(AccurateStdNormalInverse(p), ReferenceInverse(p)), r.maxUlps) << p;
            if (p > 0.5) { // the mirror image of the exact 1 - p
                ASSERT_EQ(AccurateStdNormalInverse(p), -AccurateStdNormalInverse(1.0 - p)) << p;
            }
        });
    }
}

// StdNormal follows the innermost scope of the thread, else the process default; Phi(0) tells
// the numerics apart (exactly 1/2 only in the accurate ones).
TEST(Numerics, StdNormalFollowsTheScopeAndTheProcessDefault) {
    const double faithful = FaithfulStdNormalCdf(0.0);
    ASSERT_NE(faithful, 0.5);
    EXPECT_EQ(Phi(0.0), faithful);
    {
        const CNumericsScope accurate(ENumerics::Accurate);
        EXPECT_EQ(PhiInverse(0.975), AccurateStdNormalInverse(0.975));
        {
            const CNumericsScope inner(ENumerics::Faithful);
            EXPECT_EQ(Phi(0.0), faithful);
        }
        EXPECT_EQ(Phi(0.0), 0.5);
    }
    SetDefaultNumerics(ENumerics::Accurate);
    EXPECT_EQ(StdNormalCdf(0.0), 0.5);
    {
        const CNumericsScope faithfulScope(ENumerics::Faithful);
        EXPECT_EQ(StdNormalInverse(0.975), FaithfulStdNormalInverse(0.975));
    }
    SetDefaultNumerics(ENumerics::Faithful);
    EXPECT_EQ(StdNormalCdf(0.0), faithful);
    EXPECT_STREQ(NumericsName(ENumerics::Accurate), "accurate");
    for (ENumerics e : {ENumerics::Faithful, ENumerics::Accurate})
        EXPECT_EQ(NumericsFromName(NumericsName(e)), e);
    EXPECT_FALSE(NumericsFromName("Accurate").has_value());
}

} // namespace
