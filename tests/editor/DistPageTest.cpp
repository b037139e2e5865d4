// The two pages driven through their controls: what they share (the value box, Return, the
// keyboard order, nothing happens without a variable), then a workflow on each page.

#include "EditorTestSupport.h"

#include <stochvar/editor/DlgAxisBounds.h>
#include <stochvar/editor/DlgNameValue.h>
#include <stochvar/families/LogNormal.h>

#include <QCheckBox>
#include <QRadioButton>

namespace stochvar {
namespace {

using namespace editortest;

class DistPageTest : public ::testing::Test {
protected:
    DistPageTest() {
        for (const auto& [pszName, dFrequency] :
             {std::pair{"a", 1.0}, {"b", 3.0}, {"c", 0.0}, {"d", 4.0}}) {
            m_discrete.AddCategory(pszName, dFrequency, -1);
        }
        for (QWidget* pPage : std::initializer_list<QWidget*>{&m_cont, &m_disc}) {
            pPage->resize(800, 420);
            pPage->show();
        }
    }
    // The page's lists, then its value box.
    static std::string View(const QWidget& page) {
        std::string text;
        for (const int nId : {IDC_INPUT_TYPE, IDC_PARAMETER, IDC_CATEGORY_LIST}) {
            if (const auto* pList = page.findChild<QListWidget*>(ControlName(nId))) {
                text += Shown(pList) + " | ";
            }
        }
        return text + Value(page)->text().toStdString();
    }
    static QListWidget* List(const QWidget& page, int nId) {
        return Control<QListWidget>(&page, nId);
    }
    static QLineEdit* Value(const QWidget& page) { return Control<QLineEdit>(&page, IDC_VALUE); }
    static const CChart2D& Chart(const QWidget& page) {
        return *Control<CChart2D>(&page, IDC_CHART);
    }
    // The enabled controls that Tab reaches from the page itself (where a dialog enters it).
    static std::string Stops(const QWidget& page) {
        std::string text;
        for (QWidget* p = page.nextInFocusChain(); p != &page; p = p->nextInFocusChain()) {
            if (p->objectName().toInt() != 0 && (p->focusPolicy() & Qt::TabFocus) &&
                p->isEnabled()) {
                const auto* pButton = qobject_cast<QAbstractButton*>(p);
                text += pButton != nullptr ? pButton->text().toStdString()
                                           : p->metaObject()->className();
                text += ' ';
            }
        }
        return text;
    }
    void Enter(const char* pszText) { TypeAndReturn(Value(m_cont), pszText); }
    std::string Selection() const {
        return Categories(m_discrete, SelectedRow(List(m_disc, IDC_CATEGORY_LIST)));
    }
    // Opens the name-and-value dialog with the action and answers it after checking what it
    // proposes; Cancel without a name.
    static void Answer(const std::function<void()>& open, const char* pszProposed,
                       const char* pszName, const char* pszValue) {
        const CModalScript<CDlgNameValue> script([=](CDlgNameValue& dlg) {
            EXPECT_EQ(Control<QLineEdit>(&dlg, IDC_CATEGORY_NAME)->text(), pszProposed);
            Control<QLineEdit>(&dlg, IDC_CATEGORY_NAME)->setText(pszName);
            Control<QLineEdit>(&dlg, IDC_CATEGORY_VALUE)->setText(pszValue);
            Click(&dlg, pszName != nullptr ? IDC_OK : IDC_CANCEL);
        });
        open();
    }
    // Sets the axis bounds of the normal variable with the Axis button of the continuous page.
    void SetAxis(bool bAuto, const char* pszLower, const char* pszUpper) {
        const CModalScript<CDlgAxisBounds> script([=, this](CDlgAxisBounds& dlg) {
            auto* pLower = Control<QLineEdit>(&dlg, IDC_LOWER);
            EXPECT_EQ(pLower->text().toDouble(), m_normal.m_dAxisMin) << "opens on the bounds";
            auto* pAuto = Control<QCheckBox>(&dlg, IDC_AUTO_AXIS);
            if (pAuto->isChecked() != bAuto) {
                pAuto->click();
            }
            EXPECT_EQ(pLower->isEnabled(), !bAuto);
            pLower->setText(pszLower);
            Control<QLineEdit>(&dlg, IDC_UPPER)->setText(pszUpper);
            Click(&dlg, IDC_OK);
        });
        Click(&m_cont, IDC_AXIS);
    }

