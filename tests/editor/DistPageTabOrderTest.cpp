// The keyboard order of the two pages: the controls of the left column, then the curve choice and
// the Axis button under the chart.

#include <stochvar/editor/ControlIds.h>
#include <stochvar/editor/DistPageCont.h>
#include <stochvar/editor/DistPageDisc.h>

#include <gtest/gtest.h>

#include <vector>

namespace stochvar {
namespace {

// The ids of the controls that Tab reaches, in the order it reaches them from the page itself,
// which is where a dialog that holds the page enters it.
std::vector<int> TabStops(QWidget& page) {
    std::vector<int> ids;
    for (QWidget* pWidget = page.nextInFocusChain(); pWidget != &page;
         pWidget = pWidget->nextInFocusChain()) {
        bool bIsId = false;
        const int nId = pWidget->objectName().toInt(&bIsId);
        if (bIsId && (pWidget->focusPolicy() & Qt::TabFocus) != 0) {
            ids.push_back(nId);
        }
    }
    return ids;
}

TEST(DistPageTabOrder, LeftColumnFirstThenTheCurveControls) {
    CDistPageCont cont;
    EXPECT_EQ(TabStops(cont), (std::vector<int>{IDC_INPUT_TYPE, IDC_PARAMETER, IDC_VALUE, IDC_PDF,
                                                IDC_CDF, IDC_AXIS}));
    CDistPageDisc disc;
    EXPECT_EQ(TabStops(disc), (std::vector<int>{IDC_CATEGORY_LIST, IDC_VALUE, IDC_INSERT_HERE,
                                                IDC_INSERT_AFTER, IDC_DELETE, IDC_EDIT, IDC_MOVE_UP,
                                                IDC_MOVE_DOWN, IDC_PDF, IDC_CDF, IDC_AXIS}));
}

} // namespace
} // namespace stochvar
