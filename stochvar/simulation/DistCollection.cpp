#include <stochvar/simulation/DistCollection.h>

#include <stochvar/model/Dist.h>
#include <stochvar/model/DistStatus.h>
#include <stochvar/module/HostHooks.h>
#include <stochvar/simulation/Nataf.h>

namespace stochvar {

CDistCollection::CDistCollection() = default;

CDistCollection::CDistCollection(CDistCollection* pSource) {
    for (CDist* pDist : pSource->m_Dists) {
        m_Dists.Add(pDist != nullptr ? pDist->CreateCopy() : nullptr);
    }
    for (const SCorr* pCorr : pSource->m_Corrs) {
        m_Corrs.Add(new SCorr(*pCorr));
    }
    m_numerics = pSource->m_numerics;
    pSource->WriteOwnStrata();
    CopyRunState(*pSource);
}

CDistCollection::~CDistCollection() {
    for (SCorr* pCorr : m_Corrs) {
        delete pCorr;
    }
}

void CDistCollection::ResetContents() {
    m_Dists.RemoveAll();
    for (SCorr* pCorr : m_Corrs) {
        delete pCorr;
    }
    m_Corrs.RemoveAll();
    FreeBuffers();
    m_pExOr = nullptr;
    m_bInitialized = FALSE;
}

CDist* CDistCollection::GetDist(int nIndex) const {
    if (nIndex < 0 || nIndex >= GetCount()) {
        return nullptr;
    }
    return m_Dists[nIndex];
}

void CDistCollection::AddDist(CDist* pDist) { m_Dists.Add(pDist); }

BOOL CDistCollection::SetDist(int nIndex, CDist* pDist) {
    if (nIndex < 0) {
        return FALSE;
    }
    const BOOL bExisted = nIndex < GetCount() ? TRUE : FALSE;
    m_Dists.SetAtGrow(nIndex, pDist);
    return bExisted;
}

int CDistCollection::GetIndex(CDist* pDist) const {
    if (pDist == nullptr) {
        return -1;
    }
    for (int nIndex = 0; nIndex < GetCount(); ++nIndex) {
        if (m_Dists[nIndex] == pDist) {
            return nIndex;
        }
    }
    return -1;
}

BOOL CDistCollection::ChangeDistCollection() {
    if (GetCount() == 0) {
        return FALSE;
    }
    return GetHostHooks().changeDistCollection(this) == IDOK ? TRUE : FALSE;
}

BOOL CDistCollection::CheckRange(CDist* pDist1, CDist* pDist2, double* pdCorrX) {
    double dMin = 0.0;
    double dMax = 0.0;
    NatafRange(pDist1, pDist2, &dMin, &dMax);

    const double dCorrX = *pdCorrX;
    const char* pszFormat = nullptr;
    if (dCorrX < dMin) {
        pszFormat = "Correlation specified between variable %s and %s is too small to perform the "
                    "nataf mapping. Correlation is %7.4f. Allowed range is: [%7.4f;%7.4f].\n "
                    "Correlation is modified to %7.4f!";
        *pdCorrX = dMin;
    } else if (dCorrX > dMax) {
        pszFormat = "Correlation specified between variable %s and %s is too large to perform the "
                    "nataf mapping. Correlation is %7.4f. Allowed range is: [%7.4f;%7.4f].\n "
                    "Correlation is modified to %7.4f!";
        *pdCorrX = dMax;
    } else {
        return TRUE;
    }
    CString strMessage;
    strMessage.Format(pszFormat, pDist1->GetVarName().GetString(), pDist2->GetVarName().GetString(),
                      dCorrX, dMin, dMax, *pdCorrX);
    CDistStatus status;
    status.SetWarning(strMessage);
    status.ShowMessage();
    return FALSE;
}

void CDistCollection::SetCorr(CDist* pDist1, CDist* pDist2, double dCorr, BOOL bXSpace) {
    const int nIndex1 = GetIndex(pDist1);
    const int nIndex2 = GetIndex(pDist2);
    if (nIndex1 < 0 || nIndex2 < 0) {
        return;
    }
    const CNumericsScope numerics(GetNumerics());
    if (bXSpace) {
        CheckRange(pDist1, pDist2, &dCorr);
    }
    double dCorrU = dCorr;
    double dCorrX = dCorr;
    int nError = 0;
    Nataf(bXSpace, pDist1, pDist2, &dCorrU, &dCorrX, &nError);

    auto* pCorr = new SCorr;
    pCorr->nIndex1 = nIndex1 < nIndex2 ? nIndex1 : nIndex2;
    pCorr->nIndex2 = nIndex1 < nIndex2 ? nIndex2 : nIndex1;
    pCorr->pDist1 = pDist1;
    pCorr->pDist2 = pDist2;
    pCorr->dCorrU = dCorrU;
    pCorr->dCorrX = dCorrX;
    pCorr->bXSpace = bXSpace;
    m_Corrs.Add(pCorr);
}

BOOL CDistCollection::CheckCorr(SCorr* pCorr) {
    BOOL bResult = TRUE;
    CDist* pDist1 = GetDist(pCorr->nIndex1);
    CDist* pDist2 = GetDist(pCorr->nIndex2);
    if (pDist1 == nullptr || pDist2 == nullptr) {
        return bResult;
    }
    const CNumericsScope numerics(GetNumerics());
    if (pCorr->bXSpace && !CheckRange(pDist1, pDist2, &pCorr->dCorrX)) {
        bResult = FALSE;
    }
    int nError = 0;
    Nataf(pCorr->bXSpace, pDist1, pDist2, &pCorr->dCorrU, &pCorr->dCorrX, &nError);
    return bResult;
}

} // namespace stochvar
