// stochvar sample: reproducible CSV output, the CSV layout, and the statistics of what is drawn,
// checked from the CSV itself rather than from the program's own summary.

#include "CliRunner.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <sstream>
#include <sys/wait.h>

namespace stochvar::test {
namespace {

using ::testing::HasSubstr;

struct SCsv {
    std::string strHeader;
    std::vector<std::vector<double>> rows;
};

// Every data field must be a number that strtod consumes completely.
SCsv ParseCsv(const std::string& text) {
    SCsv csv;
    std::istringstream in(text);
    std::getline(in, csv.strHeader);
    std::string strLine;
    while (std::getline(in, strLine)) {
        std::vector<double> row;
        std::size_t nStart = 0;
        while (true) {
            const std::size_t nComma = strLine.find(',', nStart);
            const std::string strField = strLine.substr(nStart, nComma - nStart);
            char* pEnd = nullptr;
            row.push_back(std::strtod(strField.c_str(), &pEnd));
            EXPECT_TRUE(!strField.empty() && *pEnd == '\0') << "field \"" << strField << "\"";
            if (nComma == std::string::npos) {
                break;
            }
            nStart = nComma + 1;
        }
        csv.rows.push_back(std::move(row));
    }
    return csv;
}

std::vector<double> Column(const SCsv& csv, std::size_t j) {
    std::vector<double> column;
    for (const auto& row : csv.rows) {
        column.push_back(row.at(j));
    }
    return column;
}

double Mean(const std::vector<double>& x) {
    double dSum = 0.0;
    for (const double v : x) {
        dSum += v;
    }
    return dSum / static_cast<double>(x.size());
}

double Correlation(const std::vector<double>& x, const std::vector<double>& y) {
    const double mx = Mean(x);
    const double my = Mean(y);
    double sxy = 0.0;
    double sxx = 0.0;
    double syy = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        sxy += (x[i] - mx) * (y[i] - my);
        sxx += (x[i] - mx) * (x[i] - mx);
        syy += (y[i] - my) * (y[i] - my);
    }
    return sxy / std::sqrt(sxx * syy);
}

// Columns of the built-in example, in document order.
enum { kFy, kW, kG, kQ, kL, kTheta, kUse, kColumns };

TEST(SampleCommand, AFixedSeedReproducesTheRunByteForByte) {
    const CTempDir dir;
    auto run = [&](const std::string& strName, const std::vector<std::string>& extra) {
        std::vector<std::string> args{"sample", "-n", "2000", "--out", dir.File(strName)};
        args.insert(args.end(), extra.begin(), extra.end());
        const SRunResult result = RunCli(args);
        EXPECT_EQ(result.nExitCode, 0) << result.strErr;
        return ReadFile(dir.File(strName));
    };
    const std::string first = run("a.csv", {"--seed", "11,22,33"});
    EXPECT_EQ(run("b.csv", {"--seed", "11,22,33"}), first);
    EXPECT_NE(run("c.csv", {"--seed", "11,22,34"}), first);
    // Without --seed the generator starts from its documented default seeds.
    EXPECT_EQ(run("d.csv", {}), run("e.csv", {"--seed", "699570728,398267609,1044576128"}));
    const std::string lhs = run("f.csv", {"--seed", "11,22,33", "--lhs"});
    EXPECT_EQ(run("g.csv", {"--seed", "11,22,33", "--lhs"}), lhs);
    EXPECT_NE(lhs, first);
}

TEST(SampleCommand, CsvHasAHeaderOfNamesAndOneLineOfNumbersPerSample) {
    const CTempDir dir;
    ASSERT_EQ(RunCli({"sample", "-n", "250", "--out", dir.File("s.csv")}).nExitCode, 0);
    const SCsv csv = ParseCsv(ReadFile(dir.File("s.csv")));
    EXPECT_EQ(csv.strHeader, "fy,W,G,Q,L,theta,use");
    ASSERT_EQ(csv.rows.size(), 250u);
    for (const auto& row : csv.rows) {
        ASSERT_EQ(row.size(), static_cast<std::size_t>(kColumns));
    }

    // Names that need quoting in CSV are quoted, with inner quotes doubled.
    const std::string strDoc = dir.Write("names.json", R"({"variables": [
        {"name": "a,b", "type": "FIXED", "values": {"MEAN": 1}},
        {"name": "say \"hi\"", "type": "FIXED", "values": {"MEAN": 2}},
        {"name": "plain", "type": "FIXED", "values": {"MEAN": 0.30000000000000004}}]})");
    ASSERT_EQ(RunCli({"sample", strDoc, "-n", "2", "--out", dir.File("q.csv")}).nExitCode, 0);
    // Numbers are written in their shortest round-trip form: 0.1 + 0.2 keeps all its digits.
    EXPECT_EQ(ReadFile(dir.File("q.csv")),
              "\"a,b\",\"say \"\"hi\"\"\",plain\n1,2,0.30000000000000004\n1,2,0.30000000000000004\n");
}

