#pragma once

// CDistPropertySheet: the editor of a whole collection, "Change Distribution". It shows one
// variable at a time: a variable selector (an editable drop-down list of the names; typing
// renames the current variable), the list of distribution types, a "Correlation" button, and the
// continuous or the discrete page, whichever fits the current variable's type.
//
// The sheet edits the host's variables in place. A change of family replaces the current
// variable by a new object at the same index of the collection, deletes the old one and
// re-points the host's reference slot. A variable whose parameters fail their combination check
// cannot be left. The new object takes over the values of the old one's input slots and converts
// them at once (CDistPageCont::ConvertTakenOverValues), so that the page, the curve and the
// correlation checks read values of the new family. Without a current variable (an empty
// collection) the controls are disabled.
//
// Two ways to run it:
// - modal (DoModal, as CDistCollection::ChangeDistCollection does): OK checks every correlation
//   and closes only when none had to be corrected; Cancel (also Escape or closing the window)
//   puts back every variable as it was when the sheet opened. A Cancel after an OK that stayed
//   open restores that same opening state: the caller gets IDCANCEL, so it gets its variables
//   back as they were (correlations are never restored: their edits stay).
// - embedded (Create into a host widget): no OK and Cancel buttons; the host calls OnOK to
//   confirm the edits (the correlation checks run, and the confirmed state becomes the one that
//   OnCancel restores) and OnCancel to go back to the last confirmed state (or the opening one).
//
// Every edit of the user that changes the collection is reported by collectionModified: a value,
// an input type, a category or the axis bounds on a page, a name, a family, a correlation, the
// correction of a correlation by OnOK, the restoring of changed variables by OnCancel. An edit that
// leaves everything as it was (Return on an unchanged value, a dialog cancelled, another variable
// shown) reports nothing.
//
// Ownership: the backup is a deep copy owned by the sheet; its variables are deleted with it,
// unless a Cancel handed them to the host. Return anywhere in the sheet commits the value box of
// the page shown.

#include <stochvar/framework/Types.h>

#include <QDialog>

class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QStackedWidget;

namespace stochvar {

class CDist;
class CDistCollection;
class CDistPageCont;
class CDistPageDisc;

class CDistPropertySheet : public QDialog {
    Q_OBJECT

public:
    explicit CDistPropertySheet(CDistCollection* pDistCollection, QWidget* pParent = nullptr);
    ~CDistPropertySheet() override;

    CDistPropertySheet(const CDistPropertySheet&) = delete;
    CDistPropertySheet& operator=(const CDistPropertySheet&) = delete;

    // Embeds the sheet as a child of pParentWnd (which should give it a place in its layout) and
    // opens it on the collection. FALSE without a parent.
    BOOL Create(QWidget* pParentWnd, CDistCollection* pDistCollection);
    // Runs the sheet modally; IDOK or IDCANCEL.
    int DoModal();

    // The pages: the continuous page first, then the discrete page.
    int GetPageCount() const;
    // The position of the page, -1 when it is not one of the sheet's.
    int GetPageIndex(const QWidget* pPage) const;
    QWidget* GetActivePage() const;
    CDistPageCont* GetPageCont() const { return m_pPageCont; }
    CDistPageDisc* GetPageDisc() const { return m_pPageDisc; }

    // Makes variable nIndex the current one, as picking it in the selector does (refused, with
    // the message, while the current variable fails its combination check); TRUE when it is the
    // current one afterwards.
    BOOL SelectVariable(int nIndex);
    int GetCurrentIndex() const { return m_nCurrentDist; }
    CDist* GetCurrentDist() const { return m_pCurrentDist; }
    CDistCollection* GetDistCollection() const { return m_pDistCollection; }
    bool IsEmbedded() const { return m_pParentWnd != nullptr; }

    // Confirms the edits: re-points every reference slot and checks every correlation (each may
    // report and correct itself). TRUE when no correlation had to be corrected; a modal sheet
    // then closes with IDOK.
    BOOL OnOK();
    // Puts back the variables of the backup and re-points their reference slots; a modal sheet
    // then closes with IDCANCEL.
    void OnCancel();
    // Escape and closing the window: OnCancel for a modal sheet, nothing for an embedded one.
    void reject() override;

Q_SIGNALS:
    // The user's edit changed the collection: one of its variables or its correlations.
    void collectionModified();

protected:
    virtual BOOL OnInitDialog();

    void UpdateAll();
    void UpdateVariableBox();
    void UpdateVariableList();
    void UpdateDistributionBox();
    void UpdatePropertyPage();

    void OnDistClicked();
    void OnChangeVariable();
    void OnChangeVariableSelection();
    void OnDropdownVariable();
    void OnCloseupVariable();
    // Runs the correlation dialog on the collection's lists; a host may wrap it (to bring what
    // the dialog changed into a form of its own). What the list holds after the call decides
    // whether the collection was modified.
    virtual void OnCorrelation();

    void keyPressEvent(QKeyEvent* pEvent) override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

    QWidget* m_pParentWnd = nullptr;
    CDistCollection* m_pBackupCollection = nullptr;
    int m_nCurrentDist = 0;
    CDist* m_pCurrentDist = nullptr;
    CDistPageDisc* m_pPageDisc;
    CDistPageCont* m_pPageCont;
    CDistCollection* m_pDistCollection;

private:
    // Return goes to the Enter action of the page shown.
    void RouteReturn();
    // The Correlation button: OnCorrelation, reported when the correlations changed.
    void EditCorrelations();
    void ShowPage(QWidget* pPage);
    // A deep copy of the host collection becomes the backup; the previous one is deleted with
    // its variables.
    void TakeBackup();
    void DeleteBackup();

    QLabel* m_pVariableLabel;
    QComboBox* m_pVariableBox;
    QPushButton* m_pCorrelation;
    QGroupBox* m_pDistributionGroup;
    QListWidget* m_pDistributionBox;
    QStackedWidget* m_pPages;
    QPushButton* m_pOk;
    QPushButton* m_pCancel;
};

} // namespace stochvar
