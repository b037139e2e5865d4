#include <stochvar/families/FamilyList.h>

#include <array>

namespace stochvar {

std::span<const char* const> DistTypeKeywords() {
    static constexpr auto kKeywords = [] {
        std::array<const char*, DIST_COUNT> keywords{};
        for (const SFamily& family : kFamilies) {
            keywords[static_cast<std::size_t>(family.nType)] = family.pszKeyword;
        }
        return keywords;
    }();
    return kKeywords;
}

CDist* CDist::CreateNewDist(int nType) {
    const SFamily* pFamily = FindFamily(nType);
    return pFamily != nullptr ? pFamily->pfnCreate(m_ppReference, m_strVarName, this) : nullptr;
}

} // namespace stochvar
