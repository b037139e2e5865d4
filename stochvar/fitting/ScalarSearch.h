#pragma once

// CScalarSearch: the one-dimensional searches of the estimators. A root of a function that
// changes sign on a bracket (Brent's method: inverse quadratic interpolation and secant steps,
// bisection whenever they do not shrink the bracket fast enough), and the maximum of a function
// that is unimodal on an interval (golden-section search).

#include <functional>

namespace stochvar {

class CScalarSearch {
public:
    using Function = std::function<double(double)>;

    // A root of f between a and b, where f(a) and f(b) have opposite signs (or one is 0), to
    // within dTolerance in x. NaN when the signs do not differ.
    static double FindRoot(const Function& f, double a, double b, double dTolerance);

    // The point of [a, b] where f is largest, for f unimodal there, to within dTolerance in x.
    static double Maximise(const Function& f, double a, double b, double dTolerance);

    // The largest number of steps either search takes.
    static constexpr int kMaxSteps = 200;
};

} // namespace stochvar
