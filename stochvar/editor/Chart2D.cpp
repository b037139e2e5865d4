#include <stochvar/editor/Chart2D.h>

#include <stochvar/editor/ChartScale.h>
#include <stochvar/editor/ControlIds.h>
#include <stochvar/editor/TextConversion.h>

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace stochvar {

namespace {

const QColor kCurveColour(31, 95, 168);
const QColor kBarFill(120, 165, 215);
const QColor kGridColour(225, 225, 225);
constexpr int kTickLength = 4;
constexpr int kPadding = 8;
constexpr double kBarWidth = 0.6; // share of one category's slot

// Smallest and largest finite value seen.
struct SExtent {
    double dMin = std::numeric_limits<double>::infinity();
    double dMax = -std::numeric_limits<double>::infinity();
    void Add(double d) {
        if (std::isfinite(d)) {
            dMin = std::min(dMin, d);
            dMax = std::max(dMax, d);
        }
    }
    bool IsEmpty() const { return dMin > dMax; }
};

// Linear map of one axis from data to pixels.
struct SAxisMap {
    double dLow;
    double dHigh;
    double dPixelLow;
    double dPixelHigh;
    double operator()(double d) const {
        return dPixelLow + (d - dLow) / (dHigh - dLow) * (dPixelHigh - dPixelLow);
    }
    double PixelsPerUnit() const { return std::fabs(dPixelHigh - dPixelLow) / (dHigh - dLow); }
};

// The map of the scale's ends onto the given pixels.
SAxisMap MapOnto(const SAxisScale& scale, int nPixelLow, int nPixelHigh) {
    return SAxisMap{scale.dLow, scale.dHigh, static_cast<double>(nPixelLow),
                    static_cast<double>(nPixelHigh)};
}

} // namespace

CChart2D::CChart2D(QWidget* pParent) : QWidget(pParent) {
    WithId(this, IDC_CHART);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void CChart2D::SetUpdateLock(BOOL bLock) {
    m_bLocked = bLock;
    if (!m_bLocked) {
        update();
    }
}

void CChart2D::Changed() {
    if (!m_bLocked) {
        update();
    }
}

void CChart2D::SetChartType(int nType) {
    m_nChartType = nType;
    Changed();
}

CChart2D::SSeries* CChart2D::FindSeries(int nSeries) {
    return nSeries >= 1 && nSeries <= GetSeriesCount()
               ? &m_Series[static_cast<std::size_t>(nSeries - 1)]
               : nullptr;
}

const CChart2D::SSeries* CChart2D::FindSeries(int nSeries) const {
    return const_cast<CChart2D*>(this)->FindSeries(nSeries);
}

CChart2D::SPoint* CChart2D::FindPoint(int nSeries, int nPoint) {
    SSeries* pSeries = FindSeries(nSeries);
    if (pSeries == nullptr || nPoint < 1 || nPoint > static_cast<int>(pSeries->points.size())) {
        return nullptr;
    }
    return &pSeries->points[static_cast<std::size_t>(nPoint - 1)];
}

const CChart2D::SPoint* CChart2D::FindPoint(int nSeries, int nPoint) const {
    return const_cast<CChart2D*>(this)->FindPoint(nSeries, nPoint);
}

CChart2D::SSeries* CChart2D::FindOrAddSeries(int nSeries) {
    if (nSeries >= 1 && nSeries > GetSeriesCount()) {
        m_Series.resize(static_cast<std::size_t>(nSeries));
    }
    return FindSeries(nSeries);
}

void CChart2D::SetSeriesStyle(int nSeries, int nStyle) {
    if (SSeries* pSeries = FindOrAddSeries(nSeries)) {
        pSeries->nStyle = nStyle;
        Changed();
    }
}

int CChart2D::GetSeriesStyle(int nSeries) const {
    const SSeries* pSeries = FindSeries(nSeries);
    return pSeries != nullptr ? pSeries->nStyle : STYLE_MARKED_LINE;
}

void CChart2D::SetSeriesCount(int nCount) {
    m_Series.resize(static_cast<std::size_t>(std::max(0, nCount)));
    Changed();
}

void CChart2D::SetPointCount(int nSeries, int nCount) {
    SSeries* pSeries = FindOrAddSeries(nSeries);
    if (pSeries == nullptr) {
        return;
    }
    const int nOld = static_cast<int>(pSeries->points.size());
    const int nNew = std::max(0, nCount);
    pSeries->points.resize(static_cast<std::size_t>(nNew));
    for (int i = nOld; i < nNew; ++i) {
        pSeries->points[static_cast<std::size_t>(i)] = SPoint{static_cast<double>(i + 1), 0.0};
    }
    Changed();
}

int CChart2D::GetPointCount(int nSeries) const {
    const SSeries* pSeries = FindSeries(nSeries);
    return pSeries != nullptr ? static_cast<int>(pSeries->points.size()) : 0;
}

void CChart2D::SetX(int nSeries, int nPoint, double x) {
    if (SPoint* pPoint = FindPoint(nSeries, nPoint)) {
        pPoint->x = x;
        Changed();
    }
}

void CChart2D::SetY(int nSeries, int nPoint, double y) {
    if (SPoint* pPoint = FindPoint(nSeries, nPoint)) {
        pPoint->y = y;
        Changed();
    }
}

double CChart2D::GetX(int nSeries, int nPoint) const {
    const SPoint* pPoint = FindPoint(nSeries, nPoint);
    return pPoint != nullptr ? pPoint->x : 0.0;
}

double CChart2D::GetY(int nSeries, int nPoint) const {
    const SPoint* pPoint = FindPoint(nSeries, nPoint);
    return pPoint != nullptr ? pPoint->y : 0.0;
}

void CChart2D::SetXAxisAnnotation(int nAnnotation) {
    m_nAnnotation = nAnnotation;
    Changed();
}

void CChart2D::RemoveAllLabels() {
    m_Labels.clear();
    Changed();
}

void CChart2D::AddLabel(const CString& strText, int nPosition) {
    m_Labels.push_back(SLabel{ToQString(strText), nPosition});
    Changed();
}

QString CChart2D::GetLabelText(int nIndex) const {
    return nIndex >= 0 && nIndex < GetLabelCount() ? m_Labels[static_cast<std::size_t>(nIndex)].text
                                                   : QString();
}

int CChart2D::GetLabelPosition(int nIndex) const {
    return nIndex >= 0 && nIndex < GetLabelCount()
               ? m_Labels[static_cast<std::size_t>(nIndex)].nPosition
               : 0;
}

void CChart2D::SetAxisTitles(const QString& xTitle, const QString& yTitle) {
    m_XTitle = xTitle;
    m_YTitle = yTitle;
    Changed();
}

QSize CChart2D::sizeHint() const { return QSize(420, 300); }

QSize CChart2D::minimumSizeHint() const { return QSize(240, 160); }

// The plot area inside the axes, the scales of both axes and their maps onto the pixels of the
// plot area; worked out anew for every paint from the widget's size, its font and the data.
struct CChart2D::SPlotLayout {
    QRect plot;
    SAxisScale xScale;
    SAxisScale yScale;
    SAxisMap mapX;
    SAxisMap mapY;
    int nLineHeight;
};

bool CChart2D::IsDrawable(const SPoint& point) {
    return std::isfinite(point.x) && std::isfinite(point.y);
}

bool CChart2D::FindDataBounds(SPoint& low, SPoint& high) const {
    SExtent xExtent;
    SExtent yExtent;
    for (const SSeries& series : m_Series) {
        for (const SPoint& point : series.points) {
            if (IsDrawable(point)) {
                xExtent.Add(point.x);
                yExtent.Add(point.y);
            }
        }
    }
    if (xExtent.IsEmpty()) {
        return false;
    }
    low = SPoint{xExtent.dMin, yExtent.dMin};
    high = SPoint{xExtent.dMax, yExtent.dMax};
    return true;
}

void CChart2D::FindAxisRanges(SPoint& low, SPoint& high) const {
    low = SPoint{0.0, 0.0};
    high = SPoint{1.0, 1.0};
    if (FindDataBounds(low, high)) {
        // Y always includes the base line 0.
        low.y = std::min(0.0, low.y);
        high.y = std::max(0.0, high.y);
    }
    if (m_nChartType == CHART_TYPE_BAR) {
        // Half a slot beside the outer bars.
        low.x -= 0.5;
        high.x += 0.5;
    }
}

std::optional<CChart2D::SPlotLayout> CChart2D::MakeLayout() const {
    const QFontMetrics metrics = fontMetrics();
    SPoint low{};
    SPoint high{};
    FindAxisRanges(low, high);
    SPlotLayout layout;
    layout.nLineHeight = metrics.height();
    // The Y axis is rounded out to whole ticks, the X axis is the data range.
    const int nMaxYTicks =
        std::max(3, (height() - 3 * layout.nLineHeight) / (2 * layout.nLineHeight));
    layout.yScale = MakeAxisScale(low.y, high.y, nMaxYTicks, true);
    layout.plot = PlotArea(layout.yScale);
    if (layout.plot.width() < 10 || layout.plot.height() < 10) {
        return std::nullopt;
    }
    const int nMaxXTicks =
        std::max(2, layout.plot.width() / metrics.horizontalAdvance(QStringLiteral("-0.000 ")));
    layout.xScale = MakeAxisScale(low.x, high.x, nMaxXTicks, false);
    layout.mapX = MapOnto(layout.xScale, layout.plot.left(), layout.plot.right());
    layout.mapY = MapOnto(layout.yScale, layout.plot.bottom(), layout.plot.top());
    return layout;
}

QRect CChart2D::PlotArea(const SAxisScale& yScale) const {
    const QFontMetrics metrics = fontMetrics();
    int nYLabelWidth = 0;
    for (const double dTick : yScale.ticks) {
        nYLabelWidth =
            std::max(nYLabelWidth, metrics.horizontalAdvance(TickText(dTick, yScale.dStep)));
    }
    // Room for the Y tick labels on the left, the X tick labels below, a line for each title,
    // and half a label beside the last tick on each axis.
    const int nYTitle = m_YTitle.isEmpty() ? 0 : metrics.height() + 2;
    const int nXTitle = m_XTitle.isEmpty() ? 0 : metrics.height() + 2;
    const int nLeft = kPadding + nYTitle + nYLabelWidth + kTickLength + 2;
    const int nTop = kPadding + metrics.height() / 2;
    const int nRight = kPadding + metrics.horizontalAdvance(QStringLiteral("00000")) / 2;
    const int nBottom = kPadding + kTickLength + metrics.height() + 2 + nXTitle;
    return rect().adjusted(nLeft, nTop, -nRight, -nBottom);
}

void CChart2D::paintEvent(QPaintEvent* /*pEvent*/) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    painter.setRenderHint(QPainter::Antialiasing);
    const std::optional<SPlotLayout> layout = MakeLayout();
    if (!layout) {
        return;
    }
    DrawGrid(painter, *layout);
    DrawYTicks(painter, *layout);
    if (m_nAnnotation == ANNOTATION_VALUE_LABELS) {
        DrawXLabels(painter, *layout);
    } else {
        DrawXTicks(painter, *layout);
    }
    DrawTitles(painter, *layout);
    DrawSeries(painter, *layout);
    // Axis lines last, so that bars and curves do not cover them.
    DrawAxes(painter, layout->plot);
}

void CChart2D::DrawGrid(QPainter& painter, const SPlotLayout& layout) const {
    const QRect& plot = layout.plot;
    painter.setPen(QPen(kGridColour, 0));
    for (const double dTick : layout.yScale.ticks) {
        const double dY = layout.mapY(dTick);
        painter.drawLine(QPointF(plot.left(), dY), QPointF(plot.right(), dY));
    }
    // Labelled categories get no vertical lines.
    if (m_nAnnotation != ANNOTATION_VALUE_LABELS) {
        for (const double dTick : layout.xScale.ticks) {
            const double dX = layout.mapX(dTick);
            painter.drawLine(QPointF(dX, plot.top()), QPointF(dX, plot.bottom()));
        }
    }
}

void CChart2D::DrawYTicks(QPainter& painter, const SPlotLayout& layout) const {
    const int nLeft = layout.plot.left();
    painter.setPen(palette().color(QPalette::Text));
    for (const double dTick : layout.yScale.ticks) {
        const double dY = layout.mapY(dTick);
        const QRectF box(0, dY - layout.nLineHeight / 2.0, nLeft - kTickLength - 2,
                         layout.nLineHeight);
        painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter,
                         TickText(dTick, layout.yScale.dStep));
        painter.drawLine(QPointF(nLeft - kTickLength, dY), QPointF(nLeft, dY));
    }
}

