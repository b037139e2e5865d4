#include "ConvertCommand.h"

#include <stochvar/documents/DocumentFile.h>
#include <stochvar/documents/ReadinessReport.h>

#include <cstdio>

namespace stochvar::cli {

namespace {

constexpr const char* kConvertUsage =
    "Usage: stochvar convert IN OUT [--to json|binary]\n"
    "\n"
    "Reads IN (JSON or binary, recognised by its contents), checks it as 'show' does, and\n"
    "writes it to OUT: as JSON when OUT ends in .json, as binary otherwise (binary documents\n"
    "are usually named .svc), unless --to says.\n"
    "Values that reading corrected (with a warning) are written corrected. IN - reads standard\n"
    "input, OUT - writes standard output. The binary form keeps no \"numerics\": converting a\n"
    "JSON document that gives them to binary drops them, with a warning.\n"
    "\n"
    "OUT appears complete or not at all: the document is written to a temporary file beside\n"
    "it and renamed over it only when everything was written, keeping the old file's\n"
    "permissions; an error or an interrupt leaves the old file as it was. A symbolic link is\n"
    "followed (the file it points to is replaced); a device, a named pipe, /dev/stdout (as\n"
    "-) and a file with other hard links are written in place. OUT may not be IN, nor a file\n"
    "you may not write (for root: one without any write permission).\n"
    "\n"
    "Options:\n"
    "      --to FORMAT   json or binary, whatever OUT is called\n"
    "  -h, --help        show this help\n";

constexpr SOptionDefinition kConvertOptions[] = {
    {"to", 0, true},
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

int RunConvert(const CParsedArguments& parsed) {
    const std::vector<std::string>& files = parsed.Positionals();
    if (files.size() != 2) {
        throw CUsageError("convert needs an input and an output file");
    }
    const EDocumentFormat format = TargetFormat(parsed, files[1]);
    RefuseOutputOverInput({files[0]}, files[1], "OUT");
    const std::unique_ptr<CCollectionDocument> pDoc = OpenDocument(files[0]);
    CReadinessReport(*pDoc).Require(EDocumentUse::save, CollectionName({files[0]}));
    const CDistCollection& collection = pDoc->GetCollection();
    if (format == EDocumentFormat::binary && !collection.FollowsDefaultNumerics()) {
        std::fprintf(stderr,
                     "stochvar: warning: %s: the binary form keeps no choice of numerics: "
                     "\"numerics\": \"%s\" is not written\n",
                     CollectionName({files[0]}).c_str(), NumericsName(collection.GetNumerics()));
    }
    SaveDocument(*pDoc, files[1], format);
    return kExitSuccess;
}

} // namespace

const SCommand kConvertCommand{"convert", kConvertOptions, &RunConvert, kConvertUsage};

} // namespace stochvar::cli
