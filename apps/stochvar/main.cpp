// stochvar: the command-line host. Checks, lists, samples and converts collection documents, and
// analyses the reliability of a limit state over them.

#include "CliHooks.h"
#include "ConvertCommand.h"
#include "FitCommand.h"
#include "ReliabilityCommand.h"
#include "SampleCommand.h"
#include "ShowCommand.h"

#include <stochvar/documents/SampleRequestError.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

using namespace stochvar;
using namespace stochvar::cli;

namespace {

constexpr const char* kMainUsage =
    "Usage: stochvar COMMAND [OPTIONS] [ARGUMENTS]\n"
    "\n"
    "Stochastic variables for structural reliability analysis: check, sample and convert\n"
    "collection documents (JSON or binary), and analyse the reliability of a limit state.\n"
    "\n"
    "Commands:\n"
    "  show [FILE]        list the variables and correlations of a collection\n"
    "  sample [FILE] -n N draw correlated samples (Monte Carlo or Latin hypercube)\n"
    "  convert IN OUT     convert a collection between JSON and binary\n"
    "  reliability [FILE] --method M\n"
    "                     the probability of failure of a limit state g (FORM, SORM, Monte\n"
    "                     Carlo, Latin hypercube, importance sampling, subset simulation)\n"
    "  fit DATA.csv       fit the families to the columns of a table, rank them, and write\n"
    "                     the best variables as a collection\n"
    "\n"
    "Without FILE, show, sample and reliability use the built-in example (a steel beam in\n"
    "bending, with its limit state).\n"
    "Run 'stochvar COMMAND --help' for the options of a command.\n"
    "\n"
    "Options:\n"
    "  -h, --help         show this help\n"
    "      --version      show the version\n"
    "\n"
    "Exit status: 0 success, 1 refused input, 2 usage error.\n";

const SCommand* const kCommands[] = {&kShowCommand, &kSampleCommand, &kConvertCommand,
                                     &kReliabilityCommand, &kFitCommand};

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
        if (args.size() > 1) {
            return UsageError("--version takes no arguments, not \"" + args[1] + "\"", nullptr);
        }
        std::printf("stochvar %s\n", STOCHVAR_VERSION);
        return kExitSuccess;
    }
    for (const SCommand* pCommand : kCommands) {
        if (strCommand != pCommand->pszName) {
            continue;
        }
        try {
            return RunCommand(*pCommand, std::span(args).subspan(1));
        } catch (const CUsageError& error) {
            return UsageError(error.what(), pCommand->pszName);
        } catch (const CSampleRequestError& error) {
            return UsageError(error.what(), pCommand->pszName);
        }
    }
    if (strCommand.size() > 1 && strCommand.front() == '-') {
        return UsageError("unknown option " + strCommand, nullptr);
    }
    return UsageError("unknown command \"" + strCommand + "\"", nullptr);
}

int Refused(const char* pszMessage) {
    std::fflush(stdout);
    std::fprintf(stderr, "stochvar: error: %s\n", pszMessage);
    return kExitRefused;
}

} // namespace

int main(int argc, char** argv) {
    InstallCliHooks();
    const std::vector<std::string> args(argv + 1, argv + argc);
    int nExit = kExitSuccess;
    try {
        nExit = Run(args);
    } catch (const std::exception& error) {
        return Refused(error.what());
    }
    // Whatever a command printed must have reached standard output (a full disk, a closed pipe).
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        return Refused(
            (std::string("standard output: cannot write: ") + std::strerror(errno)).c_str());
    }
    return nExit;
}
