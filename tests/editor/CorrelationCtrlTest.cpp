// The correlation grid and its dialog driven through their cells: the symmetric matrix while
// typing and after editing, the locked diagonal, the X-space / U-space marks from the right-click
// menu, the range check of OK and the rebuilt correlation list.

#include <stochvar/editor/CorrelationCtrl.h>

#include "EditorTestSupport.h"

#include <stochvar/editor/DlgCorrelationMatrix.h>
#include <stochvar/families/Normal.h>
#include <stochvar/simulation/DistCollection.h>

#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace stochvar {
namespace {

using editortest::CEditorHooks;
using editortest::CModalScript;
using editortest::Control;

const QColor kBlack(0, 0, 0);
const QColor kRed(255, 0, 0);

// Four variables A .. D and the correlation list the grid edits.
class CorrelationGridTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* pszName : {"A", "B", "C", "D"}) {
            m_variables.push_back(std::make_unique<CNormal>(nullptr, pszName, nullptr));
            m_collection.AddDist(m_variables.back().get());
        }
    }

    // An entry made the way the grid makes them, outside SetCorr.
    SCorr* AddEntry(int nIndex1, int nIndex2, double dValue, BOOL bXSpace) {
        auto* pCorr = new SCorr;
        pCorr->nIndex1 = nIndex1;
        pCorr->nIndex2 = nIndex2;
        pCorr->pDist1 = m_collection.GetDist(nIndex1);
        pCorr->pDist2 = m_collection.GetDist(nIndex2);
        (bXSpace != 0 ? pCorr->dCorrX : pCorr->dCorrU) = dValue;
        pCorr->bXSpace = bXSpace;
        m_collection.GetCorrArray()->Add(pCorr);
        return pCorr;
    }

    void OpenGrid() {
        m_grid.SetDistArray(m_collection.GetDistArray());
        m_grid.SetCorrArray(m_collection.GetCorrArray());
        m_grid.Initialize();
        m_grid.resize(520, 260);
        m_grid.show();
    }

    QTableWidgetItem* Cell(int nRow, int nCol) { return m_grid.item(nRow - 1, nCol - 1); }
    QColor TextColor(int nRow, int nCol) { return Cell(nRow, nCol)->foreground().color(); }

    // Opens the cell editor on (nRow, nCol) in grid coordinates.
    QLineEdit* OpenEditor(int nRow, int nCol) {
        m_grid.setCurrentCell(nRow - 1, nCol - 1);
        m_grid.editItem(Cell(nRow, nCol));
        for (QLineEdit* pEdit : m_grid.viewport()->findChildren<QLineEdit*>()) {
            if (pEdit->isVisible()) {
                return pEdit;
            }
        }
        ADD_FAILURE() << "no cell editor opened on (" << nRow << "," << nCol << ")";
        return nullptr;
    }

    // Types the text into a fresh editor of the cell and ends the edit with the key.
    void EditCell(int nRow, int nCol, const QString& text, Qt::Key endKey = Qt::Key_Return) {
        QLineEdit* pEditor = OpenEditor(nRow, nCol);
        ASSERT_NE(pEditor, nullptr);
        pEditor->selectAll();
        QTest::keyClicks(pEditor, text);
        QTest::keyClick(pEditor, endKey);
        // The delegate commits Return through the event queue.
        QCoreApplication::processEvents();
    }

    CEditorHooks m_hooks;
    std::vector<std::unique_ptr<CDist>> m_variables;
    CDistCollection m_collection;
    CCorrelationCtrl m_grid;
};

