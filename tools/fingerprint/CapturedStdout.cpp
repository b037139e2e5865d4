#include "CapturedStdout.h"

#include <cstdlib>
#include <unistd.h>

namespace stochvar::fingerprint {

namespace {

[[noreturn]] void Fail(const char* pszWhat) {
    std::perror(pszWhat);
    std::exit(1);
}

} // namespace

CCapturedStdout::CCapturedStdout() {
    std::fflush(stdout);
    const int nOriginal = ::dup(STDOUT_FILENO);
    m_pCapture = std::tmpfile();
    if (nOriginal < 0 || m_pCapture == nullptr) {
        Fail("stochvar-fingerprint: cannot capture the standard output");
    }
    m_pOriginal = ::fdopen(nOriginal, "w");
    if (m_pOriginal == nullptr || ::dup2(::fileno(m_pCapture), STDOUT_FILENO) < 0) {
        Fail("stochvar-fingerprint: cannot capture the standard output");
    }
}

CCapturedStdout::~CCapturedStdout() { Release(); }

std::string CCapturedStdout::Release() {
    if (m_pOriginal == nullptr) {
        return "";
    }
    std::fflush(stdout);
    std::fflush(m_pOriginal);
    if (::dup2(::fileno(m_pOriginal), STDOUT_FILENO) < 0) {
        Fail("stochvar-fingerprint: cannot restore the standard output");
    }
    std::fclose(m_pOriginal);
    m_pOriginal = nullptr;

    std::string text;
    std::rewind(m_pCapture);
    char buffer[4096];
    std::size_t nRead = 0;
    while ((nRead = std::fread(buffer, 1, sizeof buffer, m_pCapture)) > 0) {
        text.append(buffer, nRead);
    }
    std::fclose(m_pCapture);
    m_pCapture = nullptr;
    return text;
}

} // namespace stochvar::fingerprint
