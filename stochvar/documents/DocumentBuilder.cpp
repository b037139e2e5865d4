#include <stochvar/documents/DocumentBuilder.h>

#include <stochvar/documents/DocumentError.h>
#include <stochvar/documents/InputEntry.h>
#include <stochvar/documents/ReadinessReport.h>

#include <stochvar/families/Discrete.h>
#include <stochvar/numerics/NumberText.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace stochvar {

bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int nTrail = 0;
        unsigned int codePoint = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            nTrail = 1;
            codePoint = lead & 0x1Fu;
        } else if ((lead & 0xF0) == 0xE0) {
            nTrail = 2;
            codePoint = lead & 0x0Fu;
        } else if ((lead & 0xF8) == 0xF0) {
            nTrail = 3;
            codePoint = lead & 0x07u;
        } else {
            return false;
        }
        if (i + static_cast<std::size_t>(nTrail) >= text.size()) {
            return false;
        }
        for (int k = 1; k <= nTrail; ++k) {
            const auto trail = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((trail & 0xC0) != 0x80) {
                return false;
            }
            codePoint = (codePoint << 6) | (trail & 0x3Fu);
        }
        // Overlong forms, surrogates and values beyond the Unicode range are not UTF-8.
        static constexpr unsigned int kSmallest[] = {0, 0x80, 0x800, 0x10000};
        if (codePoint < kSmallest[nTrail] || codePoint > 0x10FFFF ||
            (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
            return false;
        }
        i += static_cast<std::size_t>(nTrail) + 1;
    }
    return true;
}

CDocumentBuilder::CDocumentBuilder(std::string strSource, std::optional<ENumerics> numerics)
    : m_strSource(std::move(strSource)), m_pDocument(std::make_unique<CCollectionDocument>()),
      m_bNumericsGiven(numerics.has_value()) {
    if (numerics) {
        m_pDocument->GetCollection().SetNumerics(*numerics);
    }
}

void CDocumentBuilder::TakeDocumentNumerics(ENumerics numerics) {
    if (!m_bNumericsGiven) {
        m_pDocument->GetCollection().SetNumerics(numerics);
    }
}

void CDocumentBuilder::Refuse(const std::string& strSubject, const std::string& strReason) const {
    throw CDocumentError(m_strSource, strSubject, strReason);
}

void CDocumentBuilder::Warn(const std::string& strSubject, const std::string& strText) {
    m_pDocument->m_warnings.push_back(m_strSource + ": " + strSubject + ": " + strText);
}

std::unique_ptr<CDist> CDocumentBuilder::CreateVariable(int nType, const CString& strName) {
    CDist blank(nullptr, strName, nullptr);
    return std::unique_ptr<CDist>(blank.CreateNewDist(nType));
}

void CDocumentBuilder::EnterInputValues(CDist& dist, int nParamCombi,
                                        const std::vector<double>& values,
                                        const std::string& strSubject) {
    try {
        for (const std::string& strWarning :
             stochvar::EnterInputValues(dist, nParamCombi, values)) {
            Warn(strSubject, strWarning);
        }
    } catch (const CInputRefused& refusal) {
        Refuse(strSubject, refusal.what());
    }
    TakeMessages(strSubject);
}

void CDocumentBuilder::EnterCategories(
    CDiscrete& dist, const std::vector<std::pair<std::string, double>>& categories,
    const std::string& strSubject) {
    try {
        stochvar::EnterCategories(dist, categories, [&] { TakeMessages(strSubject); });
    } catch (const CInputRefused& refusal) {
        Refuse(strSubject, refusal.what());
    }
}

