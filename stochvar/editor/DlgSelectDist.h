#pragma once

// CDlgSelectDist: the modal dialog "Select distribution" in which one variable is edited on its
// own: its family (type list), its name, and the input types, parameters and curve of the
// continuous page, which the dialog embeds.
//
// The dialog works on a copy. Picking another type replaces the copy by a new variable of that
// type built from it; the discrete type is refused with a beep, as discrete variables have an
// editor of their own. OK hands the copy to the caller (GetDist), who owns it from then on;
// Cancel deletes the copy and GetDist gives back the variable the dialog was opened on.

#include <stochvar/framework/Types.h>

#include <QDialog>

class QLineEdit;
class QListWidget;
class QPushButton;

namespace stochvar {

class CDist;
class CDistPageCont;

class CDlgSelectDist : public QDialog {
    Q_OBJECT

public:
    // pDist is the variable to edit; it is copied when the dialog starts and never changed.
    explicit CDlgSelectDist(CDist* pDist, QWidget* pParent = nullptr);
    ~CDlgSelectDist() override;

    // Runs the dialog; IDOK or IDCANCEL.
    int DoModal();

    // The dialog's result: the edited copy after OK, the original variable otherwise.
    CDist* GetDist() const { return m_pDist; }

    // The page that edits the input types and parameters of the copy.
    CDistPageCont* GetPage() const { return m_pPage; }

protected:
    virtual BOOL OnInitDialog();
    void UpdateDistTypeBox();
    virtual void OnSelchangeDistType();
    void OnChangeName();
    void done(int nResult) override;
    // Return commits the value box, wherever the focus is.
    void keyPressEvent(QKeyEvent* pEvent) override;

    CDist* m_pDist;     // the working copy while the dialog runs; the result afterwards
    CDist* m_pOrigDist; // the variable the dialog was opened on

private:
    bool m_bOwnsCopy = false; // whether m_pDist is a working copy still to be handed out
    CDistPageCont* m_pPage;
    QListWidget* m_pDistTypeBox;
    QLineEdit* m_pNameBox;
    QPushButton* m_pEnter;
};

} // namespace stochvar
