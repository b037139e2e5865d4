// stochvar sample: the CSV and npy layouts, seeds that replay a run, the same numbers for every
// thread count and from slices joined, and the summary. What is drawn is tested with the simulation.

#include "CliRunner.h"

#include <bit>
#include <cstdlib>
#include <cstring>
#include <regex>

namespace stochvar::test {
namespace {

using ::testing::ContainsRegex;

TEST(Sample, CsvAndSummaryOfAConstantDocumentAreExact) {
    // Names quoted where they need it, inner quotes doubled; numbers in their shortest round-trip
    // form; a discrete value as its position or its category's name; a long name widens a column.
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
    // The seeds printed, one drawn at random too, replay the run, also of a document read from
    // standard input.
    const std::string plain = Draw({"--seed", "11,22,33"}).strOut;
    EXPECT_NE(Draw({"--seed", "11,22,34"}).strOut, plain);
    EXPECT_NE(Draw({"--seed", "11,22,33", "--lhs"}).strOut, plain);
    const std::string strColumn = kExamples + "/column.json";
    EXPECT_EQ(Draw({"-", "--seed", "699570728,398267609,1044576128"}, "20", "20 samples", strColumn).strOut, Draw({strColumn}).strOut);
    const SCliCase drawn = Draw({"--seed", "random"});
    std::smatch match;
    ASSERT_TRUE(std::regex_search(drawn.strErr, match, std::regex("seed ([0-9]+) drawn at random = seeds ([0-9,]+)\\)")));
    EXPECT_EQ(Draw({"--seed", match[1]}).strOut, drawn.strOut);
    EXPECT_EQ(Draw({"--seed", match[2]}).strOut, drawn.strOut);
}

TEST(Sample, ThreadsAndSlicesGiveTheWholeRun) {
    // Slices joined without their later header lines are the whole run, byte for byte, with the
    // run's own sample numbers; so is the run with any number of threads.
    const auto body = [](const std::string& csv) { return csv.substr(csv.find('\n') + 1); };
    for (const char* pszMethod : {"--seed=9", "--lhs"}) {
        SCOPED_TRACE(pszMethod);
        const auto run = [&](std::vector<std::string> args) {
            args.insert(args.end(), {pszMethod, "--numbered"});
            return Draw(args, "300").strOut;
        };
        const std::string whole = run({"--threads", "1"});
        EXPECT_TRUE(whole.starts_with("sample,fy,W,G,Q,L,theta,use\n1,"));
        for (const char* pszThreads : {"2", "3", "8"}) {
            EXPECT_EQ(run({"--threads", pszThreads}), whole) << pszThreads;
        }
        const std::string middle = run({"--first", "120", "--count", "1"});
        EXPECT_TRUE(body(middle).starts_with("121,"));
        EXPECT_EQ(run({"--count", "120"}) + body(middle) + body(run({"--first", "121", "--threads", "3"})), whole);
    }
}

TEST(Sample, NpyHoldsTheCsvNumbersBitForBit) {
    // More rows than the run draws at a time, so that the batches join up in both files. Magic,
    // version 1.0, the header's length and the header, padded so that the data start at 128.
    static_assert(std::endian::native == std::endian::little, "the npy data are little-endian");
    const CTempDir dir;
    std::string csv = Draw({"--lhs"}, "5000").strOut;
    ExpectCli({{"sample", "-n", "5e3", "--lhs", "--format", "npy", "-o", dir.File("s.npy")}, 0, "written to", ""});
    const std::string npy = ReadFile(dir.File("s.npy"));
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
    // Beyond twelve variables only the pairs given are listed.
    const CTempDir dir;
    const auto doc = [&dir](int n) {
        std::string strDoc = R"({"variables": [)";
        for (int i = 0; i < n; ++i) {
            strDoc += R"({"type": "NORMAL", "values": {"MEAN": 1, "STDDEV": 1}, "name": "v)" + std::to_string(i) + "\"},";
        }
        strDoc.back() = ']';
        return dir.Write("d.json", strDoc + R"(, "correlations": [{"between": ["v0", "v11"], "value": 0.5, "space": "X"}]})");
    };
    EXPECT_THAT(ExpectCli({{"sample", doc(12), "-n", "50"}, 0, "\ncorrelation: sample (target, X-space)\n", ""}).strOut,
                ContainsRegex("\nv11 +[-0-9.]+ \\(0\\.5000\\) +[-0-9.]+ \\(0\\.0000\\) "));
    EXPECT_THAT(ExpectCli({{"sample", doc(13), "-n", "50"}, 0, "v0", ""}).strOut,
                ContainsRegex("\ncorrelation of the 1 given pairs: sample \\(target, X-space\\); every other pair "
                              "is independent\nv0 / v11  [-0-9.]+ \\(0\\.5000\\)\n$"));
}

TEST(Sample, ARunLargerThanTheMemoryLeftIsRefusedBeforeItStarts) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer cannot run under an address-space limit";
#endif
    // 5e7 samples of 7 variables need a stratum table of 1.4 GB, in an address space of 400 MB.
    const CTempDir dir;
    const std::string strCommand = "ulimit -v 400000; exec " STOCHVAR_CLI_PATH " sample --lhs -n 5e7 2>" + dir.File("err");
    EXPECT_EQ(WEXITSTATUS(std::system(strCommand.c_str())), 1);
    EXPECT_THAT(ReadFile(dir.File("err")),
                ::testing::MatchesRegex("stochvar: error: Latin hypercube sampling of 7 variables with 50000000 samples "
                                        "needs 1.3 GiB of memory, but only 0.[0-9] GiB are available: use fewer "
                                        "samples or plain sampling .*\n"));
}

} // namespace
} // namespace stochvar::test
