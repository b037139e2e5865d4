// Chart axis scales: round steps, ticks on whole multiples, the data range covered; tick texts.

#include <stochvar/editor/ChartScale.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace stochvar {
namespace {

TEST(AxisScale, RoundStepsWholeTicksAndTheDataCoveredAlsoWithoutWidthOrNotFinite) {
    const struct {
        double dLow, dHigh;
        int nMaxTicks;
    } cases[] = {{0.0, 1.0, 6},  {0.0, 0.37, 5}, {-3.2, 7.9, 8},    {1e-6, 3e-6, 4},
                 {2.6, 9.1, 11}, {5.0, 1.0, 6},  {-1e6, -2.5e5, 7}, {0.1, 8.0, 2}};
    for (const auto& c : cases) {
        for (const bool bExtend : {true, false}) {
            const SAxisScale scale = MakeAxisScale(c.dLow, c.dHigh, c.nMaxTicks, bExtend);
            SCOPED_TRACE(testing::Message() << c.dLow << ".." << c.dHigh << " extend " << bExtend);
            const double dMantissa =
                scale.dStep / std::pow(10.0, std::floor(std::log10(scale.dStep)));
            EXPECT_TRUE(std::fabs(dMantissa - 1) < 1e-9 || std::fabs(dMantissa - 2) < 1e-9 ||
                        std::fabs(dMantissa - 5) < 1e-9)
                << scale.dStep;
            EXPECT_LE(scale.dLow, std::min(c.dLow, c.dHigh));
            EXPECT_GE(scale.dHigh, std::max(c.dLow, c.dHigh));
            ASSERT_GE(scale.ticks.size(), bExtend ? 2u : 1u);
            EXPECT_LE(static_cast<int>(scale.ticks.size()), c.nMaxTicks + 2);
            if (bExtend) { // the axis ends on ticks
                EXPECT_EQ(std::pair(scale.ticks.front(), scale.ticks.back()),
                          std::pair(scale.dLow, scale.dHigh));
            } else { // the axis is the data range
                EXPECT_EQ(std::pair(scale.dLow, scale.dHigh),
                          std::pair(std::min(c.dLow, c.dHigh), std::max(c.dLow, c.dHigh)));
            }
            for (std::size_t i = 0; i < scale.ticks.size(); ++i) {
                const double dMultiple = scale.ticks[i] / scale.dStep;
                EXPECT_LT(std::fabs(dMultiple - std::round(dMultiple)), 1e-6) << scale.ticks[i];
                EXPECT_TRUE(scale.ticks[i] >= scale.dLow && scale.ticks[i] <= scale.dHigh);
                if (i > 0) {
                    EXPECT_NEAR(scale.ticks[i] - scale.ticks[i - 1], scale.dStep,
                                scale.dStep * 1e-9);
                }
            }
        }
    }
    for (const double dValue : {0.0, 1000.0, -2.5}) { // an empty range is widened around its value
        const SAxisScale scale = MakeAxisScale(dValue, dValue, 6, true);
        EXPECT_TRUE(scale.dLow < dValue && scale.dHigh > dValue) << dValue;
    }
    const double dMax = std::numeric_limits<double>::max();
    for (const auto& [dLow, dHigh] : {std::pair{std::nan(""), 1.0}, std::pair{0.0, HUGE_VAL},
                                      std::pair{-dMax, dMax}}) { // not finite: the unit interval
        const SAxisScale scale = MakeAxisScale(dLow, dHigh, 6, true);
        EXPECT_EQ(std::pair(scale.dLow, scale.dHigh), std::pair(0.0, 1.0));
    }
    // At 1e17 neighbouring doubles are 16 apart, so tick numbers cannot count by ones.
    EXPECT_LE(MakeAxisScale(1e17, 1e17 + 64.0, 5, true).ticks.size(), 7u);
}

TEST(TickText, ShowsTheDigitsTheStepNeeds) {
    const struct {
        double dValue, dStep;
        const char* pszText;
    } cases[] = {{0.1 * 3.0, 0.1, "0.3"},     {1e-17, 0.1, "0"},
                 {12.5, 0.5, "12.5"},         {-2.0, 1.0, "-2"},
                 {1234567.0, 1.0, "1234567"}, {0.000125, 0.000025, "0.000125"},
                 {123456.8, 0.2, "123456.8"}};
    for (const auto& c : cases) {
        EXPECT_EQ(TickText(c.dValue, c.dStep).toStdString(), c.pszText) << c.dValue;
    }
}

} // namespace
} // namespace stochvar
