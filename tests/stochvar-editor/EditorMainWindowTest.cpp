// The desktop host on copies of the example documents: edits in the embedded sheet saved through
// the document code and read back, in either form; the question before unsaved changes are
// dropped; the checks before anything is written and when a document is opened; variables added
// and removed; the window on a small screen.

#include "stochvar-editor/EditorMainWindow.h"

#include "editor/EditorTestSupport.h"

#include "stochvar-editor/SaveTarget.h"

#include <stochvar/documents/JsonDocument.h>

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>

namespace stochvar {
namespace {

using namespace editortest;

// A document as its JSON text: every variable with its input values, and every correlation.
std::string Json(const CCollectionDocument& doc) {
    return WriteJsonDocument(doc);
}
std::string FileJson(const QString& path) {
    return Json(*LoadDocument(path.toStdString()));
}

// The names, then the correlations as given.
std::string Summary(const CCollectionDocument& doc) {
    std::string text;
    for (int i = 0; i < doc.GetVariableCount(); ++i) {
        text += doc.GetVariable(i)->m_strVarName.str() + ' ';
    }
    for (int k = 0, nFirst = 0, nSecond = 0; k < doc.GetCorrelationCount(); ++k) {
        EXPECT_TRUE(doc.GetCorrelationPair(k, nFirst, nSecond));
        const SCorr& corr = doc.GetCorrelation(k);
        text += "| " + doc.GetVariable(nFirst)->m_strVarName.str() + ' ' +
                doc.GetVariable(nSecond)->m_strVarName.str() + (corr.bXSpace ? " X " : " U ") +
                QString::number(corr.bXSpace ? corr.dCorrX : corr.dCorrU).toStdString() + ' ';
    }
    return text;
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}
void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

// Runs the action and answers the message box it opens with the standard button, or with the
// one of the given object name; returns what the box said, and "[Save Anyway]" when offered.
QString Answering(const std::function<void()>& action, QMessageBox::StandardButton button,
                  const char* pszNamed = nullptr) {
    QString shown;
    const CModalScript<QMessageBox> script([&](QMessageBox& box) {
        const bool bSaveAnyway = box.findChild<QPushButton*>("saveAnyway") != nullptr;
        shown = box.text() + '\n' + box.informativeText() + (bSaveAnyway ? "[Save Anyway]" : "");
        (pszNamed != nullptr ? box.findChild<QPushButton*>(pszNamed) : box.button(button))->click();
    });
    action();
    return shown;
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
    std::function<void()> Triggering(const char* pszAction) {
        return [this, pszAction] { Trigger(pszAction); };
    }
    // G of the beam example is normal, given by /MEAN/STDDEV as 10 and 0.7.
    void EditG(const char* pszMean, const char* pszStdDev) {
        ASSERT_TRUE(Sheet().SelectVariable(2));
        TypeAndReturn(Control<QLineEdit>(Sheet().GetPageCont(), IDC_VALUE), pszMean);
        TypeAndReturn(Control<QLineEdit>(Sheet().GetPageCont(), IDC_VALUE), pszStdDev);
    }
    // Types the name of the variable shown into the selector, as a user renames it.
    void Rename(const char* pszName) {
        QLineEdit* pEdit = Control<QComboBox>(&Sheet(), IDC_VAR_NAME)->lineEdit();
        pEdit->selectAll();
        QTest::keyClicks(pEdit, pszName);
        if (*pszName == '\0') {
            QTest::keyClick(pEdit, Qt::Key_Backspace);
        }
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
    EXPECT_EQ(m_window.GetFormat(), EDocumentFormat::json);
    EXPECT_EQ(m_window.windowTitle(), "beam.json[*] - " + QApplication::applicationDisplayName());
    EXPECT_TRUE(m_window.centralWidget()->isAncestorOf(&Sheet()));
    std::string expected = Json(*m_window.GetDocument());
    EditG("11.5", "0.9");
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_window.isWindowModified());
    Trigger("actionSave"); // without a question, which would fail the test
    EXPECT_FALSE(m_window.isWindowModified());
    const std::string oldG = R"("MEAN": 10, "STDDEV": 0.7)";
    expected.replace(expected.find(oldG), oldG.size(), R"("MEAN": 11.5, "STDDEV": 0.9)");
    EXPECT_EQ(FileJson(m_path), expected) << "G alone changed";
    EXPECT_EQ(LoadDocument(m_path.toStdString())->GetVariable(2)->GetParamValue(PARAM_COV),
              0.9 / 11.5)
        << "derived when read";
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
    EXPECT_EQ(Json(*other.GetDocument()), Json(*m_window.GetDocument()));
}

TEST(SaveTarget, TheNameSaysTheFormElseTheFilterDoesAndAddsItsExtension) {
    const QString json = FilterFor(EDocumentFormat::json);
    const QString binary = FilterFor(EDocumentFormat::binary);
    const QString all = SaveFilters().section(";;", 2); // "All files (*)"
    constexpr auto kJson = EDocumentFormat::json;
    constexpr auto kBinary = EDocumentFormat::binary;
    for (const auto& [name, filter, current, path, format] :
         {std::tuple{"/d/beam", json, kBinary, "/d/beam.json", kJson},
          {"/d/beam", all, kBinary, "/d/beam.svc", kBinary},
          {"/d/beam.json", binary, kBinary, "/d/beam.json", kJson},
          {"/d/beam.SVC", json, kJson, "/d/beam.SVC", kBinary},
          {"/d/beam.txt", json, kBinary, "/d/beam.txt", kJson}}) { // another extension is kept
        const SSaveTarget target = ResolveSaveTarget(name, filter, current);
        EXPECT_TRUE(target.path == path && target.format == format) << path;
        EXPECT_EQ(target.bExtensionAdded, QString(name) != path);
    }
}

TEST_F(EditorMainWindowTest, UnsavedChangesAreNotDroppedWithoutAsking) {
    const std::string saved = FileJson(m_path);
    Trigger("actionNew"); // nothing changed: no question
    ASSERT_TRUE(m_window.OpenDocument(m_path));
    EditG("12", "0.7");
    for (const auto button : {QMessageBox::Cancel, QMessageBox::Discard}) {
        EXPECT_TRUE(Answering(Triggering("actionNew"), button)
                        .startsWith("The collection has unsaved changes."));
        EXPECT_EQ(m_window.GetPath().isEmpty(), button == QMessageBox::Discard);
    }
    EXPECT_EQ(m_window.GetDocument()->GetVariableCount(), 0);
    EXPECT_EQ(FileJson(m_path), saved) << "the file was not touched";
    ASSERT_TRUE(m_window.OpenDocument(m_path));
    EditG("13", "0.7");
    Answering([this] { EXPECT_TRUE(m_window.close()); }, QMessageBox::Save);
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
        bool bSaveAnyway;          // offered: the file would open again
        std::function<void()> fix; // for a problem that must be fixed
    };
    for (const SCase& c :
         {SCase{rename("G"), "G: another variable has the same name", 7, false, rename("G2")},
          SCase{rename(""), "variable 8: the variable has no name", 7, true, nullptr},
          // W is normal by /MEAN/COV, which needs a mean other than 0.
          SCase{meanOfW(0.0), "W: Mean value must be different from 0 when CoV is given as input.",
                1, false, meanOfW(557.0)}}) {
        FreshCopy();
        const QByteArray original = FileBytes(m_path);
        Trigger("actionAddVariable"); // X8, shown
        c.change();
        const QString shown = Answering(Triggering("actionSave"), QMessageBox::NoButton, "goTo");
        EXPECT_TRUE(shown.startsWith("Not saved yet") && shown.contains(c.pszProblem) &&
                    shown.contains("[Save Anyway]") == c.bSaveAnyway)
            << shown.toStdString();
        EXPECT_EQ(Sheet().GetCurrentIndex(), c.nGoTo) << "Go to shows the variable";
        EXPECT_EQ(FileBytes(m_path), original);
        if (c.fix) {
            c.fix();
            Trigger("actionSave");
        } else {
            Answering(Triggering("actionSave"), QMessageBox::NoButton, "saveAnyway");
        }
        EXPECT_EQ(FileJson(m_path), Json(*m_window.GetDocument())) << "opens again, the same";
    }
    EXPECT_TRUE(m_hooks.messages().empty());

