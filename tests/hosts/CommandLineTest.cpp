// The command-line host, run as a program: the command line, one row per line with its exit code
// and messages; output files replaced whole, written through links and FIFOs, and left as they were
// by a failed or interrupted run; documents (what show lists, convert between JSON and binary, the
// choice of numerics, documents refused as a whole, "file: subject: reason", exit code 1, or warned
// of); and stochvar sample (the CSV and npy layouts, seeds that replay a run, the same numbers on
// other threads and from slices joined, and the summary). What is drawn is tested with the
// simulation.

#include <stochvar/documents/BinaryDocument.h>

#include "CliRun.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <regex>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace stochvar::test {
namespace {

using ::testing::ContainsRegex;

const std::string kExamples = STOCHVAR_EXAMPLES_DIR;
const std::string kBeam = kExamples + "/beam.json"; // also the built-in example

// Samples of the document the arguments name, or of the built-in example, on standard output.
SCliRun Draw(std::vector<std::string> args, const std::string& strCount = "20",
             const std::string& strErr = "sample", const std::string& strIn = "/dev/null") {
    args.insert(args.begin(), {"sample", "-n", strCount, "--out", "-"});
    return ExpectCli({args, 0, "\n", strErr}, strIn);
}

namespace fs = std::filesystem;

// The files in the directory and below: a temporary file left behind adds to them.
long Files(const CTempDir& dir) {
    return std::distance(fs::recursive_directory_iterator(dir.Path()), {});
}

TEST(CommandLine, EachLineGivesItsExitCodeAndMessages) {
    // No refused or failed line leaves a file in the directory or changes the old one.
    const CTempDir dir;
    const std::string x = dir.File("x");
    const std::string strOld = dir.Write("old", "old");
    fs::create_directory(dir.File("folder"));
    const std::string strBad = dir.Write("bad.json", R"({"variables": [{"name": "x"}]})");
    const std::string kCount =
        "-n needs a whole number from 1 to 2147483647 (such as 1000 or 1e6), not ";
    const std::string kSeed = "--seed takes one whole number from 0 to 18446744073709551615, three "
                              "written A,B,C (each from 0 to 4294967295), or random; not ";
    // clang-format off
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
        {{"sample", "-n", "1", "--seed", "42"}, 0,
         "seed 42 = seeds 3184996902,686809907,1196582743)\n", ""},
        {{"sample", "-n", "1", "--seed", "18446744073709551615"}, 0,
         "seed 18446744073709551615 = seeds 3839455607,3919575143,942667852)\n", ""},
        {{"sample", "-n", "300", "--first", "120", "--count", "80"}, 0,
         "samples 121 to 200 (of a run of 300) of 7 variables", ""},
        {{}, 2, "", "Usage: stochvar COMMAND"},
        {{"frobnicate"}, 2, "", "stochvar: unknown command \"frobnicate\"\nRun 'stochvar --help'"},
        {{"show", "--verbose"}, 2, "",
         "stochvar: unknown option --verbose\nRun 'stochvar show --help'"},
        {{"show", "-x"}, 2, "", "unknown option -x"},
        {{"show", "a.json", "b.json"}, 2, "", "one document at most, not 2"},
        {{"show", "--numerics", "exact"}, 2, "",
         "--numerics takes faithful or accurate, not \"exact\""},
        // After "--" everything is a file name, and "-n" is not a document.
        {{"sample", "-o", x, "--", "-n", "5"}, 2, "", "the number of samples is missing (-n N)"},
        {{"sample", "-n"}, 2, "", "option -n needs a value"},
        {{"sample", "-n", "10", "--samples", "20"}, 2, "", "option --samples given twice"},
        {{"sample", "-n", "10", "--lhs=yes"}, 2, "", "option --lhs takes no value"},
        {{"sample", "-n", "10", "--format", "npy"}, 2, "", "--format needs --out FILE"},
        {{"sample", "-n", "10", "--format", "xml", "-o", x}, 2, "", "--format takes csv or npy"},
        {{"sample", "-n", "10", "--categories", "labels"}, 2, "",
         "--categories takes positions or"},
        {{"sample", "-n", "9", "--categories", "names", "--format", "npy", "-o", x}, 2, "",
         "--categories names needs --format csv"},
        {{"sample", "-n", "9", "--numbered", "--format", "npy", "-o", x}, 2, "",
         "--numbered needs"},
        {{"sample", "-n", "10", "--first", "10", "-o", x}, 2, "",
         "--first needs a whole number from 0 to 9"},
        {{"sample", "-n", "10", "--threads", "257"}, 2, "",
         "--threads needs a whole number from 1 to 256"},
        {{"sample", "-n", "10", "--out="}, 2, "", "--out needs a file name"},
        {{"sample", "-n", "2000000000", "--lhs", "-o", x}, 2,
         "",
         "too many samples for Latin hypercube sampling of 7 variables: 2000000000 x 7 strata "
         "exceed the table's 2147483647; at most 306783378 samples, or plain sampling\n"},
        {{"convert", "a.json", "b.json", "c.json"}, 2, "", "convert needs an input and an output"},
        {{"convert", "a.json", x, "--to", "xml"}, 2, "", "--to takes json or binary, not \"xml\""},
        {{"convert", strBad, strOld}, 1, "",
         "stochvar: error: " + strBad + ": x: \"type\" is missing\n"},
        {{"sample", strBad, "-n", "5", "--out", strOld}, 1, "", "bad.json: x: \"type\" is missing"},
        {{"sample", "-n", "5", "--out", dir.File("folder")}, 1, "",
         "folder: cannot write: Is a directory"},
        {{"sample", "-n", "5", "-o", dir.File("no/s.csv")}, 1, "", "s.csv: cannot write: "},
        {{"convert", dir.File("none"), strOld}, 1, "",
         "none: cannot open: No such file or directory\n"},
        {{"sample", dir.File("folder"), "-n", "5", "-o", x}, 1, "",
         "folder: cannot open: it is a directory, not"},
    };
    // clang-format on
    for (const SCliCase& row : cases) {
        ExpectCli(row);
    }
    for (const std::string strCount :
         {"0", "-5", "1.5", "1e-3", "1e", "12abc", "2147483648", "3e9"}) {
        ExpectCli({{"sample", "-o", x, "-n", strCount}, 2, "", kCount + "\"" + strCount + "\"\n"});
    }
    for (const std::string strSeed :
         {"1,2", "1,2,3,4", "1,,3", "1,2,4294967296", "18446744073709551616"}) {
        ExpectCli({{"sample", "-o", x, "-n", "9", "--seed", strSeed},
                   2,
                   "",
                   kSeed + "\"" + strSeed + "\"\n"});
    }
    // A full standard output is an error, whichever command wrote to it.
    for (const std::vector<std::string>& args : {std::vector<std::string>{"show"},
                                                 {"sample", "-n", "5"},
                                                 {"sample", "-n", "5", "--out", "-"},
                                                 {"--help"}}) {
        ExpectCli({args, 1, "", "stochvar: error: standard output: cannot write: No space left"},
                  "/dev/null", "/dev/full");
    }
    EXPECT_EQ(ReadText(strOld), "old");
    EXPECT_EQ(Files(dir), 3);
}

