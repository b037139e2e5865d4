// The desktop host on copies of the example documents: a parameter edited in the embedded sheet
// is saved through the document code and read back with the same values, in either form; the
// question before unsaved changes are dropped; documents that must not be written or cannot be
// read.

#include "stochvar-editor/EditorMainWindow.h"

#include "editor/EditorTestSupport.h"

#include "stochvar-editor/SaveTarget.h"

#include <stochvar/documents/DocumentFile.h>
#include <stochvar/editor/CorrelationCtrl.h>
#include <stochvar/editor/DistPageCont.h>
#include <stochvar/editor/DistPropertySheet.h>
#include <stochvar/editor/DlgCorrelationMatrix.h>

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace stochvar {
namespace {

using editortest::CEditorHooks;
using editortest::CModalScript;
using editortest::Control;
using editortest::TypeAndReturn;

// What a document says about one variable: family, name, the values of its input type, its
// categories, and all sixteen parameter slots (the base parameters derived from the input).
struct SDocumentVariable {
    int nType = -1;
    std::string strName;
    std::vector<double> inputValues;
    std::vector<std::string> categories;
    std::vector<double> frequencies;
    std::vector<double> paramSlots;
    bool operator==(const SDocumentVariable&) const = default;
};

std::vector<SDocumentVariable> Variables(const CCollectionDocument& doc) {
    std::vector<SDocumentVariable> variables;
    for (int i = 0; i < doc.GetVariableCount(); ++i) {
        CDist& dist = *doc.GetVariable(i);
        SDocumentVariable variable;
        variable.nType = dist.m_nType;
        variable.strName = dist.m_strVarName.GetString();
        CString strLabel;
        CUIntArray ids;
        dist.GetParamsList(dist.m_nParamCombi, strLabel, &ids);
        for (const UINT nId : ids) {
            variable.inputValues.push_back(dist.GetParamValue(static_cast<int>(nId)));
        }
        for (const CString& strCategory : dist.m_CategoryNames) {
            variable.categories.emplace_back(strCategory.GetString());
        }
        variable.frequencies.assign(dist.m_Frequencies.begin(), dist.m_Frequencies.end());
        variable.paramSlots.assign(dist.m_Params.begin(), dist.m_Params.end());
        variables.push_back(variable);
    }
    return variables;
}

struct SDocumentCorrelation {
    int nFirst = -1;
    int nSecond = -1;
    BOOL bXSpace = FALSE;
    double dGiven = 0.0;
    bool operator==(const SDocumentCorrelation&) const = default;
};

std::vector<SDocumentCorrelation> Correlations(const CCollectionDocument& doc) {
    std::vector<SDocumentCorrelation> correlations;
    for (int i = 0; i < doc.GetCorrelationCount(); ++i) {
        SDocumentCorrelation correlation;
        EXPECT_TRUE(doc.GetCorrelationPair(i, correlation.nFirst, correlation.nSecond));
        const SCorr& corr = doc.GetCorrelation(i);
        correlation.bXSpace = corr.bXSpace;
        correlation.dGiven = corr.bXSpace != 0 ? corr.dCorrX : corr.dCorrU;
        correlations.push_back(correlation);
    }
    return correlations;
}

// Fails the test, and closes the window, when a modal window opens while the guard lives.
class CNoModalGuard {
public:
    CNoModalGuard() {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [] {
            if (auto* pDialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                ADD_FAILURE() << "unexpected modal window: "
                              << pDialog->windowTitle().toStdString();
                pDialog->reject();
            }
        });
        m_timer.start();
    }

private:
    QTimer m_timer;
};

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

// Records the text of a message box and closes it with OK.
std::function<void(QMessageBox&)> Acknowledge(QString& shown) {
    return [&shown](QMessageBox& box) {
        shown = box.text();
        box.button(QMessageBox::Ok)->click();
    };
}

class EditorMainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("beam.json"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(STOCHVAR_EXAMPLES_DIR "/beam.json"), m_path));
        m_window.show();
    }

    CDistPropertySheet& Sheet() { return *m_window.GetSheet(); }
    QLineEdit* ValueBox() { return Control<QLineEdit>(Sheet().GetPageCont(), IDC_VALUE); }
    void Trigger(const char* pszAction) {
        auto* pAction = m_window.findChild<QAction*>(QString::fromLatin1(pszAction));
        ASSERT_NE(pAction, nullptr) << pszAction;
        pAction->trigger();
    }
    // Moves the sheet to the variable of the example with this index, as the arrow key does.
    void SelectVariable(int nIndex) {
        auto* pBox = Control<QComboBox>(&Sheet(), IDC_VAR_NAME);
        while (Sheet().GetCurrentIndex() < nIndex) {
            const int nBefore = Sheet().GetCurrentIndex();
            QTest::keyClick(pBox, Qt::Key_Down);
            ASSERT_GT(Sheet().GetCurrentIndex(), nBefore);
        }
    }
    // G of the beam example: normal, given by /MEAN/STDDEV as 10 and 0.7.
    void EditG(const QString& mean, const QString& stddev) {
        SelectVariable(2);
        ASSERT_EQ(Sheet().GetCurrentDist()->m_strVarName, CString("G"));
        TypeAndReturn(ValueBox(), mean);
        TypeAndReturn(ValueBox(), stddev);
    }

    CEditorHooks m_hooks;
    QTemporaryDir m_dir;
    QString m_path;
    CEditorMainWindow m_window;
};

