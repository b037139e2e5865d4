#pragma once

// Where Save As writes: the file dialog's filters for the two forms of a document, and the file
// and form for the name the user gave. A name ending in ".json" or ".svc" says the form itself;
// any other name is written in the form of the chosen filter (the document's current form for
// "All files"), and a name without an extension gets that form's extension.

#include <stochvar/documents/DocumentFile.h>

#include <QString>

namespace stochvar {

// "JSON documents (*.json);;Binary documents (*.svc);;All files (*)", and the first of them.
QString SaveFilters();
QString FilterFor(EDocumentFormat format);
// For opening: both forms together first.
QString OpenFilters();

struct SSaveTarget {
    QString path;
    EDocumentFormat format;
    bool bExtensionAdded; // the path is not the one the user confirmed in the dialog
};

SSaveTarget ResolveSaveTarget(const QString& path, const QString& selectedFilter,
                              EDocumentFormat currentFormat);

} // namespace stochvar