TEST(CommandLine, MessagesSayWhatIsMeant) {
    // Each row a message that once said too little or something else.
    const CTempDir dir;
    const std::string strUnnamed = dir.Write("u.json", R"({"variables": [
        {"name": "", "type": "NORMAL", "values": {"MEAN": 1, "STDDEV": 2}}]})");
    // Target and sample mean a few units in the last place apart; a name of 5 characters and 7
    // bytes padded to the column of "variable" (8 + 2).
    const std::string strNear = dir.Write("n.json", R"({"variables": [
        {"name": "Größe", "type": "NORMAL", "values": {"MEAN": -123456789.123, "STDDEV": 1e-7}},
        {"name": "b", "type": "NORMAL", "values": {"MEAN": 0, "STDDEV": 1}}]})");
    // Values near 1e300, whose squares overflow (a beta with R = 2, S = 3: sd = 4e299).
    const std::string strWide = dir.Write("w.json", R"({"variables": [{"name": "b", "type": "BETA",
        "input": "/R/S/LOWER_BOUND/UPPER_BOUND",
        "values": {"R": 2, "S": 3, "LOWER_BOUND": -1e300, "UPPER_BOUND": 1e300}}]})");
    // Two uniforms admit X-space correlations up to 0.99997352...: 0.99998 is corrected.
    const std::string strCorrected = dir.Write("c.json", R"({"variables": [
        {"name": "A", "type": "UNIFORM", "values": {"LOWER_BOUND": 0, "UPPER_BOUND": 1}},
        {"name": "B", "type": "UNIFORM", "values": {"LOWER_BOUND": 0, "UPPER_BOUND": 1}}],
        "correlations": [{"between": ["A", "B"], "value": 0.99998, "space": "X"}]})");
    // clang-format off
    const SCliCase cases[] = {
        {{"show", strCorrected}, 0, "X-space  0.9999735258342592\n",
         "Correlation is modified to  1.0000! (given 0.99998, now 0.9999735258342592)\n"},
        {{"sample", strWide, "-n", "1000"}, 0,
         "\nb         -2e+299        -2.08637e+299  4e+299         3.9", ""},
        {{"-x"}, 2, "", "stochvar: unknown option -x\nRun 'stochvar --help'"},
        {{"--version", "extra"}, 2, "", "stochvar: --version takes no arguments, not \"extra\"\n"},
        // Examples only where they lie in the range.
        {{"sample", "-n", "10", "--first", "4", "--count", "7"}, 2, "",
         "--count needs a whole number from 1 to 6, not \"7\"\n"},
        {{"sample", "-n", "5000", "--count", "5001"}, 2, "",
         "--count needs a whole number from 1 to 5000 (such as 1000), not"},
        {{"sample", strUnnamed, "-n", "2", "-o", "-"}, 0, "variable 1\n",
         "stochvar: warning: " + strUnnamed + ": variable 1: the variable has no name\n"},
        {{"sample", strNear, "-n", "10"}, 0, "\nGröße     -123456789.123 -123456789.12", ""},
        {{"sample", "-n", "3", "-o", dir.File("s.npy"), "--format", "csv"}, 2, "",
         "--format csv for " + dir.File("s.npy") + ": a name ending in .npy says the other"},
    };
    // clang-format on
    for (const SCliCase& row : cases) {
        ExpectCli(row);
    }
    // The format from the name alone.
    for (const std::string strName : {"s.NPY", "s.csv", "s"}) {
        ExpectCli({{"sample", "-n", "3", "-o", dir.File(strName)}, 0, "written to", ""});
        EXPECT_EQ(ReadText(dir.File(strName)).starts_with("\x93NUMPY"), strName == "s.NPY");
    }
    // A full disk stops the run at its first failed write, not after the whole run (hours).
    CChildProcess::SOptions options = Streams("/dev/null", "/dev/null", dir.File("err"));
    options.deadline = std::chrono::seconds(60);
    CChildProcess full(CliLine({"sample", "-n", "2e9", "-o", "/dev/full"}), options);
    EXPECT_EQ(full.Wait(), 1);
    EXPECT_EQ(ReadText(dir.File("err")),
              "stochvar: error: /dev/full: cannot write: No space left on device\n");
}

