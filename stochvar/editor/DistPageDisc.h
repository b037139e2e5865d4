#pragma once

// CDistPageDisc: the page on which the categories of a discrete variable are edited: a list of
// the categories with name, frequency and probability, buttons to insert, edit, delete and move
// them, a value box for the frequency of the selected category (Return commits it and moves the
// selection on), and a bar chart of the probabilities or cumulative probabilities.
//
// Only discrete variables are taken. Category buttons follow the selection and the variable's
// permission to change categories; the value box follows the variable's may-change flag.
// Return anywhere on the page commits the value box.

#include <stochvar/editor/Chart2D.h>
#include <stochvar/framework/Types.h>

#include <QWidget>

class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace stochvar {

class CDist;
class CDiscrete;

class CDistPageDisc : public QWidget {
    Q_OBJECT

public:
    explicit CDistPageDisc(QWidget* pParent = nullptr);

    // A discrete variable to edit (not owned), or null for none; any other variable is ignored.
    void SetDist(CDist* pDist);
    CDist* GetDist() const { return m_pDist; }
    // 0 while the probabilities are shown, 1 for the cumulative probabilities.
    BOOL IsCdf() const { return m_bCdf; }
    int GetSelCategory() const { return m_nSelCategory; }

    void UpdateAll();
    // Commits the value box as the frequency of the selected category.
    void OnEnter();

protected:
    void UpdateCategoryBox();
    void UpdateChart();
    void UpdateRadioButtons();
    void UpdateControlUI();
    void UpdateValueBox();
    // The selected line of the category list, -1 when none is.
    int GetCategoryBoxIndex() const;
    // The value box read with the whole-text rule.
    bool GetValue(double& dValue) const;
    // Writes the frequency into the value box and gives it the focus.
    void SetValue(double dValue);

    void OnPdf();
    void OnCdf();
    void OnAxis();
    void OnDelete();
    void OnInsertAfter();
    void OnInsertHere();
    void OnEdit();
    void OnMoveDown();
    void OnMoveUp();
    void OnSelchangeCatFreq();
    void OnDblclkCatFreq();

    void keyPressEvent(QKeyEvent* pEvent) override;

    CChart2D m_Chart;
    int m_nSelCategory = 0;
    BOOL m_bCdf = FALSE;
    CDist* m_pDist = nullptr;

private:
    CDiscrete* Discrete() const;
    // Asks for a new category and inserts it at nPosition (-1 appends).
    void InsertCategory(int nPosition);

    QListWidget* m_pCategoryBox;
    QLineEdit* m_pValueBox;
    QPushButton* m_pInsertHere;
    QPushButton* m_pInsertAfter;
    QPushButton* m_pDelete;
    QPushButton* m_pEdit;
    QPushButton* m_pMoveUp;
    QPushButton* m_pMoveDown;
    QRadioButton* m_pPdf;
    QRadioButton* m_pCdf;
    QPushButton* m_pAxis;
};

} // namespace stochvar
