#pragma once

// Opening and saving collection documents as files, in either format.
//
// Reading recognises the format by content: the binary signature, otherwise JSON (a document
// whose first character is "{", or any file named *.json). Saving picks the format the caller
// asks for; FormatFromFileName gives the usual choice by name (".json" is JSON, anything else
// binary, usually ".svc").

#include <stochvar/documents/CollectionDocument.h>
#include <stochvar/numerics/Numerics.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace stochvar {

enum class EDocumentFormat { json, binary };

// The usual file name extensions of the two forms.
inline constexpr std::string_view kJsonExtension = ".json";
inline constexpr std::string_view kBinaryExtension = ".svc";

EDocumentFormat FormatFromFileName(std::string_view strPath);
// The format of a document's bytes, or nothing when they are neither.
std::optional<EDocumentFormat> FormatFromContents(std::string_view bytes);

// Reads a document from its bytes; strSource names it in messages. The format is recognised
// by content, and by strSource's extension when the content does not tell. numerics, when given,
// is the collection's choice of numerics whatever the document says (it applies while the
// correlations are read).
std::unique_ptr<CCollectionDocument> ReadDocument(std::string_view bytes,
                                                  const std::string& strSource,
                                                  std::optional<ENumerics> numerics = std::nullopt);
// Reads the file; refuses it with CDocumentError (also when it cannot be read, or is a
// directory).
std::unique_ptr<CCollectionDocument> LoadDocument(const std::string& strPath,
                                                  std::optional<ENumerics> numerics = std::nullopt);

std::string WriteDocument(const CCollectionDocument& doc, EDocumentFormat format);
// Writes the document to the file as a whole or not at all (CAtomicFile): a failed or interrupted
// save leaves the old file as it was. Throws CDocumentError.
void SaveDocument(const CCollectionDocument& doc, const std::string& strPath,
                  EDocumentFormat format);

} // namespace stochvar
