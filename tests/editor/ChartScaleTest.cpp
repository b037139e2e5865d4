// Chart axis scales: round steps, ticks on whole multiples, the data range covered; tick texts.
// The numbers the editor shows, the sampling of curves and the axis titles.

#include "EditorTestSupport.h"

#include <stochvar/editor/ChartScale.h>
#include <stochvar/editor/DistChart.h>
#include <stochvar/editor/TextConversion.h>

#include <QRadioButton>

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <random>

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
            SCOPED_TRACE(::testing::Message()
                         << c.dLow << ".." << c.dHigh << " extend " << bExtend);
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

TEST(NumberText, ShortestDigitsInFixedNotationFrom1eMinus4To1e15) {
    const struct {
        double dValue;
        const char* pszText;
    } cases[] = {
        {0.07, "0.07"},      {0.1 + 0.2, "0.30000000000000004"},
        {4.1e-8, "4.1e-08"}, {-9.99e-5, "-9.99e-05"},
        {0.0001, "0.0001"},  {123456789012345.0, "123456789012345"},
        {1e15, "1e+15"},     {0.0, "0"},
        {-2.5, "-2.5"},      {HUGE_VAL, "inf"},
        {5e-324, "5e-324"},  {std::numeric_limits<double>::max(), "1.7976931348623157e+308"}};
    for (const auto& c : cases) {
        EXPECT_EQ(NumberText(c.dValue).toStdString(), c.pszText);
    }
}

TEST(NumberText, EveryFiniteDoubleReadsBackBitForBit) {
    std::mt19937_64 generator(20261207);
    for (int i = 0; i < 200000; ++i) {
        const double dValue = std::bit_cast<double>(generator());
        if (!std::isfinite(dValue)) {
            continue;
        }
        const QString text = NumberText(dValue);
        const QByteArray bytes = text.toLatin1();
        double dFromChars = 0.0;
        std::from_chars(bytes.data(), bytes.data() + bytes.size(), dFromChars);
        double dParsed = 0.0;
        ASSERT_TRUE(ParseExactNumber(text, dParsed)) << bytes.constData();
        ASSERT_EQ(std::bit_cast<std::uint64_t>(dFromChars), std::bit_cast<std::uint64_t>(dValue))
            << bytes.constData();
        ASSERT_EQ(dParsed, dValue) << bytes.constData();
        ASSERT_LE(text.size(), 24) << bytes.constData();
    }
}

TEST(SampleCurve, TheLineStaysNearTheCurveBetweenItsPointsAlsoAtKinksAndJumps) {
    const struct {
        const char* pszName;
        std::function<double(double)> f;
        double dLow, dHigh, dHeight; // the range and the curve's height over it
        int nMaxPoints;
    } cases[] = {
        {"kink", [](double x) { return std::fabs(x - 0.123); }, -1.0, 1.5, 1.377, 200},
        {"waves", [](double x) { return std::sin(20.0 * x); }, 0.0, 3.0, 2.0, 2000},
        {"line", [](double x) { return 2.0 * x + 1.0; }, -3.0, 3.0, 7.0, 70},
        {"peak", [](double x) { return std::exp(-200.0 * x * x); }, -5.0, 5.5, 1.0, 2000},
        {"jump", [](double x) { return x < 0.3 ? 0.0 : 1.0; }, 0.0, 1.0, 1.0, 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszName);
        const std::vector<SCurvePoint> points = SampleCurve(c.f, c.dLow, c.dHigh);
        ASSERT_GE(points.size(), 2u);
        EXPECT_LE(points.size(), size_t(c.nMaxPoints));
        EXPECT_EQ(std::pair(points.front().x, points.back().x), std::pair(c.dLow, c.dHigh));
        double dWorst = 0.0;
        for (std::size_t i = 1; i < points.size(); ++i) {
            const SCurvePoint& a = points[i - 1];
            const SCurvePoint& b = points[i];
            ASSERT_LT(a.x, b.x);
            ASSERT_EQ(a.y, c.f(a.x));
            // A jump is resolved to a step too narrow to see: 1/65536 of the range.
            if (std::fabs(b.y - a.y) > 0.5 * c.dHeight && b.x - a.x < (c.dHigh - c.dLow) * 2e-5) {
                continue;
            }
            // The line at the thirds, which the sampling never looked at.
            for (const double t : {1.0 / 3.0, 2.0 / 3.0}) {
                const double x = a.x + t * (b.x - a.x);
                dWorst = std::max(dWorst, std::fabs(a.y + t * (b.y - a.y) - c.f(x)));
            }
        }
        EXPECT_LT(dWorst, 0.0025 * c.dHeight);
    }
    // A pole at an end: the points ascend, the pole itself stays a gap.
    const std::vector<SCurvePoint> pole = SampleCurve([](double x) { return 1.0 / x; }, 0.0, 1.0);
    EXPECT_EQ(pole.front().y, HUGE_VAL);
    EXPECT_LT(pole.size(), 2000u);
}

TEST(DistChart, TheAxesAreTitledAndTheTitlesTakeRoomOfTheirOwn) {
    using namespace editortest;
    CNormal normal(nullptr, "load", nullptr);
    CDistPageCont cont;
    cont.SetDist(&normal);
    CChart2D& chart = *Control<CChart2D>(&cont, IDC_CHART);
    EXPECT_EQ(chart.GetXAxisTitle(), "load");
    EXPECT_EQ(chart.GetYAxisTitle(), "probability density");
    Control<QRadioButton>(&cont, IDC_CDF)->click();
    EXPECT_EQ(chart.GetYAxisTitle(), "cumulative probability");
    CDiscrete discrete(nullptr, "D", nullptr);
    discrete.AddCategory("a", 1.0, -1);
    CDistPageDisc disc;
    disc.SetDist(&discrete);
    const CChart2D& bars = *Control<CChart2D>(&disc, IDC_CHART);
    EXPECT_EQ(std::pair(bars.GetXAxisTitle(), bars.GetYAxisTitle()),
              std::pair(QStringLiteral("category"), QStringLiteral("probability")));

    // The titles are painted below and left of the curve, which moves up and right for them.
    chart.resize(500, 300);
    const QImage titled = chart.grab().toImage();
    chart.SetAxisTitles(QString(), QString());
    const QImage plain = chart.grab().toImage();
    const std::vector<int> titledTops = CurveTops(titled);
    const std::vector<int> plainTops = CurveTops(plain);
    const auto first = [](const std::vector<int>& tops) {
        return std::find_if(tops.begin(), tops.end(), [](int y) { return y >= 0; }) - tops.begin();
    };
    EXPECT_GT(first(titledTops), first(plainTops));
    const auto darkRows = [](const QImage& image, int nTop, int nBottom) {
        int nDark = 0;
        for (int y = nTop; y < nBottom; ++y) {
            for (int x = 0; x < image.width(); ++x) {
                nDark += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
            }
        }
        return nDark;
    };
    const int nStrip = chart.fontMetrics().height() + 8;
    EXPECT_GT(darkRows(titled, titled.height() - nStrip, titled.height()),
              darkRows(plain, plain.height() - nStrip, plain.height()));
}

} // namespace
} // namespace stochvar
