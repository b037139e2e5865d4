// What the editor shows, read as a user reads it: numbers that give back the same value when
// they are entered again, grid columns and the correlation dialog large enough for their
// content, a curve that follows the density between its points, a fixed value drawn as a spike,
// numerics diagnostics as one message, and a category selection that follows its category.

#include "EditorTestSupport.h"

#include <stochvar/editor/DlgAxisBounds.h>
#include <stochvar/editor/DlgNameValue.h>
#include <stochvar/families/Beta.h>
#include <stochvar/numerics/DiagnosticCapture.h>

#include <QCheckBox>
#include <QHeaderView>
#include <QRadioButton>
#include <QScreen>

#include <charconv>
#include <cmath>
#include <memory>
#include <numbers>

namespace stochvar {
namespace {

using namespace editortest;

// Values whose shortest text is short but whose 15, 6 or 20 significant digits are not.
constexpr double kAwkward[] = {0.07, 0.1 + 0.2, 1.2345678, 4.1e-8, 1.0 / 3.0, 2.5e17, 1e-300};

double Read(const QString& text) {
    const QByteArray bytes = text.toLatin1();
    double d = std::nan("");
    std::from_chars(bytes.data(), bytes.data() + bytes.size(), d);
    return d;
}

TEST(Readability, ValuesShownInTheValueBoxesAndDialogsReadBackBitForBit) {
    CEditorHooks hooks;
    for (const double dValue : kAwkward) {
        SCOPED_TRACE(dValue);
        // The continuous page: shown, read by std::from_chars, and entered again unchanged.
        CNormal normal(nullptr, "X", nullptr);
        normal.SetParamValue(PARAM_MEAN, dValue);
        CDistPageCont cont;
        cont.SetDist(&normal);
        const QString shown = Control<QLineEdit>(&cont, IDC_VALUE)->text();
        EXPECT_EQ(Read(shown), dValue) << shown.toStdString();
        EXPECT_LE(shown.size(), 24) << shown.toStdString();
        QTest::keyClick(Control<QLineEdit>(&cont, IDC_VALUE), Qt::Key_Return);
        EXPECT_EQ(normal.GetParamValue(PARAM_MEAN), dValue);
        // The discrete page's frequency, entered again unchanged.
        CDiscrete discrete(nullptr, "D", nullptr);
        discrete.AddCategory("a", dValue, -1);
        CDistPageDisc disc;
        disc.SetDist(&discrete);
        QTest::keyClick(Control<QLineEdit>(&disc, IDC_VALUE), Qt::Key_Return);
        EXPECT_EQ(discrete.m_Frequencies[0], dValue);
        // The axis dialog, closed with OK untouched.
        normal.m_bAutoAxis = FALSE;
        normal.m_dAxisMin = -dValue;
        normal.m_dAxisMax = dValue;
        const CModalScript<CDlgAxisBounds> script([](CDlgAxisBounds& dlg) { Click(&dlg, IDC_OK); });
        Click(&cont, IDC_AXIS);
        EXPECT_EQ(std::pair(normal.m_dAxisMin, normal.m_dAxisMax), std::pair(-dValue, dValue));
    }
    EXPECT_TRUE(hooks.messages().empty());
}

TEST(Readability, SmallAndLargeParametersAreListedInScientificNotation) {
    const struct {
        double dStdDev;
        const char* pszListed;
    } cases[] = {{4.1e-8, "STDDEV  [4.1e-08]"},
                 {0.07, "STDDEV  [0.07]"},
                 {0.5, "STDDEV  [0.5]"},
                 {0.0001, "STDDEV  [0.0001]"},
                 {2.5e17, "STDDEV  [2.5e+17]"}};
    for (const auto& c : cases) {
        CNormal normal(nullptr, "X", nullptr);
        normal.SetParamValue(PARAM_STDDEV, c.dStdDev);
        CDistPageCont cont;
        cont.SetDist(&normal);
        EXPECT_EQ(Control<QListWidget>(&cont, IDC_PARAMETER)->item(1)->text(), c.pszListed);
    }
}

// Ten variables, as their correlation dialog opens them.
struct STenVariables {
    STenVariables() {
        for (int i = 0; i < 10; ++i) {
            variables.push_back(
                std::make_unique<CNormal>(nullptr, "load " + std::to_string(i), nullptr));
            collection.AddDist(variables.back().get());
        }
        dlg.SetDistArray(collection.GetDistArray());
        dlg.SetCorrArray(collection.GetCorrArray());
    }
    std::vector<std::unique_ptr<CNormal>> variables;
    CDistCollection collection;
    CDlgCorrelationMatrix dlg;
};

TEST(Readability, TheCorrelationDialogOpensWithTheWholeMatrixInSightAndTypedValuesFit) {
    STenVariables ten;
    const CModalScript<CDlgCorrelationMatrix> script([](CDlgCorrelationMatrix& dlg) {
        CCorrelationCtrl& grid = *dlg.GetGrid();
        const QRect screen = dlg.screen()->availableGeometry();
        EXPECT_LE(dlg.width(), screen.width());
        EXPECT_LE(dlg.height(), screen.height());
        // Every cell lies inside the viewport, nothing to scroll to, unless the dialog has
        // reached nine tenths of the screen.
        const auto expectAllInSight = [&grid, &dlg, screen](const char* pszAfter) {
            const int nLast = grid.columnCount() - 1;
            EXPECT_TRUE(grid.columnViewportPosition(nLast) + grid.columnWidth(nLast) <=
                            grid.viewport()->width() ||
                        dlg.width() == qRound(0.9 * screen.width()))
                << pszAfter;
            EXPECT_LE(grid.rowViewportPosition(nLast) + grid.rowHeight(nLast),
                      grid.viewport()->height())
                << pszAfter;
        };
        expectAllInSight("opening");
        // Typed values, their mirrors included, get columns as wide as their texts need, and
        // the dialog widens with them.
        for (const auto& [nRow, nCol, pszText] :
             {std::tuple{1, 2, "0.35"}, {3, 8, "-0.125"}, {10, 4, "0.0707106781"}}) {
            grid.setCurrentCell(nRow - 1, nCol - 1);
            grid.editItem(grid.item(nRow - 1, nCol - 1));
            auto* pEditor = qobject_cast<QLineEdit*>(grid.indexWidget(grid.currentIndex()));
            ASSERT_NE(pEditor, nullptr);
            pEditor->selectAll();
            QTest::keyClicks(pEditor, pszText);
            QTest::keyClick(pEditor, Qt::Key_Return);
            QCoreApplication::processEvents(); // the delegate commits Return through the queue
            EXPECT_EQ(grid.GetValue(nCol, nRow), pszText);
            for (const int nColumn : {nRow - 1, nCol - 1}) {
                // Fitted to its content, the column would not grow.
                const int nWidth = grid.columnWidth(nColumn);
                grid.resizeColumnToContents(nColumn);
                EXPECT_GE(nWidth, grid.columnWidth(nColumn)) << pszText << " column " << nColumn;
            }
            // The dialog grows once the columns are settled; the window system confirms its new
            // size and the layout follows, each through the event queue.
            for (int i = 0; i < 3; ++i) {
                QCoreApplication::processEvents();
            }
            expectAllInSight(pszText);
        }
        dlg.reject();
    });
    ten.dlg.DoModal();
}

// The density of a normal distribution, outside the library.
double NormalDensity(double x, double dMean, double dStdDev) {
    const double z = (x - dMean) / dStdDev;
    return std::exp(-0.5 * z * z) / (dStdDev * std::sqrt(2.0 * std::numbers::pi));
}

TEST(Readability, TheCurveFollowsANarrowDensityBetweenItsPointsUpToTheUpperBound) {
    const struct {
        double dStdDev, dAxisMin, dAxisMax;
    } cases[] = {{0.1, 0.0, 10.0}, {0.5, -20.0, 20.0}, {0.01, 3.0, 5.0}, {2.0, 1.0, 7.0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dStdDev);
        CNormal normal(nullptr, "X", nullptr); // mean 4
        normal.SetParamValue(PARAM_STDDEV, c.dStdDev);
        normal.m_bAutoAxis = FALSE;
        normal.m_dAxisMin = c.dAxisMin;
        normal.m_dAxisMax = c.dAxisMax;
        CDistPageCont cont;
        cont.SetDist(&normal);
        const CChart2D& chart = *Control<CChart2D>(&cont, IDC_CHART);
        const int n = chart.GetPointCount(1);
        const double dPeak = NormalDensity(4.0, 4.0, c.dStdDev);
        ASSERT_GT(n, 2);
        EXPECT_LT(n, 2000);
        EXPECT_EQ(std::pair(chart.GetX(1, 1), chart.GetX(1, n)), std::pair(c.dAxisMin, c.dAxisMax));
        // Halfway between neighbouring points the line lies within 0.5 % of the peak height
        // of the density there.
        double dWorst = 0.0;
        for (int i = 1; i < n; ++i) {
            const double x0 = chart.GetX(1, i);
            const double x1 = chart.GetX(1, i + 1);
            ASSERT_LT(x0, x1);
            const double dLine = 0.5 * (chart.GetY(1, i) + chart.GetY(1, i + 1));
            dWorst =
                std::max(dWorst, std::fabs(dLine - NormalDensity(0.5 * (x0 + x1), 4.0, c.dStdDev)));
        }
        EXPECT_LT(dWorst, 0.005 * dPeak);
    }
}

TEST(Readability, AFixedValueIsASpikeOfHeightOneInTheDensityAndAStepInTheCdf) {
    CDist fixed(nullptr, "F", nullptr);
    fixed.SetParamValue(PARAM_MEAN, 3.0);
    CDistPageCont cont;
    cont.SetDist(&fixed);
    const CChart2D& chart = *Control<CChart2D>(&cont, IDC_CHART);
    for (const bool bCdf : {false, true}) {
        if (bCdf) {
            Control<QRadioButton>(&cont, IDC_CDF)->click();
        }
        int nAtValue = 0;
        for (int i = 1; i <= chart.GetPointCount(1); ++i) {
            const double x = chart.GetX(1, i);
            const double y = chart.GetY(1, i);
            EXPECT_TRUE(x >= 2.0 && x <= 4.0) << x; // the axis: the value +- 1
            if (x == 3.0) {
                nAtValue += y == 1.0 ? 1 : 0;
            } else {
                // Density 0 beside the value; cumulative 0 below it, 1 above.
                EXPECT_EQ(y, bCdf && x > 3.0 ? 1.0 : 0.0) << x << (bCdf ? " CDF" : " PDF");
            }
        }
        EXPECT_EQ(nAtValue, 1) << "the top of the spike or of the step";
    }
}

TEST(Readability, NumericsDiagnosticsOfOneChartComeAsOneMessage) {
    CEditorHooks hooks;
    CBeta beta(nullptr, "B", nullptr);
    beta.SetParamValue(PARAM_R, -0.5); // dBeta refuses it at every point of the curve
    const CDiagnosticCapture printed;  // what would reach standard output
    CDistPageCont cont;
    cont.SetDist(&beta);
    EXPECT_EQ(printed.GetText(), "");
    ASSERT_EQ(hooks.messages().size(), 1u);
    const std::string& message = hooks.messages()[0];
    EXPECT_EQ(message.rfind("The numerical routines reported ", 0), 0u) << message;
    EXPECT_NE(message.find("\ndBeta: both arguments must be > 0 ("), std::string::npos) << message;
    // Each time the curve is drawn again, again one message.
    Control<QRadioButton>(&cont, IDC_CDF)->click();
    EXPECT_EQ(printed.GetText(), "");
    EXPECT_EQ(hooks.messages().size(), 2u);
    hooks.clear();
    // A curve without trouble adds no message.
    CNormal normal(nullptr, "N", nullptr);
    cont.SetDist(&normal);
    EXPECT_TRUE(hooks.messages().empty());
}

TEST(Readability, TheCategorySelectionFollowsTheInsertedOrMovedCategory) {
    CEditorHooks hooks;
    CDiscrete discrete(nullptr, "D", nullptr);
    for (const char* pszName : {"a", "b", "c"}) {
        discrete.AddCategory(pszName, 1.0, -1);
    }
    CDistPageDisc disc;
    disc.SetDist(&discrete);
    auto& list = *Control<QListWidget>(&disc, IDC_CATEGORY_LIST);
    const auto insert = [&](int nButton, const char* pszName) {
        const CModalScript<CDlgNameValue> script([=](CDlgNameValue& dlg) {
            Control<QLineEdit>(&dlg, IDC_CATEGORY_NAME)->setText(pszName);
            Click(&dlg, IDC_OK);
        });
        Click(&disc, nButton);
    };
    const struct {
        int nSelect; // row selected first
        std::function<void()> action;
        const char* pszAfter;
    } steps[] = {
        {0, [&] { Click(&disc, IDC_MOVE_DOWN); }, "b1 a1* c1 "},
        {1, [&] { Click(&disc, IDC_MOVE_DOWN); }, "b1 c1 a1* "},
        {2, [&] { Click(&disc, IDC_MOVE_DOWN); }, "b1 c1 a1* "}, // the last stays
        {2, [&] { Click(&disc, IDC_MOVE_UP); }, "b1 a1* c1 "},
        {0, [&] { insert(IDC_INSERT_AFTER, "d"); }, "b1 d1* a1 c1 "},
        {3, [&] { insert(IDC_INSERT_AFTER, "e"); }, "b1 d1 a1 c1 e1* "},
        {1, [&] { insert(IDC_INSERT_HERE, "f"); }, "b1 f1* d1 a1 c1 e1 "},
    };
    for (const auto& step : steps) {
        list.setCurrentRow(step.nSelect);
        step.action();
        EXPECT_EQ(Categories(discrete, SelectedRow(&list)), step.pszAfter);
        EXPECT_EQ(disc.GetSelCategory(), SelectedRow(&list));
    }
    EXPECT_TRUE(hooks.messages().empty());
}

} // namespace
} // namespace stochvar
