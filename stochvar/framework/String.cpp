#include <stochvar/framework/String.h>

#include <cstdio>
#include <vector>

namespace stochvar {

void CString::Format(const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    FormatV(pszFormat, args);
    va_end(args);
}

void CString::FormatV(const char* pszFormat, va_list args) {
    va_list sizing;
    va_copy(sizing, args);
    const int length = std::vsnprintf(nullptr, 0, pszFormat, sizing);
    va_end(sizing);
    if (length <= 0) {
        m_str.clear();
        return;
    }
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), pszFormat, args);
    m_str.assign(buffer.data(), static_cast<std::size_t>(length));
}

int CString::Compare(const char* psz) const {
    const int result = m_str.compare(psz ? psz : "");
    return (result > 0) - (result < 0);
}

CString& CString::operator=(const char* psz) {
    m_str = psz ? psz : "";
    return *this;
}

CString& CString::operator+=(const CString& other) {
    m_str += other.m_str;
    return *this;
}

CString& CString::operator+=(const char* psz) {
    m_str += psz ? psz : "";
    return *this;
}

CString& CString::operator+=(char ch) {
    m_str += ch;
    return *this;
}

} // namespace stochvar
