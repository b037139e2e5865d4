#include "Arguments.h"
#include "Commands.h"

#include <stochvar/documents/BuiltInExample.h>
#include <stochvar/documents/DocumentFile.h>

#include <cstdio>

namespace stochvar::cli {

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

const char* const kMainUsage =
    "Usage: stochvar COMMAND [OPTIONS] [ARGUMENTS]\n"
    "\n"
    "Stochastic variables for structural reliability analysis: check, sample and convert\n"
    "collection documents (JSON or binary).\n"
    "\n"
    "Commands:\n"
    "  show [FILE]        list the variables and correlations of a collection\n"
    "  sample [FILE] -n N draw correlated samples (Monte Carlo or Latin hypercube)\n"
    "  convert IN OUT     convert a collection between JSON and binary\n"
    "\n"
    "Without FILE, show and sample use the built-in example (a steel beam in bending).\n"
    "Run 'stochvar COMMAND --help' for the options of a command.\n"
    "\n"
    "Options:\n"
    "  -h, --help         show this help\n"
    "      --version      show the version\n"
    "\n"
    "Exit status: 0 success, 1 refused input, 2 usage error.\n";

const char* const kShowUsage =
    "Usage: stochvar show [FILE]\n"
    "\n"
    "Reads a collection document (JSON or binary), checks every value as the editor does, and\n"
    "lists each variable (family, input type, every parameter it uses, mean and standard\n"
    "deviation) and each correlation in both spaces with the range that its pair admits in\n"
    "X-space. Without FILE the built-in example is shown.\n"
    "\n"
    "Options:\n"
    "  -h, --help   show this help\n";

const char* const kSampleUsage =
    "Usage: stochvar sample [FILE] -n N [--lhs] [--seed A,B,C] [--out FILE.csv]\n"
    "\n"
    "Draws N joint samples of the collection's variables, correlated as the document says, and\n"
    "prints for each variable the target mean and standard deviation beside the sample ones,\n"
    "and the sample correlation matrix beside the target (X-space). A discrete variable's\n"
    "values are its category positions 0, 1, ... Without FILE the built-in example is sampled.\n"
    "\n"
    "Options:\n"
    "  -n, --samples N      number of samples (required)\n"
    "      --lhs            Latin hypercube sampling (its cost grows with the square of N)\n"
    "      --seed A,B,C     the three seeds of the generator, each from 0 to 4294967295\n"
    "                       (default 699570728,398267609,1044576128)\n"
    "  -o, --out FILE.csv   write the samples as CSV, with a header of variable names;\n"
    "                       '-' writes them to standard output and the summary to standard error\n"
    "  -h, --help           show this help\n";

const char* const kConvertUsage =
    "Usage: stochvar convert IN OUT [--to json|binary]\n"
    "\n"
    "Reads IN (JSON or binary, recognised by its contents), checks it as 'show' does, and\n"
    "writes it to OUT: as JSON when OUT ends in .json, as binary otherwise, unless --to says.\n"
    "Values that reading corrected (with a warning) are written corrected.\n"
    "\n"
    "Options:\n"
    "      --to FORMAT   json or binary, whatever OUT is called\n"
    "  -h, --help        show this help\n";

} // namespace stochvar::cli
