// Polymorphic object framing: class records, class and object indices, null pointers and
// back-references, byte for byte as the framework frames objects, and the errors of loading.

#include "framework/ArchiveTestClasses.h"
#include "support/ArchiveTestSupport.h"

#include <stochvar/framework/Archive.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace stochvar::test {
namespace {

// Bodies of the test objects used below, written out by hand.
// CTestPoint(1, 0.5, "A"): int 1, double 0.5 (3FE0000000000000), string "A".
const char* const kBodyPointA = "01 00 00 00  00 00 00 00 00 00 E0 3F  01 41";
// CTestPoint(-2, 2.0, "B"): int -2, double 2.0 (4000000000000000), string "B".
const char* const kBodyPointB = "FE FF FF FF  00 00 00 00 00 00 00 40  01 42";
// CTestLabel("L", 0x1234) and CTestLabel("M", 7): string, WORD.
const char* const kBodyLabelL = "01 4C  34 12";
const char* const kBodyLabelM = "01 4D  07 00";

Bytes NewClass(const char* schemaHex, std::string_view name) {
    return Cat({Hex("FF FF"), Hex(schemaHex), Bytes{static_cast<unsigned char>(name.size()), 0},
                Ascii(name)});
}

// Deletes what a test loaded: each object once, whatever else refers to it.
class LoadedObjects {
public:
    void Keep(CObject* pOb) {
        if (pOb != nullptr) {
            m_objects.insert(pOb);
        }
    }
    ~LoadedObjects() {
        for (CObject* pOb : m_objects) {
            delete pOb;
        }
    }

private:
    std::set<CObject*> m_objects;
};

class ArchiveFramingTest : public ::testing::Test {
protected:
    void SetUp() override { m_nLiveBefore = CTracked::LiveCount(); }
    void TearDown() override {
        EXPECT_EQ(CTracked::LiveCount(), m_nLiveBefore) << "test objects leaked or died twice";
    }

    int m_nLiveBefore = 0;
};

TEST_F(ArchiveFramingTest, StoresNewClassesIndicesNullsAndBackReferences) {
    CTestPoint a(1, 0.5, "A");
    CTestPoint b(-2, 2.0, "B");
    CTestLabel l("L", 0x1234);
    CTestLabel m("M", 7);

    const Bytes bytes = Store([&](CArchive& ar) {
        ar << &a;                // class 1, object 2
        ar.WriteObject(nullptr); // null
        ar << &l;                // class 3, object 4
        ar << &b;                // class 1 again, object 5
        ar << &m;                // class 3 again, object 6
        ar << &l << &a;          // objects stored before
    });
    const Bytes expected = Cat({
        NewClass("01 00", "CTestPoint"),
        Hex(kBodyPointA),
        Hex("00 00"),
        NewClass("02 00", "CTestLabel"),
        Hex(kBodyLabelL),
        Hex("01 80"),
        Hex(kBodyPointB),
        Hex("03 80"),
        Hex(kBodyLabelM),
        Hex("04 00"),
        Hex("02 00"),
    });
    EXPECT_EQ(bytes, expected) << ToHex(bytes);
}

TEST_F(ArchiveFramingTest, LoadsAHandAssembledStream) {
    const Bytes bytes = Cat({
        NewClass("01 00", "CTestPoint"), Hex(kBodyPointA), // 1: class, 2: A
        Hex("00 00"),                                      // null
        Hex("02 00"),                                      // A again
        NewClass("02 00", "CTestLabel"), Hex(kBodyLabelL), // 3: class, 4: L
        Hex("01 80"), Hex(kBodyPointB),                    // 5: B
        Hex("FF 7F 04 00 00 00"),                          // L, by a long tag
        Hex("FF 7F 03 00 00 80"), Hex(kBodyLabelM),        // 6: M, class by a long tag
    });
    std::istringstream in = InputOf(bytes);
    CArchive ar(in);
    LoadedObjects owned;
    std::vector<CObject*> loaded;
    for (int i = 0; i < 7; ++i) {
        CObject* pOb = nullptr;
        ar >> pOb;
        owned.Keep(pOb);
        loaded.push_back(pOb);
    }
    char extra = 0;
    EXPECT_EQ(ar.Read(&extra, 1), 0u) << "bytes left unread";

    auto* a = dynamic_cast<CTestPoint*>(loaded[0]);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->m_nX, 1);
    EXPECT_EQ(a->m_dY, 0.5);
    EXPECT_EQ(a->m_strName, "A");
    EXPECT_EQ(loaded[1], nullptr);
    EXPECT_EQ(loaded[2], loaded[0]);
    auto* l = dynamic_cast<CTestLabel*>(loaded[3]);
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->m_strText, "L");
    EXPECT_EQ(l->m_wCode, 0x1234);
    auto* b = dynamic_cast<CTestPoint*>(loaded[4]);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->m_nX, -2);
    EXPECT_EQ(b->m_dY, 2.0);
    EXPECT_EQ(b->m_strName, "B");
    EXPECT_EQ(loaded[5], loaded[3]);
    auto* m = dynamic_cast<CTestLabel*>(loaded[6]);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->m_strText, "M");
    EXPECT_EQ(m->m_wCode, 7);
}

