#pragma once

// CDocumentBuilder: reads a collection into a new document the way the editor would enter it,
// whatever the document's format. Every value goes through the library's own checks and
// conversion (CheckParamValue, CheckCombination, CalcBasePar; AddCategory for categories;
// SetCorr for correlations). The first error refuses the whole document (CDocumentError naming
// the file, the variable or correlation, and the library's message); warnings are recorded in
// the document and the values the library corrected are kept. What the document's uses need
// beyond that (CReadinessReport) refuses it only when it stops opening: correlations that do not
// form a positive definite matrix, for one, are read, and sampling refuses them.
//
// While a builder lives, the library's message boxes are captured, never shown.

#include <stochvar/documents/CollectionDocument.h>
#include <stochvar/documents/MessageCapture.h>
#include <stochvar/numerics/Numerics.h>

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace stochvar {

class CDiscrete;

class CDocumentBuilder {
public:
    // strSource names the document in every message (normally its file name). numerics, when
    // given, is the collection's numerics whatever the document itself says (a host's choice made
    // before reading, since the correlations are mapped as they are read).
    explicit CDocumentBuilder(std::string strSource,
                              std::optional<ENumerics> numerics = std::nullopt);

    const std::string& GetSource() const { return m_strSource; }
    CCollectionDocument& GetDocument() { return *m_pDocument; }

    // Refuses the document: throws CDocumentError "source: subject: reason".
    [[noreturn]] void Refuse(const std::string& strSubject, const std::string& strReason) const;
    // Records "source: subject: text" in the document's warnings.
    void Warn(const std::string& strSubject, const std::string& strText);

    // A new variable of the type id with the given name, made as the editor makes one when the
    // family changes: CreateNewDist from a fresh fixed variable, so every slot starts at 0 and no
    // family default is involved. Null for a family that this build does not contain.
    static std::unique_ptr<CDist> CreateVariable(int nType, const CString& strName);

    // Enters values for input type nParamCombi (in the order of the input type's parameter ids)
    // as the editor's protocol does: each value through CheckParamValue and into its slot, then
    // CheckCombination and CalcBasePar for the whole set. Refuses on the first failed status.
    void EnterInputValues(CDist& dist, int nParamCombi, const std::vector<double>& values,
                          const std::string& strSubject);

    // Replaces the variable's categories by the given ones, each entered with AddCategory.
    void EnterCategories(CDiscrete& dist,
                         const std::vector<std::pair<std::string, double>>& categories,
                         const std::string& strSubject);

    // The numerics the document asks for: they become the collection's unless the builder was
    // given numerics of its own. Call it before the first correlation.
    void TakeDocumentNumerics(ENumerics numerics);

    // Checks the variable as a whole (a name no other variable has, axis bounds), computes its
    // axis when it is automatic, and appends it to the document.
    CDist* AddVariable(std::unique_ptr<CDist> pDist, const std::string& strSubject);

    // Adds a correlation between the variables at the two positions with SetCorr. The value is
    // given in X-space when bXSpace is nonzero, else in U-space. When one of the variables
    // cannot be sampled (CanBeSampled) the entry is added as given, without mapping: the other
    // space's value is not a number.
    void AddCorrelation(int nIndex1, int nIndex2, double dValue, BOOL bXSpace);

    // Refuses what CReadinessReport finds to stop opening (text that is not UTF-8) and hands the
    // document over.
    std::unique_ptr<CCollectionDocument> Finish();

private:
    // Refuses on the first captured error; records warnings and notes.
    void TakeMessages(const std::string& strSubject);

    std::string m_strSource;
    std::unique_ptr<CCollectionDocument> m_pDocument;
    bool m_bNumericsGiven = false;
    std::set<std::pair<int, int>> m_correlatedPairs;
    CMessageCapture m_capture;
};

// Whether the bytes are well-formed UTF-8 (documents keep names as UTF-8 text).
bool IsValidUtf8(std::string_view text);

} // namespace stochvar
