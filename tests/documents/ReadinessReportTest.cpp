// The readiness report: states that the library accepts but that cannot be sampled, that no
// document can hold, or that reading would refuse, each found with its subject and the uses it
// stops; and the quiet factorisation behind the correlation finding against the simulation's.

#include <stochvar/documents/DocumentError.h>
#include <stochvar/documents/IndefiniteRow.h>
#include <stochvar/documents/JsonDocument.h>
#include <stochvar/documents/MessageCapture.h>
#include <stochvar/documents/ReadinessReport.h>

#include <stochvar/model/Dist.h>
#include <stochvar/numerics/ExOr.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <random>

namespace stochvar::test {
namespace {

// Read cleanly; each case then changes one variable the way a host or a script may (N's
// standard deviation is derived from its input, so that a change of it passes the input type's
// check).
const char* const kReady = R"({"variables": [
    {"name": "N", "type": "NORMAL", "input": "/MEAN/COV", "values": {"MEAN": 4, "COV": 0.125}},
    {"name": "B", "type": "BETA", "values": {"MEAN": 5, "STDDEV": 2, "LOWER_BOUND": 0,
                                             "UPPER_BOUND": 10}},
    {"name": "D", "type": "DISCRETE", "categories": [{"name": "a", "frequency": 1}]},
    {"name": "U", "type": "UNIFORM", "values": {"LOWER_BOUND": 0, "UPPER_BOUND": 1}}]})";

void CorrelateInUSpace(CCollectionDocument& doc, int nFirst, int nSecond, double dValue) {
    doc.GetCollection().SetCorr(doc.GetVariable(nFirst), doc.GetVariable(nSecond), dValue, FALSE);
}

TEST(ReadinessReport, FindsWhatStopsOpeningOrSampling) {
    using EKind = SReadinessFinding::EKind;
    struct SCase {
        const char* pszWhat;
        std::function<void(CCollectionDocument&)> change;
        EKind kind;
        int nVariable;
        const char* pszMessage; // subject: reason
        bool bOpens;            // a file written in this state opens again
        bool bSamples;
    };
    const double dNaN = std::nan("");
    const SCase cases[] = {
        {"negative standard deviation",
         [](CCollectionDocument& doc) { doc.GetVariable(0)->SetParamValue(PARAM_STDDEV, -1.0); },
         EKind::unsampleable, 0, "N: cannot be sampled: the standard deviation -1 is negative",
         true, false},
        {"standard deviation not a number",
         [&](CCollectionDocument& doc) { doc.GetVariable(0)->SetParamValue(PARAM_STDDEV, dNaN); },
         EKind::unsampleable, 0, "N: cannot be sampled: the standard deviation is not a number",
         true, false},
        {"mean not a number",
         [&](CCollectionDocument& doc) { doc.GetVariable(3)->SetParamValue(PARAM_MEAN, dNaN); },
         EKind::unsampleable, 3, "U: cannot be sampled: the mean is not a number", true, false},
        // T = (5 - 0)(10 - 5) / 2^2 - 1 = 5.25 and R = S = T / 2 = 2.625 before the change.
        {"beta exponent zero",
         [](CCollectionDocument& doc) { doc.GetVariable(1)->SetParamValue(PARAM_R, 0.0); },
         EKind::unsampleable, 1,
         "B: cannot be sampled: the exponents R = 0 and S = 2.625 are not "
         "both positive (with mean 5 on [0, 10] the standard deviation must "
         "stay below 5)",
         true, false},
        {"beta bounds equal",
         [](CCollectionDocument& doc) { doc.GetVariable(1)->SetParamValue(PARAM_LOWER_BOUND, 10); },
         EKind::unsampleable, 1,
         "B: cannot be sampled: the lower bound 10 is not below the upper bound 10", true, false},
        {"no categories",
         [](CCollectionDocument& doc) { doc.GetVariable(2)->m_Frequencies.RemoveAll(); },
         EKind::unsampleable, 2, "D: cannot be sampled: it has no categories", true, false},
        {"frequencies adding up to 0",
         [](CCollectionDocument& doc) { doc.GetVariable(2)->m_Frequencies[0] = 0.0; },
         EKind::unsampleable, 2,
         "D: cannot be sampled: the frequencies of its categories add up to 0", true, false},
        {"name not UTF-8",
         [](CCollectionDocument& doc) { doc.GetVariable(0)->SetVarName("\xE9t\xE9"); },
         EKind::invalidText, 0, "\xE9t\xE9: the name is not valid UTF-8 text", false, false},
        {"name of an earlier variable",
         [](CCollectionDocument& doc) { doc.GetVariable(3)->SetVarName("B"); },
         EKind::duplicateName, 3, "B: another variable has the same name", false, false},
        {"no name", [](CCollectionDocument& doc) { doc.GetVariable(1)->SetVarName(""); },
         EKind::unnamed, 1, "variable 2: the variable has no name", true, true},
        {"values that fail their input type's check",
         [](CCollectionDocument& doc) { doc.GetVariable(3)->SetParamValue(PARAM_LOWER_BOUND, 2); },
         EKind::inconsistent, 3, "U: Upper bound must be larger than lower bound.", false, false},
        // The leading 3 x 3 block over N, B and U has determinant 1 - 3 * 0.81 - 2 * 0.729 < 0;
        // D, between them, takes no part.
        {"correlation matrix not positive definite",
         [](CCollectionDocument& doc) {
             CorrelateInUSpace(doc, 0, 1, 0.9);
             CorrelateInUSpace(doc, 3, 0, 0.9);
             CorrelateInUSpace(doc, 1, 3, -0.9);
         },
         EKind::indefinite, 3,
         "correlations: cannot be sampled: the correlation matrix is not positive definite at "
         "row 4, variable U (correlated with N and B)",
         true, false},
    };
    for (const SCase& finding : cases) {
        SCOPED_TRACE(finding.pszWhat);
        const auto pDoc = ReadJsonDocument(kReady, "d");
        EXPECT_TRUE(CReadinessReport(*pDoc).GetFindings().empty());
        finding.change(*pDoc);
        const CReadinessReport report(*pDoc);
        ASSERT_EQ(report.GetFindings().size(), 1u);
        const SReadinessFinding& found = report.GetFindings()[0];
        EXPECT_EQ(found.kind, finding.kind);
        EXPECT_EQ(found.nVariable, finding.nVariable);
        EXPECT_EQ(found.strSubject + ": " + found.strReason, finding.pszMessage);
        EXPECT_EQ(report.IsReadyFor(EDocumentUse::open), finding.bOpens);
        EXPECT_EQ(report.IsReadyFor(EDocumentUse::save), finding.bOpens);
        EXPECT_EQ(report.IsReadyFor(EDocumentUse::sample), finding.bSamples);
        if (!finding.bSamples) {
            try {
                report.Require(EDocumentUse::sample, "d");
                ADD_FAILURE() << "not refused";
            } catch (const CDocumentError& error) {
                EXPECT_EQ(error.what(), "d: " + std::string(finding.pszMessage));
            }
        }
    }
}