TEST(OutputFile, SpecialTargetsAreWrittenThroughAndRegularFilesReplacedWhole) {
    for (std::vector<std::string> line :
         {std::vector<std::string>{"convert", kBeam, "--to", "binary"},
          {"sample", "-n", "50", "--out"}}) {
        const CTempDir dir;
        chmod(dir.Write("old", "old").c_str(), 0600);
        dir.Write("real", "old");
        fs::create_symlink("real", dir.File("link"));
        fs::create_directory(dir.File("sub"));
        fs::create_symlink("sub/later", dir.File("dangling"));
        mkfifo(dir.File("fifo").c_str(), 0600);
        line.push_back("-");
        const std::string expected =
            ExpectCli({line, 0, "\n", line[0] == "sample" ? "50 samples" : ""}).strOut;
        // The name written to, and the file that then holds the output ("" for the FIFO's reader).
        for (const auto& [pszName, pszHolder] : {std::pair{"new", "new"},
                                                 {"old", "old"},
                                                 {"link", "real"},
                                                 {"dangling", "sub/later"},
                                                 {"fifo", ""}}) {
            std::future<std::string> reader; // a FIFO needs a reader for the writer to get through
            if (*pszHolder == '\0') {
                reader = std::async(std::launch::async, ReadText, dir.File("fifo"));
            }
            line.back() = dir.File(pszName);
            ExpectCli({line, 0, line[0] == "sample" ? "written to" : "", ""});
            EXPECT_EQ(*pszHolder == '\0' ? reader.get() : ReadText(dir.File(pszHolder)), expected)
                << pszName;
        }
        EXPECT_TRUE(fs::is_symlink(dir.File("link")) && fs::is_symlink(dir.File("dangling")) &&
                    fs::is_fifo(dir.File("fifo")));
        EXPECT_EQ(fs::status(dir.File("old")).permissions(),
                  fs::perms::owner_read | fs::perms::owner_write);
        EXPECT_EQ(Files(dir), 8); // old, real, link, sub, sub/later, dangling, fifo, new
    }
}

TEST(OutputFile, TheTargetDecidesHowItIsWritten) {
    // The document itself is never an output; the process's own streams are written as they are
    // (">>" appends, a pipe works); a file this user may not write is refused, as cp refuses it
    // (for the superuser: a file without any write permission); a file with other hard links is
    // written in place, and so is another user's file that could not be given back.
    const CTempDir dir;
    const std::string strDoc = dir.Write("d.json", ReadText(kBeam));
    fs::create_symlink("d.json", dir.File("link.json"));
    const std::string strOld = ReadText(strDoc);
    const std::string strJson =
        ExpectCli({{"convert", kBeam, "-", "--to", "json"}, 0, "{", ""}).strOut;
    const std::string strLocked = dir.Write("locked", "old");
    chmod(strLocked.c_str(), 0444);
    const std::string strLinked = dir.Write("linked", "old");
    fs::create_hard_link(strLinked, dir.File("other"));
    const SCliCase refused[] = {
        {{"sample", strDoc, "-n", "3", "--out", strDoc},
         2,
         "",
         "--out " + strDoc + " is the document"},
        {{"convert", dir.File("link.json"), strDoc}, 2, "", "OUT " + strDoc + " is the document"},
        {{"reliability", strDoc, "--method", "form", "--json", dir.File("link.json")},
         2,
         "",
         "is the document"},
        {{"convert", kBeam, strLocked}, 1, "", "locked: cannot write: Permission denied\n"},
        {{"sample", "-n", "3", "-o", strLocked},
         1,
         "",
         "locked: cannot write: Permission denied\n"},
    };
    for (const SCliCase& row : refused) {
        ExpectCli(row);
    }
    EXPECT_EQ(ReadText(strDoc), strOld);
    EXPECT_EQ(ReadText(strLocked), "old");
    ExpectCli({{"convert", kBeam, strLinked, "--to", "json"}, 0, "", ""});
    EXPECT_EQ(ReadText(dir.File("other")), strJson);
    EXPECT_EQ(fs::hard_link_count(strLinked), 2U);
    // Through a shell, appended to a log and piped, under each name of the descriptor.
    const std::string strLog = dir.Write("log", "old\n");
    for (const std::string strName : {"/dev/stdout", "/proc/self/fd/1", "/dev/fd/1"}) {
        for (const std::string& strRedirect : {" >> " + strLog, " | cat >> " + strLog}) {
            const std::string strLine = std::string(STOCHVAR_CLI_PATH) + " convert " + kBeam + " " +
                                        strName + " --to json" + strRedirect;
            SCOPED_TRACE(strLine);
            EXPECT_EQ(CChildProcess({"/bin/sh", "-c", strLine}, Streams()).Wait(), 0);
        }
    }
    std::string strExpected = "old\n";
    for (int i = 0; i < 6; ++i) {
        strExpected += strJson;
    }
    EXPECT_EQ(ReadText(strLog), strExpected);
    CChildProcess cli(
        {"/bin/sh", "-c",
         std::string(STOCHVAR_CLI_PATH) + " sample -n 4 -o /dev/stderr 2>> " + strLog},
        Streams());
    EXPECT_EQ(cli.Wait(), 0);
    EXPECT_THAT(ReadText(strLog), ::testing::StartsWith(strExpected + "fy,W,G,Q,L,theta,use\n"));
    if (geteuid() != 0) {
        return;
    }
    // Run as an ordinary user (nobody) in a directory of theirs: a file of root's is refused when
    // they may not write it, and written in place, still root's, when they may.
    const std::vector<std::string> kAsNobody{"setpriv", "--reuid=65534", "--regid=65534",
                                             "--clear-groups"};
    {
        // A checkout under a private directory (mktemp -d makes them 0700) is closed to nobody.
        std::vector<std::string> line{"/usr/bin/setpriv", "--reuid=65534",   "--regid=65534",
                                      "--clear-groups",   STOCHVAR_CLI_PATH, "--version"};
        CChildProcess probe(line, Streams());
        if (probe.Wait() != 0) {
            GTEST_SKIP() << "the built program cannot be run as nobody from this checkout";
        }
    }
    const std::string strUser = dir.File("user");
    chmod(dir.Path().c_str(), 0755);
    fs::create_directory(strUser);
    ASSERT_EQ(chown(strUser.c_str(), 65534, 65534), 0);
    const std::string strRoots = dir.Write("user/roots", "old");
    const std::string strShared = dir.Write("user/shared", "old");
    chmod(strShared.c_str(), 0666);
    const auto asUser = [&](const std::string& strOut) {
        return ExpectCli({{"convert", kBeam, strOut, "--to", "json"},
                          strOut == strRoots ? 1 : 0,
                          "",
                          strOut == strRoots ? "roots: cannot write: Permission denied\n" : ""},
                         "/dev/null", "", kAsNobody);
    };
    asUser(strRoots);
    asUser(strShared);
    EXPECT_EQ(ReadText(strRoots), "old");
    EXPECT_EQ(ReadText(strShared), strJson);
    struct stat status {};
    EXPECT_EQ(stat(strShared.c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, 0U);
}

TEST(OutputFile, AnInterruptedRunLeavesTheOldFileAndNoPartialOne) {
    for (const int nSignal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(strsignal(nSignal));
        const CTempDir dir;
        const std::string strOut = dir.Write("s.csv", "old");
        // Ended once its temporary file holds part of the samples, long before it would finish.
        CChildProcess cli(CliLine({"sample", "-n", "1e9", "--out", strOut}));
        bool bWriting = false;
        while (!bWriting && cli.IsRunning()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            for (const fs::directory_entry& entry : fs::directory_iterator(dir.Path())) {
                bWriting = bWriting || (entry.path() != strOut && entry.file_size() > 0);
            }
        }
        ASSERT_TRUE(bWriting) << "the run ended without writing";
        cli.Signal(nSignal);
        EXPECT_EQ(cli.Wait(), 128 + nSignal);
        EXPECT_EQ(ReadText(strOut), "old");
        EXPECT_EQ(Files(dir), 1);
    }
}

// Every optional part of a document, and a variable E that can be listed and stored but not
// sampled, so that an editor can open the document and repair it.
const char* const kEverything = R"({"description": "two lines\nof text",
  "variables": [{"name": "N", "type": "NORMAL", "input": 1, "canChange": false,
                 "values": {"MEAN": 4, "COV": 0.125}, "axis": {"min": -9, "max": 7.5}},
    {"name": "D", "type": "DISCRETE", "categories": [{"name": "a", "frequency": 1},
                                 {"name": "b,c", "frequency": 3}, {"name": "z", "frequency": 0}]},
    {"name": "E", "type": "DISCRETE", "categories": []}],
  "correlations": [{"between": ["D", "N"], "value": 0.5, "space": "X"}]})";

