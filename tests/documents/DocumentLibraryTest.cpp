// The document library used by the hosts, tested in-process: number text, text checks, message
// capture, the canonical JSON writer, ownership of replaced variables, the correlation list an
// editor hands back; binary documents, their framing and every kind of damage and of value that
// reading refuses; and the readiness report, states that the library accepts but that cannot be
// sampled, that no document can hold, or that reading would refuse, each with its subject and the
// uses it stops. Seed expansion is checked through the command line's seed rows.

#include <stochvar/documents/BinaryDocument.h>
#include <stochvar/documents/BuiltInExample.h>
#include <stochvar/documents/DocumentBuilder.h>
#include <stochvar/documents/DocumentError.h>
#include <stochvar/documents/DocumentFile.h>
#include <stochvar/documents/InputEntry.h>
#include <stochvar/documents/JsonDocument.h>
#include <stochvar/documents/MessageCapture.h>
#include <stochvar/documents/ReadinessReport.h>

#include <stochvar/families/FamilyList.h>
#include <stochvar/model/Dist.h>
#include <stochvar/module/HostHooks.h>
#include <stochvar/numerics/NumberText.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
#include <map>
#include <tuple>

namespace stochvar::test {
namespace {

TEST(TextHelpers, TheShortestNumberReadsBackToTheSameBitsAndUtf8IsRecognised) {
    for (const double value : {0.0, -0.0, 1.0 / 3.0, 1e-300, 5e-324, DBL_MIN, DBL_MAX,
                               -123456789.125, 9007199254740993.0, std::nextafter(1.0, 2.0)}) {
        const std::string text = FormatShortest(value);
        EXPECT_EQ(std::bit_cast<std::uint64_t>(std::strtod(text.c_str(), nullptr)),
                  std::bit_cast<std::uint64_t>(value));
        EXPECT_LE(text.size(), static_cast<std::size_t>(kShortestDoubleChars)) << text;
    }
    EXPECT_EQ(FormatShortest(0.1) + " " + FormatShortest(28.0) + " " + FormatShortest(0.1 + 0.2),
              "0.1 28 0.30000000000000004");
    // Valid, the first five: one- to four-byte forms. Invalid: a Latin-1 byte, truncated forms, an
    // overlong "/", a surrogate, beyond U+10FFFF, a lone continuation byte.
    int nText = 0;
    for (const char* psz :
         {"", "ascii", "\xCF\x83", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "caf\xE9", "\xCF",
          "\xE2\x82", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\x80"}) {
        EXPECT_EQ(IsValidUtf8(psz), nText++ < 5) << psz;
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
        CMessageCapture capture; // the prefixes of CDistStatus::ShowMessage, and none
        for (const char* pszText : {"ERROR:\nbad value", "WARNING:\nodd value", "plain note"}) {
            AfxMessageBox(pszText);
        }
        using EKind = SHostMessage::EKind;
        std::vector<std::pair<EKind, std::string>> taken;
        for (const SHostMessage& message : capture.TakeMessages()) {
            taken.emplace_back(message.kind, message.text);
        }
        EXPECT_EQ(taken, (decltype(taken){{EKind::error, "bad value"},
                                          {EKind::warning, "odd value"},
                                          {EKind::note, "plain note"}}));
        EXPECT_TRUE(capture.TakeMessages().empty());
    }
    AfxMessageBox("after"); // the host's own hooks are back
    EXPECT_EQ(shown, std::vector<CString>{"after"});
}

TEST(JsonDocument, AcceptedSpellingsAreWrittenInOneCanonicalForm) {
    // Input type by number (1.0 is 1) or left out (input type 0), an automatic axis, the default
    // canChange, integers for doubles, keys in any order: written as the canonical spelling is,
    // whose layout the command-line tests check on the examples; text with JSON's short escapes.
    const auto pDoc =
        ReadJsonDocument(R"({"description": "line\nbreak, \"q\", tab\t, back\\slash, \u0001",
      "variables": [{"name": "\u03c3 \"s\"", "type": "NORMAL", "input": 1.0,
        "values": {"COV": 0.1, "MEAN": 250}},
        {"name": "B", "type": "UNIFORM", "values": {"UPPER_BOUND": 2, "LOWER_BOUND": -1},
        "axis": {"auto": true}, "canChange": true}],
      "correlations": [{"space": "U", "value": -0.25, "between": ["B", "\u03c3 \"s\""]}]})",
                         "loose.json");
    const std::string written = WriteJsonDocument(*pDoc);
    EXPECT_EQ(written, WriteJsonDocument(*ReadJsonDocument(
                           R"({"description": "line\nbreak, \"q\", tab\t, back\\slash, \u0001",
      "variables": [{"name": "σ \"s\"", "type": "NORMAL", "input": "/MEAN/COV",
        "values": {"MEAN": 250, "COV": 0.1}},
        {"name": "B", "type": "UNIFORM", "input": "/LOWER_BOUND/UPPER_BOUND",
        "values": {"LOWER_BOUND": -1, "UPPER_BOUND": 2}}],
      "correlations": [{"between": ["B", "σ \"s\""], "value": -0.25, "space": "U"}]})",
                           "canonical.json")));
    EXPECT_THAT(written,
                ::testing::HasSubstr(
                    R"("description": "line\nbreak, \"q\", tab\t, back\\slash, \u0001",)"));
    EXPECT_THAT(written, ::testing::HasSubstr(
                             R"({"between": ["B", "σ \"s\""], "value": -0.25, "space": "U"})"));
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
        strDoc += R"({"type": "NORMAL", "values": {"MEAN": 0, "STDDEV": 1}, "name": ")" + strName +
                  "\"}" + (strName == "d" ? "]}" : ",");
    }
    using Cells = std::map<std::pair<int, int>, std::pair<double, BOOL>>;
    const Cells shown{{{0, 2}, {0.1234567890123, TRUE}}, {{1, 3}, {0.3, FALSE}}};
    const std::string kNext = ",\n    "; // between two entries
    const std::pair<Cells, std::string> cases[] = {
        {{}, ca + kNext + bd},
        {{{{1, 3}, {0.0, FALSE}}},
         ca + kNext + R"({"between": ["b", "d"], "value": 0, "space": "U"})"},
        // A changed value, a changed space, a new pair.
        {{{{0, 2}, {0.2, TRUE}}, {{1, 3}, {0.3, TRUE}}, {{0, 1}, {0.4, TRUE}}},
         R"({"between": ["c", "a"], "value": 0.2, "space": "X"})" + kNext +
             R"({"between": ["b", "d"], "value": 0.3, "space": "X"})" + kNext +
             R"({"between": ["a", "b"], "value": 0.4, "space": "X"})"},
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
                corrs.Add(new SCorr{r, c, pDoc->GetVariable(r), pDoc->GetVariable(c), dValue,
                                    dValue, bXSpace});
            }
        }
        pDoc->ReconcileCorrelations(before, [](double dBefore, double dAfter) {
            return std::abs(dBefore - dAfter) < 1e-13;
        });
        EXPECT_THAT(WriteJsonDocument(*pDoc),
                    ::testing::HasSubstr("\"correlations\": [\n    " + strEntries + "\n  ]"));
    }
}

