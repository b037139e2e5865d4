#pragma once

// A function of one double applied to a number or, element by element, to an array-like: a
// scalar (Python's or numpy's) gives a float, an array or a sequence a float64 array of its shape.
// Only real numbers count (Arguments.h). Long arrays look for Ctrl+C as they go
// (CInterruptCheck); the numerical layers' diagnostic lines become warnings (CDiagnosticRelay).

#include "Arguments.h"
#include "DiagnosticRelay.h"
#include "InterruptCheck.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <vector>

namespace stochvar::python {

template <typename Function>
pybind11::object CallElementwise(const pybind11::object& x, Function function,
                                 const char* pszName = "x") {
    namespace py = pybind11;
    const auto in = RealNumbersArgument(x, pszName);
    CDiagnosticRelay diagnostics;
    if (in.ndim() == 0 && !py::isinstance<py::array>(x)) {
        const double y = function(*in.data());
        diagnostics.Issue();
        return py::float_(y);
    }
    py::array_t<double> out(std::vector<py::ssize_t>(in.shape(), in.shape() + in.ndim()));
    const double* pIn = in.data();
    double* pOut = out.mutable_data();
    CInterruptCheck::ForEach(
        in.size(), [&](py::ssize_t i) { pOut[i] = function(pIn[i]); },
        [&diagnostics] { diagnostics.Issue(); });
    return out;
}

} // namespace stochvar::python
