#include <stochvar/framework/RuntimeClass.h>

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

} // namespace stochvar
