// The special and elementary functions against independent references: the C library's tgamma,
// lgamma, log1p and expm1 (a few ulps), closed forms, a continued fraction for the incomplete
// beta function, and identities such as I_x(a, b) = 1 - I_{1-x}(b, a).
// What they print on bad arguments is in DiagnosticsTest.cpp.

#include <stochvar/numerics/BetaFunctions.h>
#include <stochvar/numerics/Chebyshev.h>
#include <stochvar/numerics/ChebyshevTables.h>
#include <stochvar/numerics/Elementary.h>
#include <stochvar/numerics/ErrorState.h>
#include <stochvar/numerics/GammaFunctions.h>
#include <stochvar/numerics/MachineConstant.h>

#include "CapturedOutput.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <limits>
#include <numbers>
#include <tuple>
#include <utility>
#include <vector>

using namespace stochvar;
using stochvar::test::CapturedOutputOf;

namespace {

constexpr double kEps = DBL_EPSILON;
constexpr double kPi = std::numbers::pi;
const double kNaN = std::numeric_limits<double>::quiet_NaN();

// Gamma: a few roundings of an exponent of size |ln Gamma(x)| and, for x < 0, of the reflection's
// sin(pi x), whose rounded argument costs eps pi |x| / |sin(pi x)| relative.
double GammaErrorBound(double x) {
    const double reflection = x < 0.0 ? kPi * std::fabs(x) / std::fabs(std::sin(kPi * x)) : 0.0;
    return 4.0 * kEps * (std::fmax(1.0, std::fabs(std::lgamma(x))) + reflection);
}

TEST(DGamma, AgreesWithTheCLibraryOverItsRange) {
    std::vector<double> xs = {1e-8, -1e-8, 170.9};
    for (double x = -9.93; x < 12.0; x += 0.173) xs.push_back(x); // none within 0.01 of a pole
    for (double x = 12.0 + 1.0 / 3.0; x < 171.0; x += 1.37) xs.push_back(x);
    for (double x = -60.31; x < -10.0; x += 1.37) xs.push_back(x);
    EXPECT_EQ(CapturedOutputOf([&] {
                  for (double x : xs) {
                      const double expected = std::tgamma(x);
                      EXPECT_NEAR(dGamma(x), expected, GammaErrorBound(x) * std::fabs(expected))
                          << x;
                      EXPECT_NEAR(dLnGam(x), std::lgamma(x), GammaErrorBound(x)) << x;
                  }
                  for (double x : {200.5, 1000.25, 1e5 + 0.3, 3e7, 4e7, 1e10, 1e100, 1e300})
                      EXPECT_NEAR(dLnGam(x), std::lgamma(x), GammaErrorBound(x)) << x;
              }),
              "");
    EXPECT_EQ(dGamma(5.0), 24.0);
    EXPECT_NEAR(dGamma(-0.5), -2.0 * std::sqrt(kPi), 8.0 * kEps * std::sqrt(kPi));
}

// The coefficient tables are the Chebyshev series of Gamma on [1, 2] and of ln(1 + x) on
// |x| <= 0.375 (dcsevl outside [-1, 1] and with bad term counts: DiagnosticsTest.cpp).
TEST(Chebyshev, TablesGiveTheirFunctions) {
    for (double y = 0.0; y < 1.0; y += 1.0 / 64.0)
        EXPECT_NEAR(0.9375 + dcsevl(2.0 * y - 1.0, GAMCS, 42), std::tgamma(1.0 + y), 1e-15) << y;
    for (double x = -0.375; x <= 0.375; x += 0.375 / 32.0) {
        const double expected = std::log1p(x);
        EXPECT_NEAR(x * (1.0 - x * dcsevl(x / 0.375, ALNRCS, 43)), expected,
                    4e-16 * std::fabs(expected) + 1e-300) << x;
    }
}

// InitDS keeps the term whose addition to the tail (summed from the end) reached eta.
TEST(Chebyshev, InitDSDropsTheLongestTailBelowEta) {
    const double os[] = {1.0, -0.1, 0.01, -0.001};
    for (auto [eta, expected] : {std::pair{0.0005, 4}, {0.001, 4}, {0.0011, 3}, {0.011, 3},
                                 {0.0111, 2}, {0.2, 1}, {100.0, 1}}) {
        EXPECT_EQ(InitDS(os, 4, eta), expected) << eta;
    }
}

// dSign takes the sign from b > 0, so a zero b (either sign) makes it negative; TruncToInt
// truncates toward zero and saturates, NaN giving 0.
TEST(Elementary, SignAndTruncation) {
    for (auto [a, b, sign] : {std::tuple{3.0, -1.0, -3.0}, {-3.0, 1e-300, 3.0}, {3.0, 0.0, -3.0},
                              {-3.0, -0.0, -3.0}, {2.0, kNaN, -2.0}}) {
        EXPECT_EQ(dSign(a, b), sign) << a << ", " << b;
    }
    for (auto [x, n] : {std::pair{2.9, 2}, {-2.9, -2}, {1e300, INT_MAX}, {-1e300, INT_MIN},
                        {kNaN, 0}}) {
        EXPECT_EQ(detail::TruncToInt(x), n) << x;
    }
}

TEST(Elementary, LnRelAndExpRlAgreeWithTheCLibrary) {
    // Both sides of each switch between series and direct formula, and tiny arguments.
    for (double x : {-0.99, -0.6, -0.376, -0.375, -0.2, -1e-3, -1e-10, -1e-300, 0.0, 1e-300,
                     1e-16, 1e-10, 1e-5, 0.01, 0.1, 0.374, 0.375, 0.376, 0.5, 1.0, 10.0, 1e100})
        EXPECT_NEAR(dLnRel(x), std::log1p(x), 4.0 * kEps * std::fabs(std::log1p(x))) << x;
    for (double x : {-30.0, -2.0, -0.51, -0.5, -0.3, -1e-3, -1e-12, 1e-17, 1e-15, 1e-12, 1e-6,
                     0.1, 0.49, 0.5, 0.51, 1.0, 7.0, 50.0})
        EXPECT_NEAR(dExpRl(x), std::expm1(x) / x, 8.0 * kEps * std::expm1(x) / x) << x;
    for (double x : {0.0, -0.0, 8.8817841970012e-16, -8.8817841970012e-16})
        EXPECT_EQ(dExpRl(x), 1.0) << x;
    EXPECT_GT(dExpRl(1e-15), 1.0);
    EXPECT_LT(dExpRl(-1e-15), 1.0);
}

// The direct formula runs in recovery mode 1 and restores the mode it found; "restoring" 0
// keeps mode 1, as 0 means "keep the current mode".
TEST(Elementary, ExpRlRestoresTheRecoveryMode) {
    const SErrorState saved = GetErrorState();
    for (auto [before, after] : {std::pair{2, 2}, {0, 1}}) {
        ErrState(ERRSTATE_RECOVERY_MODE, before, true);
        EXPECT_EQ(CapturedOutputOf([] { dExpRl(0.3); dExpRl(1.0); }), "");
        EXPECT_EQ(ErrState(ERRSTATE_RECOVERY_MODE, 0, false), after) << before;
    }
    SetErrorState(saved);
}

// Beta functions: ln B from lgamma, and the absolute error bound of anything computed from it.
double LnBeta(double a, double b) { return std::lgamma(a) + std::lgamma(b) - std::lgamma(a + b); }
double LnBetaBound(double a, double b) {
    return 4.0 * kEps * (10.0 + std::fabs(std::lgamma(a)) + std::fabs(std::lgamma(b)) +
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
    for (int m = 1; m <= 10000 && std::fabs(d * c - 1.0) >= 1e-16; ++m) {
        const double even = m * (b - m) * x / ((a + 2.0 * m - 1.0) * (a + 2.0 * m));
        const double odd = -(a + m) * (a + b + m) * x / ((a + 2.0 * m) * (a + 2.0 * m + 1.0));
        d = 1.0 / guard(1.0 + even * d);
        c = guard(1.0 + even / c);
        h *= d * c;
        d = 1.0 / guard(1.0 + odd * d);
        c = guard(1.0 + odd / c);
        h *= d * c;
    }
    const double lower = std::exp(a * std::log(x) + b * std::log1p(-x) - LnBeta(a, b)) * h / a;
    return bUpper ? 1.0 - lower : lower;
}

const double kShapes[] = {0.1, 0.5, 0.9, 1.0, 2.5, 7.0, 12.0, 35.0, 150.0};

TEST(BetaFunctions, AgreeWithLgammaInEveryBranch) {
    // Shapes both below 10, one below 10, both at or above 10; a + b above 171.05 goes through
    // the logarithm, and an underflowing B gives -1.
    const double shapes[] = {0.1, 0.5, 1.0, 2.5, 9.9, 10.0, 12.0, 35.0, 150.0, 300.0, 1e5};
    EXPECT_EQ(CapturedOutputOf([&] {
                  for (double a : shapes) {
                      for (double b : shapes) {
                          const double bound = LnBetaBound(a, b), ln = LnBeta(a, b);
                          EXPECT_NEAR(dLBeta(a, b), ln, bound) << a << ", " << b;
                          EXPECT_EQ(dLBeta(a, b), dLBeta(b, a)) << a << ", " << b;
                          if (ln > -700.0) {
                              EXPECT_NEAR(dBeta(a, b), std::exp(ln), bound * std::exp(ln)) << a;
                          }
                      }
                  }
              }),
              "");
    EXPECT_NEAR(dBeta(0.5, 0.5), kPi, 8.0 * kEps * kPi);
    EXPECT_EQ(dBeta(1000.0, 1000.0), -1.0);
    EXPECT_EQ(dBeta(600.0, 600.0), -1.0);
}

TEST(BetaI, AgreesWithTheContinuedFractionAndClosedForms) {
    // Below x = 0.2 the lower tail is matched relative to its size as well. Nothing is printed.
    EXPECT_EQ(CapturedOutputOf([] {
                  for (double x : {1e-6, 0.001, 0.05, 0.19, 0.2, 0.35, 0.5, 0.65, 0.8, 0.999}) {
                      for (double a : kShapes) {
                          for (double b : kShapes) {
                              const double expected = ReferenceBetaI(x, a, b);
                              EXPECT_NEAR(BetaI(x, a, b), expected,
                                          LnBetaBound(a, b) * (x < 0.2 ? expected : 1.0))
                                  << x << ", " << a << ", " << b;
                          }
                      }
                  }
              }),
              "");
    const double tol = 16.0 * kEps;
    for (int k = 0; k <= 64; ++k) {
        const double x = k / 64.0; // exact, and so is 1 - x
        for (double a : {0.3, 1.0, 2.5, 12.0}) {
            EXPECT_NEAR(BetaI(x, a, 1.0), std::pow(x, a), tol + tol * std::pow(x, a)) << x << a;
            EXPECT_NEAR(BetaI(x, 1.0, a), 1.0 - std::pow(1.0 - x, a), tol) << x << ", " << a;
        }
        EXPECT_NEAR(BetaI(x, 0.5, 0.5), 2.0 / kPi * std::asin(std::sqrt(x)), tol) << x;
        for (double a : kShapes) {
            for (double b : {0.5, 3.0, 40.0})
                EXPECT_NEAR(BetaI(x, a, b) + BetaI(1.0 - x, b, a), 1.0, tol) << x << a << ", " << b;
            EXPECT_EQ(BetaI(0.0, a, 3.0), 0.0);
            EXPECT_EQ(BetaI(1.0, a, 3.0), 1.0);
        }
    }
    EXPECT_EQ(BetaI(0.5, 2.0, 2.0), 0.5);
}

struct SInverse { double x = -1.0; int status = -1; };
SInverse Inverse(double p, double a, double b) {
    SInverse r;
    BetaInv(p, a, b, r.x, r.status);
    return r;
}

TEST(BetaInv, StatusCodes) {
    struct SCase { double p, a, b; int status; double x; }; // x -1: nothing written
    const int shape = BETAINV_SHAPE_NOT_POSITIVE, none = BETAINV_NO_RESULT;
    const int low = BETAINV_P_NOT_POSITIVE, high = BETAINV_P_NOT_BELOW_ONE;
    const SCase cases[] = {
        {0.0, 2.0, 3.0, low, 0.0},  {-0.2, 2.0, 3.0, low, 0.0}, {1.0, 2.0, 3.0, high, 1.0},
        {1.3, 2.0, 3.0, high, 1.0},
        {0.3, -1.0, 2.0, shape, 0.0}, {0.3, 2.0, 0.0, shape, 0.0}, {1.0, 0.0, 0.0, shape, 0.0},
        {0.3, 1000.0, 1000.0, none, -1.0}, {0.7, 1000.0, 1000.0, none, -1.0}, // B underflows
    };
    for (const SCase& c : cases) {
        const SInverse r = Inverse(c.p, c.a, c.b);
        EXPECT_EQ(r.status, c.status) << c.p << ", " << c.a << ", " << c.b;
        EXPECT_EQ(r.x, c.x) << c.p << ", " << c.a << ", " << c.b;
    }
}

// The iteration starts at (p alpha B)^(1/alpha) in the lower tail (p <= 0.5, else 1 - p with the
// shapes exchanged). When that lands on 1 to within rounding, the stopping rule, which looks at
// the step alone, accepts the first tiny step: such starts are set aside.
bool StartsNextToOne(double p, double a, double b) {
    const bool bLower = p <= 0.5;
    const double alpha = bLower ? a : b, q = bLower ? p : 1.0 - p;
    return std::fabs(std::log(q) + LnBeta(alpha, bLower ? b : a) + std::log(alpha)) < 1e-9;
}

TEST(BetaInv, BetaIOfTheQuantileGivesBackP) {
    int nChecked = 0;
    const auto check = [&](double p, double a, double b) {
        const SInverse r = Inverse(p, a, b);
        ASSERT_EQ(r.status, BETAINV_CONVERGED) << p << ", " << a << ", " << b;
        ASSERT_TRUE(r.x >= 0.0 && r.x <= 1.0) << r.x;
        ++nChecked;
        // The step criterion is 1e-10 relative to the lower-tail variable; twice that moves I by
        // the density times it. On top: the spacing of doubles at x, which limits how well any x
        // can do near 1, and BetaI's own accuracy.
        const double x = r.x, tail = p <= 0.5 ? x : 1.0 - x;
        const double f = x > 0.0 && x < 1.0 ? std::exp((a - 1.0) * std::log(x) +
                                                       (b - 1.0) * std::log1p(-x) - LnBeta(a, b))
                                            : 0.0;
        const double spacing = BetaI(std::fmin(std::nextafter(x, 2.0), 1.0), a, b) -
                               BetaI(std::fmax(std::nextafter(x, -1.0), 0.0), a, b);
        EXPECT_NEAR(BetaI(x, a, b), p, 2e-10 * tail * f + spacing + 1e-13)
            << p << ", " << a << ", " << b << ", x = " << x;
    };
    EXPECT_EQ(CapturedOutputOf([&] {
                  for (double p : {1e-12, 1e-8, 1e-4, 0.001, 0.01, 0.1, 0.3, 0.5, 0.7, 0.9, 0.99,
                                   0.999, 0.9999, 1.0 - 1e-8})
                      for (double a : kShapes)
                          for (double b : kShapes)
                              if (!StartsNextToOne(p, a, b)) check(p, a, b);
              }),
              "");
    EXPECT_GT(nChecked, 1100); // of 1134
    // One of those set aside: p = 0.9, a = 0.1, b = 1 starts just below 1, where the exchanged
    // density is singular; the first step, about 1e-13, is accepted, far from 0.9^10 = 0.3487.
    const SInverse r = Inverse(0.9, 0.1, 1.0);
    EXPECT_TRUE(StartsNextToOne(0.9, 0.1, 1.0));
    EXPECT_EQ(r.status, BETAINV_CONVERGED);
    EXPECT_LT(r.x, 1e-12);
}

} // namespace
