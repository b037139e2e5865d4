// The compiled part of the Python package stochvar (stochvar._core).

#include "MessageRelay.h"
#include "PythonCollection.h"
#include "PythonFitting.h"
#include "PythonReliability.h"
#include "PythonVariable.h"

#include <stochvar/documents/DocumentError.h>
#include <stochvar/documents/InputEntry.h>
#include <stochvar/documents/SampleRequestError.h>

namespace py = pybind11;

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

} // namespace

PYBIND11_MODULE(_core, m) {
    using namespace stochvar;
    using namespace stochvar::python;
    m.doc() = "Stochastic variables, correlated collections and their sampling (compiled part).";
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

    const auto warningClass = py::reinterpret_steal<py::object>(PyErr_NewExceptionWithDoc(
        "stochvar.InputWarning",
        "A value the library took with a warning, or corrected (a correlation moved into its "
        "admissible range).",
        PyExc_UserWarning, nullptr));
    if (!warningClass) {
        throw py::error_already_set();
    }
    m.attr("InputWarning") = warningClass;
    CMessageRelay::SetWarningClass(warningClass);

    BindVariables(m);
    BindCollection(m);
    BindReliability(m);
    BindFitting(m);
    m.attr("__name__") = moduleName;
}
