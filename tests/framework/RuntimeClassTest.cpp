#include "framework/ArchiveTestClasses.h"
#include "support/ArchiveTestSupport.h"

#include <stochvar/framework/RuntimeClass.h>

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <vector>

namespace stochvar::test {
namespace {

TEST(CRuntimeClassTest, FindsRegisteredClassesByName) {
    struct Case {
        const char* name;
        const CRuntimeClass* expected;
    };
    const std::vector<Case> cases = {
        {"CObject", STOCHVAR_RUNTIME_CLASS(CObject)},
        {"CTracked", STOCHVAR_RUNTIME_CLASS(CTracked)},
        {"CTestPoint", STOCHVAR_RUNTIME_CLASS(CTestPoint)},
        {"CTestLabel", STOCHVAR_RUNTIME_CLASS(CTestLabel)},
        {"CTestPoin", nullptr},
        {"CTestPointX", nullptr},
        {"ctestpoint", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CRuntimeClass::FromName(c.name), c.expected) << c.name;
    }
    EXPECT_EQ(CRuntimeClass::FromName(nullptr), nullptr);
}

TEST(CRuntimeClassTest, RecordLeavesTheRegistryWithItsLifetime) {
    {
        const CRuntimeClass scoped("CTestScopedClass", 1, nullptr, STOCHVAR_RUNTIME_CLASS(CObject));
        EXPECT_EQ(CRuntimeClass::FromName("CTestScopedClass"), &scoped);
    }
    EXPECT_EQ(CRuntimeClass::FromName("CTestScopedClass"), nullptr);
}

TEST(CRuntimeClassTest, DerivationFollowsTheBaseChain) {
    struct Case {
        const CRuntimeClass* cls;
        const CRuntimeClass* base;
        bool expected;
    };
    const CRuntimeClass* object = STOCHVAR_RUNTIME_CLASS(CObject);
    const CRuntimeClass* tracked = STOCHVAR_RUNTIME_CLASS(CTracked);
    const CRuntimeClass* point = STOCHVAR_RUNTIME_CLASS(CTestPoint);
    const CRuntimeClass* label = STOCHVAR_RUNTIME_CLASS(CTestLabel);
    const std::vector<Case> cases = {
        {point, point, true},     {point, tracked, true}, {point, object, true},
        {tracked, object, true},  {object, object, true}, {tracked, point, false},
        {object, tracked, false}, {point, label, false},  {label, point, false},
        {point, nullptr, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.cls->IsDerivedFrom(c.base), c.expected)
            << c.cls->m_lpszClassName << " from " << (c.base ? c.base->m_lpszClassName : "null");
    }

    const CTestPoint p;
    EXPECT_TRUE(p.IsKindOf(tracked));
    EXPECT_TRUE(p.IsKindOf(object));
    EXPECT_FALSE(p.IsKindOf(label));
    EXPECT_EQ(p.GetRuntimeClass(), point);
}

TEST(CRuntimeClassTest, CreatesObjectsOfItsOwnClass) {
    for (const CRuntimeClass* cls :
         {STOCHVAR_RUNTIME_CLASS(CTestPoint), STOCHVAR_RUNTIME_CLASS(CTestLabel),
          STOCHVAR_RUNTIME_CLASS(CTestOwner)}) {
        const std::unique_ptr<CObject> p(cls->CreateObject());
        ASSERT_NE(p, nullptr) << cls->m_lpszClassName;
        EXPECT_EQ(p->GetRuntimeClass(), cls);
        EXPECT_TRUE(p->IsSerializable());
    }
    EXPECT_EQ(STOCHVAR_RUNTIME_CLASS(CObject)->CreateObject(), nullptr);
    const std::unique_ptr<CObject> tracked(STOCHVAR_RUNTIME_CLASS(CTracked)->CreateObject());
    EXPECT_FALSE(tracked->IsSerializable());
}

TEST(CRuntimeClassTest, StoresTheFrameworkClassRecord) {
    const Bytes bytes = Store([](CArchive& ar) { STOCHVAR_RUNTIME_CLASS(CTestPoint)->Store(ar); });
    EXPECT_EQ(bytes, Cat({Hex("01 00 0A 00"), Ascii("CTestPoint")})) << ToHex(bytes);

    // Only the low word of a versionable schema is stored.
    const Bytes versioned =
        Store([](CArchive& ar) { STOCHVAR_RUNTIME_CLASS(CTestVersioned)->Store(ar); });
    EXPECT_EQ(versioned, Cat({Hex("02 00 0E 00"), Ascii("CTestVersioned")})) << ToHex(versioned);
}

TEST(CRuntimeClassTest, LoadsAClassRecord) {
    struct Case {
        const char* name;
        Bytes bytes;
        const CRuntimeClass* expected;
        UINT expectedSchema;
    };
    const std::vector<Case> cases = {
        {"registered", Cat({Hex("07 00 0A 00"), Ascii("CTestLabel")}),
         STOCHVAR_RUNTIME_CLASS(CTestLabel), 7},
        {"unknown", Cat({Hex("01 00 03 00"), Ascii("CXy")}), nullptr, 1},
        {"empty name", Hex("05 00 00 00"), nullptr, 5},
        {"zero byte inside", Cat({Hex("01 00 0C 00"), Ascii("CTestPoint"), Hex("00 41")}), nullptr,
         1},
        {"63 characters", Cat({Hex("01 00 3F 00"), Ascii(ClassWithName63()->m_lpszClassName)}),
         ClassWithName63(), 1},
        {"64 characters", Cat({Hex("01 00 40 00"), Ascii(ClassWithName64()->m_lpszClassName)}),
         nullptr, 1},
    };
    for (const Case& c : cases) {
        std::istringstream in = InputOf(c.bytes);
        CArchive ar(in);
        UINT nSchema = 0;
        EXPECT_EQ(CRuntimeClass::Load(ar, &nSchema), c.expected) << c.name;
        EXPECT_EQ(nSchema, c.expectedSchema) << c.name;
    }

    const std::optional<int> cause =
        LoadCause(Cat({Hex("01 00 0A 00"), Ascii("CTestPo")}), [](CArchive& ar) {
            UINT nSchema = 0;
            CRuntimeClass::Load(ar, &nSchema);
        });
    EXPECT_EQ(cause, CArchiveException::endOfFile);
}

} // namespace
} // namespace stochvar::test
