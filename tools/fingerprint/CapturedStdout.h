#pragma once

// CCapturedStdout: while it lives, everything written to the standard output (by the C stream
// and by its file descriptor alike) goes to a temporary file; Release puts the standard output
// back and returns what was written. The numerical routines print their diagnostic lines there,
// and those lines belong to what a build computes.

#include <cstdio>
#include <string>

namespace stochvar::fingerprint {

class CCapturedStdout {
public:
    // Ends the process with a message on standard error when the output cannot be redirected.
    CCapturedStdout();
    ~CCapturedStdout();

    CCapturedStdout(const CCapturedStdout&) = delete;
    CCapturedStdout& operator=(const CCapturedStdout&) = delete;

    // A stream onto the real standard output, valid until Release.
    std::FILE* GetOriginal() const { return m_pOriginal; }

    // Puts the standard output back and returns the captured text (once; later calls give "").
    std::string Release();

private:
    std::FILE* m_pCapture = nullptr;
    std::FILE* m_pOriginal = nullptr;
};

} // namespace stochvar::fingerprint