TEST(Show, ListsEveryPartOfADocumentAndWarnsOfWhatCannotBeSampled) {
    // Derived values from their definitions: sd = mean * CoV; a discrete variable with
    // probabilities 1/4 and 3/4 at 0 and 1 has mean 0.75 and sd sqrt(3) / 4.
    const CTempDir dir;
    const std::string strDoc = dir.Write("d.json", kEverything);
    const SCliRun shown = ExpectCli(
        {{"show", strDoc},
         0,
         "Collection " + strDoc + R"(
two lines
of text
3 variables, 1 correlation
correlation groups: 1 (of 2 variables)
numerics: faithful

N  NORMAL, input type /MEAN/COV
    MEAN         4                        given
    COV          0.125                    given
    STDDEV       0.5
    mean 4, standard deviation 0.5
    chart axis [-9, 7.5]
    family may not be changed

D  DISCRETE, 3 categories
    0   a     frequency 1           probability 0.25
    1   b,c   frequency 3           probability 0.75
    2   z     frequency 0           probability 0
    mean 0.75, standard deviation 0.4330127018922193

E  DISCRETE, 0 categories
    mean 0, standard deviation 0

Correlations
D / N  given in X-space
    X-space  0.5
    U-space  0.67326)",
         "stochvar: warning: " + strDoc + ": E: cannot be sampled: it has no categories\n"});
    EXPECT_THAT(
        shown.strOut,
        ::testing::ContainsRegex(
            "\n    admissible X-space range \\[-0\\.742656064[0-9]+, 0\\.742656064[0-9]+\\]\n$"));
    // The numerics of the line map the correlation; the document can come from standard input.
    ExpectCli({{"show", strDoc, "--numerics", "accurate"},
               0,
               "    U-space  0.67327",
               "E: cannot be sampled"});
    ExpectCli({{"show", "-"}, 0, "Collection standard input\n", ""}, kBeam);
    // A correlation of a variable that cannot be sampled is listed as given, without a mapping
    // or a range (beta exponents that are not finite: the mapping would never end).
    const std::string strBeta = dir.Write("b.json", R"({"variables": [{"name": "B", "type": "BETA",
        "values": {"MEAN": 0.1, "STDDEV": 1e-300, "LOWER_BOUND": 0, "UPPER_BOUND": 1}},
        {"name": "N", "type": "NORMAL", "values": {"MEAN": 1, "STDDEV": 2}}],
        "correlations": [{"between": ["B", "N"], "value": 0.3, "space": "U"}]})");
    EXPECT_THAT(ExpectCli({{"show", strBeta},
                           0,
                           "X-space  nan\n    U-space  0.3\n",
                           "B: cannot be sampled: the exponents R = inf"})
                    .strOut,
                ::testing::Not(::testing::HasSubstr("admissible")));
}

