// Editing one variable with CDist::ChangeDistribution: the selection dialog on a working copy,
// type changes, the refused discrete type, OK and Cancel with their ownership rules.

#include <stochvar/editor/DlgSelectDist.h>

#include "EditorTestSupport.h"

#include <stochvar/editor/DistPageCont.h>
#include <stochvar/families/LogNormal.h>
#include <stochvar/families/Normal.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace stochvar {
namespace {

using editortest::CEditorHooks;
using editortest::CModalScript;
using editortest::Control;
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

// The variable the dialog edits right now.
CDist* WorkingCopy(const CDlgSelectDist& dlg) {
    return dlg.GetPage()->GetDist();
}

class DlgSelectDistTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(CCountedNormal::s_nAlive, 0);
        m_pHost = new CCountedNormal(&m_pHost, "Load");
        m_pOriginal = m_pHost;
    }
    void TearDown() override {
        delete m_pHost;
        EXPECT_EQ(CCountedNormal::s_nAlive, 0);
    }

    CEditorHooks m_hooks;
    CDist* m_pHost = nullptr; // the host's reference slot
    CDist* m_pOriginal = nullptr;
};

TEST_F(DlgSelectDistTest, ShowsACopyOfTheVariable) {
    CModalScript<CDlgSelectDist> script([this](CDlgSelectDist& dlg) {
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Select distribution"));
        auto* pTypes = Control<QListWidget>(&dlg, IDC_DIST_TYPE);
        EXPECT_EQ(Lines(pTypes),
                  (QStringList{"FIXED", "BETA", "EXPONENTIAL", "DISCRETE", "GUMBEL", "LOGNORMAL",
                               "NORMAL", "RAYLEIGH", "TRIANGULAR", "UNIFORM", "WEIBULL"}));
        EXPECT_EQ(SelectedRow(pTypes), DIST_NORMAL);
        EXPECT_EQ(Control<QLineEdit>(&dlg, IDC_VAR_NAME)->text(), QStringLiteral("Load"));
        EXPECT_EQ(Lines(Control<QListWidget>(&dlg, IDC_INPUT_TYPE)),
                  (QStringList{"/MEAN/STDDEV", "/MEAN/COV"}));
        EXPECT_NE(WorkingCopy(dlg), m_pOriginal);
        EXPECT_EQ(Control<CChart2D>(&dlg, IDC_CHART)->GetPointCount(1), 50);
        auto* pEnter = Control<QPushButton>(&dlg, IDC_ENTER);
        EXPECT_FALSE(pEnter->isVisible());
        Control<QPushButton>(&dlg, IDC_CANCEL)->click();
    });
    EXPECT_EQ(m_pHost->ChangeDistribution(), m_pOriginal);
}

TEST_F(DlgSelectDistTest, OkAfterATypeChangeReplacesTheVariableInTheHostSlot) {
    CModalScript<CDlgSelectDist> script([](CDlgSelectDist& dlg) {
        auto* pTypes = Control<QListWidget>(&dlg, IDC_DIST_TYPE);
        pTypes->setCurrentRow(DIST_LOGNORMAL);
        EXPECT_EQ(WorkingCopy(dlg)->m_nType, DIST_LOGNORMAL);
        EXPECT_EQ(SelectedRow(pTypes), DIST_LOGNORMAL);
        EXPECT_EQ(Control<QListWidget>(&dlg, IDC_INPUT_TYPE)->count(), 3)
            << "the page shows the input types of the new family";
        Control<QPushButton>(&dlg, IDC_OK)->click();
    });
    CDist* pResult = m_pHost->ChangeDistribution();
    EXPECT_NE(dynamic_cast<CLogNormal*>(pResult), nullptr);
    EXPECT_EQ(m_pHost, pResult) << "the host's slot follows the replacement";
    EXPECT_EQ(CCountedNormal::s_nAlive, 0) << "the variable that was replaced is deleted";
    // The new variable is built from the old one without conversion.
    EXPECT_EQ(pResult->GetVarName(), CString("Load"));
    EXPECT_EQ(pResult->GetParamValue(PARAM_MEAN), 4.0);
    EXPECT_EQ(pResult->GetParamValue(PARAM_STDDEV), 0.5);
    EXPECT_EQ(pResult->m_ppReference, &m_pHost);
}

TEST_F(DlgSelectDistTest, OkWithoutChangesStillHandsBackTheEditedCopy) {
    CModalScript<CDlgSelectDist> script([](CDlgSelectDist& dlg) {
        TypeAndReturn(Control<QLineEdit>(&dlg, IDC_VALUE), "6");
        Control<QPushButton>(&dlg, IDC_OK)->click();
    });
    CDist* pResult = m_pHost->ChangeDistribution();
    EXPECT_NE(pResult, m_pOriginal);
    EXPECT_EQ(m_pHost, pResult);
    EXPECT_EQ(pResult->m_nType, DIST_NORMAL);
    EXPECT_EQ(pResult->GetParamValue(PARAM_MEAN), 6.0);
    EXPECT_EQ(CCountedNormal::s_nAlive, 0);
}