TEST_F(EditorMainWindowTest, AParameterEditedInTheSheetIsSavedAndReadBack) {
    ASSERT_TRUE(m_window.OpenDocument(m_path));
    EXPECT_EQ(m_window.GetFormat(), EDocumentFormat::json);
    EXPECT_FALSE(m_window.IsModified());
    const std::vector<SDocumentVariable> opened = Variables(*m_window.GetDocument());
    const std::vector<SDocumentCorrelation> correlations = Correlations(*m_window.GetDocument());
    ASSERT_EQ(opened.size(), 7U);
    EXPECT_TRUE(m_window.centralWidget()->isAncestorOf(&Sheet()));
    EXPECT_EQ(Control<QComboBox>(&Sheet(), IDC_VAR_NAME)->currentText(), QStringLiteral("fy"));

    EditG(QStringLiteral("11.5"), QStringLiteral("0.9"));
    EXPECT_TRUE(m_window.IsModified());
    {
        const CNoModalGuard guard;
        Trigger("actionSave");
    }
    EXPECT_FALSE(m_window.IsModified());
    EXPECT_TRUE(m_hooks.messages().empty());

    const std::unique_ptr<CCollectionDocument> pReread = LoadDocument(m_path.toStdString());
    const std::vector<SDocumentVariable> reread = Variables(*pReread);
    EXPECT_EQ(reread, Variables(*m_window.GetDocument()));
    ASSERT_EQ(reread.size(), opened.size());
    for (size_t i = 0; i < opened.size(); ++i) {
        if (i != 2) {
            EXPECT_EQ(reread[i], opened[i]) << "variable " << i << " was not edited";
        }
    }
    EXPECT_EQ(reread[2].inputValues, (std::vector<double>{11.5, 0.9}));
    EXPECT_EQ(reread[2].paramSlots[PARAM_COV], 0.9 / 11.5) << "derived from the saved input";
    EXPECT_EQ(Correlations(*pReread), correlations);
    EXPECT_TRUE(FileBytes(m_path).contains("\"MEAN\": 11.5"));

    // Another window shows the saved values.
    CEditorMainWindow other;
    ASSERT_TRUE(other.OpenDocument(m_path));
    auto* pBox = Control<QComboBox>(other.GetSheet(), IDC_VAR_NAME);
    QTest::keyClick(pBox, Qt::Key_Down);
    QTest::keyClick(pBox, Qt::Key_Down);
    auto* pParameters = Control<QListWidget>(other.GetSheet()->GetPageCont(), IDC_PARAMETER);
    ASSERT_EQ(pParameters->count(), 2);
    EXPECT_EQ(pParameters->item(0)->text(), QStringLiteral("MEAN  [11.500000]"));
    EXPECT_EQ(pParameters->item(1)->text(), QStringLiteral("STDDEV  [0.900000]"));
}

