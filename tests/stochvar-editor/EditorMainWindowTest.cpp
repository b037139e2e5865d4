// The desktop host on copies of the example documents: edits saved and read back in either form,
// what marks the document modified, the question before unsaved changes are dropped, the checks
// before anything is written and when a document is opened, variables added and removed, and the
// window on a small screen.

#include "stochvar-editor/EditorMainWindow.h"

#include "editor/EditorTestSupport.h"

#include "stochvar-editor/SaveTarget.h"

#include <stochvar/documents/JsonDocument.h>

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>

#include <limits>
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
        ASSERT_TRUE(QFile::copy(QStringLiteral(STOCHVAR_EXAMPLES_DIR "/beam.json"), m_path));
        ASSERT_TRUE(m_window.OpenDocument(m_path));
        m_window.show();
    }
    CDistPropertySheet& Sheet() { return *m_window.GetSheet(); }
    void Trigger(const char* pszAction) { m_window.findChild<QAction*>(pszAction)->trigger(); }
    // Runs the action (a function or a window action's name), answers the message box it opens
    // with the button or the named one; returns its text, "[Save Anyway]" added when offered.
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
    }
    // The beam with Q and theta at 0.99 in U-space next to G and Q at 0.2: the block of G, Q and
    // theta has the determinant 1 - 0.2^2 - 0.99^2 < 0. It opens, with a warning.
    QString WriteIndefinite() {
        const QString path = m_dir.filePath(QStringLiteral("indefinite.json"));
        const QByteArray bytes = FileBytes(m_path).replace(R"("space": "U"})", R"("space": "U"},
            {"between": ["Q", "theta"], "value": 0.99, "space": "U"})");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        return path;
    }
    CEditorHooks m_hooks;
    QTemporaryDir m_dir;
    QString m_path = m_dir.filePath(QStringLiteral("beam.json"));
    CEditorMainWindow m_window;
};

TEST_F(EditorMainWindowTest, EditsAreSavedInEitherFormAndNotDroppedWithoutAsking) {
    {
        const CModalScript<CDlgCorrelationMatrix> script([](CDlgCorrelationMatrix& dlg) {
            dlg.GetGrid()->SetValue(1, 5, "0"); // a pair not given, left at 0: no change
            Click(&dlg, IDC_OK);
        });
        Click(&Sheet(), IDC_CORRELATION);
    }
    EditG("10", "0.7"); // the values shown: no change either
    EXPECT_FALSE(m_window.IsModified() || m_window.isWindowModified());
    std::string expected = WriteJsonDocument(*m_window.GetDocument());
    EditG("11.5", "0.9");
    // Escape belongs to the host: the embedded sheet, which has no OK and Cancel, stays as it is.
    QTest::keyClick(Control<QListWidget>(&Sheet(), IDC_DIST_TYPE), Qt::Key_Escape);
    EXPECT_TRUE(Sheet().isVisible() && !Control(&Sheet(), IDC_OK)->isVisible());
    EXPECT_TRUE(m_window.isWindowModified());
    Trigger("actionSave"); // without a question, which would fail the test
    EXPECT_FALSE(m_window.isWindowModified());
    const std::string oldG = R"("MEAN": 10, "STDDEV": 0.7)";
    expected.replace(expected.find(oldG), oldG.size(), R"("MEAN": 11.5, "STDDEV": 0.9)");
    EXPECT_EQ(FileJson(m_path), expected) << "G alone changed";

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
    EditG("13", "0.7"); // saved, in that form, when the window closes
    Answer([this] { EXPECT_TRUE(m_window.close()); }, QMessageBox::Save);
    EXPECT_TRUE(FileBytes(typed + ".svc").startsWith(QByteArray("STVCOL\r\n", 8))) << "binary";
    const std::string saved = WriteJsonDocument(*m_window.GetDocument());
    // Unsaved changes: Cancel keeps them, Discard drops them for a new document, which, unchanged,
    // goes without a question.
    m_window.show();
    EditG("12", "0.7");
    for (const auto button : {QMessageBox::Cancel, QMessageBox::Discard}) {
        EXPECT_TRUE(Answer("actionNew", button).startsWith("The collection has unsaved changes."));
        EXPECT_EQ(m_window.GetPath().isEmpty(), button == QMessageBox::Discard);
    }
    Trigger("actionNew");
    ASSERT_TRUE(m_window.OpenDocument(typed + ".svc"));
    EXPECT_TRUE(m_window.GetFormat() == EDocumentFormat::binary &&
                WriteJsonDocument(*m_window.GetDocument()) == saved)
        << "read back as saved, untouched since";
}