TEST_F(CorrelationGridTest, ShowsNamesOnesOnTheDiagonalAndEveryEntryInItsSpace) {
    AddEntry(0, 1, 0.3, TRUE);
    AddEntry(3, 1, -0.4, FALSE); // indices in either order, as an entry made by hand may have
    AddEntry(2, 2, 0.9, TRUE);   // a variable with itself: no cell for it
    AddEntry(-1, 2, 0.7, TRUE);  // refers to no variable: left out
    OpenGrid();

    ASSERT_EQ(m_grid.rowCount(), 4);
    ASSERT_EQ(m_grid.columnCount(), 4);
    for (int i = 0; i < 4; ++i) {
        const QString name = QString(QChar(u'A' + i));
        EXPECT_EQ(m_grid.horizontalHeaderItem(i)->text(), name);
        EXPECT_EQ(m_grid.verticalHeaderItem(i)->text(), name);
        EXPECT_TRUE(m_grid.horizontalHeaderItem(i)->font().bold());
    }
    const std::array<std::array<const char*, 4>, 4> expected = {{
        {"1", "0.3", "0", "0"},
        {"0.3", "1", "0", "-0.4"},
        {"0", "0", "1", "0"},
        {"0", "-0.4", "0", "1"},
    }};
    for (int r = 1; r <= 4; ++r) {
        for (int c = 1; c <= 4; ++c) {
            EXPECT_EQ(m_grid.GetValue(r, c), QString::fromLatin1(expected[r - 1][c - 1]))
                << "cell (" << r << "," << c << ")";
            EXPECT_EQ(Cell(r, c)->font().bold(), r == c) << "cell (" << r << "," << c << ")";
            EXPECT_EQ(Cell(r, c)->font().pointSize(), 10);
        }
    }
    EXPECT_EQ(TextColor(1, 2), kBlack);
    EXPECT_EQ(TextColor(2, 1), kBlack);
    EXPECT_EQ(TextColor(2, 4), kRed);
    EXPECT_EQ(TextColor(4, 2), kRed);
    EXPECT_EQ(TextColor(3, 3), kBlack);
}

TEST_F(CorrelationGridTest, TheMirrorCellFollowsWhileTypingAndAfterTheEdit) {
    OpenGrid();
    QLineEdit* pEditor = OpenEditor(2, 3);
    ASSERT_NE(pEditor, nullptr);
    pEditor->selectAll();
    QTest::keyClicks(pEditor, QStringLiteral("0."));
    EXPECT_EQ(m_grid.GetValue(3, 2), QStringLiteral("0."));
    QTest::keyClicks(pEditor, QStringLiteral("5"));
    EXPECT_EQ(m_grid.GetValue(3, 2), QStringLiteral("0.5"));
    EXPECT_EQ(m_grid.GetValue(2, 3), QStringLiteral("0")) << "not committed yet";

    QTest::keyClick(pEditor, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_grid.GetValue(2, 3), QStringLiteral("0.5"));
    EXPECT_EQ(m_grid.GetValue(3, 2), QStringLiteral("0.5"));
    EXPECT_TRUE(m_hooks.recorded().messageBeeps.empty());
}

TEST_F(CorrelationGridTest, AfterTheEditTheMirrorHoldsTheNumberReadFromTheCell) {
    OpenGrid();
    // The edited cell keeps the text as typed; its mirror gets the number it reads as, written
    // with 13 significant digits. Text that is no number reads as 0.
    const std::vector<std::tuple<int, int, QString, QString>> cases = {
        {1, 4, "0.12345678901234567", "0.1234567890123"},
        {4, 1, "-2.5e-1", "-0.25"},
        {2, 4, "0.3abc", "0.3"},
        {3, 4, "abc", "0"},
        {1, 3, "1", "1"},
    };
    for (const auto& [nRow, nCol, typed, mirrored] : cases) {
        EditCell(nRow, nCol, typed);
        EXPECT_EQ(m_grid.GetValue(nRow, nCol), typed);
        EXPECT_EQ(m_grid.GetValue(nCol, nRow), mirrored) << typed.toStdString();
    }
}

TEST_F(CorrelationGridTest, ACancelledEditPutsTheMirrorBack) {
    AddEntry(1, 2, 0.2, TRUE);
    OpenGrid();
    EditCell(2, 3, QStringLiteral("0.7"), Qt::Key_Escape);
    EXPECT_EQ(m_grid.GetValue(2, 3), QStringLiteral("0.2"));
    EXPECT_EQ(m_grid.GetValue(3, 2), QStringLiteral("0.2"));
}

TEST_F(CorrelationGridTest, TheDiagonalGoesBackToOneWithABeep) {
    OpenGrid();
    EditCell(2, 2, QStringLiteral("0.9"));
    EXPECT_EQ(m_grid.GetValue(2, 2), QStringLiteral("1"));
    EXPECT_EQ(m_hooks.recorded().messageBeeps, (std::vector<UINT>{0}));
    EXPECT_TRUE(m_hooks.beeps().empty());
    for (int c = 1; c <= 4; ++c) {
        if (c != 2) {
            EXPECT_EQ(m_grid.GetValue(2, c), QStringLiteral("0")) << "no mirror of the diagonal";
        }
    }

    m_hooks.clear();
    EditCell(3, 3, QStringLiteral("1.0"));
    EXPECT_EQ(m_grid.GetValue(3, 3), QStringLiteral("1"));
    EXPECT_TRUE(m_hooks.recorded().messageBeeps.empty()) << "1.0 is 1";
}

