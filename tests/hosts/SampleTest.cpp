// stochvar sample: the CSV and npy layouts, seeds that replay a run, the same numbers for every
// thread count and from slices joined, the summary, and documents from standard input. What is
// drawn is the simulation's business and tested there.

#include "CliRunner.h"

#include <bit>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <sstream>

namespace stochvar::test {
namespace {

using ::testing::ContainsRegex;

// Samples of the built-in example: the CSV on standard output, the summary on standard error.
SRunResult Draw(std::vector<std::string> args, const std::string& strCount = "20") {
    args.insert(args.begin(), {"sample", "-n", strCount, "--out", "-"});
    return ExpectCli({args, 0, "fy,W,G,Q,L,theta,use\n", "sample"});
}

TEST(Sample, CsvAndSummaryOfAConstantDocumentAreExact) {
    // Names that need it are quoted with inner quotes doubled, numbers are written in their
    // shortest round-trip form, a discrete value as its position or its category's name, and a
    // long name widens the summary's first column.
    const CTempDir dir;
    const std::string strDoc = dir.Write("c.json", R"({"variables": [
        {"name": "a,b", "type": "FIXED", "values": {"MEAN": 0.30000000000000004}},
        {"name": "say \"hi\" twice", "type": "DISCRETE", "categories": [{"name": "never", "frequency": 0},
                                                                   {"name": "x,\"y\"", "frequency": 2}]},
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
    ExpectCli({{"sample", strDoc, "-n", "2", "-o", strCsv}, 0,
               "2 samples of 3" + strSeed + "written to " + strCsv + "\n" + strTables, ""});
    const std::string strRow = "0.30000000000000004,1,-1e-300\n";
    EXPECT_EQ(ReadFile(strCsv), strHeader + strRow + strRow);
    ExpectCli({{"sample", strDoc, "-n", "1", "--categories", "names", "-o", "-"}, 0,
               strHeader + "0.30000000000000004,\"x,\"\"y\"\"\",-1e-300\n", "1 sample of 3" + strSeed + strTables});
}

TEST(Sample, SeedsReplayARun) {
    // One number stands for three seeds (the expansion is the documents library's test); the
    // summary prints them, and a random seed is printed too: each replays the run.
    const std::string plain = Draw({"--seed", "11,22,33"}).strOut;
    EXPECT_NE(Draw({"--seed", "11,22,34"}).strOut, plain);
    EXPECT_NE(Draw({"--seed", "11,22,33", "--lhs"}).strOut, plain);
    EXPECT_EQ(Draw({}).strOut, Draw({"--seed", "699570728,398267609,1044576128"}).strOut);
    for (const std::string strSeed : {"18446744073709551615", "random"}) {
        const SRunResult drawn = Draw({"--seed", strSeed});
        std::smatch match;
        ASSERT_TRUE(std::regex_search(drawn.strErr, match, std::regex("seed ([0-9]+)( drawn at random)? = seeds ([0-9,]+)\\)")));
        EXPECT_EQ(Draw({"--seed", match[1]}).strOut, drawn.strOut);
        EXPECT_EQ(Draw({"--seed", match[3]}).strOut, drawn.strOut);
    }
}

TEST(Sample, ThreadsAndSlicesGiveTheWholeRun) {
    // Slices joined without their later header lines are the whole run, byte for byte, with the
    // run's own sample numbers; so is the run with any number of threads.
    for (const std::vector<std::string>& method : {std::vector<std::string>{}, {"--lhs"}}) {
        SCOPED_TRACE(method.size());
        const auto run = [&](std::vector<std::string> args) {
            args.insert(args.end(), {"--seed", "9", "--numbered"});
            args.insert(args.end(), method.begin(), method.end());
            return Draw(args, "300").strOut;
        };
        const auto body = [](const std::string& csv) { return csv.substr(csv.find('\n') + 1); };
        const std::string whole = run({"--threads", "1"});
        EXPECT_TRUE(whole.starts_with("sample,fy,W,G,Q,L,theta,use\n1,"));
        for (const char* pszThreads : {"2", "3", "8"}) {
            EXPECT_EQ(run({"--threads", pszThreads}), whole) << pszThreads;
        }
        const std::string middle = run({"--first", "120", "--count", "1"});
        EXPECT_TRUE(body(middle).starts_with("121,"));
        EXPECT_EQ(run({"--count", "120"}) + body(middle) + body(run({"--first", "121", "--threads", "3"})),
                  whole);
    }
    ExpectCli({{"sample", "-n", "300", "--first", "120", "--count", "80"}, 0,
               "samples 121 to 200 (of a run of 300) of 7 variables", ""});
}

TEST(Sample, NpyHoldsTheCsvNumbersBitForBit) {
    // More rows than the run draws at a time, so that the batches join up in both files.
    static_assert(std::endian::native == std::endian::little, "the npy data are little-endian");
    constexpr std::size_t kRows = 5000;
    constexpr std::size_t kColumns = 7;
    const CTempDir dir;
    std::istringstream csv(Draw({"--lhs"}, std::to_string(kRows)).strOut);
    ExpectCli({{"sample", "-n", "5e3", "--lhs", "--format", "npy", "-o", dir.File("s.npy")}, 0, "written to", ""});
    const std::string npy = ReadFile(dir.File("s.npy"));
    // Magic, version 1.0, the header's length (little-endian) and the header, padded so that the
    // data start at 128 bytes, a multiple of 64.
    const std::string strDict = "{'descr': '<f8', 'fortran_order': False, 'shape': (5000, 7), }";
    ASSERT_EQ(npy.substr(0, 128), std::string("\x93NUMPY\x01\x00\x76\x00", 10) + strDict +
                                      std::string(128 - 11 - strDict.size(), ' ') + "\n");
    constexpr std::size_t nData = 128;
    ASSERT_EQ(npy.size(), nData + kRows * kColumns * sizeof(double));
    std::string strField;
    std::getline(csv, strField); // the header
    for (std::size_t k = 0; k < kRows * kColumns; ++k) {
        std::getline(csv, strField, k % kColumns + 1 == kColumns ? '\n' : ',');
        double dValue = 0.0;
        std::memcpy(&dValue, npy.data() + nData + 8 * k, sizeof dValue);
        ASSERT_EQ(dValue, std::strtod(strField.c_str(), nullptr)) << k;
    }
}

TEST(Sample, SummaryListsTheTargetCorrelations) {
    // In the matrix each cell is "sample (target)": G and Q of the built-in example are given
    // 0.2. Beyond twelve variables only the pairs given are listed.
    EXPECT_THAT(Draw({}, "1000").strErr, ContainsRegex("\nQ +[-0-9.]+ \\(0.0000\\) +[-0-9.]+ \\(0.0000\\) +"
                                                       "[-0-9.]+ \\(0.2000\\) +1\n"));
    const CTempDir dir;
    const auto doc = [&dir](int n) {
        std::string strDoc = R"({"correlations": [{"between": ["v0", "v11"], "value": 0.5, "space": "X"}], "variables": [)";
        for (int i = 0; i < n; ++i) {
            strDoc += R"({"type": "NORMAL", "values": {"MEAN": 1, "STDDEV": 1}, "name": "v)" + std::to_string(i) + "\"},";
        }
        strDoc.back() = ']';
        return dir.Write("d.json", strDoc + "}");
    };
    ExpectCli({{"sample", doc(12), "-n", "50"}, 0, "\ncorrelation: sample (target, X-space)\n", ""});
    EXPECT_THAT(ExpectCli({{"sample", doc(13), "-n", "50"}, 0, "v0", ""}).strOut,
                ContainsRegex("\ncorrelation of the 1 given pairs: sample \\(target, X-space\\); every other pair "
                              "is independent\nv0 / v11  [-0-9.]+ \\(0\\.5000\\)\n$"));
}

TEST(Sample, ADocumentCanComeFromStandardInput) {
    const std::string strBeam = std::string(STOCHVAR_EXAMPLES_DIR) + "/beam.json";
    const SRunResult fromStdin = ExpectCli({{"sample", "-", "-n", "5", "-o", "-"}, 0, "fy,W", "5 samples"}, strBeam);
    EXPECT_EQ(fromStdin.strOut, RunCli({"sample", strBeam, "-n", "5", "-o", "-"}).strOut);
    ExpectCli({{"show", "-"}, 0, "Collection standard input\n", ""}, strBeam);
}

TEST(Sample, ARunLargerThanTheMemoryLeftIsRefusedBeforeItStarts) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer cannot run under an address-space limit";
#endif
    // 5e7 samples of 7 variables need a stratum table of 1.4 GB; the shell limits the program's
    // address space to about 400 MB.
    const CTempDir dir;
    const std::string strCommand = "ulimit -v 400000; exec " STOCHVAR_CLI_PATH " sample --lhs -n 5e7 2>" + dir.File("err");
    const int nStatus = std::system(strCommand.c_str());
    EXPECT_TRUE(WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 1) << nStatus;
    EXPECT_THAT(ReadFile(dir.File("err")),
                ::testing::MatchesRegex("stochvar: error: Latin hypercube sampling of 7 variables with 50000000 samples "
                                        "needs 1.3 GiB of memory, but only 0.[0-9] GiB are available: use fewer "
                                        "samples or plain sampling .*\n"));
}

} // namespace
} // namespace stochvar::test