const char* const kTwoVariables = R"({"variables": [
    {"name": "X", "type": "NORMAL", "values": {"MEAN": 4, "STDDEV": 0.5}},
    {"name": "D", "type": "DISCRETE", "categories": [{"name": "a", "frequency": 1},
                                                     {"name": "b", "frequency": 3}]}],
    "correlations": [{"between": ["D", "X"], "value": 0.25, "space": "U"}]})";

// The value's nBytes low bytes, least significant first, as the binary form stores numbers.
static_assert(std::endian::native == std::endian::little);
std::string LittleEndian(std::uint64_t value, int nBytes) {
    return {reinterpret_cast<const char*>(&value), std::size_t(nBytes)};
}

// The message of the CDocumentError that the call raises, or "" if it raised none.
template <class Fn>
std::string ErrorOf(Fn&& call) {
    try {
        call();
    } catch (const CDocumentError& error) {
        return error.what();
    }
    return "";
}
// The message of the CInputRefused that the call raises, or "" if it raised none.
template <class Fn>
std::string InputRefusalOf(Fn&& call) {
    try {
        call();
    } catch (const CInputRefused& refusal) {
        return refusal.what();
    }
    return "";
}
std::string RefusalOf(const std::string& bytes) {
    return ErrorOf([&] { ReadBinaryDocument(bytes, "doc.svc"); });
}

