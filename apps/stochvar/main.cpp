// stochvar: the command-line host. Checks, lists, samples and converts collection documents.

#include "Arguments.h"
#include "CliHooks.h"
#include "Commands.h"

#include <stochvar/documents/DocumentError.h>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

using namespace stochvar;
using namespace stochvar::cli;

namespace {

struct SCommand {
    const char* pszName;
    int (*pfnRun)(std::span<const std::string>);
    const char* pszUsage;
};

const SCommand kCommands[] = {
    {"show", &RunShow, kShowUsage},
    {"sample", &RunSample, kSampleUsage},
    {"convert", &RunConvert, kConvertUsage},
};

int UsageError(const std::string& strMessage, const char* pszCommand) {
    std::fprintf(stderr, "stochvar: %s\n", strMessage.c_str());
    if (pszCommand != nullptr) {
        std::fprintf(stderr, "Run 'stochvar %s --help' for its usage.\n", pszCommand);
    } else {
        std::fprintf(stderr, "Run 'stochvar --help' for the usage.\n");
    }
    return kExitUsage;
}

int Run(const std::vector<std::string>& args) {
    if (args.empty()) {
        std::fputs(kMainUsage, stderr);
        return kExitUsage;
    }
    const std::string& strCommand = args.front();
    if (strCommand == "-h" || strCommand == "--help" || strCommand == "help") {
        std::fputs(kMainUsage, stdout);
        return kExitSuccess;
    }
    if (strCommand == "--version") {
        std::printf("stochvar %s\n", STOCHVAR_VERSION);
        return kExitSuccess;
    }
    for (const SCommand& command : kCommands) {
        if (strCommand != command.pszName) {
            continue;
        }
        try {
            return command.pfnRun(std::span(args).subspan(1));
        } catch (const CUsageError& error) {
            return UsageError(error.what(), command.pszName);
        }
    }
    return UsageError("unknown command \"" + strCommand + "\"", nullptr);
}

} // namespace

int main(int argc, char** argv) {
    InstallCliHooks();
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        return Run(args);
    } catch (const CDocumentError& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "stochvar: error: %s\n", error.what());
        return kExitRefused;
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "stochvar: error: %s\n", error.what());
        return kExitRefused;
    }
}
