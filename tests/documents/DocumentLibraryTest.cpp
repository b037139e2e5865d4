// The document library used by the hosts, tested in-process: number text, text checks, message
// capture, the JSON reader's accepted spellings, the canonical writer and document ownership.

#include <stochvar/documents/BuiltInExample.h>
#include <stochvar/documents/CollectionDocument.h>
#include <stochvar/documents/DocumentBuilder.h>
#include <stochvar/documents/DocumentError.h>
#include <stochvar/documents/JsonDocument.h>
#include <stochvar/documents/MessageCapture.h>
#include <stochvar/documents/NumberText.h>

#include <stochvar/model/DistStatus.h>
#include <stochvar/module/HostHooks.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace stochvar::test {
namespace {

using ::testing::HasSubstr;

TEST(NumberText, ShortestFormReadsBackToTheSameBits) {
    const double values[] = {0.0,
                             -0.0,
                             0.1,
                             1.0 / 3.0,
                             2.0 / 3.0,
                             1e-300,
                             5e-324, // smallest subnormal
                             DBL_MIN,
                             DBL_MAX,
                             -123456789.125,
                             0.1 + 0.2,
                             9007199254740993.0,
                             std::nextafter(1.0, 2.0)};
    for (const double value : values) {
        const std::string text = FormatShortest(value);
        SCOPED_TRACE(text);
        EXPECT_EQ(std::bit_cast<std::uint64_t>(std::strtod(text.c_str(), nullptr)),
                  std::bit_cast<std::uint64_t>(value));
        EXPECT_LE(text.size(), static_cast<std::size_t>(kShortestDoubleChars));
    }
    // Shortest means no padding digits.
    EXPECT_EQ(FormatShortest(0.1), "0.1");
    EXPECT_EQ(FormatShortest(28.0), "28");
    EXPECT_EQ(FormatShortest(0.1 + 0.2), "0.30000000000000004");
}

TEST(TextChecks, Utf8IsRecognised) {
    struct SCase {
        std::string text;
        bool bValid;
    };
    const SCase cases[] = {
        {"", true},
        {"plain ascii", true},
        {"\xCF\x83 sigma", true},            // two-byte form
        {"\xE2\x82\xAC euro", true},         // three-byte form
        {"\xF0\x9F\x98\x80", true},          // four-byte form
        {"caf\xE9", false},                  // Latin-1 byte
        {"\xCF", false},                     // truncated two-byte form
        {"\xE2\x82", false},                 // truncated three-byte form
        {"\xC0\xAF", false},                 // overlong "/"
        {"\xED\xA0\x80", false},             // surrogate
        {"\xF4\x90\x80\x80", false},         // beyond U+10FFFF
        {"\x80 lone continuation", false},
    };
    for (const SCase& textCase : cases) {
        EXPECT_EQ(IsValidUtf8(textCase.text), textCase.bValid) << textCase.text;
    }
}

TEST(MessageCapture, StatusMessagesAreRecordedByKindAndNotShown) {
    std::vector<CString> shown;
    SHostHooks outer;
    outer.messageBox = [&shown](const CString& text, UINT) {
        shown.push_back(text);
        return IDOK;
    };
    const CScopedHostHooks outerHooks(outer);
    {
        CMessageCapture capture;
        CDistStatus error;
        error.SetError("bad value");
        error.ShowMessage();
        CDistStatus warning;
        warning.SetWarning("odd value");
        warning.ShowMessage();
        AfxMessageBox("plain note");
        const std::vector<SHostMessage> messages = capture.TakeMessages();
        ASSERT_EQ(messages.size(), 3u);
        EXPECT_EQ(messages[0].kind, SHostMessage::EKind::error);
        EXPECT_EQ(messages[0].text, "bad value");
        EXPECT_EQ(messages[1].kind, SHostMessage::EKind::warning);
        EXPECT_EQ(messages[1].text, "odd value");
        EXPECT_EQ(messages[2].kind, SHostMessage::EKind::note);
        EXPECT_EQ(messages[2].text, "plain note");
        EXPECT_TRUE(capture.TakeMessages().empty());
    }
    EXPECT_TRUE(shown.empty());
    // Afterwards the host's own hooks are back.
    AfxMessageBox("after");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "after");
}

