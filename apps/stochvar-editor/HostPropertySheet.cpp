#include "stochvar-editor/HostPropertySheet.h"

#include <stochvar/documents/CollectionDocument.h>
#include <stochvar/editor/CorrelationCtrl.h>

namespace stochvar {

CHostPropertySheet::CHostPropertySheet(CCollectionDocument& doc, QWidget* pParent)
    : CDistPropertySheet(&doc.GetCollection(), pParent), m_doc(doc) {}

void CHostPropertySheet::OnCorrelation() {
    const std::vector<SCorr> before = m_doc.CopyCorrelations();
    m_bEditingCorrelations = true;
    CDistPropertySheet::OnCorrelation();
    m_bEditingCorrelations = false;
    // The grid gives back what it showed: a coefficient rounded to its text is unchanged.
    m_doc.ReconcileCorrelations(before, [](double dBefore, double dAfter) {
        return CCorrelationCtrl::ShownValue(dBefore) == dAfter;
    });
}

} // namespace stochvar