TEST_F(EditorMainWindowTest, ABinaryDocumentStaysBinaryWhenSaved) {
    ASSERT_TRUE(m_window.OpenDocument(m_path));
    const QString binaryPath = m_dir.filePath(QStringLiteral("beam.svc"));
    ASSERT_TRUE(m_window.SaveDocumentAs(binaryPath));
    EXPECT_EQ(m_window.GetPath(), binaryPath);
    EXPECT_TRUE(FileBytes(binaryPath).startsWith(QByteArray("STVCOL\r\n", 8)));

    CEditorMainWindow reopened;
    ASSERT_TRUE(reopened.OpenDocument(binaryPath));
    EXPECT_EQ(reopened.GetFormat(), EDocumentFormat::binary);
    EXPECT_EQ(Variables(*reopened.GetDocument()), Variables(*m_window.GetDocument()));
    reopened.close();

    EditG(QStringLiteral("9"), QStringLiteral("0.5"));
    {
        const CNoModalGuard guard;
        Trigger("actionSave");
    }
    EXPECT_TRUE(FileBytes(binaryPath).startsWith(QByteArray("STVCOL\r\n", 8)));
    const std::unique_ptr<CCollectionDocument> pReread = LoadDocument(binaryPath.toStdString());
    EXPECT_EQ(Variables(*pReread)[2].inputValues, (std::vector<double>{9.0, 0.5}));
}

TEST_F(EditorMainWindowTest, UnsavedChangesAreNotDroppedWithoutAsking) {
    {
        const CNoModalGuard guard; // nothing changed: no question
        Trigger("actionNew");
        ASSERT_TRUE(m_window.OpenDocument(m_path));
    }
    EditG(QStringLiteral("12"), QStringLiteral("0.7"));

    {
        CModalScript<QMessageBox> script([](QMessageBox& box) {
            EXPECT_EQ(box.text(), QStringLiteral("The collection has unsaved changes."));
            box.button(QMessageBox::Cancel)->click();
        });
        Trigger("actionNew");
    }
    EXPECT_EQ(m_window.GetPath(), m_path);
    EXPECT_EQ(m_window.GetDocument()->GetVariable(2)->GetParamValue(PARAM_MEAN), 12.0);

    {
        CModalScript<QMessageBox> script(
            [](QMessageBox& box) { box.button(QMessageBox::Discard)->click(); });
        Trigger("actionNew");
    }
    EXPECT_EQ(m_window.GetDocument()->GetVariableCount(), 0);
    EXPECT_TRUE(m_window.GetPath().isEmpty());
    EXPECT_EQ(Variables(*LoadDocument(m_path.toStdString()))[2].inputValues,
              (std::vector<double>{10.0, 0.7}))
        << "the file was not touched";

    // Closing the window with changes saves them when asked to.
    ASSERT_TRUE(m_window.OpenDocument(m_path));
    EditG(QStringLiteral("13"), QStringLiteral("0.7"));
    {
        CModalScript<QMessageBox> script(
            [](QMessageBox& box) { box.button(QMessageBox::Save)->click(); });
        EXPECT_TRUE(m_window.close());
    }
    EXPECT_EQ(Variables(*LoadDocument(m_path.toStdString()))[2].inputValues,
              (std::vector<double>{13.0, 0.7}));
}

// What the save question showed, and the button to press.
struct SSaveAnswer {
    QString shown;            // the problems listed
    bool bSaveAnyway = false; // whether Save Anyway was offered
};

// Answers a save question with the button of this object name ("goTo", "saveAnyway") or Cancel,
// and records what it showed.
std::function<void(QMessageBox&)> SaveQuestionAnswer(SSaveAnswer& answer, const char* pszButton) {
    return [&answer, pszButton](QMessageBox& box) {
        EXPECT_TRUE(box.text().startsWith(QStringLiteral("Not saved yet")))
            << box.text().toStdString();
        answer.shown = box.informativeText();
        answer.bSaveAnyway = box.findChild<QPushButton*>(QStringLiteral("saveAnyway")) != nullptr;
        QAbstractButton* pButton = pszButton != nullptr
                                       ? box.findChild<QPushButton*>(QString::fromLatin1(pszButton))
                                       : box.button(QMessageBox::Cancel);
        ASSERT_NE(pButton, nullptr) << (pszButton != nullptr ? pszButton : "Cancel");
        pButton->click();
    };
}

