#pragma once

// The diagnostic lines of the numerical layers, and their capture on worker threads.
//
// PrintDiagnostic writes a line as printf would: to standard output, or, while a
// CDiagnosticCapture is active on the calling thread, into that capture. A worker that evaluates
// special functions on behalf of another thread captures its lines; the thread that started the
// workers prints the captures in the order of the work after joining them, so that the output is
// the same bytes, in the same order, as if one thread had done all the work.

#include <string>

namespace stochvar {

// printf-style; goes to this thread's active capture, else to standard output.
void PrintDiagnostic(const char* pFormat, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

class CDiagnosticCapture {
public:
    // Captures the diagnostics of the calling thread from now on, until destruction. Captures
    // nest: the innermost one receives the lines.
    CDiagnosticCapture();
    ~CDiagnosticCapture();

    CDiagnosticCapture(const CDiagnosticCapture&) = delete;
    CDiagnosticCapture& operator=(const CDiagnosticCapture&) = delete;

    const std::string& GetText() const { return m_strText; }
    bool IsEmpty() const { return m_strText.empty(); }
    // The text captured so far, leaving the capture empty (a host that hands the lines on as
    // they come, so that a long run does not pile them up).
    std::string TakeText();

private:
    friend void PrintDiagnostic(const char* pFormat, ...);
    friend void PrintCapturedDiagnostics(const std::string& strText);

    std::string m_strText;
    CDiagnosticCapture* m_pOuter;
};

// Prints captured text unchanged, as PrintDiagnostic prints a line: into the calling thread's
// active capture, else to standard output. So the lines of workers reach a capture of the thread
// that started them.
void PrintCapturedDiagnostics(const std::string& strText);

} // namespace stochvar
