#pragma once

// A function of one double applied to a number or, element by element, to an array-like: a
// scalar (Python's or numpy's) gives a float, an array or a sequence a float64 array of its shape.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <utility>
#include <vector>

namespace stochvar::python {

template <typename Function>
pybind11::object CallElementwise(const pybind11::object& x, Function function) {
    namespace py = pybind11;
    const auto in = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(x);
    if (!in) {
        throw py::type_error("expected a number or an array of numbers, not " +
                             std::string(py::str(py::type::handle_of(x).attr("__name__"))));
    }
    if (in.ndim() == 0 && !py::isinstance<py::array>(x)) {
        return py::float_(function(*in.data()));
    }
    py::array_t<double> out(std::vector<py::ssize_t>(in.shape(), in.shape() + in.ndim()));
    const double* pIn = in.data();
    double* pOut = out.mutable_data();
    for (py::ssize_t i = 0; i < in.size(); ++i) {
        pOut[i] = function(pIn[i]);
    }
    return out;
}

} // namespace stochvar::python
