#pragma once

// The tails of a variable in Python: sf, isf, logpdf, logcdf and logsf on stochvar.Variable,
// element by element like pdf, cdf and ppf (CDist::GetSurvival and the others, under the
// numerics in effect: accurate ones keep the tails' relative accuracy).

#include "PythonVariable.h"

#include <pybind11/pybind11.h>

namespace stochvar::python {

void BindVariableTails(pybind11::class_<CPythonVariable>& variable);

} // namespace stochvar::python