TEST_F(ArchiveFramingTest, RoundTripKeepsSharingAndNulls) {
    CTestPoint p1(3, -1.25, "first");
    CTestPoint p2(4, 1e300, CString(std::string(300, 'q')));
    CTestLabel l1("label", 65535);
    CTestOwner owner;
    owner.m_children.Add(&p1);
    owner.m_children.Add(nullptr);
    owner.m_children.Add(&l1);
    owner.m_children.Add(&p1);
    owner.m_pPeer = &owner;
    const std::vector<const CObject*> sequence = {&p1, &l1, nullptr, &owner, &p2, &l1, &owner, &p2};

    const Bytes bytes = Store([&](CArchive& ar) {
        for (const CObject* pOb : sequence) {
            ar.WriteObject(pOb);
        }
    });

    std::istringstream in = InputOf(bytes);
    CArchive ar(in);
    LoadedObjects owned;
    std::vector<CObject*> loaded;
    for (std::size_t i = 0; i < sequence.size(); ++i) {
        CObject* pOb = ar.ReadObject(STOCHVAR_RUNTIME_CLASS(CTracked));
        if (CTracked::Claim(pOb)) {
            owned.Keep(pOb);
        }
        loaded.push_back(pOb);
    }
    // The same pointer pattern: equal originals give equal copies, distinct ones distinct.
    for (std::size_t i = 0; i < sequence.size(); ++i) {
        EXPECT_EQ(loaded[i] == nullptr, sequence[i] == nullptr) << i;
        for (std::size_t j = 0; j < sequence.size(); ++j) {
            EXPECT_EQ(loaded[i] == loaded[j], sequence[i] == sequence[j]) << i << ", " << j;
        }
    }
    auto* p1Copy = dynamic_cast<CTestPoint*>(loaded[0]);
    auto* ownerCopy = dynamic_cast<CTestOwner*>(loaded[3]);
    auto* p2Copy = dynamic_cast<CTestPoint*>(loaded[4]);
    ASSERT_NE(p1Copy, nullptr);
    ASSERT_NE(ownerCopy, nullptr);
    ASSERT_NE(p2Copy, nullptr);
    EXPECT_EQ(p2Copy->m_dY, 1e300);
    EXPECT_EQ(p2Copy->m_strName, p2.m_strName);
    ASSERT_EQ(ownerCopy->m_children.GetSize(), 4);
    EXPECT_EQ(ownerCopy->m_children[0], p1Copy);
    EXPECT_EQ(ownerCopy->m_children[1], nullptr);
    EXPECT_EQ(ownerCopy->m_children[2], loaded[1]);
    EXPECT_EQ(ownerCopy->m_children[3], p1Copy);
    EXPECT_EQ(ownerCopy->m_pPeer, ownerCopy) << "a reference to itself inside its own body";
}

