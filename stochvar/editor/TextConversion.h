#pragma once

// Numbers and names between the model and the controls.
//
// Numbers are read and written in the notation of the C locale (a point as decimal separator)
// whatever locale the application runs in.

#include <stochvar/framework/String.h>

#include <QString>

namespace stochvar {

// Reads the text as exactly one number with strtod: succeeds only when nothing follows the
// number, not even a blank (strtod itself skips blanks before it); an empty text reads as 0.
bool ParseExactNumber(const QString& text, double& dValue);

// The shortest text that reads back as the same double (std::to_chars): fixed notation for
// magnitudes from 1e-4 up to 1e15, scientific notation below and above ("4.1e-08"); "inf",
// "-inf" and "nan" for values that are not finite.
QString NumberText(double dValue);

// printf-style formatting in the C locale's notation.
QString FormatText(const char* pszFormat, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Names are stored as bytes; the editor reads and writes them as UTF-8.
QString ToQString(const CString& str);
CString ToCString(const QString& str);

} // namespace stochvar
