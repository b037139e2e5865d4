#pragma once

// CEditorMainWindow: the desktop host. It holds one collection document, shows it in the
// property sheet embedded as the window's central widget, and opens and saves documents through
// the document code that the command-line host uses, in either form (JSON or binary).
//
// The document keeps the form it was read in; Save As picks the form by the file name (".json"
// is JSON, anything else binary). Saving first confirms the sheet (every reference slot
// re-pointed, every correlation checked): when a correlation had to be corrected, or when a
// variable fails its combination check (such a document could not be read again), nothing is
// written and the user is told why.
//
// The Variable menu adds a normal variable or removes the one shown (with its correlations).
//
// Unsaved changes are found by comparing the document's JSON text with the text it had when it
// was opened or last saved. Before a document is replaced or the window closes, the user is asked
// whether to save them.

#include <stochvar/documents/CollectionDocument.h>
#include <stochvar/documents/DocumentFile.h>

#include <QMainWindow>
#include <QString>

#include <memory>
#include <string>

class QAction;

namespace stochvar {

class CDistPropertySheet;

class CEditorMainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit CEditorMainWindow(QWidget* pParent = nullptr);
    ~CEditorMainWindow() override;

    CEditorMainWindow(const CEditorMainWindow&) = delete;
    CEditorMainWindow& operator=(const CEditorMainWindow&) = delete;

    // The document operations without file dialogs and without the question about unsaved
    // changes (the menu commands add both).
    // Reads the file in place of the current document; false, with a message box saying why,
    // when it cannot be read (the current document stays).
    bool OpenDocument(const QString& path);
    // An empty document, to be saved under the path (none: Save asks for one).
    void NewDocument(const QString& path = QString());
    // Saves to the current path in the document's form; false when nothing was written.
    bool SaveDocument();
    // Saves under the path, in the form its name calls for; the path becomes the current one.
    bool SaveDocumentAs(const QString& path);

    // Appends a normal variable with a name not yet taken ("X1", "X2", ...) and shows it.
    void AddVariable();
    // Removes the variable shown, with its correlations.
    void RemoveVariable();

    // Whether the document differs from the file it was read from or last written to.
    bool IsModified() const;
    // Asks what to do with unsaved changes; true when the caller may go on (saved or
    // discarded), false when the user cancelled or the save failed. No question when unchanged.
    bool ConfirmDiscard();

    CCollectionDocument* GetDocument() const { return m_pDocument.get(); }
    CDistPropertySheet* GetSheet() const { return m_pSheet; }
    const QString& GetPath() const { return m_path; }
    EDocumentFormat GetFormat() const { return m_format; }

protected:
    void closeEvent(QCloseEvent* pEvent) override;

private:
    void OnNew();
    void OnOpen();
    void OnSave();
    void OnSaveAs();
    // Asks for a file name and saves under it; false when cancelled or not written.
    bool SaveAsWithDialog();

    void SetDocument(std::unique_ptr<CCollectionDocument> pDocument, const QString& path,
                     EDocumentFormat format);
    // A new sheet on the document (its backup taken afresh), showing variable nIndex.
    void RebuildSheet(int nIndex);
    // Confirms the sheet and checks the variables; false, after telling the user, when the
    // document should not be written as it is.
    bool ReadyToWrite();
    bool WriteTo(const QString& path, EDocumentFormat format);
    // The document as JSON text; empty when it cannot be written.
    std::string Snapshot() const;
    void UpdateTitle();
    void ShowError(const QString& title, const QString& text);

    std::unique_ptr<CCollectionDocument> m_pDocument;
    CDistPropertySheet* m_pSheet = nullptr;
    QWidget* m_pSheetHost;
    QString m_path;
    EDocumentFormat m_format = EDocumentFormat::json;
    std::string m_strSavedSnapshot;
};

} // namespace stochvar
