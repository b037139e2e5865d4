// Reads arbitrary text as a JSON collection document, as the hosts read a file. The reader either
// refuses it with CDocumentError or gives a document; a document is then checked for its uses, as
// the hosts do before they sample it or save it, and written in both forms.

#include <stochvar/documents/BinaryDocument.h>
#include <stochvar/documents/DocumentError.h>
#include <stochvar/documents/JsonDocument.h>
#include <stochvar/documents/ReadinessReport.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

using namespace stochvar;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::unique_ptr<CCollectionDocument> pDoc;
    try {
        pDoc = ReadJsonDocument(text, "fuzz");
    } catch (const CDocumentError&) {
        return 0;
    }
    const CReadinessReport report(*pDoc);
    (void)report.IsReadyFor(EDocumentUse::sample);
    // A document that was read can be written: a refusal here escapes as a finding.
    (void)WriteJsonDocument(*pDoc);
    (void)WriteBinaryDocument(*pDoc);
    return 0;
}
