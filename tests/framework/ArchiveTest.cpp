// Encodings of numbers, strings and counts, byte for byte as the framework's archive has them,
// and the archive's behaviour at the edges of its stream.

#include "support/ArchiveTestSupport.h"

#include <stochvar/framework/Archive.h>

#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <cstdint>
#include <functional>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

namespace stochvar::test {
namespace {

// A value written, the bytes expected, and a check that reading the bytes gives it back.
struct NumberCase {
    const char* name;
    std::function<void(CArchive&)> write;
    Bytes expected;
    std::function<bool(CArchive&)> readsBack;
};

template <class T> NumberCase Number(const char* name, T value, const char* hex) {
    return {
        name, [value](CArchive& ar) { ar << value; }, Hex(hex),
        [value](CArchive& ar) {
            T loaded{};
            ar >> loaded;
            // Compared by bits so that NaNs and signed zeros count too.
            if constexpr (std::is_same_v<T, double>) {
                return std::bit_cast<std::uint64_t>(loaded) == std::bit_cast<std::uint64_t>(value);
            } else if constexpr (std::is_same_v<T, float>) {
                return std::bit_cast<std::uint32_t>(loaded) == std::bit_cast<std::uint32_t>(value);
            } else {
                return loaded == value;
            }
        }};
}

TEST(CArchiveTest, NumbersAreLittleEndian) {
    // IEEE 754 bit patterns: 1.0 = 3FF0000000000000, -2.5 = C004000000000000,
    // 0.1 = 3FB999999999999A, 1.0f = 3F800000.
    const std::vector<NumberCase> cases = {
        Number<BYTE>("byte", 0xAB, "AB"),
        Number<char>("char", 'A', "41"),
        Number<WORD>("word", 0x1234, "34 12"),
        Number<std::int16_t>("negative short", -2, "FE FF"),
        Number<DWORD>("dword", 0x12345678u, "78 56 34 12"),
        Number<UINT>("uint", 0xFFFFFFFFu, "FF FF FF FF"),
        Number<int>("negative int", -2, "FE FF FF FF"),
        Number<int>("smallest int", INT_MIN, "00 00 00 80"),
        Number<LONG>("long", 70000, "70 11 01 00"),
        Number<BOOL>("BOOL", TRUE, "01 00 00 00"),
        Number<std::uint64_t>("64-bit", 0x0102030405060708u, "08 07 06 05 04 03 02 01"),
        Number<std::int64_t>("negative 64-bit", -1, "FF FF FF FF FF FF FF FF"),
        Number<float>("float one", 1.0f, "00 00 80 3F"),
        Number<double>("double one", 1.0, "00 00 00 00 00 00 F0 3F"),
        Number<double>("double -2.5", -2.5, "00 00 00 00 00 00 04 C0"),
        Number<double>("double 0.1", 0.1, "9A 99 99 99 99 99 B9 3F"),
        Number<double>("negative zero", -0.0, "00 00 00 00 00 00 00 80"),
        Number<double>("infinity", std::numeric_limits<double>::infinity(),
                       "00 00 00 00 00 00 F0 7F"),
        Number<double>("NaN", std::bit_cast<double>(std::uint64_t{0x7FF8000000000001u}),
                       "01 00 00 00 00 00 F8 7F"),
    };
    for (const NumberCase& c : cases) {
        const Bytes bytes = Store(c.write);
        EXPECT_EQ(bytes, c.expected) << c.name << ": " << ToHex(bytes);

        std::istringstream in = InputOf(c.expected);
        CArchive ar(in);
        EXPECT_TRUE(c.readsBack(ar)) << c.name;
        char extra = 0;
        EXPECT_EQ(ar.Read(&extra, 1), 0u) << c.name << " left bytes unread";
    }
}

// Characters 0..255 in turn, so that zero bytes and bytes above 0x7F are part of the string.
CString PatternString(std::size_t nLength) {
    std::string text(nLength, '\0');
    for (std::size_t i = 0; i < nLength; ++i) {
        text[i] = static_cast<char>((i * 7 + 3) % 256);
    }
    return CString(text);
}

TEST(CArchiveTest, StringLengthPrefixesAtEveryBoundary) {
    struct Case {
        std::size_t length;
        const char* prefix;
    };
    const std::vector<Case> cases = {
        {0, "00"},
        {1, "01"},
        {254, "FE"},
        {255, "FF FF 00"},
        {256, "FF 00 01"},
        {300, "FF 2C 01"},
        {0xFFFD, "FF FD FF"},
        {0xFFFE, "FF FF FF FE FF 00 00"},
        {0xFFFF, "FF FF FF FF FF 00 00"},
        {70000, "FF FF FF 70 11 01 00"},
    };
    for (const Case& c : cases) {
        const CString str = PatternString(c.length);
        const Bytes bytes = Store([&](CArchive& ar) { ar << str; });
        const Bytes prefix = Hex(c.prefix);
        const Bytes expected = Cat({prefix, Bytes(str.str().begin(), str.str().end())});
        ASSERT_EQ(bytes.size(), expected.size()) << "length " << c.length;
        EXPECT_EQ(bytes, expected)
            << "length " << c.length << ", prefix written "
            << ToHex(Bytes(bytes.begin(), bytes.begin() + static_cast<long>(prefix.size())));

        std::istringstream in = InputOf(bytes);
        CArchive ar(in);
        CString loaded("stale");
        ar >> loaded;
        EXPECT_EQ(loaded, str) << "length " << c.length;
    }
}

TEST(CArchiveTest, PlainCharacterPointersAreStoredAsStrings) {
    EXPECT_EQ(Store([](CArchive& ar) { ar << "X"; }), Hex("01 58"));
    EXPECT_EQ(Store([](CArchive& ar) { ar << static_cast<const char*>(nullptr); }), Hex("00"));
}

TEST(CArchiveTest, LoadsEveryStringFormOfTheFramework) {
    std::string wide300;
    for (int i = 0; i < 300; ++i) {
        wide300 += "x";
        wide300 += '\0';
    }
    struct Case {
        const char* name;
        Bytes bytes;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"one-byte length", Hex("03 61 62 63"), "abc"},
        {"word length", Cat({Hex("FF 03 00"), Ascii("abc")}), "abc"},
        {"dword length", Cat({Hex("FF FF FF 03 00 00 00"), Ascii("abc")}), "abc"},
        {"64-bit length", Cat({Hex("FF FF FF FF FF FF FF 03 00 00 00 00 00 00 00"), Ascii("abc")}),
         "abc"},
        {"16-bit characters, empty", Hex("FF FE FF 00"), ""},
        {"16-bit characters", Hex("FF FE FF 02 41 00 42 00"), "AB"},
        {"16-bit character above 0x7F", Hex("FF FE FF 01 E9 00"), "\xE9"},
        {"16-bit characters, word length", Cat({Hex("FF FE FF FF 2C 01"), Ascii(wide300)}),
         std::string(300, 'x')},
        {"16-bit characters, dword length", Hex("FF FE FF FF FF FF 01 00 00 00 7A 00"), "z"},
    };
    for (const Case& c : cases) {
        std::istringstream in = InputOf(c.bytes);
        CArchive ar(in);
        CString loaded;
        ar >> loaded;
        EXPECT_EQ(loaded.str(), c.expected) << c.name;
        char extra = 0;
        EXPECT_EQ(ar.Read(&extra, 1), 0u) << c.name << " left bytes unread";
    }
}

TEST(CArchiveTest, RefusesMalformedStrings) {
    struct Case {
        const char* name;
        Bytes bytes;
        int cause;
    };
    const std::vector<Case> cases = {
        {"empty stream", Hex(""), CArchiveException::endOfFile},
        {"length byte only", Hex("05 61 62"), CArchiveException::endOfFile},
        {"cut inside the word length", Hex("FF 03"), CArchiveException::endOfFile},
        {"cut inside the dword length", Hex("FF FF FF 03 00"), CArchiveException::endOfFile},
        {"huge length, few bytes", Hex("FF FF FF FE FF FF 7F 61"), CArchiveException::endOfFile},
        {"length beyond any string", Hex("FF FF FF 00 00 00 80"), CArchiveException::generic},
        {"64-bit length beyond any string", Hex("FF FF FF FF FF FF FF 00 00 00 00 01 00 00 00"),
         CArchiveException::generic},
        {"16-bit character beyond one byte", Hex("FF FE FF 01 00 01"), CArchiveException::generic},
        {"half a 16-bit character", Hex("FF FE FF 01 41"), CArchiveException::endOfFile},
        {"marker without length", Hex("FF FE FF"), CArchiveException::endOfFile},
    };
    for (const Case& c : cases) {
        const std::optional<int> cause = LoadCause(c.bytes, [](CArchive& ar) {
            CString loaded;
            ar >> loaded;
        });
        EXPECT_EQ(cause, c.cause) << c.name;
    }
}

TEST(CArchiveTest, CountPrefixesAtEveryBoundary) {
    struct Case {
        DWORD count;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {0, "00 00"},
        {1, "01 00"},
        {0xFFFE, "FE FF"},
        {0xFFFF, "FF FF FF FF 00 00"},
        {70000, "FF FF 70 11 01 00"},
        {0xFFFFFFFEu, "FF FF FE FF FF FF"},
        {0xFFFFFFFFu, "FF FF FF FF FF FF FF FF FF FF 00 00 00 00"},
    };
    for (const Case& c : cases) {
        const Bytes bytes = Store([&](CArchive& ar) { ar.WriteCount(c.count); });
        EXPECT_EQ(bytes, Hex(c.expected)) << c.count << ": " << ToHex(bytes);

        std::istringstream in = InputOf(bytes);
        CArchive ar(in);
        EXPECT_EQ(ar.ReadCount(), c.count);
    }

    EXPECT_EQ(LoadCause(Hex("FF FF FF FF FF FF 00 00 00 00 01 00 00 00"),
                        [](CArchive& ar) { ar.ReadCount(); }),
              CArchiveException::generic);
    EXPECT_EQ(LoadCause(Hex("FF FF 70 11"), [](CArchive& ar) { ar.ReadCount(); }),
              CArchiveException::endOfFile);
}

TEST(CArchiveTest, ValuesFollowEachOtherWithoutGaps) {
    const Bytes bytes = Store([](CArchive& ar) {
        ar << CString("X") << 6 << 1.0;
        ar.WriteCount(0);
    });
    EXPECT_EQ(bytes, Hex("01 58  06 00 00 00  00 00 00 00 00 00 F0 3F  00 00"));
}

TEST(CArchiveTest, RawBytesReadShortOnlyAtTheEnd) {
    const Bytes bytes = Store([](CArchive& ar) { ar.Write("abcde", 5); });
    EXPECT_EQ(bytes, Ascii("abcde"));

    std::istringstream in = InputOf(bytes);
    CArchive ar(in);
    char buffer[8] = {};
    EXPECT_EQ(ar.Read(buffer, 3), 3u);
    EXPECT_EQ(std::string(buffer, 3), "abc");
    EXPECT_EQ(ar.Read(buffer, 8), 2u);
    EXPECT_EQ(std::string(buffer, 2), "de");
    EXPECT_EQ(ar.Read(buffer, 8), 0u);
    EXPECT_EQ(ar.Read(buffer, 0), 0u);
    int n = 0;
    EXPECT_THROW(ar >> n, CArchiveException);
}

TEST(CArchiveTest, EachArchiveWorksInOneDirection) {
    std::ostringstream out;
    CArchive storing(out);
    std::istringstream in(std::string(16, '\0'));
    CArchive loading(in);
    EXPECT_TRUE(storing.IsStoring());
    EXPECT_FALSE(storing.IsLoading());
    EXPECT_TRUE(loading.IsLoading());
    EXPECT_FALSE(loading.IsStoring());

    const std::vector<std::function<void(CArchive&)>> reads = {
        [](CArchive& ar) {
            int n = 0;
            ar >> n;
        },
        [](CArchive& ar) {
            CString s;
            ar >> s;
        },
        [](CArchive& ar) { ar.ReadCount(); },
        [](CArchive& ar) {
            char c = 0;
            ar.Read(&c, 1);
        },
        [](CArchive& ar) { ar.ReadObject(nullptr); },
    };
    for (const auto& read : reads) {
        try {
            read(storing);
            ADD_FAILURE() << "a storing archive loaded something";
        } catch (const CArchiveException& e) {
            EXPECT_EQ(e.m_cause, CArchiveException::writeOnly);
        }
    }
    const std::vector<std::function<void(CArchive&)>> writes = {
        [](CArchive& ar) { ar << 1; },
        [](CArchive& ar) { ar << CString("a"); },
        [](CArchive& ar) { ar.WriteCount(1); },
        [](CArchive& ar) { ar.Write("a", 1); },
        [](CArchive& ar) { ar.WriteObject(nullptr); },
    };
    for (const auto& write : writes) {
        try {
            write(loading);
            ADD_FAILURE() << "a loading archive stored something";
        } catch (const CArchiveException& e) {
            EXPECT_EQ(e.m_cause, CArchiveException::readOnly);
        }
    }
    EXPECT_TRUE(out.str().empty());
    char rest[16];
    EXPECT_EQ(loading.Read(rest, 16), 16u) << "a refused write consumed input";
}

TEST(CArchiveTest, ClosedArchiveRefusesFurtherUse) {
    std::ostringstream out;
    CArchive ar(out);
    ar << 1;
    ar.Close();
    EXPECT_EQ(out.str().size(), 4u);
    try {
        ar << 2;
        ADD_FAILURE() << "stored into a closed archive";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::generic);
    }
    EXPECT_EQ(out.str().size(), 4u);
}