TEST_F(ArchiveFramingTest, ObjectReferringToItselfIsNumberedBeforeItsBody) {
    CTestOwner owner;
    owner.m_pPeer = &owner;
    const Bytes bytes = Store([&](CArchive& ar) { ar << &owner; });
    // class 1, object 2; body: count 0, then the peer as object 2.
    EXPECT_EQ(bytes, Cat({NewClass("03 00", "CTestOwner"), Hex("00 00  02 00")})) << ToHex(bytes);
}

TEST_F(ArchiveFramingTest, LargeIndicesUseTheLongTag) {
    struct Case {
        const char* name;
        std::size_t nFill;
        std::function<void(CArchive&, std::vector<CTestPoint>&, CTestLabel&)> tail;
        const char* expectedTail;
    };
    const std::vector<Case> cases = {
        {"object index 0x7FFE", 0x7FFD,
         [](CArchive& ar, std::vector<CTestPoint>& fill, CTestLabel&) { ar << &fill.back(); },
         "FE 7F"},
        {"object index 0x7FFF", 0x7FFE,
         [](CArchive& ar, std::vector<CTestPoint>& fill, CTestLabel&) { ar << &fill.back(); },
         "FF 7F FF 7F 00 00"},
        {"object index 0x8000", 0x7FFF,
         [](CArchive& ar, std::vector<CTestPoint>& fill, CTestLabel&) { ar << &fill.back(); },
         "FF 7F 00 80 00 00"},
        // The label's class takes the next index, its object the one after.
        {"class index 0x7FFE", 0x7FFC,
         [](CArchive& ar, std::vector<CTestPoint>&, CTestLabel& l) {
             CTestLabel other("M", 7);
             ar << &l << &other;
         },
         "FE FF"},
        {"class index 0x7FFF", 0x7FFD,
         [](CArchive& ar, std::vector<CTestPoint>&, CTestLabel& l) {
             CTestLabel other("M", 7);
             ar << &l << &other;
         },
         "FF 7F FF 7F 00 80"},
    };
    for (const Case& c : cases) {
        std::vector<CTestPoint> fill(c.nFill, CTestPoint(5, 0.0, ""));
        CTestLabel label("L", 0x1234);
        const Bytes bytes = Store([&](CArchive& ar) {
            for (const CTestPoint& p : fill) {
                ar << &p;
            }
            c.tail(ar, fill, label);
        });
        const Bytes expectedTail = Hex(c.expectedTail);
        // For the class cases the second label's body follows the tag.
        const std::size_t nBody = std::string_view(c.name).starts_with("class") ? 4 : 0;
        ASSERT_GE(bytes.size(), expectedTail.size() + nBody) << c.name;
        const Bytes tail(bytes.end() - static_cast<long>(expectedTail.size() + nBody),
                         bytes.end() - static_cast<long>(nBody));
        EXPECT_EQ(tail, expectedTail) << c.name << ": " << ToHex(tail);

        // Loading gives back the same sharing.
        std::istringstream in = InputOf(bytes);
        CArchive ar(in);
        LoadedObjects owned;
        std::vector<CObject*> loaded;
        CObject* pOb = nullptr;
        while (in.peek() != std::char_traits<char>::eof()) {
            ar >> pOb;
            owned.Keep(pOb);
            loaded.push_back(pOb);
        }
        if (nBody == 0) {
            ASSERT_EQ(loaded.size(), c.nFill + 1) << c.name;
            EXPECT_EQ(loaded.back(), loaded[c.nFill - 1]) << c.name;
        } else {
            ASSERT_EQ(loaded.size(), c.nFill + 2) << c.name;
            auto* second = dynamic_cast<CTestLabel*>(loaded.back());
            ASSERT_NE(second, nullptr) << c.name;
            EXPECT_EQ(second->m_strText, "M") << c.name;
            EXPECT_NE(second, loaded[c.nFill]) << c.name;
        }
    }
}