TEST(Convert, JsonAndBinaryCarryTheSameDocument) {
    // Output names try each rule: .json in any case is JSON, any other name binary, unless --to
    // says; reading goes by the contents. The examples are in the writer's layout.
    const CTempDir dir;
    const std::vector<std::string> documents{
        dir.Write("all.json", kEverything), kBeam, kExamples + "/column.json",
        kExamples + "/offshore.json", kExamples + "/slope.json"};
    const std::string strCopy = dir.File("copy.JSON"), strBinary = dir.File("doc"),
                      strBack = dir.File("back.svc");
    for (const std::string& strJson : documents) {
        SCOPED_TRACE(strJson);
        for (std::vector<std::string> line :
             {std::vector<std::string>{strJson, strCopy},
              {strJson, strBinary},
              {strBinary, strBack, "--to", "json"},
              {strBack, dir.File("again.json"), "--to", "binary"}}) {
            line.insert(line.begin(), "convert");
            ExpectCli({line, 0, "", ""});
        }
        EXPECT_TRUE(ReadText(strBinary).starts_with(kBinarySignature));
        EXPECT_EQ(ReadText(strBack), ReadText(strCopy));
        EXPECT_EQ(ReadText(dir.File("again.json")), ReadText(strBinary));
        if (strJson == documents[0]) { // not sampled, from either form, for the same reason
            for (const std::string& strDoc : {strJson, strBinary}) {
                ExpectCli({{"sample", strDoc, "-n", "5", "-o", strBack},
                           1,
                           "",
                           strDoc + ": E: cannot be sampled: it has no"});
            }
            EXPECT_EQ(ReadText(strBack), ReadText(strCopy));
        } else {
            EXPECT_EQ(ReadText(strCopy), ReadText(strJson));
            EXPECT_EQ(Draw({strBinary, "--lhs"}, "300").strOut,
                      Draw({strJson, "--lhs"}, "300").strOut);
        }
    }
}

TEST(Numerics, TheOptionOverridesTheDocumentAndJsonAloneKeepsTheChoice) {
    // The summaries name the numerics that ran, and the numbers are theirs.
    const CTempDir dir;
    std::string strBeam = ReadText(kBeam);
    strBeam.insert(strBeam.find("\n  \"variables\""), "\n  \"numerics\": \"accurate\",");
    const std::string strAccurate = dir.Write("accurate.json", strBeam); // in the writer's layout
    const std::string faithful = Draw({}, "200", "numerics: faithful\n").strOut;
    const std::string accurate = Draw({strAccurate}, "200", "numerics: accurate\n").strOut;
    EXPECT_NE(accurate, faithful);
    EXPECT_EQ(Draw({"--numerics=accurate"}, "200", "numerics: accurate\n").strOut, accurate);
    EXPECT_EQ(Draw({strAccurate, "--numerics", "faithful"}, "200", "numerics: faithful\n").strOut,
              faithful);
    // JSON keeps the choice; binary has no place for it and drops it with a warning.
    ExpectCli({{"convert", strAccurate, dir.File("copy.json")}, 0, "", ""});
    EXPECT_EQ(ReadText(dir.File("copy.json")), strBeam);
    ExpectCli({{"convert", strAccurate, dir.File("b.svc")},
               0,
               "",
               "stochvar: warning: " + strAccurate +
                   ": the binary form keeps no choice of numerics: \"numerics\": \"accurate\" is "
                   "not written\n"});
    ExpectCli({{"show", dir.File("b.svc")}, 0, "numerics: faithful\n", ""});
}

// A document of R with the fields after its name, a normal S, and the correlations.
std::string Doc(const std::string& strR, const std::string& strCorrelations = "") {
    return R"({"variables": [{"name": "R", )" + strR + R"(}, {"name": "S", "type": "NORMAL",
        "values": {"MEAN": 1, "STDDEV": 2}}], "correlations": [)" +
           strCorrelations + "]}";
}

