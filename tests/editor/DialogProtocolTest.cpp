// Every modal container of the editor, opened as the editor opens it: OK keeps the edits (after
// refusing, with a message and the dialog still open, what it cannot take), Cancel and Escape
// give back what was there, and Return means OK in the small dialogs while in those that hold a
// page or a grid it never closes the dialog.

#include "EditorTestSupport.h"

#include <stochvar/editor/DlgAxisBounds.h>
#include <stochvar/families/Exponential.h>

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
    }
    ~SData() {
        for (CDist* pDist : collection.m_Dists) {
            delete pDist; // the host owns its variables
        }
        collection.ResetContents();
        delete pHost;
    }
    // Family, name, mean and standard deviation of variables; "?" where the slot misses one.
    static std::string
    Variables(std::initializer_list<std::pair<const CDist*, CDist* const*>> all) {
        std::ostringstream text;
        for (const auto& [pDist, pSlot] : all) {
            text << kDistKeywords[pDist->m_nType] << ' ' << pDist->m_strVarName.GetString() << ' '
                 << pDist->GetParamValue(PARAM_MEAN) << ' ' << pDist->GetParamValue(PARAM_STDDEV)
                 << (*pSlot == pDist && pDist->m_ppReference == pSlot ? "; " : " ?; ");
        }
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

CCorrelationCtrl& Grid(QDialog& dlg) {
    return *Control<CCorrelationCtrl>(&dlg, IDC_CORR_GRID);
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
         const CNormal& a = d.axis;
         return std::to_string(a.m_bAutoAxis) + ' ' + std::to_string(a.m_dAxisMin) + ' ' +
                std::to_string(a.m_dAxisMax);
     },
     "0 1.000000 3.000000", IDC_LOWER, true,
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
         EXPECT_EQ(d.pHost->m_nType, DIST_NORMAL);
     },
     [](const SData& d) {
         return SData::Variables({{d.pHost, &d.pHost}}) + std::to_string(SCountedNormal::s_nAlive);
     },
     "LOGNORMAL Load2 6 0.5; 1", IDC_OK, false},
    // OK makes an entry per pair, each in its space, also of what is typed in a cell editor still
    // open. The dialog opens large enough for the whole matrix.
    {"Correlation",
     [](SData& d) {
         CDlgCorrelationMatrix dlg;
         dlg.SetDistArray(d.collection.GetDistArray());
         dlg.SetCorrArray(d.collection.GetCorrArray());
         dlg.DoModal();
     },
     [](SData&, QDialog& dlg) {
         CCorrelationCtrl& grid = Grid(dlg);
         EXPECT_TRUE(grid.viewport()->rect().contains(grid.visualRect(grid.model()->index(3, 3))));
         grid.SetValue(1, 2, QStringLiteral("0.5"));
     },
     [](const SData& d) { return Entries(d.collection); },
     "01 X 0.5; 02 X -0.3; 03 U -0.2; 12 X 0; 13 X 0; 23 X 0; ", IDC_OK, false,
     [](QDialog& dlg, bool bRepair) {
         Grid(dlg).setCurrentCell(0, 2);
         Grid(dlg).editItem(Grid(dlg).item(0, 2));
         for (QLineEdit* pEditor : Grid(dlg).viewport()->findChildren<QLineEdit*>()) {
             pEditor->setText(bRepair ? "-0.3" : "-3"); // closed ones linger until deleted
         }
     },
     "Correlation not within allowed bounds.\n(Row, Col) = (1,3)"},
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
         EXPECT_TRUE(d.collection.m_Corrs[1]->dCorrX > -0.8 &&
                     d.collection.m_Corrs[2]->dCorrX < 1.0);
     },
     [](SData& d, QDialog& dlg) {
         auto& sheet = static_cast<CDistPropertySheet&>(dlg);
         auto* pTypes = Control<QListWidget>(&dlg, IDC_DIST_TYPE);
         QTest::keyClicks(Control<QComboBox>(&dlg, IDC_VAR_NAME)->lineEdit(), "2");
         pTypes->setCurrentRow(DIST_DISCRETE);
         EXPECT_TRUE(sheet.GetActivePage() == sheet.GetPageDisc() && SCountedNormal::s_nAlive == 1);
         pTypes->setCurrentRow(DIST_GUMBEL);
         Enter(sheet.GetPageCont(), QStringLiteral("12"));
         EXPECT_EQ(d.collection.GetDist(0)->m_nType, DIST_GUMBEL);
     },
     [](const SData& d) {
         const auto& s = d.hostSlots;
         return SData::Variables({{d.collection.GetDist(0), &s[0]},
                                  {d.collection.GetDist(1), &s[1]},
                                  {d.collection.GetDist(2), &s[2]},
                                  {d.collection.GetDist(3), &s[3]}});
     },
     "GUMBEL N2 12 0.5; EXPONENTIAL E2 0.35 0.25; EXPONENTIAL E3 0.35 0.25; NORMAL N4 4 0.5; ",
     IDC_OK, false, [](QDialog&, bool) {},
     "WARNING:\nCorrelation specified between variable E2 and E3 is too small"},
};

enum EEnd { kOk, kCancel, kEscape, kReturn };

class DialogProtocol : public ::testing::TestWithParam<std::tuple<SContainer, EEnd>> {};

TEST_P(DialogProtocol, OkKeepsCancelAndEscapeRestoreReturnCommits) {
    const auto& [c, end] = GetParam();
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
        if (end == kReturn || end == kEscape) {
            QTest::keyClick(Control<QWidget>(&dlg, c.nKeyTarget),
                            end == kReturn ? Qt::Key_Return : Qt::Key_Escape);
            EXPECT_EQ(dlg.isVisible(), end == kReturn && !c.bReturnMeansOk);
        }
        if (dlg.isVisible()) {
            Click(&dlg, end == kCancel ? IDC_CANCEL : IDC_OK);
        }
    });
    c.run(data);
    EXPECT_EQ(c.state(data), end == kOk || end == kReturn ? c.pszKept : before);
}

std::string CaseName(const ::testing::TestParamInfo<std::tuple<SContainer, EEnd>>& param) {
    const char* const endNames[] = {"Ok", "Cancel", "Escape", "Return"};
    return std::string(std::get<0>(param.param).pszName) + endNames[std::get<1>(param.param)];
}

INSTANTIATE_TEST_SUITE_P(Containers, DialogProtocol,
                         ::testing::Combine(::testing::ValuesIn(kContainers),
                                            ::testing::Values(kOk, kCancel, kEscape, kReturn)),
                         CaseName);

} // namespace
} // namespace stochvar