TEST_F(ArchiveFramingTest, ClassesCanBeFramedOnTheirOwn) {
    const Bytes bytes = Store([](CArchive& ar) {
        ar.WriteClass(STOCHVAR_RUNTIME_CLASS(CTestLabel));
        ar.WriteClass(STOCHVAR_RUNTIME_CLASS(CTestPoint));
        ar.WriteClass(STOCHVAR_RUNTIME_CLASS(CTestLabel));
    });
    EXPECT_EQ(bytes, Cat({NewClass("02 00", "CTestLabel"), NewClass("01 00", "CTestPoint"),
                          Hex("01 80")}));

    std::istringstream in = InputOf(bytes);
    CArchive ar(in);
    UINT nSchema = 0;
    EXPECT_EQ(ar.ReadClass(nullptr, &nSchema), STOCHVAR_RUNTIME_CLASS(CTestLabel));
    EXPECT_EQ(nSchema, 2u);
    EXPECT_EQ(ar.ReadClass(STOCHVAR_RUNTIME_CLASS(CTracked)), STOCHVAR_RUNTIME_CLASS(CTestPoint));
    EXPECT_EQ(ar.GetObjectSchema(), 1u) << "without pSchema the schema goes to the archive";
    EXPECT_EQ(ar.ReadClass(), STOCHVAR_RUNTIME_CLASS(CTestLabel));
}

TEST_F(ArchiveFramingTest, ClassesThatCannotBeLoadedAreNotStored) {
    struct Case {
        const char* name;
        std::function<void(CArchive&)> write;
    };
    const CTracked tracked;
    const std::vector<Case> cases = {
        {"object of a class without schema", [&](CArchive& ar) { ar << &tracked; }},
        {"class without schema",
         [](CArchive& ar) { ar.WriteClass(STOCHVAR_RUNTIME_CLASS(CObject)); }},
        {"no class", [](CArchive& ar) { ar.WriteClass(nullptr); }},
    };
    for (const Case& c : cases) {
        std::ostringstream out;
        CArchive ar(out);
        try {
            c.write(ar);
            ADD_FAILURE() << c.name << ": stored";
        } catch (const CArchiveException& e) {
            EXPECT_EQ(e.m_cause, CArchiveException::badClass) << c.name;
        }
        EXPECT_TRUE(out.str().empty()) << c.name << ": wrote bytes before refusing";
    }
}

TEST_F(ArchiveFramingTest, VersionableClassesLoadOlderSchemas) {
    CTestVersioned current;
    current.m_nValue = 9;
    current.m_dExtra = 2.5;
    const Bytes stored = Store([&](CArchive& ar) { ar << &current; });
    EXPECT_EQ(stored, Cat({NewClass("02 00", "CTestVersioned"), Hex("09 00 00 00"),
                           Hex("00 00 00 00 00 00 04 40")}))
        << ToHex(stored);

    // Two objects stored by an older version of the class: schema 1, an int each.
    const Bytes older =
        Cat({NewClass("01 00", "CTestVersioned"), Hex("05 00 00 00"), Hex("01 80 06 00 00 00")});
    std::istringstream in = InputOf(older);
    CArchive ar(in);
    const std::unique_ptr<CObject> first(ar.ReadObject(nullptr));
    const std::unique_ptr<CObject> second(ar.ReadObject(nullptr));
    for (const auto& [pOb, value] : {std::pair{first.get(), 5}, std::pair{second.get(), 6}}) {
        auto* v = dynamic_cast<CTestVersioned*>(pOb);
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(v->m_nLoadedSchema, 1u);
        EXPECT_EQ(v->m_nValue, value);
        EXPECT_EQ(v->m_dExtra, -1.0);
    }
    EXPECT_EQ(ar.GetObjectSchema(), static_cast<UINT>(-1)) << "schema left behind after loading";
}

