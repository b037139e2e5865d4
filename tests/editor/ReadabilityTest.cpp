// What the editor shows, read as a user reads it: numbers that give back the same value when
// they are entered again, grid columns and the correlation dialog large enough for their
// content, a fixed value drawn as a spike, and numerics diagnostics as one message.

#include "EditorTestSupport.h"

#include <stochvar/families/Beta.h>
#include <stochvar/numerics/DiagnosticCapture.h>

#include <QRadioButton>
#include <QScreen>

#include <charconv>
#include <cmath>
#include <memory>

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
        const QString listed = Control<QListWidget>(&cont, IDC_PARAMETER)->item(0)->text();
        EXPECT_EQ(Read(listed.section('[', 1).chopped(1)), dValue) << listed.toStdString();
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
            EditCell(grid, nRow, nCol, pszText);
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

} // namespace
} // namespace stochvar