    // Q and theta at 0.99 in X-space, more than the pair admits: the first save corrects it, and
    // the matrix it leaves is not positive definite, which every save asks about.
    FreshCopy();
    EditCorrelation(4, 6, "0.99");
    for (const bool bFirst : {true, false}) {
        const QString shown = Answering(Triggering("actionSave"), QMessageBox::Cancel);
        EXPECT_EQ(shown.contains("Q / theta: the X-space value 0.99 was corrected to 0.97"),
                  bFirst);
        EXPECT_TRUE(
            shown.contains("correlations: cannot be sampled: the correlation matrix is not "
                           "positive definite at row 6, variable theta (correlated with Q)") &&
            shown.contains("[Save Anyway]"))
            << shown.toStdString();
    }
    EXPECT_EQ(m_hooks.messages().size(), 1U) << "corrected once";
    Answering(Triggering("actionSave"), QMessageBox::NoButton, "saveAnyway");
    EXPECT_EQ(FileJson(m_path), Json(*m_window.GetDocument()));
}

TEST_F(EditorMainWindowTest, UnreadableDocumentsAreRefusedAndUnsamplableOnesOpenWithAWarning) {
    const CCollectionDocument* pBefore = m_window.GetDocument();
    const QString bad = m_dir.filePath(QStringLiteral("bad.json"));
    WriteFile(bad, R"({"variables": [{"name": "R", "type": "NORMAL", "input": "/MEAN/STDDEV",
                       "values": {"MEAN": 1, "STDDEV": -2}}]})");
    const QString missing = m_dir.filePath(QStringLiteral("missing.json"));
    for (const auto& [path, reason] :
         {std::pair{bad, bad + ": R: "}, {missing, missing + ": cannot open"}}) {
        const QString shown =
            Answering([&] { EXPECT_FALSE(m_window.OpenDocument(path)); }, QMessageBox::Ok);
        EXPECT_TRUE(shown.startsWith(reason)) << shown.toStdString();
        EXPECT_TRUE(m_window.GetDocument() == pBefore && m_window.GetPath() == m_path);
    }
    // Q and theta at 0.99 in U-space next to G and Q at 0.2: the block of G, Q and theta has the
    // determinant 1 - 0.2^2 - 0.99^2 < 0.
    const QString indefinite = m_dir.filePath(QStringLiteral("indefinite.json"));
    WriteFile(indefinite, FileBytes(m_path).replace(R"("space": "U"})", R"("space": "U"},
        {"between": ["Q", "theta"], "value": 0.99, "space": "U"})"));
    EXPECT_EQ(Answering([&] { ASSERT_TRUE(m_window.OpenDocument(indefinite)); }, QMessageBox::Ok),
              indefinite + ": correlations: cannot be sampled: the correlation matrix is not "
                           "positive definite at row 6, variable theta (correlated with Q)\n");
    EXPECT_EQ(m_window.GetDocument()->GetCorrelationCount(), 3);
    EXPECT_FALSE(m_window.IsModified());
}