// Replaces the name of the variable shown by typing into the selector, as a user renames it.
void RenameShown(CEditorMainWindow& window, const QString& name) {
    QLineEdit* pEdit = Control<QComboBox>(window.GetSheet(), IDC_VAR_NAME)->lineEdit();
    pEdit->selectAll();
    if (name.isEmpty()) {
        QTest::keyClick(pEdit, Qt::Key_Backspace);
    } else {
        QTest::keyClicks(pEdit, name);
    }
}

TEST_F(EditorMainWindowTest, ProblemsAreShownBeforeAnythingIsWrittenAndSavedFilesOpenAgain) {
    struct SCase {
        const char* pszWhat;
        std::function<void(CEditorMainWindow&)> change;
        QString problem;
        int nGoTo;                                   // the variable Go to shows
        bool bSaveAnyway;                            // offered: the file would open again
        std::function<void(CEditorMainWindow&)> fix; // for a problem that must be fixed
    };
    const auto rename = [](const QString& name) {
        return [name](CEditorMainWindow& window) { RenameShown(window, name); };
    };
    const SCase cases[] = {
        {"a name that another variable has", rename(QStringLiteral("G")),
         QStringLiteral("G: another variable has the same name"), 7, false,
         rename(QStringLiteral("G2"))},
        {"no name", rename(QString()), QStringLiteral("variable 8: the variable has no name"), 7,
         true, nullptr},
        // W is normal by /MEAN/COV, which needs a mean other than 0.
        {"values that fail their input type's check",
         [](CEditorMainWindow& window) {
             window.GetDocument()->GetVariable(1)->SetParamValue(PARAM_MEAN, 0.0);
         },
         QStringLiteral("W: Mean value must be different from 0 when CoV is given as input."), 1,
         false,
         [](CEditorMainWindow& window) {
             window.GetDocument()->GetVariable(1)->SetParamValue(PARAM_MEAN, 557.0);
         }},
    };
    for (const SCase& problem : cases) {
        SCOPED_TRACE(problem.pszWhat);
        ASSERT_TRUE(QFile::remove(m_path));
        ASSERT_TRUE(QFile::copy(QStringLiteral(STOCHVAR_EXAMPLES_DIR "/beam.json"), m_path));
        ASSERT_TRUE(m_window.OpenDocument(m_path));
        const QByteArray original = FileBytes(m_path);
        Trigger("actionAddVariable"); // X8, shown
        problem.change(m_window);

        SSaveAnswer answer;
        {
            const CModalScript<QMessageBox> script(SaveQuestionAnswer(answer, "goTo"));
            EXPECT_FALSE(m_window.SaveDocument());
        }
        EXPECT_TRUE(answer.shown.contains(problem.problem)) << answer.shown.toStdString();
        EXPECT_EQ(answer.bSaveAnyway, problem.bSaveAnyway);
        EXPECT_EQ(Sheet().GetCurrentIndex(), problem.nGoTo) << "Go to shows the variable";
        EXPECT_EQ(FileBytes(m_path), original);

        if (problem.fix) {
            problem.fix(m_window);
            const CNoModalGuard guard;
            EXPECT_TRUE(m_window.SaveDocument());
        } else {
            const CModalScript<QMessageBox> script(SaveQuestionAnswer(answer, "saveAnyway"));
            EXPECT_TRUE(m_window.SaveDocument());
        }
        EXPECT_FALSE(m_window.IsModified());
        // The file opens again, with what the window held.
        const std::unique_ptr<CCollectionDocument> pReread = LoadDocument(m_path.toStdString());
        EXPECT_EQ(Variables(*pReread), Variables(*m_window.GetDocument()));
        EXPECT_EQ(Correlations(*pReread), Correlations(*m_window.GetDocument()));
    }
    EXPECT_TRUE(m_hooks.messages().empty());
}

