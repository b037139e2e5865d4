#include "PythonLimitState.h"

#include <pybind11/numpy.h>

#include <algorithm>
#include <cstddef>

namespace py = pybind11;

namespace stochvar::python {

CPythonLimitState::CPythonLimitState(py::function function) : m_g(std::move(function)) {
    m_limitState.function = [this](const double* x, int nPoints, int nVars, double* g) {
        CallPython(x, nPoints, nVars, g);
    };
}

CPythonLimitState::CPythonLimitState(SLimitState inner) : m_inner(std::move(inner)) {
    m_limitState.bThreadSafe = m_inner.bThreadSafe;
    m_limitState.gradient = m_inner.gradient;
    m_limitState.function = [this](const double* x, int nPoints, int nVars, double* g) {
        CheckInterrupt();
        m_inner.function(x, nPoints, nVars, g);
    };
}

void CPythonLimitState::CheckInterrupt() const {
    if (std::this_thread::get_id() != m_owner) {
        return;
    }
    const py::gil_scoped_acquire locked;
    if (PyErr_CheckSignals() != 0) {
        throw py::error_already_set();
    }
}

void CPythonLimitState::CallPython(const double* x, int nPoints, int nVars, double* g) const {
    CheckInterrupt();
    const py::gil_scoped_acquire locked;
    const std::size_t nValues = static_cast<std::size_t>(nPoints) * static_cast<std::size_t>(nVars);
    // A copy: g may keep what it is given, and the library's rows are gone after the call.
    py::array_t<double> points(
        {static_cast<py::ssize_t>(nPoints), static_cast<py::ssize_t>(nVars)});
    std::copy_n(x, nValues, points.mutable_data());
    const auto values = m_g(points).cast<py::array_t<double, py::array::c_style>>();
    if (values.ndim() != 1 || values.shape(0) != nPoints) {
        throw py::value_error("the limit state gave " + std::to_string(values.size()) +
                              " values for " + std::to_string(nPoints) + " points");
    }
    std::copy_n(values.data(), nPoints, g);
}

} // namespace stochvar::python
