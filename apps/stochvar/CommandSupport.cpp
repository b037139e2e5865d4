#include "CommandSupport.h"

#include <stochvar/documents/BuiltInExample.h>
#include <stochvar/documents/DocumentFile.h>

#include <cstdio>

namespace stochvar::cli {

namespace {

constexpr SOptionDefinition kHelpOption{"help", 'h', false};

} // namespace

int RunCommand(const SCommand& command, std::span<const std::string> args) {
    std::vector<SOptionDefinition> options(command.options.begin(), command.options.end());
    options.push_back(kHelpOption);
    const CParsedArguments parsed = ParseArguments(args, options);
    if (parsed.Has(kHelpOption.name)) {
        std::fputs(command.pszUsage, stdout);
        return kExitSuccess;
    }
    return command.pfnRun(parsed);
}

std::unique_ptr<CCollectionDocument> OpenCollection(const std::vector<std::string>& positionals) {
    if (positionals.size() > 1) {
        throw CUsageError("one document at most, not " + std::to_string(positionals.size()));
    }
    std::unique_ptr<CCollectionDocument> pDoc =
        positionals.empty() ? LoadBuiltInExample() : LoadDocument(positionals.front());
    PrintWarnings(*pDoc);
    return pDoc;
}

void PrintWarnings(const CCollectionDocument& doc) {
    for (const std::string& strWarning : doc.m_warnings) {
        std::fprintf(stderr, "stochvar: warning: %s\n", strWarning.c_str());
    }
}

std::string Padded(std::string text, std::size_t nWidth) {
    if (text.size() < nWidth) {
        text.append(nWidth - text.size(), ' ');
    }
    return text;
}

} // namespace stochvar::cli
