// The discrete page driven through its controls: the category list, frequency entry with its
// selection advance, the category buttons with the name-and-value dialog, enabling rules and the
// chart per category.

#include <stochvar/editor/DistPageDisc.h>

#include "EditorTestSupport.h"

#include <stochvar/editor/DlgNameValue.h>
#include <stochvar/families/Discrete.h>
#include <stochvar/families/Normal.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace stochvar {
namespace {

using editortest::CEditorHooks;
using editortest::CModalScript;
using editortest::Control;
using editortest::TypeAndReturn;

using Categories = std::vector<std::pair<std::string, double>>;

Categories CategoriesOf(const CDiscrete& dist) {
    Categories categories;
    for (int i = 0; i < dist.GetCategoryCount(); ++i) {
        CString strName;
        double dFrequency = 0.0;
        double dProbability = 0.0;
        dist.GetCategory(i, strName, dFrequency, dProbability);
        categories.emplace_back(strName.GetString(), dFrequency);
    }
    return categories;
}

int SelectedRow(const QListWidget* pList) {
    const QList<QListWidgetItem*> selected = pList->selectedItems();
    return selected.isEmpty() ? -1 : pList->row(selected.first());
}

// Answers the name-and-value dialog: checks what it proposes, then types and confirms, or
// cancels when pszName is null.
CModalScript<CDlgNameValue> AnswerNameValue(std::string expectedName, std::string expectedValue,
                                            const char* pszName, const char* pszValue) {
    return CModalScript<CDlgNameValue>([=](CDlgNameValue& dlg) {
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Name and value"));
        auto* pName = Control<QLineEdit>(&dlg, IDC_CATEGORY_NAME);
        auto* pValue = Control<QLineEdit>(&dlg, IDC_CATEGORY_VALUE);
        EXPECT_EQ(pName->text().toStdString(), expectedName);
        EXPECT_EQ(pValue->text().toStdString(), expectedValue);
        if (pszName == nullptr) {
            Control<QPushButton>(&dlg, IDC_CANCEL)->click();
            return;
        }
        pName->setText(QString::fromLatin1(pszName));
        pValue->setText(QString::fromLatin1(pszValue));
        Control<QPushButton>(&dlg, IDC_OK)->click();
    });
}

class DistPageDiscTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const auto& [pszName, dFrequency] :
             {std::pair{"a", 1.0}, std::pair{"b", 3.0}, std::pair{"c", 0.0}, std::pair{"d", 4.0}}) {
            m_discrete.AddCategory(pszName, dFrequency, -1);
        }
        m_page.resize(800, 420);
        m_page.show();
    }

    QListWidget* CategoryBox() { return Control<QListWidget>(&m_page, IDC_CATEGORY_LIST); }
    QLineEdit* ValueBox() { return Control<QLineEdit>(&m_page, IDC_VALUE); }
    QPushButton* Button(int nId) { return Control<QPushButton>(&m_page, nId); }
    CChart2D* Chart() { return Control<CChart2D>(&m_page, IDC_CHART); }
    void Select(int nRow) { CategoryBox()->setCurrentRow(nRow); }

    CEditorHooks m_hooks;
    CDiscrete m_discrete{nullptr, "Soil", nullptr}; // a 1, b 3, c 0, d 4 (sum 8)
    CDistPageDisc m_page;
};

