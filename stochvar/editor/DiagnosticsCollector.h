#pragma once

// CDiagnosticsCollector: the diagnostic lines of the numerical layers during one user action,
// shown as one message at its end instead of on standard output. Drawing the curve of a variable
// with parameters out of range may evaluate a special function a thousand times, and each
// evaluation would print its line.
//
// Collectors nest: only the outermost one of a thread captures, and shows the lines, once, through
// the host's message box: how many lines came, then each distinct line once, with its count, in the
// order they first came.

#include <stochvar/numerics/DiagnosticCapture.h>

#include <optional>
#include <string>

namespace stochvar {

class CDiagnosticsCollector {
public:
    CDiagnosticsCollector();
    ~CDiagnosticsCollector();

    CDiagnosticsCollector(const CDiagnosticsCollector&) = delete;
    CDiagnosticsCollector& operator=(const CDiagnosticsCollector&) = delete;

    // The message for the collected text; empty when there is no line.
    static std::string Summary(const std::string& strLines);

private:
    std::optional<CDiagnosticCapture> m_Capture; // none in an inner collector
};

} // namespace stochvar