void CChart2D::DrawXTicks(QPainter& painter, const SPlotLayout& layout) const {
    const QFontMetrics metrics = fontMetrics();
    painter.setPen(palette().color(QPalette::Text));
    for (const double dTick : layout.xScale.ticks) {
        const QString text = TickText(dTick, layout.xScale.dStep);
        const double dWidth = metrics.horizontalAdvance(text) + 2.0;
        DrawXMark(painter, layout, layout.mapX(dTick), dWidth, text);
    }
}

void CChart2D::DrawXLabels(QPainter& painter, const SPlotLayout& layout) const {
    const QFontMetrics metrics = fontMetrics();
    // A label longer than its category's slot is cut short.
    const int nSlot = std::max(1, static_cast<int>(layout.mapX.PixelsPerUnit()) - 4);
    painter.setPen(palette().color(QPalette::Text));
    for (const SLabel& label : m_Labels) {
        DrawXMark(painter, layout, layout.mapX(label.nPosition), nSlot,
                  metrics.elidedText(label.text, Qt::ElideRight, nSlot));
    }
}

void CChart2D::DrawXMark(QPainter& painter, const SPlotLayout& layout, double dX, double dWidth,
                         const QString& text) {
    const int nBottom = layout.plot.bottom();
    painter.drawText(
        QRectF(dX - dWidth / 2.0, nBottom + kTickLength + 2, dWidth, layout.nLineHeight),
        Qt::AlignHCenter | Qt::AlignTop, text);
    painter.drawLine(QPointF(dX, nBottom), QPointF(dX, nBottom + kTickLength));
}

