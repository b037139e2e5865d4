#pragma once

// CDiagnosticRelay: the diagnostic lines of the numerical layers (the special functions'
// "BetaI: a and/or b is le zero" and the like) as Python warnings of the class
// stochvar.NumericsWarning, instead of text on the process's standard output that sys.stdout,
// pytest and Jupyter never see.
//
// A relay captures the lines printed on its thread while it lives (worker threads of a sampling
// run hand theirs to that thread, DiagnosticCapture.h) and issues each distinct line once per
// Issue, in the order of its first appearance: a run that prints the same line for every sample
// warns once. Lines captured after the last Issue are dropped with the relay, as when the call
// raised.

#include <stochvar/numerics/DiagnosticCapture.h>

#include <pybind11/pybind11.h>

#include <set>
#include <string>

namespace stochvar::python {

class CDiagnosticRelay {
public:
    // The warning class, created with the module.
    static void SetWarningClass(pybind11::handle warningClass);

    // Issues the lines captured since the last call; throws pybind11::error_already_set when a
    // warnings filter turns one into an exception. The interpreter lock is held.
    void Issue(int nStackLevel = 1);

private:
    CDiagnosticCapture m_capture;
    std::set<std::string> m_issued;
};

} // namespace stochvar::python
