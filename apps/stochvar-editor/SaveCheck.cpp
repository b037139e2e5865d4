#include "stochvar-editor/SaveCheck.h"

#include <stochvar/documents/ReadinessReport.h>
#include <stochvar/numerics/NumberText.h>

#include <algorithm>

namespace stochvar {

namespace {

double GivenValue(const SCorr& corr) { return corr.bXSpace != 0 ? corr.dCorrX : corr.dCorrU; }

} // namespace

CSaveCheck::CSaveCheck(const CCollectionDocument& doc,
                       const std::vector<SCorr>& correlationsBefore) {
    CheckCorrected(doc, correlationsBefore);
    const CReadinessReport report(doc);
    for (const SReadinessFinding& finding : report.GetFindings()) {
        m_problems.push_back({finding.strSubject + ": " + finding.strReason, finding.nVariable,
                              CReadinessReport::Stops(finding.kind, EDocumentUse::open)});
    }
}

bool CSaveCheck::WillOpen() const {
    return std::none_of(m_problems.begin(), m_problems.end(),
                        [](const SSaveProblem& problem) { return problem.bStopsOpening; });
}

void CSaveCheck::CheckCorrected(const CCollectionDocument& doc, const std::vector<SCorr>& before) {
    // Confirming checks the entries in place, in list order.
    const int nCount = std::min(doc.GetCorrelationCount(), static_cast<int>(before.size()));
    for (int k = 0; k < nCount; ++k) {
        const SCorr& now = doc.GetCorrelation(k);
        const double dBefore = GivenValue(before[static_cast<std::size_t>(k)]);
        int nFirst = 0;
        int nSecond = 0;
        if (GivenValue(now) == dBefore || !doc.GetCorrelationPair(k, nFirst, nSecond)) {
            continue;
        }
        const std::string strSubject =
            CorrelationSubject(VariableSubject(*doc.GetVariable(nFirst), nFirst),
                               VariableSubject(*doc.GetVariable(nSecond), nSecond));
        m_problems.push_back({strSubject + ": the X-space value " + FormatShortest(dBefore) +
                                  " was corrected to " + FormatShortest(GivenValue(now)) +
                                  ", the nearest value that the pair admits",
                              nFirst, false});
    }
}

} // namespace stochvar
