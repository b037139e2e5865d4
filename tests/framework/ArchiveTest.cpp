// The archive: numbers, strings and counts byte for byte, the archive at the edges of its stream,
// the messages of its exceptions, and the framework's string and array underneath; then object
// framing byte for byte (class records, class and object indices, null pointers and references,
// also from inside a body), the run-time classes behind it, the errors of loading, and damaged
// archives.

#include "support/ArchiveTestSupport.h"
#include "support/DamageSweep.h"

#include <stochvar/framework/Array.h>
#include <stochvar/framework/Object.h>

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <functional>
#include <memory>
#include <numeric>
#include <set>
#include <stdexcept>
#include <tuple>
#include <vector>

namespace stochvar::test {
namespace {

using enum CArchiveException::Cause;

TEST(CArchiveTest, NumbersAreLittleEndian) {
    // Each by its size; loaded and stored again, the same bytes: a NaN's payload is kept too.
    using Values = std::tuple<BYTE, char, WORD, std::int16_t, DWORD, int, std::uint64_t,
                              std::int64_t, float, double, double>;
    const auto store = [](const Values& values) {
        return Store([&](CArchive& ar) {
            std::apply([&ar](const auto&... value) { (ar << ... << value); }, values);
        });
    };
    const Bytes bytes = store({0xAB, 'A', 0x1234, -2, 0x12345678, -2, 0x0102030405060708, -2, 1.0f,
                               0.1, std::bit_cast<double>(0xFFF8000000000001u)});
    EXPECT_EQ(bytes, Hex("AB 41 34 12 FE FF 78 56 34 12 FE FF FF FF 08 07 06 05 04 03 02 01 "
                         "FE FF FF FF FF FF FF FF 00 00 80 3F 9A 99 99 99 99 99 B9 3F "
                         "01 00 00 00 00 00 F8 FF"));
    Values loaded;
    EXPECT_EQ(LoadCause(bytes,
                        [&](CArchive& ar) {
                            std::apply([&ar](auto&... value) { (ar >> ... >> value); }, loaded);
                        }),
              std::nullopt);
    EXPECT_EQ(store(loaded), bytes);
}

// Characters 0..255 in turn: zero bytes and bytes above 0x7F belong to a string too.
std::string Pattern(std::size_t nLength) {
    std::string text(nLength, '\0');
    std::iota(text.begin(), text.end(), '\0');
    return text;
}

TEST(CArchiveTest, StringsByteForByte) {
    std::string wide; // 16-bit characters, more than one piece of 64 KiB that strings are read in
    for (int i = 0; i < 70000; ++i) {
        wide += std::string("x\0", 2);
    }
    const std::tuple<Bytes, std::optional<int>, std::string, bool> cases[] = {
        // bytes, cause of the refusal (none: loaded), string loaded, whether storing it gives them
        {Hex("00"), {}, "", true},
        {Hex("FE") + Pattern(254), {}, Pattern(254), true},
        {Hex("FF FF 00") + Pattern(255), {}, Pattern(255), true},
        {Hex("FF FD FF") + Pattern(0xFFFD), {}, Pattern(0xFFFD), true},
        {Hex("FF FF FF FE FF 00 00") + Pattern(0xFFFE), {}, Pattern(0xFFFE), true},
        {Hex("FF FF FF 70 11 01 00") + Pattern(70000), {}, Pattern(70000), true},
        {Hex("FF FF FF FF FF FF FF 03 00 00 00 00 00 00 00") + "abc", {}, "abc", false},
        {Hex("FF FE FF 02 41 00 E9 00"), {}, "A\xE9", false},
        {Hex("FF FE FF FF 02 00 41 00 42 00"), {}, "AB", false},
        {Hex("FF FE FF FF FF FF 70 11 01 00") + wide, {}, std::string(70000, 'x'), false},
        {Hex("FF FE FF 01 00 01"), generic, "", false}, // no single-byte form
        {Hex("FF FE FF 01 41"), endOfFile, "", false},
        {Hex("FF FF FF FF FF FF 7F 61"), endOfFile, "", false}, // the longest a string can be
        {Hex("FF FF FF 00 00 00 80"), generic, "", false},
        {Hex("FF FF FF FF FF FF FF 00 00 00 00 01 00 00 00"), generic, "", false},
    };
    for (const auto& [bytes, cause, text, bStored] : cases) {
        CString loaded("stale"); // replaced, whatever its length
        EXPECT_EQ(LoadCause(bytes, [&](CArchive& ar) { ar >> loaded; }), cause)
            << bytes.substr(0, 16);
        if (!cause) {
            EXPECT_EQ(loaded.str(), text);
        }
        if (bStored) {
            EXPECT_EQ(Store([&](CArchive& ar) { ar << loaded; }), bytes) << text.size();
        }
    }
    EXPECT_EQ(Store([](CArchive& ar) { ar << static_cast<const char*>(nullptr); }), Hex("00"));
}

TEST(CArchiveTest, CountPrefixesAtEachBoundary) {
    for (auto [nCount, hex] : {std::pair<DWORD, const char*>(0xFFFE, "FE FF"),
                               {0xFFFF, "FF FF FF FF 00 00"},
                               {0xFFFFFFFE, "FF FF FE FF FF FF"},
                               {0xFFFFFFFF, "FF FF FF FF FF FF FF FF FF FF 00 00 00 00"}}) {
        EXPECT_EQ(Store([&](CArchive& ar) { ar.WriteCount(nCount); }), Hex(hex));
        DWORD nLoaded = 0;
        EXPECT_EQ(LoadCause(Hex(hex), [&](CArchive& ar) { nLoaded = ar.ReadCount(); }),
                  std::nullopt);
        EXPECT_EQ(nLoaded, nCount) << hex;
    }
    EXPECT_EQ(LoadCause(Hex("FF FF FF FF FF FF 00 00 00 00 01 00 00 00"),
                        [](CArchive& ar) { ar.ReadCount(); }),
              generic);
}

// What a failing call prints through CArchiveException::what(): the cause (by its number), then
// the detail and the archive's file name when known.
TEST(CArchiveTest, RefusesUseInTheWrongDirectionAfterClosingOrOnAFailingStream) {
    const char* const kCauses[] = {
        "no archive error",
        "archive error",
        "cannot store into an archive that is loading",
        "unexpected end of archive",
        "cannot load from an archive that is storing",
        "invalid object or class index in archive",
        "unknown or unexpected class in archive",
        "archive holds a class version (schema) that the class cannot read",
        "unknown archive error"};
    for (int nCause = 0; nCause < 9; ++nCause) {
        EXPECT_STREQ(CArchiveException(nCause).what(), kCauses[nCause]);
    }
    EXPECT_STREQ(CArchiveException(6, "a.bin", "CFoo").what(),
                 "unknown or unexpected class in archive: CFoo (file 'a.bin')");
    std::ostringstream out, broken;
    broken.setstate(std::ios::badbit);
    std::istringstream in("abcde"), closedIn("abcde");
    std::istringstream throwing("\x01\x02"); // a stream set to throw at its end
    throwing.exceptions(std::ios::failbit | std::ios::eofbit);
    CArchive storing(out), loading(in), closedStoring(out), closedLoading(closedIn);
    CArchive shortLoading(throwing);
    closedStoring.Close();
    closedLoading.Close();
    shortLoading.m_strFileName = "short.bin";
    char buffer[8] = {};
    int n = 0;
    const std::string kClosed = "archive error: the archive is closed";
    using Use = std::pair<std::function<void()>, std::string>;
    for (const auto& [use, expected] : std::initializer_list<Use>{
             {[&] { storing >> buffer[0]; }, kCauses[writeOnly]},
             {[&] { storing.Read(buffer, 0); }, kCauses[writeOnly]},
             {[&] { storing.ReadObject(nullptr); }, kCauses[writeOnly]},
             {[&] { loading << 1; }, kCauses[readOnly]},
             {[&] { loading.Write("", 0); }, kCauses[readOnly]},
             {[&] { loading.WriteObject(nullptr); }, kCauses[readOnly]},
             {[&] { closedStoring << 2; }, kClosed},
             {[&] { closedStoring.Flush(); }, kClosed},
             {[&] { closedLoading >> buffer[0]; }, kClosed},
             {[&] { shortLoading >> n; }, "unexpected end of archive (file 'short.bin')"},
             {[&] { CArchive(broken) << 1.0; }, "archive error: writing to the stream failed"}}) {
        try {
            use();
            ADD_FAILURE() << "nothing thrown instead of: " << expected;
        } catch (const CArchiveException& e) {
            EXPECT_EQ(e.what(), expected);
        }
    }
    EXPECT_EQ(out.str(), "");
    // Raw reads come short only at the end of the stream.
    EXPECT_EQ(loading.Read(buffer, 3), 3u);
    EXPECT_EQ(loading.Read(buffer + 3, 8), 2u);
    EXPECT_EQ(loading.Read(buffer, 8), 0u);
    EXPECT_STREQ(buffer, "abcde");
}

// The string and array members underneath, where std::string and std::vector alone do not decide.
TEST(CStringTest, FormatsAsPrintfWouldComparesUnsignedBytesAndKeepsEveryByte) {
    CString s("previous contents"); // replaced
    s.Format("[%-4s|%.3f|%d%%]", "ab", 0.1, -42);
    EXPECT_EQ(s.str(), "[ab  |0.100|-42%]");
    s.Format("%1000d", 7); // longer than any first guess
    EXPECT_EQ(s.str(), std::string(999, ' ') + "7");
    s.Format("%s", "");
    EXPECT_TRUE(s.IsEmpty());
    const std::tuple<const char*, const char*, int> cases[] = {
        {"abc", "abc", 0}, {"abc", "abd", -1}, {"abd", "abc", 1}, {"ab", "abc", -1},
        {"B", "a", -1},    {"\xE9", "z", 1},   {"a", nullptr, 1}, {"", nullptr, 0}};
    for (const auto& [a, b, nSign] : cases) {
        EXPECT_EQ(CString(a).Compare(b), nSign) << a << " vs " << (b ? b : "null");
        EXPECT_EQ(CString(a) == b, nSign == 0) << a;
    }
    s = CString("x\0y", 3) + "z";
    s += CString("\0", 1);
    s += static_cast<const char*>(nullptr);
    s += 'w';
    EXPECT_EQ(s.str(), std::string("x\0yz\0w", 6));
    s = static_cast<const char*>(nullptr);
    EXPECT_EQ(s.str(), "");
}

TEST(CArrayTest, EditsGiveTheFrameworkResults) {
    using IntArray = CArray<int, int>;
    IntArray other;
    other.Add(5);
    for (const auto& [edit, expected] :
         std::initializer_list<std::pair<std::function<void(IntArray&)>, std::vector<int>>>{
             {[](IntArray& a) { a.InsertAt(1, 7, 2); }, {1, 7, 7, 2, 3}},
             {[](IntArray& a) { a.InsertAt(4, 9, 2); }, {1, 2, 3, 0, 9, 9}}, // padded with zeros
             {[](IntArray& a) { a.SetAtGrow(4, 8); }, {1, 2, 3, 0, 8}},
             {[](IntArray& a) { a.RemoveAt(0, 2); }, {3}},
             {[&](IntArray& a) { EXPECT_EQ(a.Append(other), 3); }, {1, 2, 3, 5}},
             {[&](IntArray& a) { a.Copy(other), other[0] = 6; }, {5}},
             {[](IntArray& a) { a.Copy(a); }, {1, 2, 3}}}) {
        IntArray a;
        for (int n : {1, 2, 3}) {
            a.Add(n);
        }
        edit(a);
        EXPECT_EQ(std::vector<int>(a.begin(), a.end()), expected);
        EXPECT_EQ(a.GetUpperBound(), static_cast<int>(expected.size()) - 1);
    }
}

// Base of the test classes, not serialisable itself; counts its live instances, so that a test
// can prove that a failed load leaked nothing. Whoever receives an object fresh from the archive
// (the top-level reader, or an owner reading its children) owns it; later references borrow it.
class CTracked : public CObject {
    STOCHVAR_DECLARE_SERIAL(CTracked)
public:
    CTracked() { ++s_nLive; }
    CTracked(const CTracked&) = delete;
    ~CTracked() override { --s_nLive; }
    // True, once, for an object that the archive has just loaded.
    static bool Claim(CObject* pOb) {
        auto* pTracked = dynamic_cast<CTracked*>(pOb);
        return pTracked != nullptr && std::exchange(pTracked->m_bFresh, false);
    }
    static inline int s_nLive = 0;

protected:
    bool m_bFresh = false;
};

// Schema 2, versionable: an int, a double and (from schema 2 on) a string. Loading the int 13
// throws, as a Serialize may fail for reasons of its own.
class CTestPoint : public CTracked {
    STOCHVAR_DECLARE_SERIAL(CTestPoint)
public:
    CTestPoint(int nX = 0, double dY = 0.0, const char* pszName = "")
        : m_nX(nX), m_dY(dY), m_strName(pszName) {}
    void Serialize(CArchive& ar) override {
        if (ar.IsStoring()) {
            ar << m_nX << m_dY << m_strName;
            return;
        }
        m_nLoadedSchema = ar.GetObjectSchema();
        if ((ar >> m_nX, m_nX) == 13) {
            throw std::runtime_error("poisoned test object");
        }
        ar >> m_dY;
        if (m_nLoadedSchema >= 2) {
            ar >> m_strName;
        }
        m_bFresh = true;
    }
    int m_nX;
    double m_dY;
    CString m_strName;
    UINT m_nLoadedSchema = 0;
};

// Schema 3: a count of children, then the children.
class CTestOwner : public CTracked {
    STOCHVAR_DECLARE_SERIAL(CTestOwner)
public:
    void Serialize(CArchive& ar) override {
        if (ar.IsStoring()) {
            ar.WriteCount(static_cast<DWORD>(m_children.GetSize()));
            for (const CObject* pChild : m_children) {
                ar.WriteObject(pChild);
            }
            return;
        }
        for (DWORD n = ar.ReadCount(); n > 0; --n) {
            CObject* pChild = ar.ReadObject(STOCHVAR_RUNTIME_CLASS(CTracked));
            m_children.Add(pChild);
            if (Claim(pChild)) {
                m_owned.emplace_back(pChild);
            }
        }
        m_bFresh = true;
    }
    CObArray m_children;
    std::vector<std::unique_ptr<CObject>> m_owned; // the children it received fresh
};

STOCHVAR_IMPLEMENT_SERIAL(CTracked, CObject, CRuntimeClass::kNotSerializable)
STOCHVAR_IMPLEMENT_SERIAL(CTestPoint, CTracked, VERSIONABLE_SCHEMA | 2)
STOCHVAR_IMPLEMENT_SERIAL(CTestOwner, CTracked, 3)

const CRuntimeClass* const kTracked = STOCHVAR_RUNTIME_CLASS(CTracked);
const CRuntimeClass* const kPoint = STOCHVAR_RUNTIME_CLASS(CTestPoint);
const CRuntimeClass* const kOwner = STOCHVAR_RUNTIME_CLASS(CTestOwner);

// Bodies of CTestPoint(1, 0.5, "A") and CTestPoint(-2, 2.0, "B").
const Bytes kPointA = Hex("01 00 00 00  00 00 00 00 00 00 E0 3F  01 41");
const Bytes kPointB = Hex("FE FF FF FF  00 00 00 00 00 00 00 40  01 42");

Bytes NewClass(const char* schemaHex, const std::string& name) {
    return Hex("FF FF") + Hex(schemaHex) + char(name.size()) + '\0' + name;
}

// Reads objects as an application does and deletes those it received fresh.
struct SReader {
    CObject* Read(CArchive& ar, const CRuntimeClass* pRequested = nullptr) {
        CObject* pOb = ar.ReadObject(pRequested);
        if (CTracked::Claim(pOb)) {
            owned.emplace_back(pOb);
        }
        return read.emplace_back(pOb);
    }
    std::vector<std::unique_ptr<CObject>> owned;
    std::vector<CObject*> read;
};

class ArchiveFramingTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(CTracked::s_nLive, 0) << "objects leaked or died twice"; }
};

