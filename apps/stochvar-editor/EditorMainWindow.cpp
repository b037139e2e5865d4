#include "stochvar-editor/EditorMainWindow.h"

#include <stochvar/documents/DocumentError.h>
#include <stochvar/documents/JsonDocument.h>
#include <stochvar/editor/DistPropertySheet.h>
#include <stochvar/editor/TextConversion.h>
#include <stochvar/families/Normal.h>
#include <stochvar/model/Dist.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeySequence>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>

namespace stochvar {

namespace {

const QString kDocumentFilter =
    QStringLiteral("Collection documents (*.json *.stv);;JSON documents (*.json);;All files (*)");
const QString kSaveFilter =
    QStringLiteral("JSON documents (*.json);;Binary documents (*.stv);;All files (*)");
constexpr int kStatusTimeout = 5000; // ms

QAction* AddAction(QMenu* pMenu, const QString& text, const char* pszName,
                   QKeySequence::StandardKey key) {
    QAction* pAction = pMenu->addAction(text);
    pAction->setObjectName(QString::fromLatin1(pszName));
    pAction->setShortcut(key);
    return pAction;
}

std::string ToPathString(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

} // namespace

CEditorMainWindow::CEditorMainWindow(QWidget* pParent)
    : QMainWindow(pParent), m_pSheetHost(new QWidget(this)) {
    auto* pHostLayout = new QVBoxLayout(m_pSheetHost);
    pHostLayout->setContentsMargins(0, 0, 0, 0);
    setCentralWidget(m_pSheetHost);

    QMenu* pFile = menuBar()->addMenu(QStringLiteral("&File"));
    connect(AddAction(pFile, QStringLiteral("&New"), "actionNew", QKeySequence::New),
            &QAction::triggered, this, &CEditorMainWindow::OnNew);
    connect(AddAction(pFile, QStringLiteral("&Open..."), "actionOpen", QKeySequence::Open),
            &QAction::triggered, this, &CEditorMainWindow::OnOpen);
    connect(AddAction(pFile, QStringLiteral("&Save"), "actionSave", QKeySequence::Save),
            &QAction::triggered, this, &CEditorMainWindow::OnSave);
    connect(AddAction(pFile, QStringLiteral("Save &As..."), "actionSaveAs", QKeySequence::SaveAs),
            &QAction::triggered, this, &CEditorMainWindow::OnSaveAs);
    pFile->addSeparator();
    connect(AddAction(pFile, QStringLiteral("&Quit"), "actionQuit", QKeySequence::Quit),
            &QAction::triggered, this, &QWidget::close);

    QMenu* pVariable = menuBar()->addMenu(QStringLiteral("&Variable"));
    connect(AddAction(pVariable, QStringLiteral("&Add Variable"), "actionAddVariable",
                      QKeySequence::UnknownKey),
            &QAction::triggered, this, &CEditorMainWindow::AddVariable);
    connect(AddAction(pVariable, QStringLiteral("&Remove Variable"), "actionRemoveVariable",
                      QKeySequence::UnknownKey),
            &QAction::triggered, this, &CEditorMainWindow::RemoveVariable);

    statusBar();
    NewDocument();
    resize(1040, 560);
}

CEditorMainWindow::~CEditorMainWindow() {
    // The sheet goes before the variables it shows.
    delete m_pSheet;
    m_pSheet = nullptr;
}

void CEditorMainWindow::SetDocument(std::unique_ptr<CCollectionDocument> pDocument,
                                    const QString& path, EDocumentFormat format) {
    // The sheet goes before the variables it shows.
    delete m_pSheet;
    m_pSheet = nullptr;
    m_pDocument = std::move(pDocument);
    m_path = path;
    m_format = format;
    m_strSavedSnapshot = Snapshot();

    RebuildSheet(0);
    UpdateTitle();
}

void CEditorMainWindow::RebuildSheet(int nIndex) {
    delete m_pSheet;
    m_pSheet = new CDistPropertySheet(&m_pDocument->GetCollection());
    m_pSheet->Create(m_pSheetHost, &m_pDocument->GetCollection());
    m_pSheetHost->layout()->addWidget(m_pSheet);
    if (nIndex > 0) {
        m_pSheet->SelectVariable(nIndex);
    }
}

void CEditorMainWindow::AddVariable() {
    QString name;
    for (int n = m_pDocument->GetVariableCount() + 1; name.isEmpty(); ++n) {
        const QString candidate = QStringLiteral("X%1").arg(n);
        if (m_pDocument->FindVariable(candidate.toStdString()) < 0) {
            name = candidate;
        }
    }
    m_pDocument->AddVariable(std::make_unique<CNormal>(nullptr, ToCString(name), nullptr));
    RebuildSheet(m_pDocument->GetVariableCount() - 1);
}

void CEditorMainWindow::RemoveVariable() {
    const int nIndex = m_pSheet->GetCurrentIndex();
    if (m_pSheet->GetCurrentDist() == nullptr) {
        return;
    }
    // The sheet lets go of the variable before it is deleted.
    delete m_pSheet;
    m_pSheet = nullptr;
    m_pDocument->RemoveVariable(nIndex);
    RebuildSheet(std::min(nIndex, m_pDocument->GetVariableCount() - 1));
}

void CEditorMainWindow::NewDocument(const QString& path) {
    SetDocument(std::make_unique<CCollectionDocument>(), path,
                FormatFromFileName(ToPathString(path)));
}

bool CEditorMainWindow::OpenDocument(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ShowError(QStringLiteral("Open"),
                  QStringLiteral("%1: cannot open: %2").arg(path, file.errorString()));
        return false;
    }
    const QByteArray bytes = file.readAll();
    const std::string_view view(bytes.constData(), static_cast<size_t>(bytes.size()));
    const std::string strPath = ToPathString(path);
    std::unique_ptr<CCollectionDocument> pDocument;
    try {
        pDocument = ReadDocument(view, strPath);
    } catch (const CDocumentError& error) {
        ShowError(QStringLiteral("Open"), QString::fromStdString(error.what()));
        return false;
    }
    const EDocumentFormat format = FormatFromContents(view).value_or(FormatFromFileName(strPath));
    const std::vector<std::string> warnings = pDocument->m_warnings;
    SetDocument(std::move(pDocument), path, format);
    if (!warnings.empty()) {
        QStringList lines;
        for (const std::string& strWarning : warnings) {
            lines.append(QString::fromStdString(strWarning));
        }
        QMessageBox::warning(this, QStringLiteral("Open"), lines.join(QLatin1Char('\n')));
    }
    statusBar()->showMessage(QStringLiteral("Opened %1").arg(QFileInfo(path).fileName()),
                             kStatusTimeout);
    return true;
}

bool CEditorMainWindow::SaveDocument() {
    if (m_path.isEmpty()) {
        return SaveAsWithDialog();
    }
    return WriteTo(m_path, m_format);
}

bool CEditorMainWindow::SaveDocumentAs(const QString& path) {
    return WriteTo(path, FormatFromFileName(ToPathString(path)));
}

bool CEditorMainWindow::ReadyToWrite() {
    if (m_pSheet->OnOK() == 0) {
        statusBar()->showMessage(
            QStringLiteral("Not saved: correlations were corrected; check them and save again."),
            kStatusTimeout);
        return false;
    }
    // A variable that fails its own check would make the document unreadable.
    const CDistCollection& collection = m_pDocument->GetCollection();
    for (int i = 0; i < collection.GetCount(); ++i) {
        CDist* pDist = collection.GetDist(i);
        if (pDist == nullptr) {
            continue;
        }
        CDistStatus status = pDist->CheckCombination(pDist->m_nParamCombi);
        if (!status.IsOk()) {
            ShowError(QStringLiteral("Save"),
                      QStringLiteral("Not saved: %1: %2")
                          .arg(QString::fromStdString(VariableSubject(*pDist, i)),
                               QString::fromUtf8(status.m_strMessage.GetString())));
            return false;
        }
    }
    return true;
}

bool CEditorMainWindow::WriteTo(const QString& path, EDocumentFormat format) {
    if (!ReadyToWrite()) {
        return false;
    }
    try {
        stochvar::SaveDocument(*m_pDocument, ToPathString(path), format);
    } catch (const CDocumentError& error) {
        ShowError(QStringLiteral("Save"), QString::fromStdString(error.what()));
        return false;
    }
    m_path = path;
    m_format = format;
    m_strSavedSnapshot = Snapshot();
    UpdateTitle();
    statusBar()->showMessage(QStringLiteral("Saved %1").arg(QFileInfo(path).fileName()),
                             kStatusTimeout);
    return true;
}

std::string CEditorMainWindow::Snapshot() const {
    try {
        return WriteJsonDocument(*m_pDocument);
    } catch (const CDocumentError&) {
        return std::string();
    }
}

bool CEditorMainWindow::IsModified() const {
    const std::string strNow = Snapshot();
    return strNow.empty() || strNow != m_strSavedSnapshot;
}

bool CEditorMainWindow::ConfirmDiscard() {
    if (!IsModified()) {
        return true;
    }
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Unsaved changes"),
                    QStringLiteral("The collection has unsaved changes."),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    box.setInformativeText(QStringLiteral("Do you want to save them?"));
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
    case QMessageBox::Save:
        return SaveDocument();
    case QMessageBox::Discard:
        return true;
    default:
        return false;
    }
}