CDist* CDocumentBuilder::AddVariable(std::unique_ptr<CDist> pDist, const std::string& strSubject) {
    if (m_pDocument->FindVariable(pDist->m_strVarName.str()) >= 0) {
        Refuse(strSubject, "another variable has the same name");
    }
    if (pDist->m_bAutoAxis) {
        pDist->SetAutoAxis();
    } else if (!std::isfinite(pDist->m_dAxisMin) || !std::isfinite(pDist->m_dAxisMax) ||
               !(pDist->m_dAxisMin < pDist->m_dAxisMax)) {
        Refuse(strSubject, "the axis minimum must be a number below the axis maximum");
    }
    TakeMessages(strSubject);
    return m_pDocument->AddVariable(std::move(pDist));
}

void CDocumentBuilder::AddCorrelation(int nIndex1, int nIndex2, double dValue, BOOL bXSpace) {
    CCollectionDocument& doc = *m_pDocument;
    CDist* pDist1 = doc.GetVariable(nIndex1);
    CDist* pDist2 = doc.GetVariable(nIndex2);
    if (pDist1 == nullptr || pDist2 == nullptr) {
        Refuse("correlation " + std::to_string(doc.GetCorrelationCount() + 1),
               "it refers to a variable that the document does not hold");
    }
    const std::string strSubject =
        CorrelationSubject(VariableSubject(*pDist1, nIndex1), VariableSubject(*pDist2, nIndex2));
    if (nIndex1 == nIndex2) {
        Refuse(strSubject, "a variable cannot be correlated with itself");
    }
    if (!m_correlatedPairs.emplace(std::min(nIndex1, nIndex2), std::max(nIndex1, nIndex2)).second) {
        Refuse(strSubject, "the pair is correlated twice");
    }
    if (!std::isfinite(dValue) || dValue < -1.0 || dValue > 1.0) {
        Refuse(strSubject,
               "the correlation " + FormatShortest(dValue) + " does not lie between -1 and 1");
    }
    if (!CanBeSampled(*pDist1) || !CanBeSampled(*pDist2)) {
        // Nothing to map through (and for some such states the mapping would never end): the
        // entry keeps the value as given, the other space's is not a number, and the readiness
        // report stops sampling for the variable.
        const double dUnmapped = std::numeric_limits<double>::quiet_NaN();
        doc.GetCollection().m_Corrs.Add(
            new SCorr{std::min(nIndex1, nIndex2), std::max(nIndex1, nIndex2), pDist1, pDist2,
                      bXSpace ? dUnmapped : dValue, bXSpace ? dValue : dUnmapped, bXSpace});
        return;
    }
    const int nBefore = doc.GetCorrelationCount();
    doc.GetCollection().SetCorr(pDist1, pDist2, dValue, bXSpace ? TRUE : FALSE);
    const std::size_t nWarnings = doc.m_warnings.size();
    TakeMessages(strSubject);
    if (doc.GetCorrelationCount() != nBefore + 1) {
        Refuse(strSubject, "the collection did not take the correlation");
    }
    // The library's warning of a correction rounds to four decimals, which can show the given
    // and the corrected value alike (0.866015 and 0.8660121...); the figures follow in full.
    const double dCorrected = doc.GetCorrelation(nBefore).dCorrX;
    if (bXSpace && dCorrected != dValue && doc.m_warnings.size() > nWarnings) {
        doc.m_warnings.back() +=
            " (given " + FormatShortest(dValue) + ", now " + FormatShortest(dCorrected) + ")";
    }
}

std::unique_ptr<CCollectionDocument> CDocumentBuilder::Finish() {
    // Correlations that do not form a positive definite matrix are kept: the document opens, so
    // that an editor can repair it, and the readiness report tells sampling to refuse it.
    CReadinessReport(*m_pDocument).Require(EDocumentUse::open, m_strSource);
    TakeMessages("document");
    return std::move(m_pDocument);
}

void CDocumentBuilder::TakeMessages(const std::string& strSubject) {
    for (SHostMessage& message : m_capture.TakeMessages()) {
        std::string strText = TrimmedMessage(std::move(message.text));
        if (message.kind == SHostMessage::EKind::error) {
            Refuse(strSubject, strText);
        }
        Warn(strSubject, strText);
    }
}

} // namespace stochvar
