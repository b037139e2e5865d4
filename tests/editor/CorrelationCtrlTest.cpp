// The correlation grid driven through its cells: the symmetric matrix of the entries, the mirror
// cell while typing and after the edit, the locked diagonal, the X-space / U-space marks of the
// right-click menu (red text for U-space), and OK's range check and rebuilt list.

#include "EditorTestSupport.h"

#include <QMenu>

#include <sstream>

namespace stochvar {
namespace {

using namespace editortest;

class CorrelationGridTest : public ::testing::Test {
protected:
    CorrelationGridTest() {
        for (CNormal& variable : m_variables) {
            m_collection.AddDist(&variable);
        }
    }
    void OpenGrid() {
        m_grid.SetDistArray(m_collection.GetDistArray());
        m_grid.SetCorrArray(m_collection.GetCorrArray());
        m_grid.Initialize();
        m_grid.resize(520, 260);
        m_grid.show();
    }
    // The cells row by row, a red (U-space) value marked with "u".
    std::string Matrix() const {
        std::ostringstream text;
        for (int r = 0; r < 4; ++r) {
            for (int c = 0; c < 4; ++c) {
                const QTableWidgetItem& cell = *m_grid.item(r, c);
                text << cell.text().toStdString()
                     << (cell.foreground().color() == QColor(Qt::red) ? "u " : " ");
            }
            text << "| ";
        }
        return text.str();
    }
    // Types into a fresh editor of the cell (grid coordinates) and ends the edit with the key,
    // if one is given.
    QLineEdit* EditCell(int nRow, int nCol, const QString& text, Qt::Key endKey = Qt::Key_Return) {
        m_grid.setCurrentCell(nRow - 1, nCol - 1);
        m_grid.editItem(m_grid.item(nRow - 1, nCol - 1));
        QLineEdit* pEditor = nullptr;
        for (QLineEdit* pEdit : m_grid.viewport()->findChildren<QLineEdit*>()) {
            pEditor = pEdit->isVisible() ? pEdit : pEditor; // closed ones linger until deleted
        }
        pEditor->selectAll();
        QTest::keyClicks(pEditor, text);
        if (endKey != Qt::Key_unknown) {
            QTest::keyClick(pEditor, endKey);
            QCoreApplication::processEvents(); // the delegate commits Return through the queue
        }
        return pEditor;
    }
    void RightClick(int nRow, int nCol) {
        const QRect cell = m_grid.visualRect(m_grid.model()->index(nRow - 1, nCol - 1));
        QTest::mouseClick(m_grid.viewport(), Qt::RightButton, {}, cell.center());
    }
    // Right-clicks the cell and picks X-Space or U-Space from its menu; returns which of the two
    // was checked.
    std::string Mark(int nRow, int nCol, int nCommand) {
        std::string checked;
        const CModalScript<QMenu> script([&](QMenu& menu) {
            auto* pX = menu.findChild<QAction*>(ControlName(ID_CORRELATION_XSPACE));
            auto* pU = menu.findChild<QAction*>(ControlName(ID_CORRELATION_USPACE));
            EXPECT_EQ(pX->text() + pU->text(), QStringLiteral("X-SpaceU-Space"));
            checked = pX->isChecked() ? "X" : pU->isChecked() ? "U" : "none";
            (nCommand == ID_CORRELATION_XSPACE ? pX : pU)->trigger();
            menu.close();
        });
        RightClick(nRow, nCol);
        return checked;
    }

