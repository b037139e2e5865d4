#pragma once

// CDistPageDisc: the page on which the categories of a discrete variable are edited: a list of
// the categories with name, frequency and probability, buttons to insert, edit, delete and move
// them, a value box for the frequency of the selected category (Return commits it and moves the
// selection on), and a bar chart of the probabilities or cumulative probabilities. The selection
// follows a category that is inserted or moved.
//
// Only discrete variables are taken. Category buttons follow the selection and the variable's
// permission to change categories; the value box follows the variable's may-change flag.
// Return anywhere on the page commits the value box.

#include <stochvar/editor/DistPageBase.h>

class QGroupBox;
class QListWidget;
class QPushButton;

namespace stochvar {

class CDiscrete;

class CDistPageDisc : public CDistPageBase {
    Q_OBJECT

public:
    explicit CDistPageDisc(QWidget* pParent = nullptr);

    // A discrete variable to edit (not owned), or null for none; any other variable is ignored.
    void SetDist(CDist* pDist);
    int GetSelCategory() const { return m_nSelCategory; }

    void UpdateAll();
    // Commits the value box as the frequency of the selected category.
    void OnEnter() override;

protected:
    void UpdateCategoryBox();
    void UpdateChart() override;
    void UpdateControlUI();
    void UpdateValueBox();
    // The selected line of the category list, -1 when none is.
    int GetCategoryBoxIndex() const;
    // Writes the frequency into the value box and gives it the focus.
    void SetValue(double dValue);

    // The curve choice is taken only while there is a variable.
    void ShowCurve(BOOL bCdf) override;
    void OnDelete();
    void OnInsertAfter();
    void OnInsertHere();
    void OnEdit();
    void OnMoveDown();
    void OnMoveUp();
    void OnSelchangeCatFreq();
    void OnDblclkCatFreq();

    int m_nSelCategory = 0;

private:
    CDiscrete* Discrete() const;
    // Asks for a new category and inserts it at nPosition (-1 appends).
    void InsertCategory(int nPosition);

    // Made in the order Tab visits them.
    QListWidget* m_pCategoryBox;
    QGroupBox* m_pValueGroup;
    QPushButton* m_pInsertHere;
    QPushButton* m_pInsertAfter;
    QPushButton* m_pDelete;
    QPushButton* m_pEdit;
    QPushButton* m_pMoveUp;
    QPushButton* m_pMoveDown;
};

} // namespace stochvar
