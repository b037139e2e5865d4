#include <stochvar/framework/Object.h>

namespace stochvar {

const CRuntimeClass CObject::classCObject("CObject", CRuntimeClass::kNotSerializable, nullptr,
                                          nullptr);

const CRuntimeClass* CObject::GetRuntimeClass() const { return &classCObject; }

void CObject::Serialize(CArchive& /*ar*/) {}

bool CObject::IsKindOf(const CRuntimeClass* pClass) const {
    return GetRuntimeClass()->IsDerivedFrom(pClass);
}

bool CObject::IsSerializable() const {
    return GetRuntimeClass()->m_wSchema != CRuntimeClass::kNotSerializable;
}

} // namespace stochvar
