#include <stochvar/editor/TextConversion.h>

#include <QByteArray>

#include <cstdarg>
#include <cstdlib>

#if defined(__unix__) || defined(__APPLE__)
#include <clocale>
#include <locale.h>
#if defined(__APPLE__)
#include <xlocale.h>
#endif
#define STOCHVAR_HAS_USELOCALE 1
#endif

namespace stochvar {

#ifdef STOCHVAR_HAS_USELOCALE
namespace {

locale_t ClassicLocale() {
    // Made once and kept for the life of the process.
    static const locale_t classic = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return classic;
}

} // namespace

CClassicNumbers::CClassicNumbers() : m_pPrevious(uselocale(ClassicLocale())) {}

CClassicNumbers::~CClassicNumbers() {
    uselocale(static_cast<locale_t>(m_pPrevious));
}
#else
// Elsewhere the C library keeps the "C" locale unless the program changes it.
CClassicNumbers::CClassicNumbers() = default;
CClassicNumbers::~CClassicNumbers() = default;
#endif

bool ParseWholeText(const QString& text, double& dValue) {
    const QByteArray bytes = text.toUtf8();
    const char* pszBegin = bytes.constData();
    char* pszEnd = nullptr;
    const CClassicNumbers classic;
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
        const CClassicNumbers classic;
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