TEST_F(ArchiveFramingTest, ClassNamesUpTo63CharactersRoundTrip) {
    const std::unique_ptr<CObject> p63(ClassWithName63()->CreateObject());
    const std::unique_ptr<CObject> p64(ClassWithName64()->CreateObject());
    const Bytes bytes63 = Store([&](CArchive& ar) { ar << p63.get(); });
    const Bytes bytes64 = Store([&](CArchive& ar) { ar << p64.get(); });
    EXPECT_EQ(bytes63, NewClass("01 00", ClassWithName63()->m_lpszClassName));
    EXPECT_EQ(bytes64, NewClass("01 00", ClassWithName64()->m_lpszClassName));

    std::istringstream in = InputOf(bytes63);
    CArchive ar(in);
    const std::unique_ptr<CObject> loaded(ar.ReadObject(nullptr));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->GetRuntimeClass(), ClassWithName63());

    // The framework cannot read a 64-character name back, so neither can we.
    EXPECT_EQ(LoadCause(bytes64, [](CArchive& a) { delete a.ReadObject(nullptr); }),
              CArchiveException::badClass);
}

struct MalformedCase {
    const char* name;
    Bytes bytes;
    const CRuntimeClass* requested;
    int nGood; // objects read successfully before the bad one
    int cause;
};

TEST_F(ArchiveFramingTest, RefusesMalformedFraming) {
    const Bytes pointA = Cat({NewClass("01 00", "CTestPoint"), Hex(kBodyPointA)}); // 1, 2
    const CRuntimeClass* label = STOCHVAR_RUNTIME_CLASS(CTestLabel);
    const std::vector<MalformedCase> cases = {
        {"unknown class", Cat({NewClass("01 00", "CNoSuchClass"), Hex(kBodyPointA)}), nullptr, 0,
         CArchiveException::badClass},
        {"other schema", Cat({NewClass("02 00", "CTestPoint"), Hex(kBodyPointA)}), nullptr, 0,
         CArchiveException::badSchema},
        {"class index 0", Hex("00 80"), nullptr, 0, CArchiveException::badIndex},
        {"class index not yet seen", Cat({pointA, Hex("03 80")}), nullptr, 1,
         CArchiveException::badIndex},
        {"class index naming an object", Cat({pointA, Hex("02 80")}), nullptr, 1,
         CArchiveException::badIndex},
        {"long class tag with index 0", Hex("FF 7F 00 00 00 80"), nullptr, 0,
         CArchiveException::badIndex},
        {"object index not yet seen", Cat({pointA, Hex("03 00")}), nullptr, 1,
         CArchiveException::badIndex},
        {"object index naming a class", Cat({pointA, Hex("01 00")}), nullptr, 1,
         CArchiveException::badIndex},
        {"long object tag beyond", Cat({pointA, Hex("FF 7F 03 00 00 00")}), nullptr, 1,
         CArchiveException::badIndex},
        {"name of 64 characters", NewClass("01 00", ClassWithName64()->m_lpszClassName), nullptr, 0,
         CArchiveException::badClass},
        {"name length 0xFFFF", Hex("FF FF 01 00 FF FF"), nullptr, 0, CArchiveException::badClass},
        {"name with a zero byte",
         Cat({NewClass("01 00", std::string_view("CTestPoint\0Z", 12)), Hex(kBodyPointA)}), nullptr,
         0, CArchiveException::badClass},
        {"class without schema", NewClass("FF FF", "CTracked"), nullptr, 0,
         CArchiveException::badClass},
        {"root class", NewClass("FF FF", "CObject"), nullptr, 0, CArchiveException::badClass},
        {"new object of another class than requested", pointA, label, 0,
         CArchiveException::badClass},
        {"known class other than requested", Cat({pointA, Hex("01 80"), Hex(kBodyPointB)}), label,
         1, CArchiveException::badClass},
        {"object stored before, of another class than requested", Cat({pointA, Hex("02 00")}),
         label, 1, CArchiveException::badClass},
        {"cut in the tag", Hex("FF"), nullptr, 0, CArchiveException::endOfFile},
        {"cut in the long tag", Hex("FF 7F 02 00"), nullptr, 0, CArchiveException::endOfFile},
        {"cut in the class name", Cat({Hex("FF FF 01 00 0A 00"), Ascii("CTest")}), nullptr, 0,
         CArchiveException::endOfFile},
        {"cut in the body", Cat({NewClass("01 00", "CTestPoint"), Hex("01 00 00 00 00")}), nullptr,
         0, CArchiveException::endOfFile},
    };
    for (const MalformedCase& c : cases) {
        const int nLiveBefore = CTracked::LiveCount();
        int nGood = 0;
        const std::optional<int> cause = LoadCause(c.bytes, [&](CArchive& ar) {
            LoadedObjects owned;
            // The good objects are read without a requested class; the last with it.
            for (; nGood < c.nGood; ++nGood) {
                owned.Keep(ar.ReadObject(nullptr));
            }
            owned.Keep(ar.ReadObject(c.requested));
        });
        EXPECT_EQ(cause, c.cause) << c.name;
        EXPECT_EQ(nGood, c.nGood) << c.name;
        EXPECT_EQ(CTracked::LiveCount(), nLiveBefore) << c.name;
    }
}