// An extension of either form, in any case, says the form; another is kept, with the filter's.
TEST(SaveTarget, TheNameSaysTheFormElseTheFilterDoes) {
    for (const auto& [name, format] : {std::pair{"/d/beam.SVC", EDocumentFormat::binary},
                                       {"/d/beam.txt", EDocumentFormat::json}}) {
        const SSaveTarget target =
            ResolveSaveTarget(name, FilterFor(EDocumentFormat::json), EDocumentFormat::binary);
        EXPECT_TRUE(target.path == name && target.format == format && !target.bExtensionAdded);
    }
}

TEST_F(EditorMainWindowTest, ProblemsAreShownBeforeAnythingIsWrittenAndSavedFilesOpenAgain) {
    const QByteArray original = FileBytes(m_path);
    Trigger("actionAddVariable"); // X8, shown
    Rename("");
    double& dMeanOfW = m_window.GetDocument()->GetVariable(1)->m_Params[PARAM_MEAN];
    dMeanOfW = 0.0; // W is normal by /MEAN/COV, which needs a mean other than 0
    ASSERT_TRUE(Sheet().SelectVariable(0));
    const QString shown = Answer("actionSave", QMessageBox::NoButton, "goTo");
    EXPECT_TRUE(
        shown.startsWith("Not saved yet: the collection has 2 problems.") &&
        shown.contains("variable 8: the variable has no name") &&
        shown.contains("W: Mean value must be different from 0 when CoV is given as input.") &&
        !shown.contains("[Save Anyway]"))
        << shown.toStdString();
    EXPECT_EQ(Sheet().GetCurrentIndex(), 1) << "Go to shows what stops the file from opening";
    dMeanOfW = 557.0; // a file without a name for X8 would open again
    EXPECT_TRUE(Answer("actionSave", QMessageBox::NoButton, "goTo").contains("[Save Anyway]"));
    EXPECT_EQ(FileBytes(m_path), original);
    Answer("actionSave", QMessageBox::NoButton, "saveAnyway");
    EXPECT_EQ(FileJson(m_path), WriteJsonDocument(*m_window.GetDocument()));
    EXPECT_TRUE(m_hooks.messages().empty());
    // Q, Gumbel by /MEAN/COV, converted around a mean of 0 has no spread: a file with it opens
    // again, and cannot be sampled.
    CDist& Q = *m_window.GetDocument()->GetVariable(3);
    Q.m_Params[PARAM_MEAN] = 0.0;
    Q.CalcBasePar();
    const QString unsampleable = Answer("actionSave", QMessageBox::NoButton, "goTo");
    EXPECT_TRUE(unsampleable.contains("Q: cannot be sampled: the standard deviation is 0: a COV "
                                      "gives no spread around a mean of 0; give STDDEV instead") &&
                unsampleable.contains("[Save Anyway]"))
        << unsampleable.toStdString();
}

TEST_F(EditorMainWindowTest, UnreadableDocumentsAreRefusedAndUnsamplableOnesOpenWithAWarning) {
    const CCollectionDocument* pBefore = m_window.GetDocument();
    // Beside no document and a missing one, one whose correlations are not positive definite.
    const QString bad = m_dir.filePath(QStringLiteral("bad.json"));
    const QString missing = m_dir.filePath(QStringLiteral("missing.json"));
    const QString indefinite = WriteIndefinite();
    QFile file(bad);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("{") == 1);
    file.close();
    for (const auto& [path, reason] : {std::pair{bad, bad + ": document: not valid JSON"},
                                       {missing, missing + ": cannot open"}}) {
        const QString shown =
            Answer([&] { EXPECT_FALSE(m_window.OpenDocument(path)); }, QMessageBox::Ok);
        EXPECT_TRUE(shown.startsWith(reason)) << shown.toStdString();
        EXPECT_TRUE(m_window.GetDocument() == pBefore && m_window.GetPath() == m_path);
    }
    EXPECT_EQ(Answer([&] { ASSERT_TRUE(m_window.OpenDocument(indefinite)); }, QMessageBox::Ok),
              indefinite + ": correlations: cannot be sampled: the correlation matrix is not "
                           "positive definite at row 6, variable theta (correlated with Q)\n");
    EXPECT_FALSE(m_window.IsModified());
    // W (the second of its pair) goes with its correlation; the pairs after it move up.
    ASSERT_TRUE(Sheet().SelectVariable(1));
    Answer("actionRemoveVariable", QMessageBox::No);
    EXPECT_FALSE(m_window.IsModified());
    EXPECT_EQ(Answer("actionRemoveVariable", QMessageBox::Yes),
              "Remove the variable W and its correlation?\n");
    EXPECT_TRUE(m_window.isWindowModified());
    Trigger("actionAddVariable");
    Answer("actionSave", QMessageBox::NoButton, "saveAnyway"); // still not positive definite
    const QString saved = QString::fromStdString(FileJson(indefinite));
    EXPECT_TRUE(saved.contains(R"("between": ["Q", "theta"])") && !saved.contains(R"("W")") &&
                saved.contains(R"("name": "X7")"));
}

