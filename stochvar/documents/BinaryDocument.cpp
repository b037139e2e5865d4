#include <stochvar/documents/BinaryDocument.h>

#include <stochvar/documents/DocumentBuilder.h>

#include <stochvar/families/Discrete.h>
#include <stochvar/families/FamilyList.h>
#include <stochvar/framework/Archive.h>

#include <new>
#include <sstream>
#include <utility>
#include <vector>

namespace stochvar {

namespace {

class CBinaryReader {
public:
    CBinaryReader(CDocumentBuilder& builder, CArchive& ar) : m_builder(builder), m_ar(ar) {}

    void ReadDocument() {
        m_strSubject = "document";
        ReadHeader();
        CString strDescription;
        m_ar >> strDescription;
        m_builder.GetDocument().m_strDescription = strDescription.str();
        if (m_nVersion == kBinaryLimitStateVersion) {
            CString strLimitState;
            m_ar >> strLimitState;
            if (strLimitState.IsEmpty() || !IsValidUtf8(strLimitState.str())) {
                m_builder.Refuse(m_strSubject, "the limit state is empty or not UTF-8 text");
            }
            m_builder.GetDocument().m_strLimitState = strLimitState.str();
        }

        const DWORD nVariables = m_ar.ReadCount();
        for (DWORD i = 0; i < nVariables; ++i) {
            ReadVariable(static_cast<int>(i));
        }
        const DWORD nCorrelations = m_ar.ReadCount();
        for (DWORD k = 0; k < nCorrelations; ++k) {
            m_strSubject = "correlation " + std::to_string(k + 1);
            ReadCorrelation();
        }
        m_strSubject = "document";
        char extra = 0;
        if (m_ar.Read(&extra, 1) != 0) {
            m_builder.Refuse(m_strSubject, "unexpected data after the end of the document");
        }
    }

    const std::string& CurrentSubject() const { return m_strSubject; }

private:
    void ReadHeader() {
        char signature[kBinarySignature.size()] = {};
        if (m_ar.Read(signature, static_cast<UINT>(sizeof signature)) != sizeof signature ||
            std::string_view(signature, sizeof signature) != kBinarySignature) {
            m_builder.Refuse(m_strSubject, "not a binary collection document (no signature)");
        }
        m_ar >> m_nVersion;
        if (m_nVersion != kBinaryVersion && m_nVersion != kBinaryLimitStateVersion) {
            m_builder.Refuse(m_strSubject,
                             "unsupported format version " + std::to_string(m_nVersion) +
                                 " (this program reads " + std::to_string(kBinaryVersion) +
                                 " and " + std::to_string(kBinaryLimitStateVersion) + ")");
        }
    }

    void ReadVariable(int nIndex) {
        m_strSubject = "variable " + std::to_string(nIndex + 1);
        CObject* pObject = m_ar.ReadObject(STOCHVAR_RUNTIME_CLASS(CDist));
        if (pObject == nullptr) {
            m_builder.Refuse(m_strSubject, "the variable is missing (null object)");
        }
        if (m_builder.GetDocument().IndexOf(static_cast<CDist*>(pObject)) >= 0) {
            // A back-reference to a variable that the document already owns.
            m_builder.Refuse(m_strSubject, "the same variable is stored twice");
        }
        std::unique_ptr<CDist> pDist(static_cast<CDist*>(pObject));
        if (!pDist->m_strVarName.IsEmpty()) {
            m_strSubject = pDist->m_strVarName.str();
        }
        CheckClass(*pDist);
        pDist->m_bAutoAxis = pDist->m_bAutoAxis ? TRUE : FALSE;
        pDist->m_bCanChange = pDist->m_bCanChange ? TRUE : FALSE;
        if (pDist->m_nType == DIST_DISCRETE) {
            EnterStoredCategories(static_cast<CDiscrete&>(*pDist));
        } else {
            EnterStoredValues(*pDist);
        }
        m_builder.AddVariable(std::move(pDist), m_strSubject);
    }

    // The stored type id must name the class that was stored, with that class's input types.
    void CheckClass(const CDist& dist) const {
        const SFamily* pFamily = FindFamily(dist.m_nType);
        if (pFamily == nullptr) {
            m_builder.Refuse(m_strSubject, "unknown type id " + std::to_string(dist.m_nType));
        }
        const std::unique_ptr<CDist> pModel = CDocumentBuilder::CreateVariable(dist.m_nType, "");
        if (pModel == nullptr) {
            m_builder.Refuse(m_strSubject, std::string("the family ") + pFamily->pszKeyword +
                                               " is not available in this build");
        }
        if (pModel->GetRuntimeClass() != dist.GetRuntimeClass()) {
            m_builder.Refuse(m_strSubject, std::string("stored as class ") +
                                               dist.GetRuntimeClass()->m_lpszClassName +
                                               " but with type id " + std::to_string(dist.m_nType) +
                                               " (" + pFamily->pszKeyword + ")");
        }
        if (pModel->m_nParamCombiCount != dist.m_nParamCombiCount) {
            m_builder.Refuse(m_strSubject, "stored with " +
                                               std::to_string(dist.m_nParamCombiCount) +
                                               " input types, the family has " +
                                               std::to_string(pModel->m_nParamCombiCount));
        }
    }

