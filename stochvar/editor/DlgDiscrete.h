#pragma once

// CDlgDiscrete: the modal dialog "Discrete Distribution" in which one discrete variable is
// edited on its own, holding one discrete page. It edits the variable in place; the caller keeps
// a copy and restores it when the dialog does not end with OK. Return anywhere in the dialog
// commits the page's value box; it never closes the dialog.

#include <stochvar/framework/Types.h>

#include <QDialog>

namespace stochvar {

class CDist;
class CDistPageDisc;

class CDlgDiscrete : public QDialog {
    Q_OBJECT

public:
    explicit CDlgDiscrete(CDist* pDist, QWidget* pParent = nullptr);

    // Runs the dialog; IDOK or IDCANCEL.
    int DoModal();

    CDistPageDisc* GetActivePage() const { return m_pPage; }

protected:
    virtual BOOL OnInitDialog();
    void keyPressEvent(QKeyEvent* pEvent) override;

private:
    CDistPageDisc* m_pPage;
};

} // namespace stochvar
