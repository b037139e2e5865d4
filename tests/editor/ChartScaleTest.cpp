// Axis scales of the chart: round steps, ticks on whole multiples, coverage of the data range.

#include <stochvar/editor/ChartScale.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace stochvar {
namespace {

// True when dStep is 1, 2 or 5 times a power of ten.
bool IsRoundStep(double dStep) {
    const double dMantissa = dStep / std::pow(10.0, std::floor(std::log10(dStep)));
    for (const double dRound : {1.0, 2.0, 5.0, 10.0}) {
        if (std::fabs(dMantissa - dRound) < 1e-9) {
            return true;
        }
    }
    return false;
}

bool IsMultipleOf(double dValue, double dStep) {
    const double dRatio = dValue / dStep;
    return std::fabs(dRatio - std::round(dRatio)) < 1e-6;
}

struct SScaleCase {
    double dLow;
    double dHigh;
    int nMaxTicks;
};

class AxisScaleCases : public ::testing::TestWithParam<SScaleCase> {};

TEST_P(AxisScaleCases, ExtendedScaleCoversTheDataWithWholeRoundSteps) {
    const SScaleCase c = GetParam();
    const SAxisScale scale = MakeAxisScale(c.dLow, c.dHigh, c.nMaxTicks, true);
    EXPECT_TRUE(IsRoundStep(scale.dStep)) << "step " << scale.dStep;
    EXPECT_LE(scale.dLow, std::min(c.dLow, c.dHigh));
    EXPECT_GE(scale.dHigh, std::max(c.dLow, c.dHigh));
    EXPECT_TRUE(IsMultipleOf(scale.dLow, scale.dStep)) << scale.dLow;
    EXPECT_TRUE(IsMultipleOf(scale.dHigh, scale.dStep)) << scale.dHigh;
    ASSERT_GE(scale.ticks.size(), 2u);
    EXPECT_LE(static_cast<int>(scale.ticks.size()), c.nMaxTicks + 2);
    EXPECT_DOUBLE_EQ(scale.ticks.front(), scale.dLow);
    EXPECT_DOUBLE_EQ(scale.ticks.back(), scale.dHigh);
    for (std::size_t i = 1; i < scale.ticks.size(); ++i) {
        EXPECT_NEAR(scale.ticks[i] - scale.ticks[i - 1], scale.dStep, scale.dStep * 1e-9);
    }
}

TEST_P(AxisScaleCases, UnextendedScaleIsTheDataRangeWithTicksInside) {
    const SScaleCase c = GetParam();
    const SAxisScale scale = MakeAxisScale(c.dLow, c.dHigh, c.nMaxTicks, false);
    EXPECT_DOUBLE_EQ(scale.dLow, std::min(c.dLow, c.dHigh));
    EXPECT_DOUBLE_EQ(scale.dHigh, std::max(c.dLow, c.dHigh));
    EXPECT_TRUE(IsRoundStep(scale.dStep));
    ASSERT_FALSE(scale.ticks.empty());
    EXPECT_LE(static_cast<int>(scale.ticks.size()), c.nMaxTicks + 2);
    for (const double dTick : scale.ticks) {
        EXPECT_GE(dTick, scale.dLow);
        EXPECT_LE(dTick, scale.dHigh);
        EXPECT_TRUE(IsMultipleOf(dTick, scale.dStep)) << dTick;
    }
}

INSTANTIATE_TEST_SUITE_P(Ranges, AxisScaleCases,
                         ::testing::Values(SScaleCase{0.0, 1.0, 6}, SScaleCase{0.0, 0.37, 5},
                                           SScaleCase{-3.2, 7.9, 8}, SScaleCase{1e-6, 3e-6, 4},
                                           SScaleCase{2.6, 9.1, 11}, SScaleCase{5.0, 1.0, 6},
                                           SScaleCase{-1e6, -2.5e5, 7}, SScaleCase{0.1, 8.0, 2}));

TEST(AxisScale, EmptyRangeIsWidenedAroundItsValue) {
    for (const double dValue : {0.0, 1000.0, -2.5}) {
        const SAxisScale scale = MakeAxisScale(dValue, dValue, 6, true);
        EXPECT_LT(scale.dLow, dValue);
        EXPECT_GT(scale.dHigh, dValue);
    }
}

TEST(AxisScale, RangeThatIsNotFiniteBecomesTheUnitInterval) {
    const double dNaN = std::numeric_limits<double>::quiet_NaN();
    const double dInf = std::numeric_limits<double>::infinity();
    for (const auto& [dLow, dHigh] :
         {std::pair{dNaN, 1.0}, std::pair{0.0, dInf},
          std::pair{-std::numeric_limits<double>::max(), std::numeric_limits<double>::max()}}) {
        const SAxisScale scale = MakeAxisScale(dLow, dHigh, 6, true);
        EXPECT_EQ(scale.dLow, 0.0);
        EXPECT_EQ(scale.dHigh, 1.0);
    }
}

TEST(AxisScale, RangeFarFromZeroStillEndsWithFewTicks) {
    // At 1e17 neighbouring doubles are 16 apart, so tick numbers cannot count by ones.
    const SAxisScale scale = MakeAxisScale(1e17, 1e17 + 64.0, 5, true);
    EXPECT_LE(scale.ticks.size(), 7u);
}

TEST(TickText, ShowsTheDigitsTheStepNeeds) {
    struct SCase {
        double dValue;
        double dStep;
        const char* pszText;
    };
    const SCase cases[] = {
        {0.1 * 3.0, 0.1, "0.3"},          // 0.30000000000000004 in binary
        {1e-17, 0.1, "0"},                // rounding residue of a tick at zero
        {12.5, 0.5, "12.5"},              //
        {-2.0, 1.0, "-2"},                //
        {1234567.0, 1.0, "1234567"},      // seven digits, more than the default six
        {0.000125, 0.000025, "0.000125"}, //
        {123456.8, 0.2, "123456.8"},      //
    };
    for (const SCase& c : cases) {
        EXPECT_EQ(TickText(c.dValue, c.dStep).toStdString(), c.pszText) << c.dValue;
    }
}

} // namespace
} // namespace stochvar
