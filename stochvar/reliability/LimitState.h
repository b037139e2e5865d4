#pragma once

// SLimitState: the caller's limit-state function g. Failure is g(x) <= 0.
//
// g is evaluated on many points at once: x holds nPoints rows of nVars physical values, one per
// variable of the collection in collection order (fixed variables at their value, discrete ones
// at their category position), and g receives one value per row. An analysis hands over as many
// points as it can use together (a gradient, a batch of samples, a step of a group of chains),
// so that a caller can spread them over processes, vectorise them or call a program once.
//
// Threads: with bThreadSafe the analysis may call the function from several threads at once,
// each call with its own rows; without it every call comes from the thread that runs the
// analysis. Either way the values must depend on the points alone, so that a result does not
// depend on how the points were split.
//
// Exceptions thrown by the function (or the gradient) leave the analysis unchanged, whatever
// thread they were thrown on; the analysis stops and frees what it holds.
//
// The optional gradient gives dg/dx_i at each row (nPoints rows of nVars values); FORM uses it
// instead of finite differences when it is set.

#include <functional>

namespace stochvar {

struct SLimitState {
    using Function = std::function<void(const double* x, int nPoints, int nVars, double* g)>;
    using Gradient = std::function<void(const double* x, int nPoints, int nVars, double* grad)>;

    Function function;
    bool bThreadSafe = false;
    Gradient gradient;
};

} // namespace stochvar
