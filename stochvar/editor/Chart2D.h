#pragma once

// CChart2D: the editor's chart. It takes the operations a page uses to refill it (update lock,
// chart type, series and point counts, X and Y of each point, X-axis annotation, labels) and
// paints either a curve through the points or one bar per point, with axes, tick labels and the
// axis titles, if any.
//
// Series and point numbers are 1-based; numbers outside the current counts are ignored (a read
// gives 0.0). A point whose X was never set stands at its own number, which is where a bar
// chart puts its categories.

#include <stochvar/framework/String.h>
#include <stochvar/framework/Types.h>

#include <QString>
#include <QWidget>

#include <optional>
#include <vector>

class QPainter;

namespace stochvar {

struct SAxisScale;

class CChart2D : public QWidget {
    Q_OBJECT

public:
    enum EChartType { CHART_TYPE_PLOT = 1, CHART_TYPE_BAR = 2 };
    // How the X axis is annotated: numbered ticks, or the labels added with AddLabel.
    enum EAnnotation { ANNOTATION_VALUES = 0, ANNOTATION_VALUE_LABELS = 1 };
    // How a series is drawn in a plot: a line with a marker at every point, or the line alone.
    enum ESeriesStyle { STYLE_MARKED_LINE = 0, STYLE_PLAIN_LINE = 1 };

    explicit CChart2D(QWidget* pParent = nullptr);

    // While locked the chart does not repaint; unlocking repaints it once.
    void SetUpdateLock(BOOL bLock);
    BOOL IsUpdateLocked() const { return m_bLocked; }

    void SetChartType(int nType);
    int GetChartType() const { return m_nChartType; }
    void SetSeriesStyle(int nSeries, int nStyle);
    int GetSeriesStyle(int nSeries) const;

    // Series added by a larger count start empty. Setting the style or the point count of a
    // series beyond the count adds series up to it.
    void SetSeriesCount(int nCount);
    int GetSeriesCount() const { return static_cast<int>(m_Series.size()); }
    // A larger count adds points at their own number with Y = 0; a smaller one drops the last.
    void SetPointCount(int nSeries, int nCount);
    int GetPointCount(int nSeries) const;
    void SetX(int nSeries, int nPoint, double x);
    void SetY(int nSeries, int nPoint, double y);
    double GetX(int nSeries, int nPoint) const;
    double GetY(int nSeries, int nPoint) const;

    void SetXAxisAnnotation(int nAnnotation);
    int GetXAxisAnnotation() const { return m_nAnnotation; }
    void RemoveAllLabels();
    int GetLabelCount() const { return static_cast<int>(m_Labels.size()); }
    // A label written under X = nPosition.
    void AddLabel(const CString& strText, int nPosition);
    QString GetLabelText(int nIndex) const;
    int GetLabelPosition(int nIndex) const;

    // Titles under the X axis and, turned upwards, left of the Y axis; empty for none.
    void SetAxisTitles(const QString& xTitle, const QString& yTitle);
    QString GetXAxisTitle() const { return m_XTitle; }
    QString GetYAxisTitle() const { return m_YTitle; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    struct SPoint {
        double x;
        double y;
    };
    struct SSeries {
        std::vector<SPoint> points;
        int nStyle = STYLE_MARKED_LINE;
    };
    struct SLabel {
        QString text;
        int nPosition;
    };

    // Painting: a layout step, then one step for each part of the picture.
    struct SPlotLayout;
    // A point is drawn when both its coordinates are finite.
    static bool IsDrawable(const SPoint& point);
    // The lowest and the highest X and Y of the drawable points; false when there is none.
    bool FindDataBounds(SPoint& low, SPoint& high) const;
    // The ranges the axes must cover: the data, with the base line 0 and the bars' slots.
    void FindAxisRanges(SPoint& low, SPoint& high) const;
    // None when the widget is too small to draw in.
    std::optional<SPlotLayout> MakeLayout() const;
    // The widget less the room for the tick labels of both axes.
    QRect PlotArea(const SAxisScale& yScale) const;
    void DrawGrid(QPainter& painter, const SPlotLayout& layout) const;
    void DrawYTicks(QPainter& painter, const SPlotLayout& layout) const;
    void DrawXTicks(QPainter& painter, const SPlotLayout& layout) const;
    void DrawXLabels(QPainter& painter, const SPlotLayout& layout) const;
    // A text centred under dX in a box dWidth wide, with its tick mark.
    static void DrawXMark(QPainter& painter, const SPlotLayout& layout, double dX, double dWidth,
                          const QString& text);
    void DrawSeries(QPainter& painter, const SPlotLayout& layout) const;
    static void DrawBars(QPainter& painter, const SPlotLayout& layout, const SSeries& series);
    static void DrawCurve(QPainter& painter, const SPlotLayout& layout, const SSeries& series);
    void DrawAxes(QPainter& painter, const QRect& plot) const;
    void DrawTitles(QPainter& painter, const SPlotLayout& layout) const;

    SSeries* FindSeries(int nSeries);
    // Setters of a series beyond the count add series up to it.
    SSeries* FindOrAddSeries(int nSeries);
    const SSeries* FindSeries(int nSeries) const;
    SPoint* FindPoint(int nSeries, int nPoint);
    const SPoint* FindPoint(int nSeries, int nPoint) const;
    void Changed();

    BOOL m_bLocked = FALSE;
    int m_nChartType = CHART_TYPE_PLOT;
    int m_nAnnotation = ANNOTATION_VALUES;
    std::vector<SSeries> m_Series;
    std::vector<SLabel> m_Labels;
    QString m_XTitle;
    QString m_YTitle;
};

} // namespace stochvar