TEST_F(EditorMainWindowTest, ACorrectedCorrelationIsAskedAboutAtEverySave) {
    ASSERT_TRUE(m_window.OpenDocument(m_path));
    const QByteArray original = FileBytes(m_path);
    // Q and theta at 0.99 in X-space, more than the pair admits, entered in the grid.
    {
        CModalScript<CDlgCorrelationMatrix> script([](CDlgCorrelationMatrix& dlg) {
            dlg.GetGrid()->SetValue(4, 6, QStringLiteral("0.99"));
            dlg.GetGrid()->SetValue(6, 4, QStringLiteral("0.99"));
            Control<QPushButton>(&dlg, IDC_OK)->click();
        });
        Control<QPushButton>(&Sheet(), IDC_CORRELATION)->click();
    }
    ASSERT_EQ(m_window.GetDocument()->GetCorrelationCount(), 3);

    // The first save moves the value to the end of the pair's range, which leaves the matrix
    // not positive definite; every later save, also the one before closing, asks again.
    const QString notDefinite = QStringLiteral(
        "correlations: cannot be sampled: the correlation matrix is not positive definite at "
        "row 6, variable theta (correlated with Q)");
    SSaveAnswer answer;
    {
        const CModalScript<QMessageBox> script(SaveQuestionAnswer(answer, nullptr));
        Trigger("actionSave");
    }
    ASSERT_EQ(m_hooks.messages().size(), 1U);
    EXPECT_TRUE(answer.shown.contains(
        QStringLiteral("correlation Q / theta: the X-space value 0.99 was corrected to 0.97")))
        << answer.shown.toStdString();
    EXPECT_TRUE(answer.shown.contains(notDefinite));
    EXPECT_TRUE(answer.bSaveAnyway) << "the file would open again";
    for (int nSave = 0; nSave < 2; ++nSave) {
        const CModalScript<QMessageBox> script(SaveQuestionAnswer(answer, nullptr));
        Trigger("actionSave");
        EXPECT_FALSE(answer.shown.contains(QStringLiteral("was corrected")));
        EXPECT_TRUE(answer.shown.contains(notDefinite)) << answer.shown.toStdString();
    }
    {
        // Closing: save the changes, then the save question (asked only once the first closed).
        std::unique_ptr<CModalScript<QMessageBox>> pSaveQuestion;
        const CModalScript<QMessageBox> unsaved([&](QMessageBox& box) {
            ASSERT_EQ(box.text(), QStringLiteral("The collection has unsaved changes."));
            pSaveQuestion =
                std::make_unique<CModalScript<QMessageBox>>(SaveQuestionAnswer(answer, nullptr));
            box.button(QMessageBox::Save)->click();
        });
        EXPECT_FALSE(m_window.close());
        EXPECT_TRUE(pSaveQuestion != nullptr && pSaveQuestion->Ran());
        EXPECT_TRUE(answer.shown.contains(notDefinite));
    }
    EXPECT_EQ(FileBytes(m_path), original);
    EXPECT_EQ(m_hooks.messages().size(), 1U) << "the value was corrected once";

    {
        const CModalScript<QMessageBox> script(SaveQuestionAnswer(answer, "saveAnyway"));
        Trigger("actionSave");
    }
    const std::unique_ptr<CCollectionDocument> pReread = LoadDocument(m_path.toStdString());
    EXPECT_EQ(Correlations(*pReread), Correlations(*m_window.GetDocument()));
}