TEST(RefusedDocument, EachKindOfErrorRefusesTheWholeDocument) {
    // More refusals, of documents that the JSON Schema refuses too:
    // tests/documents/test_document_schema.py.
    const std::string kR = R"("type": "NORMAL", "values": {"MEAN": 3, "STDDEV": 1})";
    // The correlations from the first entry's pair on.
    const auto corr = [&](const std::string& strPairs) {
        return Doc(kR, R"({"between": [)" + strPairs + "}");
    };
    const std::pair<std::string, std::string> cases[] = {
        {Doc(R"("type": "NORMAL", "values": {"MEAN": 3, "COV": 0.1})"),
         "R: COV is not a parameter of input type /MEAN/STDDEV"},
        {Doc(R"("type": "NORMAL", "values": {"MEAN": 3})"),
         "R: the value of STDDEV is missing (input type /MEAN/STDDEV)"},
        {Doc(R"("type": "NORMAL", "values": {"MEAN": 3, "STDDEV": 0})"),
         "R: StdDev is less than (or equal to) 0"},
        // The library's text names the exponential family's rate; the reader adds the scale meant.
        {Doc(R"("type": "RAYLEIGH", "input": "/THETA/LOWER_BOUND",
                "values": {"THETA": 0, "LOWER_BOUND": 0})"),
         "R: Lambda must be positive. (Here the scale THETA must be positive.)"},
        {Doc(R"("type": "NORMAL", "values": {"MEAN": 1e400, "STDDEV": 1})"),
         "document: not valid JSON: number overflow"},
        {Doc(R"("type": "NORMAL", "values": {"MEAN": 1, "STDDEV": 1, "MEAN": 2})"),
         "document: the key \"MEAN\" is given twice"},
        {Doc(R"("type": "NORMAL", "input": "/MEAN/SIGMA")"),
         "R: unknown input type \"/MEAN/SIGMA\" (known: 0 /MEAN/STDDEV, 1 /MEAN/COV)"},
        {Doc(R"("type": "NORMAL", "input": 1.5)"), "R: unknown input type 1.5 (known: 0 /MEAN/STD"},
        {Doc(R"("type": "NORMAL", "input": true)"), "R: \"input\" must be an input type label"},
        {Doc(kR + R"(, "axis": {"min": 5, "max": 1})"),
         "R: the axis minimum must be a number below"},
        {R"({"variables": [{"name": "F", "type": "FIXED", "values": {"MEAN": 1}},
                           {"name": "", "type": "NORMALL"}]})",
         "variable 2: unknown family \"NORMALL\" (known: FIXED, BETA, EXPONENTIAL, DISCRETE, "
         "GUMBEL, LOGNORMAL, NORMAL, RAYLEIGH, TRIANGULAR, UNIFORM, WEIBULL)"},
        {R"({"variables": [{"name": "F", "type": "FIXED", "values": {"MEAN": 1}},
                           {"name": "F", "type": "FIXED", "values": {"MEAN": 2}}]})",
         "F: another variable has the same name"},
        {corr(R"("R", "Q"], "value": 0.3, "space": "X")"),
         "correlation R / Q: unknown variable \"Q\""},
        {corr(R"("R", "R"], "value": 0.3, "space": "U")"),
         "correlation R / R: a variable cannot be correlated with itself"},
        {corr(R"("R", "S"], "value": 0.3, "space": "U"},
                   {"between": ["S", "R"], "value": 0.1, "space": "X")"),
         "correlation S / R: the pair is correlated twice"},
        {"{\"variables\": [", "document: not valid JSON: "},
        {"some text\n", "document: not a collection document (neither JSON nor the binary format)"},
    };
    const CTempDir dir;
    for (const auto& [text, strReason] : cases) {
        const std::string strPath = dir.Write("bad.txt", text);
        ExpectCli({{"show", strPath}, 1, "", "stochvar: error: " + strPath + ": " + strReason});
    }
    // A correction is a warning: a given 1 is moved to the library's limit, and kept.
    const std::string strOne = dir.Write("w.json", corr(R"("R", "S"], "value": 1, "space": "X")"));
    ExpectCli({{"show", strOne},
               0,
               "X-space  0.9999999999\n",
               "stochvar: warning: " + strOne +
                   ": correlation R / S: Correlation specified "
                   "between variable R and S is too large to perform the nataf mapping."});
    ExpectCli({{"convert", strOne, dir.File("out")}, 0, "", "Correlation is modified to"});
    ExpectCli({{"show", dir.File("out")}, 0, "X-space  0.9999999999\n", ""});
}

TEST(Sample, AVariableWhoseConversionUnderflowsIsListedWithAWarningAndNotSampled) {
    // E in pascals: DELTA = ALPHA^-BETA underflows for a mean of 2.1e11 and a shape near 42.
    const CTempDir dir;
    const std::string strDoc = dir.Write("e.json", Doc(R"("type": "WEIBULL",
        "input": "/MEAN/COV/LOWER_BOUND",
        "values": {"MEAN": 210e9, "COV": 0.03, "LOWER_BOUND": 0})"));
    const std::string strReason = strDoc + ": R: cannot be sampled: DELTA = ALPHA^-BETA underflows "
                                           "to 0 for MEAN - LOWER_BOUND = 2.1e+11 and BETA = 42.";
    ExpectCli({{"show", strDoc}, 0, "R  WEIBULL", "stochvar: warning: " + strReason});
    ExpectCli({{"sample", "-n", "5", strDoc}, 1, "", "stochvar: error: " + strReason});
}

// Beta variables the inverse cannot serve are refused with the reason before anything is drawn
// (they gave only their bounds, or did not end); discrete frequencies at the ends of the number
// range keep their shares.
TEST(Sample, ExtremeBetaAndDiscreteVariablesAreRefusedOrSampledWithTheirShares) {
    const CTempDir dir;
    const auto beta = [](const std::string& strValues) {
        return Doc(R"("type": "BETA", "input": "/MEAN/STDDEV/LOWER_BOUND/UPPER_BOUND",
            "values": {)" +
                   strValues + "}");
    };
    const struct {
        std::string strDoc;
        std::string strReason;
    } refused[] = {
        {beta(R"("MEAN": 2, "STDDEV": 0.1, "LOWER_BOUND": 0, "UPPER_BOUND": 10)"),
         "the beta function B(R, S) underflows a double"},
        {beta(R"("MEAN": 1e-12, "STDDEV": 1e-8, "LOWER_BOUND": 0, "UPPER_BOUND": 1e12)"),
         "cannot be sampled: "},
        {Doc(R"("type": "BETA", "input": "/R/S/LOWER_BOUND/UPPER_BOUND",
            "values": {"R": 3, "S": 1e6, "LOWER_BOUND": 0,
            "UPPER_BOUND": 1})"),
         "exceed 200: the incomplete beta function adds a term per unit of the larger one"},
    };
    for (const auto& row : refused) {
        SCOPED_TRACE(row.strDoc);
        const std::string strDoc = dir.Write("b.json", row.strDoc);
        ExpectCli({{"show", strDoc}, 0, "R  BETA", "stochvar: warning: " + strDoc + ": R: cannot"});
        EXPECT_THAT(ExpectCli({{"sample", "-n", "5", strDoc}, 1, "", row.strReason}).strErr,
                    ::testing::StartsWith("stochvar: error: " + strDoc + ": R: cannot be sampled"));
    }
    const auto discrete = [&](const std::string& strA, const std::string& strB) {
        return dir.Write("d.json", R"({"variables": [{"name": "D", "type": "DISCRETE",
            "categories": [{"name": "a", "frequency": )" +
                                       strA + R"(}, {"name": "b", "frequency": )" + strB + "}]}]}");
    };
    ExpectCli({{"show", discrete("1e308", "1e308")}, 0, "probability 0.5\n", ""});
    // Both categories drawn: a sample mean near 0.5 (every draw was category 0 before).
    EXPECT_THAT(ExpectCli({{"sample", "-n", "400", "--seed", "3", discrete("1e308", "1e308")},
                           0,
                           "target mean",
                           ""})
                    .strOut,
                ::testing::ContainsRegex("\nD +0\\.5 +0\\.[45][0-9]* +0\\.5 "));
    ExpectCli({{"show", discrete("1e-320", "3e-320")}, 0, "probability 0.75\n", ""});
}

TEST(Sample, CsvAndSummaryOfAConstantDocumentAreExact) {
    // Names quoted where they need it, inner quotes doubled; numbers in their shortest round-trip
    // form; a discrete value as its position or its category's name; a long name widens a column.
    const CTempDir dir;
    const std::string strDoc = dir.Write("c.json", R"({"variables": [
        {"name": "a,b", "type": "FIXED", "values": {"MEAN": 0.30000000000000004}},
        {"name": "say \"hi\" twice", "type": "DISCRETE",
         "categories": [{"name": "never", "frequency": 0}, {"name": "x,\"y\"", "frequency": 2}]},
        {"name": " pad", "type": "FIXED", "values": {"MEAN": -1e-300}}]})");
    const std::string strHeader = "\"a,b\",\"say \"\"hi\"\" twice\",\" pad\"\n";
    const std::string strSeed = " variables (plain sampling, seed 699570728,398267609,1044576128)\n"
                                "numerics: faithful\n";
    const std::string strTables = R"(
variable        target mean    sample mean    target sd      sample sd
a,b             0.3            0.3            0              0
say "hi" twice  1              1              0              0
 pad            -1e-300        -1e-300        0              0

correlation: sample (target, X-space)
                a,b               say "hi" twice     pad
a,b             1
say "hi" twice  0.0000 (0.0000)   1
 pad            0.0000 (0.0000)   0.0000 (0.0000)   1
)";
    const std::string strCsv = dir.File("s.csv");
    ExpectCli({{"sample", strDoc, "-n", "2", "-o", strCsv},
               0,
               "2 samples of 3" + strSeed + "written to " + strCsv + "\n" + strTables,
               ""});
    const std::string strRow = "0.30000000000000004,1,-1e-300\n";
    EXPECT_EQ(ReadText(strCsv), strHeader + strRow + strRow);
    ExpectCli({{"sample", strDoc, "-n", "1", "--categories", "names", "-o", "-"},
               0,
               strHeader + "0.30000000000000004,\"x,\"\"y\"\"\",-1e-300\n",
               "1 sample of 3" + strSeed + strTables});
}

