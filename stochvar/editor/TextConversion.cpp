#include <stochvar/editor/TextConversion.h>

#include <stochvar/editor/ScopedCLocale.h>

#include <QByteArray>

#include <cstdarg>
#include <cstdlib>

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