TEST(BinaryDocument, BytesAreTheHeaderThenFramedVariablesThenCorrelations) {
    const auto pDoc = ReadJsonDocument(kTwoVariables, "two.json");
    const std::string bytes = WriteBinaryDocument(*pDoc);
    // Signature, version 1, an empty description, two variables; the first variable with a
    // new-class tag, schema 0 and its class name, then its own body (name "X", type id 6).
    const std::string head = std::string("STVCOL\r\n") + LittleEndian(1, 2) + LittleEndian(0, 1) +
                             LittleEndian(2, 2) + LittleEndian(0xFFFF, 2) + LittleEndian(0, 2) +
                             LittleEndian(7, 2) + "CNormal" + LittleEndian(1, 1) + "X" +
                             LittleEndian(6, 4);
    EXPECT_EQ(bytes.substr(0, head.size()), head);
    // It ends with the correlation: positions in the order given (D is 1, X is 0), the U-space
    // flag, the U-space value as given and the X-space value that SetCorr derived.
    EXPECT_TRUE(bytes.ends_with(
        LittleEndian(1, 2) + LittleEndian(1, 4) + LittleEndian(0, 8) +
        LittleEndian(std::bit_cast<std::uint64_t>(0.25), 8) +
        LittleEndian(std::bit_cast<std::uint64_t>(pDoc->GetCorrelation(0).dCorrX), 8)));
}

TEST(BinaryDocument, DamagedBytesAreRefused) {
    const std::string bytes = WriteBinaryDocument(*LoadBuiltInExample());
    EXPECT_EQ(RefusalOf(bytes), "");
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        ASSERT_THAT(RefusalOf(bytes.substr(0, n)), ::testing::StartsWith("doc.svc: "))
            << n << " bytes";
    }
    EXPECT_THAT(RefusalOf(bytes.substr(0, bytes.size() / 2)),
                ::testing::HasSubstr(": the binary document is truncated or damaged: "));
    EXPECT_EQ(RefusalOf(bytes + "x"),
              "doc.svc: document: unexpected data after the end of the document");
    std::string damaged = bytes;
    damaged[8] = 3;
    EXPECT_EQ(RefusalOf(damaged),
              "doc.svc: document: unsupported format version 3 (this program reads 1 and 2)");
    damaged[0] = 'X';
    EXPECT_EQ(RefusalOf(damaged),
              "doc.svc: document: not a binary collection document (no signature)");
    // Reading by content takes unsigned bytes for no binary document at all.
    EXPECT_FALSE(FormatFromContents(damaged).has_value());
    EXPECT_EQ(FormatFromContents(bytes), EDocumentFormat::binary);
    EXPECT_EQ(FormatFromContents("\xEF\xBB\xBF  {"), EDocumentFormat::json);
    // Damage names its place: 16 bytes end inside the first variable (the header takes 13).
    std::string stray = WriteBinaryDocument(*ReadJsonDocument(kTwoVariables, "two.json"));
    EXPECT_THAT(RefusalOf(stray.substr(0, 16)), ::testing::StartsWith("doc.svc: variable 1: "));
    // The last entry is int, int, int, double, double: its first position is 28 bytes from the end.
    stray.replace(stray.size() - 28, 4, LittleEndian(7, 4));
    EXPECT_EQ(RefusalOf(stray),
              "doc.svc: correlation 1: it refers to a variable that the document does not hold");
}

