// The property sheet on a host's collection, modal and embedded in a host widget: the variable
// selector, the change of family in place, the refusal to leave an inconsistent variable, Return
// from every control, and the embedded sheet's confirm and revert; and the hooks that loading
// the editor installs.

#include "EditorTestSupport.h"

#include <stochvar/editor/EditorHooks.h>

#include <QVBoxLayout>

#include <array>

namespace stochvar {
namespace {

using namespace editortest;

class DistPropertySheetTest : public ::testing::Test {
protected:
    DistPropertySheetTest() {
        static_cast<CDiscrete*>(m_slots[2])->AddCategory("low", 1.0);
        static_cast<CDiscrete*>(m_slots[2])->AddCategory("high", 3.0);
        for (CDist* pDist : m_slots) {
            m_collection.AddDist(pDist);
        }
    }
    ~DistPropertySheetTest() override {
        for (CDist* pDist : m_collection.m_Dists) {
            delete pDist; // the host owns its variables
        }
        m_collection.ResetContents();
    }
    // The selector's text, the family selected, the page shown; "!" unless that page shows the
    // current variable and the other page none, and the host's slots hold the collection's.
    std::string View(const CDistPropertySheet& sheet) const {
        const bool bCont = sheet.GetActivePage() == sheet.GetPageCont();
        const CDist* pShown =
            (bCont ? sheet.GetPageCont()->GetDist() : sheet.GetPageDisc()->GetDist());
        const CDist* pOther =
            (bCont ? sheet.GetPageDisc()->GetDist() : sheet.GetPageCont()->GetDist());
        bool bOk = pShown == sheet.GetCurrentDist() && pOther == nullptr &&
                   pShown == m_slots[size_t(sheet.GetCurrentIndex())];
        for (int i = 0; i < 3; ++i) {
            bOk = bOk && m_slots[size_t(i)] == m_collection.GetDist(i);
        }
        return Variables(&sheet)->currentText().toStdString() + ' ' +
               kDistKeywords[SelectedRow(Types(&sheet))] + (bCont ? " cont" : " disc") +
               (bOk ? "" : " !");
    }
    static QComboBox* Variables(const QWidget* pSheet) {
        return Control<QComboBox>(pSheet, IDC_VAR_NAME);
    }
    static QListWidget* Types(const QWidget* pSheet) {
        return Control<QListWidget>(pSheet, IDC_DIST_TYPE);
    }
    static QLineEdit* Value(const QWidget* pPage) { return Control<QLineEdit>(pPage, IDC_VALUE); }

