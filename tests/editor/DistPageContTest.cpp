// The continuous page driven through its controls: input types, parameter entry with Return,
// the text rule and its beep, checks and conversion after the last parameter, the curve.

#include <stochvar/editor/DistPageCont.h>

#include "EditorTestSupport.h"

#include <stochvar/editor/DlgAxisBounds.h>
#include <stochvar/families/LogNormal.h>
#include <stochvar/families/Normal.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

namespace stochvar {
namespace {

using editortest::CEditorHooks;
using editortest::CModalScript;
using editortest::Control;
using editortest::TypeAndReturn;

using BeepList = std::vector<std::pair<DWORD, DWORD>>;
const BeepList kOneBeep = {{1000, 150}};

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

class DistPageContTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_page.resize(800, 420);
        m_page.show();
    }

    QLineEdit* ValueBox() { return Control<QLineEdit>(&m_page, IDC_VALUE); }
    QListWidget* InputTypeBox() { return Control<QListWidget>(&m_page, IDC_INPUT_TYPE); }
    QListWidget* ParameterBox() { return Control<QListWidget>(&m_page, IDC_PARAMETER); }
    CChart2D* Chart() { return Control<CChart2D>(&m_page, IDC_CHART); }
    void Enter(const QString& text) { TypeAndReturn(ValueBox(), text); }

    CEditorHooks m_hooks;
    CNormal m_normal{nullptr, "X", nullptr}; // mu 4, sigma 0.5, COV 0.125
    CDistPageCont m_page;
};

TEST_F(DistPageContTest, ListsTheInputTypesAndTheParametersWithTheirValues) {
    m_page.SetDist(&m_normal);
    EXPECT_EQ(Lines(InputTypeBox()), (QStringList{"/MEAN/STDDEV", "/MEAN/COV"}));
    EXPECT_EQ(SelectedRow(InputTypeBox()), 0);
    EXPECT_EQ(Lines(ParameterBox()), (QStringList{"MEAN  [4.000000]", "STDDEV  [0.500000]"}));
    EXPECT_EQ(SelectedRow(ParameterBox()), 0);
    EXPECT_EQ(ValueBox()->text(), QStringLiteral("4"));

    CLogNormal lognormal(nullptr, "Y", nullptr);
    lognormal.m_nParamCombi = 2;
    m_page.SetDist(&lognormal);
    EXPECT_EQ(Lines(InputTypeBox()),
              (QStringList{"/MEAN/STDDEV/LOWER_BOUND", "/MEAN/COV/LOWER_BOUND",
                           "/EPSILON/KSI/LOWER_BOUND"}));
    EXPECT_EQ(SelectedRow(InputTypeBox()), 2);
    ASSERT_EQ(ParameterBox()->count(), 3);
    EXPECT_TRUE(ParameterBox()->item(0)->text().startsWith("EPSILON  ["));
}

TEST_F(DistPageContTest, ValueBoxShowsTwentySignificantDigits) {
    m_normal.SetParamValue(PARAM_MEAN, 0.1);
    m_page.SetDist(&m_normal);
    EXPECT_EQ(ValueBox()->text(), QStringLiteral("0.10000000000000000555"));
    EXPECT_EQ(ParameterBox()->item(0)->text(), QStringLiteral("MEAN  [0.100000]"));
}

TEST_F(DistPageContTest, ReturnStoresTheValueAndMovesToTheNextParameter) {
    m_page.SetDist(&m_normal);
    Enter("5");
    EXPECT_EQ(m_normal.GetParamValue(PARAM_MEAN), 5.0);
    EXPECT_EQ(m_normal.m_nCurParam, 1);
    EXPECT_EQ(SelectedRow(ParameterBox()), 1);
    EXPECT_EQ(ParameterBox()->item(0)->text(), QStringLiteral("MEAN  [5.000000]"));
    EXPECT_EQ(ValueBox()->text(), QStringLiteral("0.5"));
    // Nothing is converted before the input type is complete: COV still belongs to mu = 4.
    EXPECT_EQ(m_normal.GetParamValue(PARAM_COV), 0.125);
    EXPECT_TRUE(m_hooks.messages().empty());
    EXPECT_TRUE(m_hooks.beeps().empty());
}