TEST(JsonDocument, AcceptedSpellingsAreWrittenInOneCanonicalForm) {
    // Input type by number (1.0 is 1) or left out (input type 0), an axis given as automatic,
    // integers for doubles: all read to the same variables and written in the canonical form.
    const std::string loose = R"({"variables": [
        {"name": "A", "type": "NORMAL", "input": 1.0, "values": {"COV": 0.1, "MEAN": 250}},
        {"name": "B", "type": "UNIFORM", "values": {"UPPER_BOUND": 2, "LOWER_BOUND": -1},
         "axis": {"auto": true}, "canChange": true}],
      "correlations": [{"space": "U", "value": -0.25, "between": ["B", "A"]}]})";
    const auto pDoc = ReadJsonDocument(loose, "loose.json");
    EXPECT_EQ(WriteJsonDocument(*pDoc),
              R"({
  "variables": [
    {
      "name": "A",
      "type": "NORMAL",
      "input": "/MEAN/COV",
      "values": {"MEAN": 250, "COV": 0.1}
    },
    {
      "name": "B",
      "type": "UNIFORM",
      "input": "/LOWER_BOUND/UPPER_BOUND",
      "values": {"LOWER_BOUND": -1, "UPPER_BOUND": 2}
    }
  ],
  "correlations": [
    {"between": ["B", "A"], "value": -0.25, "space": "U"}
  ]
}
)");
    // The conversion ran: sd = mean * CoV.
    EXPECT_DOUBLE_EQ(pDoc->GetVariable(0)->GetParamValue(PARAM_STDDEV), 25.0);
    EXPECT_TRUE(pDoc->m_warnings.empty());
}

TEST(JsonDocument, TextIsEscapedAndReadBack) {
    const std::string text = R"({"description": "line\nbreak, \"quoted\", tab\t, back\\slash, \u0001",
        "variables": [{"name": "\u03c3 \"s\"", "type": "DISCRETE",
                       "categories": [{"name": "a\\b", "frequency": 0.5}]}]})";
    const auto pDoc = ReadJsonDocument(text, "t.json");
    EXPECT_EQ(pDoc->m_strDescription, "line\nbreak, \"quoted\", tab\t, back\\slash, \x01");
    EXPECT_EQ(pDoc->GetVariable(0)->m_strVarName, "\xCF\x83 \"s\"");
    const std::string written = WriteJsonDocument(*pDoc);
    EXPECT_THAT(written, HasSubstr(R"("description": "line\nbreak, \"quoted\", tab\t, back\\slash, \u0001")"));
    const auto pAgain = ReadJsonDocument(written, "t2.json");
    EXPECT_EQ(pAgain->m_strDescription, pDoc->m_strDescription);
    EXPECT_EQ(pAgain->GetVariable(0)->m_CategoryNames[0], "a\\b");
    EXPECT_EQ(WriteJsonDocument(*pAgain), written);
}

TEST(JsonDocument, ErrorsNameTheSourceTheSubjectAndTheReason) {
    try {
        ReadJsonDocument(R"({"variables": [{"name": "X", "type": "NORMAL",
                             "values": {"MEAN": 1, "STDDEV": -2}}]})",
                         "source-name");
        FAIL() << "the document was accepted";
    } catch (const CDocumentError& error) {
        EXPECT_STREQ(error.what(), "source-name: X: StdDev is less than (or equal to) 0");
    }
    // A variable without a name is named by its position.
    try {
        ReadJsonDocument(R"({"variables": [{"name": "", "type": "NOPE"}]})", "s");
        FAIL() << "the document was accepted";
    } catch (const CDocumentError& error) {
        EXPECT_THAT(error.what(), ::testing::StartsWith("s: variable 1: unknown family"));
    }
}

TEST(CollectionDocument, VariablesReplacedThroughTheirReferenceSlotAreOwnedByTheDocument) {
    // What an editor does on a change of family: build the new variable from the old one, let it
    // take over the reference slot, put it into the collection and delete the old one. The
    // document must then delete the new variable exactly once (the sanitizer build checks).
    auto pDoc = LoadBuiltInExample();
    CDist* pOld = pDoc->GetVariable(2);
    CDist* pNew = pOld->CreateNewDist(DIST_LOGNORMAL);
    ASSERT_NE(pNew, nullptr);
    pNew->UpdateReferenceVariable();
    pDoc->GetCollection().SetDist(2, pNew);
    delete pOld;
    EXPECT_EQ(pDoc->GetVariable(2)->GetVarTypeName(), "LOGNORMAL");
    EXPECT_EQ(pDoc->FindVariable("G"), 2);
    EXPECT_EQ(pDoc->IndexOf(pNew), 2);
    pDoc.reset();
}

TEST(CollectionDocument, CorrelationsKeepTheOrderInWhichTheyNameTheirVariables) {
    const auto pDoc = LoadBuiltInExample();
    int nFirst = -1;
    int nSecond = -1;
    ASSERT_TRUE(pDoc->GetCorrelationPair(0, nFirst, nSecond));
    EXPECT_EQ(pDoc->GetVariable(nFirst)->m_strVarName, "G");
    EXPECT_EQ(pDoc->GetVariable(nSecond)->m_strVarName, "Q");

    const auto pReversed = ReadJsonDocument(R"({"variables": [
        {"name": "a", "type": "NORMAL", "values": {"MEAN": 0, "STDDEV": 1}},
        {"name": "b", "type": "NORMAL", "values": {"MEAN": 0, "STDDEV": 1}}],
        "correlations": [{"between": ["b", "a"], "value": 0.5, "space": "X"}]})",
                                             "r.json");
    ASSERT_TRUE(pReversed->GetCorrelationPair(0, nFirst, nSecond));
    EXPECT_EQ(nFirst, 1);
    EXPECT_EQ(nSecond, 0);
    // The entry itself keeps the smaller index first, as the collection's convention says.
    EXPECT_EQ(pReversed->GetCorrelation(0).nIndex1, 0);
    EXPECT_EQ(pReversed->GetCorrelation(0).nIndex2, 1);
}