TEST_F(ArchiveFramingTest, ObjectWhoseBodyFailsIsDeleted) {
    // A faulty object that throws from Serialize, and then a reference to it.
    const Bytes bytes = Cat({NewClass("01 00", "CTestPoint"), Hex(kBodyPointA),    // 1, 2
                             NewClass("01 00", "CTestFaulty"), Hex("0D 00 00 00"), // 3, 4
                             Hex("04 00")});
    std::istringstream in = InputOf(bytes);
    CArchive ar(in);
    const int nLiveBefore = CTracked::LiveCount();
    const std::unique_ptr<CObject> point(ar.ReadObject(nullptr));
    EXPECT_THROW(ar.ReadObject(nullptr), std::runtime_error);
    EXPECT_EQ(CTracked::LiveCount(), nLiveBefore + 1) << "the point belongs to the caller";
    try {
        ar.ReadObject(nullptr);
        ADD_FAILURE() << "handed out a deleted object";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::badIndex);
    }
}

TEST_F(ArchiveFramingTest, FailureInsideAnOwnerDeletesTheOwnerAndWhatItRead) {
    // An owner whose second child is faulty; then references to the owner and its first child.
    const Bytes bytes = Cat({NewClass("03 00", "CTestOwner"),                      // 1, 2
                             Hex("02 00"),                                         // two children
                             NewClass("01 00", "CTestPoint"), Hex(kBodyPointA),    // 3, 4
                             NewClass("01 00", "CTestFaulty"), Hex("0D 00 00 00"), // 5, 6
                             Hex("04 00"), Hex("02 00")});
    std::istringstream in = InputOf(bytes);
    CArchive ar(in);
    const int nLiveBefore = CTracked::LiveCount();
    EXPECT_THROW(ar.ReadObject(nullptr), std::runtime_error);
    EXPECT_EQ(CTracked::LiveCount(), nLiveBefore);
    for (int i = 0; i < 2; ++i) {
        try {
            ar.ReadObject(nullptr);
            ADD_FAILURE() << "handed out a deleted object";
        } catch (const CArchiveException& e) {
            EXPECT_EQ(e.m_cause, CArchiveException::badIndex);
        }
    }
}

} // namespace
} // namespace stochvar::test