TEST_F(DlgSelectDistTest, CancelAfterTypeChangesKeepsTheOriginalUntouched) {
    CModalScript<CDlgSelectDist> script([](CDlgSelectDist& dlg) {
        auto* pTypes = Control<QListWidget>(&dlg, IDC_DIST_TYPE);
        pTypes->setCurrentRow(DIST_GUMBEL);
        pTypes->setCurrentRow(DIST_UNIFORM);
        TypeAndReturn(Control<QLineEdit>(&dlg, IDC_VALUE), "-3");
        Control<QLineEdit>(&dlg, IDC_VAR_NAME)->setText("Other");
        Control<QPushButton>(&dlg, IDC_CANCEL)->click();
    });
    CDist* pResult = m_pHost->ChangeDistribution();
    EXPECT_EQ(pResult, m_pOriginal);
    EXPECT_EQ(m_pHost, m_pOriginal);
    EXPECT_EQ(CCountedNormal::s_nAlive, 1);
    EXPECT_EQ(pResult->m_nType, DIST_NORMAL);
    EXPECT_EQ(pResult->GetVarName(), CString("Load"));
    EXPECT_EQ(pResult->GetParamValue(PARAM_MEAN), 4.0);
    EXPECT_EQ(pResult->GetParamValue(PARAM_LOWER_BOUND), 0.0);
}

TEST_F(DlgSelectDistTest, EscapeCancelsLikeTheButton) {
    CModalScript<CDlgSelectDist> script([](CDlgSelectDist& dlg) {
        Control<QListWidget>(&dlg, IDC_DIST_TYPE)->setCurrentRow(DIST_FIXED);
        QTest::keyClick(&dlg, Qt::Key_Escape);
    });
    EXPECT_EQ(m_pHost->ChangeDistribution(), m_pOriginal);
    EXPECT_EQ(m_pHost->m_nType, DIST_NORMAL);
}

TEST_F(DlgSelectDistTest, TheDiscreteTypeIsRefusedWithABeep) {
    CModalScript<CDlgSelectDist> script([this](CDlgSelectDist& dlg) {
        auto* pTypes = Control<QListWidget>(&dlg, IDC_DIST_TYPE);
        CDist* pCopy = WorkingCopy(dlg);
        pTypes->setCurrentRow(DIST_DISCRETE);
        EXPECT_EQ(m_hooks.recorded().messageBeeps, std::vector<UINT>{0});
        EXPECT_EQ(SelectedRow(pTypes), DIST_NORMAL) << "the list goes back to the type";
        EXPECT_EQ(WorkingCopy(dlg), pCopy) << "the working copy is kept";
        Control<QPushButton>(&dlg, IDC_OK)->click();
    });
    CDist* pResult = m_pHost->ChangeDistribution();
    EXPECT_EQ(pResult->m_nType, DIST_NORMAL);
}

TEST_F(DlgSelectDistTest, TheNameIsCopiedAtEachKeystroke) {
    CModalScript<CDlgSelectDist> script([](CDlgSelectDist& dlg) {
        auto* pName = Control<QLineEdit>(&dlg, IDC_VAR_NAME);
        pName->clear();
        QTest::keyClicks(pName, "Wi");
        EXPECT_EQ(WorkingCopy(dlg)->GetVarName(), CString("Wi"));
        QTest::keyClicks(pName, "nd");
        Control<QPushButton>(&dlg, IDC_OK)->click();
    });
    CDist* pResult = m_pHost->ChangeDistribution();
    EXPECT_EQ(pResult->GetVarName(), CString("Wind"));
}

TEST_F(DlgSelectDistTest, ReturnCommitsTheValueAndNeverClosesTheDialog) {
    CModalScript<CDlgSelectDist> script([](CDlgSelectDist& dlg) {
        auto* pValue = Control<QLineEdit>(&dlg, IDC_VALUE);
        TypeAndReturn(pValue, "7"); // Return in the value box: the page commits once
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(WorkingCopy(dlg)->GetParamValue(PARAM_MEAN), 7.0);
        EXPECT_EQ(WorkingCopy(dlg)->m_nCurParam, 1);

        pValue->setText("2"); // Return in the name box presses the hidden Enter button
        QTest::keyClick(Control<QLineEdit>(&dlg, IDC_VAR_NAME), Qt::Key_Return);
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(WorkingCopy(dlg)->GetParamValue(PARAM_STDDEV), 2.0);
        EXPECT_EQ(WorkingCopy(dlg)->m_nCurParam, 0);

        pValue->setText("8"); // and so does a click on that button
        Control<QPushButton>(&dlg, IDC_ENTER)->click();
        EXPECT_EQ(WorkingCopy(dlg)->GetParamValue(PARAM_MEAN), 8.0);

        pValue->setText("3"); // Return on the OK button does not press it
        QTest::keyClick(Control<QPushButton>(&dlg, IDC_OK), Qt::Key_Return);
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(WorkingCopy(dlg)->GetParamValue(PARAM_STDDEV), 3.0);
        Control<QPushButton>(&dlg, IDC_OK)->click();
    });
    CDist* pResult = m_pHost->ChangeDistribution();
    EXPECT_EQ(pResult->GetParamValue(PARAM_MEAN), 8.0);
    EXPECT_EQ(pResult->GetParamValue(PARAM_STDDEV), 3.0);
    EXPECT_EQ(pResult->GetParamValue(PARAM_COV), 3.0 / 8.0) << "converted after STDDEV";
}

TEST(DlgSelectDistAlone, ADialogThatNeverRanHandsBackTheVariable) {
    CNormal normal(nullptr, "N", nullptr);
    CDlgSelectDist dlg(&normal);
    EXPECT_EQ(dlg.GetDist(), &normal);
}

} // namespace
} // namespace stochvar
