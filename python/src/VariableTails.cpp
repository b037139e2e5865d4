#include "VariableTails.h"

#include "ElementwiseCall.h"

#include <cmath>
#include <limits>

namespace py = pybind11;
using namespace pybind11::literals;

namespace stochvar::python {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A function of the variable applied element by element, NaN for a NaN argument (as scipy.stats
// gives it) without asking the variable.
template <typename Member>
py::object Elementwise(const CPythonVariable& self, const py::object& x, Member member) {
    return CallElementwise(
        x, [&self, member](double t) { return std::isnan(t) ? kNaN : (self.Dist().*member)(t); });
}

} // namespace

void BindVariableTails(py::class_<CPythonVariable>& variable) {
    variable
        .def(
            "sf",
            [](const CPythonVariable& self, const py::object& x) {
                return Elementwise(self, x, &CDist::GetSurvival);
            },
            "x"_a, "Survival function P(X > x).")
        .def(
            "isf",
            [](const CPythonVariable& self, const py::object& q) {
                // scipy's rule: a probability outside [0, 1] has no point.
                return CallElementwise(q, [&self](double t) {
                    return t >= 0.0 && t <= 1.0 ? self.Dist().GetInverseSurvival(t) : kNaN;
                });
            },
            "q"_a, "Inverse of the survival function at q; NaN outside [0, 1].")
        .def(
            "logpdf",
            [](const CPythonVariable& self, const py::object& x) {
                return Elementwise(self, x, &CDist::GetLogDensity);
            },
            "x"_a, "Logarithm of the density at x.")
        .def(
            "logcdf",
            [](const CPythonVariable& self, const py::object& x) {
                return Elementwise(self, x, &CDist::GetLogCumulative);
            },
            "x"_a, "Logarithm of the cumulative distribution function at x.")
        .def(
            "logsf",
            [](const CPythonVariable& self, const py::object& x) {
                return Elementwise(self, x, &CDist::GetLogSurvival);
            },
            "x"_a, "Logarithm of the survival function at x.");
}

} // namespace stochvar::python