TEST_F(DistPageDiscTest, ListsNameFrequencyAndProbabilityOfEveryCategory) {
    m_page.SetDist(&m_discrete);
    const QStringList expected = {"a\t1\t(0.125)", "b\t3\t(0.375)", "c\t0\t(0)", "d\t4\t(0.5)"};
    ASSERT_EQ(CategoryBox()->count(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(CategoryBox()->item(i)->text(), expected[i]);
    }
    EXPECT_EQ(SelectedRow(CategoryBox()), 0);
    EXPECT_EQ(ValueBox()->text(), QStringLiteral("1"));
}

TEST_F(DistPageDiscTest, ReturnReplacesTheFrequencyAndOffersTheNextCategory) {
    m_page.SetDist(&m_discrete);
    TypeAndReturn(ValueBox(), "2.5");
    EXPECT_EQ(CategoriesOf(m_discrete), (Categories{{"a", 2.5}, {"b", 3}, {"c", 0}, {"d", 4}}));
    EXPECT_DOUBLE_EQ(m_discrete.m_Probabilities[0], 2.5 / 9.5);
    EXPECT_EQ(SelectedRow(CategoryBox()), 1);
    EXPECT_EQ(ValueBox()->text(), QStringLiteral("3"));
    EXPECT_EQ(CategoryBox()->item(0)->text(), QStringLiteral("a\t2.5\t(0.263158)"));

    Select(3);
    TypeAndReturn(ValueBox(), "1e1");
    EXPECT_EQ(CategoriesOf(m_discrete), (Categories{{"a", 2.5}, {"b", 3}, {"c", 0}, {"d", 10}}));
    EXPECT_EQ(SelectedRow(CategoryBox()), 0) << "after the last category the first comes again";
    EXPECT_TRUE(m_hooks.messages().empty());
}

TEST_F(DistPageDiscTest, TextThatIsNotANumberBeepsAndANegativeFrequencyIsRefused) {
    m_page.SetDist(&m_discrete);
    Select(1);
    TypeAndReturn(ValueBox(), "3x");
    TypeAndReturn(ValueBox(), "2 ");
    const std::vector<std::pair<DWORD, DWORD>> twoBeeps = {{1000, 150}, {1000, 150}};
    EXPECT_EQ(m_hooks.beeps(), twoBeeps);
    EXPECT_TRUE(m_hooks.messages().empty());

    TypeAndReturn(ValueBox(), "-1");
    ASSERT_EQ(m_hooks.messages().size(), 1u);
    EXPECT_EQ(m_hooks.messages()[0], "ERROR:\nFrequency must be >= 0");
    EXPECT_EQ(CategoriesOf(m_discrete), (Categories{{"a", 1}, {"b", 3}, {"c", 0}, {"d", 4}}));
    EXPECT_EQ(SelectedRow(CategoryBox()), 1);
}

TEST_F(DistPageDiscTest, InsertHereAndInsertAfterProposeTheNextNameAndFrequencyOne) {
    m_page.SetDist(&m_discrete);
    Select(1);
    {
        auto script = AnswerNameValue("Cat_4", "1", "here", "2");
        Button(IDC_INSERT_HERE)->click();
    }
    EXPECT_EQ(CategoriesOf(m_discrete),
              (Categories{{"a", 1}, {"here", 2}, {"b", 3}, {"c", 0}, {"d", 4}}));
    EXPECT_EQ(SelectedRow(CategoryBox()), 1) << "the selection stays at its index";
    {
        auto script = AnswerNameValue("Cat_5", "1", "after", "0.5");
        Button(IDC_INSERT_AFTER)->click();
    }
    EXPECT_EQ(CategoriesOf(m_discrete),
              (Categories{{"a", 1}, {"here", 2}, {"after", 0.5}, {"b", 3}, {"c", 0}, {"d", 4}}));
}

TEST_F(DistPageDiscTest, WithoutASelectionANewCategoryIsAppended) {
    CDiscrete empty(nullptr, "E", nullptr);
    m_page.SetDist(&empty);
    EXPECT_EQ(SelectedRow(CategoryBox()), -1);
    EXPECT_TRUE(Button(IDC_INSERT_HERE)->isEnabled()) << "the first category can be added";
    {
        auto script = AnswerNameValue("Cat_0", "1", "first", "1");
        Button(IDC_INSERT_HERE)->click();
    }
    EXPECT_EQ(CategoriesOf(empty), (Categories{{"first", 1}}));
    EXPECT_EQ(SelectedRow(CategoryBox()), 0);
}

TEST_F(DistPageDiscTest, ACancelledOrRefusedInsertChangesNothing) {
    m_page.SetDist(&m_discrete);
    {
        auto script = AnswerNameValue("Cat_4", "1", nullptr, nullptr);
        Button(IDC_INSERT_AFTER)->click();
    }
    {
        // The variable refuses a negative frequency with its own message.
        auto script = AnswerNameValue("Cat_4", "1", "neg", "-2");
        Button(IDC_INSERT_AFTER)->click();
    }
    EXPECT_EQ(m_hooks.messages(), std::vector<std::string>{"ERROR:\nFrequency must be >= 0"});
    EXPECT_EQ(m_discrete.GetCategoryCount(), 4);
}

TEST_F(DistPageDiscTest, NameValueDialogStaysOpenOnAFrequencyThatIsNotANumber) {
    m_page.SetDist(&m_discrete);
    CModalScript<CDlgNameValue> script([this](CDlgNameValue& dlg) {
        Control<QLineEdit>(&dlg, IDC_CATEGORY_VALUE)->setText("many");
        Control<QPushButton>(&dlg, IDC_OK)->click();
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(m_hooks.messages(), std::vector<std::string>{"Please enter a number."});
        Control<QPushButton>(&dlg, IDC_CANCEL)->click();
    });
    Button(IDC_INSERT_HERE)->click();
    EXPECT_EQ(m_discrete.GetCategoryCount(), 4);
}

TEST_F(DistPageDiscTest, EditReplacesTheSelectedCategoryInPlace) {
    m_page.SetDist(&m_discrete);
    Select(1);
    {
        auto script = AnswerNameValue("b", "3", "bb", "6");
        Button(IDC_EDIT)->click();
    }
    EXPECT_EQ(CategoriesOf(m_discrete), (Categories{{"a", 1}, {"bb", 6}, {"c", 0}, {"d", 4}}));
    {
        auto script = AnswerNameValue("bb", "6", nullptr, nullptr);
        Button(IDC_EDIT)->click();
    }
    EXPECT_EQ(CategoriesOf(m_discrete), (Categories{{"a", 1}, {"bb", 6}, {"c", 0}, {"d", 4}}));
}

TEST_F(DistPageDiscTest, DoubleClickEditsEvenWhenTheEditButtonIsOff) {
    m_discrete.SetCanChangeCategories(FALSE);
    m_page.SetDist(&m_discrete);
    ASSERT_FALSE(Button(IDC_EDIT)->isEnabled());
    // Double-click on a row that is not selected yet: the first click selects it.
    const QRect row = CategoryBox()->visualItemRect(CategoryBox()->item(2));
    {
        auto script = AnswerNameValue("c", "0", "cc", "2");
        QTest::mouseClick(CategoryBox()->viewport(), Qt::LeftButton, {}, row.center());
        QTest::mouseDClick(CategoryBox()->viewport(), Qt::LeftButton, {}, row.center());
    }
    EXPECT_EQ(CategoriesOf(m_discrete), (Categories{{"a", 1}, {"b", 3}, {"cc", 2}, {"d", 4}}));
}

TEST_F(DistPageDiscTest, DeleteRemovesTheSelectedCategory) {
    m_page.SetDist(&m_discrete);
    Select(1);
    Button(IDC_DELETE)->click();
    EXPECT_EQ(CategoriesOf(m_discrete), (Categories{{"a", 1}, {"c", 0}, {"d", 4}}));
    EXPECT_EQ(SelectedRow(CategoryBox()), 1);
    Select(2);
    Button(IDC_DELETE)->click();
    EXPECT_EQ(CategoriesOf(m_discrete), (Categories{{"a", 1}, {"c", 0}}));
    // The selection index now lies past the end: nothing is selected.
    EXPECT_EQ(SelectedRow(CategoryBox()), -1);
    EXPECT_FALSE(Button(IDC_DELETE)->isEnabled());
}

TEST_F(DistPageDiscTest, UpAndDownSwapWithTheNeighbourAndKeepTheSelectionIndex) {
    m_page.SetDist(&m_discrete);
    Select(1);
    Button(IDC_MOVE_UP)->click();
    EXPECT_EQ(CategoriesOf(m_discrete), (Categories{{"b", 3}, {"a", 1}, {"c", 0}, {"d", 4}}));
    EXPECT_EQ(SelectedRow(CategoryBox()), 1);
    Button(IDC_MOVE_DOWN)->click();
    EXPECT_EQ(CategoriesOf(m_discrete), (Categories{{"b", 3}, {"c", 0}, {"a", 1}, {"d", 4}}));
    Select(0);
    Button(IDC_MOVE_UP)->click();
    Select(3);
    Button(IDC_MOVE_DOWN)->click();
    EXPECT_EQ(CategoriesOf(m_discrete), (Categories{{"b", 3}, {"c", 0}, {"a", 1}, {"d", 4}}))
        << "the first cannot go up, the last cannot go down";
}

struct SEnableCase {
    const char* pszName;
    BOOL bCanChangeCategories;
    bool bEmpty; // a variable without categories, so nothing is selected
    BOOL bCanChange;
    bool bSelectionButtons; // Insert after, Up, Down, Delete, Edit
    bool bInsertHere;
    bool bValueBox;
};

void PrintTo(const SEnableCase& c, std::ostream* pStream) {
    *pStream << c.pszName;
}

class EnableCases : public DistPageDiscTest, public ::testing::WithParamInterface<SEnableCase> {};

TEST_P(EnableCases, ButtonsFollowSelectionAndPermissions) {
    const SEnableCase c = GetParam();
    CDiscrete empty(nullptr, "E", nullptr);
    CDiscrete& dist = c.bEmpty ? empty : m_discrete;
    dist.SetCanChangeCategories(c.bCanChangeCategories);
    dist.SetCanChange(c.bCanChange);
    m_page.SetDist(&dist);
    for (const int nId : {IDC_INSERT_AFTER, IDC_MOVE_UP, IDC_MOVE_DOWN, IDC_DELETE, IDC_EDIT}) {
        EXPECT_EQ(Button(nId)->isEnabled(), c.bSelectionButtons) << "button " << nId;
    }
    EXPECT_EQ(Button(IDC_INSERT_HERE)->isEnabled(), c.bInsertHere);
    EXPECT_EQ(ValueBox()->isEnabled(), c.bValueBox);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, EnableCases,
    ::testing::Values(SEnableCase{"Selected", TRUE, false, TRUE, true, true, true},
                      SEnableCase{"NothingSelected", TRUE, true, TRUE, false, true, true},
                      SEnableCase{"FixedCategories", FALSE, false, TRUE, false, false, true},
                      SEnableCase{"FixedEmpty", FALSE, true, TRUE, false, false, true},
                      SEnableCase{"FixedValues", TRUE, false, FALSE, true, true, false}),
    [](const ::testing::TestParamInfo<SEnableCase>& caseInfo) { return caseInfo.param.pszName; });

TEST_F(DistPageDiscTest, InsertHereIsNotSwitchedBackOnByTheNextVariable) {
    // The refresh only ever switches "Insert here" off; a page that showed fixed categories
    // keeps it off.
    CDiscrete fixed(nullptr, "F", &m_discrete);
    fixed.SetCanChangeCategories(FALSE);
    m_page.SetDist(&fixed);
    m_page.SetDist(&m_discrete);
    EXPECT_FALSE(Button(IDC_INSERT_HERE)->isEnabled());
    EXPECT_TRUE(Button(IDC_INSERT_AFTER)->isEnabled());
}

TEST_F(DistPageDiscTest, AVariableOfAnotherTypeIsIgnored) {
    m_page.SetDist(&m_discrete);
    CNormal normal(nullptr, "N", nullptr);
    m_page.SetDist(&normal);
    EXPECT_EQ(m_page.GetDist(), &m_discrete);
    EXPECT_EQ(CategoryBox()->count(), 4);
    // A variable that claims the discrete type id without being one is not taken either.
    normal.m_nType = DIST_DISCRETE;
    m_page.SetDist(&normal);
    EXPECT_EQ(m_page.GetDist(), &m_discrete);
    m_page.SetDist(nullptr);
    EXPECT_EQ(m_page.GetDist(), nullptr);
}

TEST_F(DistPageDiscTest, ChartShowsOneBarPerCategoryWithItsName) {
    m_page.SetDist(&m_discrete);
    const CChart2D* pChart = Chart();
    EXPECT_EQ(pChart->GetChartType(), CChart2D::CHART_TYPE_BAR);
    EXPECT_EQ(pChart->GetXAxisAnnotation(), CChart2D::ANNOTATION_VALUE_LABELS);
    ASSERT_EQ(pChart->GetPointCount(1), 4);
    ASSERT_EQ(pChart->GetLabelCount(), 4);
    const double probabilities[] = {0.125, 0.375, 0.0, 0.5};
    const char* names[] = {"a", "b", "c", "d"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(pChart->GetY(1, i + 1), probabilities[i]);
        EXPECT_EQ(pChart->GetLabelText(i), QString::fromLatin1(names[i]));
        EXPECT_EQ(pChart->GetLabelPosition(i), i + 1);
    }

    Control<QRadioButton>(&m_page, IDC_CDF)->click();
    EXPECT_EQ(m_page.IsCdf(), TRUE);
    double dRunning = 0.0;
    for (int i = 0; i < 4; ++i) {
        dRunning += probabilities[i];
        // Read 1e-10 below the category's upper edge, where the piecewise-linear cumulative
        // function lies 1e-10 times the category's probability under the running sum.
        EXPECT_NEAR(pChart->GetY(1, i + 1), dRunning, 1e-9) << "category " << i;
        EXPECT_EQ(pChart->GetY(1, i + 1), m_discrete.GetCumulative(i + 0.5 - 1e-10));
    }
    EXPECT_EQ(pChart->GetLabelCount(), 4) << "labels are replaced, not added again";
}

TEST_F(DistPageDiscTest, ReturnOnTheCategoryListCommitsTheValueBox) {
    m_page.SetDist(&m_discrete);
    ValueBox()->setText("7");
    QTest::keyClick(CategoryBox(), Qt::Key_Return);
    EXPECT_EQ(CategoriesOf(m_discrete)[0], (std::pair<std::string, double>{"a", 7.0}));
}

} // namespace
} // namespace stochvar