TEST_F(CorrelationGridTest, OkRebuildsOneEntryPerPairInUpperTriangleOrder) {
    SCorr* pOld = AddEntry(2, 0, 0.25, FALSE);
    OpenGrid();
    EditCell(1, 2, QStringLiteral("0.5"));
    EditCell(4, 3, QStringLiteral("-1")); // lower triangle: reaches the list through its mirror
    (void)pOld;

    ASSERT_TRUE(m_grid.OnOK());
    const CArray<SCorr*, SCorr*>& corrs = *m_collection.GetCorrArray();
    ASSERT_EQ(corrs.GetSize(), 6);
    struct SExpected {
        int nIndex1;
        int nIndex2;
        double dValue;
        BOOL bXSpace;
    };
    const SExpected expected[] = {{0, 1, 0.5, TRUE}, {0, 2, 0.25, FALSE}, {0, 3, 0.0, TRUE},
                                  {1, 2, 0.0, TRUE}, {1, 3, 0.0, TRUE},   {2, 3, -1.0, TRUE}};
    for (int i = 0; i < 6; ++i) {
        const SCorr& corr = *corrs[i];
        SCOPED_TRACE("entry " + std::to_string(i));
        EXPECT_EQ(corr.nIndex1, expected[i].nIndex1);
        EXPECT_EQ(corr.nIndex2, expected[i].nIndex2);
        EXPECT_EQ(corr.pDist1, m_collection.GetDist(expected[i].nIndex1));
        EXPECT_EQ(corr.pDist2, m_collection.GetDist(expected[i].nIndex2));
        EXPECT_EQ(corr.bXSpace, expected[i].bXSpace);
        // The given value in its own space; the other space holds the same value until
        // CheckCorr maps it.
        EXPECT_EQ(expected[i].bXSpace != 0 ? corr.dCorrX : corr.dCorrU, expected[i].dValue);
        EXPECT_EQ(corr.dCorrX, corr.dCorrU);
    }
    EXPECT_TRUE(m_hooks.messages().empty());
}

TEST_F(CorrelationGridTest, OkRefusesTheFirstCoefficientOutsideTheBounds) {
    SCorr* pKept = AddEntry(0, 1, 0.3, TRUE);
    OpenGrid();
    struct SCase {
        int nRow;
        int nCol;
        const char* pszText;
        const char* pszMessage; // empty: accepted
    };
    const SCase cases[] = {
        {2, 4, "1.5", "Correlation not within allowed bounds.\n(Row, Col) = (2,4)"},
        {4, 2, "-1.0000001", "Correlation not within allowed bounds.\n(Row, Col) = (2,4)"},
        {1, 3, "nan", "Correlation not within allowed bounds.\n(Row, Col) = (1,3)"},
        {3, 4, "inf", "Correlation not within allowed bounds.\n(Row, Col) = (3,4)"},
        {2, 4, "-1", ""},
        {3, 4, "1", ""},
    };
    for (const SCase& testCase : cases) {
        SCOPED_TRACE(testCase.pszText);
        // Earlier refusals are repaired so that only this case's cell is out of bounds.
        for (int r = 1; r <= 4; ++r) {
            for (int c = r + 1; c <= 4; ++c) {
                const double v = m_grid.GetValue(r, c).toDouble();
                if (!(v >= -1.0 && v <= 1.0)) {
                    m_grid.SetValue(r, c, QStringLiteral("0"));
                }
            }
        }
        m_hooks.clear();
        EditCell(testCase.nRow, testCase.nCol, QString::fromLatin1(testCase.pszText));
        const bool bAccepted = *testCase.pszMessage == '\0';
        ASSERT_EQ(m_grid.OnOK(), bAccepted ? TRUE : FALSE);
        if (bAccepted) {
            EXPECT_TRUE(m_hooks.messages().empty());
            EXPECT_EQ(m_collection.GetCorrArray()->GetSize(), 6);
            continue;
        }
        ASSERT_EQ(m_hooks.messages(), (std::vector<std::string>{testCase.pszMessage}));
        EXPECT_EQ(m_hooks.recorded().messageStyles[0], MB_OK);
        // Nothing was changed.
        ASSERT_EQ(m_collection.GetCorrArray()->GetSize(), 1);
        EXPECT_EQ((*m_collection.GetCorrArray())[0], pKept);
    }
}

