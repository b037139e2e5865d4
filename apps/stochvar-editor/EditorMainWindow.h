#pragma once

// CEditorMainWindow: the desktop host. It holds one collection document, shows it in the
// property sheet embedded as the window's central widget (in a scroll area, so that the window
// fits any screen at any scale), and opens and saves documents through the document code that
// the command-line host uses, in either form (JSON or binary).
//
// The document keeps the form it was read in. Save As takes the form from the name's extension
// (".json" JSON, ".svc" binary); a name without one gets the extension of the chosen filter.
//
// Every save (Save, Save As, the save offered before closing) first confirms the sheet (every
// reference slot re-pointed, every correlation checked and, where needed, corrected), then runs
// the document as it would be written through the reading that opening it runs (CSaveCheck). Any
// problem is shown with the variable or pair it concerns and an offer to go there; nothing is
// written unless the user chooses Save Anyway, which is offered only when the file would open
// again. A save that does not go on keeps nothing of its confirmation: corrected correlations
// get their values back.
//
// A document is opened also when it cannot be sampled (correlations that do not form a positive
// definite matrix, for one): a warning says why, so that it can be repaired here.
//
// The library's message boxes about the variable shown (a value refused, a set of values that does
// not fit) name it: "ERROR:\nG: StdDev is less than (or equal to) 0". Those about correlations
// name their pair themselves.
//
// The Variable menu adds a normal variable or removes the one shown (with its correlations,
// after a confirmation).
//
// The document counts as modified from the first edit that changes it (the sheet reports each
// one; adding and removing variables are the window's own) until it is written; the title shows
// it ("[*]"). An edit undone by hand still counts. Before a modified document is replaced or the
// window closes, the user is asked whether to save it.

#include <stochvar/documents/CollectionDocument.h>
#include <stochvar/documents/DocumentFile.h>
#include <stochvar/module/HostHooks.h>

#include <QMainWindow>
#include <QString>

#include <memory>
#include <vector>

class QScrollArea;

namespace stochvar {

class CDistPropertySheet;
class CHostPropertySheet;
class CSaveCheck;

class CEditorMainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit CEditorMainWindow(QWidget* pParent = nullptr);
    ~CEditorMainWindow() override;

    CEditorMainWindow(const CEditorMainWindow&) = delete;
    CEditorMainWindow& operator=(const CEditorMainWindow&) = delete;

    // The document operations without file dialogs and without the question about unsaved
    // changes (the menu commands add both). Saving still checks the document and asks about
    // what it finds.
    // Reads the file in place of the current document; false, with a message box saying why,
    // when it cannot be read (the current document stays).
    bool OpenDocument(const QString& path);
    // An empty document, to be saved under the path (none: Save asks for one), as JSON unless
    // the path ends in ".svc".
    void NewDocument(const QString& path = QString());
    // Shows the window, then opens the file given at start, or a new document of that name when
    // there is no such file: what opening reports comes above the window, not before it.
    void Start(const QString& path);
    // Saves to the current path in the document's form; false when nothing was written.
    bool SaveDocument();
    // Saves under the path in the given form, or in the form its name calls for; the path
    // becomes the current one.
    bool SaveDocumentAs(const QString& path, EDocumentFormat format);
    bool SaveDocumentAs(const QString& path);

    // Appends a normal variable with a name not yet taken ("X1", "X2", ...) and shows it.
    void AddVariable();
    // Removes the variable shown, with its correlations, without asking.
    void RemoveVariable();

    // Whether the document was changed since it was read, made or last written.
    bool IsModified() const { return m_bModified; }
    // Asks what to do with unsaved changes; true when the caller may go on (saved or
    // discarded), false when the user cancelled or the save failed. No question when unchanged.
    bool ConfirmDiscard();

    CCollectionDocument* GetDocument() const { return m_pDocument.get(); }
    CDistPropertySheet* GetSheet() const;
    const QString& GetPath() const { return m_path; }
    EDocumentFormat GetFormat() const { return m_format; }

protected:
    void closeEvent(QCloseEvent* pEvent) override;

private:
    void OnNew();
    void OnOpen();
    void OnSave();
    void OnSaveAs();
    void OnRemoveVariable();
    // Asks for a file name and saves under it; false when cancelled or not written.
    bool SaveAsWithDialog();

    void SetDocument(std::unique_ptr<CCollectionDocument> pDocument, const QString& path,
                     EDocumentFormat format);
    // A new sheet on the document (its backup taken afresh), showing variable nIndex.
    void RebuildSheet(int nIndex);
    void DeleteSheet();
    // Confirms the sheet and checks the document; true when it may be written: nothing was
    // found, or the user chose to save anyway.
    bool ReadyToWrite(EDocumentFormat format);
    // Puts back the correlation values that confirming the sheet corrected.
    void RestoreCorrelations(const std::vector<SCorr>& before);
    // Shows the problems; true for Save Anyway. Go to shows the variable of the first problem
    // that stops opening (else of the first problem).
    bool AskAboutProblems(const CSaveCheck& check);
    bool WriteTo(const QString& path, EDocumentFormat format);
    void SetModified(bool bModified);
    void UpdateTitle();
    // The window's first size: what the sheet would like, within the screen's available area.
    void FitToScreen();
    void ShowError(const QString& title, const QString& text);
    // Puts a message box hook over the one in force that names the variable shown in the
    // library's messages about it, for as long as the window lives.
    void InstallMessageNaming();
    CString NameTheVariable(const CString& text) const;

    std::unique_ptr<CCollectionDocument> m_pDocument;
    CHostPropertySheet* m_pSheet = nullptr;
    QScrollArea* m_pScrollArea;
    QWidget* m_pSheetHost;
    QWidget* m_pEmptyGuide; // shown while the document has no variables
    QString m_path;
    EDocumentFormat m_format = EDocumentFormat::json;
    bool m_bModified = false;
    // While the sheet is confirmed for a save: its messages are about correlations.
    bool m_bCheckingCorrelations = false;
    std::unique_ptr<CScopedHostHooks> m_pMessageHooks;
};

} // namespace stochvar