TEST_F(ArchiveFramingTest, FramesNewClassesIndicesNullsAndReferences) {
    CTestPoint a(1, 0.5, "A");
    CTestPoint b(-2, 2.0, "B");
    CTestOwner owner;
    owner.m_children.Add(&a);
    owner.m_children.Add(&owner);
    const Bytes bytes = Store([&](CArchive& ar) {
        ar << &a;
        ar.WriteObject(nullptr);
        ar << &owner << &b << &a;
    });
    EXPECT_EQ(bytes, NewClass("02 00", "CTestPoint") + kPointA // class 1, a 2
                         + Hex("00 00")                        // null
                         + NewClass("03 00", "CTestOwner")     // class 3, owner 4
                         + Hex("02 00  02 00  04 00")          // numbered before its body
                         + Hex("01 80") + kPointB              // class 1 again, b 5
                         + Hex("02 00"));                      // a again
    // Loading gives back objects and sharing; long tags name an object and a class too.
    std::istringstream in(bytes + Hex("FF 7F 04 00 00 00  FF 7F 01 00 00 80") + kPointB +
                          Hex("01 80") + kPointB);
    CArchive ar(in);
    SReader reader;
    for (int i = 0; i < 8; ++i) {
        reader.Read(ar);
    }
    EXPECT_EQ(in.peek(), EOF);
    const std::vector<CObject*>& read = reader.read;
    auto* pOwner = dynamic_cast<CTestOwner*>(read[2]);
    ASSERT_NE(pOwner, nullptr);
    EXPECT_EQ(std::tuple(read[1], read[4], read[5], pOwner->m_children[0], pOwner->m_children[1]),
              std::tuple(nullptr, read[0], read[2], read[0], pOwner));
    EXPECT_EQ(std::set(read.begin(), read.end()).size(), 6u) << "a, owner, b, two more, null";
    for (int i : {0, 3, 7}) {
        auto* pPoint = dynamic_cast<CTestPoint*>(read[i]);
        ASSERT_NE(pPoint, nullptr);
        EXPECT_EQ(std::tuple(pPoint->m_nX, pPoint->m_dY, pPoint->m_strName.str()),
                  i == 0 ? std::tuple(1, 0.5, "A") : std::tuple(-2, 2.0, "B"));
    }
}

