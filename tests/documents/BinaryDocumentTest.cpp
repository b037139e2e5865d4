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

#include <bit>
#include <functional>
#include <limits>

namespace stochvar::test {
namespace {

const char* const kTwoVariables = R"({"variables": [
    {"name": "X", "type": "NORMAL", "values": {"MEAN": 4, "STDDEV": 0.5}},
    {"name": "D", "type": "DISCRETE", "categories": [{"name": "a", "frequency": 1},
                                                     {"name": "b", "frequency": 3}]}],
    "correlations": [{"between": ["D", "X"], "value": 0.25, "space": "U"}]})";

// The value's nBytes low bytes, least significant first, as the binary form stores numbers.
static_assert(std::endian::native == std::endian::little);
std::string LittleEndian(std::uint64_t value, int nBytes) { return {reinterpret_cast<const char*>(&value), std::size_t(nBytes)}; }

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
    const std::string head = std::string("STVCOL\r\n") + LittleEndian(1, 2) + LittleEndian(0, 1) +
                             LittleEndian(2, 2) + LittleEndian(0xFFFF, 2) + LittleEndian(0, 2) +
                             LittleEndian(7, 2) + "CNormal" + LittleEndian(1, 1) + "X" + LittleEndian(6, 4);
    EXPECT_EQ(bytes.substr(0, head.size()), head);
    // It ends with the correlation: positions in the order given (D is 1, X is 0), the U-space
    // flag, the U-space value as given and the X-space value that SetCorr derived.
    EXPECT_TRUE(bytes.ends_with(LittleEndian(1, 2) + LittleEndian(1, 4) + LittleEndian(0, 8) +
                                LittleEndian(std::bit_cast<std::uint64_t>(0.25), 8) +
                                LittleEndian(std::bit_cast<std::uint64_t>(pDoc->GetCorrelation(0).dCorrX), 8)));
}

TEST(BinaryDocument, DamagedBytesAreRefused) {
    const std::string bytes = WriteBinaryDocument(*LoadBuiltInExample());
    EXPECT_EQ(RefusalOf(bytes), "");
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        ASSERT_THAT(RefusalOf(bytes.substr(0, n)), ::testing::StartsWith("doc.svc: ")) << n << " bytes";
    }
    EXPECT_THAT(RefusalOf(bytes.substr(0, bytes.size() / 2)), ::testing::HasSubstr(": the binary document is truncated or damaged: "));
    EXPECT_EQ(RefusalOf(bytes + "x"), "doc.svc: document: unexpected data after the end of the document");
    std::string damaged = bytes;
    damaged[8] = 2;
    EXPECT_EQ(RefusalOf(damaged), "doc.svc: document: unsupported format version 2 (this program reads 1)");
    damaged[0] = 'X';
    EXPECT_EQ(RefusalOf(damaged), "doc.svc: document: not a binary collection document (no signature)");
    // Reading by content takes unsigned bytes for no binary document at all.
    EXPECT_FALSE(FormatFromContents(damaged).has_value());
    EXPECT_EQ(FormatFromContents(bytes), EDocumentFormat::binary);
    EXPECT_EQ(FormatFromContents("\xEF\xBB\xBF  {"), EDocumentFormat::json);
    // The last entry is int, int, int, double, double: its first position is 28 bytes from the end.
    std::string stray = WriteBinaryDocument(*ReadJsonDocument(kTwoVariables, "two.json"));
    stray.replace(stray.size() - 28, 4, LittleEndian(7, 4));
    EXPECT_EQ(RefusalOf(stray), "doc.svc: correlation 1: it refers to a variable that the document does not hold");
}

TEST(BinaryDocument, StoredValuesGoThroughTheLibrarysChecksAgain) {
    // A change of X or D written as it is and read back; the JSON reader's checks, which share
    // the document builder, are tested through the command-line host.
    const std::pair<std::function<void(CDist&, CDist&, CCollectionDocument&)>, std::string> cases[] = {
        {[](CDist& x, CDist&, auto&) { x.SetParamValue(PARAM_STDDEV, -1.0); }, "X: StdDev is less than (or equal to) 0"},
        {[](CDist& x, CDist&, auto&) { x.SetParamValue(PARAM_MEAN, std::numeric_limits<double>::infinity()); },
         "X: MEAN is not a finite number"},
        {[](CDist& x, CDist&, auto&) { x.m_nType = DIST_LOGNORMAL; }, "X: stored as class CNormal but with type id 5 (LOGNORMAL)"},
        {[](CDist& x, CDist&, auto&) { x.m_nType = 11; }, "X: unknown type id 11"},
        {[](CDist& x, CDist&, auto&) { x.m_nParamCombi = 2; }, "X: unknown input type 2"},
        {[](CDist& x, CDist&, auto&) { x.m_nParamCombiCount = 3; }, "X: stored with 3 input types, the family has 2"},
        {[](CDist&, CDist& d, auto&) { d.m_Probabilities.Add(0.5); },
         "D: the category names, frequencies and probabilities differ in number"},
        {[](CDist&, CDist& d, auto&) { d.m_Frequencies[0] = -1.0; }, "D: Frequency must be >= 0"},
        {[](CDist&, CDist&, auto& doc) { doc.m_strDescription = "\xFF"; },
         "document: the description is not valid UTF-8 text"},
        // Probabilities are recomputed from the frequencies, whatever was stored.
        {[](CDist&, CDist& d, auto&) { d.m_Probabilities[0] = 0.9; }, ""},
    };
    for (const auto& [change, strReason] : cases) {
        auto pDoc = ReadJsonDocument(kTwoVariables, "two.json");
        change(*pDoc->GetVariable(0), *pDoc->GetVariable(1), *pDoc);
        const std::string bytes = WriteBinaryDocument(*pDoc);
        EXPECT_EQ(RefusalOf(bytes), strReason.empty() ? "" : "doc.svc: " + strReason);
        if (strReason.empty()) {
            EXPECT_EQ(ReadBinaryDocument(bytes, "doc.svc")->GetVariable(1)->m_Probabilities[0], 0.25);
        }
    }
}

} // namespace
} // namespace stochvar::test
