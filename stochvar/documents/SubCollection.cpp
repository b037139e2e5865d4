#include <stochvar/documents/SubCollection.h>

#include <algorithm>
#include <iterator>

namespace stochvar {

CSubCollection::CSubCollection(const CDistCollection& source, const std::vector<int>& positions) {
    for (const int nPosition : positions) {
        m_collection.AddDist(source.GetDist(nPosition));
    }
    const auto PartIndex = [&](int nIndex) {
        const auto it = std::find(positions.begin(), positions.end(), nIndex);
        return it == positions.end() ? -1 : static_cast<int>(std::distance(positions.begin(), it));
    };
    for (const SCorr* pCorr : source.m_Corrs) {
        const int nIndex1 = PartIndex(pCorr->nIndex1);
        const int nIndex2 = PartIndex(pCorr->nIndex2);
        if (nIndex1 < 0 || nIndex2 < 0) {
            continue;
        }
        auto* pCopy = new SCorr(*pCorr);
        pCopy->nIndex1 = std::min(nIndex1, nIndex2);
        pCopy->nIndex2 = std::max(nIndex1, nIndex2);
        m_collection.m_Corrs.Add(pCopy);
    }
    if (!source.FollowsDefaultNumerics()) {
        m_collection.SetNumerics(source.GetNumerics());
    }
}

} // namespace stochvar
