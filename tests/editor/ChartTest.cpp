// The chart: axis scales with round steps that cover the data, tick texts with the digits the
// step needs, and the curve it paints.

#include <stochvar/editor/Chart2D.h>
#include <stochvar/editor/ChartScale.h>

#include "EditorTestSupport.h"

#include <cmath>
#include <limits>

namespace stochvar {
namespace {

bool IsMultipleOf(double dValue, double dStep) {
    return std::fabs(dValue / dStep - std::round(dValue / dStep)) < 1e-6;
}

TEST(ChartScale, RoundStepsOnWholeMultiplesCoverTheDataOrStayInsideIt) {
    const double ranges[][3] = {{0.0, 1.0, 6},  {0.0, 0.37, 5}, {-3.2, 7.9, 8},    {1e-6, 3e-6, 4},
                                {2.6, 9.1, 11}, {5.0, 1.0, 6},  {-1e6, -2.5e5, 7}, {0.1, 8.0, 2}};
    for (const auto& [dLow, dHigh, dTicks] : ranges) {
        for (const bool bExtend : {true, false}) {
            SCOPED_TRACE(::testing::Message() << dLow << " .. " << dHigh << " " << bExtend);
            const SAxisScale s = MakeAxisScale(dLow, dHigh, static_cast<int>(dTicks), bExtend);
            const double dMantissa = s.dStep / std::pow(10.0, std::floor(std::log10(s.dStep)));
            EXPECT_TRUE(IsMultipleOf(dMantissa, 1.0) && IsMultipleOf(10.0, dMantissa))
                << "1, 2 or 5 times a power of ten: " << s.dStep;
            ASSERT_TRUE(!s.ticks.empty() && s.ticks.size() <= static_cast<size_t>(dTicks) + 2);
            for (size_t i = 0; i < s.ticks.size(); ++i) { // whole steps inside the axis
                EXPECT_TRUE(
                    IsMultipleOf(s.ticks[i], s.dStep) && s.ticks[i] >= s.dLow &&
                    s.ticks[i] <= s.dHigh &&
                    (i == 0 || std::fabs(s.ticks[i] - s.ticks[i - 1] - s.dStep) < 1e-9 * s.dStep))
                    << s.ticks[i];
            }
            if (bExtend) { // from below the data to above it, from tick to tick
                EXPECT_TRUE(s.dLow <= std::min(dLow, dHigh) && s.dHigh >= std::max(dLow, dHigh));
                EXPECT_DOUBLE_EQ(s.ticks.front(), s.dLow);
                EXPECT_DOUBLE_EQ(s.ticks.back(), s.dHigh);
            } else { // the data range
                EXPECT_TRUE(s.dLow == std::min(dLow, dHigh) && s.dHigh == std::max(dLow, dHigh));
            }
        }
    }
    const double dInf = std::numeric_limits<double>::infinity();
    for (const auto& [dLow, dHigh] :
         {std::pair{std::nan(""), 1.0}, {0.0, dInf}, {-1.7e308, 1.7e308}}) {
        const SAxisScale scale = MakeAxisScale(dLow, dHigh, 6, true);
        EXPECT_TRUE(scale.dLow == 0.0 && scale.dHigh == 1.0) << "not finite: the unit interval";
    }
    for (const double dValue : {0.0, 1000.0, -2.5}) {
        const SAxisScale scale = MakeAxisScale(dValue, dValue, 6, true);
        EXPECT_TRUE(scale.dLow < dValue && scale.dHigh > dValue) << "widened around " << dValue;
    }
    // At 1e17 neighbouring doubles are 16 apart: tick numbers cannot count by ones.
    EXPECT_LE(MakeAxisScale(1e17, 1e17 + 64.0, 5, true).ticks.size(), 7U);
}

TEST(ChartScale, TickTextsShowTheDigitsTheStepNeeds) {
    // 0.1 * 3 is 0.30000000000000004 in binary; 1e-17 the rounding residue of a tick at zero;
    // 1234567 has more digits than the default six.
    const std::tuple<double, double, const char*> cases[] = {
        {0.1 * 3.0, 0.1, "0.3"},    {1e-17, 0.1, "0"},           {12.5, 0.5, "12.5"},
        {-2.0, 1.0, "-2"},          {1234567.0, 1.0, "1234567"}, {0.000125, 0.000025, "0.000125"},
        {123456.8, 0.2, "123456.8"}};
    for (const auto& [dValue, dStep, pszText] : cases) {
        EXPECT_EQ(TickText(dValue, dStep).toStdString(), pszText) << dValue;
    }
}

TEST(Chart2D, PaintsTheCurveInItsColourWithItsPeakInPlaceAndAGapAtAPointNotFinite) {
    // The density of mu 4 and sigma 0.5 over [1, 9] in steps of 1/6; the point at 4.5 is NaN.
    CNormal normal(nullptr, "X", nullptr);
    CChart2D chart;
    chart.SetPointCount(1, 49);
    for (int i = 1; i <= 49; ++i) {
        chart.SetX(1, i, 1.0 + (i - 1) / 6.0);
        chart.SetY(1, i, i == 22 ? std::nan("") : normal.GetDensity(chart.GetX(1, i)));
    }
    chart.resize(600, 300);
    const QImage image = chart.grab().toImage();
    std::vector<int> top; // per column the top row of the curve, -1 for none
    int nFirst = -1;
    int nLast = -1;
    int nPeak = -1;
    for (int x = 0; x < image.width(); ++x) {
        int y = 0;
        while (y < image.height() && !editortest::IsCurvePixel(image.pixel(x, y))) {
            ++y;
        }
        top.push_back(y < image.height() ? y : -1);
        if (top.back() >= 0) {
            nFirst = nFirst < 0 ? x : nFirst;
            nLast = x;
            nPeak = nPeak < 0 || y < top[size_t(nPeak)] ? x : nPeak;
        }
    }
    ASSERT_GT(nLast - nFirst, image.width() / 2) << "the curve spans the chart";
    EXPECT_NEAR(double(nPeak - nFirst) / double(nLast - nFirst), 3.0 / 8.0, 0.02) << "x = 4";
    EXPECT_GT(top[size_t(nFirst)] - top[size_t(nPeak)], image.height() / 2);
    const int nGap = nFirst + (nLast - nFirst) * 7 / 16; // x = 4.5
    for (int x = nGap - 4; x <= nGap + 4; ++x) {
        EXPECT_EQ(top[size_t(x)], -1) << "column " << x;
    }
}

} // namespace
} // namespace stochvar
