#pragma once

// What the commands of the command-line host share: their exit codes, how a command is described
// and run (its arguments parsed, --help answered with its usage text), how it opens the
// collection it works on, and the columns of its listings.
//
// A command writes its results to standard output and its messages to standard error, and
// returns the exit code. Usage errors leave as CUsageError (or, for a sampling run's arguments,
// CSampleRequestError), refused documents as CDocumentError; main turns them into exit codes 2
// and 1.

#include "Arguments.h"

#include <stochvar/documents/CollectionDocument.h>
#include <stochvar/documents/ReadinessReport.h>
// The commands tell a discrete variable's categories from other values by its type id.

#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace stochvar::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitRefused = 1;
inline constexpr int kExitUsage = 2;

struct SCommand {
    const char* pszName;
    // The command's own options; every command also takes -h and --help.
    std::span<const SOptionDefinition> options;
    int (*pfnRun)(const CParsedArguments& parsed);
    // The help text, printed for --help.
    const char* pszUsage;
};

// Parses the arguments after the command's name and runs the command with them, or prints its
// usage text when they ask for help.
int RunCommand(const SCommand& command, std::span<const std::string> args);

// The document in the file, or on standard input for "-". The warnings raised while reading it
// are printed to standard error. numerics, when given, replaces the document's own choice.
std::unique_ptr<CCollectionDocument> OpenDocument(const std::string& strPath,
                                                  std::optional<ENumerics> numerics = std::nullopt);
// The document named by the only positional argument, or the built-in example when there is
// none; numerics as for OpenDocument.
std::unique_ptr<CCollectionDocument>
OpenCollection(const std::vector<std::string>& positionals,
               std::optional<ENumerics> numerics = std::nullopt);

// The option --numerics faithful|accurate of the commands that compute, and its help lines (a
// literal, to be joined with the rest of a usage text).
inline constexpr SOptionDefinition kNumericsOption{"numerics", 0, true};
#define STOCHVAR_NUMERICS_HELP                                                                     \
    "      --numerics WHICH faithful or accurate, whatever the document says (without it:\n"       \
    "                       the document's \"numerics\", else faithful). faithful: the\n"          \
    "                       library's established numbers, bit for bit, as every other host\n"     \
    "                       computes them; accurate: Phi, Phi^-1 and the Nataf mapping to\n"       \
    "                       double precision (see docs/sampling.md)\n"
// The numerics --numerics asks for; nothing when it was not given.
std::optional<ENumerics> NumericsChoice(const CParsedArguments& parsed);
// How messages name the document of the positional arguments.
std::string CollectionName(const std::vector<std::string>& positionals);

// Refuses (CUsageError) an output strOutput that is the document strInput itself, under any
// name or link: writing it would destroy what is being read. strOption names the output in the
// message ("--out").
void RefuseOutputOverInput(const std::vector<std::string>& positionals,
                           const std::string& strOutput, const std::string& strOption);

// Writes the text to standard output and flushes it; a failed write (a full disk, a closed
// pipe) throws CDocumentError.
void WriteStandardOutput(const std::string& text);

// "stochvar: warning: ..." lines on standard error, one per warning of the document.
void PrintWarnings(const CCollectionDocument& doc);

// "stochvar: warning: name: subject: reason" lines on standard error for the readiness findings
// (CReadinessReport) that do not stop the use: show lists a document that cannot be sampled
// with the reasons, sample warns of what it draws anyway (a variable without a name).
void WarnAboutReadiness(const CCollectionDocument& doc, const std::string& strName,
                        EDocumentUse use);

// How a summary names the seeds of a run: "seed 7 = seeds A,B,C", or "seed A,B,C" when the three
// were given.
std::string SeedText(const SSeedChoice& seed);

// The columns a terminal gives the UTF-8 text: "Größe" takes 5, a CJK character 2, a
// combining accent none.
std::size_t DisplayWidth(std::string_view text);
// The text followed by blanks up to nWidth columns (DisplayWidth): one column of a listing.
std::string Padded(std::string text, std::size_t nWidth);

// "correlation groups: 3 (the largest of 5 variables)\n": the connected components of the
// correlation graph, which sampling factors one by one (a run's set-up grows with the cube of
// the largest); empty for a document without correlations.
std::string CorrelationGroupsLine(const CCollectionDocument& doc);

} // namespace stochvar::cli
