// A JSON document that reads converts to the binary form and back without a change: the JSON
// written from the binary copy is the JSON written from the document. Writing is canonical, so
// the JSON written also reads back to itself. Either difference is a finding (abort).

#include <stochvar/documents/BinaryDocument.h>
#include <stochvar/documents/DocumentError.h>
#include <stochvar/documents/JsonDocument.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

using namespace stochvar;

namespace {

void ExpectSame(const char* pszWhat, const std::string& expected, const std::string& actual) {
    if (actual != expected) {
        std::fprintf(stderr, "%s changed the document:\n%s\nbecame\n%s\n", pszWhat,
                     expected.c_str(), actual.c_str());
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::unique_ptr<CCollectionDocument> pDoc;
    try {
        pDoc = ReadJsonDocument(text, "fuzz");
    } catch (const CDocumentError&) {
        return 0;
    }
    const std::string json = WriteJsonDocument(*pDoc);
    // The binary form keeps no choice of numerics: its reader is given the document's.
    const CDistCollection& collection = pDoc->GetCollection();
    const std::optional<ENumerics> numerics = collection.FollowsDefaultNumerics()
                                                  ? std::nullopt
                                                  : std::optional(collection.GetNumerics());
    ExpectSame(
        "binary and back", json,
        WriteJsonDocument(*ReadBinaryDocument(WriteBinaryDocument(*pDoc), "binary", numerics)));
    ExpectSame("JSON and back", json, WriteJsonDocument(*ReadJsonDocument(json, "json")));
    return 0;
}
