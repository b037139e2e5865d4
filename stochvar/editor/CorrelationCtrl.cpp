#include <stochvar/editor/CorrelationCtrl.h>

#include <stochvar/editor/ControlIds.h>
#include <stochvar/editor/ScopedCLocale.h>
#include <stochvar/editor/TextConversion.h>
#include <stochvar/model/Dist.h>
#include <stochvar/module/HostHooks.h>
#include <stochvar/simulation/Corr.h>

#include <QByteArray>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QStyledItemDelegate>

#include <algorithm>
#include <cstdlib>

namespace stochvar {

namespace {

constexpr int kPointSize = 10;
const QColor kXSpaceColor(0, 0, 0);
const QColor kUSpaceColor(255, 0, 0);

// A number as the grid reads it: the leading number of the text, 0 when there is none (the C
// library's atof, in the C locale's notation).
double ReadNumber(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    const CScopedCLocale cLocale;
    return std::atof(bytes.constData());
}

} // namespace

// Opens the usual line editor and reports it to the grid, so that typing reaches the mirror
// cell at every keystroke.
class CCorrelationDelegate : public QStyledItemDelegate {
public:
    explicit CCorrelationDelegate(CCorrelationCtrl* pGrid)
        : QStyledItemDelegate(pGrid), m_pGrid(pGrid) {}