TEST_F(EditorMainWindowTest, ADocumentThatCannotBeReadIsRefusedWithTheReason) {
    ASSERT_TRUE(m_window.OpenDocument(m_path));
    CCollectionDocument* pBefore = m_window.GetDocument();
    const QString badPath = m_dir.filePath(QStringLiteral("bad.json"));
    WriteFile(badPath, R"({"variables": [{"name": "R", "type": "NORMAL", "input": "/MEAN/STDDEV",
                 "values": {"MEAN": 1, "STDDEV": -2}}]})");

    QString shown;
    {
        const CModalScript<QMessageBox> script(Acknowledge(shown));
        EXPECT_FALSE(m_window.OpenDocument(badPath));
    }
    EXPECT_TRUE(shown.startsWith(badPath + QStringLiteral(": R: "))) << shown.toStdString();
    EXPECT_EQ(m_window.GetDocument(), pBefore);
    EXPECT_EQ(m_window.GetPath(), m_path);

    {
        const CModalScript<QMessageBox> script(Acknowledge(shown));
        EXPECT_FALSE(m_window.OpenDocument(m_dir.filePath(QStringLiteral("missing.json"))));
    }
    EXPECT_TRUE(shown.contains(QStringLiteral("missing.json: cannot open"))) << shown.toStdString();
}

TEST_F(EditorMainWindowTest, ANewDocumentUnderAPathIsWrittenThere) {
    const QString path = m_dir.filePath(QStringLiteral("new.json"));
    const CNoModalGuard guard;
    m_window.NewDocument(path);
    EXPECT_EQ(Sheet().GetCurrentDist(), nullptr);
    EXPECT_TRUE(m_window.SaveDocument());
    const std::unique_ptr<CCollectionDocument> pReread = LoadDocument(path.toStdString());
    EXPECT_EQ(pReread->GetVariableCount(), 0);
}

std::vector<std::string> Names(const CCollectionDocument& doc) {
    std::vector<std::string> names;
    for (int i = 0; i < doc.GetVariableCount(); ++i) {
        names.emplace_back(doc.GetVariable(i)->m_strVarName.GetString());
    }
    return names;
}

// Answers the question before a variable is removed, and records it.
std::function<void(QMessageBox&)> RemoveAnswer(QString& question,
                                               QMessageBox::StandardButton answer) {
    return [&question, answer](QMessageBox& box) {
        question = box.text();
        box.button(answer)->click();
    };
}

TEST_F(EditorMainWindowTest, VariablesAreAddedAndRemovedWithTheirCorrelations) {
    {
        const CNoModalGuard guard;
        m_window.NewDocument(m_dir.filePath(QStringLiteral("new.json")));
        Trigger("actionAddVariable");
        Trigger("actionAddVariable");
    }
    EXPECT_EQ(Names(*m_window.GetDocument()), (std::vector<std::string>{"X1", "X2"}));
    EXPECT_EQ(Sheet().GetCurrentIndex(), 1) << "the new variable is shown";
    EXPECT_EQ(Sheet().GetPageCont()->GetDist(), m_window.GetDocument()->GetVariable(1));
    EXPECT_EQ(m_window.GetDocument()->GetVariable(1)->m_nType, DIST_NORMAL);

    ASSERT_TRUE(m_window.OpenDocument(m_path));
    const CCollectionDocument& doc = *m_window.GetDocument();
    SelectVariable(2);
    QString question;
    {
        const CModalScript<QMessageBox> script(RemoveAnswer(question, QMessageBox::No));
        Trigger("actionRemoveVariable");
    }
    EXPECT_EQ(question, QStringLiteral("Remove the variable G and its correlation?"));
    EXPECT_EQ(doc.GetVariableCount(), 7);
    {
        const CModalScript<QMessageBox> script(RemoveAnswer(question, QMessageBox::Yes));
        Trigger("actionRemoveVariable");
    }
    EXPECT_EQ(Names(doc), (std::vector<std::string>{"fy", "W", "Q", "L", "theta", "use"}));
    // G and Q were correlated, fy and W (before G) still are.
    EXPECT_EQ(Correlations(doc), (std::vector<SDocumentCorrelation>{{0, 1, FALSE, 0.3}}));
    EXPECT_EQ(Sheet().GetCurrentIndex(), 2);
    EXPECT_EQ(Sheet().GetCurrentDist(), doc.GetVariable(2));

    ASSERT_TRUE(Sheet().SelectVariable(0));
    m_window.RemoveVariable();
    EXPECT_EQ(Names(doc), (std::vector<std::string>{"W", "Q", "L", "theta", "use"}));
    EXPECT_TRUE(Correlations(doc).empty());
    const CNoModalGuard guard;
    Trigger("actionAddVariable");
    EXPECT_EQ(Names(doc).back(), "X6");
    ASSERT_TRUE(m_window.SaveDocument());
    const std::unique_ptr<CCollectionDocument> pReread = LoadDocument(m_path.toStdString());
    EXPECT_EQ(Names(*pReread), Names(doc));
    EXPECT_EQ(pReread->GetCorrelationCount(), 0);
}

