#pragma once

// CSaveCheck: what stands in the way of writing a document as it is, each problem with the
// variable to go to. The document is written in the form it is to be saved in and read back
// through the document code, the way the editor and the command-line host open it: whatever that
// reading refuses or warns about, and what its readiness report finds (unnamed variables, states
// that cannot be sampled), is listed. So a host knows whether the file would open again, and
// writes nothing the user has not seen. The correlations that confirming the sheet had to correct
// are listed too.

#include <stochvar/documents/CollectionDocument.h>
#include <stochvar/documents/DocumentFile.h>

#include <string>
#include <vector>

namespace stochvar {

struct SSaveProblem {
    std::string strText; // "subject: reason"
    int nVariable;       // the variable to show for it, -1 for none
    bool bStopsOpening;  // a file written now could not be read again
};

class CSaveCheck {
public:
    // correlationsBefore: the document's correlations before the sheet was confirmed (the
    // confirmation moves X-space values into the range of their pair).
    CSaveCheck(const CCollectionDocument& doc, const std::vector<SCorr>& correlationsBefore,
               EDocumentFormat format);

    const std::vector<SSaveProblem>& GetProblems() const { return m_problems; }
    bool IsClean() const { return m_problems.empty(); }
    // Whether a file written now opens again.
    bool WillOpen() const;
    // The problem to show first: the first that stops opening and concerns a variable, else the
    // first that concerns a variable; null when none does.
    const SSaveProblem* GetFirstToShow() const;

private:
    void CheckCorrected(const CCollectionDocument& doc, const std::vector<SCorr>& before);
    void CheckReadBack(const CCollectionDocument& doc, EDocumentFormat format);
    // "subject: reason" as the problem of the variable the subject names (-1 for none).
    void Add(const CCollectionDocument& doc, std::string strText, bool bStopsOpening);

    std::vector<SSaveProblem> m_problems;
};

} // namespace stochvar
