// The hooks the editor library installs when it is loaded, and InstallEditorHooks.

#include <stochvar/editor/EditorHooks.h>

#include "EditorTestSupport.h"

#include <stochvar/editor/DistPropertySheet.h>
#include <stochvar/editor/DlgDiscrete.h>
#include <stochvar/editor/DlgSelectDist.h>
#include <stochvar/families/Discrete.h>
#include <stochvar/families/Normal.h>
#include <stochvar/simulation/DistCollection.h>

#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

namespace stochvar {
namespace {

using editortest::CModalScript;
using editortest::Control;
using editortest::LoadTimeHooks;

TEST(EditorHooks, LoadingTheLibraryInstallsAWarningMessageBox) {
    const CScopedHostHooks scope(LoadTimeHooks());
    CModalScript<QMessageBox> script([](QMessageBox& box) {
        EXPECT_EQ(box.icon(), QMessageBox::Warning);
        EXPECT_EQ(box.text(), QStringLiteral("ERROR:\nStdDev is less than (or equal to) 0"));
        ASSERT_NE(box.button(QMessageBox::Ok), nullptr);
        box.button(QMessageBox::Ok)->click();
    });
    CDistStatus status;
    status.SetError("StdDev is less than (or equal to) 0");
    status.ShowMessage();
}

TEST(EditorHooks, LoadingTheLibraryInstallsBothSingleVariableEditors) {
    const CScopedHostHooks scope(LoadTimeHooks());
    CDist* pHost = new CNormal(&pHost, "N", nullptr);
    {
        CModalScript<CDlgSelectDist> script(
            [](CDlgSelectDist& dlg) { Control<QPushButton>(&dlg, IDC_CANCEL)->click(); });
        CDist* pBefore = pHost;
        EXPECT_EQ(pHost->ChangeDistribution(), pBefore);
    }
    delete pHost;

    CDiscrete discrete(nullptr, "D", nullptr);
    CModalScript<CDlgDiscrete> script(
        [](CDlgDiscrete& dlg) { Control<QPushButton>(&dlg, IDC_CANCEL)->click(); });
    EXPECT_EQ(discrete.ChangeDistribution(), &discrete);
}

TEST(EditorHooks, InstallingPutsThePropertySheetInPlaceOfTheHostsCollectionEditor) {
    int nCollectionCalls = 0;
    SHostHooks host;
    host.changeDistCollection = [&nCollectionCalls](CDistCollection*) {
        ++nCollectionCalls;
        return IDOK;
    };
    const CScopedHostHooks scope(host);
    InstallEditorHooks();

    CDistCollection collection;
    collection.AddDist(new CNormal(nullptr, "N", nullptr));
    {
        CModalScript<CDistPropertySheet> script(
            [](CDistPropertySheet& sheet) { Control<QPushButton>(&sheet, IDC_CANCEL)->click(); });
        EXPECT_EQ(collection.ChangeDistCollection(), FALSE);
    }
    EXPECT_EQ(nCollectionCalls, 0);
    // Cancel handed the sheet's backup copy to the collection; it is ours to delete.
    delete collection.GetDist(0);

    // The editor's own entries are in place: a message box is a Qt message box now.
    CModalScript<QMessageBox> script([](QMessageBox& box) {
        EXPECT_EQ(box.text(), QStringLiteral("hello"));
        box.button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(AfxMessageBox("hello", MB_ICONEXCLAMATION | MB_OK), IDOK);
}

} // namespace
} // namespace stochvar
