// The command line: one row per line for help, version, the usual spellings of options and
// counts, and exit code 2 with the reason for each malformed line, before any document is read
// or written. Then output files: a regular file is replaced whole (its mode kept), a symbolic
// link is written through, a FIFO in place, and a failed or interrupted run leaves an old file
// as it was and no temporary file behind.

#include "CliRunner.h"

#include <chrono>
#include <cstring>
#include <future>
#include <sys/stat.h>
#include <thread>

namespace stochvar::test {
namespace {

namespace fs = std::filesystem;

TEST(CommandLine, EachLineGivesItsExitCodeAndMessages) {
    const CTempDir dir;
    const std::string x = dir.File("x");
    const std::string kCount = "-n needs a whole number from 1 to 2147483647 (such as 1000 or 1e6), not ";
    const std::string kSeed = "--seed takes one whole number from 0 to 18446744073709551615, three "
                              "written A,B,C (each from 0 to 4294967295), or random; not ";
    const SCliCase cases[] = {
        {{"-h"}, 0, "Usage: stochvar COMMAND", ""},
        {{"show", "--help"}, 0, "Usage: stochvar show [FILE]", ""},
        // Help wins over whatever else is wrong or missing on the line.
        {{"sample", "missing.json", "-h"}, 0, "Usage: stochvar sample [FILE] -n N", ""},
        {{"convert", "--help", "only-one"}, 0, "Usage: stochvar convert IN OUT", ""},
        {{"--version"}, 0, "stochvar ", ""},
        {{"sample", "-n5"}, 0, "5 samples of 7 variables (plain sampling, seed", ""},
        {{"sample", "--samples=5", "--lhs"}, 0, "5 samples of 7 variables (Latin hypercube", ""},
        {{"sample", "--samples", "1"}, 0, "1 sample of 7 variables", ""},
        {{"sample", "-n", "2.5e3"}, 0, "2500 samples", ""},
        {{"sample", "-n", "1000e-2"}, 0, "10 samples", ""},
        {{"sample", "-n", "1", "--seed", "42"}, 0, "seed 42 = seeds 3184996902,686809907,1196582743)\n", ""},
        {{}, 2, "", "Usage: stochvar COMMAND"},
        {{"frobnicate"}, 2, "", "stochvar: unknown command \"frobnicate\"\nRun 'stochvar --help'"},
        {{"show", "--verbose"}, 2, "", "stochvar: unknown option --verbose\nRun 'stochvar show --help'"},
        {{"show", "-x"}, 2, "", "unknown option -x"},
        {{"show", "a.json", "b.json"}, 2, "", "one document at most, not 2"},
        {{"show", "--numerics", "exact"}, 2, "", "--numerics takes faithful or accurate, not \"exact\""},
        // After "--" everything is a file name, and "-n" is not a document.
        {{"sample", "-o", x, "--", "-n", "5"}, 2, "", "the number of samples is missing (-n N)"},
        {{"sample", "-n"}, 2, "", "option -n needs a value"},
        {{"sample", "-n", "10", "--samples", "20"}, 2, "", "option --samples given twice"},
        {{"sample", "-n", "10", "--lhs=yes"}, 2, "", "option --lhs takes no value"},
        {{"sample", "-n", "10", "--format", "npy"}, 2, "", "--format needs --out FILE"},
        {{"sample", "-n", "10", "--format", "xml", "-o", x}, 2, "", "--format takes csv or npy"},
        {{"sample", "-n", "10", "--categories", "labels"}, 2, "", "--categories takes positions or"},
        {{"sample", "-n", "9", "--categories", "names", "--format", "npy", "-o", x}, 2, "",
         "--categories names needs --format csv"},
        {{"sample", "-n", "9", "--numbered", "--format", "npy", "-o", x}, 2, "", "--numbered needs"},
        {{"sample", "-n", "10", "--first", "10", "-o", x}, 2, "", "--first needs a whole number from 0 to 9"},
        {{"sample", "-n", "10", "--first", "4", "--count", "7"}, 2, "", "--count needs a whole number from 1 to 6"},
        {{"sample", "-n", "10", "--threads", "257"}, 2, "", "--threads needs a whole number from 1 to 256"},
        {{"sample", "-n", "10", "--out="}, 2, "", "--out needs a file name"},
        {{"sample", "-n", "2000000000", "--lhs", "-o", x}, 2, "",
         "too many samples for Latin hypercube sampling of 7 variables"},
        {{"convert", "a.json", "b.json", "c.json"}, 2, "", "convert needs an input and an output"},
        {{"convert", "a.json", x, "--to", "xml"}, 2, "", "--to takes json or binary, not \"xml\""},
    };
    for (const SCliCase& row : cases) {
        ExpectCli(row);
    }
    for (const std::string strCount : {"0", "-5", "1.5", "1e-3", "1e", "12abc", "2147483648", "3e9"}) {
        ExpectCli({{"sample", "-o", x, "-n", strCount}, 2, "", kCount + "\"" + strCount + "\"\n"});
    }
    for (const std::string strSeed : {"1,2", "1,2,3,4", "1,,3", "1,2,4294967296", "18446744073709551616"}) {
        ExpectCli({{"sample", "-o", x, "-n", "9", "--seed", strSeed}, 2, "", kSeed + "\"" + strSeed + "\"\n"});
    }
    EXPECT_TRUE(fs::is_empty(dir.Path())) << "a refused line wrote its output";
}

// Files whose names start with a dot: temporary files left behind.
std::vector<std::string> HiddenFiles(const CTempDir& dir) {
    std::vector<std::string> hidden;
    for (const auto& entry : fs::recursive_directory_iterator(dir.Path())) {
        if (entry.path().filename().string().starts_with(".")) {
            hidden.push_back(entry.path().string());
        }
    }
    return hidden;
}

TEST(OutputFile, SpecialTargetsAreWrittenThroughAndRegularFilesReplacedWhole) {
    const std::string strDoc = std::string(STOCHVAR_EXAMPLES_DIR) + "/beam.json";
    const std::pair<std::vector<std::string>, std::string> commands[] = {
        {{"convert", strDoc, "--to", "binary"}, RunCli({"convert", strDoc, "-", "--to", "binary"}).strOut},
        {{"sample", "-n", "50", "--out"}, RunCli({"sample", "-n", "50", "-o", "-"}).strOut}};
    // The name written to, and the file that then holds the output ("" for the FIFO's reader).
    const std::pair<const char*, const char*> targets[] = {
        {"new", "new"}, {"old", "old"}, {"link", "real"}, {"dangling", "sub/later"}, {"fifo", ""}};
    for (const auto& [args, expected] : commands) {
        for (const auto& [pszName, pszHolder] : targets) {
            SCOPED_TRACE(args[0] + " to " + pszName);
            const CTempDir dir;
            chmod(dir.Write("old", "old").c_str(), 0600);
            dir.Write("real", "old");
            fs::create_symlink("real", dir.File("link"));
            fs::create_directory(dir.File("sub"));
            fs::create_symlink("sub/later", dir.File("dangling"));
            mkfifo(dir.File("fifo").c_str(), 0600);
            std::future<std::string> reader; // a FIFO needs a reader for the writer to get through
            if (*pszHolder == '\0') {
                reader = std::async(std::launch::async, ReadFile, dir.File("fifo"));
            }
            std::vector<std::string> line = args;
            line.push_back(dir.File(pszName));
            ExpectCli({line, 0, args[0] == "sample" ? "written to" : "", ""});
            EXPECT_EQ(*pszHolder == '\0' ? reader.get() : ReadFile(dir.File(pszHolder)), expected);
            EXPECT_TRUE(fs::is_symlink(dir.File("link")) && fs::is_symlink(dir.File("dangling")) &&
                        fs::is_fifo(dir.File("fifo")));
            EXPECT_EQ(fs::status(dir.File("old")).permissions(), fs::perms::owner_read | fs::perms::owner_write);
            EXPECT_THAT(HiddenFiles(dir), ::testing::IsEmpty());
        }
    }
}

TEST(OutputFile, AFailedRunLeavesTheOldFileAsItWas) {
    const CTempDir dir;
    const std::string strOld = dir.Write("old", "old");
    fs::create_directory(dir.File("folder"));
    const std::string strBad = dir.Write("bad.json", R"({"variables": [{"name": "x"}]})");
    const SCliCase cases[] = {
        {{"convert", strBad, strOld}, 1, "", "stochvar: error: " + strBad + ": x: \"type\" is missing\n"},
        {{"sample", strBad, "-n", "5", "--out", strOld}, 1, "", "bad.json: x: \"type\" is missing"},
        {{"sample", "-n", "5", "--out", dir.File("folder")}, 1, "", "folder: cannot write: Is a directory"},
        {{"sample", "-n", "5", "-o", dir.File("no/s.csv")}, 1, "", "s.csv: cannot write: "},
    };
    for (const SCliCase& row : cases) {
        ExpectCli(row);
    }
    EXPECT_EQ(ReadFile(strOld), "old");
    EXPECT_THAT(HiddenFiles(dir), ::testing::IsEmpty());
    // A full standard output is an error, whichever command wrote to it.
    for (const std::vector<std::string>& args : {std::vector<std::string>{"show"}, {"sample", "-n", "5"},
                                                 {"sample", "-n", "5", "--out", "-"}, {"--help"}}) {
        ExpectCli({args, 1, "", "stochvar: error: standard output: cannot write: No space left"},
                  "/dev/null", "/dev/full");
    }
}

TEST(OutputFile, AnInterruptedRunLeavesTheOldFileAndNoPartialOne) {
    for (const int nSignal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(strsignal(nSignal));
        const CTempDir dir;
        const std::string strOut = dir.Write("s.csv", "old");
        // Far more samples than the test waits for: it ends the run as soon as the temporary
        // file holds part of them, or fails when the run ended before that.
        const pid_t pid = StartCli({"sample", "-n", "1e9", "--out", strOut});
        bool bWriting = false;
        while (!bWriting && waitpid(pid, nullptr, WNOHANG) == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            for (const std::string& strPath : HiddenFiles(dir)) {
                bWriting = bWriting || fs::file_size(strPath) > 0;
            }
        }
        ASSERT_TRUE(bWriting) << "the run ended without writing";
        kill(pid, nSignal);
        EXPECT_EQ(WaitForExit(pid), 128 + nSignal);
        EXPECT_EQ(ReadFile(strOut), "old");
        EXPECT_THAT(HiddenFiles(dir), ::testing::IsEmpty());
    }
}

} // namespace
} // namespace stochvar::test
