#pragma once

// Axis scales of the chart: ticks at round numbers and their texts.

#include <QString>

#include <vector>

namespace stochvar {

struct SAxisScale {
    double dLow = 0.0;         // lower end of the axis
    double dHigh = 1.0;        // upper end of the axis
    double dStep = 0.1;        // distance of neighbouring ticks: 1, 2 or 5 times a power of ten
    std::vector<double> ticks; // ascending multiples of dStep within [dLow, dHigh]
};

// A scale for the data range [dLow, dHigh] with at most about nMaxTicks ticks (never fewer than
// two intervals are aimed at). With bExtend the axis ends move out to the neighbouring ticks, so
// that the data range is covered by whole steps; without it the axis is the data range. An empty
// range is widened around its value, and a range that is not finite becomes [0, 1].
SAxisScale MakeAxisScale(double dLow, double dHigh, int nMaxTicks, bool bExtend);

// The text of a tick: enough significant digits to tell it from its neighbours, and 0 rather
// than a rounding residue such as 1e-17.
QString TickText(double dValue, double dStep);

} // namespace stochvar
