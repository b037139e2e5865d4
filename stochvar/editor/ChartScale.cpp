#include <stochvar/editor/ChartScale.h>

#include <algorithm>
#include <cmath>

namespace stochvar {

namespace {

// The smallest step of the form 1, 2 or 5 times a power of ten that is not below dRough.
double RoundStep(double dRough) {
    const double dMagnitude = std::pow(10.0, std::floor(std::log10(dRough)));
    for (const double dMultiple : {1.0, 2.0, 5.0}) {
        if (dMultiple * dMagnitude >= dRough) {
            return dMultiple * dMagnitude;
        }
    }
    return 10.0 * dMagnitude;
}

} // namespace

SAxisScale MakeAxisScale(double dLow, double dHigh, int nMaxTicks, bool bExtend) {
    if (!std::isfinite(dLow) || !std::isfinite(dHigh) || !std::isfinite(dHigh - dLow)) {
        dLow = 0.0;
        dHigh = 1.0;
    }
    if (dLow > dHigh) {
        std::swap(dLow, dHigh);
    }
    if (dHigh == dLow) {
        const double dHalfWidth = dLow == 0.0 ? 1.0 : std::fabs(dLow) * 0.5;
        dLow -= dHalfWidth;
        dHigh += dHalfWidth;
    }

    SAxisScale scale;
    const int nIntervals = std::max(2, nMaxTicks - 1);
    scale.dStep = RoundStep((dHigh - dLow) / nIntervals);
    scale.dLow = bExtend ? std::floor(dLow / scale.dStep) * scale.dStep : dLow;
    scale.dHigh = bExtend ? std::ceil(dHigh / scale.dStep) * scale.dStep : dHigh;

    // Ticks are k * step for whole k, computed each from k so that no error accumulates. The
    // count is bounded as well, for ranges so far from zero that k no longer counts by ones.
    const double dFirst = std::ceil(scale.dLow / scale.dStep);
    const double dLast = std::floor(scale.dHigh / scale.dStep);
    for (int i = 0; i <= nIntervals + 2 && dFirst + i <= dLast; ++i) {
        scale.ticks.push_back((dFirst + i) * scale.dStep);
    }
    return scale;
}

QString TickText(double dValue, double dStep) {
    if (std::fabs(dValue) < dStep * 1e-9) {
        return QStringLiteral("0");
    }
    // Digits from the value's leading digit down to the step's.
    const double dDigits =
        std::floor(std::log10(std::fabs(dValue))) - std::floor(std::log10(dStep)) + 1.0;
    const int nPrecision = static_cast<int>(std::clamp(dDigits, 6.0, 15.0));
    return QString::number(dValue, 'g', nPrecision);
}

} // namespace stochvar
