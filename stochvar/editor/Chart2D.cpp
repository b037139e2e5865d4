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

QSize CChart2D::sizeHint() const {
    return QSize(420, 300);
}

QSize CChart2D::minimumSizeHint() const {
    return QSize(240, 160);
}

void CChart2D::paintEvent(QPaintEvent* /*pEvent*/) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    painter.setRenderHint(QPainter::Antialiasing);
    const QFontMetrics metrics(font());
    const bool bBars = m_nChartType == CHART_TYPE_BAR;

    SExtent xExtent;
    SExtent yExtent;
    for (const SSeries& series : m_Series) {
        for (const SPoint& point : series.points) {
            if (std::isfinite(point.x) && std::isfinite(point.y)) {
                xExtent.Add(point.x);
                yExtent.Add(point.y);
            }
        }
    }

    // X: the data range; a bar chart leaves half a slot beside the outer bars.
    double dXLow = xExtent.IsEmpty() ? 0.0 : xExtent.dMin;
    double dXHigh = xExtent.IsEmpty() ? 1.0 : xExtent.dMax;
    if (bBars) {
        dXLow -= 0.5;
        dXHigh += 0.5;
    }
    // Y: always includes the base line 0, rounded out to whole ticks.
    const double dYLow = yExtent.IsEmpty() ? 0.0 : std::min(0.0, yExtent.dMin);
    const double dYHigh = yExtent.IsEmpty() ? 1.0 : std::max(0.0, yExtent.dMax);
    const int nLineHeight = metrics.height();
    const int nMaxYTicks = std::max(3, (height() - 3 * nLineHeight) / (2 * nLineHeight));
    const SAxisScale yScale = MakeAxisScale(dYLow, dYHigh, nMaxYTicks, true);

    int nYLabelWidth = 0;
    for (const double dTick : yScale.ticks) {
        nYLabelWidth =
            std::max(nYLabelWidth, metrics.horizontalAdvance(TickText(dTick, yScale.dStep)));
    }
    const int nLeft = kPadding + nYLabelWidth + kTickLength + 2;
    const int nTop = kPadding + nLineHeight / 2;
    const int nRight = kPadding + metrics.horizontalAdvance(QStringLiteral("00000")) / 2;
    const int nBottom = kPadding + kTickLength + nLineHeight + 2;
    const QRect plot = rect().adjusted(nLeft, nTop, -nRight, -nBottom);
    if (plot.width() < 10 || plot.height() < 10) {
        return;
    }

    const int nMaxXTicks =
        std::max(2, plot.width() / metrics.horizontalAdvance(QStringLiteral("-0.000 ")));
    const SAxisScale xScale = MakeAxisScale(dXLow, dXHigh, nMaxXTicks, false);
    const SAxisMap mapX{xScale.dLow, xScale.dHigh, static_cast<double>(plot.left()),
                        static_cast<double>(plot.right())};
    const SAxisMap mapY{yScale.dLow, yScale.dHigh, static_cast<double>(plot.bottom()),
                        static_cast<double>(plot.top())};
    const bool bValueLabels = m_nAnnotation == ANNOTATION_VALUE_LABELS;

    // Grid and tick labels.
    painter.setPen(QPen(kGridColour, 0));
    for (const double dTick : yScale.ticks) {
        painter.drawLine(QPointF(plot.left(), mapY(dTick)), QPointF(plot.right(), mapY(dTick)));
    }
    if (!bValueLabels) {
        for (const double dTick : xScale.ticks) {
            painter.drawLine(QPointF(mapX(dTick), plot.top()), QPointF(mapX(dTick), plot.bottom()));
        }
    }
    painter.setPen(palette().color(QPalette::Text));
    for (const double dTick : yScale.ticks) {
        const QString text = TickText(dTick, yScale.dStep);
        const QRectF box(0, mapY(dTick) - nLineHeight / 2.0, plot.left() - kTickLength - 2,
                         nLineHeight);
        painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter, text);
        painter.drawLine(QPointF(plot.left() - kTickLength, mapY(dTick)),
                         QPointF(plot.left(), mapY(dTick)));
    }
    const double dXLabelTop = plot.bottom() + kTickLength + 2;
    if (bValueLabels) {
        const int nSlot = std::max(1, static_cast<int>(mapX.PixelsPerUnit()) - 4);
        for (const SLabel& label : m_Labels) {
            const double dX = mapX(label.nPosition);
            const QString text = metrics.elidedText(label.text, Qt::ElideRight, nSlot);
            painter.drawText(QRectF(dX - nSlot / 2.0, dXLabelTop, nSlot, nLineHeight),
                             Qt::AlignHCenter | Qt::AlignTop, text);
            painter.drawLine(QPointF(dX, plot.bottom()), QPointF(dX, plot.bottom() + kTickLength));
        }
    } else {
        for (const double dTick : xScale.ticks) {
            const QString text = TickText(dTick, xScale.dStep);
            const double dWidth = metrics.horizontalAdvance(text) + 2.0;
            painter.drawText(QRectF(mapX(dTick) - dWidth / 2.0, dXLabelTop, dWidth, nLineHeight),
                             Qt::AlignHCenter | Qt::AlignTop, text);
            painter.drawLine(QPointF(mapX(dTick), plot.bottom()),
                             QPointF(mapX(dTick), plot.bottom() + kTickLength));
        }
    }

    // The data, clipped to the plot area.
    painter.save();
    painter.setClipRect(plot.adjusted(0, -1, 1, 0));
    for (const SSeries& series : m_Series) {
        if (bBars) {
            const double dHalfWidth = std::max(0.5, kBarWidth * mapX.PixelsPerUnit() / 2.0);
            painter.setPen(QPen(kCurveColour, 1));
            painter.setBrush(kBarFill);
            for (const SPoint& point : series.points) {
                if (std::isfinite(point.x) && std::isfinite(point.y)) {
                    const double dX = mapX(point.x);
                    painter.drawRect(QRectF(QPointF(dX - dHalfWidth, mapY(point.y)),
                                            QPointF(dX + dHalfWidth, mapY(0.0))));
                }
            }
            continue;
        }
        // A curve through the finite points; a point that is not finite breaks it.
        QPainterPath path;
        bool bOpen = false;
        for (const SPoint& point : series.points) {
            if (!std::isfinite(point.x) || !std::isfinite(point.y)) {
                bOpen = false;
                continue;
            }
            const QPointF pixel(mapX(point.x), mapY(point.y));
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
        if (series.nStyle != STYLE_PLAIN_LINE) {
            painter.setBrush(kCurveColour);
            for (const SPoint& point : series.points) {
                if (std::isfinite(point.x) && std::isfinite(point.y)) {
                    painter.drawEllipse(QPointF(mapX(point.x), mapY(point.y)), 2.5, 2.5);
                }
            }
        }
    }
    painter.restore();

    // Axis lines last, so that bars and curves do not cover them.
    painter.setPen(QPen(palette().color(QPalette::Text), 1));
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
    painter.drawLine(plot.bottomLeft(), plot.topLeft());
}

} // namespace stochvar
