#pragma once

// CReadinessReport: what in a document stands in the way of its uses, found after the library's
// own checks and conversions have accepted every value.
//
// The library checks what its contract asks of each input value; some states that pass those
// checks still cannot be sampled (a beta variable whose mean and standard deviation do not fit
// its bounds converts to negative exponents, a discrete variable may have no categories). The
// report lists each such finding with its subject and reason, and which uses it stops:
//
//   finding                                              open   save   sample
//   text (name, category, description) not valid UTF-8    x      x      x
//   variable state that cannot be sampled                                x
//
// so that a host can list a document that it refuses to sample, and say why.

#include <stochvar/documents/CollectionDocument.h>

#include <string>
#include <vector>

namespace stochvar {

enum class EDocumentUse { open, save, sample };

struct SReadinessFinding {
    enum class EKind {
        invalidText,  // text that is not UTF-8: no JSON document can hold it
        unsampleable, // a variable whose state the sampler cannot draw from
    };
    EKind kind;
    std::string strSubject; // the variable, or "document"
    std::string strReason;
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

private:
    void CheckText(const CCollectionDocument& doc);
    void CheckVariable(const CDist& dist, const std::string& strSubject);
    void CheckBeta(const CDist& dist, const std::string& strSubject);
    void CheckCategories(const CDist& dist, const std::string& strSubject);
    void Add(SReadinessFinding::EKind kind, const std::string& strSubject, std::string strReason);

    std::vector<SReadinessFinding> m_findings;
};

} // namespace stochvar