TEST_F(EditorMainWindowTest, ADocumentThatCannotBeSampledOpensWithAWarning) {
    // Q and theta at 0.99 in U-space next to G and Q at about 0.2: the block over G, Q and
    // theta has determinant 1 - 0.2^2 - 0.99^2 < 0.
    const QString path = m_dir.filePath(QStringLiteral("indefinite.json"));
    QByteArray text = FileBytes(m_path);
    text.replace(R"({"between": ["fy", "W"], "value": 0.3, "space": "U"})",
                 R"({"between": ["fy", "W"], "value": 0.3, "space": "U"},
    {"between": ["Q", "theta"], "value": 0.99, "space": "U"})");
    WriteFile(path, text);

    QString shown;
    {
        const CModalScript<QMessageBox> script(Acknowledge(shown));
        ASSERT_TRUE(m_window.OpenDocument(path));
    }
    EXPECT_EQ(shown, path + QStringLiteral(": correlations: cannot be sampled: the correlation "
                                           "matrix is not positive definite at row 6, variable "
                                           "theta (correlated with Q)"));
    EXPECT_EQ(m_window.GetDocument()->GetCorrelationCount(), 3);
    EXPECT_FALSE(m_window.IsModified());
}

TEST_F(EditorMainWindowTest, SaveAsTakesTheFormFromTheFilterWhenTheNameHasNone) {
    const QString json = FilterFor(EDocumentFormat::json);
    const QString binary = FilterFor(EDocumentFormat::binary);
    const QString all = QStringLiteral("All files (*)");
    EXPECT_TRUE(SaveFilters().contains(all));
    struct SCase {
        QString name;
        QString filter;
        EDocumentFormat current;
        QString path;
        EDocumentFormat format;
    };
    constexpr auto kJson = EDocumentFormat::json;
    constexpr auto kBinary = EDocumentFormat::binary;
    const SCase cases[] = {
        {"/d/beam", json, kBinary, "/d/beam.json", kJson},
        {"/d/beam", binary, kJson, "/d/beam.svc", kBinary},
        {"/d/beam", all, kBinary, "/d/beam.svc", kBinary},
        {"/d/beam.json", binary, kBinary, "/d/beam.json", kJson}, // the name says it
        {"/d/beam.SVC", json, kJson, "/d/beam.SVC", kBinary},
        {"/d/beam.txt", json, kBinary, "/d/beam.txt", kJson}, // another extension is kept
    };
    for (const SCase& target : cases) {
        SCOPED_TRACE(target.name.toStdString() + " with " + target.filter.toStdString());
        const SSaveTarget resolved = ResolveSaveTarget(target.name, target.filter, target.current);
        EXPECT_EQ(resolved.path, target.path);
        EXPECT_EQ(resolved.format, target.format);
        EXPECT_EQ(resolved.bExtensionAdded, target.name != target.path);
    }

    // The dialog itself: a name without an extension and the JSON filter, on a binary document.
    ASSERT_TRUE(m_window.OpenDocument(m_path));
    ASSERT_TRUE(m_window.SaveDocumentAs(m_dir.filePath(QStringLiteral("beam.svc"))));
    ASSERT_EQ(m_window.GetFormat(), kBinary);
    const QString typed = m_dir.filePath(QStringLiteral("typed"));
    {
        CModalScript<QFileDialog> script([&](QFileDialog& dialog) {
            dialog.selectNameFilter(json);
            dialog.selectFile(typed);
            // As the Save button does (accept is not public).
            QMetaObject::invokeMethod(&dialog, "accept", Qt::DirectConnection);
        });
        Trigger("actionSaveAs");
    }
    EXPECT_EQ(m_window.GetPath(), typed + QStringLiteral(".json"));
    EXPECT_EQ(m_window.GetFormat(), kJson);
    EXPECT_FALSE(QFile::exists(typed));
    EXPECT_TRUE(FileBytes(typed + QStringLiteral(".json")).startsWith("{"));
}