    CEditorHooks m_hooks;
    std::array<CDist*, 3> m_slots{new SCountedNormal(&m_slots[0], "A"),
                                  new CNormal(&m_slots[1], "B", nullptr),
                                  new CDiscrete(&m_slots[2], "C", nullptr)};
    CDistCollection m_collection;
};

TEST_F(DistPropertySheetTest, SelectingRenamingAndChangingTheFamilyOfVariables) {
    const CModalScript<CDistPropertySheet> script([this](CDistPropertySheet& sheet) {
        CDistPageCont& cont = *sheet.GetPageCont();
        EXPECT_EQ(View(sheet), "A NORMAL cont");
        // A variable that fails its input type's check cannot be left.
        m_slots[0]->m_Params[PARAM_STDDEV] = -1.0;
        QTest::keyClick(Variables(&sheet), Qt::Key_Down);
        EXPECT_EQ(m_hooks.messages(),
                  std::vector<std::string>{"ERROR:\nStd must be larger than zero."});
        EXPECT_EQ(View(sheet), "A NORMAL cont");
        m_slots[0]->m_nCurParam = 1;
        cont.UpdateAll();
        TypeAndReturn(Value(&cont), QStringLiteral("0.25"));

        // Typing renames at each keystroke; Return in the selector commits the value box only.
        QLineEdit* pName = Variables(&sheet)->lineEdit();
        pName->selectAll();
        QTest::keyClicks(pName, QStringLiteral("B"));
        Value(&cont)->setText(QStringLiteral("6"));
        QTest::keyClick(pName, Qt::Key_Return);
        Q_EMIT pName->editingFinished(); // leaving with another variable's name keeps this one
        EXPECT_EQ(sheet.GetCurrentDist(), m_slots[0]);
        EXPECT_EQ(m_slots[0]->m_Params[PARAM_MEAN], 6.0);
        pName->selectAll();
        QTest::keyClicks(pName, QStringLiteral("Load"));
        EXPECT_EQ(m_slots[0]->m_strVarName, CString("Load"));
        // Return from the type list and the Correlation button commits too, and never closes.
        Value(&cont)->setText(QStringLiteral("0.5"));
        QTest::keyClick(Types(&sheet), Qt::Key_Return);
        Value(&cont)->setText(QStringLiteral("7"));
        QTest::keyClick(Control(&sheet, IDC_CORRELATION), Qt::Key_Return);
        EXPECT_EQ(m_slots[0]->m_Params[PARAM_STDDEV], 0.5);
        EXPECT_EQ(m_slots[0]->m_Params[PARAM_MEAN], 7.0);
        EXPECT_TRUE(sheet.isVisible());
        // A change of family replaces the variable at its index, with its name, and deletes it.
        Types(&sheet)->setCurrentRow(DIST_GUMBEL);
        EXPECT_EQ(View(sheet), "Load GUMBEL cont");
        EXPECT_EQ(SCountedNormal::s_nAlive, 0);

        // The open list picks another variable; on the discrete page Return commits a frequency.
        Variables(&sheet)->showPopup();
        EXPECT_EQ(Variables(&sheet)->itemText(0), QStringLiteral("Load"));
        QTest::keyClick(Variables(&sheet)->view(), Qt::Key_Down);
        QTest::keyClick(Variables(&sheet)->view(), Qt::Key_Down);
        QTest::keyClick(Variables(&sheet)->view(), Qt::Key_Return);
        EXPECT_EQ(View(sheet), "C DISCRETE disc");
        TypeAndReturn(Value(sheet.GetPageDisc()), QStringLiteral("4"));
        QTest::keyClick(Types(&sheet), Qt::Key_Return);
        EXPECT_EQ(
            Categories(*static_cast<CDiscrete*>(m_slots[2]), sheet.GetPageDisc()->GetSelCategory()),
            "low4* high3 ")
            << "two steps, past the last";
        Types(&sheet)->setCurrentRow(DIST_NORMAL);
        EXPECT_EQ(View(sheet), "C NORMAL cont");
        Types(&sheet)->setCurrentRow(DIST_DISCRETE);
        EXPECT_EQ(View(sheet), "C DISCRETE disc");
        Click(&sheet, IDC_OK);
    });
    EXPECT_EQ(m_collection.ChangeDistCollection(), TRUE);
    EXPECT_EQ(m_hooks.messages().size(), 1U);
}

TEST_F(DistPropertySheetTest, EmbeddedTheHostConfirmsAndRevertsAndEscapeIsTheHosts) {
    QWidget host;
    auto* pLayout = new QVBoxLayout(&host);
    host.show();
    EXPECT_EQ(CDistPropertySheet(&m_collection).Create(nullptr, &m_collection), FALSE);
    auto* pSheet = new CDistPropertySheet(nullptr);
    ASSERT_EQ(pSheet->Create(&host, &m_collection), TRUE);
    pLayout->addWidget(pSheet);
    EXPECT_TRUE(!pSheet->isWindow() && pSheet->isVisible());
    EXPECT_FALSE(Control(pSheet, IDC_OK)->isVisible() || Control(pSheet, IDC_CANCEL)->isVisible());
    TypeAndReturn(Value(pSheet->GetPageCont()), QStringLiteral("5"));
    EXPECT_EQ(pSheet->OnOK(), TRUE); // what a revert goes back to
    for (int nRevert = 0; nRevert < 2; ++nRevert) {
        Types(pSheet)->setCurrentRow(DIST_RAYLEIGH);
        QTest::keyClick(Types(pSheet), Qt::Key_Escape);
        EXPECT_EQ(View(*pSheet), "A RAYLEIGH cont") << "Escape is the host's";
        pSheet->OnCancel();
        EXPECT_EQ(View(*pSheet), "A NORMAL cont");
        EXPECT_EQ(m_collection.GetDist(0)->m_Params[PARAM_MEAN], 5.0);
        EXPECT_TRUE(pSheet->isVisible());
    }
    EXPECT_TRUE(m_hooks.messages().empty());
}

TEST(EditorHooks, LoadingShowsMessagesInWarningBoxesAndInstallingReplacesTheHostsEditors) {
    {
        const CModalScript<QMessageBox> box([](QMessageBox& shown) {
            EXPECT_EQ(shown.icon(), QMessageBox::Warning);
            EXPECT_EQ(shown.text(), QStringLiteral("ERROR:\nStdDev is less than (or equal to) 0"));
            shown.button(QMessageBox::Ok)->click();
        });
        CDistStatus status;
        status.SetError("StdDev is less than (or equal to) 0");
        status.ShowMessage();
    }
    SHostHooks host;
    host.changeDistCollection = [](CDistCollection*) {
        ADD_FAILURE() << "the host's own collection editor ran";
        return IDOK;
    };
    const CScopedHostHooks scope(host);
    InstallEditorHooks();
    const CModalScript<CDistPropertySheet> script(
        [](CDistPropertySheet& sheet) { Click(&sheet, IDC_OK); });
    CNormal normal(nullptr, "N", nullptr);
    CDistCollection collection;
    collection.AddDist(&normal);
    EXPECT_EQ(collection.ChangeDistCollection(), TRUE);
    collection.ResetContents();
}

} // namespace
} // namespace stochvar
