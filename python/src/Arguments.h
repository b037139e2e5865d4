#pragma once

// The numeric arguments of the module's functions, checked as numpy checks them: a count is a
// Python or numpy integer (never a float such as 1e5, nor True), and the functions of a variable
// take real numbers (booleans, integers, floats), never text, None or complex numbers. A wrong
// kind of argument is a TypeError, a count out of its range a ValueError; the messages name the
// argument.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

namespace stochvar::python {

// A C-ordered float64 array of the argument's values.
pybind11::array_t<double, pybind11::array::c_style> RealNumbersArgument(const pybind11::object& x,
                                                                        const char* pszName);

// A number nLowest .. nHighest.
long long WholeNumberArgument(const pybind11::handle& value, const char* pszName, long long nLowest,
                              long long nHighest);

} // namespace stochvar::python
