#include "EditorTestSupport.h"

#include <QMenu>

namespace {

using namespace stochvar::editortest;

// Runs inside the event loop of a modal window that has just opened.
void Handle(QWidget& window) {
    const auto found = std::find_if(g_modalScripts.begin(), g_modalScripts.end(),
                                    [&](SModalScript* p) { return p->pClass->cast(&window); });
    if (found == g_modalScripts.end()) {
        ADD_FAILURE() << "unexpected " << window.metaObject()->className() << " \""
                      << window.windowTitle().toStdString() << "\"";
    } else {
        SModalScript& script = **found;
        g_modalScripts.erase(found);
        script.bRan = true;
        script.action(window);
        EXPECT_FALSE(window.isVisible()) << "the script left it open";
    }
    if (window.isVisible()) {
        auto* pDialog = qobject_cast<QDialog*>(&window);
        pDialog != nullptr ? pDialog->reject() : void(window.close());
    }
}

// Handles every modal dialog and popup menu once its event loop runs (unless it is deleted).
class CModalWatch : public QObject {
protected:
    bool eventFilter(QObject* pObject, QEvent* pEvent) override {
        auto* pWindow = qobject_cast<QWidget*>(pObject);
        if (pEvent->type() == QEvent::Show && pWindow != nullptr && pWindow->isWindow() &&
            (pWindow->isModal() || qobject_cast<QMenu*>(pWindow) != nullptr)) {
            QMetaObject::invokeMethod(
                pWindow, [pWindow] { pWindow->isVisible() ? Handle(*pWindow) : void(); },
                Qt::QueuedConnection);
        }
        return false;
    }
};

} // namespace

// A QApplication on the offscreen platform (unless the environment names another) that watches
// for modal windows.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    CModalWatch watch;
    app.installEventFilter(&watch);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
