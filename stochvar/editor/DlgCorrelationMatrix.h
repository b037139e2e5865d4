#pragma once

// CDlgCorrelationMatrix: the modal, resizable dialog "Correlation" in which the correlations of
// a collection are edited in a CCorrelationCtrl. The grid edits the collection's correlation
// list directly: OK ends the dialog only when the grid accepted every coefficient and rebuilt the
// list; Cancel leaves the list as it was.

#include <stochvar/framework/Array.h>
#include <stochvar/framework/Types.h>

#include <QDialog>

namespace stochvar {

class CCorrelationCtrl;
class CDist;
class SCorr;

class CDlgCorrelationMatrix : public QDialog {
    Q_OBJECT

public:
    explicit CDlgCorrelationMatrix(QWidget* pParent = nullptr);

    // Stored and handed on to the grid (not owned).
    void SetDistArray(CArray<CDist*, CDist*>* pDistArray);
    void SetCorrArray(CArray<SCorr*, SCorr*>* pCorrArray);

    // Fills the grid and runs the dialog; IDOK or IDCANCEL.
    int DoModal();

    CCorrelationCtrl* GetGrid() const { return m_pGrid; }

protected:
    virtual BOOL OnInitDialog();
    // The grid's check and rebuild; only a success ends the dialog.
    virtual void OnOK();
    void accept() override;

    // The size at which the whole matrix is in sight, and the largest size the screen leaves.
    QSize FittedSize() const;
    QSize MaxSize() const;
    // A column that widened for a typed value widens the dialog with it, as far as the screen
    // allows; the dialog never shrinks by itself.
    void GrowToFit();

    CCorrelationCtrl* m_pGrid;
    CArray<CDist*, CDist*>* m_pDistArray = nullptr;
    CArray<SCorr*, SCorr*>* m_pCorrArray = nullptr;
};

} // namespace stochvar
