// The readiness report: states that the library accepts but that cannot be sampled (or that no
// document can hold), each found with its subject and the uses it stops.

#include <stochvar/documents/DocumentError.h>
#include <stochvar/documents/JsonDocument.h>
#include <stochvar/documents/ReadinessReport.h>

#include <stochvar/model/Dist.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace stochvar::test {
namespace {

// Read cleanly; each case then changes one variable the way a host or a script may.
const char* const kReady = R"({"variables": [
    {"name": "N", "type": "NORMAL", "values": {"MEAN": 4, "STDDEV": 0.5}},
    {"name": "B", "type": "BETA", "values": {"MEAN": 5, "STDDEV": 2, "LOWER_BOUND": 0,
                                             "UPPER_BOUND": 10}},
    {"name": "D", "type": "DISCRETE", "categories": [{"name": "a", "frequency": 1}]}]})";

TEST(ReadinessReport, FindsWhatCannotBeSampledOrWritten) {
    using EKind = SReadinessFinding::EKind;
    struct SCase {
        const char* pszWhat;
        std::function<void(CCollectionDocument&)> change;
        EKind kind;
        const char* pszMessage;
    };
    const double dNaN = std::nan("");
    const SCase cases[] = {
        {"negative standard deviation",
         [](CCollectionDocument& doc) { doc.GetVariable(0)->SetParamValue(PARAM_STDDEV, -1.0); },
         EKind::unsampleable, "d: N: cannot be sampled: the standard deviation -1 is negative"},
        {"standard deviation not a number",
         [&](CCollectionDocument& doc) { doc.GetVariable(0)->SetParamValue(PARAM_STDDEV, dNaN); },
         EKind::unsampleable, "d: N: cannot be sampled: the standard deviation is not a number"},
        {"mean not a number",
         [&](CCollectionDocument& doc) { doc.GetVariable(0)->SetParamValue(PARAM_MEAN, dNaN); },
         EKind::unsampleable, "d: N: cannot be sampled: the mean is not a number"},
        // T = (5 - 0)(10 - 5) / 2^2 - 1 = 5.25 and R = S = T / 2 = 2.625 before the change.
        {"beta exponent zero",
         [](CCollectionDocument& doc) { doc.GetVariable(1)->SetParamValue(PARAM_R, 0.0); },
         EKind::unsampleable,
         "d: B: cannot be sampled: the exponents R = 0 and S = 2.625 are not "
         "both positive (with mean 5 on [0, 10] the standard deviation must "
         "stay below 5)"},
        {"beta bounds equal",
         [](CCollectionDocument& doc) { doc.GetVariable(1)->SetParamValue(PARAM_LOWER_BOUND, 10); },
         EKind::unsampleable,
         "d: B: cannot be sampled: the lower bound 10 is not below the upper bound 10"},
        {"no categories",
         [](CCollectionDocument& doc) { doc.GetVariable(2)->m_Frequencies.RemoveAll(); },
         EKind::unsampleable, "d: D: cannot be sampled: it has no categories"},
        {"frequencies adding up to 0",
         [](CCollectionDocument& doc) { doc.GetVariable(2)->m_Frequencies[0] = 0.0; },
         EKind::unsampleable,
         "d: D: cannot be sampled: the frequencies of its categories add up to 0"},
        {"name not UTF-8",
         [](CCollectionDocument& doc) { doc.GetVariable(0)->SetVarName("\xE9t\xE9"); },
         EKind::invalidText, "d: \xE9t\xE9: the name is not valid UTF-8 text"},
    };
    for (const SCase& finding : cases) {
        SCOPED_TRACE(finding.pszWhat);
        const auto pDoc = ReadJsonDocument(kReady, "d");
        EXPECT_TRUE(CReadinessReport(*pDoc).GetFindings().empty());
        finding.change(*pDoc);
        const CReadinessReport report(*pDoc);
        ASSERT_EQ(report.GetFindings().size(), 1u);
        EXPECT_EQ(report.GetFindings()[0].kind, finding.kind);
        // Sampling is stopped by every finding; opening and saving only by text that no
        // document can hold.
        const bool bText = finding.kind == EKind::invalidText;
        EXPECT_FALSE(report.IsReadyFor(EDocumentUse::sample));
        EXPECT_EQ(report.IsReadyFor(EDocumentUse::open), !bText);
        EXPECT_EQ(report.IsReadyFor(EDocumentUse::save), !bText);
        try {
            report.Require(EDocumentUse::sample, "d");
            ADD_FAILURE() << "not refused";
        } catch (const CDocumentError& error) {
            EXPECT_STREQ(error.what(), finding.pszMessage);
        }
    }
}

} // namespace
} // namespace stochvar::test
