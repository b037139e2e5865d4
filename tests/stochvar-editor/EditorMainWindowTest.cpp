// The desktop host on copies of the example documents: edits saved and read back in either form,
// the question before unsaved changes are dropped, the checks before anything is written and when
// a document is opened, variables added and removed, and the window on a small screen.

#include "stochvar-editor/EditorMainWindow.h"

#include "editor/EditorTestSupport.h"

#include "stochvar-editor/SaveTarget.h"

#include <stochvar/documents/JsonDocument.h>

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>

#include <variant>

namespace stochvar {
namespace {

using namespace editortest;

std::string FileJson(const QString& path) {
    return WriteJsonDocument(*LoadDocument(path.toStdString()));
}
QByteArray FileBytes(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

class EditorMainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        FreshCopy();
        m_window.show();
    }
    void FreshCopy() {
        QFile::remove(m_path);
        ASSERT_TRUE(QFile::copy(QStringLiteral(STOCHVAR_EXAMPLES_DIR "/beam.json"), m_path));
        ASSERT_TRUE(m_window.OpenDocument(m_path));
    }
    CDistPropertySheet& Sheet() { return *m_window.GetSheet(); }
    void Trigger(const char* pszAction) { m_window.findChild<QAction*>(pszAction)->trigger(); }
    // Runs the action (a function, or the name of a window action) and answers the message box
    // it opens with the button, or with the one of the given object name; returns what the box
    // said, and "[Save Anyway]" when that was offered.
    QString Answer(const std::variant<const char*, std::function<void()>>& action,
                   QMessageBox::StandardButton button, const char* pszNamed = nullptr) {
        QString shown;
        const CModalScript<QMessageBox> script([&](QMessageBox& box) {
            const bool bSaveAnyway = box.findChild<QPushButton*>("saveAnyway") != nullptr;
            shown =
                box.text() + '\n' + box.informativeText() + (bSaveAnyway ? "[Save Anyway]" : "");
            (pszNamed != nullptr ? box.findChild<QPushButton*>(pszNamed) : box.button(button))
                ->click();
        });
        action.index() == 0 ? Trigger(std::get<0>(action)) : std::get<1>(action)();
        return shown;
    }
    // G of the beam example is normal, given by /MEAN/STDDEV as 10 and 0.7.
    void EditG(const char* pszMean, const char* pszStdDev) {
        ASSERT_TRUE(Sheet().SelectVariable(2));
        Enter(Sheet().GetPageCont(), pszMean);
        Enter(Sheet().GetPageCont(), pszStdDev);
    }
    // Types the name of the variable shown into the selector, as a user renames it.
    void Rename(const char* pszName) {
        QLineEdit* pEdit = Control<QComboBox>(&Sheet(), IDC_VAR_NAME)->lineEdit();
        pEdit->selectAll();
        QTest::keyClick(pEdit, Qt::Key_Backspace);
        QTest::keyClicks(pEdit, pszName);
        QCoreApplication::processEvents(); // the title follows once the keys are handled
    }
    void EditCorrelation(int nRow, int nCol, const char* pszValue) {
        const CModalScript<CDlgCorrelationMatrix> script([=](CDlgCorrelationMatrix& dlg) {
            dlg.GetGrid()->SetValue(nRow, nCol, pszValue);
            Click(&dlg, IDC_OK);
        });
        Click(&Sheet(), IDC_CORRELATION);
    }

    CEditorHooks m_hooks;
    QTemporaryDir m_dir;
    QString m_path = m_dir.filePath(QStringLiteral("beam.json"));
    CEditorMainWindow m_window;
};

TEST_F(EditorMainWindowTest, EditsAreSavedInEitherFormAndTheTitleShowsUnsavedChanges) {
    EditCorrelation(1, 5, "0"); // a pair not given, left at 0: no change
    EXPECT_FALSE(m_window.IsModified());
    std::string expected = WriteJsonDocument(*m_window.GetDocument());
    EditG("11.5", "0.9");
    // Escape belongs to the host: the embedded sheet, which has no OK and Cancel, stays as it is.
    QTest::keyClick(Control<QListWidget>(&Sheet(), IDC_DIST_TYPE), Qt::Key_Escape);
    EXPECT_TRUE(Sheet().isVisible() && !Control(&Sheet(), IDC_OK)->isVisible());
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_window.isWindowModified());
    Trigger("actionSave"); // without a question, which would fail the test
    EXPECT_FALSE(m_window.isWindowModified());
    const std::string oldG = R"("MEAN": 10, "STDDEV": 0.7)";
    expected.replace(expected.find(oldG), oldG.size(), R"("MEAN": 11.5, "STDDEV": 0.9)");
    EXPECT_EQ(FileJson(m_path), expected) << "G alone changed";
    Rename("G1");
    EXPECT_TRUE(m_window.isWindowModified());
    Rename("G");
    EXPECT_FALSE(m_window.isWindowModified()) << "the saved name again";

