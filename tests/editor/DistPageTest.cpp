// The two pages driven through their controls: nothing happens without a variable, then a
// workflow on each page (with Return anywhere on the continuous one); and the chart's curve.

#include "EditorTestSupport.h"

#include <stochvar/editor/DlgNameValue.h>

#include <QRadioButton>

namespace stochvar {
namespace {

using namespace editortest;

class DistPageTest : public ::testing::Test {
protected:
    // The page's lists, lines joined by ", " and the selected one marked "*", then the value box.
    static std::string View(const QWidget& page) {
        std::string text;
        for (const int nId : {IDC_INPUT_TYPE, IDC_PARAMETER, IDC_CATEGORY_LIST}) {
            if (const auto* pList = page.findChild<QListWidget*>(ControlName(nId))) {
                QStringList lines;
                for (int i = 0; i < pList->count(); ++i) {
                    lines.append(pList->item(i)->text() + (i == SelectedRow(pList) ? "*" : ""));
                }
                text += lines.join(", ").toStdString() + " | ";
            }
        }
        return text + Control<QLineEdit>(&page, IDC_VALUE)->text().toStdString();
    }
    // The categories with the selected one marked, which the page's own index must follow.
    std::string Selection() const {
        const int nRow = SelectedRow(Control<QListWidget>(&m_disc, IDC_CATEGORY_LIST));
        EXPECT_EQ(m_disc.GetSelCategory(), nRow);
        return Categories(m_discrete, nRow);
    }
    CEditorHooks m_hooks;
    CNormal m_normal{nullptr, "X", nullptr}; // mu 4, sigma 0.5, COV 0.125
    CDiscrete m_discrete{nullptr, "Soil", nullptr};
    CDistPageCont m_cont;
    CDistPageDisc m_disc;
};

TEST_F(DistPageTest, ParametersAreEnteredByReturnAnywhereAndCheckedAfterTheLast) {
    for (QWidget* pPage : std::initializer_list<QWidget*>{&m_cont, &m_disc}) { // no variable yet
        Enter(pPage, "5");
        Control<QRadioButton>(pPage, IDC_CDF)->click();
        Click(pPage, IDC_AXIS); // a dialog would fail the test
        EXPECT_EQ(Control<CChart2D>(pPage, IDC_CHART)->GetPointCount(1), 0);
    }
    EXPECT_TRUE(m_hooks.beeps().empty());

    m_cont.SetDist(&m_normal);
    Enter(&m_cont, "5");
    Enter(&m_cont, "-1"); // refused with a message (below)
    EXPECT_EQ(View(m_cont), "/MEAN/STDDEV*, /MEAN/COV | MEAN  [5], STDDEV  [0.5]* | 0.5");
    // Another input type keeps the cursor; its last parameter converts the values.
    Control<QListWidget>(&m_cont, IDC_INPUT_TYPE)->setCurrentRow(1);
    EXPECT_EQ(View(m_cont), "/MEAN/STDDEV, /MEAN/COV* | MEAN  [5], COV  [0.125]* | 0.125");
    Enter(&m_cont, "0.2"); // the last: mu 5 and COV 0.2 give sigma 1
    // A combination that fails its check is shown after the last parameter, not converted.
    Enter(&m_cont, "0");
    Enter(&m_cont, "0.3");
    EXPECT_EQ(m_hooks.messages(),
              (std::vector<std::string>{
                  "ERROR:\nStdDev is less than (or equal to) 0",
                  "ERROR:\nMean value must be different from 0 when CoV is given as input."}));
    EXPECT_EQ(View(m_cont), "/MEAN/STDDEV, /MEAN/COV* | MEAN  [0]*, COV  [0.3] | 0");
    EXPECT_EQ(m_normal.GetParamValue(PARAM_STDDEV), 1.0) << "still as converted before";

    // Return in the value box, the parameter list or on the Axis button commits the value box,
    // after picking the mean; then the box shows the COV, with the shortest digits that read back
    // as it. strtod skips leading blanks, so " 12" is one number, and "" reads as 0. Text that is
    // not one number is refused with a beep of 1000 Hz for 150 ms and stays.
    using Beeps = std::vector<std::pair<DWORD, DWORD>>;
    for (const auto& [pszText, nTarget, dMean, bRefused] :
         {std::tuple{"1e3", IDC_VALUE, 1000.0, false},
          {" 12", IDC_PARAMETER, 12.0, false},
          {"", IDC_AXIS, 0.0, false},
          {"12a", IDC_VALUE, 0.0, true},
          {"1,5", IDC_PARAMETER, 0.0, true},
          {"abc", IDC_AXIS, 0.0, true}}) {
        SCOPED_TRACE(pszText);
        Control<QListWidget>(&m_cont, IDC_PARAMETER)->setCurrentRow(0);
        m_hooks.clear();
        auto* pValue = Control<QLineEdit>(&m_cont, IDC_VALUE);
        pValue->setText(pszText);
        QTest::keyClick(Control<QWidget>(&m_cont, nTarget),
                        nTarget == IDC_AXIS ? Qt::Key_Enter : Qt::Key_Return);
        EXPECT_EQ(m_normal.GetParamValue(PARAM_MEAN), dMean);
        EXPECT_EQ(m_hooks.beeps(), (bRefused ? Beeps{{1000, 150}} : Beeps{}));
        EXPECT_EQ(pValue->text(), bRefused ? pszText : "0.3");
    }
}

// Every point of the curve lies on the density or the cumulative function, bit for bit, the
// points ascend from the lower axis bound to the upper one, and halfway between two of them the
// line lies within 0.5 % of the curve's height from the function.
void ExpectCurve(const CChart2D& chart, CDist& dist, bool bCdf) {
    const auto f = [&](double x) { return bCdf ? dist.GetCumulative(x) : dist.GetDensity(x); };
    const int n = chart.GetPointCount(1);
    ASSERT_GE(n, 20);
    EXPECT_LT(n, 2000);
    EXPECT_EQ(std::pair(chart.GetX(1, 1), chart.GetX(1, n)),
              std::pair(dist.m_dAxisMin, dist.m_dAxisMax));
    double dHeight = 0.0;
    double dWorst = 0.0;
    for (int i = 1; i <= n; ++i) {
        const double x = chart.GetX(1, i);
        ASSERT_EQ(chart.GetY(1, i), f(x)) << x;
        dHeight = std::max(dHeight, chart.GetY(1, i));
        if (i > 1) {
            const double x0 = chart.GetX(1, i - 1);
            ASSERT_GT(x, x0);
            const double dLine = 0.5 * (chart.GetY(1, i - 1) + chart.GetY(1, i));
            dWorst = std::max(dWorst, std::fabs(dLine - f(0.5 * (x0 + x))));
        }
    }
    EXPECT_LT(dWorst, 0.005 * dHeight);
}

TEST_F(DistPageTest, TheContinuousChartShowsTheChosenCurveOverTheAxisBounds) {
    const CChart2D& chart = *Control<CChart2D>(&m_cont, IDC_CHART);
    m_cont.SetDist(&m_normal);
    for (const int nButton : {IDC_PDF, IDC_CDF, IDC_PDF}) {
        Control<QRadioButton>(&m_cont, nButton)->click();
        ExpectCurve(chart, m_normal, nButton == IDC_CDF);
    }
    const auto automatic = [this] { // the automatic lower bound for the values now
        CNormal copy(nullptr, "C", &m_normal);
        copy.SetAutoAxis();
        return copy.m_dAxisMin;
    };
    Enter(&m_cont, "10"); // the automatic bounds follow the parameters
    EXPECT_EQ(chart.GetX(1, 1), automatic());
    AxisDialog(&m_cont, false, "9", " 1 "); // in either order, blanks allowed
    Enter(&m_cont, "3");                    // fixed bounds stay
    EXPECT_EQ(m_normal.m_dAxisMax, 9.0);
    AxisDialog(&m_cont, false, "2", "2"); // no width: the automatic bounds, this once
    const double dOnce = automatic();
    EXPECT_EQ(chart.GetX(1, 1), dOnce);
    Enter(&m_cont, "20");
    EXPECT_TRUE(chart.GetX(1, 1) == dOnce && dOnce != automatic());
    // A density narrow against its bounds is followed between the points too.
    AxisDialog(&m_cont, false, "10", "30");
    Control<QListWidget>(&m_cont, IDC_PARAMETER)->setCurrentRow(1);
    Enter(&m_cont, "0.1");
    for (const int nButton : {IDC_CDF, IDC_PDF}) {
        Control<QRadioButton>(&m_cont, nButton)->click();
        ExpectCurve(chart, m_normal, nButton == IDC_CDF);
    }
}

TEST_F(DistPageTest, DiscreteCategoriesAreEnteredInsertedEditedMovedAndDeleted) {
    for (const auto& [pszName, dFrequency] :
         {std::pair{"a", 1.0}, {"b", 3.0}, {"c", 0.0}, {"d", 4.0}}) {
        m_discrete.AddCategory(pszName, dFrequency, -1);
    }
    m_disc.SetDist(&m_discrete);
    auto& list = *Control<QListWidget>(&m_disc, IDC_CATEGORY_LIST);
    Enter(&m_disc, "2.5"); // the next category is offered
    EXPECT_EQ(View(m_disc),
              "a\t2.5\t(0.263158), b\t3\t(0.315789)*, c\t0\t(0), d\t4\t(0.421053) | 3");
    list.setCurrentRow(3);
    Enter(&m_disc, "-1");
    EXPECT_EQ(m_hooks.messages(), std::vector<std::string>{"ERROR:\nFrequency must be >= 0"});
    Enter(&m_disc, "1e1"); // after the last the first comes again
    // New categories at the selection or after it, which the selection follows, and edits at
    // the selection; the name-and-value dialog proposes a name, Cancel without one.
    for (const auto& [nButton, pszProposed, pszName, pszValue] :
         {std::tuple{IDC_INSERT_HERE, "Cat_4", "here", "2"},
          {IDC_INSERT_AFTER, "Cat_5", "after", "0.5"},
          {IDC_EDIT, "after", "there", "4"},
          {IDC_EDIT, "there", nullptr, nullptr}}) {
        const CModalScript<CDlgNameValue> script([&](CDlgNameValue& dlg) {
            auto* pName = Control<QLineEdit>(&dlg, IDC_CATEGORY_NAME);
            EXPECT_EQ(pName->text(), pszProposed);
            pName->setText(pszName);
            Control<QLineEdit>(&dlg, IDC_CATEGORY_VALUE)->setText(pszValue);
            Click(&dlg, pszName != nullptr ? IDC_OK : IDC_CANCEL);
        });
        Click(&m_disc, nButton);
    }
    EXPECT_EQ(Selection(), "here2 there4* a2.5 b3 c0 d10 ");
    list.setCurrentRow(0);
    Click(&m_disc, IDC_MOVE_UP); // no step past either end
    EXPECT_EQ(Selection(), "here2* there4 a2.5 b3 c0 d10 ");
    list.setCurrentRow(2);
    Click(&m_disc, IDC_MOVE_UP); // the selection moves along
    EXPECT_EQ(Selection(), "here2 a2.5* there4 b3 c0 d10 ");
    Click(&m_disc, IDC_MOVE_DOWN);
    EXPECT_EQ(Selection(), "here2 there4 a2.5* b3 c0 d10 ");
    list.setCurrentRow(5);
    Click(&m_disc, IDC_MOVE_DOWN);
    Click(&m_disc, IDC_DELETE); // the selection's index now lies past the end: none is shown
    EXPECT_EQ(Categories(m_discrete, SelectedRow(&list)), "here2 there4 a2.5 b3 c0 ");
    // A variable its host has locked offers no edit at all.
    m_discrete.SetCanChange(FALSE);
    m_discrete.SetCanChangeCategories(FALSE);
    m_disc.SetDist(&m_discrete);
    for (const int nId : {IDC_INSERT_HERE, IDC_INSERT_AFTER, IDC_MOVE_UP, IDC_MOVE_DOWN, IDC_DELETE,
                          IDC_EDIT, IDC_VALUE}) {
        EXPECT_FALSE(Control<QWidget>(&m_disc, nId)->isEnabled()) << nId;
    }
}

TEST(Chart2D, PaintsTheCurveInItsColourWithItsPeakInPlaceAndAGapAtAPointNotFinite) {
    // The density of mu 4 and sigma 0.5 over [1, 9] in steps of 1/6; the point at 4.5 is NaN.
    CNormal normal(nullptr, "X", nullptr);
    CChart2D chart;
    chart.SetPointCount(1, 49);
    for (int i = 1; i <= 49; ++i) {
        chart.SetX(1, i, 1.0 + (i - 1) / 6.0);
        chart.SetY(1, i, i == 22 ? std::nan("") : normal.GetDensity(chart.GetX(1, i)));
    }
    chart.resize(600, 300);
    const std::vector<int> top = CurveTops(chart.grab().toImage());
    const auto drawn = [](int y) { return y >= 0; };
    const int nFirst = int(std::find_if(top.begin(), top.end(), drawn) - top.begin());
    const int nLast = int(top.rend() - std::find_if(top.rbegin(), top.rend(), drawn)) - 1;
    const int nPeak =
        int(std::min_element(top.begin(), top.end(),
                             [](int a, int b) { return b < 0 || (a >= 0 && a < b); }) -
            top.begin());
    ASSERT_GT(nLast - nFirst, chart.width() / 2) << "the curve spans the chart";
    EXPECT_NEAR(double(nPeak - nFirst) / double(nLast - nFirst), 3.0 / 8.0, 0.02) << "x = 4";
    EXPECT_GT(top[size_t(nFirst)] - top[size_t(nPeak)], chart.height() / 2);
    const int nGap = nFirst + (nLast - nFirst) * 7 / 16; // x = 4.5
    for (int x = nGap - 4; x <= nGap + 4; ++x) {
        EXPECT_EQ(top[size_t(x)], -1) << "column " << x;
    }
}

} // namespace
} // namespace stochvar
