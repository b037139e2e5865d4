// The desktop host on copies of the example documents: a parameter edited in the embedded sheet
// is saved through the document code and read back with the same values, in either form; the
// question before unsaved changes are dropped; documents that must not be written or cannot be
// read.

#include "stochvar-editor/EditorMainWindow.h"

#include "editor/EditorTestSupport.h"

#include <stochvar/documents/DocumentFile.h>
#include <stochvar/editor/DistPageCont.h>
#include <stochvar/editor/DistPropertySheet.h>

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

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
    EXPECT_EQ(Sheet().parentWidget(), m_window.centralWidget());
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
    const QString binaryPath = m_dir.filePath(QStringLiteral("beam.stv"));
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

TEST_F(EditorMainWindowTest, NothingIsWrittenWhileAVariableOrACorrelationIsNotInOrder) {
    ASSERT_TRUE(m_window.OpenDocument(m_path));
    const QByteArray original = FileBytes(m_path);

    // W (normal by /MEAN/COV) with a mean of 0 fails its check and could not be read again.
    CDist& w = *m_window.GetDocument()->GetVariable(1);
    w.SetParamValue(PARAM_MEAN, 0.0);
    {
        CModalScript<QMessageBox> script([](QMessageBox& box) {
            EXPECT_EQ(box.text(), QStringLiteral("Not saved: W: Mean value must be different from "
                                                 "0 when CoV is given as input."));
            box.button(QMessageBox::Ok)->click();
        });
        EXPECT_FALSE(m_window.SaveDocument());
    }
    EXPECT_EQ(FileBytes(m_path), original);
    w.SetParamValue(PARAM_MEAN, 557.0);

    // G and Q (normal, Gumbel) admit no X-space correlation of 1: corrected with a warning,
    // then written by the next save.
    SCorr& corr = *m_window.GetDocument()->GetCollection().m_Corrs[0];
    ASSERT_EQ(corr.bXSpace, TRUE);
    corr.dCorrX = 1.0;
    const CNoModalGuard guard;
    EXPECT_FALSE(m_window.SaveDocument());
    ASSERT_EQ(m_hooks.messages().size(), 1U);
    EXPECT_EQ(m_hooks.messages()[0].rfind("WARNING:\nCorrelation specified between variable G and "
                                          "Q is too large",
                                          0),
              0U);
    EXPECT_EQ(FileBytes(m_path), original);
    EXPECT_LT(corr.dCorrX, 1.0);
    EXPECT_TRUE(m_window.SaveDocument());
    const std::unique_ptr<CCollectionDocument> pReread = LoadDocument(m_path.toStdString());
    EXPECT_EQ(pReread->GetCorrelation(0).dCorrX, corr.dCorrX);
}

TEST_F(EditorMainWindowTest, ADocumentThatCannotBeReadIsRefusedWithTheReason) {
    ASSERT_TRUE(m_window.OpenDocument(m_path));
    CCollectionDocument* pBefore = m_window.GetDocument();
    const QString badPath = m_dir.filePath(QStringLiteral("bad.json"));
    QFile bad(badPath);
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(R"({"variables": [{"name": "R", "type": "NORMAL", "input": "/MEAN/STDDEV",
                 "values": {"MEAN": 1, "STDDEV": -2}}]})");
    bad.close();

    QString shown;
    {
        CModalScript<QMessageBox> script([&shown](QMessageBox& box) {
            shown = box.text();
            box.button(QMessageBox::Ok)->click();
        });
        EXPECT_FALSE(m_window.OpenDocument(badPath));
    }
    EXPECT_TRUE(shown.startsWith(badPath + QStringLiteral(": R: "))) << shown.toStdString();
    EXPECT_EQ(m_window.GetDocument(), pBefore);
    EXPECT_EQ(m_window.GetPath(), m_path);

    {
        CModalScript<QMessageBox> script([&shown](QMessageBox& box) {
            shown = box.text();
            box.button(QMessageBox::Ok)->click();
        });
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

TEST_F(EditorMainWindowTest, VariablesAreAddedAndRemovedWithTheirCorrelations) {
    const CNoModalGuard guard;
    m_window.NewDocument(m_dir.filePath(QStringLiteral("new.json")));
    Trigger("actionAddVariable");
    Trigger("actionAddVariable");
    EXPECT_EQ(Names(*m_window.GetDocument()), (std::vector<std::string>{"X1", "X2"}));
    EXPECT_EQ(Sheet().GetCurrentIndex(), 1) << "the new variable is shown";
    EXPECT_EQ(Sheet().GetPageCont()->GetDist(), m_window.GetDocument()->GetVariable(1));
    EXPECT_EQ(m_window.GetDocument()->GetVariable(1)->m_nType, DIST_NORMAL);

    ASSERT_TRUE(m_window.OpenDocument(m_path));
    SelectVariable(2);
    Trigger("actionRemoveVariable");
    const CCollectionDocument& doc = *m_window.GetDocument();
    EXPECT_EQ(Names(doc), (std::vector<std::string>{"fy", "W", "Q", "L", "theta", "use"}));
    // G and Q were correlated, fy and W (before G) still are.
    EXPECT_EQ(Correlations(doc), (std::vector<SDocumentCorrelation>{{0, 1, FALSE, 0.3}}));
    EXPECT_EQ(Sheet().GetCurrentIndex(), 2);
    EXPECT_EQ(Sheet().GetCurrentDist(), doc.GetVariable(2));

    ASSERT_TRUE(Sheet().SelectVariable(0));
    Trigger("actionRemoveVariable");
    EXPECT_EQ(Names(doc), (std::vector<std::string>{"W", "Q", "L", "theta", "use"}));
    EXPECT_TRUE(Correlations(doc).empty());
    Trigger("actionAddVariable");
    EXPECT_EQ(Names(doc).back(), "X6");
    ASSERT_TRUE(m_window.SaveDocument());
    const std::unique_ptr<CCollectionDocument> pReread = LoadDocument(m_path.toStdString());
    EXPECT_EQ(Names(*pReread), Names(doc));
    EXPECT_EQ(pReread->GetCorrelationCount(), 0);
}

} // namespace
} // namespace stochvar