TEST_F(ArchiveFramingTest, IndicesFrom0x7FFFOnUseTheLongTag) {
    // Points fill the indices from 1 (their class) on; then the index asked for comes again:
    // the last point, or the class of a second owner (whose body is the count 00 00).
    const std::tuple<DWORD, bool, const char*> cases[] = {
        {0x7FFE, false, "FE 7F"},
        {0x7FFF, false, "FF 7F FF 7F 00 00"},
        {0x7FFF, true, "FF 7F FF 7F 00 80 00 00"},
    };
    for (const auto& [nIndex, bClass, tail] : cases) {
        std::vector<CTestPoint> fill(bClass ? nIndex - 2 : nIndex - 1);
        CTestOwner first, second;
        const Bytes bytes = Store([&](CArchive& ar) {
            for (const CTestPoint& point : fill) {
                ar << &point;
            }
            bClass ? ar << &first << &second : ar << &fill.back();
        });
        EXPECT_TRUE(bytes.ends_with(Hex(tail))) << tail;
    }
}

TEST_F(ArchiveFramingTest, ClassesFramedOnTheirOwnAndRegisteredForTheirLifetime) {
    const std::string name63(63, 'N'); // the longest name an archive can carry
    {
        const CRuntimeClass record63(name63.c_str(), 1, nullptr, kPoint);
        const Bytes bytes = Store([&](CArchive& ar) {
            for (const CRuntimeClass* pClass : {kPoint, kOwner, &record63, kPoint}) {
                ar.WriteClass(pClass);
            }
        });
        EXPECT_EQ(bytes, NewClass("02 00", "CTestPoint") + NewClass("03 00", "CTestOwner") +
                             NewClass("01 00", name63) + Hex("01 80"));
        std::istringstream in(bytes);
        CArchive ar(in);
        UINT nSchema = 0;
        EXPECT_EQ(ar.ReadClass(nullptr, &nSchema), kPoint);
        EXPECT_EQ(nSchema, 2u);
        EXPECT_EQ(ar.ReadClass(kTracked), kOwner);
        EXPECT_EQ(ar.GetObjectSchema(), 3u) << "without pSchema the archive holds it, once";
        EXPECT_EQ(ar.GetObjectSchema(), static_cast<UINT>(-1));
        EXPECT_EQ(ar.ReadClass(kTracked), &record63) << "derived through CTestPoint";
        EXPECT_EQ(ar.ReadClass(), kPoint);
    }
    EXPECT_EQ(CRuntimeClass::FromName(name63.c_str()), nullptr);
    const CTestPoint point;
    const CTracked tracked;
    EXPECT_EQ(std::tuple(point.IsSerializable(), tracked.IsSerializable()),
              std::tuple(true, false));
    for (const CRuntimeClass* pClass : {kTracked, static_cast<const CRuntimeClass*>(nullptr)}) {
        std::ostringstream out;
        CArchive storing(out);
        EXPECT_EQ(CauseOf([&] { storing.WriteClass(pClass); }), CArchiveException::badClass);
        EXPECT_EQ(out.str(), "") << "wrote bytes of a class that cannot be loaded";
    }
}

