#pragma once

// The reliability analyses as the package's Python part (stochvar.reliability) calls them: the
// submodule stochvar._core._reliability with one function per method, each taking a collection,
// g (a Python function of a float64 array of shape (n, k) or an expression) and the method's
// options, and returning the result's fields as a dict. The Python part checks the arguments
// that only it knows (the executor, the shape of what g returns) and builds the result objects.
//
// Every analysis runs on a copy of the collection, read back from its binary document with the
// numerics of the analysis, and with the interpreter lock released: other threads may use the
// collection meanwhile. The library's CReliabilityError is raised as
// stochvar.reliability.ReliabilityError, a ValueError.

#include <pybind11/pybind11.h>

namespace stochvar::python {

void BindReliability(pybind11::module_& m);

} // namespace stochvar::python
