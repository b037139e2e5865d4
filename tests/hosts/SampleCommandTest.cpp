// stochvar sample: reproducible CSV output, the CSV layout, and the statistics of what is drawn,
// checked from the CSV itself rather than from the program's own summary.

#include "CliRunner.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>

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

} // namespace
} // namespace stochvar::test
