#pragma once

// How variables and collections pickle, both the same way: __reduce__ names stochvar._unpickle,
// a function of the package, with the compiled function that rebuilds the object and the
// object's state (a binary document). Pickle cannot name the compiled module's functions
// itself, and classes restored by pybind11's __setstate__ cannot be pickled with protocols 0
// and 1, where __reduce__ serves every protocol.

#include <pybind11/pybind11.h>

namespace stochvar::python {

inline pybind11::tuple ReduceToState(const char* pszRebuild, const pybind11::object& state) {
    return pybind11::make_tuple(pybind11::module_::import("stochvar").attr("_unpickle"),
                                pybind11::make_tuple(pszRebuild, state));
}

} // namespace stochvar::python
