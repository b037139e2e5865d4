#pragma once

// Collection documents in binary form: a framework archive (CArchive) that a host built on the
// framework can also read, under a short header of the hosts' own.
//
//   signature      8 bytes "STVCOL\r\n" (the line end shows a transfer that changed it)
//   version        WORD: 1, or 2 for a document with a limit state
//   description    string
//   limit state    string, version 2 only (not empty)
//   variables      count, then each variable with WriteObject (class record or class index,
//                  then the variable's own archive body)
//   correlations   count, then per correlation: int position of its first variable,
//                  int position of its second variable (in the order the correlation names
//                  them), int (BOOL) given in X-space, double U-space value, double X-space value
//
// Reading takes nothing on trust: every variable is checked and converted as the editor would
// (see CDocumentBuilder), its class must be the class of its stored type id, correlations are
// entered again with SetCorr from the value of the space they were given in, and a document
// that ends early, or carries bytes after its end, is refused.
//
// The binary form keeps no choice of numerics: it is the form shared with hosts that know only
// the faithful ones, and version 1 is all they read. A document read from it follows the process
// default, or the numerics its reader is given. A limit state needs version 2, so a document
// without one is written as version 1, byte for byte as before limit states existed.

#include <stochvar/documents/CollectionDocument.h>

#include <stochvar/numerics/Numerics.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace stochvar {

inline constexpr std::string_view kBinarySignature{"STVCOL\r\n", 8};
inline constexpr unsigned kBinaryVersion = 1;
inline constexpr unsigned kBinaryLimitStateVersion = 2;

// Reads a binary document; refuses it with CDocumentError (messages name strSource). numerics,
// when given, is the collection's choice (see CDocumentBuilder).
std::unique_ptr<CCollectionDocument>
ReadBinaryDocument(std::string_view bytes, const std::string& strSource,
                   std::optional<ENumerics> numerics = std::nullopt);

// The document's bytes. Throws CDocumentError when a correlation refers to no variable.
std::string WriteBinaryDocument(const CCollectionDocument& doc);

} // namespace stochvar