void CEditorMainWindow::OnNew() {
    if (ConfirmDiscard()) {
        NewDocument();
    }
}

void CEditorMainWindow::OnOpen() {
    if (!ConfirmDiscard()) {
        return;
    }
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Open collection"),
                                                      QFileInfo(m_path).path(), kDocumentFilter);
    if (!path.isEmpty()) {
        OpenDocument(path);
    }
}

void CEditorMainWindow::OnSave() {
    SaveDocument();
}

void CEditorMainWindow::OnSaveAs() {
    SaveAsWithDialog();
}

bool CEditorMainWindow::SaveAsWithDialog() {
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Save collection"), m_path, kSaveFilter);
    return !path.isEmpty() && SaveDocumentAs(path);
}

void CEditorMainWindow::closeEvent(QCloseEvent* pEvent) {
    if (ConfirmDiscard()) {
        pEvent->accept();
    } else {
        pEvent->ignore();
    }
}

void CEditorMainWindow::UpdateTitle() {
    const QString name =
        m_path.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(m_path).fileName();
    setWindowTitle(QStringLiteral("%1 - %2").arg(name, QApplication::applicationDisplayName()));
}

void CEditorMainWindow::ShowError(const QString& title, const QString& text) {
    QMessageBox::critical(this, title, text);
}

} // namespace stochvar
