// The command line itself: help texts, exit code 2 for every kind of malformed command line,
// and that a usage error never reads or writes a document.

#include "CliRunner.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

namespace stochvar::test {
namespace {

using ::testing::HasSubstr;

struct SHelpCase {
    std::vector<std::string> args;
    const char* pszExpected; // a line the help must contain
};

TEST(CliHelp, EveryCommandExplainsItselfOnStandardOutput) {
    const SHelpCase cases[] = {
        {{"--help"}, "Usage: stochvar COMMAND"},
        {{"-h"}, "Usage: stochvar COMMAND"},
        {{"show", "--help"}, "Usage: stochvar show [FILE]"},
        {{"show", "-h"}, "Usage: stochvar show [FILE]"},
        {{"sample", "--help"}, "Usage: stochvar sample [FILE] -n N"},
        {{"convert", "--help"}, "Usage: stochvar convert IN OUT"},
        // Help wins over whatever else is wrong or missing on the line.
        {{"sample", "missing.json", "--help"}, "Usage: stochvar sample"},
        {{"convert", "--help", "only-one"}, "Usage: stochvar convert"},
    };
    for (const SHelpCase& helpCase : cases) {
        const SRunResult result = RunCli(helpCase.args);
        SCOPED_TRACE(helpCase.args.front() + " " + helpCase.args.back());
        EXPECT_EQ(result.nExitCode, 0);
        EXPECT_THAT(result.strOut, HasSubstr(helpCase.pszExpected));
        EXPECT_EQ(result.strErr, "");
    }
}

TEST(CliHelp, VersionIsPrinted) {
    const SRunResult result = RunCli({"--version"});
    EXPECT_EQ(result.nExitCode, 0);
    EXPECT_THAT(result.strOut, ::testing::StartsWith("stochvar "));
}

struct SUsageCase {
    std::vector<std::string> args;
    const char* pszMessage;
};

TEST(CliUsage, MalformedCommandLinesExitWithTwoAndSayWhy) {
    const SUsageCase cases[] = {
        {{}, "Usage: stochvar COMMAND"},
        {{"frobnicate"}, "unknown command \"frobnicate\""},
        {{"show", "--verbose"}, "unknown option --verbose"},
        {{"show", "-x"}, "unknown option -x"},
        {{"show", "a.json", "b.json"}, "one document at most"},
        {{"sample"}, "the number of samples is missing (-n N)"},
        // Messages name an option as it was typed.
        {{"sample", "-n"}, "option -n needs a value"},
        {{"sample", "--samples"}, "option --samples needs a value"},
        {{"sample", "-n", "0"},
         "-n needs a whole number from 1 to 2147483647 (such as 1000 or 1e6), not \"0\""},
        {{"sample", "--samples", "-5"}, "--samples needs a whole number"},
        {{"sample", "-n", "1.5"}, "not \"1.5\""},
        {{"sample", "-n", "1e-3"}, "not \"1e-3\""},
        {{"sample", "-n", "1e"}, "not \"1e\""},
        {{"sample", "-n", "12abc"}, "not \"12abc\""},
        {{"sample", "-n", "2147483648"}, "not \"2147483648\""},
        {{"sample", "-n", "3e9"}, "not \"3e9\""},
        {{"sample", "-n", "10", "-n", "20"}, "option -n given twice"},
        {{"sample", "-n", "10", "--samples", "20"}, "option --samples given twice"},
        {{"sample", "-n", "10", "--lhs=yes"}, "option --lhs takes no value"},
        {{"sample", "-n", "10", "--seed", "1,2"}, "--seed takes one whole number"},
        {{"sample", "-n", "10", "--seed", "1,2,3,4"}, "--seed takes one whole number"},
        {{"sample", "-n", "10", "--seed", "1,-2,3"}, "--seed takes one whole number"},
        {{"sample", "-n", "10", "--seed", "1,2,4294967296"}, "--seed takes one whole number"},
        {{"sample", "-n", "10", "--seed", "1,,3"}, "--seed takes one whole number"},
        {{"sample", "-n", "10", "--seed", "18446744073709551616"}, "--seed takes one whole number"},
        {{"sample", "-n", "10", "--seed", "Random"}, "--seed takes one whole number"},
        {{"sample", "-n", "10", "--format", "npy"}, "--format needs --out FILE"},
        {{"sample", "-n", "10", "--format", "xml", "-o", "x"}, "--format takes csv or npy"},
        {{"sample", "-n", "10", "--categories", "labels"}, "--categories takes positions or names"},
        {{"sample", "-n", "10", "--categories", "names", "--format", "npy", "-o", "x"},
         "--categories names needs --format csv"},
        {{"sample", "-n", "10", "--out="}, "--out needs a file name"},
        {{"sample", "-n", "2000000000", "--lhs"}, "too many samples for Latin hypercube sampling"},
        {{"convert", "only-one.json"}, "convert needs an input and an output file"},
        {{"convert", "a.json", "b.json", "c.json"}, "convert needs an input and an output file"},
        {{"convert", "a.json", "b.bin", "--to", "xml"}, "--to takes json or binary, not \"xml\""},
    };
    for (const SUsageCase& usageCase : cases) {
        const SRunResult result = RunCli(usageCase.args);
        SCOPED_TRACE(usageCase.pszMessage);
        EXPECT_EQ(result.nExitCode, 2);
        EXPECT_THAT(result.strErr, HasSubstr(usageCase.pszMessage));
        EXPECT_EQ(result.strOut, "");
    }
}

TEST(CliUsage, OptionsTakeTheirValuesInEveryUsualSpelling) {
    // -n 5, -n5, --samples 5 and --samples=5 all draw five samples of the built-in example.
    const std::vector<std::vector<std::string>> spellings = {
        {"sample", "-n", "5"}, {"sample", "-n5"}, {"sample", "--samples", "5"},
        {"sample", "--samples=5"}, {"sample", "--", "-n", "5"}};
    for (std::size_t i = 0; i + 1 < spellings.size(); ++i) {
        const SRunResult result = RunCli(spellings[i]);
        EXPECT_EQ(result.nExitCode, 0) << result.strErr;
        EXPECT_THAT(result.strOut, HasSubstr("5 samples of 7 variables"));
    }
    // After "--" everything is a file name, and "-n" is not a document.
    const SRunResult ended = RunCli(spellings.back());
    EXPECT_EQ(ended.nExitCode, 2);
}

TEST(CliUsage, AUsageErrorWritesNoOutputFile) {
    const CTempDir dir;
    const std::string strCsv = dir.File("never.csv");
    const SRunResult result = RunCli({"sample", "-n", "0", "--out", strCsv});
    EXPECT_EQ(result.nExitCode, 2);
    EXPECT_FALSE(std::filesystem::exists(strCsv));
}

} // namespace
} // namespace stochvar::test
