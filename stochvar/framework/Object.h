#pragma once

// CObject: root of the serialisable classes, with run-time class information.

#include <stochvar/framework/RuntimeClass.h>
#include <stochvar/framework/Types.h>

namespace stochvar {

class CArchive;

class CObject {
public:
    static const CRuntimeClass classCObject;

    virtual const CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject() = default;
    // Stores or loads the object's contents; the root has none.
    virtual void Serialize(CArchive& ar);

    bool IsKindOf(const CRuntimeClass* pClass) const;
    bool IsSerializable() const;

protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};

} // namespace stochvar
