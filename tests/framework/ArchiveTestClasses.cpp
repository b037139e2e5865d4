#include "framework/ArchiveTestClasses.h"

#include <stdexcept>

namespace stochvar::test {

namespace {
int g_nLive = 0;
} // namespace

STOCHVAR_IMPLEMENT_SERIAL(CTracked, CObject, CRuntimeClass::kNotSerializable)
STOCHVAR_IMPLEMENT_SERIAL(CTestPoint, CTracked, 1)
STOCHVAR_IMPLEMENT_SERIAL(CTestLabel, CTracked, 2)
STOCHVAR_IMPLEMENT_SERIAL(CTestOwner, CTracked, 3)
STOCHVAR_IMPLEMENT_SERIAL(CTestFaulty, CTracked, 1)
STOCHVAR_IMPLEMENT_SERIAL(CTestVersioned, CTracked, VERSIONABLE_SCHEMA | 2)
STOCHVAR_IMPLEMENT_SERIAL(CTestName63_345678901234567890123456789012345678901234567890123, CTracked,
                          1)
STOCHVAR_IMPLEMENT_SERIAL(CTestName64_3456789012345678901234567890123456789012345678901234,
                          CTracked, 1)

CTracked::CTracked() {
    ++g_nLive;
}

CTracked::CTracked(const CTracked& other) : CObject(other) {
    ++g_nLive;
}

CTracked::~CTracked() {
    --g_nLive;
}

int CTracked::LiveCount() {
    return g_nLive;
}

void CTracked::Serialize(CArchive& ar) {
    SerializeBody(ar);
    if (ar.IsLoading()) {
        m_bFresh = true;
    }
}

void CTracked::SerializeBody(CArchive& /*ar*/) {}

bool CTracked::Claim(CObject* pOb) {
    auto* pTracked = dynamic_cast<CTracked*>(pOb);
    if (pTracked == nullptr || !pTracked->m_bFresh) {
        return false;
    }
    pTracked->m_bFresh = false;
    return true;
}

void CTestPoint::SerializeBody(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << m_nX << m_dY << m_strName;
    } else {
        ar >> m_nX >> m_dY >> m_strName;
    }
}

void CTestLabel::SerializeBody(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << m_strText << m_wCode;
    } else {
        ar >> m_strText >> m_wCode;
    }
}

CTestOwner::~CTestOwner() {
    for (CObject* pOb : m_owned) {
        delete pOb;
    }
}

void CTestOwner::Adopt(CObject* pOb) {
    if (Claim(pOb)) {
        m_owned.Add(pOb);
    }
}

void CTestOwner::SerializeBody(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteCount(static_cast<DWORD>(m_children.GetSize()));
        for (const CObject* pChild : m_children) {
            ar.WriteObject(pChild);
        }
        ar.WriteObject(m_pPeer);
        return;
    }
    const DWORD nCount = ar.ReadCount();
    for (DWORD i = 0; i < nCount; ++i) {
        CObject* pChild = ar.ReadObject(STOCHVAR_RUNTIME_CLASS(CTracked));
        Adopt(pChild);
        m_children.Add(pChild);
    }
    m_pPeer = ar.ReadObject(STOCHVAR_RUNTIME_CLASS(CTracked));
    Adopt(m_pPeer);
}

void CTestFaulty::SerializeBody(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << m_nValue;
        return;
    }
    ar >> m_nValue;
    if (m_nValue == kPoison) {
        throw std::runtime_error("poisoned test object");
    }
}

void CTestVersioned::SerializeBody(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << m_nValue << m_dExtra;
        return;
    }
    m_nLoadedSchema = ar.GetObjectSchema();
    ar >> m_nValue;
    if (m_nLoadedSchema >= 2) {
        ar >> m_dExtra;
    }
}

} // namespace stochvar::test