TEST(Sample, SeedsThreadsAndSlicesReplayARun) {
    // The seeds printed, one drawn at random too, replay the run, on any number of threads, and so
    // do slices joined without their later header lines, with the run's own sample numbers. (That
    // every thread count and slice of either method gives the same numbers is the simulation tests'
    // part.)
    const auto body = [](const std::string& csv) { return csv.substr(csv.find('\n') + 1); };
    const SCliRun drawn = Draw({"--lhs", "--numbered", "--seed", "random"}, "300");
    std::smatch match;
    ASSERT_TRUE(std::regex_search(
        drawn.strErr, match, std::regex("seed ([0-9]+) drawn at random = seeds ([0-9,]+)\\)")));
    EXPECT_EQ(Draw({"--lhs", "--numbered", "--seed", match[1]}, "300").strOut, drawn.strOut);
    const auto run = [&](std::vector<std::string> args) {
        args.insert(args.end(), {"--lhs", "--numbered", "--seed=" + match.str(2)});
        return Draw(args, "300").strOut;
    };
    EXPECT_TRUE(drawn.strOut.starts_with("sample,fy,W,G,Q,L,theta,use\n1,"));
    EXPECT_EQ(run({"--threads", "3"}), drawn.strOut);
    const std::string middle = run({"--first", "120", "--count", "1"});
    EXPECT_TRUE(body(middle).starts_with("121,"));
    EXPECT_EQ(run({"--count", "120"}) + body(middle) +
                  body(run({"--first", "121", "--threads", "1"})),
              drawn.strOut);
    // Each of the three seeds counts, and so does the method; a document from standard input
    // replays too.
    EXPECT_NE(Draw({"--seed", "11,22,34"}).strOut, Draw({"--seed", "11,22,33"}).strOut);
    EXPECT_NE(Draw({"--seed", "11,22,33", "--lhs"}).strOut, Draw({"--seed", "11,22,33"}).strOut);
    const std::string strColumn = kExamples + "/column.json";
    EXPECT_EQ(Draw({"-", "--seed", "699570728,398267609,1044576128"}, "20", "20 samples", strColumn)
                  .strOut,
              Draw({strColumn}).strOut);
}

TEST(Sample, NpyHoldsTheCsvNumbersBitForBit) {
    // More rows than the run draws at a time, so that the batches join up in both files. Magic,
    // version 1.0, the header's length and the header, padded so that the data start at 128.
    static_assert(std::endian::native == std::endian::little, "the npy data are little-endian");
    const CTempDir dir;
    std::string csv = Draw({"--lhs"}, "5000").strOut;
    ExpectCli({{"sample", "-n", "5e3", "--lhs", "--format", "npy", "-o", dir.File("s.npy")},
               0,
               "written to",
               ""});
    const std::string npy = ReadText(dir.File("s.npy"));
    const std::string strDict = "{'descr': '<f8', 'fortran_order': False, 'shape': (5000, 7), }";
    ASSERT_EQ(npy.substr(0, 128), std::string("\x93NUMPY\x01\x00\x76\x00", 10) + strDict +
                                      std::string(128 - 11 - strDict.size(), ' ') + "\n");
    ASSERT_EQ(npy.size(), 128 + 5000 * 7 * sizeof(double));
    char* pszField = csv.data() + csv.find('\n'); // before each field its separator
    for (std::size_t k = 0; k < 5000 * 7; ++k) {
        double dValue = 0.0;
        std::memcpy(&dValue, npy.data() + 128 + 8 * k, sizeof dValue);
        ASSERT_EQ(dValue, std::strtod(pszField + 1, &pszField)) << k;
    }
    EXPECT_EQ(pszField, csv.data() + csv.size() - 1);
}