    // Save As with a name without an extension: the form of the chosen filter.
    const QString typed = m_dir.filePath(QStringLiteral("typed"));
    {
        const CModalScript<QFileDialog> script([&](QFileDialog& dialog) {
            dialog.selectNameFilter(FilterFor(EDocumentFormat::binary));
            dialog.selectFile(typed);
            QMetaObject::invokeMethod(&dialog, "accept", Qt::DirectConnection); // as Save does
        });
        Trigger("actionSaveAs");
    }
    EXPECT_TRUE(m_window.GetPath() == typed + ".svc" && !QFile::exists(typed));
    EditG("9", "0.5");
    Trigger("actionSave");
    EXPECT_TRUE(FileBytes(typed + ".svc").startsWith(QByteArray("STVCOL\r\n", 8))) << "binary";
    CEditorMainWindow other;
    ASSERT_TRUE(other.OpenDocument(typed + ".svc"));
    EXPECT_EQ(other.GetFormat(), EDocumentFormat::binary);
    EXPECT_EQ(WriteJsonDocument(*other.GetDocument()), WriteJsonDocument(*m_window.GetDocument()));
}

// A name that ends in an extension of either form says the form, in any case, whatever the filter;
// another extension is kept, with the filter's form.
TEST(SaveTarget, TheNameSaysTheFormElseTheFilterDoes) {
    for (const auto& [name, format] : {std::pair{"/d/beam.SVC", EDocumentFormat::binary},
                                       {"/d/beam.txt", EDocumentFormat::json}}) {
        const SSaveTarget target =
            ResolveSaveTarget(name, FilterFor(EDocumentFormat::json), EDocumentFormat::binary);
        EXPECT_TRUE(target.path == name && target.format == format && !target.bExtensionAdded);
    }
}

TEST_F(EditorMainWindowTest, UnsavedChangesAreNotDroppedWithoutAsking) {
    const std::string saved = FileJson(m_path);
    Trigger("actionNew"); // nothing changed: no question
    ASSERT_TRUE(m_window.OpenDocument(m_path));
    EditG("12", "0.7");
    for (const auto button : {QMessageBox::Cancel, QMessageBox::Discard}) {
        EXPECT_TRUE(Answer("actionNew", button).startsWith("The collection has unsaved changes."));
        EXPECT_EQ(m_window.GetPath().isEmpty(), button == QMessageBox::Discard);
    }
    EXPECT_EQ(m_window.GetDocument()->GetVariableCount(), 0);
    EXPECT_EQ(FileJson(m_path), saved) << "the file was not touched";
    ASSERT_TRUE(m_window.OpenDocument(m_path));
    EditG("13", "0.7");
    Answer([this] { EXPECT_TRUE(m_window.close()); }, QMessageBox::Save);
    EXPECT_EQ(LoadDocument(m_path.toStdString())->GetVariable(2)->GetParamValue(PARAM_MEAN), 13.0);
}

TEST_F(EditorMainWindowTest, ProblemsAreShownBeforeAnythingIsWrittenAndSavedFilesOpenAgain) {
    const auto rename = [this](const char* pszName) { return [=, this] { Rename(pszName); }; };
    const auto meanOfW = [this](double dMean) {
        return [=, this] { m_window.GetDocument()->GetVariable(1)->m_Params[PARAM_MEAN] = dMean; };
    };
    struct SCase {
        std::function<void()> change;
        const char* pszProblem;
        int nGoTo;                 // the variable Go to shows
        std::function<void()> fix; // none: Save Anyway is offered, as the file would open again
    };
    for (const SCase& c :
         {SCase{rename("G"), "G: another variable has the same name", 7, rename("G2")},
          SCase{rename(""), "variable 8: the variable has no name", 7, nullptr},
          // W is normal by /MEAN/COV, which needs a mean other than 0.
          SCase{meanOfW(0.0), "W: Mean value must be different from 0 when CoV is given as input.",
                1, meanOfW(557.0)}}) {
        FreshCopy();
        const QByteArray original = FileBytes(m_path);
        Trigger("actionAddVariable"); // X8, shown
        c.change();
        const QString shown = Answer("actionSave", QMessageBox::NoButton, "goTo");
        EXPECT_TRUE(shown.startsWith("Not saved yet") && shown.contains(c.pszProblem) &&
                    shown.contains("[Save Anyway]") == !c.fix)
            << shown.toStdString();
        EXPECT_EQ(Sheet().GetCurrentIndex(), c.nGoTo) << "Go to shows the variable";
        EXPECT_EQ(FileBytes(m_path), original);
        if (c.fix) {
            c.fix();
            Trigger("actionSave");
        } else {
            Answer("actionSave", QMessageBox::NoButton, "saveAnyway");
        }
        EXPECT_EQ(FileJson(m_path), WriteJsonDocument(*m_window.GetDocument()));
    }
    EXPECT_TRUE(m_hooks.messages().empty());
}

