#include <stochvar/documents/CollectionDocument.h>

#include <stochvar/documents/DocumentError.h>

#include <algorithm>

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
