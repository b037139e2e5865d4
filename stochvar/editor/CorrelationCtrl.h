#pragma once

// CCorrelationCtrl: the grid in which the correlations of a collection are edited as a symmetric
// matrix. Rows and columns stand for the variables, whose names head them; each off-diagonal
// cell holds one coefficient, and the cell pair (r, c) / (c, r) always shows the same text.
// Whether a coefficient is given between the variables themselves ("X-Space") or between their
// standard normal images ("U-Space") is shown, and kept while the grid lives, only as the text
// colour of its cells: black for X-space, red for U-space. The right-click menu switches it.
//
// Grid coordinates: the operations below count rows and columns as the matrix does, 1 .. n for
// the variables 0 .. n-1; 0 is the header row or column.
//
// OnOK checks the upper triangle and rebuilds the collection's correlation list from it, one
// entry per pair, zero coefficients included. The entry stores the coefficient in the field of
// its space (dCorrX or dCorrU) and the same value in the other field: an identity guess that
// CDistCollection::CheckCorr replaces by the mapped value (the Nataf iteration starts from it
// as well), and that keeps a correlation in force for sampling even if no check runs before.

#include <stochvar/framework/Array.h>
#include <stochvar/framework/Types.h>

#include <QAbstractItemDelegate>
#include <QColor>
#include <QFont>
#include <QPoint>
#include <QPointer>
#include <QTableWidget>

class QLineEdit;
class QMenu;

namespace stochvar {

class CDist;
class SCorr;

// The look of a group of cells.
struct SCellStyle {
    QFont font;
    QColor textColor;
};

class CCorrelationCtrl : public QTableWidget {
    Q_OBJECT

public:
    explicit CCorrelationCtrl(QWidget* pParent = nullptr);

    // The collection's variables and correlation entries (not owned).
    void SetDistArray(CArray<CDist*, CDist*>* pDistArray) { m_pDistArray = pDistArray; }
    void SetCorrArray(CArray<SCorr*, SCorr*>* pCorrArray) { m_pCorrArray = pCorrArray; }

    // Fills the grid from the two arrays: 1 on the diagonal, 0 elsewhere, then the value of
    // every entry in its space. Entries that pair a variable with itself, or whose indices
    // address no variable of the grid, are left out.
    void Initialize();

    // Validates the coefficients of the upper triangle and rebuilds the correlation list.
    // A coefficient outside [-1, 1] (or one that reads as not-a-number) stops with the message
    // naming its row and column, leaves the list unchanged and returns FALSE.
    BOOL OnOK();
    void OnCancel() {}

    // The coefficient that OnOK reads from a cell into which the grid wrote dValue: cells hold
    // text, with the shortest digits that read back as the value (so, the value itself).
    static double ShownValue(double dValue);

    // The text of cell (nRow, nCol) in grid coordinates, and writing it; the column widens or
    // narrows to its widest text, so that no coefficient is cut short.
    QString GetValue(int nRow, int nCol) const;
    void SetValue(int nRow, int nCol, const QString& text);

    // The right-click menu: "X-Space" and "U-Space" for an off-diagonal cell; any other cell
    // is left to the table. nFlags are the mouse modifiers, point is in viewport coordinates.
    virtual BOOL OnRButtonClickedRowCol(int nRow, int nCol, UINT nFlags, QPoint point);
    // While the user types in cell (nRow, nCol): the typed text goes to the mirror cell.
    virtual void OnModifyCell(int nRow, int nCol);
    // After an edit of (nRow, nCol) was committed: the mirror cell gets the number read from
    // the cell; the diagonal goes back to 1 with a beep when it was given anything else.
    virtual BOOL OnEndEditing(int nRow, int nCol);

protected:
    BOOL IsXSpace(int nRow, int nCol) const;
    void SetXSpace(int nRow, int nCol, BOOL bXSpace);
    // Menu commands (ID_CORRELATION_XSPACE, ID_CORRELATION_USPACE), applied to the current cell.
    void OnCorrelationXspace();
    void OnCorrelationUspace();

    // Qt's editing and mouse plumbing, routed to the handlers above.
    void mousePressEvent(QMouseEvent* pEvent) override;
    void commitData(QWidget* pEditor) override;
    void closeEditor(QWidget* pEditor, QAbstractItemDelegate::EndEditHint hint) override;

    CArray<CDist*, CDist*>* m_pDistArray = nullptr;
    CArray<SCorr*, SCorr*>* m_pCorrArray = nullptr;
    SCellStyle m_StyleXSpace;
    SCellStyle m_StyleUSpace;
    SCellStyle m_StyleDiagonal;

private:
    friend class CCorrelationDelegate;

    void ResetCorrArray(CArray<SCorr*, SCorr*>* pCorrArray);
    int VariableCount() const;
    void ApplyStyle(int nRow, int nCol, const SCellStyle& style);
    // Writes the number into the cell the way the grid writes every number.
    void SetNumber(int nRow, int nCol, double dValue);
    // Commits an edit still open, so that OnOK sees what was typed.
    void FinishEditing();
    void OnEditorOpened(QLineEdit* pEditor, int nRow, int nCol);

    QPointer<QLineEdit> m_pEditor; // the open cell editor, if any
    int m_nEditRow = 0;
    int m_nEditCol = 0;
    bool m_bEditCommitted = false;
    bool m_bFilling = false; // while Initialize writes the cells
};

} // namespace stochvar
