#pragma once

// The fitting of families to data as the package's Python part (stochvar.fitting) calls it: the
// submodule stochvar._core._fitting with fit (one sample, every family tried, ranked; each
// record a dict with the statistics and the fitted variable) and fit_labels (a discrete variable
// of observed labels). The Python part builds the report objects and the plots. A sample that
// cannot be fitted at all (CFitError) raises stochvar.fitting.FitError, a ValueError.

#include <pybind11/pybind11.h>

namespace stochvar::python {

void BindFitting(pybind11::module_& m);

} // namespace stochvar::python
