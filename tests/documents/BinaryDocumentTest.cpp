// Binary collection documents, in-process: the framing of the bytes, and that reading refuses
// every kind of damage and every value the library itself would refuse.

#include <stochvar/documents/BinaryDocument.h>
#include <stochvar/documents/BuiltInExample.h>
#include <stochvar/documents/DocumentError.h>
#include <stochvar/documents/DocumentFile.h>
#include <stochvar/documents/JsonDocument.h>

#include <stochvar/model/Dist.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace stochvar::test {
namespace {

using ::testing::HasSubstr;

const char* const kTwoVariables = R"({"variables": [
    {"name": "X", "type": "NORMAL", "values": {"MEAN": 4, "STDDEV": 0.5}},
    {"name": "D", "type": "DISCRETE", "categories": [{"name": "a", "frequency": 1},
                                                     {"name": "b", "frequency": 3}]}],
    "correlations": [{"between": ["D", "X"], "value": 0.25, "space": "U"}]})";

std::string LittleEndian(std::uint64_t value, int nBytes) {
    std::string bytes;
    for (int i = 0; i < nBytes; ++i) {
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    return bytes;
}

std::string Double(double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return LittleEndian(bits, 8);
}

// The message of the CDocumentError that reading the bytes raises, or "" if they were accepted.
std::string RefusalOf(const std::string& bytes) {
    try {
        ReadBinaryDocument(bytes, "doc.svc");
    } catch (const CDocumentError& error) {
        return error.what();
    }
    return "";
}

TEST(BinaryDocument, BytesAreTheHeaderThenFramedVariablesThenCorrelations) {
    const auto pDoc = ReadJsonDocument(kTwoVariables, "two.json");
    const std::string bytes = WriteBinaryDocument(*pDoc);

    // Signature, version 1, an empty description, two variables; the first variable with a
    // new-class tag, schema 0 and its class name, then its own body (name "X", type id 6).
    const std::string expected = std::string("STVCOL\r\n") + LittleEndian(1, 2) +
                                 LittleEndian(0, 1) + LittleEndian(2, 2) +
                                 LittleEndian(0xFFFF, 2) + LittleEndian(0, 2) +
                                 LittleEndian(7, 2) + "CNormal" + LittleEndian(1, 1) + "X" +
                                 LittleEndian(6, 4);
    EXPECT_EQ(bytes.substr(0, expected.size()), expected);

    // The document ends with the correlation: positions in the order given (D is 1, X is 0),
    // the U-space flag, the U-space value as given and the X-space value that SetCorr derived.
    const SCorr& corr = pDoc->GetCorrelation(0);
    const std::string tail = LittleEndian(1, 2) + LittleEndian(1, 4) + LittleEndian(0, 4) +
                             LittleEndian(0, 4) + Double(0.25) + Double(corr.dCorrX);
    EXPECT_TRUE(bytes.ends_with(tail));
}

TEST(BinaryDocument, EveryTruncationIsRefused) {
    const std::string bytes = WriteBinaryDocument(*LoadBuiltInExample());
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        const std::string strMessage = RefusalOf(bytes.substr(0, n));
        ASSERT_THAT(strMessage, ::testing::StartsWith("doc.svc: ")) << "prefix of " << n << " bytes";
    }
    EXPECT_EQ(RefusalOf(bytes), "");
}

// Writes the document after a change to its first variable and reads it back.
std::string RefusalAfter(const std::function<void(CCollectionDocument&)>& change,
                         const char* pszJson = kTwoVariables) {
    auto pDoc = ReadJsonDocument(pszJson, "two.json");
    change(*pDoc);
    return RefusalOf(WriteBinaryDocument(*pDoc));
}