    QWidget* createEditor(QWidget* pParent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* pEditor = QStyledItemDelegate::createEditor(pParent, option, index);
        if (auto* pLineEdit = qobject_cast<QLineEdit*>(pEditor)) {
            m_pGrid->OnEditorOpened(pLineEdit, index.row() + 1, index.column() + 1);
        }
        return pEditor;
    }

private:
    CCorrelationCtrl* m_pGrid;
};

CCorrelationCtrl::CCorrelationCtrl(QWidget* pParent) : QTableWidget(pParent) {
    QFont cellFont = font();
    cellFont.setPointSize(kPointSize);
    m_StyleXSpace = {cellFont, kXSpaceColor};
    m_StyleUSpace = {cellFont, kUSpaceColor};
    QFont diagonalFont = cellFont;
    diagonalFont.setWeight(QFont::Bold);
    m_StyleDiagonal = {diagonalFont, kXSpaceColor};

    setItemDelegate(new CCorrelationDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    setContextMenuPolicy(Qt::PreventContextMenu);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

int CCorrelationCtrl::VariableCount() const {
    return m_pDistArray != nullptr ? m_pDistArray->GetSize() : 0;
}

void CCorrelationCtrl::Initialize() {
    clear();
    setRowCount(0);
    setColumnCount(0);
    if (m_pDistArray == nullptr || m_pCorrArray == nullptr) {
        return;
    }
    const int n = VariableCount();
    // Columns are sized once, at the end, rather than at every cell.
    m_bFilling = true;
    if (n > 0) {
        setRowCount(n);
        setColumnCount(n);
    }
    for (int r = 1; r <= n; ++r) {
        for (int c = 1; c <= n; ++c) {
            auto* pItem = new QTableWidgetItem;
            pItem->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            setItem(r - 1, c - 1, pItem);
            SetValue(r, c, r == c ? QStringLiteral("1") : QStringLiteral("0"));
            ApplyStyle(r, c, r == c ? m_StyleDiagonal : m_StyleXSpace);
        }
    }
    for (const SCorr* pCorr : *m_pCorrArray) {
        const int r = pCorr->nIndex1 + 1;
        const int c = pCorr->nIndex2 + 1;
        if (r == c || r < 1 || c < 1 || r > n || c > n) {
            continue;
        }
        const double dValue = pCorr->bXSpace != 0 ? pCorr->dCorrX : pCorr->dCorrU;
        SetNumber(r, c, dValue);
        SetNumber(c, r, dValue);
        SetXSpace(r, c, pCorr->bXSpace);
    }

    QFont headerFont = m_StyleXSpace.font;
    headerFont.setWeight(QFont::Bold);
    for (int i = 1; i <= n; ++i) {
        const CDist* pDist = (*m_pDistArray)[i - 1];
        const QString name = pDist != nullptr ? ToQString(pDist->m_strVarName) : QString();
        for (const bool bRow : {true, false}) {
            auto* pHeader = new QTableWidgetItem(name);
            pHeader->setFont(headerFont);
            if (bRow) {
                setVerticalHeaderItem(i - 1, pHeader);
            } else {
                setHorizontalHeaderItem(i - 1, pHeader);
            }
        }
    }
    m_bFilling = false;
    resizeColumnsToContents();
}

double CCorrelationCtrl::ShownValue(double dValue) { return ReadNumber(NumberText(dValue)); }

QString CCorrelationCtrl::GetValue(int nRow, int nCol) const {
    const QTableWidgetItem* pItem = item(nRow - 1, nCol - 1);
    return pItem != nullptr ? pItem->text() : QString();
}

void CCorrelationCtrl::SetValue(int nRow, int nCol, const QString& text) {
    if (QTableWidgetItem* pItem = item(nRow - 1, nCol - 1)) {
        pItem->setText(text);
        if (!m_bFilling) {
            resizeColumnToContents(nCol - 1);
        }
    }
}

void CCorrelationCtrl::SetNumber(int nRow, int nCol, double dValue) {
    SetValue(nRow, nCol, NumberText(dValue));
}

void CCorrelationCtrl::ApplyStyle(int nRow, int nCol, const SCellStyle& style) {
    if (QTableWidgetItem* pItem = item(nRow - 1, nCol - 1)) {
        pItem->setFont(style.font);
        pItem->setForeground(style.textColor);
    }
}

BOOL CCorrelationCtrl::IsXSpace(int nRow, int nCol) const {
    const QTableWidgetItem* pItem = item(nRow - 1, nCol - 1);
    if (pItem == nullptr) {
        return FALSE;
    }
    return pItem->foreground().color() == m_StyleXSpace.textColor ? TRUE : FALSE;
}

void CCorrelationCtrl::SetXSpace(int nRow, int nCol, BOOL bXSpace) {
    const SCellStyle& style = bXSpace != 0 ? m_StyleXSpace : m_StyleUSpace;
    ApplyStyle(nRow, nCol, style);
    ApplyStyle(nCol, nRow, style);
}

BOOL CCorrelationCtrl::OnRButtonClickedRowCol(int nRow, int nCol, UINT nFlags, QPoint point) {
    (void)nFlags;
    if (nRow == 0 || nCol == 0 || nRow == nCol) {
        return FALSE;
    }
    QMenu menu(QStringLiteral("Correlation"), this);
    QAction* pXSpace = menu.addAction(QStringLiteral("X-Space"));
    QAction* pUSpace = menu.addAction(QStringLiteral("U-Space"));
    pXSpace->setObjectName(ControlName(ID_CORRELATION_XSPACE));
    pUSpace->setObjectName(ControlName(ID_CORRELATION_USPACE));
    const bool bXSpace = IsXSpace(nRow, nCol) != 0;
    for (QAction* pAction : {pXSpace, pUSpace}) {
        pAction->setCheckable(true);
    }
    pXSpace->setChecked(bXSpace);
    pUSpace->setChecked(!bXSpace);
    connect(pXSpace, &QAction::triggered, this, &CCorrelationCtrl::OnCorrelationXspace);
    connect(pUSpace, &QAction::triggered, this, &CCorrelationCtrl::OnCorrelationUspace);
    menu.exec(viewport()->mapToGlobal(point));
    return TRUE;
}

void CCorrelationCtrl::OnCorrelationXspace() {
    SetXSpace(currentRow() + 1, currentColumn() + 1, TRUE);
}

void CCorrelationCtrl::OnCorrelationUspace() {
    SetXSpace(currentRow() + 1, currentColumn() + 1, FALSE);
}

void CCorrelationCtrl::mousePressEvent(QMouseEvent* pEvent) {
    if (pEvent->button() == Qt::RightButton) {
        const QModelIndex index = indexAt(pEvent->position().toPoint());
        if (index.isValid()) {
            // The menu commands act on the current cell, so the clicked cell becomes current.
            setCurrentCell(index.row(), index.column());
            const UINT nFlags = static_cast<UINT>(pEvent->modifiers().toInt());
            if (OnRButtonClickedRowCol(index.row() + 1, index.column() + 1, nFlags,
                                       pEvent->position().toPoint()) != 0) {
                pEvent->accept();
                return;
            }
        }
    }
    QTableWidget::mousePressEvent(pEvent);
}

void CCorrelationCtrl::OnEditorOpened(QLineEdit* pEditor, int nRow, int nCol) {
    m_pEditor = pEditor;
    m_nEditRow = nRow;
    m_nEditCol = nCol;
    m_bEditCommitted = false;
    connect(pEditor, &QLineEdit::textEdited, this,
            [this, nRow, nCol] { OnModifyCell(nRow, nCol); });
}

void CCorrelationCtrl::OnModifyCell(int nRow, int nCol) {
    // On the diagonal the mirror is the cell itself, whose editor holds the text already.
    if (nRow == nCol || m_pEditor == nullptr) {
        return;
    }
    SetValue(nCol, nRow, m_pEditor->text());
}

BOOL CCorrelationCtrl::OnEndEditing(int nRow, int nCol) {
    // The edited cell got its text from the editor, past SetValue.
    resizeColumnToContents(nCol - 1);
    const double dValue = ReadNumber(GetValue(nRow, nCol));
    if (nRow != nCol) {
        SetNumber(nCol, nRow, dValue);
        return TRUE;
    }
    // The diagonal is locked to 1.
    if (dValue != 1.0) {
        MessageBeep(0);
    }
    SetValue(nRow, nCol, QStringLiteral("1"));
    return TRUE;
}

void CCorrelationCtrl::commitData(QWidget* pEditor) {
    QTableWidget::commitData(pEditor);
    if (pEditor == m_pEditor && !m_bEditCommitted) {
        m_bEditCommitted = true;
        OnEndEditing(m_nEditRow, m_nEditCol);
    }
}

void CCorrelationCtrl::closeEditor(QWidget* pEditor, QAbstractItemDelegate::EndEditHint hint) {
    if (pEditor == m_pEditor) {
        if (!m_bEditCommitted && m_nEditRow != m_nEditCol) {
            // A cancelled edit: the mirror shows the cell's unchanged value again.
            SetNumber(m_nEditCol, m_nEditRow, ReadNumber(GetValue(m_nEditRow, m_nEditCol)));
        }
        m_pEditor = nullptr;
    }
    QTableWidget::closeEditor(pEditor, hint);
}

void CCorrelationCtrl::FinishEditing() {
    if (m_pEditor != nullptr) {
        QLineEdit* pEditor = m_pEditor;
        commitData(pEditor);
        closeEditor(pEditor, QAbstractItemDelegate::NoHint);
    }
}

BOOL CCorrelationCtrl::OnOK() {
    FinishEditing();
    if (m_pDistArray == nullptr || m_pCorrArray == nullptr) {
        return TRUE;
    }
    const int n = std::min(VariableCount(), rowCount());
    for (int r = 1; r <= n; ++r) {
        for (int c = r + 1; c <= n; ++c) {
            const double v = ReadNumber(GetValue(r, c));
            if (!(v >= -1.0 && v <= 1.0)) {
                CString strMessage;
                strMessage.Format("Correlation not within allowed bounds.\n(Row, Col) = (%d,%d)", r,
                                  c);
                AfxMessageBox(strMessage, MB_OK);
                return FALSE;
            }
        }
    }

    ResetCorrArray(m_pCorrArray);
    for (int r = 1; r <= n; ++r) {
        for (int c = r + 1; c <= n; ++c) {
            const double v = ReadNumber(GetValue(r, c));
            auto* pCorr = new SCorr;
            pCorr->nIndex1 = r - 1;
            pCorr->nIndex2 = c - 1;
            pCorr->pDist1 = (*m_pDistArray)[r - 1];
            pCorr->pDist2 = (*m_pDistArray)[c - 1];
            pCorr->bXSpace = IsXSpace(r, c);
            // The given value in its own space; the other space starts from the same value
            // until the mapping derives it.
            pCorr->dCorrX = v;
            pCorr->dCorrU = v;
            m_pCorrArray->Add(pCorr);
        }
    }
    return TRUE;
}

void CCorrelationCtrl::ResetCorrArray(CArray<SCorr*, SCorr*>* pCorrArray) {
    for (SCorr* pCorr : *pCorrArray) {
        delete pCorr;
    }
    pCorrArray->RemoveAll();
}

} // namespace stochvar