TEST_F(EditorMainWindowTest, OkInTheCorrelationDialogChangesOnlyWhatWasChanged) {
    ASSERT_TRUE(m_window.OpenDocument(m_path));
    const std::vector<SDocumentCorrelation> given = Correlations(*m_window.GetDocument());
    const auto runDialog = [this](std::function<void(CCorrelationCtrl&)> edit) {
        CModalScript<CDlgCorrelationMatrix> script([&edit](CDlgCorrelationMatrix& dlg) {
            edit(*dlg.GetGrid());
            Control<QPushButton>(&dlg, IDC_OK)->click();
        });
        Control<QPushButton>(&Sheet(), IDC_CORRELATION)->click();
    };
    runDialog([](CCorrelationCtrl&) {});
    EXPECT_FALSE(m_window.IsModified());
    EXPECT_EQ(Correlations(*m_window.GetDocument()), given);

    // A new pair is added after the given ones; the pairs left at 0 are not.
    runDialog([](CCorrelationCtrl& grid) {
        grid.SetValue(1, 5, QStringLiteral("0.25"));
        grid.SetValue(5, 1, QStringLiteral("0.25"));
    });
    std::vector<SDocumentCorrelation> expected = given;
    expected.push_back({0, 4, TRUE, 0.25});
    EXPECT_EQ(Correlations(*m_window.GetDocument()), expected);
    EXPECT_TRUE(m_window.IsModified());
}

TEST_F(EditorMainWindowTest, TheTitleShowsUnsavedChanges) {
    ASSERT_TRUE(m_window.OpenDocument(m_path));
    EXPECT_EQ(m_window.windowTitle(),
              QStringLiteral("beam.json[*] - ") + QApplication::applicationDisplayName());
    EXPECT_FALSE(m_window.isWindowModified());
    EditG(QStringLiteral("11"), QStringLiteral("0.7"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_window.isWindowModified()) << "after typing";
    {
        const CNoModalGuard guard;
        Trigger("actionSave");
    }
    EXPECT_FALSE(m_window.isWindowModified());
    RenameShown(m_window, QStringLiteral("G1"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_window.isWindowModified()) << "after renaming";
    RenameShown(m_window, QStringLiteral("G"));
    QCoreApplication::processEvents();
    EXPECT_FALSE(m_window.isWindowModified()) << "the saved name again";
}

TEST_F(EditorMainWindowTest, TheWindowFitsTheAvailableScreen) {
    // A fresh window, on whatever screen the test runs (also a small, scaled one): the window
    // and the chart's Axis button lie within the screen's available area.
    CEditorMainWindow window;
    ASSERT_TRUE(window.OpenDocument(m_path));
    window.show();
    QCoreApplication::processEvents();
    const QRect available = window.screen()->availableGeometry();
    EXPECT_TRUE(available.contains(window.frameGeometry()))
        << "window " << window.frameGeometry().width() << "x" << window.frameGeometry().height()
        << ", available " << available.width() << "x" << available.height();
    auto* pAxis = Control<QPushButton>(window.GetSheet()->GetPageCont(), IDC_AXIS);
    const QRect axis(pAxis->mapToGlobal(QPoint(0, 0)), pAxis->size());
    EXPECT_TRUE(pAxis->isVisible());
    EXPECT_TRUE(available.contains(axis));
    const QWidget* pViewport =
        window.centralWidget()->findChild<QWidget*>(QStringLiteral("qt_scrollarea_viewport"));
    ASSERT_NE(pViewport, nullptr);
    EXPECT_TRUE(QRect(pViewport->mapToGlobal(QPoint(0, 0)), pViewport->size()).contains(axis))
        << "not scrolled out of sight";
}

} // namespace
} // namespace stochvar