    CEditorHooks m_hooks;
    CNormal m_normal{nullptr, "X", nullptr};        // mu 4, sigma 0.5, COV 0.125
    CDiscrete m_discrete{nullptr, "Soil", nullptr}; // a 1, b 3, c 0, d 4 (sum 8)
    CDistPageCont m_cont;
    CDistPageDisc m_disc;
};

TEST_F(DistPageTest, ReturnAnywhereCommitsOneWholeNumberTabFollowsTheColumnsAndNoVariableNoAction) {
    m_cont.SetDist(&m_normal);
    m_disc.SetDist(&m_discrete);
    // What the value box sets: the mean, or the frequency of "a" (each case starts there).
    const std::tuple<QWidget*, int, std::function<double()>> pages[] = {
        {&m_cont, IDC_PARAMETER, [this] { return m_normal.GetParamValue(PARAM_MEAN); }},
        {&m_disc, IDC_CATEGORY_LIST, [this] { return m_discrete.m_Frequencies[0]; }}};
    // strtod skips leading blanks, so " 12" is one number, and "" reads as 0; NaN: refused.
    using Beeps = std::vector<std::pair<DWORD, DWORD>>;
    const Beeps kBeep{{1000, 150}};                    // 1000 Hz for 150 ms
    using Case = std::tuple<const char*, int, double>; // text, the control that gets Return
    const double dNo = std::nan("");
    for (const auto& [pPage, nList, stored] : pages) {
        for (const auto& [pszText, nTarget, dStored] : {Case{"1e3", IDC_VALUE, 1000.0},
                                                        {" 12", nList, 12.0},
                                                        {"", IDC_AXIS, 0.0},
                                                        {"12a", IDC_VALUE, dNo},
                                                        {"12 ", IDC_VALUE, dNo},
                                                        {"1,5", nList, dNo},
                                                        {"abc", IDC_AXIS, dNo}}) {
            SCOPED_TRACE(std::string(pPage->metaObject()->className()) + " '" + pszText + "'");
            List(*pPage, nList)->setCurrentRow(0);
            const double dBefore = stored();
            m_hooks.clear();
            Value(*pPage)->setText(pszText);
            QTest::keyClick(Control<QWidget>(pPage, nTarget),
                            nTarget == IDC_AXIS ? Qt::Key_Enter : Qt::Key_Return);
            EXPECT_EQ(stored(), std::isnan(dStored) ? dBefore : dStored);
            EXPECT_EQ(m_hooks.beeps(), (std::isnan(dStored) ? kBeep : Beeps{}));
            EXPECT_TRUE(!std::isnan(dStored) || Value(*pPage)->text() == pszText)
                << "the text stays";
        }
    }
    EXPECT_TRUE(m_hooks.messages().empty());

    m_hooks.clear();
    CDistPageCont cont;
    CDistPageDisc disc;
    EXPECT_EQ(Stops(cont), "QListWidget QListWidget QLineEdit PDF CDF Axis ");
    EXPECT_EQ(Stops(disc),
              "QListWidget QLineEdit Insert here Insert after Delete Edit Up Down PDF CDF Axis ");
    for (QWidget* pPage : std::initializer_list<QWidget*>{&cont, &disc}) {
        TypeAndReturn(Value(*pPage), "5");
        Control<QRadioButton>(pPage, IDC_CDF)->click();
        Click(pPage, IDC_AXIS); // a dialog would fail the test
        EXPECT_EQ(Chart(*pPage).GetPointCount(1), 0);
    }
    EXPECT_TRUE(m_hooks.beeps().empty());
}

TEST_F(DistPageTest, ContinuousParametersAreEnteredOneByOneAndCheckedAfterTheLast) {
    m_cont.SetDist(&m_normal);
    EXPECT_EQ(View(m_cont), "/MEAN/STDDEV*, /MEAN/COV | MEAN  [4.000000]*, STDDEV  [0.500000] | 4");
    Enter("5");
    EXPECT_EQ(View(m_cont),
              "/MEAN/STDDEV*, /MEAN/COV | MEAN  [5.000000], STDDEV  [0.500000]* | 0.5");
    EXPECT_EQ(m_normal.GetParamValue(PARAM_COV), 0.125) << "converted after the last only";
    Enter("-1");
    EXPECT_EQ(m_hooks.messages(),
              std::vector<std::string>{"ERROR:\nStdDev is less than (or equal to) 0"});
    EXPECT_EQ(m_hooks.recorded().messageStyles[0], MB_ICONEXCLAMATION | MB_OK);
    EXPECT_EQ(View(m_cont),
              "/MEAN/STDDEV*, /MEAN/COV | MEAN  [5.000000], STDDEV  [0.500000]* | 0.5");
    // Another input type keeps the cursor; its last parameter converts the values.
    List(m_cont, IDC_INPUT_TYPE)->setCurrentRow(1);
    EXPECT_EQ(View(m_cont),
              "/MEAN/STDDEV, /MEAN/COV* | MEAN  [5.000000], COV  [0.125000]* | 0.125");
    Enter("0.2");
    EXPECT_EQ(View(m_cont), "/MEAN/STDDEV, /MEAN/COV* | MEAN  [5.000000]*, COV  [0.200000] | 5");
    EXPECT_EQ(m_normal.GetParamValue(PARAM_STDDEV), 1.0);
    // A combination that fails its check is shown after the last parameter, not converted.
    Enter("0");
    Enter("0.3");
    ASSERT_EQ(m_hooks.messages().size(), 2U);
    EXPECT_EQ(m_hooks.messages()[1],
              "ERROR:\nMean value must be different from 0 when CoV is given as input.");
    EXPECT_EQ(View(m_cont), "/MEAN/STDDEV, /MEAN/COV* | MEAN  [0.000000]*, COV  [0.300000] | 0");
    EXPECT_EQ(m_normal.GetParamValue(PARAM_STDDEV), 1.0);

    List(m_cont, IDC_PARAMETER)->setCurrentRow(1); // picking a parameter moves the cursor
    m_normal.SetParamValue(PARAM_COV, 0.1);
    m_cont.UpdateAll();
    EXPECT_EQ(Value(m_cont)->text(), "0.10000000000000000555") << "twenty significant digits";
    m_normal.m_nCurParam = 2; // beyond the list: nothing shown, Return ignored
    m_cont.UpdateAll();
    EXPECT_EQ(View(m_cont), "/MEAN/STDDEV, /MEAN/COV* | MEAN  [0.000000], COV  [0.100000] | ");
    Enter("7");
    EXPECT_EQ(m_normal.m_nCurParam, 2);
    EXPECT_TRUE(m_normal.GetParamValue(PARAM_MEAN) == 0.0 &&
                m_normal.GetParamValue(PARAM_COV) == 0.1);
    CLogNormal lognormal(nullptr, "Y", nullptr);
    lognormal.m_nParamCombi = 2;
    m_cont.SetDist(&lognormal);
    EXPECT_EQ(Shown(List(m_cont, IDC_INPUT_TYPE)),
              "/MEAN/STDDEV/LOWER_BOUND, /MEAN/COV/LOWER_BOUND, /EPSILON/KSI/LOWER_BOUND*");
}

// Every point of the curve lies on the density or the cumulative function, bit for bit, and the
// points run in equal steps from the lower axis bound to within a step of the upper one.
void ExpectCurve(const CChart2D& chart, CDist& dist, bool bCdf) {
    const int n = chart.GetPointCount(1);
    ASSERT_GE(n, 20);
    const double dStep = chart.GetX(1, 2) - chart.GetX(1, 1);
    EXPECT_EQ(chart.GetX(1, 1), dist.m_dAxisMin);
    EXPECT_NEAR(chart.GetX(1, n), dist.m_dAxisMax, dStep * 1.000001);
    for (int i = 1; i <= n; ++i) {
        const double x = chart.GetX(1, i);
        ASSERT_TRUE(i == 1 || std::fabs(x - chart.GetX(1, i - 1) - dStep) < dStep * 1e-9) << x;
        ASSERT_EQ(chart.GetY(1, i), bCdf ? dist.GetCumulative(x) : dist.GetDensity(x)) << x;
    }
}

TEST_F(DistPageTest, TheContinuousChartShowsTheChosenCurveOverTheAxisBounds) {
    CLogNormal lognormal(nullptr, "Y", nullptr);
    const CChart2D& chart = Chart(m_cont);
    for (CDist* pDist : std::initializer_list<CDist*>{&lognormal, &m_normal}) {
        m_cont.SetDist(pDist);
        ExpectCurve(chart, *pDist, false);
        EXPECT_GT(chart.GetY(1, chart.GetPointCount(1) / 2), 0.0) << "the density is in range";
        Control<QRadioButton>(&m_cont, IDC_CDF)->click();
        EXPECT_TRUE(m_cont.IsCdf() && !Control<QRadioButton>(&m_cont, IDC_PDF)->isChecked());
        ExpectCurve(chart, *pDist, true);
        Control<QRadioButton>(&m_cont, IDC_PDF)->click();
        ExpectCurve(chart, *pDist, false);
    }
    const auto automatic = [this] { // the automatic lower bound for the values now
        CNormal copy(nullptr, "C", &m_normal);
        copy.SetAutoAxis();
        return copy.m_dAxisMin;
    };
    Enter("10"); // the automatic bounds follow the parameters
    EXPECT_EQ(chart.GetX(1, 1), automatic());
    SetAxis(false, "9", " 1 "); // in either order, blanks allowed
    Enter("3");                 // fixed bounds stay
    EXPECT_EQ(m_normal.m_dAxisMax, 9.0);
    ExpectCurve(chart, m_normal, false);
    SetAxis(false, "2", "2"); // no width: the automatic bounds, this once
    const double dOnce = automatic();
    EXPECT_EQ(chart.GetX(1, 1), dOnce);
    Enter("20");
    EXPECT_TRUE(chart.GetX(1, 1) == dOnce && dOnce != automatic());
    SetAxis(true, "0", "1");
    EXPECT_EQ(chart.GetX(1, 1), automatic());
}

TEST_F(DistPageTest, DiscreteCategoriesAreEnteredInsertedEditedMovedAndDeleted) {
    CDiscrete empty(nullptr, "E", nullptr); // without a selection a new category is appended
    m_disc.SetDist(&empty);
    Answer([this] { Click(&m_disc, IDC_INSERT_HERE); }, "Cat_0", "first", "1");
    EXPECT_EQ(View(m_disc), "first\t1\t(1)* | 1");
    m_disc.SetDist(&m_discrete);
    EXPECT_EQ(View(m_disc), "a\t1\t(0.125)*, b\t3\t(0.375), c\t0\t(0), d\t4\t(0.5) | 1");
    // A bar per category over its name: the probabilities, or their running sums (read just
    // below each category's upper edge).
    const CChart2D& chart = Chart(m_disc);
    EXPECT_TRUE(chart.GetChartType() == CChart2D::CHART_TYPE_BAR &&
                chart.GetXAxisAnnotation() == CChart2D::ANNOTATION_VALUE_LABELS);
    for (const bool bCdf : {true, false, true}) {
        Control<QRadioButton>(&m_disc, bCdf ? IDC_CDF : IDC_PDF)->click();
        ASSERT_TRUE(chart.GetPointCount(1) == 4 && chart.GetLabelCount() == 4) << "replaced";
        double dSum = 0.0;
        for (int i = 0; i < 4; ++i) {
            dSum += m_discrete.m_Probabilities[i];
            EXPECT_EQ(chart.GetLabelText(i), QString(QChar(u'a' + i)));
            EXPECT_EQ(chart.GetX(1, i + 1), chart.GetLabelPosition(i)) << "bar " << i;
            EXPECT_NEAR(chart.GetY(1, i + 1), bCdf ? dSum : m_discrete.m_Probabilities[i], 1e-9);
        }
    }
    TypeAndReturn(Value(m_disc), "2.5"); // the next category is offered
    EXPECT_EQ(View(m_disc),
              "a\t2.5\t(0.263158), b\t3\t(0.315789)*, c\t0\t(0), d\t4\t(0.421053) | 3");
    List(m_disc, IDC_CATEGORY_LIST)->setCurrentRow(3);
    TypeAndReturn(Value(m_disc), "-1");
    EXPECT_EQ(m_hooks.messages(), std::vector<std::string>{"ERROR:\nFrequency must be >= 0"});
    TypeAndReturn(Value(m_disc), "1e1"); // after the last the first comes again
    EXPECT_EQ(Selection(), "a2.5* b3 c0 d10 ");

    List(m_disc, IDC_CATEGORY_LIST)->setCurrentRow(1);
    // New categories and edits at the selection, which keeps its index.
    for (const auto& [nButton, pszProposed, pszName, pszValue] :
         {std::tuple{IDC_INSERT_HERE, "Cat_4", "here", "2"},
          {IDC_INSERT_AFTER, "Cat_5", "neg", "-2"}, // refused
          {IDC_INSERT_AFTER, "Cat_5", "after", "0.5"},
          {IDC_EDIT, "here", "there", "4"},
          {IDC_EDIT, "there", nullptr, nullptr}}) {
        Answer([&] { Click(&m_disc, nButton); }, pszProposed, pszName, pszValue);
    }
    EXPECT_EQ(m_hooks.messages().size(), 2U);
    EXPECT_EQ(Selection(), "a2.5 there4* after0.5 b3 c0 d10 ");
    Click(&m_disc, IDC_MOVE_UP);
    EXPECT_EQ(Selection(), "there4 a2.5* after0.5 b3 c0 d10 ");
    Click(&m_disc, IDC_MOVE_DOWN);
    Click(&m_disc, IDC_DELETE);
    EXPECT_EQ(Selection(), "there4 a2.5* b3 c0 d10 ");
    List(m_disc, IDC_CATEGORY_LIST)->setCurrentRow(0);
    Click(&m_disc, IDC_MOVE_UP); // no step past either end
    List(m_disc, IDC_CATEGORY_LIST)->setCurrentRow(4);
    Click(&m_disc, IDC_MOVE_DOWN);
    Click(&m_disc, IDC_DELETE); // the selection's index now lies past the end
    EXPECT_EQ(Selection(), "there4 a2.5 b3 c0 ");
    EXPECT_EQ(Stops(m_disc), "QListWidget QLineEdit Insert here PDF CDF Axis ");
}

TEST_F(DistPageTest, DiscreteButtonsFollowTheSelectionAndThePermissions) {
    // Categories changeable, no categories (so no selection), values changeable.
    for (const auto& [bCategories, bEmpty, bValues, pszEnabled] :
         {std::tuple{TRUE, false, TRUE, "Insert here Insert after Delete Edit Up Down "},
          {TRUE, true, TRUE, "Insert here "},
          {FALSE, false, FALSE, ""}}) {
        CDiscrete empty(nullptr, "E", nullptr);
        CDiscrete& dist = bEmpty ? empty : m_discrete;
        dist.SetCanChangeCategories(bCategories);
        dist.SetCanChange(bValues);
        CDistPageDisc page;
        page.SetDist(&dist);
        EXPECT_EQ(Stops(page), "QListWidget " + std::string(bValues ? "QLineEdit " : "") +
                                   pszEnabled + "PDF CDF Axis ");
    }
    // Once off, "Insert here" stays off for the next variable.
    m_disc.SetDist(&m_discrete);
    CDiscrete other(nullptr, "O", &m_discrete);
    other.SetCanChangeCategories(TRUE);
    m_disc.SetDist(&other);
    EXPECT_FALSE(Control(&m_disc, IDC_INSERT_HERE)->isEnabled());
    // A double-click edits even with the Edit button off; its first click selects the row.
    m_disc.SetDist(&m_discrete);
    QListWidget* pList = List(m_disc, IDC_CATEGORY_LIST);
    const QPoint row = pList->visualItemRect(pList->item(2)).center();
    Answer(
        [&] {
            QTest::mouseClick(pList->viewport(), Qt::LeftButton, {}, row);
            QTest::mouseDClick(pList->viewport(), Qt::LeftButton, {}, row);
        },
        "c", "cc", "2");
    EXPECT_EQ(Categories(m_discrete), "a1 b3 cc2 d4 ");
    // A variable of another type, even one that claims the discrete type id, is not taken.
    CNormal normal(nullptr, "N", nullptr);
    normal.m_nType = DIST_DISCRETE;
    m_disc.SetDist(&normal);
    EXPECT_EQ(m_disc.GetDist(), &m_discrete);
}

} // namespace
} // namespace stochvar
