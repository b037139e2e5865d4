#include "stochvar-editor/EditorMainWindow.h"

#include "stochvar-editor/HostPropertySheet.h"
#include "stochvar-editor/SaveCheck.h"
#include "stochvar-editor/SaveTarget.h"

#include <stochvar/documents/DocumentError.h>
#include <stochvar/documents/ReadinessReport.h>
#include <stochvar/editor/TextConversion.h>
#include <stochvar/families/Normal.h>
#include <stochvar/model/Dist.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

namespace stochvar {

namespace {

constexpr int kStatusTimeout = 5000; // ms
// The size the window would like, and what it leaves of the screen for the frame and panels.
constexpr QSize kPreferredSize(1040, 560);
constexpr QSize kFrameAllowance(16, 48);
// Problems listed in the save question; the rest are counted.
constexpr std::size_t kMaxListedProblems = 8;

QAction* AddAction(QMenu* pMenu, const QString& text, const char* pszName,
                   QKeySequence::StandardKey key) {
    QAction* pAction = pMenu->addAction(text);
    pAction->setObjectName(QString::fromLatin1(pszName));
    pAction->setShortcut(key);
    return pAction;
}

std::string ToPathString(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString ToQt(const std::string& text) { return QString::fromStdString(text); }

QString ListOfProblems(const std::vector<SSaveProblem>& problems) {
    QStringList lines;
    for (std::size_t i = 0; i < problems.size() && i < kMaxListedProblems; ++i) {
        lines.append(QStringLiteral("\u2022 ") + ToQt(problems[i].strText));
    }
    if (problems.size() > kMaxListedProblems) {
        lines.append(QStringLiteral("and %1 more").arg(problems.size() - kMaxListedProblems));
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

CEditorMainWindow::CEditorMainWindow(QWidget* pParent)
    : QMainWindow(pParent), m_pScrollArea(new QScrollArea(this)),
      m_pSheetHost(new QWidget(m_pScrollArea)), m_pEmptyGuide(new QWidget(m_pSheetHost)) {
    auto* pHostLayout = new QVBoxLayout(m_pSheetHost);
    pHostLayout->setContentsMargins(0, 0, 0, 0);
    // An empty document has nothing to edit yet: the sheet's controls are disabled, and this
    // line shows the way to the first variable.
    auto* pGuideLayout = new QHBoxLayout(m_pEmptyGuide);
    pGuideLayout->addWidget(
        new QLabel(QStringLiteral("The collection has no variables yet."), m_pEmptyGuide));
    auto* pAddFirst = new QPushButton(QStringLiteral("&Add Variable"), m_pEmptyGuide);
    pAddFirst->setObjectName(QStringLiteral("addFirstVariable"));
    pGuideLayout->addWidget(pAddFirst);
    pGuideLayout->addStretch(1);
    pHostLayout->addWidget(m_pEmptyGuide);
    connect(pAddFirst, &QPushButton::clicked, this, &CEditorMainWindow::AddVariable);
    // The sheet grows with the window; below its minimum size the area scrolls.
    m_pScrollArea->setWidgetResizable(true);
    m_pScrollArea->setFrameShape(QFrame::NoFrame);
    m_pScrollArea->setWidget(m_pSheetHost);
    setCentralWidget(m_pScrollArea);

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
    connect(AddAction(pVariable, QStringLiteral("&Remove Variable..."), "actionRemoveVariable",
                      QKeySequence::UnknownKey),
            &QAction::triggered, this, &CEditorMainWindow::OnRemoveVariable);

    statusBar();
    InstallMessageNaming();
    NewDocument();
    FitToScreen();
}

CEditorMainWindow::~CEditorMainWindow() {
    // The sheet goes before the variables it shows.
    DeleteSheet();
}

CDistPropertySheet* CEditorMainWindow::GetSheet() const { return m_pSheet; }

void CEditorMainWindow::InstallMessageNaming() {
    SHostHooks hooks = GetHostHooks();
    std::function<int(const CString&, UINT)> show =
        hooks.messageBox ? hooks.messageBox : DefaultHostHooks().messageBox;
    hooks.messageBox = [this, show](const CString& text, UINT nStyle) {
        return show(NameTheVariable(text), nStyle);
    };
    m_pMessageHooks = std::make_unique<CScopedHostHooks>(std::move(hooks));
}

CString CEditorMainWindow::NameTheVariable(const CString& text) const {
    // Messages about correlations name their pair themselves.
    const CDist* pDist = m_pSheet != nullptr ? m_pSheet->GetCurrentDist() : nullptr;
    if (pDist == nullptr || m_bCheckingCorrelations || m_pSheet->IsEditingCorrelations()) {
        return text;
    }
    const std::string strSubject = VariableSubject(*pDist, m_pSheet->GetCurrentIndex()) + ": ";
    std::string strText = text.str();
    // After the "ERROR:" or "WARNING:" line, where the message itself begins.
    const std::size_t nLineEnd = strText.find('\n');
    const bool bTagged = strText.starts_with("ERROR:\n") || strText.starts_with("WARNING:\n");
    strText.insert(bTagged ? nLineEnd + 1 : 0, strSubject);
    return CString(strText.c_str());
}

void CEditorMainWindow::FitToScreen() {
    QSize size = kPreferredSize.expandedTo(m_pSheetHost->minimumSizeHint());
    if (const QScreen* pScreen = screen()) {
        size = size.boundedTo(pScreen->availableGeometry().size() - kFrameAllowance);
    }
    resize(size);
}

void CEditorMainWindow::DeleteSheet() {
    delete m_pSheet;
    m_pSheet = nullptr;
}

void CEditorMainWindow::SetDocument(std::unique_ptr<CCollectionDocument> pDocument,
                                    const QString& path, EDocumentFormat format) {
    // The sheet goes before the variables it shows.
    DeleteSheet();
    m_pDocument = std::move(pDocument);
    m_path = path;
    m_format = format;

    RebuildSheet(0);
    SetModified(false);
}

void CEditorMainWindow::RebuildSheet(int nIndex) {
    DeleteSheet();
    m_pSheet = new CHostPropertySheet(*m_pDocument);
    m_pSheet->Create(m_pSheetHost, &m_pDocument->GetCollection());
    m_pSheetHost->layout()->addWidget(m_pSheet);
    connect(m_pSheet, &CDistPropertySheet::collectionModified, this, [this] { SetModified(true); });
    if (nIndex > 0) {
        m_pSheet->SelectVariable(nIndex);
    }
    const bool bEmpty = m_pDocument->GetVariableCount() == 0;
    m_pEmptyGuide->setVisible(bEmpty);
    if (bEmpty) {
        m_pEmptyGuide->findChild<QPushButton*>()->setFocus();
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
    SetModified(true);
}

void CEditorMainWindow::RemoveVariable() {
    const int nIndex = m_pSheet->GetCurrentIndex();
    if (m_pSheet->GetCurrentDist() == nullptr) {
        return;
    }
    // The sheet lets go of the variable before it is deleted.
    DeleteSheet();
    m_pDocument->RemoveVariable(nIndex);
    RebuildSheet(std::min(nIndex, m_pDocument->GetVariableCount() - 1));
    SetModified(true);
}

void CEditorMainWindow::OnRemoveVariable() {
    const CDist* pDist = m_pSheet->GetCurrentDist();
    if (pDist == nullptr) {
        return;
    }
    const int nIndex = m_pSheet->GetCurrentIndex();
    int nCorrelations = 0;
    for (int k = 0; k < m_pDocument->GetCorrelationCount(); ++k) {
        const SCorr& corr = m_pDocument->GetCorrelation(k);
        nCorrelations += corr.nIndex1 == nIndex || corr.nIndex2 == nIndex ? 1 : 0;
    }
    QString text =
        QStringLiteral("Remove the variable %1").arg(ToQt(VariableSubject(*pDist, nIndex)));
    if (nCorrelations > 0) {
        text += nCorrelations == 1 ? QStringLiteral(" and its correlation")
                                   : QStringLiteral(" and its %1 correlations").arg(nCorrelations);
    }
    text += QLatin1Char('?');
    if (QMessageBox::question(this, QStringLiteral("Remove Variable"), text,
                              QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::No) == QMessageBox::Yes) {
        RemoveVariable();
    }
}

void CEditorMainWindow::NewDocument(const QString& path) {
    // JSON unless the name asks for the binary form.
    const bool bBinary =
        QFileInfo(path).suffix().compare(QStringLiteral("svc"), Qt::CaseInsensitive) == 0;
    SetDocument(std::make_unique<CCollectionDocument>(), path,
                bBinary ? EDocumentFormat::binary : EDocumentFormat::json);
}

void CEditorMainWindow::Start(const QString& path) {
    show();
    if (path.isEmpty()) {
        return;
    }
    if (QFileInfo::exists(path)) {
        // A document that cannot be read is reported; the window stays empty.
        OpenDocument(path);
    } else {
        NewDocument(path);
    }
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
        ShowError(QStringLiteral("Open"), ToQt(error.what()));
        return false;
    }
    const EDocumentFormat format = FormatFromContents(view).value_or(FormatFromFileName(strPath));
    // What reading corrected, then what stands in the way of sampling it.
    QStringList warnings;
    for (const std::string& strWarning : pDocument->m_warnings) {
        warnings.append(ToQt(strWarning));
    }
    const CReadinessReport report(*pDocument);
    for (const SReadinessFinding& finding : report.GetFindings()) {
        warnings.append(ToQt(strPath + ": " + finding.strSubject + ": " + finding.strReason));
    }
    SetDocument(std::move(pDocument), path, format);
    if (!warnings.isEmpty()) {
        QMessageBox::warning(this, QStringLiteral("Open"), warnings.join(QLatin1Char('\n')));
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

bool CEditorMainWindow::SaveDocumentAs(const QString& path, EDocumentFormat format) {
    return WriteTo(path, format);
}

bool CEditorMainWindow::SaveDocumentAs(const QString& path) {
    return SaveDocumentAs(path, FormatFromFileName(ToPathString(path)));
}

bool CEditorMainWindow::ReadyToWrite(EDocumentFormat format) {
    const std::vector<SCorr> before = m_pDocument->CopyCorrelations();
    const bool bModifiedBefore = m_bModified;
    // Re-points the reference slots and checks every correlation; the library reports each
    // correction itself (and the sheet reports it as a change), and the check below names it
    // again with the others.
    m_bCheckingCorrelations = true;
    m_pSheet->OnOK();
    m_bCheckingCorrelations = false;
    const CSaveCheck check(*m_pDocument, before, format);
    if (check.IsClean() || AskAboutProblems(check)) {
        return true;
    }
    // Nothing is kept from a save the user did not go on with: the corrections are the user's
    // to accept, and the next save asks again.
    RestoreCorrelations(before);
    SetModified(bModifiedBefore);
    return false;
}

void CEditorMainWindow::RestoreCorrelations(const std::vector<SCorr>& before) {
    CDistCollection& collection = m_pDocument->GetCollection();
    const int nCount = std::min(collection.m_Corrs.GetCount(), static_cast<int>(before.size()));
    for (int k = 0; k < nCount; ++k) {
        SCorr& corr = *collection.m_Corrs[k];
        const SCorr& old = before[static_cast<std::size_t>(k)];
        corr.dCorrX = old.dCorrX;
        corr.dCorrU = old.dCorrU;
        corr.bXSpace = old.bXSpace;
    }
}

bool CEditorMainWindow::AskAboutProblems(const CSaveCheck& check) {
    const std::vector<SSaveProblem>& problems = check.GetProblems();
    QMessageBox box(
        QMessageBox::Warning, QStringLiteral("Save"),
        problems.size() == 1
            ? QStringLiteral("Not saved yet: the collection has a problem.")
            : QStringLiteral("Not saved yet: the collection has %1 problems.").arg(problems.size()),
        QMessageBox::NoButton, this);
    box.setInformativeText(
        ListOfProblems(problems) + QStringLiteral("\n\n") +
        (check.WillOpen() ? QStringLiteral("Saved as it is, the file opens again.")
                          : QStringLiteral("Saved as it is, the file could not be opened again: "
                                           "fix it first.")));

    const SSaveProblem* pGoTo = check.GetFirstToShow();
    QPushButton* pGoToButton = nullptr;
    if (pGoTo != nullptr && m_pDocument->GetVariable(pGoTo->nVariable) != nullptr) {
        const CDist& dist = *m_pDocument->GetVariable(pGoTo->nVariable);
        QString target = ToQt(VariableSubject(dist, pGoTo->nVariable));
        // A name that an earlier variable has does not say which of them is meant.
        if (m_pDocument->FindVariable(dist.m_strVarName.str()) != pGoTo->nVariable) {
            target += QStringLiteral(" (variable %1)").arg(pGoTo->nVariable + 1);
        }
        pGoToButton =
            box.addButton(QStringLiteral("Go to %1").arg(target), QMessageBox::ActionRole);
        pGoToButton->setObjectName(QStringLiteral("goTo"));
    }
    QPushButton* pSaveAnyway = nullptr;
    if (check.WillOpen()) {
        pSaveAnyway = box.addButton(QStringLiteral("Save Anyway"), QMessageBox::AcceptRole);
        pSaveAnyway->setObjectName(QStringLiteral("saveAnyway"));
    }
    QPushButton* pCancel = box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(pGoToButton != nullptr ? pGoToButton : pCancel);
    box.exec();

    // The variable shown is there already: selecting it again would only repeat its problem.
    if (pGoToButton != nullptr && box.clickedButton() == pGoToButton &&
        pGoTo->nVariable != m_pSheet->GetCurrentIndex()) {
        m_pSheet->SelectVariable(pGoTo->nVariable);
    }
    return pSaveAnyway != nullptr && box.clickedButton() == pSaveAnyway;
}

bool CEditorMainWindow::WriteTo(const QString& path, EDocumentFormat format) {
    if (!ReadyToWrite(format)) {
        statusBar()->showMessage(QStringLiteral("Not saved"), kStatusTimeout);
        return false;
    }
    try {
        stochvar::SaveDocument(*m_pDocument, ToPathString(path), format);
    } catch (const CDocumentError& error) {
        ShowError(QStringLiteral("Save"), ToQt(error.what()));
        return false;
    }
    m_path = path;
    m_format = format;
    SetModified(false);
    statusBar()->showMessage(QStringLiteral("Saved %1").arg(QFileInfo(path).fileName()),
                             kStatusTimeout);
    return true;
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
                                                      QFileInfo(m_path).path(), OpenFilters());
    if (!path.isEmpty()) {
        OpenDocument(path);
    }
}

void CEditorMainWindow::OnSave() { SaveDocument(); }

void CEditorMainWindow::OnSaveAs() { SaveAsWithDialog(); }

bool CEditorMainWindow::SaveAsWithDialog() {
    QString filter = FilterFor(m_format);
    const QString chosen = QFileDialog::getSaveFileName(this, QStringLiteral("Save collection"),
                                                        m_path, SaveFilters(), &filter);
    if (chosen.isEmpty()) {
        return false;
    }
    const SSaveTarget target = ResolveSaveTarget(chosen, filter, m_format);
    // The dialog asked about replacing the name it was given, not the one with the extension.
    if (target.bExtensionAdded && QFileInfo::exists(target.path) &&
        QMessageBox::question(this, QStringLiteral("Save collection"),
                              QStringLiteral("%1 already exists. Do you want to replace it?")
                                  .arg(QFileInfo(target.path).fileName()),
                              QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::No) != QMessageBox::Yes) {
        return false;
    }
    return SaveDocumentAs(target.path, target.format);
}

void CEditorMainWindow::closeEvent(QCloseEvent* pEvent) {
    if (ConfirmDiscard()) {
        pEvent->accept();
    } else {
        pEvent->ignore();
    }
}

void CEditorMainWindow::SetModified(bool bModified) {
    m_bModified = bModified;
    UpdateTitle();
}

void CEditorMainWindow::UpdateTitle() {
    const QString name =
        m_path.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(m_path).fileName();
    setWindowTitle(QStringLiteral("%1[*] - %2").arg(name, QApplication::applicationDisplayName()));
    setWindowModified(m_bModified);
}

void CEditorMainWindow::ShowError(const QString& title, const QString& text) {
    QMessageBox::critical(this, title, text);
}

} // namespace stochvar
