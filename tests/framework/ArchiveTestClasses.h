#pragma once

// Serialisable classes of the archive tests. Every one counts its live instances, so that a test
// can prove that a failed load leaked nothing, and follows one ownership rule: whoever receives
// an object fresh from the archive (the top-level reader, or an owner reading its children)
// owns it; later references to it are borrowed.

#include <stochvar/framework/Archive.h>
#include <stochvar/framework/Array.h>
#include <stochvar/framework/Object.h>
#include <stochvar/framework/String.h>

namespace stochvar::test {

// Base of the test classes; not serialisable itself.
class CTracked : public CObject {
    STOCHVAR_DECLARE_SERIAL(CTracked)
public:
    CTracked();
    CTracked(const CTracked& other);
    CTracked& operator=(const CTracked&) = default;
    ~CTracked() override;

    static int LiveCount();

    // Loads or stores the body, and marks a loaded object as fresh for its receiver.
    void Serialize(CArchive& ar) final;

    // Takes ownership of an object the archive returned: true when it was fresh (just created
    // by that very read), false for a reference to an object someone else already owns.
    static bool Claim(CObject* pOb);

protected:
    virtual void SerializeBody(CArchive& ar);

private:
    bool m_bFresh = false;
};

class CTestPoint : public CTracked {
    STOCHVAR_DECLARE_SERIAL(CTestPoint)
public:
    CTestPoint() = default;
    CTestPoint(int nX, double dY, const CString& strName)
        : m_nX(nX), m_dY(dY), m_strName(strName) {}

    int m_nX = 0;
    double m_dY = 0.0;
    CString m_strName;

protected:
    void SerializeBody(CArchive& ar) override;
};

class CTestLabel : public CTracked {
    STOCHVAR_DECLARE_SERIAL(CTestLabel)
public:
    CTestLabel() = default;
    CTestLabel(const CString& strText, WORD wCode) : m_strText(strText), m_wCode(wCode) {}

    CString m_strText;
    WORD m_wCode = 0;

protected:
    void SerializeBody(CArchive& ar) override;
};

// Holds a list of children and one peer; owns those of them it received fresh when loading.
class CTestOwner : public CTracked {
    STOCHVAR_DECLARE_SERIAL(CTestOwner)
public:
    CTestOwner() = default;
    CTestOwner(const CTestOwner&) = delete;
    CTestOwner& operator=(const CTestOwner&) = delete;
    ~CTestOwner() override;

    CObArray m_children;
    CObject* m_pPeer = nullptr;

protected:
    void SerializeBody(CArchive& ar) override;

private:
    void Adopt(CObject* pOb);

    CObArray m_owned;
};

// Loads an int and throws std::runtime_error when it is kPoison, as a Serialize may fail for
// reasons of its own.
class CTestFaulty : public CTracked {
    STOCHVAR_DECLARE_SERIAL(CTestFaulty)
public:
    static constexpr int kPoison = 13;
    int m_nValue = 0;

protected:
    void SerializeBody(CArchive& ar) override;
};

// Schema 2, versionable: schema 1 bodies hold an int, schema 2 bodies an int and a double.
class CTestVersioned : public CTracked {
    STOCHVAR_DECLARE_SERIAL(CTestVersioned)
public:
    int m_nValue = 0;
    double m_dExtra = -1.0;
    UINT m_nLoadedSchema = 0;

protected:
    void SerializeBody(CArchive& ar) override;
};

// Class names of 63 and 64 characters: the longest an archive can carry, and one more.
class CTestName63_345678901234567890123456789012345678901234567890123 : public CTracked {
    STOCHVAR_DECLARE_SERIAL(CTestName63_345678901234567890123456789012345678901234567890123)
};
class CTestName64_3456789012345678901234567890123456789012345678901234 : public CTracked {
    STOCHVAR_DECLARE_SERIAL(CTestName64_3456789012345678901234567890123456789012345678901234)
};

inline const CRuntimeClass* ClassWithName63() {
    return STOCHVAR_RUNTIME_CLASS(CTestName63_345678901234567890123456789012345678901234567890123);
}
inline const CRuntimeClass* ClassWithName64() {
    return STOCHVAR_RUNTIME_CLASS(CTestName64_3456789012345678901234567890123456789012345678901234);
}

} // namespace stochvar::test
