#include <stochvar/framework/RuntimeClass.h>

#include <stochvar/framework/Archive.h>
#include <stochvar/framework/Object.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace stochvar {

namespace {

// Function-local so that records constructed during static initialisation of any translation
// unit find the registry already built.
std::vector<const CRuntimeClass*>& Registry() {
    static std::vector<const CRuntimeClass*> registry;
    return registry;
}

// Class names in an archive are shorter than this: the framework reads them into a buffer of
// this size, terminator included, and refuses longer ones.
constexpr WORD kClassNameBuffer = 64;

} // namespace

CRuntimeClass::CRuntimeClass(const char* lpszClassName, UINT wSchema,
                             CreateFunction pfnCreateObject, const CRuntimeClass* pBaseClass)
    : m_lpszClassName(lpszClassName), m_wSchema(wSchema), m_pfnCreateObject(pfnCreateObject),
      m_pBaseClass(pBaseClass) {
    Registry().push_back(this);
}

CRuntimeClass::~CRuntimeClass() {
    auto& registry = Registry();
    registry.erase(std::remove(registry.begin(), registry.end(), this), registry.end());
}

CObject* CRuntimeClass::CreateObject() const {
    return m_pfnCreateObject ? m_pfnCreateObject() : nullptr;
}

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* pBaseClass) const {
    for (const CRuntimeClass* pClass = this; pClass != nullptr; pClass = pClass->m_pBaseClass) {
        if (pClass == pBaseClass) {
            return true;
        }
    }
    return false;
}

const CRuntimeClass* CRuntimeClass::FromName(const char* lpszClassName) {
    if (lpszClassName == nullptr) {
        return nullptr;
    }
    for (const CRuntimeClass* pClass : Registry()) {
        if (std::strcmp(pClass->m_lpszClassName, lpszClassName) == 0) {
            return pClass;
        }
    }
    return nullptr;
}

void CRuntimeClass::Store(CArchive& ar) const {
    const auto nLen = static_cast<WORD>(std::strlen(m_lpszClassName));
    ar << static_cast<WORD>(m_wSchema) << nLen;
    ar.Write(m_lpszClassName, nLen);
}

const CRuntimeClass* CRuntimeClass::Load(CArchive& ar, UINT* pwSchemaNum) {
    if (pwSchemaNum == nullptr) {
        return nullptr;
    }
    WORD wSchema = 0;
    WORD nLen = 0;
    ar >> wSchema >> nLen;
    *pwSchemaNum = wSchema;
    if (nLen >= kClassNameBuffer) {
        return nullptr;
    }
    char szClassName[kClassNameBuffer];
    if (ar.Read(szClassName, nLen) != nLen) {
        throw CArchiveException(CArchiveException::endOfFile, ar.m_strFileName);
    }
    // A name with a zero byte inside would otherwise match a registered name by its prefix.
    if (std::memchr(szClassName, '\0', nLen) != nullptr) {
        return nullptr;
    }
    szClassName[nLen] = '\0';
    return FromName(szClassName);
}

} // namespace stochvar