// An editor's grid rebuilds the list with one entry per pair, smaller index first, from the
// numbers it shows (rounded to 13 significant digits); edits change some cells before that.
struct SCell {
    std::pair<int, int> pair;
    double dValue;
    BOOL bXSpace;
};

double Shown(double dValue) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.13g", dValue);
    return std::strtod(buffer, nullptr);
}

void RebuildEveryPair(CCollectionDocument& doc, const std::vector<SCell>& edits) {
    const int n = doc.GetVariableCount();
    std::vector<SCell> cells;
    for (int r = 0; r < n; ++r) {
        for (int c = r + 1; c < n; ++c) {
            cells.push_back({{r, c}, 0.0, TRUE});
        }
    }
    for (const SCorr& corr : doc.CopyCorrelations()) {
        for (SCell& cell : cells) {
            if (cell.pair == std::pair<int, int>(std::minmax(corr.nIndex1, corr.nIndex2))) {
                cell = {cell.pair, Shown(corr.bXSpace != 0 ? corr.dCorrX : corr.dCorrU),
                        corr.bXSpace};
            }
        }
    }
    for (const SCell& edit : edits) {
        for (SCell& cell : cells) {
            cell = cell.pair == edit.pair ? edit : cell;
        }
    }
    CArray<SCorr*, SCorr*>& corrs = doc.GetCollection().m_Corrs;
    for (SCorr* pCorr : corrs) {
        delete pCorr;
    }
    corrs.RemoveAll();
    for (const SCell& cell : cells) {
        auto* pCorr = new SCorr{cell.pair.first,
                                cell.pair.second,
                                doc.GetVariable(cell.pair.first),
                                doc.GetVariable(cell.pair.second),
                                cell.dValue,
                                cell.dValue,
                                cell.bXSpace};
        corrs.Add(pCorr);
    }
}

TEST(CollectionDocument, AnEditorsRebuiltListKeepsOnlyTheGivenPairs) {
    const char* const kDoc = R"({"variables": [
        {"name": "a", "type": "NORMAL", "values": {"MEAN": 0, "STDDEV": 1}},
        {"name": "b", "type": "NORMAL", "values": {"MEAN": 0, "STDDEV": 1}},
        {"name": "c", "type": "NORMAL", "values": {"MEAN": 0, "STDDEV": 1}},
        {"name": "d", "type": "NORMAL", "values": {"MEAN": 0, "STDDEV": 1}}],
        "correlations": [{"between": ["c", "a"], "value": 0.12345678901234566, "space": "X"},
                         {"between": ["b", "d"], "value": 0.3, "space": "U"}]})";
    const std::string strGiven =
        R"({"between": ["c", "a"], "value": 0.12345678901234566, "space": "X"},
    {"between": ["b", "d"], "value": 0.3, "space": "U"})";
    struct SCase {
        const char* pszWhat;
        std::vector<SCell> edits;
        std::string strCorrelations; // as the writer lists them
    };
    const SCase cases[] = {
        {"nothing changed", {}, strGiven},
        {"a new pair is added after the given ones", {{{0, 1}, 0.4, TRUE}}, strGiven + R"(,
    {"between": ["a", "b"], "value": 0.4, "space": "X"})"},
        {"a changed pair keeps its place and its order",
         {{{0, 2}, 0.2, TRUE}},
         R"({"between": ["c", "a"], "value": 0.2, "space": "X"},
    {"between": ["b", "d"], "value": 0.3, "space": "U"})"},
        {"a given pair set to 0 stays given",
         {{{1, 3}, 0.0, FALSE}},
         R"({"between": ["c", "a"], "value": 0.12345678901234566, "space": "X"},
    {"between": ["b", "d"], "value": 0, "space": "U"})"},
        {"a pair moved to the other space is changed",
         {{{1, 3}, 0.3, TRUE}},
         R"({"between": ["c", "a"], "value": 0.12345678901234566, "space": "X"},
    {"between": ["b", "d"], "value": 0.3, "space": "X"})"},
    };
    for (const SCase& reconciled : cases) {
        SCOPED_TRACE(reconciled.pszWhat);
        const auto pDoc = ReadJsonDocument(kDoc, "d.json");
        const std::vector<SCorr> before = pDoc->CopyCorrelations();
        RebuildEveryPair(*pDoc, reconciled.edits);
        ASSERT_EQ(pDoc->GetCorrelationCount(), 6);
        pDoc->ReconcileCorrelations(
            before, [](double dBefore, double dAfter) { return Shown(dBefore) == dAfter; });
        EXPECT_THAT(WriteJsonDocument(*pDoc),
                    HasSubstr("\"correlations\": [\n    " + reconciled.strCorrelations + "\n  ]"));
    }
}

} // namespace
} // namespace stochvar::test