TEST(BinaryDocument, StoredValuesGoThroughTheLibrarysChecksAgain) {
    struct SCase {
        const char* pszWhat;
        std::function<void(CCollectionDocument&)> change;
        const char* pszMessage;
    };
    const SCase cases[] = {
        {"standard deviation refused value by value",
         [](CCollectionDocument& doc) { doc.GetVariable(0)->SetParamValue(PARAM_STDDEV, -1.0); },
         "doc.svc: X: StdDev is less than (or equal to) 0"},
        {"value that is not finite",
         [](CCollectionDocument& doc) {
             doc.GetVariable(0)->SetParamValue(PARAM_MEAN, std::numeric_limits<double>::infinity());
         },
         "doc.svc: X: MEAN is not a finite number"},
        {"type id of another class",
         [](CCollectionDocument& doc) { doc.GetVariable(0)->m_nType = DIST_LOGNORMAL; },
         "doc.svc: X: stored as class CNormal but with type id 5 (LOGNORMAL)"},
        {"type id out of range",
         [](CCollectionDocument& doc) { doc.GetVariable(0)->m_nType = 11; },
         "doc.svc: X: unknown type id 11"},
        {"input type out of range",
         [](CCollectionDocument& doc) { doc.GetVariable(0)->m_nParamCombi = 2; },
         "doc.svc: X: unknown input type 2"},
        {"wrong number of input types",
         [](CCollectionDocument& doc) { doc.GetVariable(0)->m_nParamCombiCount = 3; },
         "doc.svc: X: stored with 3 input types, the family has 2"},
        {"axis bounds the wrong way round",
         [](CCollectionDocument& doc) {
             doc.GetVariable(0)->m_bAutoAxis = FALSE;
             doc.GetVariable(0)->m_dAxisMin = 2.0;
             doc.GetVariable(0)->m_dAxisMax = 1.0;
         },
         "doc.svc: X: the axis minimum must be a number below the axis maximum"},
        {"name that is not UTF-8",
         [](CCollectionDocument& doc) { doc.GetVariable(0)->SetVarName("caf\xE9"); },
         "doc.svc: caf\xE9: the name is not valid UTF-8 text"},
        {"category name that is not UTF-8",
         [](CCollectionDocument& doc) { doc.GetVariable(1)->m_CategoryNames[1] = "\xC3("; },
         "doc.svc: D: a category name is not valid UTF-8 text"},
        {"description that is not UTF-8",
         [](CCollectionDocument& doc) { doc.m_strDescription = "\xFF"; },
         "doc.svc: document: the description is not valid UTF-8 text"},
        {"two variables of one name",
         [](CCollectionDocument& doc) { doc.GetVariable(1)->SetVarName("X"); },
         "doc.svc: X: another variable has the same name"},
        {"negative frequency",
         [](CCollectionDocument& doc) { doc.GetVariable(1)->m_Frequencies[0] = -1.0; },
         "doc.svc: D: Frequency must be >= 0"},
        {"categories of different lengths",
         [](CCollectionDocument& doc) { doc.GetVariable(1)->m_Probabilities.Add(0.5); },
         "doc.svc: D: the category names, frequencies and probabilities differ in number"},
        {"U-space correlation beyond one",
         [](CCollectionDocument& doc) { doc.GetCollection().m_Corrs[0]->dCorrU = 1.5; },
         "doc.svc: correlation D / X: the correlation 1.5 does not lie between -1 and 1"},
        {"correlation of a variable with itself",
         [](CCollectionDocument& doc) {
             doc.GetCollection().m_Corrs[0]->pDist1 = nullptr;
             doc.GetCollection().m_Corrs[0]->nIndex2 = 0;
         },
         "doc.svc: correlation X / X: a variable cannot be correlated with itself"},
    };
    for (const SCase& refusal : cases) {
        SCOPED_TRACE(refusal.pszWhat);
        EXPECT_EQ(RefusalAfter(refusal.change), refusal.pszMessage);
    }
}

TEST(BinaryDocument, ACorrelationOfAVariableThatIsNotThereIsRefused) {
    std::string bytes = WriteBinaryDocument(*ReadJsonDocument(kTwoVariables, "two.json"));
    // The last entry is int, int, int, double, double: its first position lies 28 bytes from
    // the end.
    const std::size_t nFirst = bytes.size() - 2 * 8 - 3 * 4;
    bytes.replace(nFirst, 4, LittleEndian(7, 4));
    EXPECT_EQ(RefusalOf(bytes),
              "doc.svc: correlation 1: it refers to a variable that the document does not hold");
}

TEST(BinaryDocument, StoredProbabilitiesAreRecomputedFromTheFrequencies) {
    auto pDoc = ReadJsonDocument(kTwoVariables, "two.json");
    pDoc->GetVariable(1)->m_Probabilities[0] = 0.9;
    pDoc->GetVariable(1)->m_Probabilities[1] = 0.1;
    const auto pRead = ReadBinaryDocument(WriteBinaryDocument(*pDoc), "doc.svc");
    EXPECT_EQ(pRead->GetVariable(1)->m_Probabilities[0], 0.25);
    EXPECT_EQ(pRead->GetVariable(1)->m_Probabilities[1], 0.75);
}

TEST(BinaryDocument, HeaderIsChecked) {
    const std::string bytes = WriteBinaryDocument(*LoadBuiltInExample());
    std::string newer = bytes;
    newer[8] = 2; // version 2
    EXPECT_EQ(RefusalOf(newer), "doc.svc: document: unsupported format version 2 (this program reads 1)");
    std::string unsigned_ = bytes;
    unsigned_[0] = 'X';
    EXPECT_EQ(RefusalOf(unsigned_), "doc.svc: document: not a binary collection document (no signature)");
    // Reading by content does not take such bytes for a binary document at all.
    EXPECT_FALSE(FormatFromContents(unsigned_).has_value());
    EXPECT_EQ(FormatFromContents(bytes), EDocumentFormat::binary);
    EXPECT_EQ(FormatFromContents("\xEF\xBB\xBF  {"), EDocumentFormat::json);
}

} // namespace
} // namespace stochvar::test
