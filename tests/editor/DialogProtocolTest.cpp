// Every modal container of the editor, opened as the editor opens it: OK keeps the edits (after
// refusing, with a message and the dialog still open, what it cannot take), Cancel and Escape
// give back what was there, and Return means OK in the small dialogs while in those that hold a
// page or a grid it never closes the dialog. The correlation dialog's grid is driven on the way.

#include "EditorTestSupport.h"

#include <stochvar/families/Exponential.h>

#include <QMenu>

#include <array>
#include <sstream>

namespace stochvar {
namespace {

using namespace editortest;

// What the containers edit, made afresh for every case.
struct SData {
    SData() {
        axis.m_bAutoAxis = FALSE;
        axis.m_dAxisMin = 1.0;
        axis.m_dAxisMax = 2.0;
        discrete.AddCategory("dry", 1.0, -1);
        discrete.AddCategory("wet", 3.0, -1);
        page.SetDist(&discrete);
        for (CDist* pDist : hostSlots) {
            collection.AddDist(pDist);
        }
        AddEntry(collection, 0, 3, -0.2, FALSE);
        AddEntry(collection, 2, 1, 0.4, TRUE);  // indices in either order
        AddEntry(collection, 2, 2, 0.9, TRUE);  // a variable with itself: no cell
        AddEntry(collection, -1, 2, 0.7, TRUE); // no such variable
    }
    ~SData() {
        for (CDist* pDist : collection.m_Dists) {
            delete pDist; // the host owns its variables
        }
        delete pHost;
    }
    // Family, name, mean and standard deviation of a variable; "?" where the slot misses it.
    static std::string Variable(const CDist* pDist, CDist* const* pSlot) {
        std::ostringstream text;
        text << pDist->GetVarTypeName().GetString() << ' ' << pDist->m_strVarName.GetString() << ' '
             << pDist->GetParamValue(PARAM_MEAN) << ' ' << pDist->GetParamValue(PARAM_STDDEV)
             << (*pSlot == pDist && pDist->m_ppReference == pSlot ? "; " : " ?; ");
        return text.str();
    }

    CEditorHooks hooks;
    CNormal axis{nullptr, "X", nullptr};
    CDiscrete discrete{nullptr, "Weather", nullptr};
    CDistPageDisc page;
    CDist* pHost = new SCountedNormal(&pHost, "Load");
    std::array<CDist*, 4> hostSlots{
        new SCountedNormal(&hostSlots[0], "N"), new CExponential(&hostSlots[1], "E2", nullptr),
        new CExponential(&hostSlots[2], "E3", nullptr), new CNormal(&hostSlots[3], "N4", nullptr)};
    CDistCollection collection;
};

void SetText(QDialog& dlg, int nId, const char* pszText) {
    Control<QLineEdit>(&dlg, nId)->setText(pszText);
}

// The correlation grid driven through its cells: the symmetric matrix of the entries, the mirror
// cell while typing and after the edit, the locked diagonal, OK refusing a value out of bounds
// (also one typed in an editor still open), the X-space / U-space marks of the right-click menu.
void EditGrid(SData& data, QDialog& dlg) {
    auto& grid = *Control<CCorrelationCtrl>(&dlg, IDC_CORR_GRID);
    EXPECT_TRUE(grid.viewport()->rect().contains(grid.visualRect(grid.model()->index(3, 3))))
        << "the dialog opens large enough for the whole matrix";
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
        QTest::mouseClick(grid.viewport(), Qt::RightButton, {},
                          grid.visualRect(grid.model()->index(nRow - 1, nCol - 1)).center());
        return checked;
    };