TEST_F(ArchiveFramingTest, RefusesMalformedFraming) {
    const std::string name64(64, 'N');
    const CRuntimeClass record64(
        name64.c_str(), 1, [] { return static_cast<CObject*>(new CTestPoint); }, kTracked);
    const CRuntimeClass uncreatable("CTestUncreatable", 1, nullptr, kTracked);
    const Bytes a = NewClass("02 00", "CTestPoint") + kPointA; // class 1, object 2
    const std::tuple<Bytes, int, int, const CRuntimeClass*> cases[] = {
        // bytes, objects read before the bad one, cause, class requested of that one
        {NewClass("02 00", "CTestPoin") + kPointA, 0, badClass, nullptr}, // names match whole
        {NewClass("02 00", "CTestPointX") + kPointA, 0, badClass, nullptr},
        {NewClass("02 00", "ctestpoint") + kPointA, 0, badClass, nullptr},
        {NewClass("04 00", "CTestOwner"), 0, badSchema, nullptr},
        // Two points of schema 1 of the versionable class, an int and a double each, the second
        // by its class index, then a bad index: each body read as its schema says.
        {NewClass("01 00", "CTestPoint") + Hex("05 00 00 00  00 00 00 00 00 00 E0 3F  01 80") +
             Hex("06 00 00 00  00 00 00 00 00 00 00 40  04 00"),
         2, badIndex, nullptr},
        {Hex("00 80"), 0, badIndex, nullptr},
        {a + Hex("03 80"), 1, badIndex, nullptr}, // a class not yet seen
        {a + Hex("02 80"), 1, badIndex, nullptr}, // an object as a class
        {a + Hex("03 00"), 1, badIndex, nullptr}, // an object not yet seen
        {a + Hex("01 00"), 1, badIndex, nullptr}, // a class as an object
        {NewClass("01 00", name64), 0, badClass, nullptr},
        {NewClass("02 00", std::string("CTestPoint\0Z", 12)), 0, badClass, nullptr},
        {NewClass("FF FF", "CTracked"), 0, badClass, nullptr},
        {NewClass("01 00", "CTestUncreatable"), 0, badClass, nullptr},
        {a, 0, badClass, kOwner},
        {a + Hex("02 00"), 1, badClass, kOwner},
    };
    for (const auto& [bytes, nGood, cause, pRequested] : cases) {
        int nRead = 0;
        const std::optional<int> loaded = LoadCause(bytes, [&](CArchive& ar) {
            SReader reader;
            for (; nRead < nGood; ++nRead) {
                reader.Read(ar);
            }
            reader.Read(ar, pRequested);
        });
        EXPECT_EQ(std::tuple(loaded, nRead), std::tuple(cause, nGood))
            << ::testing::PrintToString(bytes);
    }
}

