// The embedded property sheet reports every edit that changes its collection, once, and nothing
// for an edit that leaves the collection as it was: what a host needs to know whether there is
// something to save.

#include "EditorTestSupport.h"

#include <stochvar/editor/DlgNameValue.h>
#include <stochvar/families/Exponential.h>

#include <QRadioButton>
#include <QSignalSpy>

namespace stochvar {
namespace {

using namespace editortest;

// The host's collection, which owns its variables: the sheet replaces and deletes them.
struct SHostCollection {
    ~SHostCollection() {
        for (CDist* pDist : collection.m_Dists) {
            delete pDist;
        }
    }
    CDistCollection collection;
};

// A normal variable N (mu 4, sigma 0.5, axis from 1 to 7), a discrete D (dry 1, wet 3) and an
// exponential E, N and E correlated, in a sheet embedded in a window; made afresh for every case.
struct SSheet {
    SSheet() {
        auto* pNormal = new CNormal(nullptr, "N", nullptr);
        pNormal->m_bAutoAxis = FALSE;
        pNormal->m_dAxisMin = 1.0;
        pNormal->m_dAxisMax = 7.0;
        auto* pDiscrete = new CDiscrete(nullptr, "D", nullptr);
        pDiscrete->AddCategory("dry", 1.0, -1);
        pDiscrete->AddCategory("wet", 3.0, -1);
        for (CDist* pDist : std::initializer_list<CDist*>{
                 pNormal, pDiscrete, new CExponential(nullptr, "E", nullptr)}) {
            collection.AddDist(pDist);
        }
        AddEntry(collection, 0, 2, 0.3, TRUE);
        sheet.Create(&window, &collection);
    }
    QWidget* Cont() const { return sheet.GetPageCont(); }
    QWidget* Disc() const { return sheet.GetPageDisc(); }
    // Shows the discrete variable with its category nRow selected; reports nothing.
    void ShowCategory(int nRow) {
        sheet.SelectVariable(1);
        Control<QListWidget>(Disc(), IDC_CATEGORY_LIST)->setCurrentRow(nRow);
    }
    // Opens the correlation dialog, sets the N-E cell to 0.5 and closes it with OK or Cancel.
    void Correlation(int nClose) {
        const CModalScript<CDlgCorrelationMatrix> script([=](CDlgCorrelationMatrix& dlg) {
            dlg.GetGrid()->SetValue(1, 3, "0.5");
            Click(&dlg, nClose);
        });
        Click(&sheet, IDC_CORRELATION);
    }
    // Opens the name-and-value dialog with the button and closes it with OK or Cancel.
    void NameValue(int nButton, const char* pszName, int nClose) {
        const CModalScript<CDlgNameValue> script([=](CDlgNameValue& dlg) {
            Control<QLineEdit>(&dlg, IDC_CATEGORY_NAME)->setText(pszName);
            Click(&dlg, nClose);
        });
        Click(Disc(), nButton);
    }

