#pragma once

// Numbers and names between the model and the controls.
//
// Numbers are read and written in the notation of the C locale (a point as decimal separator)
// whatever locale the application runs in: a Qt application switches the process to the user's
// locale at start-up, which would otherwise change what strtod accepts and what printf writes.

#include <stochvar/framework/String.h>

#include <QString>

namespace stochvar {

// Reads the whole text as one number with strtod: succeeds only when nothing follows the number,
// not even a blank; an empty text reads as 0.
bool ParseWholeText(const QString& text, double& dValue);

// printf-style formatting in the C locale's notation.
QString FormatText(const char* pszFormat, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Names are stored as bytes; the editor reads and writes them as UTF-8.
QString ToQString(const CString& str);
CString ToCString(const QString& str);

// Switches the calling thread to the C locale's number notation for its lifetime, for code that
// formats or parses through the C library (the core's CString::Format, strtod).
class CClassicNumbers {
public:
    CClassicNumbers();
    ~CClassicNumbers();
    CClassicNumbers(const CClassicNumbers&) = delete;
    CClassicNumbers& operator=(const CClassicNumbers&) = delete;

private:
    void* m_pPrevious = nullptr;
};

} // namespace stochvar