TEST(BinaryDocument, StoredValuesGoThroughTheLibrarysChecksAgain) {
    // A change of X or D written as it is and read back; the JSON reader's checks, which share
    // the document builder, are tested through the command-line host.
    const std::pair<std::function<void(CDist&, CDist&, CCollectionDocument&)>, std::string>
        cases[] = {
            {[](CDist& x, CDist&, auto&) { x.SetParamValue(PARAM_STDDEV, -1.0); },
             "X: StdDev is less than (or equal to) 0"},
            {[](CDist& x, CDist&, auto&) {
                 x.SetParamValue(PARAM_MEAN, std::numeric_limits<double>::infinity());
             },
             "X: MEAN is not a finite number"},
            {[](CDist& x, CDist&, auto&) { x.m_nType = DIST_LOGNORMAL; },
             "X: stored as class CNormal but with type id 5 (LOGNORMAL)"},
            {[](CDist& x, CDist&, auto&) { x.m_nType = DIST_COUNT; },
             "X: unknown type id " + std::to_string(DIST_COUNT)},
            {[](CDist& x, CDist&, auto&) { x.m_nParamCombi = 2; }, "X: unknown input type 2"},
            {[](CDist& x, CDist&, auto&) { x.m_nParamCombiCount = 3; },
             "X: stored with 3 input types, the family has 2"},
            {[](CDist&, CDist& d, auto&) { d.m_Probabilities.Add(0.5); },
             "D: the category names, frequencies and probabilities differ in number"},
            {[](CDist&, CDist& d, auto&) { d.m_Frequencies[0] = -1.0; },
             "D: Frequency must be >= 0"},
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
            EXPECT_EQ(ReadBinaryDocument(bytes, "doc.svc")->GetVariable(1)->m_Probabilities[0],
                      0.25);
        }
    }
}

// Read cleanly; each case then changes it the way a host or a script may (N's standard
// deviation is derived from its input, so that a change of it passes the input type's check).
const char* const kReady = R"({"variables": [
    {"name": "N", "type": "NORMAL", "input": "/MEAN/COV", "values": {"MEAN": 4, "COV": 0.125}},
    {"name": "B", "type": "BETA",
     "values": {"MEAN": 5, "STDDEV": 2, "LOWER_BOUND": 0, "UPPER_BOUND": 10}},
    {"name": "D", "type": "DISCRETE", "categories": [{"name": "a", "frequency": 1}]},
    {"name": "U", "type": "UNIFORM", "values": {"LOWER_BOUND": 0, "UPPER_BOUND": 1}}]})";

