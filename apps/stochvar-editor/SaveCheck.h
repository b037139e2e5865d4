#pragma once

// CSaveCheck: what stands in the way of writing a document as it is, each problem with the
// variable to go to. It lists the readiness report's findings (what reading or sampling would
// refuse, unnamed variables) and the correlations that confirming the sheet had to correct, so
// that a host writes nothing that the user has not seen, and knows whether the file would open
// again.

#include <stochvar/documents/CollectionDocument.h>

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
    CSaveCheck(const CCollectionDocument& doc, const std::vector<SCorr>& correlationsBefore);

    const std::vector<SSaveProblem>& GetProblems() const { return m_problems; }
    bool IsClean() const { return m_problems.empty(); }
    // Whether a file written now opens again.
    bool WillOpen() const;

private:
    void CheckCorrected(const CCollectionDocument& doc, const std::vector<SCorr>& before);

    std::vector<SSaveProblem> m_problems;
};

} // namespace stochvar
