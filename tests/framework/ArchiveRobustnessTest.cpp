// Damaged archives: every truncation of a rich stream, every single-byte corruption of it, and
// random garbage must end in CArchiveException (or a clean load) and must leak no object. The
// live-object count checks this in every build; the sanitizer build checks it once more.

#include "framework/ArchiveTestClasses.h"
#include "support/ArchiveTestSupport.h"

#include <stochvar/framework/Archive.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace stochvar::test {
namespace {

constexpr int kTopLevelObjects = 8;

// Points, labels, an owner with a fresh child, shared children and a reference to itself, a
// versioned object, nulls and back-references, and strings with one- and three-byte prefixes.
Bytes RichStream() {
    CTestPoint a(1, 0.5, "A");
    CTestPoint b(-2, 2.0, "B");
    CTestPoint longName(7, -3.0, CString(std::string(300, 'n')));
    CTestLabel l("L", 9);
    CTestOwner owner;
    owner.m_children.Add(&b);
    owner.m_children.Add(&l);
    owner.m_children.Add(nullptr);
    owner.m_pPeer = &owner;
    CTestVersioned v;
    v.m_nValue = 4;
    v.m_dExtra = 0.25;
    return Store([&](CArchive& ar) {
        ar << &a;
        ar.WriteObject(nullptr);
        ar << &l << &a << &owner << &longName << &v << &l;
    });
}

// Loads the top-level objects as an application would, keeps those it receives fresh and
// deletes them again. The cause of the archive's exception, or nothing for a clean load.
std::optional<int> LoadAndDiscard(const Bytes& bytes) {
    std::istringstream in = InputOf(bytes);
    CArchive ar(in);
    std::vector<std::unique_ptr<CObject>> owned;
    try {
        for (int i = 0; i < kTopLevelObjects; ++i) {
            CObject* pOb = ar.ReadObject(STOCHVAR_RUNTIME_CLASS(CTracked));
            if (CTracked::Claim(pOb)) {
                owned.emplace_back(pOb);
            }
        }
    } catch (const CArchiveException& e) {
        return e.m_cause;
    }
    return std::nullopt;
}

class ArchiveRobustnessTest : public ::testing::Test {
protected:
    // Loads the bytes; only CArchiveException may escape the archive, and nothing may leak.
    std::optional<int> Attempt(const Bytes& bytes, const std::string& what) {
        const int nLiveBefore = CTracked::LiveCount();
        std::optional<int> cause;
        try {
            cause = LoadAndDiscard(bytes);
        } catch (const std::exception& e) {
            ADD_FAILURE() << what << ": " << e.what() << " escaped instead of CArchiveException";
        }
        EXPECT_EQ(CTracked::LiveCount(), nLiveBefore) << what << ": objects leaked";
        return cause;
    }
};

TEST_F(ArchiveRobustnessTest, CompleteStreamLoads) {
    const Bytes bytes = RichStream();
    EXPECT_EQ(Attempt(bytes, "complete stream"), std::nullopt);
}

TEST_F(ArchiveRobustnessTest, EveryTruncationIsAnEndOfFile) {
    const Bytes bytes = RichStream();
    ASSERT_GT(bytes.size(), 400u);
    for (std::size_t nCut = 0; nCut < bytes.size(); ++nCut) {
        const Bytes prefix(bytes.begin(), bytes.begin() + static_cast<long>(nCut));
        const std::string what = "cut at " + std::to_string(nCut);
        EXPECT_EQ(Attempt(prefix, what), CArchiveException::endOfFile) << what;
    }
}

TEST_F(ArchiveRobustnessTest, SingleByteCorruptionsFailCleanly) {
    const Bytes bytes = RichStream();
    // The stream opens with the first class record: tag FF FF, schema, name length, "CTestPoint".
    const std::size_t nFirstRecord = 2 + 2 + 2 + 10;
    ASSERT_EQ(Bytes(bytes.begin(), bytes.begin() + nFirstRecord),
              Cat({Hex("FF FF 01 00 0A 00"), Ascii("CTestPoint")}));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char original = bytes[i];
        for (const unsigned char replacement :
             {static_cast<unsigned char>(0x00), static_cast<unsigned char>(0xFF),
              static_cast<unsigned char>(0x7F), static_cast<unsigned char>(original ^ 0x01),
              static_cast<unsigned char>(original ^ 0x80)}) {
            if (replacement == original) {
                continue;
            }
            Bytes damaged = bytes;
            damaged[i] = replacement;
            const std::string what =
                "byte " + std::to_string(i) + " set to " + std::to_string(replacement);
            const std::optional<int> cause = Attempt(damaged, what);
            // Elsewhere a corruption may just change a number or a character; in the class
            // record every one of them makes the class unknown, the schema wrong or the tag bad.
            if (i < nFirstRecord) {
                EXPECT_TRUE(cause.has_value()) << what << " went unnoticed";
            }
        }
    }
}

TEST_F(ArchiveRobustnessTest, RandomGarbageFailsCleanly) {
    std::mt19937 generator(20240611u);
    std::uniform_int_distribution<int> byteOf(0, 255);
    std::uniform_int_distribution<int> lengthOf(0, 64);
    const std::vector<Bytes> starts = {
        Hex(""),
        Hex("FF FF"),                                         // a new class follows
        Cat({Hex("FF FF 03 00 0A 00"), Ascii("CTestOwner")}), // an owner's body follows
        Cat({Hex("FF FF 01 00 0A 00"), Ascii("CTestPoint")}), // a point's body follows
    };
    for (int round = 0; round < 500; ++round) {
        for (const Bytes& start : starts) {
            Bytes garbage = start;
            const int nLength = lengthOf(generator);
            for (int i = 0; i < nLength; ++i) {
                garbage.push_back(static_cast<unsigned char>(byteOf(generator)));
            }
            Attempt(garbage, "garbage " + ToHex(garbage));
        }
    }
}

} // namespace
} // namespace stochvar::test