TEST(CArchiveTest, StreamFailuresBecomeArchiveExceptions) {
    std::ostringstream broken;
    broken.setstate(std::ios::badbit);
    CArchive storing(broken);
    storing.m_strFileName = "out.bin";
    try {
        storing << 1.0;
        ADD_FAILURE() << "a failed write went unnoticed";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::generic);
        EXPECT_EQ(e.m_strFileName, "out.bin");
    }

    // A stream set to throw at its end still gives the archive's own exception.
    std::istringstream in(std::string("\x01\x02", 2));
    in.exceptions(std::ios::failbit | std::ios::eofbit);
    CArchive loading(in);
    int n = 0;
    try {
        loading >> n;
        ADD_FAILURE() << "read four bytes out of two";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::endOfFile);
    }
}

TEST(CArchiveTest, ExceptionsSayWhatWentWrongAndWhere) {
    // The framework's numbering of the causes, which hosts may compare with.
    const std::vector<std::pair<int, int>> numbering = {
        {CArchiveException::none, 0},      {CArchiveException::generic, 1},
        {CArchiveException::readOnly, 2},  {CArchiveException::endOfFile, 3},
        {CArchiveException::writeOnly, 4}, {CArchiveException::badIndex, 5},
        {CArchiveException::badClass, 6},  {CArchiveException::badSchema, 7},
    };
    for (const auto& [cause, number] : numbering) {
        EXPECT_EQ(cause, number);
        const CArchiveException e(cause, "doc.bin");
        const std::string text = e.what();
        EXPECT_NE(text.find("doc.bin"), std::string::npos) << text;
    }
    EXPECT_EQ(std::string(CArchiveException(CArchiveException::endOfFile).what()),
              "unexpected end of archive");
    EXPECT_EQ(std::string(CArchiveException(CArchiveException::badClass, "a.bin", "CFoo").what()),
              "unknown or unexpected class in archive: CFoo (file 'a.bin')");

    std::istringstream in(std::string("\x01", 1));
    CArchive ar(in);
    ar.m_strFileName = "short.bin";
    try {
        double d = 0;
        ar >> d;
        ADD_FAILURE() << "read a double out of one byte";
    } catch (const std::exception& e) {
        EXPECT_EQ(std::string(e.what()), "unexpected end of archive (file 'short.bin')");
    }
}

TEST(CArchiveTest, ObjectSchemaIsHandedOutOnce) {
    std::istringstream in;
    CArchive ar(in);
    EXPECT_EQ(ar.GetObjectSchema(), static_cast<UINT>(-1));
    ar.SetObjectSchema(3);
    EXPECT_EQ(ar.GetObjectSchema(), 3u);
    EXPECT_EQ(ar.GetObjectSchema(), static_cast<UINT>(-1));
}

} // namespace
} // namespace stochvar::test
