#pragma once

// Helpers of the editor tests and of the desktop host's. The test programs' main watches every
// modal window (dialog, message box, popup menu): a script expecting its class runs on it inside
// the window's event loop; any other fails the test and is closed, so that no test waits.

#include <stochvar/editor/Chart2D.h>
#include <stochvar/editor/ControlIds.h>
#include <stochvar/editor/CorrelationCtrl.h>
#include <stochvar/editor/DistPageCont.h>
#include <stochvar/editor/DistPageDisc.h>
#include <stochvar/editor/DistPropertySheet.h>
#include <stochvar/editor/DlgAxisBounds.h>
#include <stochvar/editor/DlgCorrelationMatrix.h>
#include <stochvar/families/Discrete.h>
#include <stochvar/families/FamilyList.h>
#include <stochvar/families/Normal.h>
#include <stochvar/module/HostHooks.h>
#include <stochvar/simulation/DistCollection.h>

#include "support/RecordingHooks.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

namespace stochvar::editortest {

// Records message boxes and beeps; the editor entry points stay those loading the editor set.
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
template <class TControl = QPushButton>
TControl* Control(const QWidget* pRoot, int nId) {
    auto* pControl = pRoot->findChild<TControl*>(ControlName(nId));
    EXPECT_NE(pControl, nullptr) << "no control " << nId << " of the expected class";
    return pControl;
}
inline void Click(const QWidget* pRoot, int nId) { Control(pRoot, nId)->click(); }
// Replaces the text of the value box below pRoot by typing, then presses Return in it.
inline void Enter(const QWidget* pRoot, const QString& text) {
    QLineEdit* pEdit = Control<QLineEdit>(pRoot, IDC_VALUE);
    pEdit->clear();
    QTest::keyClicks(pEdit, text);
    QTest::keyClick(pEdit, Qt::Key_Return);
}
// The selected row of the list, -1 for none.
inline int SelectedRow(const QListWidget* pList) {
    const QList<QListWidgetItem*> selected = pList->selectedItems();
    return selected.isEmpty() ? -1 : pList->row(selected.first());
}
// The categories as name and frequency, "dry1 wet3 ", the one of index nMarked with "*".
inline std::string Categories(const CDiscrete& discrete, int nMarked = -1) {
    std::ostringstream text;
    for (int i = 0; i < discrete.GetCategoryCount(); ++i) {
        text << discrete.m_CategoryNames[i].GetString() << discrete.m_Frequencies[i]
             << (i == nMarked ? "* " : " ");
    }
    return text.str();
}
// The correlation entries as index pair, space and given value, "01 X 0.5; ", with "?" before the
// ";" where the variables or the value in the other space do not match.
inline std::string Entries(const CDistCollection& collection) {
    std::ostringstream text;
    for (const SCorr* pCorr : collection.m_Corrs) {
        const bool bMatch = pCorr->pDist1 == collection.GetDist(pCorr->nIndex1) &&
                            pCorr->pDist2 == collection.GetDist(pCorr->nIndex2) &&
                            pCorr->dCorrX == pCorr->dCorrU;
        text << pCorr->nIndex1 << pCorr->nIndex2 << (pCorr->bXSpace ? " X " : " U ")
             << (pCorr->bXSpace ? pCorr->dCorrX : pCorr->dCorrU) << (bMatch ? "; " : "?; ");
    }
    return text.str();
}
// Adds an entry as the correlation grid makes them, past SetCorr and its checks.
inline void AddEntry(CDistCollection& collection, int nIndex1, int nIndex2, double dValue,
                     BOOL bXSpace) {
    collection.GetCorrArray()->Add(new SCorr{nIndex1, nIndex2, collection.GetDist(nIndex1),
                                             collection.GetDist(nIndex2), dValue, dValue, bXSpace});
}

// Per column of the image the top row in the curve's colour (not of the black axes, the grey
// grid, the white ground), -1 for none.
inline std::vector<int> CurveTops(const QImage& image) {
    std::vector<int> tops(size_t(image.width()), -1);
    for (int x = 0; x < image.width(); ++x) {
        for (int y = image.height() - 1; y >= 0; --y) {
            const QColor c = image.pixel(x, y);
            tops[size_t(x)] = c.blue() > c.red() + 60 && c.blue() > 120 ? y : tops[size_t(x)];
        }
    }
    return tops;
}

// A script for the next modal window of class TWindow; the action must close it. The test fails
// when the window is left open or no such window opened while the script lived.
struct SModalScript {
    const QMetaObject* pClass;
    std::function<void(QWidget&)> action;
    bool bRan = false;
};
inline std::vector<SModalScript*> g_modalScripts; // waiting, oldest first

template <class TWindow>
struct CModalScript : SModalScript {
    explicit CModalScript(std::function<void(TWindow&)> run)
        : SModalScript{&TWindow::staticMetaObject,
                       [run](QWidget& window) { run(static_cast<TWindow&>(window)); }} {
        g_modalScripts.push_back(this);
    }
    ~CModalScript() {
        std::erase(g_modalScripts, this);
        EXPECT_TRUE(bRan) << "no " << TWindow::staticMetaObject.className() << " opened";
    }
};

// Opens the axis dialog with the page's Axis button, sets the automatic bounds on or off, types
// the bounds given (a null text leaves its box as it is) and closes the dialog with the button.
inline void AxisDialog(const QWidget* pPage, bool bAuto, const char* pszLower, const char* pszUpper,
                       int nClose = IDC_OK) {
    const CModalScript<CDlgAxisBounds> script([=](CDlgAxisBounds& dlg) {
        Control<QCheckBox>(&dlg, IDC_AUTO_AXIS)->setChecked(bAuto);
        for (const auto& [nId, pszText] : {std::pair{IDC_LOWER, pszLower}, {IDC_UPPER, pszUpper}}) {
            if (pszText != nullptr) {
                Control<QLineEdit>(&dlg, nId)->setText(pszText);
            }
        }
        Click(&dlg, nClose);
    });
    Click(pPage, IDC_AXIS);
}

// Types into a fresh editor of the correlation grid's cell (grid coordinates, from 1) and ends
// the edit with the key (none: the editor stays open).
inline QLineEdit* EditCell(CCorrelationCtrl& grid, int nRow, int nCol, const QString& text,
                           Qt::Key key = Qt::Key_Return) {
    grid.setCurrentCell(nRow - 1, nCol - 1);
    grid.editItem(grid.item(nRow - 1, nCol - 1));
    auto* pEditor = qobject_cast<QLineEdit*>(grid.indexWidget(grid.currentIndex()));
    EXPECT_NE(pEditor, nullptr) << "no editor in cell " << nRow << ", " << nCol;
    if (pEditor == nullptr) {
        return nullptr; // the failure is recorded; typing would only crash the program
    }
    pEditor->selectAll();
    QTest::keyClicks(pEditor, text);
    if (key != Qt::Key_unknown) {
        QTest::keyClick(pEditor, key);
        QCoreApplication::processEvents(); // the delegate commits Return through the queue
    }
    return pEditor;
}

} // namespace stochvar::editortest
