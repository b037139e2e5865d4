#include <stochvar/documents/ReadinessReport.h>

#include <stochvar/documents/DocumentBuilder.h>
#include <stochvar/documents/DocumentError.h>
#include <stochvar/documents/IndefiniteRow.h>
#include <stochvar/documents/InputEntry.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <unordered_set>

namespace stochvar {

namespace {

constexpr const char* kCannotSample = "cannot be sampled: ";

} // namespace

CReadinessReport::CReadinessReport(const CCollectionDocument& doc) {
    CheckText(doc);
    CheckNames(doc);
    for (int i = 0; i < doc.GetVariableCount(); ++i) {
        if (CDist* pDist = doc.GetVariable(i)) {
            for (SReadinessFinding& finding :
                 CheckVariable(*pDist, i, VariableSubject(*pDist, i))) {
                m_findings.push_back(std::move(finding));
            }
        }
    }
    CheckCorrelations(doc);
}

bool CReadinessReport::Stops(SReadinessFinding::EKind kind, EDocumentUse use) {
    switch (kind) {
    case SReadinessFinding::EKind::invalidText:
    case SReadinessFinding::EKind::duplicateName:
    case SReadinessFinding::EKind::inconsistent:
        return true;
    case SReadinessFinding::EKind::unnamed:
        return false;
    case SReadinessFinding::EKind::unsampleable:
    case SReadinessFinding::EKind::indefinite:
        return use == EDocumentUse::sample;
    }
    return true;
}

bool CReadinessReport::IsReadyFor(EDocumentUse use) const {
    return std::none_of(
        m_findings.begin(), m_findings.end(),
        [use](const SReadinessFinding& finding) { return Stops(finding.kind, use); });
}

void CReadinessReport::Require(EDocumentUse use, const std::string& strSource) const {
    for (const SReadinessFinding& finding : m_findings) {
        if (Stops(finding.kind, use)) {
            throw CDocumentError(strSource, finding.strSubject, finding.strReason);
        }
    }
}

void CReadinessReport::CheckText(const CCollectionDocument& doc) {
    constexpr auto kText = SReadinessFinding::EKind::invalidText;
    if (!IsValidUtf8(doc.m_strDescription)) {
        Add(kText, -1, "document", "the description is not valid UTF-8 text");
    }
    for (int i = 0; i < doc.GetVariableCount(); ++i) {
        const CDist* pDist = doc.GetVariable(i);
        if (pDist == nullptr) {
            continue;
        }
        const std::string strSubject = VariableSubject(*pDist, i);
        if (!IsValidUtf8(pDist->m_strVarName.str())) {
            Add(kText, i, strSubject, "the name is not valid UTF-8 text");
        }
        if (std::any_of(pDist->m_CategoryNames.begin(), pDist->m_CategoryNames.end(),
                        [](const CString& strName) { return !IsValidUtf8(strName.str()); })) {
            Add(kText, i, strSubject, "a category name is not valid UTF-8 text");
        }
    }
}

void CReadinessReport::CheckNames(const CCollectionDocument& doc) {
    std::unordered_set<std::string> names;
    for (int i = 0; i < doc.GetVariableCount(); ++i) {
        const CDist* pDist = doc.GetVariable(i);
        if (pDist == nullptr) {
            continue;
        }
        const std::string strSubject = VariableSubject(*pDist, i);
        if (pDist->m_strVarName.IsEmpty()) {
            Add(SReadinessFinding::EKind::unnamed, i, strSubject, "the variable has no name");
        }
        // Reading takes the first variable of a name and refuses any later one.
        if (!names.insert(pDist->m_strVarName.str()).second) {
            Add(SReadinessFinding::EKind::duplicateName, i, strSubject,
                "another variable has the same name");
        }
    }
}

std::vector<SReadinessFinding> CReadinessReport::CheckVariable(CDist& dist, int nVariable,
                                                               const std::string& strSubject) {
    CDistStatus status = dist.CheckCombination(dist.m_nParamCombi);
    if (!status.IsOk()) {
        // Values that fail their own check say nothing reliable about sampling.
        return {{SReadinessFinding::EKind::inconsistent, strSubject, status.m_strMessage.str(),
                 nVariable}};
    }
    std::vector<SReadinessFinding> findings;
    CStringArray reasons;
    dist.ListSamplingObstacles(reasons);
    for (const CString& strReason : reasons) {
        findings.push_back({SReadinessFinding::EKind::unsampleable, strSubject,
                            std::string(kCannotSample) + strReason.str(), nVariable});
    }
    return findings;
}

bool CanBeSampled(const CDist& dist) {
    CStringArray reasons;
    dist.ListSamplingObstacles(reasons);
    return reasons.IsEmpty();
}

void CReadinessReport::RequireVariable(CDist& dist) {
    const std::string strName = dist.m_strVarName.str();
    const std::vector<SReadinessFinding> findings = CheckVariable(dist, -1, strName);
    if (!findings.empty()) {
        throw CInputRefused((strName.empty() ? "" : strName + ": ") + findings.front().strReason);
    }
}

void CReadinessReport::CheckCorrelations(const CCollectionDocument& doc) {
    // An entry of a variable that cannot be sampled was not mapped (its U-space value may be not
    // a number); that variable is reported already, and the matrix has no meaning without it.
    for (int k = 0; k < doc.GetCorrelationCount(); ++k) {
        if (std::isnan(doc.GetCorrelation(k).dCorrU)) {
            return;
        }
    }
    const int nRow = FindIndefiniteRow(doc.GetCollection());
    const CDist* pDist = doc.GetVariable(nRow);
    if (pDist == nullptr) {
        return;
    }
    // The row's variable and the earlier ones it is correlated with: the factorisation has used
    // nothing else by the time it fails.
    std::vector<std::string> partners;
    for (int k = 0; k < doc.GetCorrelationCount(); ++k) {
        const SCorr& corr = doc.GetCorrelation(k);
        const int nOther = corr.nIndex1 == nRow ? corr.nIndex2 : corr.nIndex1;
        if ((corr.nIndex1 == nRow || corr.nIndex2 == nRow) && nOther >= 0 && nOther < nRow &&
            corr.dCorrU != 0.0 && doc.GetVariable(nOther) != nullptr) {
            partners.push_back(VariableSubject(*doc.GetVariable(nOther), nOther));
        }
    }
    std::string strPartners;
    for (std::size_t i = 0; i < partners.size(); ++i) {
        strPartners += (i == 0 ? "" : i + 1 == partners.size() ? " and " : ", ") + partners[i];
    }
    Add(SReadinessFinding::EKind::indefinite, nRow, "correlations",
        std::string(kCannotSample) + "the correlation matrix is not positive definite at row " +
            std::to_string(nRow + 1) + ", variable " + VariableSubject(*pDist, nRow) +
            (strPartners.empty() ? "" : " (correlated with " + strPartners + ")"));
}

void CReadinessReport::Add(SReadinessFinding::EKind kind, int nVariable,
                           const std::string& strSubject, std::string strReason) {
    m_findings.push_back({kind, strSubject, std::move(strReason), nVariable});
}

} // namespace stochvar
