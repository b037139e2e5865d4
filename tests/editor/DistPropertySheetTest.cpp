// The property sheet on a host's collection, modal through CDistCollection::ChangeDistCollection
// and embedded in a host widget: the variable selector with renaming, the change of family in
// place, the refusal to leave an inconsistent variable, Return, OK with the correlation checks
// and Cancel with the restore of every variable.

#include <stochvar/editor/DistPropertySheet.h>

#include "EditorTestSupport.h"

#include <stochvar/editor/CorrelationCtrl.h>
#include <stochvar/editor/DistPageCont.h>
#include <stochvar/editor/DistPageDisc.h>
#include <stochvar/editor/DlgCorrelationMatrix.h>
#include <stochvar/families/Discrete.h>
#include <stochvar/families/Exponential.h>
#include <stochvar/families/LogNormal.h>
#include <stochvar/families/Normal.h>
#include <stochvar/simulation/DistCollection.h>

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace stochvar {
namespace {

using editortest::CEditorHooks;
using editortest::CModalScript;
using editortest::Control;
using editortest::LoadTimeHooks;
using editortest::TypeAndReturn;

// A normal variable that counts its living instances; its copies are plain CNormal objects.
class CCountedNormal : public CNormal {
public:
    CCountedNormal(CDist** ppReference, CString strName)
        : CNormal(ppReference, std::move(strName), nullptr) {
        ++s_nAlive;
    }
    ~CCountedNormal() override { --s_nAlive; }
    static int s_nAlive;
};
int CCountedNormal::s_nAlive = 0;

// Everything a user can change in a variable through the sheet.
struct SVariableState {
    int nType = -1;
    std::string strName;
    std::vector<double> params;
    int nParamCombi = -1;
    int nCurParam = -1;
    std::vector<std::string> categoryNames;
    std::vector<double> frequencies;

    explicit SVariableState(const CDist& dist)
        : nType(dist.m_nType), strName(dist.m_strVarName.GetString()),
          params(dist.m_Params.begin(), dist.m_Params.end()), nParamCombi(dist.m_nParamCombi),
          nCurParam(dist.m_nCurParam),
          frequencies(dist.m_Frequencies.begin(), dist.m_Frequencies.end()) {
        for (const CString& strCategory : dist.m_CategoryNames) {
            categoryNames.emplace_back(strCategory.GetString());
        }
    }
    bool operator==(const SVariableState&) const = default;
};

QStringList Lines(const QListWidget* pList) {
    QStringList lines;
    for (int i = 0; i < pList->count(); ++i) {
        lines.append(pList->item(i)->text());
    }
    return lines;
}

int SelectedRow(const QListWidget* pList) {
    const QList<QListWidgetItem*> selected = pList->selectedItems();
    return selected.isEmpty() ? -1 : pList->row(selected.first());
}

QStringList Items(const QComboBox* pBox) {
    QStringList items;
    for (int i = 0; i < pBox->count(); ++i) {
        items.append(pBox->itemText(i));
    }
    return items;
}

QComboBox* VariableBox(const CDistPropertySheet& sheet) {
    return Control<QComboBox>(&sheet, IDC_VAR_NAME);
}
QListWidget* TypeList(const CDistPropertySheet& sheet) {
    return Control<QListWidget>(&sheet, IDC_DIST_TYPE);
}
QLineEdit* ContValueBox(const CDistPropertySheet& sheet) {
    return Control<QLineEdit>(sheet.GetPageCont(), IDC_VALUE);
}
void PickType(const CDistPropertySheet& sheet, int nType) {
    TypeList(sheet)->setCurrentRow(nType);
}
// The next variable in the selector, chosen with the arrow key as a user would.
void SelectNext(const CDistPropertySheet& sheet) {
    QTest::keyClick(VariableBox(sheet), Qt::Key_Down);
}
void Rename(const CDistPropertySheet& sheet, const QString& name) {
    QLineEdit* pEdit = VariableBox(sheet)->lineEdit();
    pEdit->selectAll();
    QTest::keyClicks(pEdit, name);
}

class DistPropertySheetTest : public ::testing::Test {
protected:
    void TearDown() override {
        // The host owns its variables.
        for (CDist* pDist : m_collection.m_Dists) {
            delete pDist;
        }
        m_collection.ResetContents();
    }

    // A variable of the host: it lives in a reference slot of the host and in the collection.
    template <class TFamily> TFamily* Add(const char* pszName) {
        const auto nIndex = static_cast<size_t>(m_collection.GetCount());
        auto* pDist = new TFamily(&m_slots.at(nIndex), pszName, nullptr);
        m_slots[nIndex] = pDist;
        m_collection.AddDist(pDist);
        return pDist;
    }
    CCountedNormal* AddCounted(const char* pszName) {
        const auto nIndex = static_cast<size_t>(m_collection.GetCount());
        auto* pDist = new CCountedNormal(&m_slots.at(nIndex), pszName);
        m_slots[nIndex] = pDist;
        m_collection.AddDist(pDist);
        return pDist;
    }
    CDiscrete* AddDiscrete(const char* pszName) {
        CDiscrete* pDiscrete = Add<CDiscrete>(pszName);
        pDiscrete->AddCategory("low", 1.0);
        pDiscrete->AddCategory("mid", 2.0);
        pDiscrete->AddCategory("high", 1.0);
        return pDiscrete;
    }
    // An entry as the correlation grid makes it, outside SetCorr.
    SCorr* AddEntry(int nIndex1, int nIndex2, double dValue, BOOL bXSpace) {
        auto* pCorr = new SCorr;
        pCorr->nIndex1 = nIndex1;
        pCorr->nIndex2 = nIndex2;
        pCorr->pDist1 = m_collection.GetDist(nIndex1);
        pCorr->pDist2 = m_collection.GetDist(nIndex2);
        pCorr->dCorrX = dValue;
        pCorr->dCorrU = dValue;
        pCorr->bXSpace = bXSpace;
        m_collection.GetCorrArray()->Add(pCorr);
        return pCorr;
    }
    std::vector<SVariableState> States() const {
        std::vector<SVariableState> states;
        for (CDist* pDist : m_collection.m_Dists) {
            states.emplace_back(*pDist);
        }
        return states;
    }
    void ExpectSlotsPointAtTheCollection() {
        for (int i = 0; i < m_collection.GetCount(); ++i) {
            EXPECT_EQ(m_slots[static_cast<size_t>(i)], m_collection.GetDist(i)) << "slot " << i;
            EXPECT_EQ(m_collection.GetDist(i)->m_ppReference, &m_slots[static_cast<size_t>(i)]);
        }
    }

    CEditorHooks m_hooks;
    std::array<CDist*, 8> m_slots{};
    CDistCollection m_collection;
};

TEST_F(DistPropertySheetTest, OpensOnTheFirstVariableWithItsPageTheNamesAndTheTypes) {
    CNormal* pA = Add<CNormal>("A");
    AddDiscrete("B");
    // The hooks that loading the editor installed run the sheet.
    const CScopedHostHooks loadTime(LoadTimeHooks());
    CModalScript<CDistPropertySheet> script([pA](CDistPropertySheet& sheet) {
        EXPECT_EQ(sheet.windowTitle(), QStringLiteral("Change Distribution"));
        EXPECT_EQ(Items(VariableBox(sheet)), (QStringList{"A", "B"}));
        EXPECT_EQ(VariableBox(sheet)->currentText(), QStringLiteral("A"));
        EXPECT_EQ(Lines(TypeList(sheet)),
                  (QStringList{"FIXED", "BETA", "EXPONENTIAL", "DISCRETE", "GUMBEL", "LOGNORMAL",
                               "NORMAL", "RAYLEIGH", "TRIANGULAR", "UNIFORM", "WEIBULL"}));
        EXPECT_EQ(SelectedRow(TypeList(sheet)), DIST_NORMAL);
        EXPECT_EQ(Control<QPushButton>(&sheet, IDC_CORRELATION)->text(),
                  QStringLiteral("Correlation"));
        EXPECT_EQ(sheet.GetPageCount(), 2);
        EXPECT_EQ(sheet.GetPageIndex(sheet.GetPageCont()), 0);
        EXPECT_EQ(sheet.GetPageIndex(sheet.GetPageDisc()), 1);
        EXPECT_EQ(sheet.GetPageIndex(&sheet), -1);
        EXPECT_EQ(sheet.GetActivePage(), sheet.GetPageCont());
        EXPECT_EQ(sheet.GetPageCont()->GetDist(), pA);
        Control<QPushButton>(&sheet, IDC_OK)->click();
    });
    EXPECT_EQ(m_collection.ChangeDistCollection(), TRUE);
}

TEST_F(DistPropertySheetTest, AnEmptyCollectionOpensWithNothingAndOkCloses) {
    CDistPropertySheet sheet(&m_collection);
    CModalScript<CDistPropertySheet> script([](CDistPropertySheet& shown) {
        EXPECT_EQ(shown.GetCurrentDist(), nullptr);
        EXPECT_EQ(VariableBox(shown)->count(), 0);
        EXPECT_EQ(TypeList(shown)->count(), 0);
        Control<QPushButton>(&shown, IDC_OK)->click();
        EXPECT_FALSE(shown.isVisible());
    });
    EXPECT_EQ(sheet.DoModal(), IDOK);
}

TEST_F(DistPropertySheetTest, ATypeChangeReplacesTheVariableAtItsIndexAndRepointsTheSlot) {
    AddCounted("A");
    CNormal* pB = Add<CNormal>("B");
    CModalScript<CDistPropertySheet> script([this, pB](CDistPropertySheet& sheet) {
        PickType(sheet, DIST_LOGNORMAL);
        CDist* pNew = m_collection.GetDist(0);
        EXPECT_EQ(CCountedNormal::s_nAlive, 0) << "the replaced variable is deleted";
        EXPECT_EQ(pNew->m_nType, DIST_LOGNORMAL);
        EXPECT_NE(dynamic_cast<CLogNormal*>(pNew), nullptr);
        EXPECT_EQ(pNew->m_strVarName, CString("A"));
        EXPECT_EQ(m_slots[0], pNew);
        EXPECT_EQ(sheet.GetCurrentDist(), pNew);
        EXPECT_EQ(sheet.GetActivePage(), sheet.GetPageCont());
        EXPECT_EQ(sheet.GetPageCont()->GetDist(), pNew);
        EXPECT_EQ(SelectedRow(TypeList(sheet)), DIST_LOGNORMAL);
        EXPECT_EQ(m_collection.GetDist(1), pB);

        PickType(sheet, DIST_DISCRETE);
        CDist* pDiscrete = m_collection.GetDist(0);
        EXPECT_NE(dynamic_cast<CDiscrete*>(pDiscrete), nullptr);
        EXPECT_EQ(m_slots[0], pDiscrete);
        EXPECT_EQ(sheet.GetActivePage(), sheet.GetPageDisc());
        EXPECT_EQ(sheet.GetPageDisc()->GetDist(), pDiscrete);
        EXPECT_EQ(sheet.GetPageCont()->GetDist(), nullptr) << "the page put aside lets go";
        EXPECT_EQ(SelectedRow(TypeList(sheet)), DIST_DISCRETE);

        PickType(sheet, DIST_NORMAL);
        EXPECT_EQ(sheet.GetActivePage(), sheet.GetPageCont());
        EXPECT_EQ(sheet.GetPageDisc()->GetDist(), nullptr);
        Control<QPushButton>(&sheet, IDC_OK)->click();
    });
    EXPECT_EQ(m_collection.ChangeDistCollection(), TRUE);
    EXPECT_EQ(m_collection.GetDist(0)->m_nType, DIST_NORMAL);
    ExpectSlotsPointAtTheCollection();
}

TEST_F(DistPropertySheetTest, AVariableThatFailsItsCombinationCheckCannotBeLeft) {
    CNormal* pA = Add<CNormal>("A");
    CNormal* pB = Add<CNormal>("B");
    pA->m_Params[PARAM_STDDEV] = -1.0;
    CModalScript<CDistPropertySheet> script([this, pA, pB](CDistPropertySheet& sheet) {
        SelectNext(sheet);
        EXPECT_EQ(m_hooks.messages(),
                  (std::vector<std::string>{"ERROR:\nStd must be larger than zero."}));
        EXPECT_EQ(sheet.GetCurrentIndex(), 0);
        EXPECT_EQ(sheet.GetCurrentDist(), pA);
        EXPECT_EQ(VariableBox(sheet)->currentIndex(), 0);
        EXPECT_EQ(VariableBox(sheet)->currentText(), QStringLiteral("A"));
        EXPECT_EQ(sheet.GetPageCont()->GetDist(), pA);

        // Repaired on the page (the second parameter of /MEAN/STDDEV), it may be left.
        m_hooks.clear();
        pA->m_nCurParam = 1;
        sheet.GetPageCont()->UpdateAll();
        TypeAndReturn(ContValueBox(sheet), QStringLiteral("0.25"));
        EXPECT_TRUE(m_hooks.messages().empty());
        SelectNext(sheet);
        EXPECT_TRUE(m_hooks.messages().empty());
        EXPECT_EQ(sheet.GetCurrentIndex(), 1);
        EXPECT_EQ(sheet.GetCurrentDist(), pB);
        EXPECT_EQ(VariableBox(sheet)->currentText(), QStringLiteral("B"));
        EXPECT_EQ(sheet.GetPageCont()->GetDist(), pB);
        Control<QPushButton>(&sheet, IDC_OK)->click();
    });
    EXPECT_EQ(m_collection.ChangeDistCollection(), TRUE);
    EXPECT_EQ(pA->m_Params[PARAM_STDDEV], 0.25);
}

TEST_F(DistPropertySheetTest, TypingRenamesAndTheOpenListPicksAnotherVariable) {
    CNormal* pA = Add<CNormal>("A");
    CNormal* pB = Add<CNormal>("B");
    AddDiscrete("C");
    CModalScript<CDistPropertySheet> script([this, pA, pB](CDistPropertySheet& sheet) {
        QLineEdit* pEdit = VariableBox(sheet)->lineEdit();
        pEdit->selectAll();
        QTest::keyClicks(pEdit, QStringLiteral("L"));
        EXPECT_EQ(pA->m_strVarName, CString("L")) << "renamed at each keystroke";
        QTest::keyClicks(pEdit, QStringLiteral("oad"));
        EXPECT_EQ(pA->m_strVarName, CString("Load"));

        QComboBox* pBox = VariableBox(sheet);
        pBox->showPopup();
        EXPECT_EQ(Items(pBox), (QStringList{"Load", "B", "C"}));
        QAbstractItemView* pView = pBox->view();
        QTest::keyClick(pView, Qt::Key_Down);
        QTest::keyClick(pView, Qt::Key_Down);
        QTest::keyClick(pView, Qt::Key_Return);
        EXPECT_EQ(sheet.GetCurrentIndex(), 2);
        EXPECT_EQ(sheet.GetActivePage(), sheet.GetPageDisc());
        EXPECT_EQ(pBox->currentText(), QStringLiteral("C"));
        EXPECT_EQ(pA->m_strVarName, CString("Load"));
        EXPECT_EQ(pB->m_strVarName, CString("B"));
        EXPECT_EQ(m_collection.GetDist(2)->m_strVarName, CString("C"));
        Control<QPushButton>(&sheet, IDC_OK)->click();
    });
    EXPECT_EQ(m_collection.ChangeDistCollection(), TRUE);
}

TEST_F(DistPropertySheetTest, ReturnCommitsThePageValueOnceFromEveryControl) {
    CNormal* pA = Add<CNormal>("A");
    Add<CNormal>("B");
    CDiscrete* pC = AddDiscrete("C");
    CModalScript<CDistPropertySheet> script([this, pA, pC](CDistPropertySheet& sheet) {
        // In the page's own value box: MEAN takes the value and the cursor moves one step.
        TypeAndReturn(ContValueBox(sheet), QStringLiteral("6"));
        EXPECT_EQ(pA->m_Params[PARAM_MEAN], 6.0);
        EXPECT_EQ(pA->m_nCurParam, 1);

        // From the selector's edit field, even when it names another variable: the value box
        // is committed, and the sheet stays on its variable.
        ContValueBox(sheet)->setText(QStringLiteral("0.75"));
        Rename(sheet, QStringLiteral("B"));
        QTest::keyClick(VariableBox(sheet)->lineEdit(), Qt::Key_Return);
        EXPECT_EQ(pA->m_Params[PARAM_STDDEV], 0.75);
        EXPECT_EQ(pA->m_nCurParam, 0);
        EXPECT_EQ(sheet.GetCurrentDist(), pA);
        EXPECT_EQ(pA->m_strVarName, CString("B"));
        // Leaving the field with a name that another variable has keeps the variable too.
        Q_EMIT VariableBox(sheet)->lineEdit()->editingFinished();
        EXPECT_EQ(sheet.GetCurrentDist(), pA);
        EXPECT_EQ(VariableBox(sheet)->currentIndex(), 0);
        Rename(sheet, QStringLiteral("A"));

        // From the type list and the Correlation button.
        ContValueBox(sheet)->setText(QStringLiteral("7"));
        QTest::keyClick(TypeList(sheet), Qt::Key_Return);
        EXPECT_EQ(pA->m_Params[PARAM_MEAN], 7.0);
        EXPECT_EQ(pA->m_nCurParam, 1);
        ContValueBox(sheet)->setText(QStringLiteral("0.5"));
        QTest::keyClick(Control<QPushButton>(&sheet, IDC_CORRELATION), Qt::Key_Return);
        EXPECT_EQ(pA->m_Params[PARAM_STDDEV], 0.5);
        EXPECT_EQ(pA->m_nCurParam, 0);
        EXPECT_TRUE(sheet.isVisible()) << "Return never closes the sheet";

        // On the discrete page the frequency of the selected category is committed.
        SelectNext(sheet);
        SelectNext(sheet);
        ASSERT_EQ(sheet.GetActivePage(), sheet.GetPageDisc());
        EXPECT_EQ(sheet.GetPageDisc()->GetSelCategory(), 0);
        TypeAndReturn(Control<QLineEdit>(sheet.GetPageDisc(), IDC_VALUE), QStringLiteral("4"));
        EXPECT_EQ(pC->m_Frequencies[0], 4.0);
        EXPECT_EQ(sheet.GetPageDisc()->GetSelCategory(), 1);
        QTest::keyClick(TypeList(sheet), Qt::Key_Return);
        EXPECT_EQ(sheet.GetPageDisc()->GetSelCategory(), 2);
        EXPECT_TRUE(m_hooks.messages().empty());
        Control<QPushButton>(&sheet, IDC_OK)->click();
    });
    EXPECT_EQ(m_collection.ChangeDistCollection(), TRUE);
}

TEST_F(DistPropertySheetTest, CancelRestoresEveryVariableAfterTypeChangesAndRenames) {
    CNormal* pA = Add<CNormal>("A");
    pA->m_nParamCombi = 1;
    Add<CLogNormal>("B");
    AddDiscrete("C");
    m_collection.SetCorr(m_collection.GetDist(0), m_collection.GetDist(1), 0.3, TRUE);
    const std::vector<SVariableState> before = States();

    CModalScript<CDistPropertySheet> script([this, &before](CDistPropertySheet& sheet) {
        Rename(sheet, QStringLiteral("Renamed A"));
        PickType(sheet, DIST_GUMBEL);
        TypeAndReturn(ContValueBox(sheet), QStringLiteral("12"));
        SelectNext(sheet);
        PickType(sheet, DIST_NORMAL);
        Rename(sheet, QStringLiteral("Renamed B"));
        SelectNext(sheet);
        TypeAndReturn(Control<QLineEdit>(sheet.GetPageDisc(), IDC_VALUE), QStringLiteral("9"));
        PickType(sheet, DIST_NORMAL);
        PickType(sheet, DIST_EXPONENTIAL);
        EXPECT_EQ(m_collection.GetDist(0)->m_strVarName, CString("Renamed A"));
        EXPECT_EQ(m_collection.GetDist(0)->m_nType, DIST_GUMBEL);
        EXPECT_EQ(m_collection.GetDist(1)->m_strVarName, CString("Renamed B"));
        EXPECT_EQ(m_collection.GetDist(1)->m_nType, DIST_NORMAL);
        EXPECT_EQ(m_collection.GetDist(2)->m_nType, DIST_EXPONENTIAL);
        EXPECT_NE(States(), before);
        EXPECT_TRUE(m_hooks.messages().empty());

        // A correlation edited meanwhile stays edited.
        CModalScript<CDlgCorrelationMatrix> correlations([](CDlgCorrelationMatrix& dlg) {
            EXPECT_EQ(dlg.GetGrid()->GetValue(1, 2), QStringLiteral("0.3"));
            dlg.GetGrid()->SetValue(1, 2, QStringLiteral("0.6"));
            Control<QPushButton>(&dlg, IDC_OK)->click();
        });
        Control<QPushButton>(&sheet, IDC_CORRELATION)->click();
        Control<QPushButton>(&sheet, IDC_CANCEL)->click();
    });
    EXPECT_EQ(m_collection.ChangeDistCollection(), FALSE);

    EXPECT_EQ(States(), before);
    EXPECT_NE(dynamic_cast<CLogNormal*>(m_collection.GetDist(1)), nullptr);
    EXPECT_NE(dynamic_cast<CDiscrete*>(m_collection.GetDist(2)), nullptr);
    ExpectSlotsPointAtTheCollection();
    ASSERT_EQ(m_collection.GetCorrArray()->GetSize(), 3);
    const SCorr& corrAB = *(*m_collection.GetCorrArray())[0];
    EXPECT_EQ(std::make_pair(corrAB.nIndex1, corrAB.nIndex2), std::make_pair(0, 1));
    EXPECT_EQ(corrAB.dCorrX, 0.6);
}

TEST_F(DistPropertySheetTest, EscapeCancelsAModalSheet) {
    Add<CNormal>("A");
    const std::vector<SVariableState> before = States();
    CModalScript<CDistPropertySheet> script([](CDistPropertySheet& sheet) {
        PickType(sheet, DIST_UNIFORM);
        QTest::keyClick(TypeList(sheet), Qt::Key_Escape);
    });
    EXPECT_EQ(m_collection.ChangeDistCollection(), FALSE);
    EXPECT_EQ(States(), before);
    ExpectSlotsPointAtTheCollection();
}

TEST_F(DistPropertySheetTest, OkWithACorrectedCorrelationStaysOpenWithTheWarning) {
    Add<CExponential>("E1");
    Add<CExponential>("E2");
    Add<CNormal>("N");
    // Two exponential variables admit X-space correlations from about -0.6449 only.
    SCorr* pLow = AddEntry(0, 1, -0.8, TRUE);
    SCorr* pHigh = AddEntry(1, 2, 1.0, TRUE);
    SCorr* pInside = AddEntry(0, 2, 0.5, FALSE);
    CModalScript<CDistPropertySheet> script([&](CDistPropertySheet& sheet) {
        Control<QPushButton>(&sheet, IDC_OK)->click();
        EXPECT_TRUE(sheet.isVisible());
        ASSERT_EQ(m_hooks.messages().size(), 2U) << "every entry is checked";
        EXPECT_EQ(m_hooks.messages()[0].rfind("WARNING:\nCorrelation specified between variable "
                                              "E1 and E2 is too small",
                                              0),
                  0U);
        EXPECT_EQ(m_hooks.messages()[1].rfind("WARNING:\nCorrelation specified between variable "
                                              "E2 and N is too large",
                                              0),
                  0U);
        EXPECT_NEAR(pLow->dCorrX, -0.6449, 5e-5);
        // The upper end for an exponential and a normal variable is E[phi(Z) / (1 - Phi(Z))],
        // about 0.903.
        EXPECT_NEAR(pHigh->dCorrX, 0.903, 0.005);
        // The given U-space value stays, its X-space value is mapped.
        EXPECT_EQ(pInside->dCorrU, 0.5);
        EXPECT_GT(pInside->dCorrX, 0.3);
        EXPECT_LT(pInside->dCorrX, 0.5);

        m_hooks.clear();
        Control<QPushButton>(&sheet, IDC_OK)->click();
        EXPECT_TRUE(m_hooks.messages().empty());
        EXPECT_FALSE(sheet.isVisible());
    });
    EXPECT_EQ(m_collection.ChangeDistCollection(), TRUE);
}

TEST_F(DistPropertySheetTest, CancelAfterAnOkThatStayedOpenRestoresTheOpeningState) {
    Add<CNormal>("N");
    Add<CExponential>("E1");
    Add<CExponential>("E2");
    AddEntry(1, 2, -0.8, TRUE);
    const std::vector<SVariableState> before = States();
    CModalScript<CDistPropertySheet> script([this](CDistPropertySheet& sheet) {
        PickType(sheet, DIST_LOGNORMAL);
        Control<QPushButton>(&sheet, IDC_OK)->click();
        ASSERT_TRUE(sheet.isVisible());
        EXPECT_EQ(m_hooks.messages().size(), 1U);
        EXPECT_EQ(m_slots[0], m_collection.GetDist(0));
        Control<QPushButton>(&sheet, IDC_CANCEL)->click();
    });
    EXPECT_EQ(m_collection.ChangeDistCollection(), FALSE);
    EXPECT_EQ(States(), before);
    ExpectSlotsPointAtTheCollection();
    EXPECT_NEAR((*m_collection.GetCorrArray())[0]->dCorrX, -0.6449, 5e-5)
        << "the corrected correlation stays";
}

TEST_F(DistPropertySheetTest, EmbeddedInAHostWidgetTheHostConfirmsAndReverts) {
    CNormal* pA = Add<CNormal>("A");
    AddDiscrete("B");
    QWidget host;
    auto* pLayout = new QVBoxLayout(&host);
    host.resize(900, 480);
    host.show();

    EXPECT_EQ(CDistPropertySheet(&m_collection).Create(nullptr, &m_collection), FALSE);
    auto* pSheet = new CDistPropertySheet(nullptr);
    ASSERT_EQ(pSheet->Create(&host, &m_collection), TRUE);
    pLayout->addWidget(pSheet);
    QCoreApplication::processEvents();
    EXPECT_EQ(pSheet->parentWidget(), &host);
    EXPECT_FALSE(pSheet->isWindow());
    EXPECT_TRUE(pSheet->isVisible());
    EXPECT_TRUE(pSheet->IsEmbedded());
    EXPECT_FALSE(Control<QPushButton>(pSheet, IDC_OK)->isVisible());
    EXPECT_FALSE(Control<QPushButton>(pSheet, IDC_CANCEL)->isVisible());
    EXPECT_EQ(pSheet->GetPageCont()->GetDist(), pA);
    EXPECT_GT(pSheet->width(), host.width() / 2) << "the host's layout gives it room";

    // Confirmed edits become the state a revert goes back to.
    TypeAndReturn(ContValueBox(*pSheet), QStringLiteral("5"));
    EXPECT_EQ(pSheet->OnOK(), TRUE);
    EXPECT_TRUE(pSheet->isVisible());
    const std::vector<SVariableState> confirmed = States();

    PickType(*pSheet, DIST_RAYLEIGH);
    Rename(*pSheet, QStringLiteral("R"));
    QTest::keyClick(TypeList(*pSheet), Qt::Key_Escape);
    EXPECT_EQ(m_collection.GetDist(0)->m_nType, DIST_RAYLEIGH) << "Escape belongs to the host";
    pSheet->OnCancel();
    EXPECT_TRUE(pSheet->isVisible());
    EXPECT_EQ(States(), confirmed);
    EXPECT_EQ(m_collection.GetDist(0)->m_Params[PARAM_MEAN], 5.0);
    ExpectSlotsPointAtTheCollection();
    EXPECT_EQ(pSheet->GetCurrentDist(), m_collection.GetDist(0));
    EXPECT_EQ(pSheet->GetPageCont()->GetDist(), m_collection.GetDist(0));
    EXPECT_EQ(VariableBox(*pSheet)->currentText(), QStringLiteral("A"));
    EXPECT_EQ(SelectedRow(TypeList(*pSheet)), DIST_NORMAL);

    // A second revert still has a backup to go back to.
    PickType(*pSheet, DIST_UNIFORM);
    pSheet->OnCancel();
    EXPECT_EQ(States(), confirmed);
    ExpectSlotsPointAtTheCollection();
    EXPECT_TRUE(m_hooks.messages().empty());
}

} // namespace
} // namespace stochvar
