#include <stochvar/editor/EditorHooks.h>

#include <stochvar/editor/DistPropertySheet.h>
#include <stochvar/editor/DlgDiscrete.h>
#include <stochvar/editor/DlgSelectDist.h>
#include <stochvar/editor/TextConversion.h>
#include <stochvar/families/Discrete.h>

#include <QApplication>
#include <QMessageBox>

namespace stochvar {

namespace {

// Icon bits of the framework's message box styles.
constexpr UINT kIconMask = 0x000000F0;
constexpr UINT kIconHand = 0x00000010;
constexpr UINT kIconQuestion = 0x00000020;
constexpr UINT kIconAsterisk = 0x00000040;

// Widgets can only be made while a QApplication runs.
bool HasWidgets() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

QMessageBox::Icon IconOf(UINT nStyle) {
    switch (nStyle & kIconMask) {
    case MB_ICONEXCLAMATION:
        return QMessageBox::Warning;
    case kIconHand:
        return QMessageBox::Critical;
    case kIconQuestion:
        return QMessageBox::Question;
    case kIconAsterisk:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

int ShowMessageBox(const CString& strText, UINT nStyle) {
    if (!HasWidgets()) {
        return DefaultHostHooks().messageBox(strText, nStyle);
    }
    QMessageBox box(IconOf(nStyle), QGuiApplication::applicationDisplayName(), ToQString(strText),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
    return IDOK;
}

void SoundBell() {
    if (HasWidgets()) {
        QApplication::beep();
    }
}

CDist* RunSelectDist(CDist* pDist) {
    if (!HasWidgets()) {
        return pDist;
    }
    CDlgSelectDist dlg(pDist);
    dlg.DoModal();
    return dlg.GetDist();
}

int RunDiscrete(CDiscrete* pDiscrete) {
    if (!HasWidgets()) {
        return IDCANCEL;
    }
    CDlgDiscrete dlg(pDiscrete);
    return dlg.DoModal();
}

int RunPropertySheet(CDistCollection* pCollection) {
    if (!HasWidgets()) {
        return IDCANCEL;
    }
    CDistPropertySheet sheet(pCollection);
    return sheet.DoModal();
}

} // namespace

SHostHooks EditorHostHooks() {
    SHostHooks hooks;
    hooks.messageBox = ShowMessageBox;
    hooks.beep = [](DWORD, DWORD) { SoundBell(); };
    hooks.messageBeep = [](UINT) { SoundBell(); };
    hooks.changeDistribution = RunSelectDist;
    hooks.changeDiscrete = RunDiscrete;
    hooks.changeDistCollection = RunPropertySheet;
    return hooks;
}

void InstallEditorHooks() {
    SHostHooks hooks = GetHostHooks();
    SHostHooks editor = EditorHostHooks();
    hooks.messageBox = std::move(editor.messageBox);
    hooks.beep = std::move(editor.beep);
    hooks.messageBeep = std::move(editor.messageBeep);
    hooks.changeDistribution = std::move(editor.changeDistribution);
    hooks.changeDiscrete = std::move(editor.changeDiscrete);
    hooks.changeDistCollection = std::move(editor.changeDistCollection);
    SetHostHooks(std::move(hooks));
}

namespace {

// Loading the library installs the hooks.
[[maybe_unused]] const bool g_bHooksInstalled = [] {
    InstallEditorHooks();
    return true;
}();

} // namespace

} // namespace stochvar
