#pragma once

// The curve of a continuous variable in the chart: the density or the cumulative function over
// the axis bounds, sampled densely where the curve bends and sparsely where it is straight.

#include <stochvar/framework/Types.h>

#include <functional>
#include <vector>

namespace stochvar {

class CChart2D;
class CDist;

struct SCurvePoint {
    double x;
    double y;
};

// Samples f over [dLow, dHigh], both ends included, in ascending x: first in equal steps, then
// each step is halved again while f at its middle or at its quarters lies off the straight line
// between its ends by more than a small share of the curve's height (so that no kink shows at a
// peak), down to a least step. A step with an end where f is not finite is left as it is.
std::vector<SCurvePoint> SampleCurve(const std::function<double(double)>& f, double dLow,
                                     double dHigh);

// Fills series 1 of the chart with the density (bCdf 0) or the cumulative function of the
// variable over its axis bounds (set anew first when they are automatic) and titles the axes.
// A fixed variable has all its probability at its value: its density is drawn as a spike of
// height 1 there, its cumulative function as a step. The diagnostic lines of the numerics that
// the curve causes are collected into one message.
void FillDistChart(CChart2D& chart, CDist& dist, BOOL bCdf);

} // namespace stochvar
