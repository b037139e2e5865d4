// The command line, one row per line with its exit code and messages; output files replaced whole,
// written through links and FIFOs, and left as they were by a failed or interrupted run.

#include "CliRunner.h"

#include <chrono>
#include <cstring>
#include <future>
#include <iterator>
#include <sys/stat.h>
#include <thread>

namespace stochvar::test {
namespace {

namespace fs = std::filesystem;

// The files in the directory and below: a temporary file left behind adds to them.
long Files(const CTempDir& dir) { return std::distance(fs::recursive_directory_iterator(dir.Path()), {}); }

TEST(CommandLine, EachLineGivesItsExitCodeAndMessages) {
    // No refused or failed line leaves a file in the directory or changes the old one.
    const CTempDir dir;
    const std::string x = dir.File("x");
    const std::string strOld = dir.Write("old", "old");
    fs::create_directory(dir.File("folder"));
    const std::string strBad = dir.Write("bad.json", R"({"variables": [{"name": "x"}]})");
    const std::string kCount = "-n needs a whole number from 1 to 2147483647 (such as 1000 or 1e6), not ";
    const std::string kSeed = "--seed takes one whole number from 0 to 18446744073709551615, three "
                              "written A,B,C (each from 0 to 4294967295), or random; not ";
    const SCliCase cases[] = {
        {{"-h"}, 0, "Usage: stochvar COMMAND", ""},
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
        {{"sample", "-n", "1", "--seed", "18446744073709551615"}, 0,
         "seed 18446744073709551615 = seeds 3839455607,3919575143,942667852)\n", ""},
        {{"sample", "-n", "300", "--first", "120", "--count", "80"}, 0,
         "samples 121 to 200 (of a run of 300) of 7 variables", ""},
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
        {{"convert", strBad, strOld}, 1, "", "stochvar: error: " + strBad + ": x: \"type\" is missing\n"},
        {{"sample", strBad, "-n", "5", "--out", strOld}, 1, "", "bad.json: x: \"type\" is missing"},
        {{"sample", "-n", "5", "--out", dir.File("folder")}, 1, "", "folder: cannot write: Is a directory"},
        {{"sample", "-n", "5", "-o", dir.File("no/s.csv")}, 1, "", "s.csv: cannot write: "},
        {{"convert", dir.File("none"), strOld}, 1, "", "none: cannot open: No such file or directory\n"},
        {{"sample", dir.File("folder"), "-n", "5", "-o", x}, 1, "", "folder: cannot open: it is a directory, not"},
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
    // A full standard output is an error, whichever command wrote to it.
    for (const std::vector<std::string>& args : {std::vector<std::string>{"show"}, {"sample", "-n", "5"},
                                                 {"sample", "-n", "5", "--out", "-"}, {"--help"}}) {
        ExpectCli({args, 1, "", "stochvar: error: standard output: cannot write: No space left"}, "/dev/null", "/dev/full");
    }
    EXPECT_EQ(ReadFile(strOld), "old");
    EXPECT_EQ(Files(dir), 3);
}

TEST(OutputFile, SpecialTargetsAreWrittenThroughAndRegularFilesReplacedWhole) {
    for (std::vector<std::string> line : {std::vector<std::string>{"convert", kBeam, "--to", "binary"},
                                          {"sample", "-n", "50", "--out"}}) {
        const CTempDir dir;
        chmod(dir.Write("old", "old").c_str(), 0600);
        dir.Write("real", "old");
        fs::create_symlink("real", dir.File("link"));
        fs::create_directory(dir.File("sub"));
        fs::create_symlink("sub/later", dir.File("dangling"));
        mkfifo(dir.File("fifo").c_str(), 0600);
        line.push_back("-");
        const std::string expected = ExpectCli({line, 0, "\n", line[0] == "sample" ? "50 samples" : ""}).strOut;
        // The name written to, and the file that then holds the output ("" for the FIFO's reader).
        for (const auto& [pszName, pszHolder] : {std::pair{"new", "new"}, {"old", "old"}, {"link", "real"},
                                                 {"dangling", "sub/later"}, {"fifo", ""}}) {
            std::future<std::string> reader; // a FIFO needs a reader for the writer to get through
            if (*pszHolder == '\0') {
                reader = std::async(std::launch::async, ReadFile, dir.File("fifo"));
            }
            line.back() = dir.File(pszName);
            ExpectCli({line, 0, line[0] == "sample" ? "written to" : "", ""});
            EXPECT_EQ(*pszHolder == '\0' ? reader.get() : ReadFile(dir.File(pszHolder)), expected) << pszName;
        }
        EXPECT_TRUE(fs::is_symlink(dir.File("link")) && fs::is_symlink(dir.File("dangling")) && fs::is_fifo(dir.File("fifo")));
        EXPECT_EQ(fs::status(dir.File("old")).permissions(), fs::perms::owner_read | fs::perms::owner_write);
        EXPECT_EQ(Files(dir), 8); // old, real, link, sub, sub/later, dangling, fifo, new
    }
}

TEST(OutputFile, AnInterruptedRunLeavesTheOldFileAndNoPartialOne) {
    for (const int nSignal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(strsignal(nSignal));
        const CTempDir dir;
        const std::string strOut = dir.Write("s.csv", "old");
        // Ended once its temporary file holds part of the samples, long before it would finish.
        const pid_t pid = StartCli({"sample", "-n", "1e9", "--out", strOut});
        bool bWriting = false;
        while (!bWriting && waitpid(pid, nullptr, WNOHANG) == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            for (const fs::directory_entry& entry : fs::directory_iterator(dir.Path())) {
                bWriting = bWriting || (entry.path() != strOut && entry.file_size() > 0);
            }
        }
        ASSERT_TRUE(bWriting) << "the run ended without writing";
        kill(pid, nSignal);
        EXPECT_EQ(WaitForExit(pid), 128 + nSignal);
        EXPECT_EQ(ReadFile(strOut), "old");
        EXPECT_EQ(Files(dir), 1);
    }
}

} // namespace
} // namespace stochvar::test
