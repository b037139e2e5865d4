#include "Arguments.h"

#include <string>

namespace py = pybind11;

namespace stochvar::python {

namespace {

std::string TypeName(const py::handle& value) {
    return py::str(py::type::handle_of(value).attr("__name__"));
}

} // namespace

py::array_t<double, py::array::c_style> RealNumbersArgument(const py::object& x,
                                                            const char* pszName) {
    py::array natural;
    try {
        natural = py::array::ensure(x);
    } catch (const py::error_already_set&) {
        natural = py::array();
    }
    // b: booleans, i: signed and u: unsigned integers, f: floats.
    const std::string strKinds = "biuf";
    if (!natural || strKinds.find(natural.dtype().kind()) == std::string::npos) {
        throw py::type_error(std::string(pszName) +
                             " must be a real number or an array of them, not " + TypeName(x));
    }
    return py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(natural);
}

long long WholeNumberArgument(const py::handle& value, const char* pszName, long long nLowest,
                              long long nHighest) {
    if (PyIndex_Check(value.ptr()) == 0 || PyBool_Check(value.ptr()) != 0) {
        throw py::type_error(std::string(pszName) + " must be an integer, not " + TypeName(value));
    }
    const auto number = py::reinterpret_steal<py::int_>(PyNumber_Index(value.ptr()));
    if (!number) {
        throw py::error_already_set();
    }
    if (number < py::int_(nLowest) || number > py::int_(nHighest)) {
        throw py::value_error(std::string(pszName) + " must lie in " + std::to_string(nLowest) +
                              " .. " + std::to_string(nHighest) + ", not " +
                              std::string(py::str(py::object(number))));
    }
    return number.cast<long long>();
}

} // namespace stochvar::python
