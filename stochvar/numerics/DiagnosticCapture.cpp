#include <stochvar/numerics/DiagnosticCapture.h>

#include <cstdarg>
#include <cstdio>
#include <utility>

namespace stochvar {

namespace {

thread_local CDiagnosticCapture* t_pActiveCapture = nullptr;

} // namespace

CDiagnosticCapture::CDiagnosticCapture() : m_pOuter(t_pActiveCapture) { t_pActiveCapture = this; }

CDiagnosticCapture::~CDiagnosticCapture() { t_pActiveCapture = m_pOuter; }

std::string CDiagnosticCapture::TakeText() { return std::exchange(m_strText, std::string()); }

void PrintDiagnostic(const char* pFormat, ...) {
    std::va_list args;
    va_start(args, pFormat);
    CDiagnosticCapture* pCapture = t_pActiveCapture;
    if (pCapture == nullptr) {
        std::vprintf(pFormat, args);
    } else {
        std::va_list sizing;
        va_copy(sizing, args);
        const int nLength = std::vsnprintf(nullptr, 0, pFormat, sizing);
        va_end(sizing);
        if (nLength > 0) {
            std::string& text = pCapture->m_strText;
            const std::size_t nOld = text.size();
            text.resize(nOld + static_cast<std::size_t>(nLength) + 1);
            std::vsnprintf(text.data() + nOld, static_cast<std::size_t>(nLength) + 1, pFormat,
                           args);
            text.resize(nOld + static_cast<std::size_t>(nLength));
        }
    }
    va_end(args);
}

void PrintCapturedDiagnostics(const std::string& strText) {
    if (strText.empty()) {
        return;
    }
    if (t_pActiveCapture != nullptr) {
        t_pActiveCapture->m_strText += strText;
    } else {
        std::fwrite(strText.data(), 1, strText.size(), stdout);
    }
}

} // namespace stochvar