TEST_F(EditorMainWindowTest, VariablesAreAddedAndRemovedWithTheirCorrelations) {
    // OK in the correlation dialog keeps the pairs given as they were and adds new ones only.
    const CCollectionDocument& doc = *m_window.GetDocument();
    EditCorrelation(1, 5, "0");
    EXPECT_FALSE(m_window.IsModified());
    EditCorrelation(1, 5, "0.25");
    EXPECT_EQ(Summary(doc), "fy W G Q L theta use | G Q X 0.2 | fy W U 0.3 | fy L X 0.25 ");
    ASSERT_TRUE(Sheet().SelectVariable(2));
    Answering(Triggering("actionRemoveVariable"), QMessageBox::No);
    EXPECT_EQ(Answering(Triggering("actionRemoveVariable"), QMessageBox::Yes),
              "Remove the variable G and its correlation?\n");
    EXPECT_EQ(Summary(doc), "fy W Q L theta use | fy W U 0.3 | fy L X 0.25 ");
    EXPECT_EQ(Sheet().GetCurrentDist(), doc.GetVariable(2));
    ASSERT_TRUE(Sheet().SelectVariable(0));
    EXPECT_EQ(Answering(Triggering("actionRemoveVariable"), QMessageBox::Yes),
              "Remove the variable fy and its 2 correlations?\n");
    Trigger("actionAddVariable");
    EXPECT_EQ(Summary(doc), "W Q L theta use X6 ");
    Trigger("actionSave");
    EXPECT_EQ(FileJson(m_path), Json(doc));

    // A new document under a path is written there, empty or not.
    const QString path = m_dir.filePath(QStringLiteral("new.json"));
    m_window.NewDocument(path);
    EXPECT_EQ(Sheet().GetCurrentDist(), nullptr);
    Trigger("actionSave");
    EXPECT_EQ(Summary(*LoadDocument(path.toStdString())), "");
    Trigger("actionAddVariable");
    Trigger("actionAddVariable");
    EXPECT_EQ(Sheet().GetPageCont()->GetDist(), m_window.GetDocument()->GetVariable(1));
    Trigger("actionSave");
    EXPECT_EQ(Summary(*LoadDocument(path.toStdString())), "X1 X2 ");
}

TEST_F(EditorMainWindowTest, TheWindowFitsTheAvailableScreen) {
    // A fresh window on whatever screen the test runs (also a small, scaled one): the window and
    // the chart's Axis button lie within the available area, and the chart shows the curve.
    CEditorMainWindow window;
    ASSERT_TRUE(window.OpenDocument(m_path));
    window.show();
    QCoreApplication::processEvents();
    const QRect available = window.screen()->availableGeometry();
    EXPECT_TRUE(available.contains(window.frameGeometry()))
        << window.frameGeometry().width() << "x" << window.frameGeometry().height() << " in "
        << available.width() << "x" << available.height();
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
