#include <stochvar/editor/ScopedCLocale.h>

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

locale_t CLocale() {
    // Made once and kept for the life of the process.
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

} // namespace

CScopedCLocale::CScopedCLocale() : m_pPrevious(uselocale(CLocale())) {}

CScopedCLocale::~CScopedCLocale() { uselocale(static_cast<locale_t>(m_pPrevious)); }
#else
// Elsewhere the C library keeps the "C" locale unless the program changes it.
CScopedCLocale::CScopedCLocale() = default;
CScopedCLocale::~CScopedCLocale() = default;
#endif

} // namespace stochvar