TEST(SampleCommand, SamplesFollowTheTargetMomentsAndCorrelations) {
    // 20000 plain samples: a sample mean lies within 5 standard errors of its target, and a
    // sample correlation within 5 / sqrt(N) = 0.035 of its target (X-space), with fixed seeds
    // so the test is deterministic.
    constexpr int kN = 20000;
    const CTempDir dir;
    const SRunResult result =
        RunCli({"sample", "-n", std::to_string(kN), "--seed", "1,2,3", "--out", dir.File("s.csv")});
    ASSERT_EQ(result.nExitCode, 0) << result.strErr;
    const SCsv csv = ParseCsv(ReadFile(dir.File("s.csv")));
    ASSERT_EQ(csv.rows.size(), static_cast<std::size_t>(kN));

    struct STarget {
        int nColumn;
        double dMean;
        double dStdDev;
    };
    const STarget targets[] = {
        {kFy, 28.0, 1.96},    {kW, 557.0, 16.71}, {kG, 10.0, 0.7},
        {kQ, 8.0, 2.4},       {kL, 6.0, 0.06 / std::sqrt(12.0)},
        {kUse, 0.4, std::sqrt(0.44)},
    };
    const double dStandardErrors = 5.0 / std::sqrt(static_cast<double>(kN));
    for (const STarget& target : targets) {
        SCOPED_TRACE(target.nColumn);
        EXPECT_NEAR(Mean(Column(csv, static_cast<std::size_t>(target.nColumn))), target.dMean,
                    target.dStdDev * dStandardErrors);
    }
    // G and Q: 0.2 given in X-space. fy and W: 0.3 given in U-space; fy is lognormal with a
    // small CoV, so its X-space correlation is just below 0.3. Other pairs are independent.
    EXPECT_NEAR(Correlation(Column(csv, kG), Column(csv, kQ)), 0.2, dStandardErrors);
    EXPECT_NEAR(Correlation(Column(csv, kFy), Column(csv, kW)), 0.2996, dStandardErrors);
    EXPECT_NEAR(Correlation(Column(csv, kL), Column(csv, kTheta)), 0.0, dStandardErrors);
    EXPECT_NEAR(Correlation(Column(csv, kQ), Column(csv, kUse)), 0.0, dStandardErrors);
    // The discrete variable yields category positions only.
    for (const double v : Column(csv, kUse)) {
        ASSERT_TRUE(v == 0.0 || v == 1.0 || v == 2.0) << v;
    }
}

TEST(SampleCommand, LatinHypercubeUsesEveryStratumOnce) {
    // With N samples each variable's uniform numbers fall one into each of N equal strata. The
    // uniform variable L on [5.97, 6.03] shows that directly: sorted, sample k lies in the k-th
    // N-th of the interval. The discrete variable's category counts are then exactly N times
    // its probabilities 0.7, 0.2 and 0.1.
    constexpr int kN = 100;
    const CTempDir dir;
    ASSERT_EQ(RunCli({"sample", "--lhs", "-n", std::to_string(kN), "--seed", "5,6,7", "--out",
                      dir.File("s.csv")})
                  .nExitCode,
              0);
    const SCsv csv = ParseCsv(ReadFile(dir.File("s.csv")));
    std::vector<double> span = Column(csv, kL);
    ASSERT_EQ(span.size(), static_cast<std::size_t>(kN));
    std::sort(span.begin(), span.end());
    const double dWidth = (6.03 - 5.97) / kN;
    for (int k = 0; k < kN; ++k) {
        const double dStratum = (span[static_cast<std::size_t>(k)] - 5.97) / dWidth;
        EXPECT_GT(dStratum, k - 1e-6) << "sample " << k;
        EXPECT_LT(dStratum, k + 1 + 1e-6) << "sample " << k;
    }
    const std::vector<double> use = Column(csv, kUse);
    EXPECT_EQ(std::count(use.begin(), use.end(), 0.0), 70);
    EXPECT_EQ(std::count(use.begin(), use.end(), 1.0), 20);
    EXPECT_EQ(std::count(use.begin(), use.end(), 2.0), 10);
}