void CChart2D::DrawSeries(QPainter& painter, const SPlotLayout& layout) const {
    painter.save();
    painter.setClipRect(layout.plot.adjusted(0, -1, 1, 0));
    for (const SSeries& series : m_Series) {
        if (m_nChartType == CHART_TYPE_BAR) {
            DrawBars(painter, layout, series);
        } else {
            DrawCurve(painter, layout, series);
        }
    }
    painter.restore();
}

void CChart2D::DrawBars(QPainter& painter, const SPlotLayout& layout, const SSeries& series) {
    const double dHalfWidth = std::max(0.5, kBarWidth * layout.mapX.PixelsPerUnit() / 2.0);
    painter.setPen(QPen(kCurveColour, 1));
    painter.setBrush(kBarFill);
    for (const SPoint& point : series.points) {
        if (IsDrawable(point)) {
            const double dX = layout.mapX(point.x);
            painter.drawRect(QRectF(QPointF(dX - dHalfWidth, layout.mapY(point.y)),
                                    QPointF(dX + dHalfWidth, layout.mapY(0.0))));
        }
    }
}

void CChart2D::DrawCurve(QPainter& painter, const SPlotLayout& layout, const SSeries& series) {
    // A line through the drawable points; a point that is not drawable breaks it.
    QPainterPath path;
    bool bOpen = false;
    for (const SPoint& point : series.points) {
        if (!IsDrawable(point)) {
            bOpen = false;
            continue;
        }
        const QPointF pixel(layout.mapX(point.x), layout.mapY(point.y));
        if (bOpen) {
            path.lineTo(pixel);
        } else {
            path.moveTo(pixel);
            bOpen = true;
        }
    }
    painter.setPen(QPen(kCurveColour, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
    if (series.nStyle == STYLE_PLAIN_LINE) {
        return;
    }
    painter.setBrush(kCurveColour);
    for (const SPoint& point : series.points) {
        if (IsDrawable(point)) {
            painter.drawEllipse(QPointF(layout.mapX(point.x), layout.mapY(point.y)), 2.5, 2.5);
        }
    }
}

void CChart2D::DrawTitles(QPainter& painter, const SPlotLayout& layout) const {
    const QRect& plot = layout.plot;
    const int nHeight = layout.nLineHeight;
    painter.setPen(palette().color(QPalette::Text));
    if (!m_XTitle.isEmpty()) {
        const QRect box(plot.left(), height() - kPadding - nHeight, plot.width(), nHeight);
        painter.drawText(box, Qt::AlignCenter,
                         fontMetrics().elidedText(m_XTitle, Qt::ElideRight, box.width()));
    }
    if (!m_YTitle.isEmpty()) {
        // Written upwards along the left edge, centred on the plot's height.
        painter.save();
        painter.translate(kPadding, plot.bottom());
        painter.rotate(-90.0);
        const QRect box(0, 0, plot.height(), nHeight);
        painter.drawText(box, Qt::AlignCenter,
                         fontMetrics().elidedText(m_YTitle, Qt::ElideRight, box.width()));
        painter.restore();
    }
}

void CChart2D::DrawAxes(QPainter& painter, const QRect& plot) const {
    painter.setPen(QPen(palette().color(QPalette::Text), 1));
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
    painter.drawLine(plot.bottomLeft(), plot.topLeft());
}

} // namespace stochvar
