#pragma once

// Helpers of the editor tests and of the desktop host's: controls by id, what lists show,
// pixels, and scripts for the modal windows (dialogs, message boxes, popup menus). The test
// programs' main watches every modal window that opens: a script expecting its class runs on it
// from inside the window's own event loop; any other fails the test and is closed, so that no
// test waits for a user.

#include <stochvar/editor/Chart2D.h>
#include <stochvar/editor/ControlIds.h>
#include <stochvar/editor/CorrelationCtrl.h>
#include <stochvar/editor/DistPageCont.h>
#include <stochvar/editor/DistPageDisc.h>
#include <stochvar/editor/DistPropertySheet.h>
#include <stochvar/editor/DlgCorrelationMatrix.h>
#include <stochvar/families/Discrete.h>
#include <stochvar/families/Normal.h>
#include <stochvar/module/HostHooks.h>
#include <stochvar/simulation/DistCollection.h>

#include "support/RecordingHooks.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

namespace stochvar::editortest {

// Records message boxes and beeps; the editor entry points stay those in force, which are the
// ones that loading the editor library installed.
struct CEditorHooks : stochvar::testing::CRecordingHooks {
    CEditorHooks() : CRecordingHooks(GetHostHooks()) {}
};

// A normal variable (mu 4, sigma 0.5) that counts its living instances; copies are plain CNormal.
struct SCountedNormal : CNormal {
    SCountedNormal(CDist** ppSlot, const char* pszName) : CNormal(ppSlot, pszName, nullptr) {
        ++s_nAlive;
    }
    ~SCountedNormal() override { --s_nAlive; }
    static inline int s_nAlive = 0;
};

// The control with the given id below pRoot; fails the test when there is none.
template <class TControl = QPushButton> TControl* Control(const QWidget* pRoot, int nId) {
    auto* pControl = pRoot->findChild<TControl*>(ControlName(nId));
    EXPECT_NE(pControl, nullptr) << "no control " << nId << " of the expected class";
    return pControl;
}
inline void Click(const QWidget* pRoot, int nId) {
    Control(pRoot, nId)->click();
}
// Replaces the text of the edit by typing, then presses Return in it.
void TypeAndReturn(QWidget* pEdit, const QString& text);
int SelectedRow(const QListWidget* pList); // -1: none
// The lines of the list joined by ", ", the selected one marked with "*".
std::string Shown(const QListWidget* pList);
// The categories as name and frequency, "dry1 wet3 ", the one of index nMarked with "*".
std::string Categories(const CDiscrete& discrete, int nMarked = -1);
// The correlation entries as index pair, space and given value, "01 X 0.5; ".
std::string Entries(const CDistCollection& collection);
// Adds an entry as the correlation grid makes them, past SetCorr and its checks.
void AddEntry(CDistCollection& collection, int nIndex1, int nIndex2, double dValue, BOOL bXSpace);

// A pixel of the chart's curve colour, unlike the black axes and text, the grey grid and the
// white ground; and how many pixels of the area inside the image are such.
bool IsCurvePixel(const QColor& color);
int CountCurvePixels(const QImage& image, const QRect& area);

// A script for the next modal window of class TWindow, run from inside the window's own event
// loop; the action must close the window (else the test fails and the window is closed). The
// test fails as well when no such window opened while the script lived.
struct SModalScript {
    const QMetaObject* pClass;
    std::function<void(QWidget&)> action;
    bool bRan = false;
};
inline std::vector<SModalScript*> g_modalScripts; // waiting, oldest first

template <class TWindow> class CModalScript {
public:
    explicit CModalScript(std::function<void(TWindow&)> action)
        : m_script{&TWindow::staticMetaObject,
                   [action](QWidget& window) { action(static_cast<TWindow&>(window)); }} {
        g_modalScripts.push_back(&m_script);
    }
    ~CModalScript() {
        std::erase(g_modalScripts, &m_script);
        EXPECT_TRUE(m_script.bRan) << "no " << TWindow::staticMetaObject.className() << " opened";
    }
    CModalScript(const CModalScript&) = delete;
    CModalScript& operator=(const CModalScript&) = delete;

private:
    SModalScript m_script;
};

} // namespace stochvar::editortest
