// The document library used by the hosts, tested in-process: number text, text checks, seeds,
// message capture, the canonical JSON writer, ownership of replaced variables, and the
// correlation list an editor hands back.

#include <stochvar/documents/BuiltInExample.h>
#include <stochvar/documents/DocumentBuilder.h>
#include <stochvar/documents/JsonDocument.h>
#include <stochvar/documents/MessageCapture.h>
#include <stochvar/documents/NumberText.h>
#include <stochvar/documents/SeedExpansion.h>

#include <stochvar/model/DistStatus.h>
#include <stochvar/module/HostHooks.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <map>

namespace stochvar::test {
namespace {

TEST(NumberText, ShortestFormReadsBackToTheSameBits) {
    for (const double value : {0.0, -0.0, 1.0 / 3.0, 1e-300, 5e-324, DBL_MIN, DBL_MAX, -123456789.125,
                               9007199254740993.0, std::nextafter(1.0, 2.0)}) {
        const std::string text = FormatShortest(value);
        EXPECT_EQ(std::bit_cast<std::uint64_t>(std::strtod(text.c_str(), nullptr)),
                  std::bit_cast<std::uint64_t>(value)) << text;
        EXPECT_LE(text.size(), static_cast<std::size_t>(kShortestDoubleChars));
    }
    EXPECT_EQ(FormatShortest(0.1) + " " + FormatShortest(28.0) + " " + FormatShortest(0.1 + 0.2),
              "0.1 28 0.30000000000000004");
}

TEST(TextChecks, Utf8IsRecognised) {
    // Valid: one- to four-byte forms. Invalid: a Latin-1 byte, truncated forms, an overlong
    // "/", a surrogate, beyond U+10FFFF, a lone continuation byte.
    for (const char* psz : {"", "ascii", "\xCF\x83", "\xE2\x82\xAC", "\xF0\x9F\x98\x80"}) {
        EXPECT_TRUE(IsValidUtf8(psz)) << psz;
    }
    for (const char* psz : {"caf\xE9", "\xCF", "\xE2\x82", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\x80"}) {
        EXPECT_FALSE(IsValidUtf8(psz)) << psz;
    }
}

TEST(SeedExpansion, OneNumberGivesTheHighHalvesOfThreeSplitMix64Outputs) {
    // Computed independently with /usr/bin/python3 (integer arithmetic modulo 2^64).
    EXPECT_EQ(ExpandSeed(0), (SeedTriple{3793791033, 1853398634, 113532184}));
    EXPECT_EQ(ExpandSeed(42), (SeedTriple{3184996902, 686809907, 1196582743}));
    EXPECT_EQ(ExpandSeed(UINT64_MAX), (SeedTriple{3839455607, 3919575143, 942667852}));
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
        CDistStatus status;
        status.SetError("bad value");
        status.ShowMessage();
        status.SetWarning("odd value");
        status.ShowMessage();
        AfxMessageBox("plain note");
        std::string strTaken;
        for (const SHostMessage& message : capture.TakeMessages()) {
            strTaken += std::to_string(static_cast<int>(message.kind)) + message.text + ";";
        }
        using EKind = SHostMessage::EKind;
        EXPECT_EQ(strTaken, std::to_string(static_cast<int>(EKind::error)) + "bad value;" +
                                std::to_string(static_cast<int>(EKind::warning)) + "odd value;" +
                                std::to_string(static_cast<int>(EKind::note)) + "plain note;");
        EXPECT_TRUE(capture.TakeMessages().empty());
    }
    AfxMessageBox("after"); // the host's own hooks are back
    EXPECT_EQ(shown, std::vector<CString>{"after"});
}

TEST(JsonDocument, AcceptedSpellingsAreWrittenInOneCanonicalForm) {
    // Input type by number (1.0 is 1) or left out (input type 0), an automatic axis, the default
    // canChange, integers for doubles, keys in any order, escapes: one canonical form, which
    // reads back to itself.
    const auto pDoc = ReadJsonDocument(R"({"description": "line\nbreak, \"q\", tab\t, back\\slash, \u0001",
      "variables": [{"name": "\u03c3 \"s\"", "type": "NORMAL", "input": 1.0, "values": {"COV": 0.1, "MEAN": 250}},
        {"name": "B", "type": "UNIFORM", "values": {"UPPER_BOUND": 2, "LOWER_BOUND": -1},
         "axis": {"auto": true}, "canChange": true},
        {"name": "D", "type": "DISCRETE", "categories": [{"name": "a\\b", "frequency": 0.5}]}],
      "correlations": [{"space": "U", "value": -0.25, "between": ["B", "\u03c3 \"s\""]}]})", "loose.json");
    const std::string written = WriteJsonDocument(*pDoc);
    EXPECT_EQ(written, R"({
  "description": "line\nbreak, \"q\", tab\t, back\\slash, \u0001",
  "variables": [
    {
      "name": "σ \"s\"",
      "type": "NORMAL",
      "input": "/MEAN/COV",
      "values": {"MEAN": 250, "COV": 0.1}
    },
    {
      "name": "B",
      "type": "UNIFORM",
      "input": "/LOWER_BOUND/UPPER_BOUND",
      "values": {"LOWER_BOUND": -1, "UPPER_BOUND": 2}
    },
    {
      "name": "D",
      "type": "DISCRETE",
      "categories": [
        {"name": "a\\b", "frequency": 0.5}
      ]
    }
  ],
  "correlations": [
    {"between": ["B", "σ \"s\""], "value": -0.25, "space": "U"}
  ]
}
)");
    EXPECT_EQ(WriteJsonDocument(*ReadJsonDocument(written, "again.json")), written);
    EXPECT_EQ(pDoc->GetVariable(0)->GetParamValue(PARAM_STDDEV), 25.0); // the conversion ran
    EXPECT_TRUE(pDoc->m_warnings.empty());
}

