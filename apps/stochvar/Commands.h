#pragma once

// The commands of the command-line host. Each takes the arguments after its name, writes its
// results to standard output and its messages to standard error, and returns the exit code.
// Usage errors leave as CUsageError, refused documents as CDocumentError; main turns them into
// exit codes 2 and 1.

#include <stochvar/documents/CollectionDocument.h>

#include <memory>
#include <span>
#include <string>

namespace stochvar::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitRefused = 1;
inline constexpr int kExitUsage = 2;

int RunShow(std::span<const std::string> args);
int RunSample(std::span<const std::string> args);
int RunConvert(std::span<const std::string> args);

// The help texts, printed for --help and after usage errors.
extern const char* const kMainUsage;
extern const char* const kShowUsage;
extern const char* const kSampleUsage;
extern const char* const kConvertUsage;

// The document named by the only positional argument, or the built-in example when there is
// none. The warnings raised while reading it are printed to standard error.
std::unique_ptr<CCollectionDocument> OpenCollection(const std::vector<std::string>& positionals);

// "stochvar: warning: ..." lines on standard error, one per warning of the document.
void PrintWarnings(const CCollectionDocument& doc);

} // namespace stochvar::cli
