#pragma once

// CRuntimeClass: the run-time record of a serialisable class (name, schema, base class and
// creation function). Every record links itself into a process-wide registry when it is
// constructed (when the library is loaded) and unlinks itself when it is destroyed, so that an
// archive can re-create an object from its stored class name.

#include <stochvar/framework/Types.h>

namespace stochvar {

class CArchive;
class CObject;

class CRuntimeClass {
public:
    using CreateFunction = CObject* (*)();

    // A schema of 0xFFFF marks a class that cannot be created from an archive.
    static constexpr UINT kNotSerializable = 0xFFFF;

    CRuntimeClass(const char* lpszClassName, UINT wSchema, CreateFunction pfnCreateObject,
                  const CRuntimeClass* pBaseClass);
    ~CRuntimeClass();
    CRuntimeClass(const CRuntimeClass&) = delete;
    CRuntimeClass& operator=(const CRuntimeClass&) = delete;

    // A new object of this class, or null when the class has no creation function.
    CObject* CreateObject() const;
    bool IsDerivedFrom(const CRuntimeClass* pBaseClass) const;

    // The registered class of that name, or null.
    static const CRuntimeClass* FromName(const char* lpszClassName);

    // The framework's class record in an archive: schema (u16), name length (u16), name bytes.
    void Store(CArchive& ar) const;
    // Reads a class record and returns the registered class, or null for an unknown name;
    // the stored schema goes to *pwSchemaNum.
    static const CRuntimeClass* Load(CArchive& ar, UINT* pwSchemaNum);

    const char* m_lpszClassName;
    UINT m_wSchema;
    CreateFunction m_pfnCreateObject;
    const CRuntimeClass* m_pBaseClass;
};

} // namespace stochvar

// Declares the run-time class record and creation function of a serialisable class.
#define STOCHVAR_DECLARE_SERIAL(class_name)                                                        \
public:                                                                                            \
    static const ::stochvar::CRuntimeClass class##class_name;                                      \
    static ::stochvar::CObject* CreateObject();                                                    \
    const ::stochvar::CRuntimeClass* GetRuntimeClass() const override;

// Defines what STOCHVAR_DECLARE_SERIAL declared; the record registers itself at load time.
#define STOCHVAR_IMPLEMENT_SERIAL(class_name, base_class_name, schema)                             \
    ::stochvar::CObject* class_name::CreateObject() { return new class_name; }                     \
    const ::stochvar::CRuntimeClass class_name::class##class_name(                                 \
        #class_name, schema, &class_name::CreateObject, &base_class_name::class##base_class_name); \
    const ::stochvar::CRuntimeClass* class_name::GetRuntimeClass() const {                         \
        return &class_name::class##class_name;                                                     \
    }

#define STOCHVAR_RUNTIME_CLASS(class_name) (&class_name::class##class_name)
