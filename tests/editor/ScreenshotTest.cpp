// Pictures of the pages as a user sees them, rendered offscreen and saved into the build tree
// (tests/editor/screenshots) for a look by eye; the checks here make sure the pictures show
// the curve or the bars where the chart is.

#include "EditorTestSupport.h"

#include <stochvar/editor/DistPageCont.h>
#include <stochvar/editor/DistPageDisc.h>
#include <stochvar/editor/DlgSelectDist.h>
#include <stochvar/families/Discrete.h>
#include <stochvar/families/LogNormal.h>

#include <QImage>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace stochvar {
namespace {

using editortest::CEditorHooks;
using editortest::CModalScript;
using editortest::Control;
using editortest::IsCurvePixel;
using editortest::Shoot;

// Columns of the rectangle that hold data pixels, grouped into runs of neighbours.
int DataColumnRuns(const QImage& image, const QRect& area, int& nDataColumns) {
    int nRuns = 0;
    nDataColumns = 0;
    bool bInRun = false;
    for (int x = area.left(); x <= area.right(); ++x) {
        bool bData = false;
        for (int y = area.top(); y <= area.bottom() && !bData; ++y) {
            bData = IsCurvePixel(image.pixel(x, y));
        }
        nDataColumns += bData ? 1 : 0;
        nRuns += bData && !bInRun ? 1 : 0;
        bInRun = bData;
    }
    return nRuns;
}

TEST(Screenshots, ContinuousPageOfALognormalVariable) {
    CEditorHooks hooks;
    CLogNormal lognormal(nullptr, "Strength", nullptr);
    CDistPageCont page;
    page.resize(820, 440);
    page.SetDist(&lognormal);
    page.show();

    const QRect chart = Control<CChart2D>(&page, IDC_CHART)->geometry();
    int nColumns = 0;
    const QImage pdf = Shoot(page, "continuous-lognormal-pdf.png");
    EXPECT_EQ(DataColumnRuns(pdf, chart, nColumns), 1) << "one unbroken curve";
    EXPECT_GT(nColumns, chart.width() / 2) << "the curve spans the chart";

    Control<QRadioButton>(&page, IDC_CDF)->click();
    const QImage cdf = Shoot(page, "continuous-lognormal-cdf.png");
    EXPECT_EQ(DataColumnRuns(cdf, chart, nColumns), 1);
    EXPECT_NE(pdf, cdf);
}

TEST(Screenshots, DiscretePageWithFourCategories) {
    CEditorHooks hooks;
    CDiscrete discrete(nullptr, "Exposure", nullptr);
    for (const auto& [pszName, dFrequency] :
         {std::pair{"sheltered", 2.0}, std::pair{"normal", 5.0}, std::pair{"exposed", 3.0},
          std::pair{"coastal", 1.0}}) {
        discrete.AddCategory(pszName, dFrequency, -1);
    }
    CDistPageDisc page;
    page.resize(820, 440);
    page.SetDist(&discrete);
    page.show();

    const QRect chart = Control<CChart2D>(&page, IDC_CHART)->geometry();
    int nColumns = 0;
    EXPECT_EQ(DataColumnRuns(Shoot(page, "discrete-four-categories.png"), chart, nColumns), 4)
        << "one bar per category";
    Control<QRadioButton>(&page, IDC_CDF)->click();
    EXPECT_EQ(DataColumnRuns(Shoot(page, "discrete-four-categories-cdf.png"), chart, nColumns), 4);
}

TEST(Screenshots, SelectionDialog) {
    CEditorHooks hooks;
    CDist* pHost = new CLogNormal(&pHost, "Strength", nullptr);
    CModalScript<CDlgSelectDist> script([](CDlgSelectDist& dlg) {
        dlg.resize(960, 460);
        const QRect chart = Control<CChart2D>(&dlg, IDC_CHART)->geometry();
        int nColumns = 0;
        const QImage image = Shoot(dlg, "selection-dialog-lognormal.png");
        EXPECT_EQ(DataColumnRuns(image, chart.translated(dlg.GetPage()->pos()), nColumns), 1);
        Control<QPushButton>(&dlg, IDC_CANCEL)->click();
    });
    EXPECT_EQ(pHost->ChangeDistribution(), pHost);
    delete pHost;
}

} // namespace
} // namespace stochvar
