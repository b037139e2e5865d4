// Test program of the editor: a QApplication on the offscreen platform (unless the environment
// names another), and host hooks that never open a real message box.

#include "EditorTestSupport.h"

#include <QApplication>
#include <QString>

#include <gtest/gtest.h>

namespace {

QtMessageHandler g_previousHandler = nullptr;

// The offscreen platform reports, for every window shown, that it cannot pass size hints on.
void QuietOffscreenNotes(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.contains(QStringLiteral("does not support propagateSizeHints"))) {
        return;
    }
    g_previousHandler(type, context, text);
}

} // namespace

int main(int argc, char** argv) {
    g_previousHandler = qInstallMessageHandler(QuietOffscreenNotes);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    stochvar::editortest::KeepLoadTimeHooks();
    // A message box that no test expected fails the test instead of waiting for a click.
    stochvar::SHostHooks guard = stochvar::GetHostHooks();
    guard.messageBox = [](const stochvar::CString& text, stochvar::UINT) {
        ADD_FAILURE() << "unexpected message box: " << text.GetString();
        return stochvar::IDOK;
    };
    stochvar::SetHostHooks(guard);
    return RUN_ALL_TESTS();
}