TEST(CollectionDocument, VariablesReplacedThroughTheirReferenceSlotAreOwnedByTheDocument) {
    // An editor's change of family: the new variable takes over the old one's reference slot
    // and its place, the old one is deleted, and the document deletes the new one exactly once
    // (the sanitizer build checks).
    auto pDoc = LoadBuiltInExample();
    CDist* pOld = pDoc->GetVariable(2);
    CDist* pNew = pOld->CreateNewDist(DIST_LOGNORMAL);
    ASSERT_NE(pNew, nullptr);
    pNew->UpdateReferenceVariable();
    pDoc->GetCollection().SetDist(2, pNew);
    delete pOld;
    EXPECT_EQ(pDoc->FindVariable("G"), 2);
    EXPECT_EQ(pDoc->IndexOf(pNew), 2);
    pDoc.reset();
}

TEST(CollectionDocument, AnEditorsRebuiltListKeepsOnlyTheGivenPairs) {
    // An editor rebuilds the list with one entry per pair, smaller index first, from the numbers
    // it shows (rounded to 13 digits) and the cells edited; reconciling keeps the given pairs in
    // their order and naming, a changed one with its new value, and adds the new pairs not 0.
    std::string strDoc = R"({"variables": [)";
    for (const char* pszName : {"a", "b", "c", "d"}) {
        strDoc += std::string(R"({"type": "NORMAL", "values": {"MEAN": 0, "STDDEV": 1}, "name": ")") + pszName + "\"},";
    }
    const std::string ca = R"({"between": ["c", "a"], "value": 0.12345678901234566, "space": "X"})";
    const std::string bd = R"({"between": ["b", "d"], "value": 0.3, "space": "U"})";
    strDoc.back() = ']';
    strDoc += R"(, "correlations": [)" + ca + ", " + bd + "]}";
    using Edits = std::map<std::pair<int, int>, std::pair<double, BOOL>>;
    const std::pair<Edits, std::vector<std::string>> cases[] = {
        {{}, {ca, bd}},
        {{{{0, 1}, {0.4, TRUE}}}, {ca, bd, R"({"between": ["a", "b"], "value": 0.4, "space": "X"})"}},
        {{{{0, 2}, {0.2, TRUE}}}, {R"({"between": ["c", "a"], "value": 0.2, "space": "X"})", bd}},
        {{{{1, 3}, {0.0, FALSE}}}, {ca, R"({"between": ["b", "d"], "value": 0, "space": "U"})"}},
        {{{{1, 3}, {0.3, TRUE}}}, {ca, R"({"between": ["b", "d"], "value": 0.3, "space": "X"})"}},
    };
    const auto shown = [](double d) {
        char szShown[32];
        std::snprintf(szShown, sizeof szShown, "%.13g", d);
        return std::strtod(szShown, nullptr);
    };
    for (const auto& [edits, entries] : cases) {
        const auto pDoc = ReadJsonDocument(strDoc, "d.json");
        const std::vector<SCorr> before = pDoc->CopyCorrelations();
        Edits cells = edits;
        for (const SCorr& corr : before) {
            cells.emplace(std::minmax(corr.nIndex1, corr.nIndex2),
                          std::pair{shown(corr.bXSpace ? corr.dCorrX : corr.dCorrU), corr.bXSpace});
        }
        CArray<SCorr*, SCorr*>& corrs = pDoc->GetCollection().m_Corrs;
        for (SCorr* pCorr : corrs) {
            delete pCorr;
        }
        corrs.RemoveAll();
        for (int r = 0; r < 4; ++r) {
            for (int c = r + 1; c < 4; ++c) {
                const auto [dValue, bXSpace] = cells.contains({r, c}) ? cells[{r, c}] : std::pair{0.0, TRUE};
                corrs.Add(new SCorr{r, c, pDoc->GetVariable(r), pDoc->GetVariable(c), dValue, dValue, bXSpace});
            }
        }
        pDoc->ReconcileCorrelations(before, [&](double dBefore, double dAfter) { return shown(dBefore) == dAfter; });
        std::string strExpected = "\"correlations\": [";
        for (const std::string& strEntry : entries) {
            strExpected += (&strEntry == &entries.front() ? "\n    " : ",\n    ") + strEntry;
        }
        EXPECT_THAT(WriteJsonDocument(*pDoc), ::testing::HasSubstr(strExpected + "\n  ]"));
    }
}

} // namespace
} // namespace stochvar::test
