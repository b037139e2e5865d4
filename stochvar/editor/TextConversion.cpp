#include <stochvar/editor/TextConversion.h>

#include <stochvar/editor/ScopedCLocale.h>

#include <QByteArray>

#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdlib>
#include <system_error>

namespace stochvar {

bool ParseExactNumber(const QString& text, double& dValue) {
    const QByteArray bytes = text.toUtf8();
    const char* pszBegin = bytes.constData();
    char* pszEnd = nullptr;
    const CScopedCLocale cLocale;
    const double dParsed = std::strtod(pszBegin, &pszEnd);
    if (pszEnd != pszBegin + bytes.size()) {
        return false;
    }
    dValue = dParsed;
    return true;
}

QString NumberText(double dValue) {
    // Fixed notation would need a long run of zeros outside this range.
    constexpr double kFixedLow = 1e-4;
    constexpr double kFixedHigh = 1e15;
    const double dMagnitude = std::fabs(dValue);
    const bool bFixed = dMagnitude == 0.0 || (dMagnitude >= kFixedLow && dMagnitude < kFixedHigh);
    // Room for 17 digits, sign, point, exponent, or a fixed number below 1e15.
    char buffer[64];
    const std::to_chars_result result =
        std::to_chars(buffer, buffer + sizeof buffer, dValue,
                      bFixed ? std::chars_format::fixed : std::chars_format::scientific);
    if (result.ec != std::errc()) {
        return QString();
    }
    return QString::fromLatin1(buffer, static_cast<qsizetype>(result.ptr - buffer));
}

QString FormatText(const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    CString str;
    {
        const CScopedCLocale cLocale;
        str.FormatV(pszFormat, args);
    }
    va_end(args);
    return ToQString(str);
}

QString ToQString(const CString& str) {
    return QString::fromUtf8(str.GetString(), str.GetLength());
}

CString ToCString(const QString& str) {
    const QByteArray bytes = str.toUtf8();
    return CString(bytes.constData(), static_cast<int>(bytes.size()));
}

} // namespace stochvar
