#pragma once

// CReadinessReport: what in a document stands in the way of its uses, found after the library's
// own checks and conversions have accepted every value.
//
// The library checks what its contract asks of each input value; some states that pass those
// checks still cannot be sampled (a beta variable whose mean and standard deviation do not fit
// its bounds converts to negative exponents, a discrete variable may have no categories, a
// conversion may overflow, underflow or lose its precision, the correlations may not form a
// positive definite matrix); each variable says for itself what stands in its way
// (CDist::ListSamplingObstacles). The findings about one variable by itself also serve a
// variable that is used on its own (CheckVariable, RequireVariable). An editor may also leave
// a document in a state that reading would refuse (two variables of one name, values that fail
// their input type's check). The report lists each such finding with its subject and reason, and
// which uses it stops:
//
//   finding                                              open   save   sample
//   text (name, category, description) not valid UTF-8    x      x      x
//   a name that another variable has                      x      x      x
//   values that fail their input type's check             x      x      x
//   a variable without a name
//   variable state that cannot be sampled                                x
//   correlation matrix not positive definite                             x
//
// so that a host can list a document that it refuses to sample, and say why, and check a
// document before it writes it: a file written despite a finding that stops opening could not
// be read again.

#include <stochvar/documents/CollectionDocument.h>

#include <string>
#include <vector>

namespace stochvar {

enum class EDocumentUse { open, save, sample };

struct SReadinessFinding {
    enum class EKind {
        invalidText,   // text that is not UTF-8: no JSON document can hold it
        duplicateName, // correlations and reading address variables by their names
        inconsistent,  // values that the family refuses as a set
        unnamed,       // legal, but messages and correlations can only name it by position
        unsampleable,  // a variable whose state the sampler cannot draw from
        indefinite,    // correlations that no joint normal distribution has
    };
    EKind kind;
    std::string strSubject; // the variable, "correlations" or "document"
    std::string strReason;
    int nVariable = -1; // the position of the variable concerned, -1 for the whole document
};

class CReadinessReport {
public:
    // Runs every check on the document.
    explicit CReadinessReport(const CCollectionDocument& doc);

    const std::vector<SReadinessFinding>& GetFindings() const { return m_findings; }
    static bool Stops(SReadinessFinding::EKind kind, EDocumentUse use);
    bool IsReadyFor(EDocumentUse use) const;
    // Throws CDocumentError "source: subject: reason" for the first finding that stops the use.
    void Require(EDocumentUse use, const std::string& strSource) const;

    // The findings about one variable by itself: values that fail their input type's check
    // (inconsistent), else what stands in the way of sampling it (unsampleable). nVariable is
    // its position in a document, strSubject how the findings name it.
    static std::vector<SReadinessFinding> CheckVariable(CDist& dist, int nVariable,
                                                        const std::string& strSubject);
    // For a variable used on its own (as the Python module makes them): throws CInputRefused
    // with the first of CheckVariable's findings, "name: reason" or, without a name, the reason
    // alone (for example "E: cannot be sampled: ALPHA is inf after the conversion: ...").
    static void RequireVariable(CDist& dist);

private:
    void CheckText(const CCollectionDocument& doc);
    void CheckNames(const CCollectionDocument& doc);
    void CheckCorrelations(const CCollectionDocument& doc);
    void Add(SReadinessFinding::EKind kind, int nVariable, const std::string& strSubject,
             std::string strReason);

    std::vector<SReadinessFinding> m_findings;
};

// Whether the sampler can draw from the variable as it stands (CDist::ListSamplingObstacles finds
// nothing). A correlation is mapped through its variables' distributions only when both can.
bool CanBeSampled(const CDist& dist);

} // namespace stochvar
