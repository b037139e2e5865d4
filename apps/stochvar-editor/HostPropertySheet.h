#pragma once

// CHostPropertySheet: the property sheet as the desktop host embeds it, on the variables of a
// document. The correlation dialog rebuilds the collection's list with an entry for every pair
// (that is the editor's own way, and hosts that run the dialog directly keep it); a document,
// though, lists only the pairs it gives. So after the dialog the sheet hands the list back to
// the document, which keeps the pairs it had (unchanged ones exactly as they were) and adds only
// the new pairs whose coefficient is not 0: OK without a change leaves the document as it was.

#include <stochvar/editor/DistPropertySheet.h>

namespace stochvar {

class CCollectionDocument;

class CHostPropertySheet : public CDistPropertySheet {
    Q_OBJECT

public:
    explicit CHostPropertySheet(CCollectionDocument& doc, QWidget* pParent = nullptr);

    // Whether the correlation dialog is open.
    bool IsEditingCorrelations() const { return m_bEditingCorrelations; }

protected:
    void OnCorrelation() override;

private:
    CCollectionDocument& m_doc;
    bool m_bEditingCorrelations = false;
};

} // namespace stochvar