// Runs an action on the next popup menu, from inside the menu's own event loop, and closes it.
class CPopupScript {
public:
    explicit CPopupScript(std::function<void(QMenu&)> action) : m_action(std::move(action)) {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Poll(); });
        m_timer.start();
    }
    ~CPopupScript() { m_timer.stop(); }
    bool Ran() const { return m_bRan; }

private:
    void Poll() {
        auto* pMenu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (pMenu == nullptr) {
            return;
        }
        m_timer.stop();
        m_bRan = true;
        m_action(*pMenu);
        pMenu->close();
    }

    std::function<void(QMenu&)> m_action;
    QTimer m_timer;
    bool m_bRan = false;
};

struct SMenuState {
    bool bShown = false;
    bool bXChecked = false;
    bool bUChecked = false;
};

// Right-clicks the cell; when a menu opens, notes its check marks and picks the command.
SMenuState RightClick(CCorrelationCtrl& grid, int nRow, int nCol, int nCommand) {
    SMenuState state;
    CPopupScript script([&state, nCommand](QMenu& menu) {
        state.bShown = true;
        auto* pX = menu.findChild<QAction*>(ControlName(ID_CORRELATION_XSPACE));
        auto* pU = menu.findChild<QAction*>(ControlName(ID_CORRELATION_USPACE));
        ASSERT_NE(pX, nullptr);
        ASSERT_NE(pU, nullptr);
        EXPECT_EQ(pX->text(), QStringLiteral("X-Space"));
        EXPECT_EQ(pU->text(), QStringLiteral("U-Space"));
        state.bXChecked = pX->isChecked();
        state.bUChecked = pU->isChecked();
        (nCommand == ID_CORRELATION_XSPACE ? pX : pU)->trigger();
    });
    const QRect cell = grid.visualRect(grid.model()->index(nRow - 1, nCol - 1));
    QTest::mouseClick(grid.viewport(), Qt::RightButton, {}, cell.center());
    // Give a menu that was not expected the chance to show itself.
    for (int i = 0; i < 5 && !script.Ran(); ++i) {
        QTest::qWait(10);
    }
    return state;
}

TEST_F(CorrelationGridTest, TheRightClickMenuMarksAPairAsXSpaceOrUSpace) {
    AddEntry(1, 2, 0.4, TRUE);
    OpenGrid();
    m_grid.setCurrentCell(0, 0); // the clicked cell, not this one, is the one marked

    SMenuState state = RightClick(m_grid, 3, 2, ID_CORRELATION_USPACE);
    ASSERT_TRUE(state.bShown);
    EXPECT_TRUE(state.bXChecked);
    EXPECT_FALSE(state.bUChecked);
    EXPECT_EQ(TextColor(3, 2), kRed);
    EXPECT_EQ(TextColor(2, 3), kRed);
    EXPECT_EQ(TextColor(1, 2), kBlack);

    state = RightClick(m_grid, 2, 3, ID_CORRELATION_XSPACE);
    ASSERT_TRUE(state.bShown);
    EXPECT_FALSE(state.bXChecked);
    EXPECT_TRUE(state.bUChecked);
    EXPECT_EQ(TextColor(2, 3), kBlack);
    EXPECT_EQ(TextColor(3, 2), kBlack);

    // The diagonal has no menu.
    EXPECT_FALSE(RightClick(m_grid, 2, 2, ID_CORRELATION_USPACE).bShown);
    EXPECT_EQ(TextColor(2, 2), kBlack);

    // The mark decides the space of the entry OK makes.
    RightClick(m_grid, 1, 4, ID_CORRELATION_USPACE);
    EditCell(1, 4, QStringLiteral("0.35"));
    EXPECT_EQ(TextColor(1, 4), kRed) << "editing keeps the mark";
    ASSERT_TRUE(m_grid.OnOK());
    const SCorr& corr14 = *(*m_collection.GetCorrArray())[2];
    ASSERT_EQ(std::make_pair(corr14.nIndex1, corr14.nIndex2), std::make_pair(0, 3));
    EXPECT_EQ(corr14.bXSpace, FALSE);
    EXPECT_EQ(corr14.dCorrU, 0.35);
    const SCorr& corr23 = *(*m_collection.GetCorrArray())[3];
    EXPECT_EQ(corr23.bXSpace, TRUE);
    EXPECT_EQ(corr23.dCorrX, 0.4);
}