TEST(Sample, SummaryListsTheTargetCorrelations) {
    // In the matrix each cell is "sample (target)", the target in the cell of the pair given.
    // Beyond twelve variables only the pairs given are listed. The header counts the groups of
    // correlated variables.
    const CTempDir dir;
    const auto variable = [](int i) {
        return R"({"type": "NORMAL", "values": {"MEAN": 1, "STDDEV": 1}, "name": "v)" +
               std::to_string(i) + "\"}";
    };
    std::string strDoc =
        R"({"correlations": [{"between": ["v0", "v11"], "value": 0.5, "space": "X"}],
            "variables": [)";
    for (int i = 0; i < 12; ++i) {
        strDoc += variable(i) + (i < 11 ? "," : "]}");
    }
    const std::string strTwelve = dir.Write("12.json", strDoc);
    EXPECT_THAT(
        ExpectCli(
            {{"sample", strTwelve, "-n", "50"}, 0, "\ncorrelation: sample (target, X-space)\n", ""})
            .strOut,
        ContainsRegex("\nv11 +[-0-9.]+ \\(0\\.5000\\) +[-0-9.]+ \\(0\\.0000\\) "));
    strDoc.insert(strDoc.size() - 2, "," + variable(12));
    strDoc.insert(strDoc.find("],\n"),
                  R"(, {"between": ["v12", "v3"], "value": 0.1, "space": "U"})"
                  R"(, {"between": ["v3", "v5"], "value": 0.1, "space": "U"})");
    const std::string strOut =
        ExpectCli({{"sample", dir.Write("13.json", strDoc), "-n", "50"}, 0, "v0", ""}).strOut;
    EXPECT_THAT(strOut, ContainsRegex("\nnumerics: faithful\ncorrelation groups: 2 \\(the "
                                      "largest of 3 variables\\)\n"));
    EXPECT_THAT(
        strOut,
        ContainsRegex("\ncorrelation of the 3 given pairs: sample \\(target, X-space\\); "
                      "every other pair is independent\nv0 / v11  [-0-9.]+ \\(0\\.5000\\)\n"));
}

TEST(Sample, ARunLargerThanTheMemoryLeftIsRefusedBeforeItStarts) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer cannot run under an address-space limit";
#endif
    // 5e7 samples of 7 variables need a stratum table of 1.4 GB (1.3 GiB) and walks over it of
    // 0.06 GiB, in an address space of 400 MB.
    const CTempDir dir;
    CChildProcess::SOptions options = Streams("/dev/null", "/dev/null", dir.File("err"));
    options.nAddressSpaceKiB = 400000;
    EXPECT_EQ(CChildProcess(CliLine({"sample", "--lhs", "-n", "5e7"}), options).Wait(), 1);
    EXPECT_THAT(
        ReadText(dir.File("err")),
        ::testing::MatchesRegex(
            "stochvar: error: Latin hypercube sampling of 7 variables with 50000000 samples "
            "needs 1.4 GiB of memory, but only 0.[0-9] GiB are available: use fewer "
            "samples or plain sampling .*\n"));
}

// A test owns what it starts. Sample runs that would go on for hours, two started in the
// background by a shell (as a program may start others), are gone with the shell when its
// deadline passes and when the test is done with it first; a run started directly is gone when
// the test program itself is killed.
TEST(OwnedProgram, NothingATestStartsOutlivesIt) {
    enum class EEnd { deadline, ownerDone, ownerKilled };
    const std::string strRun = STOCHVAR_CLI_PATH " sample -n 2e9 -o /dev/null";
    const std::vector<std::string> shell{"/bin/sh", "-c", strRun + " & " + strRun + " & wait"};
    const auto members = [](pid_t group, std::size_t nExpected) {
        for (int i = 0; i < 1000 && LivingGroupMembers(group).size() != nExpected; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return LivingGroupMembers(group).size();
    };
    for (const auto& [end, argv, nStarted] :
         {std::tuple{EEnd::deadline, shell, 3U},
          {EEnd::ownerDone, shell, 3U},
          {EEnd::ownerKilled, CliLine({"sample", "-n", "2e9", "-o", "/dev/null"}), 1U}}) {
        SCOPED_TRACE(int(end));
        CChildProcess::SOptions options;
        options.deadline = std::chrono::seconds(end == EEnd::deadline ? 2 : 600);
        pid_t group = 0;
        if (end == EEnd::ownerKilled) { // the owner is a test program of its own, killed
            int fds[2];
            ASSERT_EQ(pipe(fds), 0);
            const pid_t owner = fork();
            if (owner == 0) {
                alarm(60); // ends the owner should the test fail to
                const CChildProcess cli(argv, options);
                const pid_t pid = cli.GetPid();
                (void)!write(fds[1], &pid, sizeof pid);
                pause();
                _exit(0);
            }
            const bool bStarted = read(fds[0], &group, sizeof group) == ssize_t(sizeof group);
            EXPECT_EQ(bStarted ? members(group, nStarted) : 0U, nStarted);
            kill(owner, SIGKILL);
            waitpid(owner, nullptr, 0);
            close(fds[0]);
            close(fds[1]);
            ASSERT_TRUE(bStarted);
        } else {
            CChildProcess cli(argv, options);
            group = cli.GetPid();
            EXPECT_EQ(members(group, nStarted), nStarted);
            if (end == EEnd::deadline) {
                EXPECT_EQ(cli.Wait(), 128 + SIGKILL);
                EXPECT_TRUE(cli.TimedOut());
            }
        }
        EXPECT_EQ(members(group, 0), 0U);
    }
}

} // namespace
} // namespace stochvar::test