TEST(SampleCommand, SummaryComparesSampleAndTarget) {
    const SRunResult result = RunCli({"sample", "-n", "1000"});
    ASSERT_EQ(result.nExitCode, 0);
    EXPECT_EQ(result.strErr, ""); // no progress bar: standard error is not a terminal
    const std::string& out = result.strOut;
    EXPECT_THAT(out, HasSubstr("1000 samples of 7 variables (plain sampling, seed "
                               "699570728,398267609,1044576128)\n"));
    EXPECT_THAT(out, ::testing::ContainsRegex("\nW +557 +55[0-9.]+ +16.71 +1[0-9.]+\n"));
    EXPECT_THAT(out, HasSubstr("correlation: sample (target, X-space)\n"));
    // The G / Q cell shows the target given in X-space in brackets.
    EXPECT_THAT(out, ::testing::ContainsRegex("\nQ +[-0-9.]+ \\(0.0000\\) +[-0-9.]+ \\(0.0000\\) +"
                                              "[-0-9.]+ \\(0.2000\\) +1\n"));
}

TEST(SampleCommand, CsvToStandardOutputMovesTheSummaryToStandardError) {
    const SRunResult result = RunCli({"sample", "-n", "3", "--out", "-"});
    ASSERT_EQ(result.nExitCode, 0);
    const SCsv csv = ParseCsv(result.strOut);
    EXPECT_EQ(csv.strHeader, "fy,W,G,Q,L,theta,use");
    EXPECT_EQ(csv.rows.size(), 3u);
    EXPECT_THAT(result.strErr, HasSubstr("3 samples of 7 variables"));
}

TEST(SampleCommand, AnUnwritableOutputIsRefused) {
    const CTempDir dir;
    const SRunResult result =
        RunCli({"sample", "-n", "3", "--out", dir.File("no-such-dir/s.csv")});
    EXPECT_EQ(result.nExitCode, 1);
    EXPECT_THAT(result.strErr, HasSubstr("s.csv: cannot write"));
}

TEST(SampleCommand, OneIntegerSeedIsExpandedWithSplitMix64) {
    // The triples are the high 32 bits of the first three SplitMix64 outputs, computed
    // independently with /usr/bin/python3 (integer arithmetic modulo 2^64).
    struct SCase {
        const char* pszSeed;
        const char* pszTriple;
    };
    const SCase cases[] = {
        {"0", "3793791033,1853398634,113532184"},
        {"42", "3184996902,686809907,1196582743"},
        {"18446744073709551615", "3839455607,3919575143,942667852"},
    };
    const CTempDir dir;
    for (const SCase& seedCase : cases) {
        SCOPED_TRACE(seedCase.pszSeed);
        const SRunResult one = RunCli({"sample", "-n", "20", "--seed", seedCase.pszSeed, "--out",
                                       dir.File("one.csv")});
        ASSERT_EQ(one.nExitCode, 0) << one.strErr;
        EXPECT_THAT(one.strOut, HasSubstr(std::string("seed ") + seedCase.pszSeed + " = seeds " +
                                          seedCase.pszTriple + ")\n"));
        ASSERT_EQ(RunCli({"sample", "-n", "20", "--seed", seedCase.pszTriple, "--out",
                          dir.File("three.csv")})
                      .nExitCode,
                  0);
        EXPECT_EQ(ReadFile(dir.File("one.csv")), ReadFile(dir.File("three.csv")));
    }
    // A random seed is printed, and that number replays the run.
    const SRunResult drawn = RunCli({"sample", "-n", "20", "--seed", "random", "--out",
                                     dir.File("random.csv")});
    std::smatch match;
    ASSERT_TRUE(std::regex_search(drawn.strOut, match, std::regex("seed ([0-9]+) drawn at random")))
        << drawn.strOut;
    ASSERT_EQ(RunCli({"sample", "-n", "20", "--seed", match[1], "--out", dir.File("again.csv")})
                  .nExitCode,
              0);
    EXPECT_EQ(ReadFile(dir.File("random.csv")), ReadFile(dir.File("again.csv")));
}

