// The correlation grid driven through its cells: the symmetric matrix of the entries, the mirror
// cell while typing and after the edit, the locked diagonal, the X-space / U-space marks of the
// right-click menu, and OK's range check and rebuilt list.

#include "EditorTestSupport.h"

#include <QMenu>

#include <sstream>

namespace stochvar {
namespace {

using namespace editortest;

TEST(CorrelationGrid, CellsMirrorTheEntriesAndTheEditsAndOkRebuildsTheListInBounds) {
    CEditorHooks hooks;
    CNormal variables[4] = {{nullptr, "A", nullptr},
                            {nullptr, "B", nullptr},
                            {nullptr, "C", nullptr},
                            {nullptr, "D", nullptr}};
    CDistCollection collection;
    for (CNormal& variable : variables) {
        collection.AddDist(&variable);
    }
    CCorrelationCtrl grid;
    // The rows under their headers, a red (U-space) value marked with "u".
    const auto matrix = [&] {
        std::ostringstream text;
        for (int r = 0; r < 4; ++r) {
            text << grid.verticalHeaderItem(r)->text().toStdString()
                 << grid.horizontalHeaderItem(r)->text().toStdString() << ": ";
            for (int c = 0; c < 4; ++c) {
                const QTableWidgetItem& cell = *grid.item(r, c);
                text << cell.text().toStdString()
                     << (cell.foreground().color() == QColor(Qt::red) ? "u " : " ");
            }
        }
        return text.str();
    };
    // Types into a fresh editor of the cell (grid coordinates) and ends the edit with the key.
    const auto edit = [&](int nRow, int nCol, const QString& text, Qt::Key key = Qt::Key_Return) {
        grid.setCurrentCell(nRow - 1, nCol - 1);
        grid.editItem(grid.item(nRow - 1, nCol - 1));
        QLineEdit* pEditor = nullptr;
        for (QLineEdit* pEdit : grid.viewport()->findChildren<QLineEdit*>()) {
            pEditor = pEdit->isVisible() ? pEdit : pEditor; // closed ones linger until deleted
        }
        pEditor->selectAll();
        QTest::keyClicks(pEditor, text);
        if (key != Qt::Key_unknown) {
            QTest::keyClick(pEditor, key);
            QCoreApplication::processEvents(); // the delegate commits Return through the queue
        }
        return pEditor;
    };
    const auto rightClick = [&](int nRow, int nCol) {
        const QRect cell = grid.visualRect(grid.model()->index(nRow - 1, nCol - 1));
        QTest::mouseClick(grid.viewport(), Qt::RightButton, {}, cell.center());
    };
    // Right-clicks the cell and picks the command from its menu; returns the space checked.
    const auto mark = [&](int nRow, int nCol, int nCommand) {
        std::string checked;
        const CModalScript<QMenu> script([&](QMenu& menu) {
            auto* pX = menu.findChild<QAction*>(ControlName(ID_CORRELATION_XSPACE));
            auto* pU = menu.findChild<QAction*>(ControlName(ID_CORRELATION_USPACE));
            checked = pX->isChecked() ? "X" : pU->isChecked() ? "U" : "none";
            (nCommand == ID_CORRELATION_XSPACE ? pX : pU)->trigger();
            menu.close();
        });
        rightClick(nRow, nCol);
        return checked;
    };

    AddEntry(collection, 2, 0, 0.25, FALSE); // indices in either order
    AddEntry(collection, 1, 2, 0.4, TRUE);
    AddEntry(collection, 2, 2, 0.9, TRUE);  // a variable with itself: no cell
    AddEntry(collection, -1, 2, 0.7, TRUE); // no such variable
    grid.SetDistArray(collection.GetDistArray());
    grid.SetCorrArray(collection.GetCorrArray());
    grid.Initialize();
    grid.resize(520, 260);
    grid.show();
    EXPECT_EQ(matrix(), "AA: 1 0 0.25u 0 BB: 0 1 0.4 0 CC: 0.25u 0.4 1 0 DD: 0 0 0 1 ");
    // While typing the mirror shows the text; Escape brings both cells back.
    QLineEdit* pEditor = edit(1, 3, QStringLiteral("0."), Qt::Key_unknown);
    QTest::keyClick(pEditor, Qt::Key_5);
    EXPECT_EQ(grid.GetValue(3, 1), QStringLiteral("0.5"));
    QTest::keyClick(pEditor, Qt::Key_Escape);
    EXPECT_EQ(grid.GetValue(3, 1) + grid.GetValue(1, 3), QStringLiteral("0.250.25"));
    // After the edit the mirror holds the number the text reads as, with 13 significant digits;
    // text that is no number reads as 0.
    for (const auto& [pszTyped, pszMirror] :
         {std::pair{"0.12345678901234567", "0.1234567890123"}, {"0.3abc", "0.3"}, {"abc", "0"}}) {
        edit(1, 4, pszTyped);
        EXPECT_EQ(grid.GetValue(4, 1), pszMirror);
    }
    edit(2, 2, QStringLiteral("0.9")); // back to 1 with a beep
    EXPECT_EQ(hooks.recorded().messageBeeps, std::vector<UINT>{0});
    // The first value out of bounds, read through the upper triangle, is refused; nothing changes.
    const std::string kRefusal = "Correlation not within allowed bounds.\n(Row, Col) = ";
    for (const auto& [nRow, nCol, pszText, pszCell] : {std::tuple{2, 4, "1.5", "(2,4)"},
                                                       {4, 2, "-1.0000001", "(2,4)"},
                                                       {1, 2, "nan", "(1,2)"}}) {
        hooks.clear();
        edit(nRow, nCol, pszText);
        EXPECT_EQ(grid.OnOK(), FALSE) << pszText;
        EXPECT_EQ(hooks.messages(), std::vector{kRefusal + pszCell});
        EXPECT_EQ(collection.GetCorrArray()->GetSize(), 4);
        edit(nRow, nCol, "0");
    }
    grid.setCurrentCell(0, 0); // the clicked cell, not the current one, is marked
    EXPECT_EQ(mark(3, 2, ID_CORRELATION_USPACE), "X");
    EXPECT_EQ(mark(2, 3, ID_CORRELATION_XSPACE), "U");
    EXPECT_EQ(mark(1, 4, ID_CORRELATION_USPACE), "X");
    rightClick(2, 2); // the diagonal has no menu: one would fail the test
    edit(1, 4, QStringLiteral("0.35"));
    edit(4, 3, QStringLiteral("-1")); // the lower triangle reaches the list by its mirror
    EXPECT_EQ(matrix(), "AA: 1 0 0.25u 0.35u BB: 0 1 0.4 0 CC: 0.25u 0.4 1 -1 DD: 0.35u 0 -1 1 ");
    hooks.clear();
    ASSERT_TRUE(grid.OnOK());
    EXPECT_EQ(Entries(collection), "01 X 0; 02 U 0.25; 03 U 0.35; 12 X 0.4; 13 X 0; 23 X -1; ");
    for (const SCorr* pCorr : collection.m_Corrs) { // the other space starts from the same value
        EXPECT_TRUE(pCorr->pDist1 == collection.GetDist(pCorr->nIndex1) &&
                    pCorr->pDist2 == collection.GetDist(pCorr->nIndex2) &&
                    pCorr->dCorrX == pCorr->dCorrU);
    }
    EXPECT_TRUE(hooks.messages().empty());
}

} // namespace
} // namespace stochvar