    void EnterStoredValues(CDist& dist) {
        if (dist.m_nParamCombi < 0 || dist.m_nParamCombi >= dist.GetParamCombiCount()) {
            m_builder.Refuse(m_strSubject,
                             "unknown input type " + std::to_string(dist.m_nParamCombi));
        }
        CString strLabel;
        CUIntArray ids;
        dist.GetParamsList(dist.m_nParamCombi, strLabel, &ids);
        std::vector<double> values;
        for (const UINT nParam : ids) {
            values.push_back(dist.GetParamValue(static_cast<int>(nParam)));
        }
        const int nCursor = dist.m_nCurParam;
        m_builder.EnterInputValues(dist, dist.m_nParamCombi, values, m_strSubject);
        // The editing cursor is the editor's state; it stays where it was when it is valid.
        if (nCursor >= 0 && nCursor < ids.GetSize()) {
            dist.m_nCurParam = nCursor;
        }
    }

    void EnterStoredCategories(CDiscrete& dist) {
        const int nCount = dist.m_CategoryNames.GetSize();
        if (dist.m_Frequencies.GetSize() != nCount || dist.m_Probabilities.GetSize() != nCount) {
            m_builder.Refuse(m_strSubject,
                             "the category names, frequencies and probabilities differ in number");
        }
        std::vector<std::pair<std::string, double>> categories;
        for (int k = 0; k < nCount; ++k) {
            categories.emplace_back(dist.m_CategoryNames[k].str(), dist.m_Frequencies[k]);
        }
        m_builder.EnterCategories(dist, categories, m_strSubject);
    }

    void ReadCorrelation() {
        int nFirst = 0;
        int nSecond = 0;
        int bXSpace = FALSE;
        double dCorrU = 0.0;
        double dCorrX = 0.0;
        m_ar >> nFirst >> nSecond >> bXSpace >> dCorrU >> dCorrX;
        m_builder.AddCorrelation(nFirst, nSecond, bXSpace ? dCorrX : dCorrU,
                                 bXSpace ? TRUE : FALSE);
    }

    CDocumentBuilder& m_builder;
    CArchive& m_ar;
    std::string m_strSubject;
    WORD m_nVersion = 0;
};

} // namespace

std::unique_ptr<CCollectionDocument> ReadBinaryDocument(std::string_view bytes,
                                                        const std::string& strSource,
                                                        std::optional<ENumerics> numerics) {
    CDocumentBuilder builder(strSource, numerics);
    std::istringstream in{std::string(bytes)};
    CArchive ar(in); // no file name: the refusal names the document already
    CBinaryReader reader(builder, ar);
    try {
        reader.ReadDocument();
    } catch (const CArchiveException& error) {
        builder.Refuse(reader.CurrentSubject(),
                       std::string("the binary document is truncated or damaged: ") + error.what());
    } catch (const std::bad_alloc&) {
        builder.Refuse(reader.CurrentSubject(),
                       "the binary document is damaged (a stored size is impossibly large)");
    }
    return builder.Finish();
}

std::string WriteBinaryDocument(const CCollectionDocument& doc) {
    std::ostringstream out;
    {
        CArchive ar(out);
        ar.Write(kBinarySignature.data(), static_cast<UINT>(kBinarySignature.size()));
        const bool bLimitState = !doc.m_strLimitState.empty();
        ar << static_cast<WORD>(bLimitState ? kBinaryLimitStateVersion : kBinaryVersion);
        ar << CString(doc.m_strDescription);
        if (bLimitState) {
            ar << CString(doc.m_strLimitState);
        }
        ar.WriteCount(static_cast<DWORD>(doc.GetVariableCount()));
        for (int i = 0; i < doc.GetVariableCount(); ++i) {
            ar.WriteObject(doc.GetVariable(i));
        }
        ar.WriteCount(static_cast<DWORD>(doc.GetCorrelationCount()));
        for (int k = 0; k < doc.GetCorrelationCount(); ++k) {
            const auto [nFirst, nSecond] = doc.GetCorrelationPairToWrite(k);
            const SCorr& corr = doc.GetCorrelation(k);
            ar << nFirst << nSecond << (corr.bXSpace ? TRUE : FALSE) << corr.dCorrU << corr.dCorrX;
        }
        ar.Close();
    }
    return std::move(out).str();
}

} // namespace stochvar