TEST_F(EditorMainWindowTest, UnreadableDocumentsAreRefusedAndUnsamplableOnesOpenWithAWarning) {
    const CCollectionDocument* pBefore = m_window.GetDocument();
    // Beside the bad and the missing file, Q and theta at 0.99 in U-space next to G and Q at 0.2:
    // the block of G, Q and theta has the determinant 1 - 0.2^2 - 0.99^2 < 0.
    const QString bad = m_dir.filePath(QStringLiteral("bad.json"));
    const QString indefinite = m_dir.filePath(QStringLiteral("indefinite.json"));
    for (const auto& [path, bytes] :
         {std::pair{bad, QByteArray(R"({"variables": [{"name": "R", "type": "NORMAL",
            "input": "/MEAN/STDDEV", "values": {"MEAN": 1, "STDDEV": -2}}]})")},
          {indefinite, FileBytes(m_path).replace(R"("space": "U"})", R"("space": "U"},
            {"between": ["Q", "theta"], "value": 0.99, "space": "U"})")}}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    const QString missing = m_dir.filePath(QStringLiteral("missing.json"));
    for (const auto& [path, reason] :
         {std::pair{bad, bad + ": R: "}, {missing, missing + ": cannot open"}}) {
        const QString shown =
            Answer([&] { EXPECT_FALSE(m_window.OpenDocument(path)); }, QMessageBox::Ok);
        EXPECT_TRUE(shown.startsWith(reason)) << shown.toStdString();
        EXPECT_TRUE(m_window.GetDocument() == pBefore && m_window.GetPath() == m_path);
    }
    EXPECT_EQ(Answer([&] { ASSERT_TRUE(m_window.OpenDocument(indefinite)); }, QMessageBox::Ok),
              indefinite + ": correlations: cannot be sampled: the correlation matrix is not "
                           "positive definite at row 6, variable theta (correlated with Q)\n");
    EXPECT_EQ(m_window.GetDocument()->GetCorrelationCount(), 3);
    EXPECT_FALSE(m_window.IsModified());
    // Removing W (the second of its pair) takes its correlation with it; the pairs after W move
    // up.
    ASSERT_TRUE(Sheet().SelectVariable(1));
    Answer("actionRemoveVariable", QMessageBox::No);
    EXPECT_EQ(Answer("actionRemoveVariable", QMessageBox::Yes),
              "Remove the variable W and its correlation?\n");
    Trigger("actionAddVariable");
    Answer("actionSave", QMessageBox::NoButton, "saveAnyway"); // still not positive definite
    const QString saved = QString::fromStdString(FileJson(indefinite));
    EXPECT_TRUE(saved.contains(R"("between": ["Q", "theta"])") && !saved.contains(R"("W")") &&
                saved.contains(R"("name": "X7")"));
}

TEST_F(EditorMainWindowTest, TheWindowFitsTheAvailableScreen) {
    // A fresh window on whatever screen the test runs (also a small, scaled one): the window and
    // the chart's Axis button lie within the available area, and the chart shows the curve.
    CEditorMainWindow window;
    ASSERT_TRUE(window.OpenDocument(m_path));
    window.show();
    QCoreApplication::processEvents();
    const QRect available = window.screen()->availableGeometry();
    EXPECT_TRUE(available.contains(window.frameGeometry()));
    const QWidget& page = *window.GetSheet()->GetPageCont();
    const QWidget* pAxis = Control(&page, IDC_AXIS);
    const QRect axis(pAxis->mapToGlobal(QPoint(0, 0)), pAxis->size());
    const QWidget* pViewport =
        window.centralWidget()->findChild<QWidget*>("qt_scrollarea_viewport");
    EXPECT_TRUE(pAxis->isVisible() && available.contains(axis) &&
                QRect(pViewport->mapToGlobal(QPoint(0, 0)), pViewport->size()).contains(axis))
        << "within the screen, not scrolled out of sight";
    const QImage image = window.grab().toImage();
    const QWidget& chart = *Control<QWidget>(&page, IDC_CHART);
    const QRectF area(chart.mapTo(&window, QPoint(0, 0)), chart.size());
    const qreal dScale = image.devicePixelRatio();
    EXPECT_GT(
        CountCurvePixels(image, QRectF(area.topLeft() * dScale, area.size() * dScale).toRect()),
        area.width());
}

} // namespace
} // namespace stochvar