TEST(ReadinessReport, FindsWhatStopsOpeningOrSampling) {
    using EKind = SReadinessFinding::EKind;
    using Change = std::function<void(CCollectionDocument&)>;
    const auto set = [](int i, int nParam, double d) {
        return [=](CCollectionDocument& doc) { doc.GetVariable(i)->SetParamValue(nParam, d); };
    };
    const auto name = [](int i, const char* psz) {
        return [=](CCollectionDocument& doc) { doc.GetVariable(i)->SetVarName(psz); };
    };
    // The change, what is found, at which variable, "subject: reason", and whether a file
    // written in this state opens again, and whether it can be sampled.
    const std::tuple<Change, EKind, int, const char*, bool, bool> cases[] = {
        {set(0, PARAM_STDDEV, -1), EKind::unsampleable, 0,
         "N: cannot be sampled: the standard deviation -1 is negative", true, false},
        {set(0, PARAM_STDDEV, NAN), EKind::unsampleable, 0,
         "N: cannot be sampled: the standard deviation is not a number", true, false},
        {set(3, PARAM_MEAN, NAN), EKind::unsampleable, 3,
         "U: cannot be sampled: the mean is not a number", true, false},
        // T = (5 - 0)(10 - 5) / 2^2 - 1 = 5.25 and R = S = T / 2 = 2.625 before the change.
        {set(1, PARAM_R, 0), EKind::unsampleable, 1,
         "B: cannot be sampled: the exponents R = 0 and S = 2.625 are not "
         "both positive (with mean 5 on [0, 10] the standard deviation must stay below 5)",
         true, false},
        {set(1, PARAM_LOWER_BOUND, 10), EKind::unsampleable, 1,
         "B: cannot be sampled: the lower bound 10 is not below the upper bound 10", true, false},
        {[](CCollectionDocument& doc) { doc.GetVariable(2)->m_Frequencies.RemoveAll(); },
         EKind::unsampleable, 2, "D: cannot be sampled: it has no categories", true, false},
        {[](CCollectionDocument& doc) { doc.GetVariable(2)->m_Frequencies[0] = 0.0; },
         EKind::unsampleable, 2,
         "D: cannot be sampled: the frequencies of its categories add up to 0", true, false},
        {name(0, "\xE9t\xE9"), EKind::invalidText, 0, "\xE9t\xE9: the name is not valid UTF-8 text",
         false, false},
        {[](CCollectionDocument& doc) { doc.GetVariable(2)->m_CategoryNames[0] = "\xC3("; },
         EKind::invalidText, 2, "D: a category name is not valid UTF-8 text", false, false},
        {name(3, "B"), EKind::duplicateName, 3, "B: another variable has the same name", false,
         false},
        {name(1, ""), EKind::unnamed, 1, "variable 2: the variable has no name", true, true},
        {set(3, PARAM_LOWER_BOUND, 2), EKind::inconsistent, 3,
         "U: Upper bound must be larger than lower bound.", false, false},
        // Over N, B and U (D, between them, takes no part) the later of the entries for N / B gives
        // the determinant 1 - 3 * 0.81 - 2 * 0.729 < 0, the earlier 0.028 > 0; the entry of N with
        // itself is skipped, or N would fail first.
        {[](CCollectionDocument& doc) {
             for (const auto& [a, b, d] :
                  {std::tuple{0, 0, 0.0}, {0, 1, -0.9}, {0, 1, 0.9}, {3, 0, 0.9}, {1, 3, -0.9}}) {
                 doc.GetCollection().m_Corrs.Add(
                     new SCorr{a, b, doc.GetVariable(a), doc.GetVariable(b), d, d, FALSE});
             }
         },
         EKind::indefinite, 3,
         "correlations: cannot be sampled: the correlation matrix is not positive "
         "definite at row 4, variable U (correlated with N and B)",
         true, false},
    };
    for (const auto& [change, kind, nVariable, pszMessage, bOpens, bSamples] : cases) {
        SCOPED_TRACE(pszMessage);
        const auto pDoc = ReadJsonDocument(kReady, "d");
        EXPECT_TRUE(CReadinessReport(*pDoc).GetFindings().empty());
        change(*pDoc);
        const CReadinessReport report(*pDoc);
        ASSERT_EQ(report.GetFindings().size(), 1u);
        const SReadinessFinding& found = report.GetFindings()[0];
        EXPECT_EQ(found.strSubject + ": " + found.strReason, pszMessage);
        EXPECT_TRUE(found.kind == kind && found.nVariable == nVariable) << found.nVariable;
        EXPECT_EQ(std::tuple(report.IsReadyFor(EDocumentUse::open),
                             report.IsReadyFor(EDocumentUse::save),
                             report.IsReadyFor(EDocumentUse::sample)),
                  std::tuple(bOpens, bOpens, bSamples));
        EXPECT_EQ(ErrorOf([&] { report.Require(EDocumentUse::sample, "d"); }),
                  bSamples ? "" : "d: " + std::string(pszMessage));
    }
}