TEST(SampleCommand, NpyHoldsTheCsvNumbersBitForBit) {
    constexpr int kN = 37;
    const CTempDir dir;
    for (const char* pszFormat : {"csv", "npy"}) {
        const std::string strOut = dir.File(std::string("s.") + pszFormat);
        ASSERT_EQ(RunCli({"sample", "-n", std::to_string(kN), "--lhs", "--format", pszFormat,
                          "--out", strOut})
                      .nExitCode,
                  0);
    }
    const SCsv csv = ParseCsv(ReadFile(dir.File("s.csv")));
    const std::string npy = ReadFile(dir.File("s.npy"));
    // Magic and version 1.0, a little-endian header length, the header, data from a multiple
    // of 64 bytes on.
    ASSERT_GT(npy.size(), 10u);
    EXPECT_EQ(npy.substr(0, 8), std::string("\x93NUMPY\x01\x00", 8));
    const std::size_t nHeader = static_cast<unsigned char>(npy[8]) +
                                256u * static_cast<unsigned char>(npy[9]);
    const std::string header = npy.substr(10, nHeader);
    EXPECT_THAT(header, ::testing::StartsWith("{'descr': '<f8', 'fortran_order': False, "
                                              "'shape': (37, 7), }"));
    EXPECT_TRUE(header.ends_with("\n"));
    EXPECT_EQ((10 + nHeader) % 64, 0u);
    ASSERT_EQ(npy.size(), 10 + nHeader + kN * kColumns * sizeof(double));
    for (std::size_t r = 0; r < kN; ++r) {
        for (std::size_t j = 0; j < kColumns; ++j) {
            std::uint64_t nBits = 0;
            for (std::size_t b = 0; b < 8; ++b) { // little-endian, whatever the host's order
                nBits |= std::uint64_t{static_cast<unsigned char>(
                             npy[10 + nHeader + (r * kColumns + j) * 8 + b])}
                         << (8 * b);
            }
            ASSERT_EQ(std::bit_cast<double>(nBits), csv.rows[r][j]) << r << "," << j;
        }
    }
}

TEST(SampleCommand, DiscreteValuesCanBeWrittenAsCategoryNames) {
    const CTempDir dir;
    ASSERT_EQ(RunCli({"sample", "-n", "30", "--out", dir.File("p.csv")}).nExitCode, 0);
    ASSERT_EQ(RunCli({"sample", "-n", "30", "--categories", "names", "--out", dir.File("n.csv")})
                  .nExitCode,
              0);
    std::istringstream positions(ReadFile(dir.File("p.csv")));
    std::istringstream names(ReadFile(dir.File("n.csv")));
    const char* const kNames[] = {"office", "storage", "assembly"};
    std::string strPositionLine;
    std::string strNameLine;
    std::getline(positions, strPositionLine);
    std::getline(names, strNameLine);
    EXPECT_EQ(strNameLine, strPositionLine);
    while (std::getline(positions, strPositionLine) && std::getline(names, strNameLine)) {
        // Only the last column changes, from a position to that category's name.
        const std::size_t nComma = strPositionLine.rfind(',');
        ASSERT_EQ(strNameLine.substr(0, nComma + 1), strPositionLine.substr(0, nComma + 1));
        EXPECT_EQ(strNameLine.substr(nComma + 1),
                  kNames[std::stoi(strPositionLine.substr(nComma + 1))]);
    }
}

TEST(SampleCommand, ADocumentCanComeFromStandardInput) {
    const std::string strBeam = std::string(STOCHVAR_EXAMPLES_DIR) + "/beam.json";
    const SRunResult fromFile = RunCli({"sample", strBeam, "-n", "5", "--out", "-"});
    const SRunResult fromStdin = RunCli({"sample", "-", "-n", "5", "--out", "-"}, {strBeam, ""});
    ASSERT_EQ(fromStdin.nExitCode, 0) << fromStdin.strErr;
    EXPECT_EQ(fromStdin.strOut, fromFile.strOut);
    const SRunResult shown = RunCli({"show", "-"}, {strBeam, ""});
    EXPECT_EQ(shown.nExitCode, 0);
    EXPECT_THAT(shown.strOut, HasSubstr("Collection standard input\n"));
    EXPECT_THAT(shown.strOut, HasSubstr("7 variables, 2 correlations\n"));
}

