// The chart widget: its point and label store, and what it paints.

#include <stochvar/editor/Chart2D.h>

#include "EditorTestSupport.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace stochvar {
namespace {

TEST(Chart2D, PointsAreNumberedFromOneAndStandAtTheirNumberUntilGivenAnX) {
    CChart2D chart;
    chart.SetSeriesCount(1);
    chart.SetPointCount(1, 3);
    ASSERT_EQ(chart.GetPointCount(1), 3);
    for (int nPoint = 1; nPoint <= 3; ++nPoint) {
        EXPECT_EQ(chart.GetX(1, nPoint), nPoint);
        EXPECT_EQ(chart.GetY(1, nPoint), 0.0);
    }
    chart.SetX(1, 2, -4.5);
    chart.SetY(1, 3, 7.25);
    EXPECT_EQ(chart.GetX(1, 2), -4.5);
    EXPECT_EQ(chart.GetY(1, 3), 7.25);
}

TEST(Chart2D, NumbersOutsideTheCountsAreIgnored) {
    CChart2D chart;
    chart.SetPointCount(1, 2);
    chart.SetY(1, 0, 9.0);
    chart.SetY(1, 3, 9.0);
    chart.SetX(2, 1, 9.0);
    EXPECT_EQ(chart.GetSeriesCount(), 1);
    EXPECT_EQ(chart.GetPointCount(1), 2);
    EXPECT_EQ(chart.GetY(1, 0), 0.0);
    EXPECT_EQ(chart.GetY(1, 3), 0.0);
    EXPECT_EQ(chart.GetX(2, 1), 0.0);
    EXPECT_EQ(chart.GetPointCount(2), 0);
}

QImage Render(CChart2D& chart) {
    chart.resize(400, 300);
    return chart.grab().toImage();
}

// The rows of data pixels in one column.
std::vector<int> DataRows(const QImage& image, int nColumn) {
    std::vector<int> rows;
    for (int y = 0; y < image.height(); ++y) {
        if (editortest::IsCurvePixel(image.pixel(nColumn, y))) {
            rows.push_back(y);
        }
    }
    return rows;
}

TEST(Chart2D, PaintsARisingLineAsARisingCurve) {
    CChart2D chart;
    chart.SetPointCount(1, 50);
    for (int i = 1; i <= 50; ++i) {
        chart.SetX(1, i, i / 50.0);
        chart.SetY(1, i, i / 50.0);
    }
    const QImage image = Render(chart);
    std::vector<double> meanRows;
    for (const int nColumn : {120, 200, 280}) {
        const std::vector<int> rows = DataRows(image, nColumn);
        ASSERT_FALSE(rows.empty()) << "no curve in column " << nColumn;
        double dSum = 0.0;
        for (const int nRow : rows) {
            dSum += nRow;
        }
        meanRows.push_back(dSum / static_cast<double>(rows.size()));
    }
    // Screen rows grow downwards: a rising curve has ever smaller rows to the right.
    EXPECT_GT(meanRows[0], meanRows[1]);
    EXPECT_GT(meanRows[1], meanRows[2]);
}

TEST(Chart2D, PaintsBarsWhoseHeightsFollowTheValues) {
    CChart2D chart;
    chart.SetChartType(CChart2D::CHART_TYPE_BAR);
    chart.SetXAxisAnnotation(CChart2D::ANNOTATION_VALUE_LABELS);
    chart.SetPointCount(1, 3);
    const double values[] = {1.0, 2.0, 3.0};
    for (int i = 0; i < 3; ++i) {
        chart.SetY(1, i + 1, values[i]);
        chart.AddLabel(CString("c") + CString(std::to_string(i)), i + 1);
    }
    const QImage image = Render(chart);

    // Runs of columns that hold bar pixels, and the height of each bar in its middle column.
    std::vector<int> heights;
    int nRunStart = -1;
    for (int x = 0; x <= image.width(); ++x) {
        const bool bBar = x < image.width() && !DataRows(image, x).empty();
        if (bBar && nRunStart < 0) {
            nRunStart = x;
        } else if (!bBar && nRunStart >= 0) {
            const std::vector<int> rows = DataRows(image, (nRunStart + x - 1) / 2);
            heights.push_back(rows.back() - rows.front() + 1);
            nRunStart = -1;
        }
    }
    ASSERT_EQ(heights.size(), 3u);
    EXPECT_NEAR(heights[1], 2.0 * heights[0], 3.0);
    EXPECT_NEAR(heights[2], 3.0 * heights[0], 3.0);
}

TEST(Chart2D, PointsThatAreNotFiniteAreLeftOutOfTheCurve) {
    CChart2D chart;
    chart.SetPointCount(1, 4);
    const double ys[] = {0.5, std::numeric_limits<double>::infinity(),
                         std::numeric_limits<double>::quiet_NaN(), 0.5};
    for (int i = 0; i < 4; ++i) {
        chart.SetX(1, i + 1, i);
        chart.SetY(1, i + 1, ys[i]);
    }
    const QImage image = Render(chart);
    // The two finite points are not joined, so the middle of the plot holds no curve.
    EXPECT_TRUE(DataRows(image, 200).empty());
}

} // namespace
} // namespace stochvar