// Variables whose values every check accepts but whose conversion gives nothing usable, one per
// fault: a Weibull DELTA = ALPHA^-BETA that underflows (a large MEAN - LOWER_BOUND with a small
// COV, or a moderate one with a very small COV), no spread from a COV around a mean of 0, a beta
// variable with reversed bounds (its standard deviation comes out as -0.2) or with a spread its
// bounds cannot hold (negative exponents, a negative density), frequencies that add up to 0.
// A document holding one opens and cannot be sampled; the same variable on its own is refused
// with its name and the reason (CReadinessReport::RequireVariable, as the Python module uses it).
TEST(ReadinessReport, RefusesEachVariableThatConvertsToNothingUsable) {
    const auto variable = [](const std::string& strName, const std::string& strType,
                             const std::string& strInput, const std::string& strValues) {
        return R"({"variables": [{"name": ")" + strName + R"(", "type": ")" + strType +
               R"(", "input": ")" + strInput + R"(", "values": {)" + strValues + "}}]}";
    };
    const std::string kCov = "the standard deviation is 0: a COV gives no spread around a mean "
                             "of 0; give STDDEV instead";
    // The document, and the reason as a regular expression (the Weibull shape is the search's).
    const std::pair<std::string, std::string> cases[] = {
        {variable("E", "WEIBULL", "/MEAN/COV/LOWER_BOUND",
                  R"("MEAN": 210e9, "COV": 0.03, "LOWER_BOUND": 0)"),
         R"(DELTA = ALPHA\^-BETA underflows to 0 for MEAN - LOWER_BOUND = 2\.1e\+11 and BETA )"
         R"(= 42\.[0-9]+: rescale the units so that MEAN - LOWER_BOUND is nearer 1)"},
        {variable("W", "WEIBULL", "/MEAN/COV/LOWER_BOUND",
                  R"("MEAN": 5, "COV": 0.002, "LOWER_BOUND": 0)"),
         R"(DELTA = ALPHA\^-BETA underflows to 0 for MEAN - LOWER_BOUND = 5 and BETA = 6[0-9.]+: )"
         R"(rescale the units so that MEAN - LOWER_BOUND is nearer 1)"},
        {variable("G", "GUMBEL", "/MEAN/COV", R"("MEAN": 0, "COV": 0.1)"), kCov},
        {variable("X", "EXPONENTIAL", "/MEAN/COV", R"("MEAN": 0, "COV": 0.1)"), kCov},
        {variable("R", "RAYLEIGH", "/MEAN/COV", R"("MEAN": 0, "COV": 0.1)"), kCov},
        {variable("B", "BETA", "/R/S/LOWER_BOUND/UPPER_BOUND",
                  R"("R": 2, "S": 3, "LOWER_BOUND": 5, "UPPER_BOUND": 4)"),
         "the lower bound 5 is not below the upper bound 4"},
        {variable("B", "BETA", "/MEAN/STDDEV/LOWER_BOUND/UPPER_BOUND",
                  R"("MEAN": 5, "STDDEV": 6, "LOWER_BOUND": 0, "UPPER_BOUND": 10)"),
         R"(the exponents R = -0\.1527777777777778 and S = -0\.1527777777777778 are not both )"
         R"(positive \(with mean 5 on \[0, 10\] the standard deviation must stay below 5\))"},
        {R"({"variables": [{"name": "D", "type": "DISCRETE", "categories": [
            {"name": "a", "frequency": 0}, {"name": "b", "frequency": 0}]}]})",
         "the frequencies of its categories add up to 0"},
    };
    for (const auto& [strDoc, strReason] : cases) {
        SCOPED_TRACE(strDoc);
        const auto pDoc = ReadJsonDocument(strDoc, "d");
        const CReadinessReport report(*pDoc);
        ASSERT_EQ(report.GetFindings().size(), 1u);
        const SReadinessFinding& found = report.GetFindings()[0];
        const std::string strName = pDoc->GetVariable(0)->m_strVarName.str();
        EXPECT_THAT(found.strSubject + ": " + found.strReason,
                    ::testing::MatchesRegex(strName + ": cannot be sampled: " + strReason));
        EXPECT_TRUE(report.IsReadyFor(EDocumentUse::open) &&
                    !report.IsReadyFor(EDocumentUse::sample));
        EXPECT_EQ(InputRefusalOf([&] { CReadinessReport::RequireVariable(*pDoc->GetVariable(0)); }),
                  found.strSubject + ": " + found.strReason);
    }
    // Without a name the reason stands alone; a usable variable passes.
    const auto pDoc = ReadJsonDocument(kReady, "d");
    CDist& N = *pDoc->GetVariable(0);
    N.SetVarName("");
    EXPECT_EQ(InputRefusalOf([&] { CReadinessReport::RequireVariable(N); }), "");
    N.SetParamValue(PARAM_STDDEV, -1.0);
    EXPECT_EQ(InputRefusalOf([&] { CReadinessReport::RequireVariable(N); }),
              "cannot be sampled: the standard deviation -1 is negative");
}

