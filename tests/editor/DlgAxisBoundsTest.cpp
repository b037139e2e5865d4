// The axis bounds dialog and the rule by which the pages apply its values.

#include <stochvar/editor/DlgAxisBounds.h>

#include "EditorTestSupport.h"

#include <stochvar/families/Normal.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <ostream>

namespace stochvar {
namespace {

using editortest::CEditorHooks;
using editortest::CModalScript;
using editortest::Control;

void ClickOk(QDialog& dlg) {
    Control<QPushButton>(&dlg, IDC_OK)->click();
}

void SetBounds(QDialog& dlg, const QString& lower, const QString& upper) {
    Control<QLineEdit>(&dlg, IDC_LOWER)->setText(lower);
    Control<QLineEdit>(&dlg, IDC_UPPER)->setText(upper);
}

TEST(DlgAxisBounds, AutomaticBoundsDisableTheEditsUntilUnchecked) {
    CEditorHooks hooks;
    CDlgAxisBounds dlg;
    dlg.m_bAuto = 1;
    dlg.m_dLower = -2.0;
    dlg.m_dUpper = 3.5;
    CModalScript<CDlgAxisBounds> script([](CDlgAxisBounds& shown) {
        auto* pAuto = Control<QCheckBox>(&shown, IDC_AUTO_AXIS);
        auto* pLower = Control<QLineEdit>(&shown, IDC_LOWER);
        auto* pUpper = Control<QLineEdit>(&shown, IDC_UPPER);
        EXPECT_TRUE(pAuto->isChecked());
        EXPECT_FALSE(pLower->isEnabled());
        EXPECT_FALSE(pUpper->isEnabled());
        EXPECT_EQ(pLower->text(), QStringLiteral("-2"));
        EXPECT_EQ(pUpper->text(), QStringLiteral("3.5"));
        pAuto->click();
        EXPECT_TRUE(pLower->isEnabled()) << "unchecking the box makes the bounds editable";
        EXPECT_TRUE(pUpper->isEnabled());
        ClickOk(shown);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.m_bAuto, 0);
}

TEST(DlgAxisBounds, AcceptsALowerBoundAboveTheUpperOne) {
    CEditorHooks hooks;
    CDlgAxisBounds dlg;
    CModalScript<CDlgAxisBounds> script([](CDlgAxisBounds& shown) {
        SetBounds(shown, QStringLiteral("5"), QStringLiteral(" -1.25 "));
        ClickOk(shown);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.m_dLower, 5.0);
    EXPECT_EQ(dlg.m_dUpper, -1.25);
    EXPECT_TRUE(hooks.messages().empty());
}

TEST(DlgAxisBounds, ABoundThatIsNotANumberKeepsTheDialogOpen) {
    CEditorHooks hooks;
    CDlgAxisBounds dlg;
    CModalScript<CDlgAxisBounds> script([&hooks](CDlgAxisBounds& shown) {
        for (const QString& text : {QStringLiteral("1x"), QString(), QStringLiteral("  ")}) {
            SetBounds(shown, text, QStringLiteral("2"));
            ClickOk(shown);
            EXPECT_TRUE(shown.isVisible()) << "lower bound '" << text.toStdString() << "'";
        }
        ASSERT_EQ(hooks.messages().size(), 3u);
        EXPECT_EQ(hooks.messages()[0], "Please enter a number.");
        SetBounds(shown, QStringLiteral("1"), QStringLiteral("2"));
        ClickOk(shown);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.m_dLower, 1.0);
}

// What EditAxisBounds makes of the dialog's answer, on a normal variable (mu 4, sigma 0.5)
// whose user bounds are [1, 2] with the automatic flag off.
struct SAxisCase {
    const char* pszName;
    bool bCheckAuto;
    const char* pszLower;
    const char* pszUpper;
    bool bCancel;
    BOOL bExpectedAuto;
    bool bExpectAutoBounds; // bounds as SetAutoAxis gives them
    double dExpectedMin;
    double dExpectedMax;
};

void PrintTo(const SAxisCase& c, std::ostream* pStream) {
    *pStream << c.pszName;
}

class EditAxisBoundsCases : public ::testing::TestWithParam<SAxisCase> {};

TEST_P(EditAxisBoundsCases, AppliesTheAnswer) {
    const SAxisCase c = GetParam();
    CEditorHooks hooks;
    CNormal dist(nullptr, "X", nullptr);
    dist.m_bAutoAxis = FALSE;
    dist.m_dAxisMin = 1.0;
    dist.m_dAxisMax = 2.0;
    CModalScript<CDlgAxisBounds> script([&c](CDlgAxisBounds& shown) {
        auto* pAuto = Control<QCheckBox>(&shown, IDC_AUTO_AXIS);
        EXPECT_FALSE(pAuto->isChecked());
        EXPECT_EQ(Control<QLineEdit>(&shown, IDC_LOWER)->text(), QStringLiteral("1"));
        if (c.bCheckAuto) {
            pAuto->click();
        }
        SetBounds(shown, QString::fromLatin1(c.pszLower), QString::fromLatin1(c.pszUpper));
        Control<QPushButton>(&shown, c.bCancel ? IDC_CANCEL : IDC_OK)->click();
    });
    EditAxisBounds(&dist, nullptr);

    double dMin = c.dExpectedMin;
    double dMax = c.dExpectedMax;
    if (c.bExpectAutoBounds) {
        CNormal reference(nullptr, "X", nullptr);
        reference.SetAutoAxis();
        dMin = reference.m_dAxisMin;
        dMax = reference.m_dAxisMax;
    }
    EXPECT_EQ(dist.m_bAutoAxis, c.bExpectedAuto);
    EXPECT_EQ(dist.m_dAxisMin, dMin);
    EXPECT_EQ(dist.m_dAxisMax, dMax);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, EditAxisBoundsCases,
    ::testing::Values(SAxisCase{"InOrder", false, "-3", "8.5", false, FALSE, false, -3.0, 8.5},
                      SAxisCase{"Swapped", false, "8.5", "-3", false, FALSE, false, -3.0, 8.5},
                      SAxisCase{"EqualFallsBackToAutomaticOnce", false, "3", "3", false, FALSE,
                                true, 0, 0},
                      // The flag alone changes: the page recomputes the bounds before drawing.
                      SAxisCase{"Automatic", true, "-3", "8.5", false, TRUE, false, 1.0, 2.0},
                      SAxisCase{"Cancelled", false, "-3", "8.5", true, FALSE, false, 1.0, 2.0}),
    [](const ::testing::TestParamInfo<SAxisCase>& caseInfo) { return caseInfo.param.pszName; });

} // namespace
} // namespace stochvar