// The row at which the simulation's own factorisation fails, from its error message; -1 when
// the run was prepared.
int SimulationIndefiniteRow(CDistCollection& collection) {
    CMessageCapture capture;
    CExOr generator;
    collection.InitSimulation(1, FALSE, &generator, nullptr);
    const std::vector<SHostMessage> messages = capture.TakeMessages();
    if (collection.m_bInitialized != 0) {
        EXPECT_TRUE(messages.empty());
        return -1;
    }
    int nRow = -2;
    EXPECT_EQ(messages.size(), 1u);
    if (!messages.empty()) {
        EXPECT_EQ(std::sscanf(messages[0].text.c_str(),
                              "Negative definit correlation matrix starting at row %d", &nRow),
                  1);
    }
    return nRow;
}

TEST(IndefiniteRow, FailsAtTheSameRowAsTheSimulation) {
    // Seven variables; random entries in U-space between some pairs (also repeated pairs, where
    // the later entry counts, and pairs of a variable with itself, which are skipped), many of
    // them close to the edge of definiteness.
    const auto pDoc = ReadJsonDocument(R"({"variables": [
        {"name": "A", "type": "NORMAL", "values": {"MEAN": 0, "STDDEV": 1}},
        {"name": "B", "type": "NORMAL", "values": {"MEAN": 0, "STDDEV": 1}},
        {"name": "C", "type": "NORMAL", "values": {"MEAN": 0, "STDDEV": 1}},
        {"name": "D", "type": "NORMAL", "values": {"MEAN": 0, "STDDEV": 1}},
        {"name": "E", "type": "NORMAL", "values": {"MEAN": 0, "STDDEV": 1}},
        {"name": "F", "type": "NORMAL", "values": {"MEAN": 0, "STDDEV": 1}},
        {"name": "G", "type": "NORMAL", "values": {"MEAN": 0, "STDDEV": 1}}]})",
                                       "d");
    CDistCollection& collection = pDoc->GetCollection();
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> variable(0, 6);
    std::uniform_int_distribution<int> entryCount(1, 9);
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    int nIndefinite = 0;
    for (int nTrial = 0; nTrial < 2000; ++nTrial) {
        for (SCorr* pCorr : collection.m_Corrs) {
            delete pCorr;
        }
        collection.m_Corrs.RemoveAll();
        const int nEntries = entryCount(random);
        for (int k = 0; k < nEntries; ++k) {
            auto* pCorr = new SCorr;
            pCorr->nIndex1 = variable(random);
            pCorr->nIndex2 = variable(random);
            pCorr->dCorrU = value(random);
            collection.m_Corrs.Add(pCorr);
        }
        const int nRow = FindIndefiniteRow(collection);
        ASSERT_EQ(nRow, SimulationIndefiniteRow(collection)) << "trial " << nTrial;
        nIndefinite += nRow >= 0 ? 1 : 0;
    }
    // Both outcomes are exercised.
    EXPECT_GT(nIndefinite, 200);
    EXPECT_LT(nIndefinite, 1800);
}

} // namespace
} // namespace stochvar::test