// What the fuzz targets (fuzz/) found the readers failing on, one row each, with what reading
// gives now.
TEST(FuzzFindings, ReadingEndsWithTheDocumentOrItsRefusal) {
    // Beta exponents that are not finite (a standard deviation of 1e-300 makes R infinite): the
    // mapping of a correlation through the variable never ended (found in binary form, with a
    // description that is not UTF-8). The variable cannot be sampled, so the entry is kept as
    // given, unmapped, and reported once, with the variable; both forms read back alike.
    const auto beta = [](const std::string& strCorrelation) {
        return R"({"variables": [{"name": "B", "type": "BETA", "values": {"MEAN": 0.12,
            "STDDEV": 1e-300, "LOWER_BOUND": 0, "UPPER_BOUND": 0.5}},
            {"name": "N", "type": "NORMAL", "values": {"MEAN": 1, "STDDEV": 2}}],
            "correlations": [{"between": ["N", "B"], )" +
               strCorrelation + "}]}";
    };
    const auto text = [](double d) {
        return std::isnan(d) ? std::string("nan") : FormatShortest(d);
    };
    // The correlation, and the entry read: its X- and U-space values.
    const std::pair<std::string, std::string> cases[] = {
        {R"("value": 0.3, "space": "U")", "nan 0.3"},
        {R"("value": -0.5, "space": "X")", "-0.5 nan"},
    };
    for (const auto& [strCorrelation, strEntry] : cases) {
        SCOPED_TRACE(strCorrelation);
        const auto pDoc = ReadJsonDocument(beta(strCorrelation), "doc.json");
        const SCorr& corr = pDoc->GetCorrelation(0);
        EXPECT_EQ(text(corr.dCorrX) + " " + text(corr.dCorrU), strEntry);
        const CReadinessReport report(*pDoc);
        ASSERT_EQ(report.GetFindings().size(), 1u);
        EXPECT_THAT(report.GetFindings()[0].strReason,
                    ::testing::StartsWith("cannot be sampled: the exponents R = inf"));
        EXPECT_EQ(WriteJsonDocument(*ReadBinaryDocument(WriteBinaryDocument(*pDoc), "doc.svc")),
                  WriteJsonDocument(*pDoc));
        pDoc->m_strDescription = "\xFF";
        EXPECT_EQ(RefusalOf(WriteBinaryDocument(*pDoc)),
                  "doc.svc: document: the description is not valid UTF-8 text");
    }
}

} // namespace
} // namespace stochvar::test
