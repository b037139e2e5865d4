#include <stochvar/editor/DistChart.h>

#include <stochvar/editor/Chart2D.h>
#include <stochvar/editor/DiagnosticsCollector.h>
#include <stochvar/editor/TextConversion.h>
#include <stochvar/model/Dist.h>
#include <stochvar/model/Keywords.h>

#include <QString>

#include <algorithm>
#include <cmath>

namespace stochvar {

namespace {

constexpr int kInitialSteps = 64;
// A step is halved at most this often: the least step is 1/65536 of the axis.
constexpr int kMaxDepth = 10;
// Largest distance of the curve from its chord, as a share of the curve's height: about a third
// of a pixel in a chart 300 pixels high.
constexpr double kTolerance = 1e-3;

struct SRefinement {
    const std::function<double(double)>& f;
    double dTolerance;
    std::vector<SCurvePoint>& points;

    SCurvePoint At(double x) const { return {x, f(x)}; }
    // Whether the point lies within the tolerance of the line through a and b (false for a
    // point that is not finite).
    bool NearLine(const SCurvePoint& a, const SCurvePoint& b, const SCurvePoint& p) const {
        const double t = (p.x - a.x) / (b.x - a.x);
        return std::fabs(p.y - (a.y + t * (b.y - a.y))) <= dTolerance;
    }

    // Adds the points strictly inside (a, b) and then b; m is the middle of a and b. The curve
    // is tried at the middle and at the quarters: a bend shows at the middle, a change of the
    // bend's direction, where the middle may lie on the line, at the quarters.
    void Refine(const SCurvePoint& a, const SCurvePoint& m, const SCurvePoint& b,
                int nDepth) const {
        if (nDepth < kMaxDepth && std::isfinite(a.y) && std::isfinite(b.y)) {
            const SCurvePoint q1 = At(0.5 * (a.x + m.x));
            const SCurvePoint q3 = At(0.5 * (m.x + b.x));
            if (!NearLine(a, b, m) || !NearLine(a, b, q1) || !NearLine(a, b, q3)) {
                Refine(a, q1, m, nDepth + 1);
                Refine(m, q3, b, nDepth + 1);
                return;
            }
        }
        points.push_back(b);
    }
};

void SetSeries(CChart2D& chart, const std::vector<SCurvePoint>& points) {
    const int n = static_cast<int>(points.size());
    chart.SetPointCount(1, n);
    for (int i = 0; i < n; ++i) {
        chart.SetX(1, i + 1, points[static_cast<std::size_t>(i)].x);
        chart.SetY(1, i + 1, points[static_cast<std::size_t>(i)].y);
    }
}

// All the probability at the value: a spike of height 1, or a step from 0 to 1.
std::vector<SCurvePoint> FixedCurve(double dValue, double dLow, double dHigh, BOOL bCdf) {
    if (bCdf != 0) {
        return {{dLow, 0.0}, {dValue, 0.0}, {dValue, 1.0}, {dHigh, 1.0}};
    }
    return {{dLow, 0.0}, {dValue, 0.0}, {dValue, 1.0}, {dValue, 0.0}, {dHigh, 0.0}};
}

} // namespace

std::vector<SCurvePoint> SampleCurve(const std::function<double(double)>& f, double dLow,
                                     double dHigh) {
    // Ends and middles of the equal steps, alternately.
    std::vector<SCurvePoint> coarse;
    for (int i = 0; i <= 2 * kInitialSteps; ++i) {
        // The ends exactly, the points in between each from its own number.
        const double x =
            i == 2 * kInitialSteps ? dHigh : dLow + (dHigh - dLow) * i / (2 * kInitialSteps);
        coarse.push_back({x, f(x)});
    }
    // The height of the curve, with the base line 0, from its finite values.
    double dMin = 0.0;
    double dMax = 0.0;
    for (const SCurvePoint& point : coarse) {
        if (std::isfinite(point.y)) {
            dMin = std::min(dMin, point.y);
            dMax = std::max(dMax, point.y);
        }
    }
    std::vector<SCurvePoint> points{coarse.front()};
    const SRefinement refinement{f, kTolerance * (dMax - dMin), points};
    for (std::size_t i = 2; i < coarse.size(); i += 2) {
        refinement.Refine(coarse[i - 2], coarse[i - 1], coarse[i], 0);
    }
    return points;
}

void FillDistChart(CChart2D& chart, CDist& dist, BOOL bCdf) {
    const CDiagnosticsCollector diagnostics;
    if (dist.m_bAutoAxis == TRUE) {
        dist.SetAutoAxis();
    }
    const double dLow = dist.m_dAxisMin;
    const double dHigh = dist.m_dAxisMax;
    const bool bFixed = dist.m_nType == DIST_FIXED;
    chart.SetUpdateLock(TRUE);
    chart.SetSeriesStyle(1, CChart2D::STYLE_PLAIN_LINE);
    chart.SetSeriesCount(1);
    if (bFixed) {
        SetSeries(chart, FixedCurve(dist.GetParamValue(PARAM_MEAN), dLow, dHigh, bCdf));
    } else {
        SetSeries(chart, SampleCurve(
                             [&dist, bCdf](double x) {
                                 return bCdf == 0 ? dist.GetDensity(x) : dist.GetCumulative(x);
                             },
                             dLow, dHigh));
    }
    const QString name = ToQString(dist.m_strVarName);
    const QString yTitle = bCdf != 0 ? QStringLiteral("cumulative probability")
                           : bFixed  ? QStringLiteral("probability")
                                     : QStringLiteral("probability density");
    chart.SetAxisTitles(name.isEmpty() ? QStringLiteral("x") : name, yTitle);
    chart.SetUpdateLock(FALSE);
}

} // namespace stochvar
