// Reads arbitrary bytes as a binary collection document, as the hosts read a file. The reader
// either refuses them with CDocumentError or gives a document, which then goes through the
// readiness check that the hosts run before they sample or save it, and is written in both forms.

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
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::unique_ptr<CCollectionDocument> pDoc;
    try {
        pDoc = ReadBinaryDocument(bytes, "fuzz");
    } catch (const CDocumentError&) {
        return 0;
    }
    const CReadinessReport report(*pDoc);
    for (const EDocumentUse use : {EDocumentUse::open, EDocumentUse::save, EDocumentUse::sample}) {
        (void)report.IsReadyFor(use);
    }
    // A document that was read can be written: a refusal here escapes as a finding.
    (void)WriteJsonDocument(*pDoc);
    (void)WriteBinaryDocument(*pDoc);
    return 0;
}
