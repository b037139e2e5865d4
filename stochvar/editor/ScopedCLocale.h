#pragma once

// CScopedCLocale: switches the calling thread to the C locale for its lifetime, for code that
// formats or parses numbers through the C library (the core's CString::Format, strtod, atof).
//
// A Qt application switches the process to the user's locale at start-up, which would otherwise
// change what strtod accepts and what printf writes (a comma as decimal separator, say).

namespace stochvar {

class CScopedCLocale {
public:
    CScopedCLocale();
    ~CScopedCLocale();
    CScopedCLocale(const CScopedCLocale&) = delete;
    CScopedCLocale& operator=(const CScopedCLocale&) = delete;

private:
    void* m_pPrevious = nullptr;
};

} // namespace stochvar