TEST(SampleCommand, AFullStandardOutputIsAnError) {
    // /dev/full is only opened for the child's standard output, as a shell redirection does.
    const std::vector<std::vector<std::string>> commands = {
        {"show"}, {"sample", "-n", "5"}, {"sample", "-n", "5", "--out", "-"}, {"--help"}};
    for (const auto& args : commands) {
        SCOPED_TRACE(args.back());
        const SRunResult result = RunCli(args, {"/dev/null", "/dev/full"});
        EXPECT_EQ(result.nExitCode, 1);
        EXPECT_THAT(result.strErr,
                    HasSubstr("stochvar: error: standard output: cannot write: No space left"));
    }
}

TEST(SampleCommand, SampleCountsInScientificNotation) {
    const std::pair<const char*, const char*> counts[] = {
        {"1e6", "1000000 samples"}, {"2.5e3", "2500 samples"}, {"1000e-2", "10 samples"}};
    for (const auto& [pszCount, pszSummary] : counts) {
        const SRunResult result = RunCli({"sample", "-n", pszCount});
        EXPECT_EQ(result.nExitCode, 0) << result.strErr;
        EXPECT_THAT(result.strOut, HasSubstr(pszSummary));
    }
}

TEST(SampleCommand, ARunLargerThanTheMemoryLeftIsRefusedBeforeItStarts) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer cannot run under an address-space limit";
#endif
    // 5e7 samples of 7 variables need a stratum table of 1.4 GB; the shell limits the program's
    // address space to about 400 MB.
    const CTempDir dir;
    const std::string strCommand = "ulimit -v 400000; exec " STOCHVAR_CLI_PATH
                                   " sample --lhs -n 5e7 >/dev/null 2>" + dir.File("err");
    const int nStatus = std::system(strCommand.c_str());
    EXPECT_TRUE(WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 1) << nStatus;
    EXPECT_THAT(ReadFile(dir.File("err")),
                ::testing::MatchesRegex("stochvar: error: Latin hypercube sampling of 7 variables "
                                        "with 50000000 samples needs 1.3 GiB of memory, but only "
                                        "0.[0-9] GiB are available: use fewer samples or plain "
                                        "sampling .*\n"));
}

TEST(SampleCommand, SummaryScalesWithTheDocument) {
    // Thirteen variables with names longer than the default columns, and one correlation.
    std::string strDoc = R"({"variables": [)";
    for (int i = 0; i < 13; ++i) {
        strDoc += std::string(i == 0 ? "" : ",") + R"({"name": "a rather long name )" +
                  std::to_string(i) + R"(", "type": "NORMAL", "values": {"MEAN": 1, "STDDEV": 1}})";
    }
    strDoc += R"(], "correlations": [{"between": ["a rather long name 0", "a rather long name 12"],
                                     "value": 0.5, "space": "X"}]})";
    const CTempDir dir;
    const SRunResult result = RunCli({"sample", dir.Write("wide.json", strDoc), "-n", "2000"});
    ASSERT_EQ(result.nExitCode, 0) << result.strErr;
    EXPECT_THAT(result.strOut,
                ::testing::ContainsRegex("correlation of the 1 given pairs: sample \\(target, "
                                         "X-space\\); every other pair is independent\n"
                                         "a rather long name 0 / a rather long name 12  "
                                         "0\\.[0-9]{4} \\(0\\.5000\\)\n$"));
    // The moments table's second column starts at the same place on every line, header included.
    std::istringstream lines(result.strOut);
    std::string strLine;
    std::vector<std::size_t> columns;
    while (std::getline(lines, strLine)) {
        if (strLine.starts_with("variable ")) {
            columns.push_back(strLine.find_first_not_of(' ', 8));
        } else if (strLine.starts_with("a rather long name") && strLine.find('/') == strLine.npos) {
            columns.push_back(strLine.find_first_not_of(' ', strLine.find(' ', 19)));
        }
    }
    ASSERT_EQ(columns.size(), 14u);
    EXPECT_THAT(columns, ::testing::Each(columns.front()));
    EXPECT_EQ(columns.front(), 23u); // the longest name (21) and two blanks
}

} // namespace
} // namespace stochvar::test
