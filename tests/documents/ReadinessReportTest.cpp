// The readiness report: states that the library accepts but that cannot be sampled, that no
// document can hold, or that reading would refuse, each with its subject and the uses it stops.

#include <stochvar/documents/DocumentError.h>
#include <stochvar/documents/JsonDocument.h>
#include <stochvar/documents/ReadinessReport.h>

#include <stochvar/model/Dist.h>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <tuple>

namespace stochvar::test {
namespace {

// Read cleanly; each case then changes it the way a host or a script may (N's standard
// deviation is derived from its input, so that a change of it passes the input type's check).
const char* const kReady = R"({"variables": [
    {"name": "N", "type": "NORMAL", "input": "/MEAN/COV", "values": {"MEAN": 4, "COV": 0.125}},
    {"name": "B", "type": "BETA", "values": {"MEAN": 5, "STDDEV": 2, "LOWER_BOUND": 0, "UPPER_BOUND": 10}},
    {"name": "D", "type": "DISCRETE", "categories": [{"name": "a", "frequency": 1}]},
    {"name": "U", "type": "UNIFORM", "values": {"LOWER_BOUND": 0, "UPPER_BOUND": 1}}]})";

TEST(ReadinessReport, FindsWhatStopsOpeningOrSampling) {
    using EKind = SReadinessFinding::EKind;
    using Change = std::function<void(CCollectionDocument&)>;
    const auto set = [](int i, int nParam, double d) -> Change {
        return [=](CCollectionDocument& doc) { doc.GetVariable(i)->SetParamValue(nParam, d); };
    };
    const auto name = [](int i, const char* psz) -> Change {
        return [=](CCollectionDocument& doc) { doc.GetVariable(i)->SetVarName(psz); };
    };
    // The change, what is found, at which variable, "subject: reason", and whether a file
    // written in this state opens again, and whether it can be sampled.
    const std::tuple<Change, EKind, int, const char*, bool, bool> cases[] = {
        {set(0, PARAM_STDDEV, -1), EKind::unsampleable, 0, "N: cannot be sampled: the standard deviation -1 is negative", true, false},
        {set(0, PARAM_STDDEV, NAN), EKind::unsampleable, 0, "N: cannot be sampled: the standard deviation is not a number", true, false},
        {set(3, PARAM_MEAN, NAN), EKind::unsampleable, 3, "U: cannot be sampled: the mean is not a number", true, false},
        // T = (5 - 0)(10 - 5) / 2^2 - 1 = 5.25 and R = S = T / 2 = 2.625 before the change.
        {set(1, PARAM_R, 0), EKind::unsampleable, 1, "B: cannot be sampled: the exponents R = 0 and S = 2.625 are not "
         "both positive (with mean 5 on [0, 10] the standard deviation must stay below 5)", true, false},
        {set(1, PARAM_LOWER_BOUND, 10), EKind::unsampleable, 1,
         "B: cannot be sampled: the lower bound 10 is not below the upper bound 10", true, false},
        {[](CCollectionDocument& doc) { doc.GetVariable(2)->m_Frequencies.RemoveAll(); }, EKind::unsampleable, 2,
         "D: cannot be sampled: it has no categories", true, false},
        {[](CCollectionDocument& doc) { doc.GetVariable(2)->m_Frequencies[0] = 0.0; }, EKind::unsampleable, 2,
         "D: cannot be sampled: the frequencies of its categories add up to 0", true, false},
        {name(0, "\xE9t\xE9"), EKind::invalidText, 0, "\xE9t\xE9: the name is not valid UTF-8 text", false, false},
        {[](CCollectionDocument& doc) { doc.GetVariable(2)->m_CategoryNames[0] = "\xC3("; }, EKind::invalidText, 2,
         "D: a category name is not valid UTF-8 text", false, false},
        {name(3, "B"), EKind::duplicateName, 3, "B: another variable has the same name", false, false},
        {name(1, ""), EKind::unnamed, 1, "variable 2: the variable has no name", true, true},
        {set(3, PARAM_LOWER_BOUND, 2), EKind::inconsistent, 3, "U: Upper bound must be larger than lower bound.", false, false},
        // Over N, B and U (D, between them, takes no part) the later of the entries for N / B gives
        // the determinant 1 - 3 * 0.81 - 2 * 0.729 < 0, the earlier 0.028 > 0; the entry of N with
        // itself is skipped, or N would fail first.
        {[](CCollectionDocument& doc) {
             for (const auto& [a, b, d] : {std::tuple{0, 0, 0.0}, {0, 1, -0.9}, {0, 1, 0.9}, {3, 0, 0.9}, {1, 3, -0.9}}) {
                 doc.GetCollection().m_Corrs.Add(new SCorr{a, b, doc.GetVariable(a), doc.GetVariable(b), d, d, FALSE});
             }
         }, EKind::indefinite, 3, "correlations: cannot be sampled: the correlation matrix is not positive "
         "definite at row 4, variable U (correlated with N and B)", true, false},
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
        EXPECT_EQ(std::tuple(report.IsReadyFor(EDocumentUse::open), report.IsReadyFor(EDocumentUse::save),
                             report.IsReadyFor(EDocumentUse::sample)), std::tuple(bOpens, bOpens, bSamples));
        std::string strRefusal;
        try {
            report.Require(EDocumentUse::sample, "d");
        } catch (const CDocumentError& error) {
            strRefusal = error.what();
        }
        EXPECT_EQ(strRefusal, bSamples ? "" : "d: " + std::string(pszMessage));
    }
}

} // namespace
} // namespace stochvar::test
