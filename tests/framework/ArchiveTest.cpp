// Numbers, strings and counts byte for byte, the archive at the edges of its stream, and the
// messages of its exceptions.

#include "support/ArchiveTestSupport.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <functional>
#include <tuple>

namespace stochvar::test {
namespace {

using enum CArchiveException::Cause;

TEST(CArchiveTest, NumbersAreLittleEndian) {
    const std::uint64_t nanBits = 0xFFF8000000000001u; // a NaN with a payload, kept bit for bit
    const Bytes bytes = Store([&](CArchive& ar) {
        ar << BYTE{0xAB} << 'A' << WORD{0x1234} << std::int16_t{-2} << DWORD{0x12345678} << -2
           << std::uint64_t{0x0102030405060708} << std::int64_t{-2} << 1.0f << 0.1
           << std::bit_cast<double>(nanBits);
    });
    EXPECT_EQ(bytes, Hex("AB 41 34 12 FE FF 78 56 34 12 FE FF FF FF 08 07 06 05 04 03 02 01 "
                         "FE FF FF FF FF FF FF FF 00 00 80 3F 9A 99 99 99 99 99 B9 3F "
                         "01 00 00 00 00 00 F8 FF"));
    std::istringstream in(bytes);
    CArchive ar(in);
    std::tuple<BYTE, char, WORD, std::int16_t, DWORD, int, std::uint64_t, std::int64_t, float,
               double, double>
        v;
    auto& [by, ch, w, n16, dw, n, u64, n64, f, d, nan] = v;
    ar >> by >> ch >> w >> n16 >> dw >> n >> u64 >> n64 >> f >> d >> nan;
    EXPECT_EQ(std::tuple(by, ch, w, n16, dw, n, u64, n64, f, d, std::bit_cast<std::uint64_t>(nan)),
              std::tuple(0xAB, 'A', 0x1234, -2, 0x12345678u, -2, 0x0102030405060708u, -2, 1.0f, 0.1,
                         nanBits));
}

// Characters 0..255 in turn: zero bytes and bytes above 0x7F belong to a string too.
std::string Pattern(std::size_t nLength) {
    std::string text(nLength, '\0');
    for (std::size_t i = 0; i < nLength; ++i) {
        text[i] = static_cast<char>(i);
    }
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

TEST(CArchiveTest, RefusesUseInTheWrongDirectionOrAfterClosing) {
    std::ostringstream out;
    std::istringstream in("abcde");
    std::istringstream closedIn("abcde");
    CArchive storing(out), loading(in), closedStoring(out), closedLoading(closedIn);
    closedStoring.Close();
    closedLoading.Close();
    char buffer[8] = {};
    for (auto [use, cause] : std::initializer_list<std::pair<std::function<void()>, int>>{
             {[&] { storing >> buffer[0]; }, writeOnly},
             {[&] { storing.Read(buffer, 0); }, writeOnly},
             {[&] { storing.ReadObject(nullptr); }, writeOnly},
             {[&] { loading << 1; }, readOnly},
             {[&] { loading.Write("", 0); }, readOnly},
             {[&] { loading.WriteObject(nullptr); }, readOnly},
             {[&] { closedStoring << 2; }, generic},
             {[&] { closedStoring.Flush(); }, generic},
             {[&] { closedLoading >> buffer[0]; }, generic}}) {
        EXPECT_EQ(CauseOf(use), cause);
    }
    EXPECT_EQ(out.str(), "");
    // Raw reads come short only at the end of the stream.
    EXPECT_EQ(loading.Read(buffer, 3), 3u);
    EXPECT_EQ(loading.Read(buffer + 3, 8), 2u);
    EXPECT_EQ(loading.Read(buffer, 8), 0u);
    EXPECT_STREQ(buffer, "abcde");
}

// What a failing call prints through CArchiveException::what(); causes by their numbers.
TEST(CArchiveTest, ExceptionMessages) {
    std::istringstream throwing("\x01\x02"); // a stream set to throw at its end
    throwing.exceptions(std::ios::failbit | std::ios::eofbit);
    std::ostringstream broken;
    broken.setstate(std::ios::badbit);
    const std::pair<std::function<void()>, const char*> cases[] = {
        {[] { throw CArchiveException(0); }, "no archive error"},
        {[] { throw CArchiveException(1); }, "archive error"},
        {[] { throw CArchiveException(2); }, "cannot store into an archive that is loading"},
        {[] { throw CArchiveException(3); }, "unexpected end of archive"},
        {[] { throw CArchiveException(4); }, "cannot load from an archive that is storing"},
        {[] { throw CArchiveException(5); }, "invalid object or class index in archive"},
        {[] { throw CArchiveException(6); }, "unknown or unexpected class in archive"},
        {[] { throw CArchiveException(7); },
         "archive holds a class version (schema) that the class cannot read"},
        {[] { throw CArchiveException(8); }, "unknown archive error"},
        {[] { throw CArchiveException(6, "a.bin", "CFoo"); },
         "unknown or unexpected class in archive: CFoo (file 'a.bin')"},
        {[&] {
             CArchive ar(throwing);
             ar.m_strFileName = "short.bin";
             int n = 0;
             ar >> n;
         },
         "unexpected end of archive (file 'short.bin')"},
        {[&] { CArchive(broken) << 1.0; }, "archive error: writing to the stream failed"},
    };
    for (const auto& [call, expected] : cases) {
        try {
            call();
            ADD_FAILURE() << "nothing thrown instead of: " << expected;
        } catch (const CArchiveException& e) {
            EXPECT_STREQ(e.what(), expected);
        }
    }
}

} // namespace
} // namespace stochvar::test
