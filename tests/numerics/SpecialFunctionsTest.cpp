// The special and elementary functions against independent references: the C library's tgamma,
// lgamma, log1p and expm1 (a few ulps), closed forms, a continued fraction for the incomplete
// beta function, and identities such as I_x(a, b) = 1 - I_{1-x}(b, a), printing nothing. Then what
// they print on bad arguments, byte for byte, with the value returned on the reported path; the
// error state store; and diagnostics and error state on worker threads.

#include <stochvar/numerics/BetaFunctions.h>
#include <stochvar/numerics/Chebyshev.h>
#include <stochvar/numerics/ChebyshevTables.h>
#include <stochvar/numerics/DiagnosticCapture.h>
#include <stochvar/numerics/Elementary.h>
#include <stochvar/numerics/ErrorState.h>
#include <stochvar/numerics/GammaFunctions.h>

#include "CapturedOutput.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <numbers>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

using namespace stochvar;
using stochvar::test::CapturedOutputOf;
using stochvar::test::CNothingPrinted;

namespace {

constexpr double kEps = DBL_EPSILON;
constexpr double kPi = std::numbers::pi;
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

// Gamma: a few roundings of an exponent of size |ln Gamma(x)| and, for x < 0, of the reflection's
// sin(pi x), whose rounded argument costs eps pi |x| / |sin(pi x)| relative.
double GammaErrorBound(double x) {
    const double reflection = x < 0.0 ? kPi * std::fabs(x) / std::fabs(std::sin(kPi * x)) : 0.0;
    return 4.0 * kEps * (std::fmax(1.0, std::fabs(std::lgamma(x))) + reflection);
}

// Also its coefficient table, all 42 terms, as the Chebyshev series of Gamma on [1, 2].
TEST(DGamma, AgreesWithTheCLibraryOverItsRange) {
    const CNothingPrinted quiet;
    for (double y = 0.0; y < 1.0; y += 1.0 / 64.0)
        EXPECT_NEAR(0.9375 + dcsevl(2.0 * y - 1.0, GAMCS, 42), std::tgamma(1.0 + y), 1e-15) << y;
    std::vector<double> xs = {1e-8, -1e-8, 170.9};
    for (double x = -9.93; x < 12.0; x += 0.173)
        xs.push_back(x); // none within 0.01 of a pole
    for (double x = 12.0 + 1.0 / 3.0; x < 171.0; x += 1.37)
        xs.push_back(x);
    for (double x = -60.31; x < -10.0; x += 1.37)
        xs.push_back(x);
    for (double x : xs) {
        EXPECT_NEAR(dGamma(x), std::tgamma(x), GammaErrorBound(x) * std::fabs(std::tgamma(x))) << x;
        EXPECT_NEAR(dLnGam(x), std::lgamma(x), GammaErrorBound(x)) << x;
    }
    for (double x : {200.5, 1000.25, 1e5 + 0.3, 3e7, 4e7, 1e10, 1e100, 1e300})
        EXPECT_NEAR(dLnGam(x), std::lgamma(x), GammaErrorBound(x)) << x;
}

// dLnRel and dExpRl on both sides of each switch between series and direct formula, and tiny
// arguments; the table of dLnRel, all 43 terms, as the Chebyshev series of ln(1 + x) on |x| <=
// 0.375. The direct formula of dExpRl runs in recovery mode 1 and restores the mode it found;
// "restoring" 0 keeps mode 1, as 0 means "keep the current mode". dSign takes the sign from b > 0,
// so a zero b (either sign) makes it negative; TruncToInt truncates toward zero and saturates, NaN
// giving 0.
TEST(Elementary, AgreeWithTheCLibraryAndTheirRules) {
    const CNothingPrinted quiet;
    for (double x = -0.375; x <= 0.375; x += 0.375 / 32.0) {
        const double expected = std::log1p(x);
        EXPECT_NEAR(x * (1.0 - x * dcsevl(x / 0.375, ALNRCS, 43)), expected,
                    4e-16 * std::fabs(expected) + 1e-300)
            << x;
    }
    for (double x :
         {-0.99, -0.6, -0.376, -0.375, -0.2,  -1e-3, -1e-10, -1e-300, 0.0, 1e-300, 1e-16,
          1e-10, 1e-5, 0.01,   0.1,    0.374, 0.375, 0.376,  0.5,     1.0, 10.0,   1e100})
        EXPECT_NEAR(dLnRel(x), std::log1p(x), 4.0 * kEps * std::fabs(std::log1p(x))) << x;
    for (double x : {-30.0, -2.0, -0.51, -0.5, -0.3, -1e-3, -1e-12, 1e-17, 1e-15, 1e-12, 1e-6, 0.1,
                     0.49, 0.5, 0.51, 1.0, 7.0, 50.0})
        EXPECT_NEAR(dExpRl(x), std::expm1(x) / x, 8.0 * kEps * std::expm1(x) / x) << x;
    for (double x : {0.0, -0.0, 8.8817841970012e-16, -8.8817841970012e-16})
        EXPECT_EQ(dExpRl(x), 1.0) << x;
    EXPECT_GT(dExpRl(1e-15), 1.0);
    EXPECT_LT(dExpRl(-1e-15), 1.0);
    const SErrorState saved = GetErrorState();
    for (auto [before, after] : {std::pair{2, 2}, {0, 1}}) {
        ErrState(ERRSTATE_RECOVERY_MODE, before, true);
        dExpRl(0.3);
        dExpRl(1.0);
        EXPECT_EQ(ErrState(ERRSTATE_RECOVERY_MODE, 0, false), after) << before;
    }
    SetErrorState(saved);
    for (auto [a, b, sign] : {std::tuple{3.0, -1.0, -3.0},
                              {-3.0, 1e-300, 3.0},
                              {3.0, 0.0, -3.0},
                              {-3.0, -0.0, -3.0},
                              {2.0, kNaN, -2.0}})
        EXPECT_EQ(dSign(a, b), sign) << a << ", " << b;
    for (auto [x, n] :
         {std::pair{2.9, 2}, {-2.9, -2}, {1e300, INT_MAX}, {-1e300, INT_MIN}, {kNaN, 0}})
        EXPECT_EQ(detail::TruncToInt(x), n) << x;
}

// Beta functions: ln B from lgamma, and the absolute error bound of anything computed from it.
double LnBeta(double a, double b) { return std::lgamma(a) + std::lgamma(b) - std::lgamma(a + b); }
double LnBetaBound(double a, double b) {
    return 4.0 * kEps *
           (10.0 + std::fabs(std::lgamma(a)) + std::fabs(std::lgamma(b)) +
            std::fabs(std::lgamma(a + b)));
}

// I_x(a, b) from its continued fraction (DLMF 8.17.22) by the modified Lentz method, on the side
// where it converges fast.
double ReferenceBetaI(double x, double a, double b) {
    const bool bUpper = x >= (a + 1.0) / (a + b + 2.0);
    if (bUpper) {
        std::swap(a, b);
        x = 1.0 - x;
    }
    const auto guard = [](double v) { return std::fabs(v) < 1e-300 ? 1e-300 : v; };
    double c = 1.0, d = 1.0 / guard(1.0 - (a + b) * x / (a + 1.0)), h = d;
    for (int n = 2; n <= 20001 && (n % 2 == 1 || std::fabs(d * c - 1.0) >= 1e-16); ++n) {
        const int m = n / 2; // the coefficients d_n for n = 2m and n = 2m + 1
        const double dn =
            (n % 2 == 0 ? m * (b - m) : -(a + m) * (a + b + m)) * x / ((a + n - 1.0) * (a + n));
        d = 1.0 / guard(1.0 + dn * d);
        c = guard(1.0 + dn / c);
        h *= d * c;
    }
    const double lower = std::exp(a * std::log(x) + b * std::log1p(-x) - LnBeta(a, b)) * h / a;
    return bUpper ? 1.0 - lower : lower;
}

const double kShapes[] = {0.1, 0.5, 0.9, 1.0, 2.5, 7.0, 12.0, 35.0, 150.0};

TEST(BetaFunctions, AgreeWithLgammaInEveryBranch) {
    // Shapes both below 10, one below 10, both at or above 10; a + b above 171.05 goes through
    // the logarithm, and an underflowing B gives -1.
    const CNothingPrinted quiet;
    const double shapes[] = {0.1, 0.5, 1.0, 2.5, 9.9, 10.0, 12.0, 35.0, 150.0, 300.0, 1e5};
    for (double a : shapes) {
        for (double b : shapes) {
            const double bound = LnBetaBound(a, b), ln = LnBeta(a, b);
            EXPECT_NEAR(dLBeta(a, b), ln, bound) << a << ", " << b;
            EXPECT_EQ(dLBeta(a, b), dLBeta(b, a)) << a << ", " << b;
            EXPECT_TRUE(ln <= -700.0 || std::fabs(dBeta(a, b) / std::exp(ln) - 1.0) <= bound)
                << a << ", " << b << ": " << dBeta(a, b);
        }
    }
    EXPECT_NEAR(dBeta(0.5, 0.5), kPi, 8.0 * kEps * kPi);
    EXPECT_EQ(dBeta(1000.0, 1000.0), -1.0);
    EXPECT_EQ(dBeta(600.0, 600.0), -1.0);
}

TEST(BetaI, AgreesWithTheContinuedFractionAndClosedForms) {
    const CNothingPrinted quiet;
    for (double x : {1e-6, 0.001, 0.05, 0.19, 0.2, 0.35, 0.5, 0.65, 0.8, 0.999})
        for (double a : kShapes)
            for (double b : kShapes) { // below x = 0.2 relative to the lower tail as well
                const double expected = ReferenceBetaI(x, a, b);
                EXPECT_NEAR(BetaI(x, a, b), expected,
                            LnBetaBound(a, b) * (x < 0.2 ? expected : 1.0))
                    << x << ", " << a << ", " << b;
            }
    const double tol = 16.0 * kEps;
    for (int k = 0; k <= 64; ++k) {
        const double x = k / 64.0; // exact, and so is 1 - x
        EXPECT_NEAR(BetaI(x, 0.5, 0.5), 2.0 / kPi * std::asin(std::sqrt(x)), tol) << x;
        for (double a : kShapes)
            for (double b : {0.5, 3.0, 40.0})
                EXPECT_NEAR(BetaI(x, a, b) + BetaI(1.0 - x, b, a), 1.0, tol) << x << a << ", " << b;
    }
    for (double a : kShapes)
        EXPECT_EQ(std::pair(BetaI(0.0, a, 3.0), BetaI(1.0, a, 3.0)), std::pair(0.0, 1.0)) << a;
    EXPECT_EQ(BetaI(0.5, 2.0, 2.0), 0.5);
    // 1 - 0.9^1e4: the finite sum starts below the smallest double, scaled, and grows into range.
    EXPECT_NEAR(BetaI(0.1, 1.0, 1e4), 1.0, LnBetaBound(1.0, 1e4));
}

// The iteration starts at (p alpha B)^(1/alpha) in the lower tail (p <= 0.5, else 1 - p with the
// shapes exchanged). When that lands on 1 to within rounding, the stopping rule, which looks at
// the step alone, accepts the first tiny step: such starts are set aside.
bool StartsNextToOne(double p, double a, double b) {
    const bool bLower = p <= 0.5;
    const double alpha = bLower ? a : b, q = bLower ? p : 1.0 - p;
    return std::fabs(std::log(q) + LnBeta(alpha, bLower ? b : a) + std::log(alpha)) < 1e-9;
}

struct SInverse {
    double x = -1.0;
    int status = -1;
};
SInverse Inverse(double p, double a, double b, const SBetaShapeConstants* pConstants = nullptr) {
    SInverse r;
    BetaInv(p, a, b, r.x, r.status, pConstants);
    return r;
}
// BetaInv's x (-1 when not written), expecting the status given.
constexpr int kLow = BETAINV_P_NOT_POSITIVE, kHigh = BETAINV_P_NOT_BELOW_ONE;
constexpr int kShape = BETAINV_SHAPE_NOT_POSITIVE, kNone = BETAINV_NO_RESULT;
double BetaInvX(double p, double a, double b, int nExpectedStatus = BETAINV_CONVERGED) {
    const SInverse r = Inverse(p, a, b);
    EXPECT_EQ(r.status, nExpectedStatus) << p << ", " << a << ", " << b;
    return r.x;
}

// Also with shape constants kept from one pair of shapes to the next, made again when a shape
// changes (one at a time along the table), as CBeta does: they change no bit of the result.
TEST(BetaInv, BetaIOfTheQuantileGivesBackP) {
    int nChecked = 0;
    const auto check = [&](double p, double a, double b, const SBetaShapeConstants& constants) {
        const SInverse r = Inverse(p, a, b);
        ASSERT_EQ(r.status, BETAINV_CONVERGED) << p << ", " << a << ", " << b;
        ASSERT_TRUE(r.x >= 0.0 && r.x <= 1.0) << r.x;
        const SInverse kept = Inverse(p, a, b, &constants);
        EXPECT_EQ(std::bit_cast<std::uint64_t>(kept.x), std::bit_cast<std::uint64_t>(r.x)) << p;
        ++nChecked;
        // The step criterion is 1e-10 relative to the lower-tail variable; twice that moves I by
        // the density times it. On top: the spacing of doubles at x, which limits how well any x
        // can do near 1, and BetaI's own accuracy.
        const double x = r.x, tail = p <= 0.5 ? x : 1.0 - x;
        const double f =
            x > 0.0 && x < 1.0
                ? std::exp((a - 1.0) * std::log(x) + (b - 1.0) * std::log1p(-x) - LnBeta(a, b))
                : 0.0;
        const double spacing = BetaI(std::fmin(std::nextafter(x, 2.0), 1.0), a, b) -
                               BetaI(std::fmax(std::nextafter(x, -1.0), 0.0), a, b);
        EXPECT_NEAR(BetaI(x, a, b), p, 2e-10 * tail * f + spacing + 1e-13)
            << p << ", " << a << ", " << b << ", x = " << x;
    };
    const CNothingPrinted quiet;
    SBetaShapeConstants constants;
    for (double p :
         {1e-12, 1e-8, 1e-4, 0.001, 0.01, 0.1, 0.3, 0.5, 0.7, 0.9, 0.99, 0.999, 0.9999, 1.0 - 1e-8})
        for (double a : kShapes)
            for (double b : kShapes) {
                ASSERT_FALSE(constants.IsFor(a, b)) << a << ", " << b;
                ASSERT_TRUE(MakeBetaShapeConstants(a, b, constants) && constants.IsFor(a, b));
                if (!StartsNextToOne(p, a, b))
                    check(p, a, b, constants);
            }
    EXPECT_GT(nChecked, 1100); // of 1134
    // One of those set aside: p = 0.9, a = 0.1, b = 1 starts just below 1, where the exchanged
    // density is singular; the first step, about 1e-13, is accepted, far from 0.9^10 = 0.3487.
    EXPECT_TRUE(StartsNextToOne(0.9, 0.1, 1.0));
    EXPECT_LT(BetaInvX(0.9, 0.1, 1.0), 1e-12);
}

// The cases the header of BetaInv describes, against closed forms: I_x(1, b) = 1 - (1 - x)^b.
// A step that overflows ends in NaN without success; small steps onto a jump of BetaI's
// rounding errors end with success, off the root. And no NaN, whatever the arguments, ever
// comes with BETAINV_CONVERGED.
TEST(BetaInv, DocumentedMissesAndNaNNeverConverges) {
    // Root 1 - 0.2^(1 / 3000.5) = 5.36e-4: the start, which BetaI misses by 1.7e-13.
    const SInverse overflow = Inverse(0.8, 1.0, 3000.5);
    EXPECT_EQ(overflow.status, kNone);
    EXPECT_TRUE(std::isnan(overflow.x));
    // I_x(1000, 0.99) at x = 0.8 is about 0.8^1000 = 1e-97, so the root of 1e-30 lies above.
    const SInverse jump = Inverse(1e-30, 1000.0, 0.99);
    EXPECT_EQ(jump.status, BETAINV_CONVERGED);
    EXPECT_NEAR(jump.x, 0.80001, 1e-5);
    EXPECT_GT(BetaI(jump.x, 1000.0, 0.99), 1e-15);
    // Root 1 - 0.9^10 = 0.6513 for p = 0.1; 1 - 0.9 is one ulp below 0.1 and ends next to 1.
    EXPECT_NEAR(BetaInvX(0.1, 1.0, 0.1), 1.0 - std::pow(0.9, 10.0), 1e-12);
    EXPECT_GT(BetaInvX(1.0 - 0.9, 1.0, 0.1), 1.0 - 1e-12);

    int nNaN = 0;
    const double ps[] = {kNaN, 1e-300, 1e-30, 0.2, 0.5, 0.8, 1.0 - 1e-12};
    const double shapes[] = {kNaN, -1.0, 1e-3, 1.0, 0.99, 3000.5, 1000.0};
    for (double p : ps)
        for (double a : shapes)
            for (double b : shapes) {
                SInverse r;
                // The lines printed on the way (a shape of NaN or -1) are not looked at here.
                CapturedOutputOf([&] { r = Inverse(p, a, b); });
                nNaN += std::isnan(r.x) ? 1 : 0;
                EXPECT_FALSE(r.status == BETAINV_CONVERGED && std::isnan(r.x))
                    << p << ", " << a << ", " << b;
                if (a <= 0.0 || b <= 0.0) {
                    EXPECT_EQ(r.status, kShape) << p << ", " << a << ", " << b;
                } else if (std::isnan(p) || std::isnan(a) || std::isnan(b)) {
                    EXPECT_EQ(r.status, kNone) << p << ", " << a << ", " << b;
                }
            }
    EXPECT_GT(nNaN, 100); // the rows reach the NaN results they are there for
}

const double kCs[] = {1.0, 0.5, 0.25};
const std::vector<double> kMany(1001, 0.001);
const double kOs[] = {1.0, -0.1, 0.01, -0.001};

double GammaXmax(double dSmallest = 1e-307) { // the machine constants' limits by default
    double xmin = 0.0, xmax = 0.0;
    detail::D9GamlFrom(dSmallest, 1e307, xmin, xmax);
    return xmax;
}

// ENTSRC from a given error number and mode; returns the mode afterwards. The old mode it hands
// back is the mode before, and the error number is left alone.
double Entsrc(int nError, int nModeBefore, int nNewMode) {
    ErrState(ERRSTATE_ERROR_NUMBER, nError, true);
    ErrState(ERRSTATE_RECOVERY_MODE, nModeBefore, true);
    int nOld = -99;
    ENTSRC(nOld, nNewMode);
    EXPECT_EQ(nOld, nModeBefore);
    EXPECT_EQ(ErrState(ERRSTATE_ERROR_NUMBER, 0, false), nError);
    return ErrState(ERRSTATE_RECOVERY_MODE, 0, false);
}

struct SPrinted {
    const char* call;
    std::function<double()> run;
    std::string printed;
    std::optional<double> value = std::nullopt;
};
#define CALL(...) #__VA_ARGS__, [] { return static_cast<double>(__VA_ARGS__); }

// What the functions print, every line byte for byte, with the value returned on the reported
// path (to 12 digits, NaN for NaN), and the partners just inside each report that print nothing.
TEST(Diagnostics, LinesAndValuesOfEveryReportedPath) {
    const std::string g0 = "dGamma: x is 0\n", gInt = "dGamma: x is a negative int\n";
    const std::string gHalf = "dGamma: Answer < half precision because x too near negative int\n";
    const std::string gHalf2 = "dGamma: Answer < half precision, x too near negative int\n";
    const std::string gBig = "dGamma:  x so big gamma overflows\n";
    const std::string gSmall = "dGamma:  x so small gamma underflows\n";
    const std::string lgBig = "dLnGam:  abs(x) so big dLnGam overflows\n";
    const std::string lgHalf =
        "dLnGam:  answer lt half precision because x too near negative int\n";
    const std::string lgmc = "d9lgmc  x must be  >=  10\n", csX = "dcsevl:  x outside (-1,+1)\n";
    const std::string csFew = "dcsevl:  number of terms le 0\n", lnRel = "dLnRel:  x is <= -1\n";
    const std::string lBeta = "dLBeta: Both arguments must be > zero\n";
    const std::string beta = "dBeta: both arguments must be > 0\n";
    const std::string iRange = "BetaI:  x is not in the range (0,1)\n";
    const std::string iShape = "BetaI: a and/or b is le zero\n";
    const std::string illegal = "ENTSRC:  Illegal value of IrNew\n";
    const SPrinted cases[] = {
        {CALL(dGamma(0.0)), g0, kInf},
        {CALL(std::fabs(dGamma(-3.0))), gInt + gHalf, kInf},
        {CALL(dGamma(-3.0 + 1e-9)), gHalf}, // relative distance 3.3e-10 < 4.2e-8
        {CALL(dGamma(-3.0 + 1e-6)), ""},
        {CALL(dGamma(10.0)), ""},      // 3.3e-7
        {CALL(dGamma(-12.0)), gHalf2}, // the sine of a rounded multiple of pi is not 0
        {CALL(dGamma(-12.0 + 1e-7)), gHalf2},
        {CALL(dGamma(-12.0 + 1e-5)), ""},
        {CALL(dGamma(171.1)), gBig, std::tgamma(171.1)}, // the computation goes on
        {CALL(dGamma(200.0)), gBig, kInf},
        {CALL(dGamma(-170.06)), gSmall}, // the limits are 171.0525 and 1 - 171.0525
        {CALL(dGamma(-200.0)), gSmall, 0.0},
        {CALL(GammaXmax()), ""},
        {CALL(GammaXmax(kNaN)), "D9Gaml: Unable to find xmin\n"}, // the search never settles
        {CALL(dGamma(GammaXmax())), ""},
        {CALL(dGamma(std::nextafter(GammaXmax(), 200.0))), gBig},
        {CALL(dGamma(1.0 - GammaXmax())), gSmall}, // the lower limit
        {CALL(dGamma(std::nextafter(1.0 - GammaXmax(), 0.0))), ""},
        {CALL(d9lgmc(5.0)), lgmc + csX}, // the series is evaluated at 2 (10/5)^2 - 1 = 7
        {CALL(d9lgmc(9.9)), lgmc},       // still within dcsevl's tolerance
        {CALL(d9lgmc(8.34e305)), "d9lgmc:  x so big d9lgmc underflows\n", 0.0},
        {CALL(d9lgmc(8.33e305)), ""},
        {CALL(dLnGam(1e304)), ""},
        {CALL(dLnGam(1e305)), lgBig, std::lgamma(1e305)},
        // Up to |x| = 10 dGamma's lines; beyond, its own: |distance * ln|Gamma| / x| against
        // 4.2e-8 (1.8e-9 and 5.7e-8 at -30).
        {CALL(dLnGam(-10.0)), gInt + gHalf},
        {CALL(dLnGam(-10.0 - 1e-9)), lgHalf},
        {CALL(dLnGam(-30.0 + 1e-9)), lgHalf},
        {CALL(dLnGam(-30.0 + 3e-8)), ""},
        {CALL(dLnGam(-0x1p52)), lgHalf},        // x - 0.5 rounds to the even x, an integer
        {CALL(dLnGam(-1e305)), lgBig + lgHalf}, // x - 0.5 rounds to x: a "negative integer"
        // dcsevl's tolerance: 1.1 either way, and just beyond.
        {CALL(dcsevl(1.1, kCs, 3)), ""},
        {CALL(dcsevl(-1.1, kCs, 3)), ""},
        {CALL(dcsevl(1.1005, kCs, 3)), csX},
        {CALL(dcsevl(-1.1005, kCs, 3)), csX},
        {CALL(dcsevl(-1.2, kCs, 3)), csX, 0.37}, // still the value of the series there
        {CALL(dcsevl(0.5, kCs, 0)), csFew, 0.0},
        {CALL(dcsevl(2.0, kCs, 0)), csFew + csX},
        {CALL(dcsevl(0.5, kCs, 1)), "", 0.5}, // one term: half of it
        {CALL(dcsevl(0.5, kMany.data(), 1000)), ""},
        {CALL(dcsevl(0.5, kMany.data(), 1001)), "dcsevl:  number of terms gt 1000\n"},
        // InitDS keeps the term whose addition to the tail (summed from the end) reached eta.
        {CALL(InitDS(kOs, 4, 0.0)), "InitDS:  eta may be too small\n", 3.0},
        {CALL(InitDS(kOs, 4, 0.0005)), "", 4.0},
        {CALL(InitDS(kOs, 4, 0.001)), "", 4.0},
        {CALL(InitDS(kOs, 4, 0.0011)), "", 3.0},
        {CALL(InitDS(kOs, 4, 0.011)), "", 3.0},
        {CALL(InitDS(kOs, 4, 0.0111)), "", 2.0},
        {CALL(InitDS(kOs, 4, 0.2)), "", 1.0},
        {CALL(InitDS(kOs, 4, 100.0)), "", 1.0},
        {CALL(dLBeta(0.0, 1.0)), lBeta + g0},
        {CALL(dLBeta(-0.5, 2.0)), lBeta},
        {CALL(dBeta(0.0, 1.0)), beta + g0},
        {CALL(dBeta(1.0, 0.0)), beta + g0},
        {CALL(dBeta(-0.5, 2.0)), beta},
        // Small positive shapes are fine.
        {CALL(dBeta(1e-5, 1.0)), "", 1e5},
        {CALL(BetaI(0.5, 5e-4, 1.0)), "", std::pow(0.5, 5e-4)},
        {CALL(BetaInvX(0.999, 5e-4, 1.0)), ""},
        {CALL(BetaInvX(0.001, 1.0, 5e-4)), ""},
        {CALL(BetaI(0.5, 1.0, 5e-4)), "", 1.0 - std::pow(0.5, 5e-4)},
        {CALL(BetaI(1.5, 2.0, 2.0)), iRange, 1.0},
        {CALL(BetaI(-0.1, 2.0, 2.0)), iRange, 0.0},
        {CALL(BetaI(0.5, 0.0, 2.0)), iShape},
        {CALL(BetaI(0.5, 2.0, 0.0)), iShape},
        {CALL(BetaI(1.5, 0.0, 2.0)), iRange + iShape + lBeta + g0},
        // p alpha B = 1: the start is x = 1, where ln(1 - x) is taken once; bisection follows.
        {CALL(BetaInvX(0.5, 1.0, 0.5)), lnRel, 0.75},
        // The other status codes print nothing; shapes are looked at before p.
        {CALL(BetaInvX(0.0, 2.0, 3.0, kLow)), "", 0.0},
        {CALL(BetaInvX(-0.2, 2.0, 3.0, kLow)), "", 0.0},
        {CALL(BetaInvX(1.0, 2.0, 3.0, kHigh)), "", 1.0},
        {CALL(BetaInvX(1.3, 2.0, 3.0, kHigh)), "", 1.0},
        {CALL(BetaInvX(0.3, -1.0, 2.0, kShape)), "", 0.0},
        {CALL(BetaInvX(0.3, 2.0, 0.0, kShape)), "", 0.0},
        {CALL(BetaInvX(1.0, 0.0, 3.0, kShape)), "", 0.0},
        {CALL(BetaInvX(0.3, 1000.0, 1000.0, kNone)), "", -1.0}, // B underflows: x not written
        {CALL(BetaInvX(0.7, 1000.0, 1000.0, kNone)), "", -1.0},
        {CALL(dLnRel(-0.999999)), ""},
        {CALL(dLnRel(-1.0)), lnRel, -kInf},
        {CALL(dLnRel(-2.0)), lnRel, kNaN},
        {CALL(Entsrc(0, 0, 1)), "", 1.0},
        {CALL(Entsrc(0, 2, 0)), "", 2.0}, // 0 keeps the mode
        {CALL(Entsrc(0, 2, 1)), "", 1.0},
        {CALL(Entsrc(0, 0, -1)), illegal, -1.0},
        {CALL(Entsrc(0, 1, 3)), illegal, 3.0}, // reported, and still taken
        {CALL(Entsrc(4, 0, 1)), "ENTSRC - Called while in an error state\n", 1.0},
        {CALL(Entsrc(4, 1, 7)), illegal + "ENTSRC - Called while in an error state\n", 7.0},
    };
    const SErrorState saved = GetErrorState();
    for (const SPrinted& c : cases) {
        double value = 0.0;
        EXPECT_EQ(CapturedOutputOf([&] { value = c.run(); }), c.printed) << c.call;
        const double want = c.value.value_or(value); // to 12 digits, NaN for NaN
        EXPECT_TRUE(value == want || std::fabs(value - want) <= 1e-12 * std::fabs(want) ||
                    (std::isnan(want) && std::isnan(value)))
            << c.call << " gives " << value;
    }
    SetErrorState(saved);
}

// The store: reading keeps the value, storing returns the old one, the slots are independent, and
// slots outside read as 0 and keep nothing. A capture takes the lines of its own thread only, the
// innermost capture first; printing it later gives the bytes that printing at once would have
// given. Each thread starts from an error state of zeros and changes only its own.
TEST(ErrorState, StoreAndCapturesBelongToTheirThread) {
    const std::string lineA = CapturedOutputOf([] { dLBeta(-1.0, 2.0); });
    const std::string linesB = CapturedOutputOf([] { dLBeta(0.0, 1.0); });
    ASSERT_FALSE(lineA.empty() || linesB.empty());
    const SErrorState saved = GetErrorState();
    ErrState(ERRSTATE_ERROR_NUMBER, 0, true);
    EXPECT_EQ(ErrState(ERRSTATE_ERROR_NUMBER, 7, false), 0);
    EXPECT_EQ(ErrState(ERRSTATE_ERROR_NUMBER, 5, true), 0);
    ErrState(ERRSTATE_RECOVERY_MODE, 4, true);
    for (int n : {3, -1}) // braces: stored, then read
        EXPECT_EQ((std::pair{ErrState(n, 6, true), ErrState(n, 0, false)}), std::pair(0, 0));
    std::string workerText, innerText;
    SErrorState seenByWorker;
    const std::string printed = CapturedOutputOf([&] {
        std::thread worker([&] {
            seenByWorker = GetErrorState();
            ErrState(ERRSTATE_RECOVERY_MODE, 2, true);
            CDiagnosticCapture capture;
            dLBeta(-1.0, 2.0);
            {
                CDiagnosticCapture inner;
                PrintDiagnostic("n in GaussHerm must be equal %d", 20);
                innerText = inner.GetText();
            }
            dLBeta(0.0, 1.0);
            workerText = capture.GetText();
        });
        worker.join();
        dLBeta(-1.0, 2.0); // this thread has no capture
    });
    EXPECT_EQ(printed, lineA);
    EXPECT_EQ(innerText, "n in GaussHerm must be equal 20");
    EXPECT_EQ(workerText, lineA + linesB);
    EXPECT_EQ(CapturedOutputOf([&] { PrintCapturedDiagnostics(workerText); }), workerText);
    std::string forwarded, taken; // workers' lines reach a capture of the thread that started them
    EXPECT_EQ(CapturedOutputOf([&] {
                  CDiagnosticCapture capture;
                  PrintCapturedDiagnostics(workerText);
                  taken = capture.TakeText();
                  PrintCapturedDiagnostics(innerText);
                  forwarded = capture.GetText();
              }),
              "");
    EXPECT_EQ(std::pair(taken, forwarded), std::pair(workerText, innerText));
    EXPECT_EQ(seenByWorker, SErrorState{});
    EXPECT_EQ(ErrState(ERRSTATE_ERROR_NUMBER, 0, false), 5);
    EXPECT_EQ(ErrState(ERRSTATE_RECOVERY_MODE, 0, false), 4);
    SetErrorState(saved);
}

} // namespace
