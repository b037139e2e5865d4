#include <stochvar/numerics/Elementary.h>
#include <stochvar/numerics/ErrorState.h>

#include "CapturedOutput.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <limits>

using namespace stochvar;
using stochvar::test::CapturedOutputOf;

namespace {

constexpr double kEps = DBL_EPSILON;
const double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(SignMaxMin, Table) {
    struct Case {
        double a, b, sign, max, min;
    };
    const Case cases[] = {
        {3.0, 1.0, 3.0, 3.0, 1.0},      {3.0, -1.0, -3.0, 3.0, -1.0}, {-3.0, 1.0, 3.0, 1.0, -3.0},
        {-3.0, -1.0, -3.0, -1.0, -3.0}, {3.0, 0.0, -3.0, 3.0, 0.0},   {-3.0, 0.0, -3.0, 0.0, -3.0},
        {2.0, 2.0, 2.0, 2.0, 2.0},      {1.0, 1.0, 1.0, 1.0, 1.0},    {0.0, 5.0, 0.0, 5.0, 0.0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(dSign(c.a, c.b), c.sign) << c.a << ", " << c.b;
        EXPECT_EQ(dMax(c.a, c.b), c.max) << c.a << ", " << c.b;
        EXPECT_EQ(dMin(c.a, c.b), c.min) << c.a << ", " << c.b;
    }
    // Ties and NaN follow the comparisons as written: dMax returns b when a <= b, dMin returns
    // a when a < b, so on a tie both return b.
    EXPECT_TRUE(std::signbit(dMax(0.0, -0.0)));
    EXPECT_FALSE(std::signbit(dMax(-0.0, 0.0)));
    EXPECT_TRUE(std::signbit(dMin(0.0, -0.0)));
    EXPECT_FALSE(std::signbit(dMin(-0.0, 0.0)));
    EXPECT_TRUE(std::isnan(dMax(kNaN, 1.0)));
    EXPECT_EQ(dMax(1.0, kNaN), 1.0);
    EXPECT_EQ(dMin(kNaN, 1.0), 1.0);
    EXPECT_TRUE(std::isnan(dMin(1.0, kNaN)));
    EXPECT_EQ(dSign(2.0, kNaN), -2.0);
}

TEST(Sign, ZeroTakesTheSignChosenByB) {
    // +0 and -0 compare equal, so the sign bit of the result is checked on its own.
    struct Case {
        double a, b, sign;
    };
    const Case cases[] = {
        {-0.0, 1.0, 0.0},  {0.0, 1.0, 0.0},   {-0.0, -1.0, -0.0},  {0.0, -1.0, -0.0},
        {-0.0, 0.0, -0.0}, {0.0, -0.0, -0.0}, {-2.0, 1e-300, 2.0}, {2.0, -0.0, -2.0},
    };
    for (const Case& c : cases) {
        const double result = dSign(c.a, c.b);
        EXPECT_EQ(result, c.sign) << c.a << ", " << c.b;
        EXPECT_EQ(std::signbit(result), std::signbit(c.sign)) << c.a << ", " << c.b;
    }
}

TEST(TruncToInt, TowardZeroAndSaturating) {
    EXPECT_EQ(detail::TruncToInt(2.9), 2);
    EXPECT_EQ(detail::TruncToInt(-2.9), -2);
    EXPECT_EQ(detail::TruncToInt(1e300), INT_MAX);
    EXPECT_EQ(detail::TruncToInt(-1e300), INT_MIN);
    EXPECT_EQ(detail::TruncToInt(kNaN), 0);
}

TEST(DLnRel, AgreesWithLog1p) {
    // Both sides of the 0.375 switch from the series to the logarithm, and tiny arguments where
    // ln(1 + x) computed directly would lose every digit. log1p is correctly rounded to within
    // an ulp; the series keeps terms down to 8.9e-17 of its sum.
    const double xs[] = {-0.99, -0.6,   -0.376, -0.375, -0.2, -1e-3, -1e-10, -1e-300,
                         0.0,   1e-300, 1e-16,  1e-10,  1e-5, 0.01,  0.1,    0.374,
                         0.375, 0.376,  0.5,    1.0,    10.0, 1e100};
    for (double x : xs) {
        const double expected = std::log1p(x);
        EXPECT_NEAR(dLnRel(x), expected, 4.0 * kEps * std::fabs(expected)) << "x = " << x;
    }
    // ln(1 + 1e-10) = 1e-10 - 5e-21 + 3.3e-31 - ...
    EXPECT_NEAR(dLnRel(1e-10), 9.9999999995e-11, 2.0 * kEps * 1e-10);
}

TEST(DLnRel, ReportsArgumentsAtOrBelowMinusOne) {
    struct Case {
        double x;
        const char* expected;
    };
    const Case cases[] = {
        {-0.999999, ""},
        {-1.0, "dLnRel:  x is <= -1\n"},
        {-2.0, "dLnRel:  x is <= -1\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CapturedOutputOf([&] { dLnRel(c.x); }), c.expected) << "x = " << c.x;
    }
    double value = 0.0;
    CapturedOutputOf([&] { value = dLnRel(-1.0); });
    EXPECT_EQ(value, -std::numeric_limits<double>::infinity());
    CapturedOutputOf([&] { value = dLnRel(-2.0); });
    EXPECT_TRUE(std::isnan(value));
}

TEST(DExpRl, AgreesWithExpm1OverX) {
    // Around 0 the truncated Taylor series (15 terms, dropped tail below 0.5^15/16!) and the
    // direct formula beyond |x| = 0.5, where exp(x) - 1 loses at most a few bits.
    const double xs[] = {-30.0, -2.0, -0.51, -0.5, -0.3, -1e-3, -1e-12, 1e-17, 1e-15,
                         1e-12, 1e-6, 0.1,   0.49, 0.5,  0.51,  1.0,    7.0,   50.0};
    for (double x : xs) {
        const double expected = std::expm1(x) / x;
        EXPECT_NEAR(dExpRl(x), expected, 8.0 * kEps * expected) << "x = " << x;
    }
}

TEST(DExpRl, OneWithinTheRelativeSpacing) {
    for (double x : {0.0, -0.0, 8.8817841970012e-16, -8.8817841970012e-16, 1e-300}) {
        EXPECT_EQ(dExpRl(x), 1.0) << "x = " << x;
    }
    // (e^x - 1)/x = 1 + x/2 + ...: just beyond the spacing the series shows the x/2 again.
    EXPECT_GT(dExpRl(1e-15), 1.0);
    EXPECT_LT(dExpRl(-1e-15), 1.0);
}

TEST(DExpRl, DirectFormulaRunsInRecoveryModeOneAndPrintsNothing) {
    const int nSavedMode = ErrState(ERRSTATE_RECOVERY_MODE, 0, false);
    ErrState(ERRSTATE_RECOVERY_MODE, 2, true);
    EXPECT_EQ(CapturedOutputOf([] { dExpRl(0.3); }), "");
    EXPECT_EQ(ErrState(ERRSTATE_RECOVERY_MODE, 0, false), 2); // the series does not touch it
    EXPECT_EQ(CapturedOutputOf([] { dExpRl(1.0); }), "");
    EXPECT_EQ(ErrState(ERRSTATE_RECOVERY_MODE, 0, false), 2); // mode 1 entered, 2 restored

    // Restoring "mode 0" leaves the mode it entered: 0 means "keep the current mode".
    ErrState(ERRSTATE_RECOVERY_MODE, 0, true);
    dExpRl(1.0);
    EXPECT_EQ(ErrState(ERRSTATE_RECOVERY_MODE, 0, false), 1);
    ErrState(ERRSTATE_RECOVERY_MODE, nSavedMode, true);
}

} // namespace
