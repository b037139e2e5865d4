// Editing one discrete variable with CDiscrete::ChangeDistribution: the discrete dialog edits it
// in place; anything but OK restores it.

#include <stochvar/editor/DlgDiscrete.h>

#include "EditorTestSupport.h"

#include <stochvar/editor/DistPageDisc.h>
#include <stochvar/editor/DlgNameValue.h>
#include <stochvar/families/Discrete.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace stochvar {
namespace {

using editortest::CEditorHooks;
using editortest::CModalScript;
using editortest::Control;
using editortest::TypeAndReturn;

class DlgDiscreteTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_pHost->AddCategory("dry", 1.0, -1);
        m_pHost->AddCategory("wet", 3.0, -1);
    }
    void TearDown() override { delete m_pHost; }

    // Adds a category "flood" of frequency 2 after the selected one, then presses pressed.
    static void AddFloodThen(CDlgDiscrete& dlg, int nPressed) {
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Discrete Distribution"));
        EXPECT_EQ(Control<QListWidget>(&dlg, IDC_CATEGORY_LIST)->count(), 2);
        {
            CModalScript<CDlgNameValue> nameValue([](CDlgNameValue& inner) {
                Control<QLineEdit>(&inner, IDC_CATEGORY_NAME)->setText("flood");
                Control<QLineEdit>(&inner, IDC_CATEGORY_VALUE)->setText("2");
                Control<QPushButton>(&inner, IDC_OK)->click();
            });
            Control<QPushButton>(&dlg, IDC_INSERT_AFTER)->click();
        }
        EXPECT_EQ(Control<QListWidget>(&dlg, IDC_CATEGORY_LIST)->count(), 3);
        Control<QPushButton>(&dlg, nPressed)->click();
    }

    CEditorHooks m_hooks;
    CDiscrete* m_pHost = new CDiscrete(nullptr, "Weather", nullptr);
};

TEST_F(DlgDiscreteTest, OkKeepsTheEditsOnTheSameObject) {
    CModalScript<CDlgDiscrete> script([](CDlgDiscrete& dlg) { AddFloodThen(dlg, IDC_OK); });
    CDiscrete* pBefore = m_pHost;
    EXPECT_EQ(m_pHost->ChangeDistribution(), pBefore);
    ASSERT_EQ(m_pHost->GetCategoryCount(), 3);
    EXPECT_EQ(m_pHost->GetCategoryIndex("flood"), 1);
    EXPECT_DOUBLE_EQ(m_pHost->m_Probabilities[1], 2.0 / 6.0);
}

TEST_F(DlgDiscreteTest, CancelRestoresTheCategories) {
    CModalScript<CDlgDiscrete> script([](CDlgDiscrete& dlg) { AddFloodThen(dlg, IDC_CANCEL); });
    EXPECT_EQ(m_pHost->ChangeDistribution(), m_pHost);
    ASSERT_EQ(m_pHost->GetCategoryCount(), 2);
    EXPECT_EQ(m_pHost->GetCategoryIndex("flood"), -1);
    EXPECT_EQ(m_pHost->m_Probabilities[1], 0.75);
}

TEST_F(DlgDiscreteTest, ReturnCommitsTheFrequencyWhereverTheFocusIs) {
    CModalScript<CDlgDiscrete> script([this](CDlgDiscrete& dlg) {
        auto* pValue = Control<QLineEdit>(&dlg, IDC_VALUE);
        TypeAndReturn(pValue, "5");
        EXPECT_TRUE(dlg.isVisible()) << "Return does not close the dialog";
        EXPECT_EQ(m_pHost->m_Frequencies[0], 5.0);
        EXPECT_EQ(dlg.GetActivePage()->GetSelCategory(), 1);

        pValue->setText("0");
        QTest::keyClick(Control<QPushButton>(&dlg, IDC_OK), Qt::Key_Return);
        EXPECT_TRUE(dlg.isVisible()) << "not even with the focus on OK";
        EXPECT_EQ(m_pHost->m_Frequencies[1], 0.0);
        Control<QPushButton>(&dlg, IDC_OK)->click();
    });
    m_pHost->ChangeDistribution();
    EXPECT_EQ(m_pHost->m_Probabilities[0], 1.0);
}

} // namespace
} // namespace stochvar
