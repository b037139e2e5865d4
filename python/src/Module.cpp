// The compiled part of the Python package stochvar (stochvar._core).

#include "DiagnosticRelay.h"
#include "InterruptCheck.h"
#include "MessageRelay.h"
#include "PythonCollection.h"
#include "PythonFitting.h"
#include "PythonReliability.h"
#include "PythonVariable.h"
#include "TextSignature.h"

#include <stochvar/documents/DocumentError.h>
#include <stochvar/documents/InputEntry.h>
#include <stochvar/documents/SampleRequestError.h>

namespace py = pybind11;
using namespace pybind11::literals;

namespace {

PyObject* g_pInputError = nullptr; // owned by the module, which outlives every call

// A refused document (CDocumentError) is refused input as much as a refused value; a sampling
// request out of range is a wrong argument.
void TranslateDocumentErrors(std::exception_ptr pException) {
    try {
        if (pException) {
            std::rethrow_exception(pException);
        }
    } catch (const stochvar::CDocumentError& error) {
        PyErr_SetString(g_pInputError, error.what());
    } catch (const stochvar::CSampleRequestError& error) {
        PyErr_SetString(PyExc_ValueError, error.what());
    }
}

// A warning class of the package, a subclass of base.
py::object MakeWarningClass(const char* pszName, const char* pszDoc, PyObject* pBase) {
    auto warningClass = py::reinterpret_steal<py::object>(
        PyErr_NewExceptionWithDoc(pszName, pszDoc, pBase, nullptr));
    if (!warningClass) {
        throw py::error_already_set();
    }
    return warningClass;
}

} // namespace

PYBIND11_MODULE(_core, m) {
    using namespace stochvar;
    using namespace stochvar::python;
    m.doc() = "Stochastic variables, correlated collections and their sampling (compiled part).";
    // Every docstring begins with its text signature instead (TextSignature.h).
    py::options options;
    options.disable_function_signatures();
    m.attr("__version__") = STOCHVAR_VERSION;

    CMessageRelay::Install();
    // What is bound here belongs to the package, whose __init__ exports it: named so, classes
    // and signatures read stochvar.Normal rather than stochvar._core.Normal, and pickle finds
    // them there.
    const py::object moduleName = m.attr("__name__");
    m.attr("__name__") = "stochvar";
    auto& inputError = py::register_exception<CInputRefused>(m, "InputError", PyExc_ValueError);
    inputError.attr("__doc__") =
        "A value, a document or a run that the library refuses, with the library's message.";
    g_pInputError = inputError.ptr();
    py::register_exception_translator(&TranslateDocumentErrors);

    const py::object inputWarning = MakeWarningClass(
        "stochvar.InputWarning",
        "A value the library took with a warning, or corrected (a correlation moved into its "
        "admissible range).",
        PyExc_UserWarning);
    m.attr("InputWarning") = inputWarning;
    CMessageRelay::SetWarningClass(inputWarning);
    const py::object numericsWarning = MakeWarningClass(
        "stochvar.NumericsWarning",
        "A diagnostic line of the library's numerical layers (special functions), such as "
        "'BetaI: a and/or b is le zero': each distinct line once per call.",
        PyExc_RuntimeWarning);
    m.attr("NumericsWarning") = numericsWarning;
    CDiagnosticRelay::SetWarningClass(numericsWarning);
    m.def("_set_interrupt_checks", &CInterruptCheck::SetEnabled, "enabled"_a,
          TextSignature("_set_interrupt_checks(enabled)",
                        "For the benchmark of what the Ctrl+C checks cost: False turns the "
                        "checks of long calls off (bench/python_interrupts.py).")
              .c_str());

    BindVariables(m);
    BindCollection(m);
    BindReliability(m);
    BindFitting(m);
    m.attr("__name__") = moduleName;
}