    CEditorHooks m_hooks;
    CNormal m_variables[4] = {{nullptr, "A", nullptr},
                              {nullptr, "B", nullptr},
                              {nullptr, "C", nullptr},
                              {nullptr, "D", nullptr}};
    CDistCollection m_collection;
    CCorrelationCtrl m_grid;
};

TEST_F(CorrelationGridTest, TheMirrorCellFollowsTheTypingAndTheDiagonalStaysOne) {
    AddEntry(m_collection, 1, 2, 0.2, TRUE);
    OpenGrid();
    QLineEdit* pEditor = EditCell(1, 3, QStringLiteral("0."), Qt::Key_unknown);
    EXPECT_EQ(m_grid.GetValue(3, 1), QStringLiteral("0."));
    QTest::keyClick(pEditor, Qt::Key_5);
    EXPECT_EQ(m_grid.GetValue(3, 1) + m_grid.GetValue(1, 3), QStringLiteral("0.50"));
    QTest::keyClick(pEditor, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_grid.GetValue(1, 3), QStringLiteral("0.5")) << "committed";
    EditCell(2, 3, QStringLiteral("0.7"), Qt::Key_Escape);
    EXPECT_EQ(m_grid.GetValue(2, 3) + m_grid.GetValue(3, 2), QStringLiteral("0.20.2"));

    // After the edit the mirror holds the number the text reads as, with 13 significant digits;
    // text that is no number reads as 0.
    for (const auto& [pszTyped, pszMirror] : {std::pair{"0.12345678901234567", "0.1234567890123"},
                                              {"-2.5e-1", "-0.25"},
                                              {"0.3abc", "0.3"},
                                              {"abc", "0"}}) {
        EditCell(1, 4, pszTyped);
        EXPECT_EQ(m_grid.GetValue(1, 4) + " " + m_grid.GetValue(4, 1),
                  QString(pszTyped) + " " + pszMirror);
    }
    EditCell(2, 2, QStringLiteral("1.0"));
    EXPECT_TRUE(m_hooks.recorded().messageBeeps.empty()) << "1.0 is 1";
    EditCell(2, 2, QStringLiteral("0.9"));
    EXPECT_EQ(m_hooks.recorded().messageBeeps, std::vector<UINT>{0});
    EXPECT_EQ(Matrix(), "1 0 0.5 abc | 0 1 0.2 0 | 0.5 0.2 1 0 | 0 0 0 1 | ");
}

TEST_F(CorrelationGridTest, ShowsTheEntriesAndOkMakesOneEntryPerPairOrRefusesAValueOutOfBounds) {
    AddEntry(m_collection, 2, 0, 0.25, FALSE); // indices in either order
    AddEntry(m_collection, 1, 2, 0.4, TRUE);
    AddEntry(m_collection, 2, 2, 0.9, TRUE);  // a variable with itself: no cell
    AddEntry(m_collection, -1, 2, 0.7, TRUE); // no such variable
    OpenGrid();
    EXPECT_EQ(Matrix(), "1 0 0.25u 0 | 0 1 0.4 0 | 0.25u 0.4 1 0 | 0 0 0 1 | ");
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(m_grid.horizontalHeaderItem(i)->text() + m_grid.verticalHeaderItem(i)->text(),
                  QString(2, QChar(u'A' + i)));
    }
    // The first value out of bounds, read through the upper triangle, is refused; nothing changes.
    for (const auto& [nRow, nCol, pszText, pszCell] : {std::tuple{2, 4, "1.5", "(2,4)"},
                                                       {4, 2, "-1.0000001", "(2,4)"},
                                                       {1, 2, "nan", "(1,2)"},
                                                       {3, 4, "inf", "(3,4)"}}) {
        m_hooks.clear();
        EditCell(nRow, nCol, pszText);
        EXPECT_EQ(m_grid.OnOK(), FALSE) << pszText;
        EXPECT_EQ(
            m_hooks.messages(),
            std::vector<std::string>{
                std::string("Correlation not within allowed bounds.\n(Row, Col) = ") + pszCell});
        EXPECT_EQ(m_hooks.recorded().messageStyles, std::vector<UINT>{MB_OK});
        EXPECT_EQ(m_collection.GetCorrArray()->GetSize(), 4);
        EditCell(nRow, nCol, "0");
    }
    m_hooks.clear();
    m_grid.setCurrentCell(0, 0); // the clicked cell, not the current one, is marked
    EXPECT_EQ(Mark(3, 2, ID_CORRELATION_USPACE), "X");
    EXPECT_EQ(Mark(2, 3, ID_CORRELATION_XSPACE), "U");
    EXPECT_EQ(Mark(1, 4, ID_CORRELATION_USPACE), "X");
    RightClick(2, 2); // the diagonal has no menu: one would fail the test
    EditCell(1, 4, QStringLiteral("0.35"));
    EditCell(4, 3, QStringLiteral("-1")); // the lower triangle reaches the list by its mirror
    EXPECT_EQ(Matrix(), "1 0 0.25u 0.35u | 0 1 0.4 0 | 0.25u 0.4 1 -1 | 0.35u 0 -1 1 | ");
    ASSERT_TRUE(m_grid.OnOK());
    EXPECT_EQ(Entries(m_collection), "01 X 0; 02 U 0.25; 03 U 0.35; 12 X 0.4; 13 X 0; 23 X -1; ");
    for (const SCorr* pCorr : m_collection.m_Corrs) { // the other space starts from the same value
        EXPECT_TRUE(pCorr->pDist1 == m_collection.GetDist(pCorr->nIndex1) &&
                    pCorr->pDist2 == m_collection.GetDist(pCorr->nIndex2) &&
                    pCorr->dCorrX == pCorr->dCorrU);
    }
    EXPECT_TRUE(m_hooks.messages().empty());
}

} // namespace
} // namespace stochvar
