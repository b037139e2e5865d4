// stochvar convert: reads a collection in either format and writes it in the other (or the same).

#include "Arguments.h"
#include "Commands.h"

#include <stochvar/documents/DocumentFile.h>

#include <cstdio>

namespace stochvar::cli {

namespace {

constexpr SOptionDefinition kConvertOptions[] = {
    {"to", 0, true},
    {"help", 'h', false},
};

EDocumentFormat TargetFormat(const CParsedArguments& parsed, const std::string& strOut) {
    const std::string* pTo = parsed.Value("to");
    if (pTo == nullptr) {
        return FormatFromFileName(strOut);
    }
    if (*pTo == "json") {
        return EDocumentFormat::json;
    }
    if (*pTo == "binary") {
        return EDocumentFormat::binary;
    }
    throw CUsageError("--to takes json or binary, not \"" + *pTo + "\"");
}

} // namespace

int RunConvert(std::span<const std::string> args) {
    const CParsedArguments parsed = ParseArguments(args, kConvertOptions);
    if (parsed.Has("help")) {
        std::fputs(kConvertUsage, stdout);
        return kExitSuccess;
    }
    const std::vector<std::string>& files = parsed.Positionals();
    if (files.size() != 2) {
        throw CUsageError("convert needs an input and an output file");
    }
    const EDocumentFormat format = TargetFormat(parsed, files[1]);
    const std::unique_ptr<CCollectionDocument> pDoc = LoadDocument(files[0]);
    PrintWarnings(*pDoc);
    SaveDocument(*pDoc, files[1], format);
    return kExitSuccess;
}

} // namespace stochvar::cli
