#include <stochvar/documents/CollectionDocument.h>

#include <stochvar/documents/DocumentError.h>

#include <algorithm>
#include <utility>

namespace stochvar {

CCollectionDocument::~CCollectionDocument() {
    // The collection lists the variables that are current, also after an editor replaced some.
    std::vector<CDist*> owned(m_collection.m_Dists.begin(), m_collection.m_Dists.end());
    std::sort(owned.begin(), owned.end());
    owned.erase(std::unique(owned.begin(), owned.end()), owned.end());
    m_collection.ResetContents();
    for (CDist* pDist : owned) {
        delete pDist;
    }
}

CDist* CCollectionDocument::AddVariable(std::unique_ptr<CDist> pDist) {
    CDist*& slot = m_references.emplace_back(pDist.release());
    slot->SetReferenceVariable(&slot);
    m_collection.AddDist(slot);
    return slot;
}

void CCollectionDocument::RemoveVariable(int nIndex) {
    if (nIndex < 0 || nIndex >= GetVariableCount()) {
        return;
    }
    CArray<SCorr*, SCorr*>& corrs = m_collection.m_Corrs;
    for (int i = corrs.GetSize() - 1; i >= 0; --i) {
        SCorr* pCorr = corrs[i];
        if (pCorr->nIndex1 == nIndex || pCorr->nIndex2 == nIndex) {
            delete pCorr;
            corrs.RemoveAt(i);
            continue;
        }
        pCorr->nIndex1 -= pCorr->nIndex1 > nIndex ? 1 : 0;
        pCorr->nIndex2 -= pCorr->nIndex2 > nIndex ? 1 : 0;
    }
    CDist* pDist = m_collection.m_Dists[nIndex];
    m_collection.m_Dists.RemoveAt(nIndex);
    if (IndexOf(pDist) < 0) {
        // Slots keep their addresses; the one of the removed variable is left empty.
        std::replace(m_references.begin(), m_references.end(), pDist, static_cast<CDist*>(nullptr));
        delete pDist;
    }
}

void CCollectionDocument::RemoveCorrelation(int nIndex) {
    CArray<SCorr*, SCorr*>& corrs = m_collection.m_Corrs;
    if (nIndex < 0 || nIndex >= corrs.GetSize()) {
        return;
    }
    delete corrs[nIndex];
    corrs.RemoveAt(nIndex);
}

int CCollectionDocument::FindVariable(std::string_view strName) const {
    for (int i = 0; i < GetVariableCount(); ++i) {
        const CDist* pDist = GetVariable(i);
        if (pDist != nullptr && pDist->m_strVarName.str() == strName) {
            return i;
        }
    }
    return -1;
}

int CCollectionDocument::IndexOf(const CDist* pDist) const {
    for (int i = 0; i < GetVariableCount(); ++i) {
        if (GetVariable(i) == pDist) {
            return i;
        }
    }
    return -1;
}

bool CCollectionDocument::GetCorrelationPair(int nIndex, int& nFirst, int& nSecond) const {
    const SCorr& corr = GetCorrelation(nIndex);
    if (GetVariable(corr.nIndex1) == nullptr || GetVariable(corr.nIndex2) == nullptr) {
        return false;
    }
    // The pointers may be stale when an editor replaced a variable; the indices always count.
    const int nByPointer1 = IndexOf(corr.pDist1);
    const int nByPointer2 = IndexOf(corr.pDist2);
    if (nByPointer1 == corr.nIndex2 && nByPointer2 == corr.nIndex1) {
        nFirst = corr.nIndex2;
        nSecond = corr.nIndex1;
    } else {
        nFirst = corr.nIndex1;
        nSecond = corr.nIndex2;
    }
    return true;
}

std::pair<int, int> CCollectionDocument::GetCorrelationPairToWrite(int nIndex) const {
    int nFirst = 0;
    int nSecond = 0;
    if (!GetCorrelationPair(nIndex, nFirst, nSecond)) {
        throw CDocumentError("correlation " + std::to_string(nIndex + 1) +
                             " refers to no variable of the collection");
    }
    return {nFirst, nSecond};
}

std::vector<SCorr> CCollectionDocument::CopyCorrelations() const {
    std::vector<SCorr> copies;
    for (const SCorr* pCorr : m_collection.m_Corrs) {
        copies.push_back(*pCorr);
    }
    return copies;
}

void CCollectionDocument::ReconcileCorrelations(
    const std::vector<SCorr>& before, const std::function<bool(double, double)>& bSameValue) {
    const auto given = [](const SCorr& corr) {
        return corr.bXSpace != 0 ? corr.dCorrX : corr.dCorrU;
    };
    const auto pairOf = [](const SCorr& corr) {
        return std::pair<int, int>(std::minmax(corr.nIndex1, corr.nIndex2));
    };
    CArray<SCorr*, SCorr*>& corrs = m_collection.m_Corrs;
    std::vector<SCorr*> rebuilt(corrs.begin(), corrs.end());
    const auto takeRebuilt = [&rebuilt, &pairOf](std::pair<int, int> pair) -> SCorr* {
        for (SCorr*& pCorr : rebuilt) {
            if (pCorr != nullptr && pairOf(*pCorr) == pair) {
                return std::exchange(pCorr, nullptr);
            }
        }
        return nullptr;
    };

    std::vector<SCorr*> kept;
    for (const SCorr& earlier : before) {
        SCorr* pNow = takeRebuilt(pairOf(earlier));
        if (pNow == nullptr) {
            continue; // the editor dropped the pair
        }
        const bool bSame =
            pNow->bXSpace == earlier.bXSpace && bSameValue(given(earlier), given(*pNow));
        SCorr values = bSame ? earlier : *pNow;
        // The variables in the order the earlier entry named them (see GetCorrelationPair),
        // pointed to afresh.
        const bool bSwapped = IndexOf(earlier.pDist1) == earlier.nIndex2 &&
                              IndexOf(earlier.pDist2) == earlier.nIndex1;
        values.nIndex1 = earlier.nIndex1;
        values.nIndex2 = earlier.nIndex2;
        values.pDist1 = GetVariable(bSwapped ? earlier.nIndex2 : earlier.nIndex1);
        values.pDist2 = GetVariable(bSwapped ? earlier.nIndex1 : earlier.nIndex2);
        *pNow = values;
        kept.push_back(pNow);
    }
    for (SCorr*& pCorr : rebuilt) {
        if (pCorr == nullptr) {
            continue;
        }
        if (given(*pCorr) != 0.0) {
            kept.push_back(pCorr);
        } else {
            delete pCorr;
        }
        pCorr = nullptr;
    }
    corrs.RemoveAll();
    for (SCorr* pCorr : kept) {
        corrs.Add(pCorr);
    }
}

std::string VariableSubject(const CDist& dist, int nIndex) {
    if (!dist.m_strVarName.IsEmpty()) {
        return dist.m_strVarName.str();
    }
    return "variable " + std::to_string(nIndex + 1);
}

std::string CorrelationSubject(const std::string& strName1, const std::string& strName2) {
    return "correlation " + strName1 + " / " + strName2;
}

} // namespace stochvar