    CEditorHooks hooks;
    SHostCollection host;
    CDistCollection& collection = host.collection;
    QWidget window;
    CDistPropertySheet sheet{nullptr};
};

struct SEdit {
    const char* pszName;
    void (*edit)(SSheet&);
    int nReports;
    int nCategory = -1; // the category of D shown before the edit; -1: N stays shown
};

const SEdit kEdits[] = {
    // Left as it was.
    {"ReturnOnTheValuesShownAndTheirConversion",
     [](SSheet& s) { Enter(s.Cont(), "4"), Enter(s.Cont(), "0.5"); }, 0},
    {"NotANumber", [](SSheet& s) { Enter(s.Cont(), "4x"); }, 0},
    {"CurveAndCursor",
     [](SSheet& s) {
         Control<QRadioButton>(s.Cont(), IDC_CDF)->click();
         Control<QListWidget>(s.Cont(), IDC_PARAMETER)->setCurrentRow(1);
         Enter(s.Cont(), "-1"); // a standard deviation below 0 is refused
     },
     0},
    {"AxisDialogCancelled", [](SSheet& s) { AxisDialog(s.Cont(), true, "0", "9", IDC_CANCEL); }, 0},
    {"AxisBoundsAsTheyWere", [](SSheet& s) { AxisDialog(s.Cont(), false, " 7", "1"); }, 0},
    {"AnotherVariableShown", [](SSheet& s) { s.sheet.SelectVariable(2); }, 0},
    {"CorrelationDialogCancelled", [](SSheet& s) { s.Correlation(IDC_CANCEL); }, 0},
    {"ReturnOnTheFrequencyShown", [](SSheet& s) { Enter(s.Disc(), "3"); }, 0, 1},
    {"CategoryEditedAsItWas", [](SSheet& s) { s.NameValue(IDC_EDIT, "dry", IDC_OK); }, 0, 0},
    {"InsertCancelled", [](SSheet& s) { s.NameValue(IDC_INSERT_AFTER, "x", IDC_CANCEL); }, 0, 0},
    {"MoveUpAtTheTop", [](SSheet& s) { Click(s.Disc(), IDC_MOVE_UP); }, 0, 0},
    {"OkWithCorrelationsInRange", [](SSheet& s) { s.sheet.OnOK(); }, 0},
    // E shown: its automatic axis bounds are worked out, which is no edit.
    {"CancelWithoutEdits", [](SSheet& s) { s.sheet.SelectVariable(2), s.sheet.OnCancel(); }, 0},
    // Changed.
    {"NewValue", [](SSheet& s) { Enter(s.Cont(), "5"); }, 1},
    {"InputType",
     [](SSheet& s) { Control<QListWidget>(s.Cont(), IDC_INPUT_TYPE)->setCurrentRow(1); }, 1},
    {"AutomaticAxis", [](SSheet& s) { AxisDialog(s.Cont(), true, nullptr, nullptr); }, 1},
    {"LowerAxisBound", [](SSheet& s) { AxisDialog(s.Cont(), false, "0", nullptr); }, 1},
    {"UpperAxisBound", [](SSheet& s) { AxisDialog(s.Cont(), false, nullptr, "9"); }, 1},
    {"Renamed",
     [](SSheet& s) {
         QTest::keyClicks(Control<QComboBox>(&s.sheet, IDC_VAR_NAME)->lineEdit(), "2");
     },
     1},
    {"Family",
     [](SSheet& s) { Control<QListWidget>(&s.sheet, IDC_DIST_TYPE)->setCurrentRow(DIST_GUMBEL); },
     1},
    {"Correlation", [](SSheet& s) { s.Correlation(IDC_OK); }, 1},
    {"NewFrequency", [](SSheet& s) { Enter(s.Disc(), "2"); }, 1, 1},
    // Return in the sheet's own name box commits the value box of the page shown.
    {"NewFrequencyByReturnInTheNameBox",
     [](SSheet& s) {
         Control<QLineEdit>(s.Disc(), IDC_VALUE)->setText("2");
         QTest::keyClick(Control<QComboBox>(&s.sheet, IDC_VAR_NAME)->lineEdit(), Qt::Key_Return);
     },
     1, 1},
    {"CategoryRenamed", [](SSheet& s) { s.NameValue(IDC_EDIT, "arid", IDC_OK); }, 1, 0},
    {"CategoryInserted", [](SSheet& s) { s.NameValue(IDC_INSERT_AFTER, "x", IDC_OK); }, 1, 0},
    {"CategoryMoved", [](SSheet& s) { Click(s.Disc(), IDC_MOVE_DOWN); }, 1, 0},
    {"CategoryDeleted", [](SSheet& s) { Click(s.Disc(), IDC_DELETE); }, 1, 1},
    // N and E admit less than 1 in X-space: OK moves the coefficient into range.
    {"OkCorrectsACorrelation",
     [](SSheet& s) {
         s.collection.m_Corrs[0]->dCorrX = 1.0;
         s.sheet.OnOK();
         EXPECT_EQ(s.hooks.messages().size(), 1U);
     },
     1},
    // The edit, then Cancel putting the variable back.
    {"CancelAfterAnEdit",
     [](SSheet& s) {
         Enter(s.Cont(), "5");
         s.sheet.OnCancel();
         EXPECT_EQ(s.sheet.GetCurrentDist()->GetParamValue(PARAM_MEAN), 4.0);
     },
     2},
};

class SheetModification : public ::testing::TestWithParam<SEdit> {};

TEST_P(SheetModification, IsReportedOncePerChangeAndNeverWithoutOne) {
    SSheet s;
    const QSignalSpy reports(&s.sheet, &CDistPropertySheet::collectionModified);
    if (GetParam().nCategory >= 0) {
        s.ShowCategory(GetParam().nCategory);
    }
    GetParam().edit(s);
    EXPECT_EQ(reports.count(), GetParam().nReports);
}

INSTANTIATE_TEST_SUITE_P(Edits, SheetModification, ::testing::ValuesIn(kEdits),
                         [](const auto& edit) { return std::string(edit.param.pszName); });

} // namespace
} // namespace stochvar
