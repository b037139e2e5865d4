// The document library used by the hosts, tested in-process: number text, text checks, message
// capture, the canonical JSON writer, ownership of replaced variables, and the correlation list
// an editor hands back. Seed expansion is checked through the command line's seed rows.

#include <stochvar/documents/BuiltInExample.h>
#include <stochvar/documents/DocumentBuilder.h>
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
#include <cstdlib>
#include <map>

namespace stochvar::test {
namespace {

TEST(NumberText, ShortestFormReadsBackToTheSameBits) {
    for (const double value : {0.0, -0.0, 1.0 / 3.0, 1e-300, 5e-324, DBL_MIN, DBL_MAX, -123456789.125,
                               9007199254740993.0, std::nextafter(1.0, 2.0)}) {
        const std::string text = FormatShortest(value);
        EXPECT_EQ(std::bit_cast<std::uint64_t>(std::strtod(text.c_str(), nullptr)), std::bit_cast<std::uint64_t>(value));
        EXPECT_LE(text.size(), static_cast<std::size_t>(kShortestDoubleChars)) << text;
    }
    EXPECT_EQ(FormatShortest(0.1) + " " + FormatShortest(28.0) + " " + FormatShortest(0.1 + 0.2), "0.1 28 0.30000000000000004");
}

TEST(TextChecks, Utf8IsRecognised) {
    // Valid, the first five: one- to four-byte forms. Invalid: a Latin-1 byte, truncated forms, an
    // overlong "/", a surrogate, beyond U+10FFFF, a lone continuation byte.
    int nText = 0;
    for (const char* psz : {"", "ascii", "\xCF\x83", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "caf\xE9", "\xCF", "\xE2\x82",
                            "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\x80"}) {
        EXPECT_EQ(IsValidUtf8(psz), nText++ < 5) << psz;
    }
}

TEST(MessageCapture, StatusMessagesAreRecordedByKindAndNotShown) {
    std::vector<CString> shown;
    SHostHooks outer;
    outer.messageBox = [&shown](const CString& text, UINT) { shown.push_back(text); return IDOK; };
    const CScopedHostHooks outerHooks(outer);
    {
        CMessageCapture capture;
        CDistStatus status;
        status.SetError("bad value");
        status.ShowMessage();
        status.SetWarning("odd value");
        status.ShowMessage();
        AfxMessageBox("plain note");
        using EKind = SHostMessage::EKind;
        std::vector<std::pair<EKind, std::string>> taken;
        for (const SHostMessage& message : capture.TakeMessages()) {
            taken.emplace_back(message.kind, message.text);
        }
        EXPECT_EQ(taken, (decltype(taken){{EKind::error, "bad value"}, {EKind::warning, "odd value"}, {EKind::note, "plain note"}}));
        EXPECT_TRUE(capture.TakeMessages().empty());
    }
    AfxMessageBox("after"); // the host's own hooks are back
    EXPECT_EQ(shown, std::vector<CString>{"after"});
}

TEST(JsonDocument, AcceptedSpellingsAreWrittenInOneCanonicalForm) {
    // Input type by number (1.0 is 1) or left out (input type 0), an automatic axis, the default
    // canChange, integers for doubles, keys in any order: written as the canonical spelling is,
    // whose layout the command-line tests check on the examples; text with JSON's short escapes.
    const auto pDoc = ReadJsonDocument(R"({"description": "line\nbreak, \"q\", tab\t, back\\slash, \u0001",
      "variables": [{"name": "\u03c3 \"s\"", "type": "NORMAL", "input": 1.0, "values": {"COV": 0.1, "MEAN": 250}},
        {"name": "B", "type": "UNIFORM", "values": {"UPPER_BOUND": 2, "LOWER_BOUND": -1}, "axis": {"auto": true}, "canChange": true}],
      "correlations": [{"space": "U", "value": -0.25, "between": ["B", "\u03c3 \"s\""]}]})", "loose.json");
    const std::string written = WriteJsonDocument(*pDoc);
    EXPECT_EQ(written, WriteJsonDocument(*ReadJsonDocument(R"({"description": "line\nbreak, \"q\", tab\t, back\\slash, \u0001",
      "variables": [{"name": "σ \"s\"", "type": "NORMAL", "input": "/MEAN/COV", "values": {"MEAN": 250, "COV": 0.1}},
        {"name": "B", "type": "UNIFORM", "input": "/LOWER_BOUND/UPPER_BOUND", "values": {"LOWER_BOUND": -1, "UPPER_BOUND": 2}}],
      "correlations": [{"between": ["B", "σ \"s\""], "value": -0.25, "space": "U"}]})", "canonical.json")));
    EXPECT_THAT(written, ::testing::HasSubstr(R"("description": "line\nbreak, \"q\", tab\t, back\\slash, \u0001",)"));
    EXPECT_THAT(written, ::testing::HasSubstr(R"({"between": ["B", "σ \"s\""], "value": -0.25, "space": "U"})"));
    EXPECT_EQ(WriteJsonDocument(*ReadJsonDocument(written, "again.json")), written);
    EXPECT_EQ(pDoc->GetVariable(0)->GetParamValue(PARAM_STDDEV), 25.0); // the conversion ran
    EXPECT_TRUE(pDoc->m_warnings.empty());
}

TEST(CollectionDocument, VariablesReplacedThroughTheirReferenceSlotAreOwnedByTheDocument) {
    // An editor's change of family: the new variable takes over the old one's reference slot
    // and its place, the old one is deleted, and the document deletes the new one exactly once
    // (the sanitizer build checks).
    const auto pDoc = LoadBuiltInExample();
    CDist* pOld = pDoc->GetVariable(2);
    CDist* pNew = pOld->CreateNewDist(DIST_LOGNORMAL);
    ASSERT_NE(pNew, nullptr);
    pNew->UpdateReferenceVariable();
    pDoc->GetCollection().SetDist(2, pNew);
    delete pOld;
    EXPECT_TRUE(pDoc->FindVariable("G") == 2 && pDoc->IndexOf(pNew) == 2);
}

TEST(CollectionDocument, AnEditorsRebuiltListKeepsOnlyTheGivenPairs) {
    // An editor rebuilds the list with one entry per pair, smaller index first, from the numbers
    // it shows (rounded to 13 digits) and the cells edited; reconciling keeps the given pairs in
    // their order and naming, exactly where unchanged, and adds the new pairs not 0.
    const std::string ca = R"({"between": ["c", "a"], "value": 0.12345678901234566, "space": "X"})";
    const std::string bd = R"({"between": ["b", "d"], "value": 0.3, "space": "U"})";
    std::string strDoc = R"({"correlations": [)" + ca + ", " + bd + R"(], "variables": [)";
    for (const std::string strName : {"a", "b", "c", "d"}) {
        strDoc += R"({"type": "NORMAL", "values": {"MEAN": 0, "STDDEV": 1}, "name": ")" + strName + "\"}" + (strName == "d" ? "]}" : ",");
    }
    using Cells = std::map<std::pair<int, int>, std::pair<double, BOOL>>;
    const Cells shown{{{0, 2}, {0.1234567890123, TRUE}}, {{1, 3}, {0.3, FALSE}}};
    const std::string kNext = ",\n    "; // between two entries
    const std::pair<Cells, std::string> cases[] = {
        {{}, ca + kNext + bd},
        {{{{1, 3}, {0.0, FALSE}}}, ca + kNext + R"({"between": ["b", "d"], "value": 0, "space": "U"})"},
        // A changed value, a changed space, a new pair.
        {{{{0, 2}, {0.2, TRUE}}, {{1, 3}, {0.3, TRUE}}, {{0, 1}, {0.4, TRUE}}},
         R"({"between": ["c", "a"], "value": 0.2, "space": "X"})" + kNext + R"({"between": ["b", "d"], "value": 0.3, "space": "X"})"
             + kNext + R"({"between": ["a", "b"], "value": 0.4, "space": "X"})"},
    };
    for (const auto& [edits, strEntries] : cases) {
        const auto pDoc = ReadJsonDocument(strDoc, "d.json");
        const std::vector<SCorr> before = pDoc->CopyCorrelations();
        Cells cells = edits;
        cells.insert(shown.begin(), shown.end());
        CArray<SCorr*, SCorr*>& corrs = pDoc->GetCollection().m_Corrs;
        for (SCorr* pCorr : corrs) {
            delete pCorr;
        }
        corrs.RemoveAll();
        for (int r = 0; r < 4; ++r) {
            for (int c = r + 1; c < 4; ++c) {
                const auto [dValue, bXSpace] = cells.try_emplace({r, c}, 0.0, TRUE).first->second;
                corrs.Add(new SCorr{r, c, pDoc->GetVariable(r), pDoc->GetVariable(c), dValue, dValue, bXSpace});
            }
        }
        pDoc->ReconcileCorrelations(before, [](double dBefore, double dAfter) { return std::abs(dBefore - dAfter) < 1e-13; });
        EXPECT_THAT(WriteJsonDocument(*pDoc), ::testing::HasSubstr("\"correlations\": [\n    " + strEntries + "\n  ]"));
    }
}

} // namespace
} // namespace stochvar::test