class CorrelationDialogTest : public CorrelationGridTest {};

TEST_F(CorrelationDialogTest, OkStaysOpenOnAValueOutOfBoundsAndCancelKeepsTheList) {
    SCorr* pEntry = AddEntry(0, 3, -0.2, FALSE);
    {
        CDlgCorrelationMatrix dlg;
        dlg.SetDistArray(m_collection.GetDistArray());
        dlg.SetCorrArray(m_collection.GetCorrArray());
        CModalScript<CDlgCorrelationMatrix> script([this](CDlgCorrelationMatrix& shown) {
            EXPECT_EQ(shown.windowTitle(), QStringLiteral("Correlation"));
            auto* pGrid = Control<CCorrelationCtrl>(&shown, IDC_CORR_GRID);
            ASSERT_NE(pGrid, nullptr);
            EXPECT_EQ(pGrid->GetValue(4, 1), QStringLiteral("-0.2"));
            pGrid->SetValue(2, 3, QStringLiteral("0.8"));
            Control<QPushButton>(&shown, IDC_CANCEL)->click();
        });
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    }
    ASSERT_EQ(m_collection.GetCorrArray()->GetSize(), 1);
    EXPECT_EQ((*m_collection.GetCorrArray())[0], pEntry);

    CDlgCorrelationMatrix dlg;
    dlg.SetDistArray(m_collection.GetDistArray());
    dlg.SetCorrArray(m_collection.GetCorrArray());
    CModalScript<CDlgCorrelationMatrix> script([this](CDlgCorrelationMatrix& shown) {
        auto* pGrid = shown.GetGrid();
        pGrid->setCurrentCell(0, 2);
        pGrid->editItem(pGrid->item(0, 2));
        QLineEdit* pEditor = pGrid->viewport()->findChild<QLineEdit*>();
        ASSERT_NE(pEditor, nullptr);
        pEditor->selectAll();
        QTest::keyClicks(pEditor, QStringLiteral("-3"));
        // OK with the editor still open checks what was typed.
        Control<QPushButton>(&shown, IDC_OK)->click();
        EXPECT_TRUE(shown.isVisible());
        EXPECT_EQ(m_hooks.messages(),
                  (std::vector<std::string>{
                      "Correlation not within allowed bounds.\n(Row, Col) = (1,3)"}));
        EXPECT_EQ(pGrid->GetValue(3, 1), QStringLiteral("-3"));
        pGrid->SetValue(1, 3, QStringLiteral("-0.3"));
        Control<QPushButton>(&shown, IDC_OK)->click();
        EXPECT_FALSE(shown.isVisible());
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    ASSERT_EQ(m_collection.GetCorrArray()->GetSize(), 6);
    EXPECT_EQ((*m_collection.GetCorrArray())[1]->dCorrX, -0.3);
    EXPECT_EQ((*m_collection.GetCorrArray())[2]->dCorrU, -0.2);
    EXPECT_EQ((*m_collection.GetCorrArray())[2]->bXSpace, FALSE);
}

TEST_F(CorrelationDialogTest, TheGridGrowsAndShrinksWithTheDialog) {
    CDlgCorrelationMatrix dlg;
    dlg.SetDistArray(m_collection.GetDistArray());
    dlg.SetCorrArray(m_collection.GetCorrArray());
    CModalScript<CDlgCorrelationMatrix> script([](CDlgCorrelationMatrix& shown) {
        auto* pGrid = shown.GetGrid();
        auto* pOk = Control<QPushButton>(&shown, IDC_OK);
        shown.resize(900, 600);
        QCoreApplication::processEvents();
        const QSize large = pGrid->size();
        const int nOkFromRight = shown.width() - pOk->geometry().left();
        shown.resize(500, 300);
        QCoreApplication::processEvents();
        const QSize small = pGrid->size();
        EXPECT_EQ(large - small, QSize(400, 300));
        EXPECT_EQ(shown.width() - pOk->geometry().left(), nOkFromRight)
            << "the buttons keep their distance from the right edge";
        Control<QPushButton>(&shown, IDC_CANCEL)->click();
    });
    dlg.DoModal();
}

} // namespace
} // namespace stochvar
