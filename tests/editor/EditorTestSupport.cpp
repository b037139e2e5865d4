#include "EditorTestSupport.h"

#include <QMenu>
#include <QPointer>

#include <sstream>

namespace stochvar::editortest {

namespace {

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

// Sees every dialog shown modally and every popup menu as it opens, and handles it once its
// event loop runs.
class CModalWatch : public QObject {
protected:
    bool eventFilter(QObject* pObject, QEvent* pEvent) override {
        auto* pWindow = qobject_cast<QWidget*>(pObject);
        if (pEvent->type() == QEvent::Show && pWindow != nullptr && pWindow->isWindow() &&
            (pWindow->isModal() || qobject_cast<QMenu*>(pWindow) != nullptr)) {
            QMetaObject::invokeMethod(
                qApp,
                [window = QPointer<QWidget>(pWindow)] {
                    if (window != nullptr && window->isVisible()) {
                        Handle(*window);
                    }
                },
                Qt::QueuedConnection);
        }
        return false;
    }
};

QtMessageHandler g_previousHandler = nullptr;

// The offscreen platform reports, for every window shown, that it cannot pass size hints on.
void QuietOffscreenNotes(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (!text.contains(QStringLiteral("does not support propagateSizeHints"))) {
        g_previousHandler(type, context, text);
    }
}

} // namespace

void TypeAndReturn(QWidget* pEdit, const QString& text) {
    ASSERT_NE(pEdit, nullptr);
    if (auto* pLineEdit = qobject_cast<QLineEdit*>(pEdit)) {
        pLineEdit->clear();
    }
    QTest::keyClicks(pEdit, text);
    QTest::keyClick(pEdit, Qt::Key_Return);
}

int SelectedRow(const QListWidget* pList) {
    const QList<QListWidgetItem*> selected = pList->selectedItems();
    return selected.isEmpty() ? -1 : pList->row(selected.first());
}

std::string Shown(const QListWidget* pList) {
    QStringList lines;
    for (int i = 0; i < pList->count(); ++i) {
        lines.append(pList->item(i)->text() + (i == SelectedRow(pList) ? "*" : ""));
    }
    return lines.join(", ").toStdString();
}

std::string Categories(const CDiscrete& discrete, int nMarked) {
    std::ostringstream text;
    for (int i = 0; i < discrete.GetCategoryCount(); ++i) {
        text << discrete.m_CategoryNames[i].GetString() << discrete.m_Frequencies[i]
             << (i == nMarked ? "* " : " ");
    }
    return text.str();
}

std::string Entries(const CDistCollection& collection) {
    std::ostringstream text;
    for (const SCorr* pCorr : collection.m_Corrs) {
        text << pCorr->nIndex1 << pCorr->nIndex2 << (pCorr->bXSpace ? " X " : " U ")
             << (pCorr->bXSpace ? pCorr->dCorrX : pCorr->dCorrU) << "; ";
    }
    return text.str();
}

void AddEntry(CDistCollection& collection, int nIndex1, int nIndex2, double dValue, BOOL bXSpace) {
    collection.GetCorrArray()->Add(new SCorr{nIndex1, nIndex2, collection.GetDist(nIndex1),
                                             collection.GetDist(nIndex2), dValue, dValue, bXSpace});
}

bool IsCurvePixel(const QColor& color) {
    return color.blue() > color.red() + 60 && color.blue() > 120;
}

int CountCurvePixels(const QImage& image, const QRect& area) {
    int nCount = 0;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            nCount += IsCurvePixel(image.pixel(x, y)) ? 1 : 0;
        }
    }
    return nCount;
}

} // namespace stochvar::editortest

// The test programs: a QApplication on the offscreen platform (unless the environment names
// another) that watches for modal windows. The host hooks stay those the editor library
// installed when it was loaded; tests record messages with CEditorHooks.
int main(int argc, char** argv) {
    using namespace stochvar::editortest;
    g_previousHandler = qInstallMessageHandler(QuietOffscreenNotes);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    CModalWatch watch;
    app.installEventFilter(&watch);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
