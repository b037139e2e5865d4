#include "CommandSupport.h"

#include <stochvar/documents/BuiltInExample.h>
#include <stochvar/documents/DocumentFile.h>

#include <stochvar/documents/DocumentError.h>
#include <stochvar/simulation/SparseCorrelationFactor.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <locale.h>
#include <sys/stat.h>
#include <wchar.h>

namespace stochvar::cli {

namespace {

constexpr SOptionDefinition kHelpOption{"help", 'h', false};
constexpr const char* kStandardInputName = "standard input";

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

std::unique_ptr<CCollectionDocument> OpenDocument(const std::string& strPath,
                                                  std::optional<ENumerics> numerics) {
    std::unique_ptr<CCollectionDocument> pDoc;
    if (strPath == "-") {
        std::string bytes;
        char buffer[1 << 16];
        std::size_t nRead = 0;
        while ((nRead = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) {
            bytes.append(buffer, nRead);
        }
        if (std::ferror(stdin) != 0) {
            throw CDocumentError(std::string(kStandardInputName) +
                                 ": cannot read: " + std::strerror(errno));
        }
        pDoc = ReadDocument(bytes, kStandardInputName, numerics);
    } else {
        pDoc = LoadDocument(strPath, numerics);
    }
    PrintWarnings(*pDoc);
    return pDoc;
}

std::unique_ptr<CCollectionDocument> OpenCollection(const std::vector<std::string>& positionals,
                                                    std::optional<ENumerics> numerics) {
    if (positionals.size() > 1) {
        throw CUsageError("one document at most, not " + std::to_string(positionals.size()));
    }
    if (!positionals.empty()) {
        return OpenDocument(positionals.front(), numerics);
    }
    std::unique_ptr<CCollectionDocument> pDoc = LoadBuiltInExample(numerics);
    PrintWarnings(*pDoc);
    return pDoc;
}

std::optional<ENumerics> NumericsChoice(const CParsedArguments& parsed) {
    const std::string* pValue = parsed.Value(kNumericsOption.name);
    if (pValue == nullptr) {
        return std::nullopt;
    }
    const std::optional<ENumerics> numerics = NumericsFromName(*pValue);
    if (!numerics) {
        throw CUsageError(parsed.Spelling(kNumericsOption.name) +
                          " takes faithful or accurate, not \"" + *pValue + "\"");
    }
    return numerics;
}

std::string CollectionName(const std::vector<std::string>& positionals) {
    if (positionals.empty()) {
        return kBuiltInExampleName;
    }
    return positionals.front() == "-" ? kStandardInputName : positionals.front();
}

void RefuseOutputOverInput(const std::vector<std::string>& positionals,
                           const std::string& strOutput, const std::string& strOption) {
    if (positionals.size() != 1 || positionals.front() == "-" || strOutput == "-") {
        return;
    }
    struct stat input {};
    struct stat output {};
    if (stat(positionals.front().c_str(), &input) == 0 && S_ISREG(input.st_mode) &&
        stat(strOutput.c_str(), &output) == 0 && input.st_dev == output.st_dev &&
        input.st_ino == output.st_ino) {
        throw CUsageError(strOption + " " + strOutput + " is the document " + positionals.front() +
                          " itself: writing it would destroy what is read; name another file");
    }
}

void WriteStandardOutput(const std::string& text) {
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() ||
        std::fflush(stdout) != 0) {
        const int nError = errno;
        std::clearerr(stdout);
        throw CDocumentError(std::string("standard output: cannot write: ") +
                             std::strerror(nError));
    }
}

void PrintWarnings(const CCollectionDocument& doc) {
    for (const std::string& strWarning : doc.m_warnings) {
        std::fprintf(stderr, "stochvar: warning: %s\n", strWarning.c_str());
    }
}

void WarnAboutReadiness(const CCollectionDocument& doc, const std::string& strName,
                        EDocumentUse use) {
    const CReadinessReport report(doc);
    for (const SReadinessFinding& finding : report.GetFindings()) {
        if (!CReadinessReport::Stops(finding.kind, use)) {
            std::fprintf(stderr, "stochvar: warning: %s: %s: %s\n", strName.c_str(),
                         finding.strSubject.c_str(), finding.strReason.c_str());
        }
    }
}

std::string SeedText(const SSeedChoice& seed) {
    const std::string strTriple = std::to_string(seed.seeds[0]) + "," +
                                  std::to_string(seed.seeds[1]) + "," +
                                  std::to_string(seed.seeds[2]);
    if (!seed.nInteger) {
        return "seed " + strTriple;
    }
    return "seed " + std::to_string(*seed.nInteger) + (seed.bRandom ? " drawn at random" : "") +
           " = seeds " + strTriple;
}

std::size_t DisplayWidth(std::string_view text) {
    // glibc's own table of character widths, read through its built-in UTF-8 locale whatever the
    // user's locale is: documents are UTF-8 throughout.
    static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
    const locale_t previous = utf8 != nullptr ? uselocale(utf8) : nullptr;
    std::size_t nWidth = 0;
    std::mbstate_t state{};
    for (std::size_t k = 0; k < text.size();) {
        wchar_t ch = 0;
        const std::size_t nBytes = std::mbrtowc(&ch, text.data() + k, text.size() - k, &state);
        if (nBytes == 0 || nBytes > text.size() - k) { // a NUL, or bytes that are not UTF-8
            ++nWidth;
            ++k;
            state = {};
            continue;
        }
        nWidth += static_cast<std::size_t>(std::max(wcwidth(ch), 0));
        k += nBytes;
    }
    if (previous != nullptr) {
        uselocale(previous);
    }
    return nWidth;
}

std::string Padded(std::string text, std::size_t nWidth) {
    const std::size_t nTextWidth = DisplayWidth(text);
    if (nTextWidth < nWidth) {
        text.append(nWidth - nTextWidth, ' ');
    }
    return text;
}

std::string CorrelationGroupsLine(const CCollectionDocument& doc) {
    const CDistCollection& collection = doc.GetCollection();
    const std::vector<std::vector<int>> groups =
        CSparseCorrelationFactor::Components(collection.m_Corrs, collection.GetCount());
    if (groups.empty()) {
        return {};
    }
    std::size_t nLargest = 0;
    for (const std::vector<int>& group : groups) {
        nLargest = std::max(nLargest, group.size());
    }
    return "correlation groups: " + std::to_string(groups.size()) +
           (groups.size() == 1 ? " (of " : " (the largest of ") + std::to_string(nLargest) +
           " variables)\n";
}

} // namespace stochvar::cli
