#include <stochvar/numerics/GammaFunctions.h>
#include <stochvar/numerics/MachineConstant.h>

#include "CapturedOutput.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

using namespace stochvar;
using stochvar::test::CapturedOutputOf;

namespace {

constexpr double kEps = DBL_EPSILON;
constexpr double kPi = 3.141592653589793;

// Arguments spread over the range of Gamma: small steps below 12, then wider ones, and negative
// values with awkward fractional parts (none within 0.01 of a pole).
std::vector<double> SpreadOfArguments() {
    std::vector<double> xs;
    for (double x = -9.93; x < 12.0; x += 0.173) {
        xs.push_back(x);
    }
    for (double x = 12.0 + 1.0 / 3.0; x < 171.0; x += 1.37) {
        xs.push_back(x);
    }
    for (double x = -60.29; x < -10.0; x += 1.37) {
        xs.push_back(x);
    }
    xs.push_back(1e-8);
    xs.push_back(-1e-8);
    xs.push_back(170.9);
    return xs;
}

// Error bound for Gamma(x) relative to its value, and for ln|Gamma(x)| absolutely.
// The result passes through exp of a number of size |ln Gamma(x)|, so each rounding of that
// exponent is amplified to a relative error of about eps |ln Gamma(x)|; for negative x the
// reflection divides by sin(pi x), whose argument is rounded to eps pi |x| and whose relative
// error is therefore about eps pi |x| / |sin(pi x)|. Four such roundings are allowed. The
// references (glibc tgamma and lgamma) are within a few units in the last place.
double GammaErrorBound(double x) {
    double bound = std::fmax(1.0, std::fabs(std::lgamma(x)));
    if (x < 0.0) {
        bound += kPi * std::fabs(x) / std::fabs(std::sin(kPi * x));
    }
    return 4.0 * kEps * bound;
}

TEST(DGamma, AgreesWithTgammaOverItsRange) {
    for (double x : SpreadOfArguments()) {
        const double expected = std::tgamma(x);
        EXPECT_NEAR(dGamma(x), expected, GammaErrorBound(x) * std::fabs(expected)) << "x = " << x;
    }
}

TEST(DGamma, FactorialsAndHalfIntegers) {
    double factorial = 1.0;
    for (int n = 1; n <= 20; ++n) {
        EXPECT_NEAR(dGamma(n), factorial, GammaErrorBound(n) * factorial) << "n = " << n;
        factorial *= n;
    }
    EXPECT_EQ(dGamma(5.0), 24.0);
    const double sqrtPi = std::sqrt(kPi);
    EXPECT_NEAR(dGamma(0.5), sqrtPi, 4.0 * kEps * sqrtPi);         // 1.7724538509055160...
    EXPECT_NEAR(dGamma(-0.5), -2.0 * sqrtPi, 8.0 * kEps * sqrtPi); // -3.5449077018110320...
    EXPECT_NEAR(dGamma(1.5), 0.5 * sqrtPi, 4.0 * kEps * sqrtPi);
    EXPECT_NEAR(dGamma(-1.5), 4.0 / 3.0 * sqrtPi, 8.0 * kEps * sqrtPi);
}

struct DiagnosticCase {
    double x;
    const char* expected;
};

const char* const kGammaZero = "dGamma: x is 0\n";
const char* const kGammaNegativeInt = "dGamma: x is a negative int\n";
const char* const kGammaHalfSmall =
    "dGamma: Answer < half precision because x too near negative int\n";
const char* const kGammaHalfLarge = "dGamma: Answer < half precision, x too near negative int\n";
const char* const kGammaOverflow = "dGamma:  x so big gamma overflows\n";
const char* const kGammaUnderflow = "dGamma:  x so small gamma underflows\n";

TEST(DGamma, DiagnosticLines) {
    const std::string bothSmall = std::string(kGammaNegativeInt) + kGammaHalfSmall;
    const DiagnosticCase cases[] = {
        {0.0, kGammaZero},
        {-1.0, bothSmall.c_str()},
        {-3.0, bothSmall.c_str()},
        {-10.0, bothSmall.c_str()},
        {-3.0 + 1e-9, kGammaHalfSmall}, // relative distance 3.3e-10 < 4.2e-8
        {-3.0 + 1e-6, ""},              // 3.3e-7: still half precision
        {-0.5, ""},
        {-0.4, ""},
        {1e-300, ""},
        {5.0, ""},
        {10.0, ""},
        {10.5, ""},
        {-10.5, ""},
        {-12.5, ""},
        {-12.0, kGammaHalfLarge},        // the sine of a rounded multiple of pi is not 0
        {-12.0 + 1e-7, kGammaHalfLarge}, // 8.3e-9
        {-12.0 + 1e-5, ""},              // 8.3e-7
        {-170.0, kGammaHalfLarge},       // just inside the underflow limit
        {171.0, ""},
        {171.1, kGammaOverflow},
        {200.0, kGammaOverflow},
        {-170.06, kGammaUnderflow},
        {-200.0, kGammaUnderflow},
    };
    for (const DiagnosticCase& c : cases) {
        EXPECT_EQ(CapturedOutputOf([&] { dGamma(c.x); }), c.expected) << "x = " << c.x;
    }
}

TEST(DGamma, ResultsOnTheReportedPaths) {
    double value = 0.0;
    CapturedOutputOf([&] { value = dGamma(0.0); });
    EXPECT_EQ(value, std::numeric_limits<double>::infinity());
    CapturedOutputOf([&] { value = dGamma(-3.0); });
    EXPECT_TRUE(std::isinf(value));
    // Past the overflow limit the computation goes on: still finite just beyond it,
    // infinite further out.
    CapturedOutputOf([&] { value = dGamma(171.1); });
    EXPECT_NEAR(value, std::tgamma(171.1), GammaErrorBound(171.1) * std::tgamma(171.1));
    CapturedOutputOf([&] { value = dGamma(200.0); });
    EXPECT_EQ(value, std::numeric_limits<double>::infinity());
    CapturedOutputOf([&] { value = dGamma(-200.0); });
    EXPECT_EQ(value, 0.0);
    CapturedOutputOf([&] { value = dGamma(-12.0); });
    EXPECT_GT(std::fabs(value), 1e5); // a pole, evaluated at a slightly shifted argument
}

TEST(D9Gaml, LimitsOfGamma) {
    double xmin = 0.0;
    double xmax = 0.0;
    EXPECT_EQ(CapturedOutputOf([&] { D9Gaml(xmin, xmax); }), "");
    EXPECT_NEAR(xmax, 171.0525, 1e-4);
    EXPECT_NEAR(xmin, -170.0525, 1e-4);
    // Negative arguments are bounded by the reflection of the positive limit.
    EXPECT_EQ(xmin, 1.0 - xmax);
    // xmax sits 0.01 below the root of the Stirling formula for ln Gamma(x) = ln(1e307):
    // Gamma stays below the largest value there and passes it within 0.02 more.
    const double lnLargest = std::log(MachineConstant(MACHINE_LARGEST));
    EXPECT_LT(std::lgamma(xmax), lnLargest);
    EXPECT_GT(std::lgamma(xmax + 0.02), lnLargest);
    // dGamma reports exactly beyond these limits.
    EXPECT_EQ(CapturedOutputOf([&] { dGamma(xmax); }), "");
    EXPECT_EQ(CapturedOutputOf([&] { dGamma(std::nextafter(xmax, 200.0)); }), kGammaOverflow);
    EXPECT_EQ(CapturedOutputOf([&] { dGamma(xmin); }), kGammaUnderflow);
    EXPECT_EQ(CapturedOutputOf([&] { dGamma(std::nextafter(xmin, 0.0)); }), "");
}

TEST(D9Gaml, OtherMachineLimits) {
    struct Case {
        double smallest, largest;
    };
    const Case cases[] = {{DBL_MIN, DBL_MAX}, {1e-37, 1e37}, {1e-100, 1e100}};
    for (const Case& c : cases) {
        double xmin = 0.0;
        double xmax = 0.0;
        EXPECT_EQ(CapturedOutputOf([&] { detail::D9GamlFrom(c.smallest, c.largest, xmin, xmax); }),
                  "");
        EXPECT_LT(std::lgamma(xmax), std::log(c.largest)) << c.largest;
        EXPECT_GT(std::lgamma(xmax + 0.02), std::log(c.largest)) << c.largest;
        EXPECT_GE(xmin, 1.0 - xmax);
        // For x < 0, |Gamma(x)| = pi / (|sin(pi x)| Gamma(1 - x)) >= pi / Gamma(1 - x): at xmin
        // Gamma is still above the smallest value.
        EXPECT_GT(std::log(kPi) - std::lgamma(1.0 - xmin), std::log(c.smallest)) << c.smallest;
    }
}

TEST(D9Gaml, ReportsASearchThatDoesNotSettle) {
    // A NaN smallest value keeps the xmin search from meeting its test in 11 steps.
    double xmin = 0.0;
    double xmax = 0.0;
    EXPECT_EQ(CapturedOutputOf([&] {
                  detail::D9GamlFrom(std::numeric_limits<double>::quiet_NaN(), 1e307, xmin, xmax);
              }),
              "D9Gaml: Unable to find xmin\n");
    EXPECT_NEAR(xmax, 171.0525, 1e-4);
}

// The Stirling correction from its asymptotic series sum B_2k / (2k (2k - 1) x^(2k-1)).
// For x >= 10 the first omitted term (k = 11) is below 2e-20 of the sum.
double StirlingSeries(double x) {
    const double b[] = {1.0 / 12.0,         -1.0 / 360.0,        1.0 / 1260.0, -1.0 / 1680.0,
                        1.0 / 1188.0,       -691.0 / 360360.0,   1.0 / 156.0,  -3617.0 / 122400.0,
                        43867.0 / 244188.0, -174611.0 / 125400.0};
    const double inv2 = 1.0 / (x * x);
    double sum = 0.0;
    for (int k = 9; k >= 0; --k) {
        sum = sum * inv2 + b[k];
    }
    return sum / x;
}

TEST(D9lgmc, AgreesWithTheStirlingSeries) {
    // The ALGMCS series is cut where its dropped tail falls below 8.9e-16 against a sum of
    // about 1/12, so the relative error stays below 1.2e-14.
    const double xs[] = {10.0, 10.5, 13.0, 20.0, 55.5, 100.0, 1000.0, 1e5, 3.3e7};
    for (double x : xs) {
        const double expected = StirlingSeries(x);
        EXPECT_NEAR(d9lgmc(x), expected, 1.2e-14 * expected) << "x = " << x;
    }
    // From xbig = 1/sqrt(8.8817841970012e-16), just above 2^25 = 33554432, only the first term
    // is kept; the next one is 1/(30 x^2) < 3e-17 of it.
    const double xbig = 1.0 / std::sqrt(MachineConstant(MACHINE_SMALLEST_RELATIVE_SPACING));
    EXPECT_GT(xbig, 33554432.0);
    EXPECT_LT(xbig, 33554432.1);
    for (double x : {xbig, 2.0 * xbig, 1e9, 1e200}) {
        EXPECT_EQ(d9lgmc(x), 1.0 / (12.0 * x)) << "x = " << x;
        EXPECT_NEAR(d9lgmc(x), StirlingSeries(x), 4.0 * kEps * StirlingSeries(x)) << "x = " << x;
    }
    // Just below it the series is still summed (and rounds differently here).
    EXPECT_NE(d9lgmc(33554432.0), 1.0 / (12.0 * 33554432.0));
}

TEST(D9lgmc, DiagnosticLines) {
    const DiagnosticCase cases[] = {
        {10.0, ""},
        {1e305, ""},
        // Below 10 the series is evaluated outside its interval: 2 (10/5)^2 - 1 = 7.
        {5.0, "d9lgmc  x must be  >=  10\ndcsevl:  x outside (-1,+1)\n"},
        // Below 10 / sqrt(1.05) the argument is still within dcsevl's tolerance.
        {9.9, "d9lgmc  x must be  >=  10\n"},
        {1e306, "d9lgmc:  x so big d9lgmc underflows\n"},
        {8.34e305, "d9lgmc:  x so big d9lgmc underflows\n"},
        {8.33e305, ""},
    };
    for (const DiagnosticCase& c : cases) {
        EXPECT_EQ(CapturedOutputOf([&] { d9lgmc(c.x); }), c.expected) << "x = " << c.x;
    }
    double value = 1.0;
    CapturedOutputOf([&] { value = d9lgmc(1e306); });
    EXPECT_EQ(value, 0.0);
}

TEST(DLnGam, AgreesWithLgammaOverItsRange) {
    std::vector<double> xs = SpreadOfArguments();
    for (double x : {200.5, 1000.25, 1e5 + 0.3, 3e7, 4e7, 1e10, 1e100, 1e300}) {
        xs.push_back(x);
    }
    for (double x : xs) {
        EXPECT_NEAR(dLnGam(x), std::lgamma(x), GammaErrorBound(x)) << "x = " << x;
    }
    EXPECT_NEAR(dLnGam(100.0), 359.1342053695754, 4.0 * kEps * 359.1342053695754);
}

TEST(DLnGam, DiagnosticLines) {
    const std::string bothSmall = std::string(kGammaNegativeInt) + kGammaHalfSmall;
    const char* const overflow = "dLnGam:  abs(x) so big dLnGam overflows\n";
    const char* const half = "dLnGam:  answer lt half precision because x too near negative int\n";
    const std::string overflowAndHalf = std::string(overflow) + half;
    const DiagnosticCase cases[] = {
        {2.5, ""},
        {1e304, ""},
        {1e305, overflow},
        {-3.0, bothSmall.c_str()}, // through dGamma
        {-12.0 + 1e-9, half},      // |(x - t) r / x| = 6e-11
        {-12.0 + 1e-3, ""},        // 1.1e-3
        {-12.5, ""},
        {-1e305, overflowAndHalf.c_str()}, // x - 0.5 rounds to x: a "negative integer"
    };
    for (const DiagnosticCase& c : cases) {
        EXPECT_EQ(CapturedOutputOf([&] { dLnGam(c.x); }), c.expected) << "x = " << c.x;
    }
    double value = 0.0;
    CapturedOutputOf([&] { value = dLnGam(1e305); });
    EXPECT_NEAR(value, std::lgamma(1e305), 4.0 * kEps * std::lgamma(1e305)); // still computed
}

} // namespace