    EXPECT_EQ(matrix(), "NN: 1 0 0 -0.2u E2E2: 0 1 0.4 0 E3E3: 0 0.4 1 0 N4N4: -0.2u 0 0 1 ");
    // While typing the mirror shows the text; Escape brings both cells back.
    QLineEdit* pEditor = EditCell(grid, 1, 4, QStringLiteral("0.5"), Qt::Key_unknown);
    ASSERT_NE(pEditor, nullptr);
    EXPECT_EQ(grid.GetValue(4, 1), QStringLiteral("0.5"));
    QTest::keyClick(pEditor, Qt::Key_Escape);
    EXPECT_EQ(grid.GetValue(4, 1) + grid.GetValue(1, 4), QStringLiteral("-0.2-0.2"));
    // After the edit the mirror holds the number the text reads as, with the shortest digits
    // that read back as it; text that is no number reads as 0.
    for (const auto& [pszTyped, pszMirror] :
         {std::pair{"0.12345678901234567", "0.12345678901234566"},
          {"0.3abc", "0.3"},
          {"abc", "0"}}) {
        EditCell(grid, 1, 2, pszTyped);
        EXPECT_EQ(grid.GetValue(2, 1), pszMirror);
    }
    EditCell(grid, 2, 2, QStringLiteral("0.9")); // back to 1 with a beep
    EXPECT_EQ(data.hooks.recorded().messageBeeps, std::vector<UINT>{0});
    // OK refuses the first value out of bounds, read through the upper triangle.
    const std::string kRefusal = "Correlation not within allowed bounds.\n(Row, Col) = ";
    for (const auto& [nRow, nCol, pszText, pszCell] : {std::tuple{2, 4, "1.5", "(2,4)"},
                                                       {4, 2, "-1.0000001", "(2,4)"},
                                                       {1, 2, "nan", "(1,2)"}}) {
        data.hooks.clear();
        EditCell(grid, nRow, nCol, pszText, Qt::Key_unknown);
        Click(&dlg, IDC_OK);
        EXPECT_TRUE(dlg.isVisible()) << pszText;
        EXPECT_EQ(data.hooks.messages(), std::vector{kRefusal + pszCell});
        EditCell(grid, nRow, nCol, "0");
    }
    grid.setCurrentCell(0, 0); // the clicked cell, not the current one, is marked
    EXPECT_EQ(mark(3, 2, ID_CORRELATION_USPACE), "X");
    EXPECT_EQ(mark(2, 3, ID_CORRELATION_XSPACE), "U");
    EXPECT_EQ(mark(1, 3, ID_CORRELATION_USPACE), "X");
    QTest::mouseClick(grid.viewport(), Qt::RightButton, {}, // the diagonal has no menu:
                      grid.visualRect(grid.model()->index(1, 1)).center()); // one would fail
    EditCell(grid, 4, 3, QStringLiteral("-1")); // the lower triangle reaches the list by its mirror
    EXPECT_EQ(matrix(), "NN: 1 0 0u -0.2u E2E2: 0 1 0.4 0 E3E3: 0u 0.4 1 -1 N4N4: -0.2u 0 -1 1 ");
    EditCell(grid, 1, 3, QStringLiteral("0.35"), Qt::Key_unknown); // left open: OK takes it
}

struct SContainer {
    const char* pszName;
    void (*run)(SData&);                // opens the container
    void (*edit)(SData&, QDialog&);     // some edits, with checks of the container's own
    std::string (*state)(const SData&); // what it edits
    const char* pszKept;                // the state after OK
    int nKeyTarget;                     // the control that gets Return and Escape
    bool bReturnMeansOk;
    // Makes OK refuse, with a message that starts with pszRefusal, or repairs that.
    void (*refuse)(QDialog&, bool bRepair) = nullptr;
    const char* pszRefusal = "";
};

const SContainer kContainers[] = {
    {"AxisBounds", [](SData& d) { EditAxisBounds(&d.axis, nullptr); },
     [](SData&, QDialog& dlg) { SetText(dlg, IDC_UPPER, "3"); },
     [](const SData& d) {
         return ::testing::PrintToString(
             std::tuple(d.axis.m_bAutoAxis, d.axis.m_dAxisMin, d.axis.m_dAxisMax));
     },
     "(0, 1, 3)", IDC_LOWER, true,
     [](QDialog& dlg, bool bRepair) { SetText(dlg, IDC_LOWER, bRepair ? "1" : "  "); },
     "Please enter a number."},
    // Insert after on the discrete page asks for the name and value of the new category.
    {"NameValue", [](SData& d) { Click(&d.page, IDC_INSERT_AFTER); },
     [](SData&, QDialog& dlg) { SetText(dlg, IDC_CATEGORY_NAME, "flood"); },
     [](const SData& d) { return Categories(d.discrete); }, "dry1 flood2 wet3 ", IDC_CATEGORY_VALUE,
     true,
     [](QDialog& dlg, bool bRepair) { SetText(dlg, IDC_CATEGORY_VALUE, bRepair ? "2" : "many"); },
     "Please enter a number."},
    // The discrete dialog edits its variable in place; Return anywhere, even on OK, commits.
    {"Discrete", [](SData& d) { EXPECT_EQ(d.discrete.ChangeDistribution(), &d.discrete); },
     [](SData&, QDialog& dlg) {
         SetText(dlg, IDC_VALUE, "5");
         QTest::keyClick(Control(&dlg, IDC_OK), Qt::Key_Return);
     },
     [](const SData& d) { return Categories(d.discrete); }, "dry5 wet3 ", IDC_OK, false},
    // The selection dialog edits a copy: the host's variable is replaced, and deleted, by OK
    // only. The discrete family is refused with a beep; Return in the name box commits a value.
    {"Selection", [](SData& d) { EXPECT_EQ(d.pHost->ChangeDistribution(), d.pHost); },
     [](SData& d, QDialog& dlg) {
         auto* pTypes = Control<QListWidget>(&dlg, IDC_DIST_TYPE);
         pTypes->setCurrentRow(DIST_DISCRETE);
         EXPECT_EQ(d.hooks.recorded().messageBeeps, std::vector<UINT>{0});
         EXPECT_EQ(SelectedRow(pTypes), DIST_NORMAL) << "the list goes back to the family";
         pTypes->setCurrentRow(DIST_LOGNORMAL);
         QTest::keyClicks(Control<QLineEdit>(&dlg, IDC_VAR_NAME), "2");
         SetText(dlg, IDC_VALUE, "6");
         QTest::keyClick(Control<QLineEdit>(&dlg, IDC_VAR_NAME), Qt::Key_Return);
     },
     [](const SData& d) {
         return SData::Variable(d.pHost, &d.pHost) + std::to_string(SCountedNormal::s_nAlive);
     },
     "LOGNORMAL Load2 6 0.5; 1", IDC_OK, false},
    // OK makes an entry per pair in the space of its cell, the other space from the same value.
    {"Correlation",
     [](SData& d) {
         CDlgCorrelationMatrix dlg;
         dlg.SetDistArray(d.collection.GetDistArray());
         dlg.SetCorrArray(d.collection.GetCorrArray());
         dlg.DoModal();
     },
     EditGrid, [](const SData& d) { return Entries(d.collection); },
     "01 X 0; 02 U 0.35; 03 U -0.2; 12 X 0.4; 13 X 0; 23 X -1; ", IDC_OK, false},
    // Two correlations lie outside what their pairs admit (entered past SetCorr's check): OK
    // corrects both, with a warning each, and stays open. Cancel, also after that OK, brings the
    // variables back as they were, not the correlations. A change of family replaces the variable,
    // keeping its name, and deletes it; the page follows the family.
    {"PropertySheet",
     [](SData& d) {
         AddEntry(d.collection, 1, 2, -0.8, TRUE);
         AddEntry(d.collection, 2, 3, 1.0, TRUE);
         AddEntry(d.collection, 1, 3, 0.5, FALSE);
         d.collection.ChangeDistCollection();
         EXPECT_EQ(d.hooks.messages().size(), 2U);
         EXPECT_TRUE(d.collection.m_Corrs[4]->dCorrX > -0.8 &&
                     d.collection.m_Corrs[5]->dCorrX < 1.0);
     },
     [](SData&, QDialog& dlg) {
         auto& sheet = static_cast<CDistPropertySheet&>(dlg);
         auto* pTypes = Control<QListWidget>(&dlg, IDC_DIST_TYPE);
         QTest::keyClicks(Control<QComboBox>(&dlg, IDC_VAR_NAME)->lineEdit(), "2");
         pTypes->setCurrentRow(DIST_DISCRETE);
         EXPECT_TRUE(sheet.GetActivePage() == sheet.GetPageDisc() && SCountedNormal::s_nAlive == 1);
         pTypes->setCurrentRow(DIST_GUMBEL);
         Enter(sheet.GetPageCont(), QStringLiteral("12"));
     },
     [](const SData& d) {
         std::string text;
         for (size_t i = 0; i < d.hostSlots.size(); ++i) {
             text += SData::Variable(d.collection.GetDist(int(i)), &d.hostSlots[i]);
         }
         return text;
     },
     "GUMBEL N2 12 0.5; EXPONENTIAL E2 0.35 0.25; EXPONENTIAL E3 0.35 0.25; NORMAL N4 4 0.5; ",
     IDC_OK, false, [](QDialog&, bool) {},
     "WARNING:\nCorrelation specified between variable E2 and E3 is too small"},
};

class DialogProtocol : public ::testing::TestWithParam<SContainer> {};

TEST_P(DialogProtocol, OkKeepsCancelAndEscapeRestoreReturnCommits) {
    const SContainer& c = GetParam();
    for (const std::string end : {"OK", "Cancel", "Escape", "Return"}) {
        SCOPED_TRACE(end);
        SData data;
        const std::string before = c.state(data);
        const CModalScript<QDialog> script([&](QDialog& dlg) {
            c.edit(data, dlg);
            if (c.refuse != nullptr) {
                c.refuse(dlg, false);
                Click(&dlg, IDC_OK);
                EXPECT_TRUE(dlg.isVisible()) << "OK refuses";
                ASSERT_FALSE(data.hooks.messages().empty());
                EXPECT_EQ(data.hooks.messages()[0].rfind(c.pszRefusal, 0), 0U);
                c.refuse(dlg, true);
            }
            if (end == "Return" || end == "Escape") {
                QTest::keyClick(Control<QWidget>(&dlg, c.nKeyTarget),
                                end == "Return" ? Qt::Key_Return : Qt::Key_Escape);
                EXPECT_EQ(dlg.isVisible(), end == "Return" && !c.bReturnMeansOk);
            }
            if (dlg.isVisible()) {
                Click(&dlg, end == "Cancel" ? IDC_CANCEL : IDC_OK);
            }
        });
        c.run(data);
        EXPECT_EQ(c.state(data), end == "OK" || end == "Return" ? c.pszKept : before);
    }
}

INSTANTIATE_TEST_SUITE_P(Containers, DialogProtocol, ::testing::ValuesIn(kContainers),
                         [](const auto& c) { return std::string(c.param.pszName); });

} // namespace
} // namespace stochvar
