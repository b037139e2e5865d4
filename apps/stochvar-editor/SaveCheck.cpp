#include "stochvar-editor/SaveCheck.h"

#include <stochvar/documents/DocumentError.h>
#include <stochvar/documents/ReadinessReport.h>
#include <stochvar/numerics/NumberText.h>

#include <algorithm>
#include <memory>

namespace stochvar {

namespace {

// How the read-back names the file in its messages; the problems leave it out.
constexpr std::string_view kSource = "the file";

double GivenValue(const SCorr& corr) { return corr.bXSpace != 0 ? corr.dCorrX : corr.dCorrU; }

std::string WithoutSource(std::string strMessage) {
    const std::string strPrefix = std::string(kSource) + ": ";
    if (strMessage.starts_with(strPrefix)) {
        strMessage.erase(0, strPrefix.size());
    }
    return strMessage;
}

// The variable that a message "subject: reason" is about: the subject is the variable itself or a
// correlation that names it first. The longest subject wins, so that a name that begins with
// another's is not taken for it.
int VariableOfMessage(const CCollectionDocument& doc, const std::string& strText) {
    int nFound = -1;
    std::size_t nLongest = 0;
    for (int i = 0; i < doc.GetVariableCount(); ++i) {
        const CDist* pDist = doc.GetVariable(i);
        if (pDist == nullptr) {
            continue;
        }
        const std::string strSubject = VariableSubject(*pDist, i);
        for (const std::string& strPrefix :
             {strSubject + ": ", "correlation " + strSubject + " / "}) {
            if (strText.starts_with(strPrefix) && strPrefix.size() > nLongest) {
                nFound = i;
                nLongest = strPrefix.size();
            }
        }
    }
    return nFound;
}

} // namespace

CSaveCheck::CSaveCheck(const CCollectionDocument& doc, const std::vector<SCorr>& correlationsBefore,
                       EDocumentFormat format) {
    CheckCorrected(doc, correlationsBefore);
    CheckReadBack(doc, format);
}

bool CSaveCheck::WillOpen() const {
    return std::none_of(m_problems.begin(), m_problems.end(),
                        [](const SSaveProblem& problem) { return problem.bStopsOpening; });
}

const SSaveProblem* CSaveCheck::GetFirstToShow() const {
    const auto stops = std::find_if(m_problems.begin(), m_problems.end(), [](const auto& p) {
        return p.bStopsOpening && p.nVariable >= 0;
    });
    if (stops != m_problems.end()) {
        return &*stops;
    }
    const auto any = std::find_if(m_problems.begin(), m_problems.end(),
                                  [](const auto& p) { return p.nVariable >= 0; });
    return any != m_problems.end() ? &*any : nullptr;
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

void CSaveCheck::CheckReadBack(const CCollectionDocument& doc, EDocumentFormat format) {
    std::unique_ptr<CCollectionDocument> pRead;
    try {
        pRead = ReadDocument(WriteDocument(doc, format), std::string(kSource));
    } catch (const CDocumentError& refusal) {
        Add(doc, WithoutSource(refusal.what()), true);
    }
    if (pRead != nullptr) {
        for (const std::string& strWarning : pRead->m_warnings) {
            Add(doc, WithoutSource(strWarning), false);
        }
    }
    // Reading stops at its first refusal; the findings of the document as it stands name the
    // other variables that need a repair (what they say about sampling comes from values that
    // cannot be saved, and is left out). Read back, the document is what opening it would show.
    const CReadinessReport report(pRead != nullptr ? *pRead : doc);
    for (const SReadinessFinding& finding : report.GetFindings()) {
        if (pRead == nullptr && CReadinessReport::Stops(finding.kind, EDocumentUse::sample) &&
            !CReadinessReport::Stops(finding.kind, EDocumentUse::open)) {
            continue;
        }
        std::string strText = finding.strSubject + ": " + finding.strReason;
        if (std::none_of(m_problems.begin(), m_problems.end(),
                         [&](const SSaveProblem& p) { return p.strText == strText; })) {
            m_problems.push_back({std::move(strText), finding.nVariable,
                                  CReadinessReport::Stops(finding.kind, EDocumentUse::open)});
        }
    }
}

void CSaveCheck::Add(const CCollectionDocument& doc, std::string strText, bool bStopsOpening) {
    const int nVariable = VariableOfMessage(doc, strText);
    m_problems.push_back({std::move(strText), nVariable, bStopsOpening});
}

} // namespace stochvar