TEST_F(DistPageContTest, TheLastParameterWrapsToTheFirstAndConverts) {
    m_page.SetDist(&m_normal);
    Enter("5");
    Enter("2");
    EXPECT_EQ(m_normal.m_nCurParam, 0);
    EXPECT_EQ(SelectedRow(ParameterBox()), 0);
    EXPECT_EQ(m_normal.GetParamValue(PARAM_STDDEV), 2.0);
    EXPECT_EQ(m_normal.GetParamValue(PARAM_COV), 0.4);
    EXPECT_EQ(ValueBox()->text(), QStringLiteral("5"));
    EXPECT_TRUE(m_hooks.messages().empty());
}

struct STextCase {
    const char* pszText;
    bool bAccepted;
    double dValue;
};

class ValueTextCases : public DistPageContTest, public ::testing::WithParamInterface<STextCase> {};

TEST_P(ValueTextCases, WholeTextMustBeOneNumber) {
    const STextCase c = GetParam();
    m_page.SetDist(&m_normal);
    Enter(QString::fromLatin1(c.pszText));
    if (c.bAccepted) {
        EXPECT_EQ(m_normal.GetParamValue(PARAM_MEAN), c.dValue);
        EXPECT_EQ(m_normal.m_nCurParam, 1);
        EXPECT_TRUE(m_hooks.beeps().empty());
    } else {
        EXPECT_EQ(m_normal.GetParamValue(PARAM_MEAN), 4.0);
        EXPECT_EQ(m_normal.m_nCurParam, 0);
        EXPECT_EQ(m_hooks.beeps(), kOneBeep) << "a 1000 Hz beep of 150 ms";
        EXPECT_EQ(ValueBox()->text(), QString::fromLatin1(c.pszText)) << "the text stays";
    }
    EXPECT_TRUE(m_hooks.messages().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ValueTextCases,
    ::testing::Values(STextCase{"1e3", true, 1000.0}, STextCase{"-0.25", true, -0.25},
                      STextCase{"", true, 0.0},
                      // strtod skips leading blanks, so all is consumed
                      STextCase{" 12", true, 12.0}, STextCase{"12a", false, 0.0},
                      STextCase{"12 ", false, 0.0}, STextCase{"1,5", false, 0.0},
                      STextCase{"abc", false, 0.0}));

TEST_F(DistPageContTest, ARefusedStdDevIsShownAndNotStored) {
    m_page.SetDist(&m_normal);
    ParameterBox()->setCurrentRow(1);
    EXPECT_EQ(m_normal.m_nCurParam, 1) << "picking a parameter moves the cursor";
    EXPECT_EQ(ValueBox()->text(), QStringLiteral("0.5"));
    Enter("-1");
    Enter("0");
    const std::vector<std::string> expected(2, "ERROR:\nStdDev is less than (or equal to) 0");
    EXPECT_EQ(m_hooks.messages(), expected);
    EXPECT_EQ(m_hooks.recorded().messageStyles[0], MB_ICONEXCLAMATION | MB_OK);
    EXPECT_EQ(m_normal.GetParamValue(PARAM_STDDEV), 0.5);
    EXPECT_EQ(m_normal.m_nCurParam, 1);
    EXPECT_EQ(SelectedRow(ParameterBox()), 1);
}

TEST_F(DistPageContTest, AFailedCombinationIsShownAfterTheLastParameterAndSkipsTheConversion) {
    m_page.SetDist(&m_normal);
    InputTypeBox()->setCurrentRow(1); // /MEAN/COV
    EXPECT_EQ(m_normal.m_nParamCombi, 1);
    Enter("0");
    Enter("0.2");
    ASSERT_EQ(m_hooks.messages().size(), 1u);
    EXPECT_EQ(m_hooks.messages()[0],
              "ERROR:\nMean value must be different from 0 when CoV is given as input.");
    // The values entered stay stored; the conversion did not run.
    EXPECT_EQ(m_normal.GetParamValue(PARAM_MEAN), 0.0);
    EXPECT_EQ(m_normal.GetParamValue(PARAM_COV), 0.2);
    EXPECT_EQ(m_normal.GetParamValue(PARAM_STDDEV), 0.5);
    EXPECT_EQ(m_normal.m_nCurParam, 0);

    Enter("10");
    Enter("0.2");
    EXPECT_EQ(m_hooks.messages().size(), 1u);
    EXPECT_EQ(m_normal.GetParamValue(PARAM_STDDEV), 2.0);
}

TEST_F(DistPageContTest, ChangingTheInputTypeKeepsTheCursor) {
    m_page.SetDist(&m_normal);
    Enter("5");
    InputTypeBox()->setCurrentRow(1);
    EXPECT_EQ(m_normal.m_nParamCombi, 1);
    EXPECT_EQ(m_normal.m_nCurParam, 1);
    EXPECT_EQ(Lines(ParameterBox()), (QStringList{"MEAN  [5.000000]", "COV  [0.125000]"}));
    EXPECT_EQ(SelectedRow(ParameterBox()), 1);
    EXPECT_EQ(ValueBox()->text(), QStringLiteral("0.125"));
    EXPECT_EQ(SelectedRow(InputTypeBox()), 1);
}

TEST_F(DistPageContTest, ACursorBeyondTheListShowsNothingAndIgnoresReturn) {
    m_normal.m_nCurParam = 2;
    m_page.SetDist(&m_normal);
    EXPECT_EQ(ValueBox()->text(), QString());
    EXPECT_EQ(SelectedRow(ParameterBox()), -1);
    Enter("7");
    EXPECT_EQ(m_normal.m_nCurParam, 2);
    EXPECT_EQ(m_normal.GetParamValue(PARAM_MEAN), 4.0);
    EXPECT_EQ(m_normal.GetParamValue(PARAM_STDDEV), 0.5);
    EXPECT_TRUE(m_hooks.beeps().empty());
}

TEST_F(DistPageContTest, ReturnOnAnyControlOfThePageCommitsTheValueBox) {
    m_page.SetDist(&m_normal);
    ValueBox()->setText("6");
    QTest::keyClick(ParameterBox(), Qt::Key_Return);
    EXPECT_EQ(m_normal.GetParamValue(PARAM_MEAN), 6.0);
    ValueBox()->setText("0.75");
    QTest::keyClick(Control<QPushButton>(&m_page, IDC_AXIS), Qt::Key_Enter);
    EXPECT_EQ(m_normal.GetParamValue(PARAM_STDDEV), 0.75);
}

// The 50 points of the curve: x from the lower bound in steps of a fiftieth of the range, y the
// density or the cumulative function at x, bit for bit.
void ExpectCurve(const CChart2D& chart, CDist& dist, bool bCdf) {
    ASSERT_EQ(chart.GetSeriesCount(), 1);
    ASSERT_EQ(chart.GetPointCount(1), 50);
    const double step = (dist.m_dAxisMax - dist.m_dAxisMin) * 0.02;
    for (int i = 0; i < 50; ++i) {
        const double x = dist.m_dAxisMin + i * step;
        EXPECT_EQ(chart.GetX(1, i + 1), x) << "point " << i + 1;
        EXPECT_EQ(chart.GetY(1, i + 1), bCdf ? dist.GetCumulative(x) : dist.GetDensity(x))
            << "point " << i + 1;
    }
    EXPECT_FALSE(chart.IsUpdateLocked());
}

TEST_F(DistPageContTest, ChartShowsTheDensityOrTheCumulativeFunction) {
    CLogNormal lognormal(nullptr, "Y", nullptr);
    for (CDist* pDist : std::initializer_list<CDist*>{&m_normal, &lognormal}) {
        SCOPED_TRACE(pDist->GetVarTypeName().GetString());
        m_page.SetDist(pDist);
        auto* pPdf = Control<QRadioButton>(&m_page, IDC_PDF);
        auto* pCdf = Control<QRadioButton>(&m_page, IDC_CDF);
        EXPECT_TRUE(pPdf->isChecked());
        ExpectCurve(*Chart(), *pDist, false);
        EXPECT_GT(Chart()->GetY(1, 25), 0.0) << "the middle of the automatic range has density";

        pCdf->click();
        EXPECT_TRUE(pCdf->isChecked());
        EXPECT_FALSE(pPdf->isChecked());
        EXPECT_EQ(m_page.IsCdf(), TRUE);
        ExpectCurve(*Chart(), *pDist, true);

        pPdf->click();
        EXPECT_EQ(m_page.IsCdf(), FALSE);
        ExpectCurve(*Chart(), *pDist, false);
    }
}

TEST_F(DistPageContTest, AutomaticBoundsFollowTheParameters) {
    m_page.SetDist(&m_normal);
    Enter("10");
    CNormal reference(nullptr, "R", nullptr);
    reference.SetParamValue(PARAM_MEAN, 10.0);
    reference.SetAutoAxis();
    EXPECT_EQ(Chart()->GetX(1, 1), reference.m_dAxisMin);
    EXPECT_EQ(m_normal.m_dAxisMax, reference.m_dAxisMax);
}

TEST_F(DistPageContTest, AxisButtonSetsFixedBoundsInEitherOrder) {
    m_page.SetDist(&m_normal);
    CModalScript<CDlgAxisBounds> script([](CDlgAxisBounds& dlg) {
        Control<QCheckBox>(&dlg, IDC_AUTO_AXIS)->click();
        Control<QLineEdit>(&dlg, IDC_LOWER)->setText("9");
        Control<QLineEdit>(&dlg, IDC_UPPER)->setText("1");
        Control<QPushButton>(&dlg, IDC_OK)->click();
    });
    Control<QPushButton>(&m_page, IDC_AXIS)->click();
    EXPECT_EQ(m_normal.m_bAutoAxis, FALSE);
    EXPECT_EQ(m_normal.m_dAxisMin, 1.0);
    EXPECT_EQ(m_normal.m_dAxisMax, 9.0);
    ExpectCurve(*Chart(), m_normal, false);
    // Fixed bounds stay when the parameters change.
    Enter("3");
    EXPECT_EQ(Chart()->GetX(1, 1), 1.0);
}

TEST_F(DistPageContTest, EqualBoundsFallBackToTheAutomaticOnesOnce) {
    m_page.SetDist(&m_normal);
    CModalScript<CDlgAxisBounds> script([](CDlgAxisBounds& dlg) {
        Control<QCheckBox>(&dlg, IDC_AUTO_AXIS)->click();
        Control<QLineEdit>(&dlg, IDC_LOWER)->setText("2");
        Control<QLineEdit>(&dlg, IDC_UPPER)->setText("2");
        Control<QPushButton>(&dlg, IDC_OK)->click();
    });
    Control<QPushButton>(&m_page, IDC_AXIS)->click();
    EXPECT_EQ(m_normal.m_bAutoAxis, FALSE);
    EXPECT_EQ(m_normal.m_dAxisMin, 1.5); // mu - 5 sigma of mu 4, sigma 0.5
    EXPECT_EQ(m_normal.m_dAxisMax, 6.5);
    Enter("10");
    EXPECT_EQ(m_normal.m_dAxisMin, 1.5) << "the automatic bounds were taken once, not kept";
}

TEST_F(DistPageContTest, WithoutAVariableNothingHappens) {
    Enter("5");
    Control<QRadioButton>(&m_page, IDC_CDF)->click();
    Control<QPushButton>(&m_page, IDC_AXIS)->click(); // no dialog opens
    EXPECT_EQ(Chart()->GetPointCount(1), 0);
    EXPECT_EQ(InputTypeBox()->count(), 0);
    EXPECT_TRUE(m_hooks.beeps().empty());
}

} // namespace
} // namespace stochvar