// Values that their family's combination check accepts and that reading refuses, on a variable
// X8 of that family: nothing is written, the box says why and goes to X8.
struct SUnreadable {
    const char* pszName;
    int nType;
    int nParamCombi;
    std::vector<double> values; // of the input type's parameters; the frequencies of DISCRETE
    const char* pszReason;      // what reading the file would say
};

class UnreadableSave : public EditorMainWindowTest,
                       public ::testing::WithParamInterface<SUnreadable> {};

TEST_P(UnreadableSave, IsRefusedWithReadingsReasonAndGoesToTheVariable) {
    const SUnreadable& row = GetParam();
    const QByteArray original = FileBytes(m_path);
    Trigger("actionAddVariable"); // X8, normal, shown
    Control<QListWidget>(&Sheet(), IDC_DIST_TYPE)->setCurrentRow(row.nType);
    CDist& dist = *Sheet().GetCurrentDist();
    ASSERT_EQ(dist.m_nType, row.nType);
    if (row.nType == DIST_DISCRETE) {
        for (const double dFrequency : row.values) {
            dist.m_CategoryNames.Add("c");
            dist.m_Frequencies.Add(dFrequency);
        }
    } else {
        dist.m_nParamCombi = row.nParamCombi;
        CString strLabel;
        CUIntArray ids;
        dist.GetParamsList(row.nParamCombi, strLabel, &ids);
        ASSERT_EQ(ids.GetSize(), std::ssize(row.values));
        for (int i = 0; i < ids.GetSize(); ++i) {
            dist.m_Params[static_cast<int>(ids[i])] = row.values[size_t(i)];
        }
    }
    ASSERT_TRUE(dist.CheckCombination(dist.m_nParamCombi).IsOk()) << "the family's check passes";
    ASSERT_TRUE(Sheet().SelectVariable(0));
    const QString shown = Answer("actionSave", QMessageBox::NoButton, "goTo");
    EXPECT_TRUE(shown.contains(QStringLiteral("X8: ") + row.pszReason) &&
                shown.contains("could not be opened again") && !shown.contains("[Save Anyway]"))
        << shown.toStdString();
    EXPECT_EQ(Sheet().GetCurrentIndex(), 7);
    EXPECT_EQ(FileBytes(m_path), original);
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

const SUnreadable kUnreadable[] = {
    {"BetaMeanAboveTheBounds", DIST_BETA, 0, {4, 0.5, 0, 3}, "Mu must be in between lower"},
    {"BetaBothBoundsZero", DIST_BETA, 0, {10, 0.7, 0, 0}, "Mu must be in between lower"},
    {"ExponentialNegativeMean", DIST_EXPONENTIAL, 0, {-5, 0}, "Lower bound is larger than mean."},
    {"WeibullNegativeMean", DIST_WEIBULL, 0, {-1, 0.5, 0}, "Lower bound is larger than mean."},
    {"GumbelNoSpread", DIST_GUMBEL, 0, {8, 0}, "StdDev is less than (or equal to) 0"},
    {"RayleighMeanBelowTheBound", DIST_RAYLEIGH, 0, {1, 2}, "Lower bound is larger than mean."},
    {"LognormalNegativeCov", DIST_LOGNORMAL, 1, {10, -0.1, 0}, "CoV is less than"},
    {"DiscreteNegativeFrequency", DIST_DISCRETE, 0, {-1}, "Frequency must be >= 0"},
    // Values that no document holds.
    {"NormalInfiniteMean", DIST_NORMAL, 0, {kInf, 1}, "the value of MEAN is inf"},
    {"UniformBoundNotANumber", DIST_UNIFORM, 0, {kNaN, 1}, "the value of LOWER_BOUND is nan"},
    {"TriangularInfiniteBound", DIST_TRIANGULAR, 1, {-kInf, 0, 1}, "the value of LOWER_BOUND is"},
    {"FixedNotANumber", DIST_FIXED, 0, {kNaN}, "the value of MEAN is nan"},
};

INSTANTIATE_TEST_SUITE_P(Families, UnreadableSave, ::testing::ValuesIn(kUnreadable),
                         [](const auto& row) { return std::string(row.param.pszName); });

// A correction that the save check made is the user's to accept: after Cancel the document
// holds the value given, and the next save asks again.
TEST_F(EditorMainWindowTest, ACorrectionIsKeptOnlyWhenTheSaveGoesOn) {
    const QByteArray original = FileBytes(m_path);
    SCorr& gq = *m_window.GetDocument()->GetCollection().m_Corrs[0]; // G / Q, 0.2 in X-space
    gq.dCorrX = 0.99; // as the correlation grid enters it, beyond what the pair admits
    for (int nTry = 0; nTry < 2; ++nTry) {
        const QString shown = Answer("actionSave", QMessageBox::Cancel);
        EXPECT_TRUE(shown.startsWith("Not saved yet: the collection has a problem.") &&
                    shown.contains("correlation G / Q: the X-space value 0.99 was corrected to "))
            << shown.toStdString();
        EXPECT_EQ(gq.dCorrX, 0.99);
    }
    EXPECT_EQ(FileBytes(m_path), original);
    Answer("actionSave", QMessageBox::NoButton, "saveAnyway");
    ASSERT_EQ(m_hooks.messages().size(), 3u) << "the library's own report of each correction";
    for (const std::string& strMessage : m_hooks.messages()) {
        EXPECT_TRUE(strMessage.starts_with("WARNING:\nCorrelation specified between variable G "
                                           "and Q is too large"))
            << strMessage;
    }
    const auto pSaved = LoadDocument(m_path.toStdString());
    EXPECT_TRUE(pSaved->m_warnings.empty());
    EXPECT_TRUE(pSaved->GetCorrelation(0).dCorrX == gq.dCorrX && gq.dCorrX < 0.99);
}

// After a change of family the page, the curve and the correlation check read the new family's
// values: those that reading the saved file computes. G, normal 10 / 0.7, keeps its correlation
// 0.2 with Q, which every one of these families admits.
class FamilyChangeSave : public EditorMainWindowTest, public ::testing::WithParamInterface<int> {};

TEST_P(FamilyChangeSave, ThePageTheCurveAndTheCorrelationsReadTheNewFamily) {
    ASSERT_TRUE(Sheet().SelectVariable(2));
    Control<QListWidget>(&Sheet(), IDC_DIST_TYPE)->setCurrentRow(GetParam());
    Trigger("actionSave"); // no question
    EXPECT_TRUE(m_hooks.messages().empty());
    const auto pSaved = LoadDocument(m_path.toStdString());
    EXPECT_EQ(pSaved->GetCorrelation(0).dCorrX, 0.2);
    CDist& saved = *pSaved->GetVariable(2);
    CDist& shown = *Sheet().GetCurrentDist();
    ASSERT_EQ(saved.m_nType, GetParam());
    CString strLabel;
    CUIntArray ids;
    for (int nCombi = 0; nCombi < shown.GetParamCombiCount(); ++nCombi) {
        shown.GetParamsList(nCombi, strLabel, &ids);
        for (const UINT nParam : ids) {
            EXPECT_EQ(shown.GetParamValue(int(nParam)), saved.GetParamValue(int(nParam)))
                << strLabel.str() << " " << kParamKeywords[nParam];
        }
    }
    const auto* pChart = Control<CChart2D>(Sheet().GetPageCont(), IDC_CHART);
    ASSERT_GT(pChart->GetPointCount(1), 0);
    for (int i = 1; i <= pChart->GetPointCount(1); ++i) {
        EXPECT_EQ(pChart->GetY(1, i), saved.GetDensity(pChart->GetX(1, i))) << "point " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Families, FamilyChangeSave,
                         ::testing::Values(DIST_LOGNORMAL, DIST_EXPONENTIAL, DIST_GUMBEL,
                                           DIST_RAYLEIGH, DIST_WEIBULL));

TEST_F(EditorMainWindowTest, MessagesAboutTheVariableShownNameIt) {
    ASSERT_TRUE(Sheet().SelectVariable(2));
    Enter(Sheet().GetPageCont(), "10");
    Enter(Sheet().GetPageCont(), "-1");
    EXPECT_EQ(m_hooks.messages(),
              std::vector<std::string>{"ERROR:\nG: StdDev is less than (or equal to) 0"});
}

TEST_F(EditorMainWindowTest, GoToTheVariableShownOpensNoSecondBox) {
    ASSERT_TRUE(Sheet().SelectVariable(1));
    Sheet().GetCurrentDist()->m_Params[PARAM_MEAN] = 0.0; // W by /MEAN/COV
    Answer("actionSave", QMessageBox::NoButton, "goTo");
    EXPECT_EQ(Sheet().GetCurrentIndex(), 1);
    EXPECT_TRUE(m_hooks.messages().empty());
}

TEST_F(EditorMainWindowTest, ANewDocumentGuidesToItsFirstVariableAndIsSavedAsJson) {
    Trigger("actionNew");
    auto* pAddFirst = m_window.findChild<QPushButton*>("addFirstVariable");
    ASSERT_TRUE(pAddFirst != nullptr && pAddFirst->isVisible());
    for (const int nId : {IDC_VAR_NAME, IDC_DIST_TYPE, IDC_CORRELATION, IDC_VALUE}) {
        EXPECT_FALSE(Control<QWidget>(&Sheet(), nId)->isEnabled()) << nId;
    }
    pAddFirst->click();
    EXPECT_TRUE(!pAddFirst->isVisible() && Control<QWidget>(&Sheet(), IDC_VALUE)->isEnabled() &&
                m_window.GetDocument()->GetVariableCount() == 1);
    const QString path = m_dir.filePath(QStringLiteral("new"));
    {
        const CModalScript<QFileDialog> script([&](QFileDialog& dialog) {
            EXPECT_EQ(dialog.selectedNameFilter(), FilterFor(EDocumentFormat::json));
            dialog.selectFile(path);
            QMetaObject::invokeMethod(&dialog, "accept", Qt::DirectConnection);
        });
        Trigger("actionSave");
    }
    EXPECT_TRUE(FileBytes(path + ".json").startsWith("{"));
}

TEST_F(EditorMainWindowTest, StartUpWarningsComeAboveTheWindow) {
    const QString indefinite = WriteIndefinite();
    CEditorMainWindow window;
    bool bWindowShown = false;
    {
        const CModalScript<QMessageBox> script([&](QMessageBox& box) {
            bWindowShown = window.isVisible();
            box.button(QMessageBox::Ok)->click();
        });
        window.Start(indefinite);
    }
    EXPECT_TRUE(bWindowShown && window.GetPath() == indefinite);
}

TEST_F(EditorMainWindowTest, TheWindowFitsTheAvailableScreen) {
    // On any screen (also a small, scaled one): the window, its Axis button in sight, the curve.
    QCoreApplication::processEvents();
    const QRect available = m_window.screen()->availableGeometry();
    EXPECT_TRUE(available.contains(m_window.frameGeometry()));
    const QWidget& page = *Sheet().GetPageCont();
    const QWidget* pAxis = Control(&page, IDC_AXIS);
    const QRect axis(pAxis->mapToGlobal(QPoint(0, 0)), pAxis->size());
    const QWidget* pViewport =
        m_window.centralWidget()->findChild<QWidget*>("qt_scrollarea_viewport");
    EXPECT_TRUE(pAxis->isVisible() && available.contains(axis) &&
                QRect(pViewport->mapToGlobal(QPoint(0, 0)), pViewport->size()).contains(axis))
        << "within the screen, not scrolled out of sight";
    QWidget& chart = *Control<QWidget>(&page, IDC_CHART);
    const std::vector<int> tops = CurveTops(chart.grab().toImage());
    EXPECT_TRUE(chart.isVisible() &&
                std::count(tops.begin(), tops.end(), -1) < std::ssize(tops) / 2)
        << "the curve spans the chart";
}

} // namespace
} // namespace stochvar