TEST_F(ArchiveFramingTest, FailureInsideABodyDeletesTheObjectAndWhatItRead) {
    // An empty owner; an owner whose second child throws; then references to the second owner,
    // its first child and the first owner.
    std::istringstream in(NewClass("03 00", "CTestOwner") + Hex("00 00") +           // 1, 2
                          Hex("01 80  02 00") + NewClass("02 00", "CTestPoint") +    // 3; 4
                          kPointA + Hex("04 80  0D 00 00 00  03 00  05 00  02 00")); // 5; 6
    CArchive ar(in);
    const std::unique_ptr<CObject> first(ar.ReadObject(nullptr));
    EXPECT_EQ(ar.GetObjectSchema(), static_cast<UINT>(-1)) << "schema left behind after loading";
    EXPECT_THROW(ar.ReadObject(nullptr), std::runtime_error);
    EXPECT_EQ(CTracked::s_nLive, 1);
    EXPECT_EQ(CauseOf([&] { ar.ReadObject(nullptr); }), CArchiveException::badIndex);
    EXPECT_EQ(CauseOf([&] { ar.ReadObject(nullptr); }), CArchiveException::badIndex);
    EXPECT_EQ(ar.ReadObject(nullptr), first.get());
}

TEST_F(ArchiveFramingTest, DamagedArchivesAreRefusedWithoutLeaks) {
    CTestPoint a(1, 0.5, "A");
    CTestPoint b(-2, 2.0, std::string(300, 'n').c_str()); // a three-byte length prefix
    CTestOwner owner;
    for (CObject* pChild : std::initializer_list<CObject*>{&b, nullptr, &a, &owner}) {
        owner.m_children.Add(pChild);
    }
    const auto load = [](const std::string& damaged) {
        Refusal refusal;
        std::istringstream in(damaged);
        CArchive ar(in);
        try {
            SReader reader;
            for (int i = 0; i < 4; ++i) {
                reader.Read(ar, kTracked);
            }
        } catch (const CArchiveException& e) {
            refusal = e.what();
        } catch (const std::runtime_error& e) { // a corruption made a point's int 13
            refusal = e.what();
        }
        EXPECT_EQ(CTracked::s_nLive, 3) << "objects leaked or died twice";
        return refusal;
    };
    SweepDamage(Store([&](CArchive& ar) { ar << &a << &owner << &b << &owner; }), load);
}

} // namespace
} // namespace stochvar::test
