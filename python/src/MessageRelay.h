#pragma once

// The host hooks of the Python module: the library's message boxes are recorded on the thread
// that raised them, never shown, and the binding calls that may raise them hand them to Python:
// an error as stochvar.InputError, a warning or note through Python's warnings module
// (stochvar.InputWarning). Beeps are dropped; the editor entry points keep their defaults.

#include <pybind11/pybind11.h>

#include <string>
#include <vector>

namespace stochvar::python {

class CMessageRelay {
public:
    // Installs the recording hooks; called once, when the module is imported.
    static void Install();
    // The warning class, created with the module.
    static void SetWarningClass(pybind11::handle warningClass);

    // Raises InputError for the first error recorded on this thread since the last call and
    // issues the warnings before it; stackLevel as for warnings.warn (1: the caller of the
    // binding function).
    static void Relay(int nStackLevel = 1);
    // Issues each text as an InputWarning.
    static void Warn(const std::vector<std::string>& texts, int nStackLevel = 1);
};

} // namespace stochvar::python
