#pragma once

// Helpers of the editor tests: finding controls by id, typing into them, and scripting modal
// dialogs so that no test waits for a user.

#include <stochvar/editor/ControlIds.h>
#include <stochvar/editor/EditorHooks.h>
#include <stochvar/module/HostHooks.h>

#include "support/RecordingHooks.h"

#include <QApplication>
#include <QColor>
#include <QDialog>
#include <QImage>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace stochvar::editortest {

// The hooks in force when the program started, that is those the editor library installed when
// it was loaded.
void KeepLoadTimeHooks();
const SHostHooks& LoadTimeHooks();

// Recording message boxes and beeps, with the editor's own single-variable and collection
// editors.
class CEditorHooks : public stochvar::testing::CRecordingHooks {
public:
    CEditorHooks() : CRecordingHooks(EditorEntryPoints()) {}

private:
    static SHostHooks EditorEntryPoints() {
        const SHostHooks editor = EditorHostHooks();
        SHostHooks hooks;
        hooks.changeDistribution = editor.changeDistribution;
        hooks.changeDiscrete = editor.changeDiscrete;
        hooks.changeDistCollection = editor.changeDistCollection;
        return hooks;
    }
};

// The control with the given id below pRoot; fails the test when there is none.
template <class TControl> TControl* Control(const QWidget* pRoot, int nId) {
    auto* pControl = pRoot->findChild<TControl*>(ControlName(nId));
    EXPECT_NE(pControl, nullptr) << "no control " << nId << " of the expected class";
    return pControl;
}

// Replaces the text of the edit by typing, then presses Return in it.
void TypeAndReturn(QWidget* pEdit, const QString& text);

// Saves the picture of the widget under the given file name in the build tree's screenshot
// folder, for a look by eye, and returns it.
QImage Shoot(QWidget& widget, const char* pszFile);

// A pixel of a curve or a bar of the chart: clearly blue, unlike the black axes and text, the grey
// grid and the white ground.
bool IsCurvePixel(const QColor& color);

// Runs an action on the next modal dialog of class TDialog, from inside the dialog's own event
// loop. The action must close the dialog; if it does not, or if no such dialog opens within a
// few seconds, the test fails and the dialog is closed.
template <class TDialog> class CModalScript {
public:
    explicit CModalScript(std::function<void(TDialog&)> action)
        : m_action(std::move(action)), m_timer(std::make_unique<QTimer>()) {
        m_timer->setInterval(5);
        QObject::connect(m_timer.get(), &QTimer::timeout, [this] { Poll(); });
        m_timer->start();
    }
    ~CModalScript() {
        m_timer->stop();
        EXPECT_TRUE(m_bRan) << "the expected modal dialog did not open";
    }
    CModalScript(const CModalScript&) = delete;
    CModalScript& operator=(const CModalScript&) = delete;

    bool Ran() const { return m_bRan; }

private:
    static constexpr int kMaxPolls = 1000;

    void Poll() {
        auto* pDialog = qobject_cast<TDialog*>(QApplication::activeModalWidget());
        if (pDialog == nullptr) {
            if (++m_nPolls > kMaxPolls) {
                m_timer->stop();
                if (auto* pOther = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                    pOther->reject();
                }
            }
            return;
        }
        m_timer->stop();
        m_bRan = true;
        m_action(*pDialog);
        if (pDialog->isVisible()) {
            ADD_FAILURE() << "the script left the dialog open";
            pDialog->reject();
        }
    }

    std::function<void(TDialog&)> m_action;
    std::unique_ptr<QTimer> m_timer;
    int m_nPolls = 0;
    bool m_bRan = false;
};

} // namespace stochvar::editortest
