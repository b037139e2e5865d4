// A run's CSV is the same for every thread count, and slices of it joined without their later
// header lines give the whole run back, byte for byte, with the run's own sample numbers.

#include "CliRunner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace stochvar::test {
namespace {

std::string SampleCsv(const CTempDir& dir, std::vector<std::string> extra) {
    std::vector<std::string> args = {"sample", "-n", "300", "--seed", "9", "--numbered",
                                     "--out", dir.File("out.csv")};
    args.insert(args.end(), extra.begin(), extra.end());
    const SRunResult result = RunCli(args);
    EXPECT_EQ(result.nExitCode, 0) << result.strErr;
    return ReadFile(dir.File("out.csv"));
}

std::string WithoutHeader(const std::string& csv) { return csv.substr(csv.find('\n') + 1); }

TEST(SampleCommand, ThreadsAndSlicesGiveTheWholeRun) {
    const CTempDir dir;
    for (const std::string method : {"plain", "--lhs"}) {
        SCOPED_TRACE(method);
        std::vector<std::string> lhs;
        if (method == "--lhs") {
            lhs.push_back("--lhs");
        }
        auto with = [&lhs](std::vector<std::string> args) {
            args.insert(args.end(), lhs.begin(), lhs.end());
            return args;
        };
        const std::string whole = SampleCsv(dir, with({"--threads", "1"}));
        EXPECT_EQ(whole.substr(0, whole.find('\n')), "sample,fy,W,G,Q,L,theta,use");
        for (const char* threads : {"2", "3", "8"}) {
            EXPECT_EQ(SampleCsv(dir, with({"--threads", threads})), whole) << threads;
        }
        const std::string first = SampleCsv(dir, with({"--count", "120"}));
        const std::string middle = SampleCsv(dir, with({"--first", "120", "--count", "1"}));
        const std::string last = SampleCsv(dir, with({"--first", "121", "--threads", "3"}));
        EXPECT_EQ(middle.substr(middle.find('\n') + 1, 4), "121,");
        EXPECT_EQ(first + WithoutHeader(middle) + WithoutHeader(last), whole);
    }
}

} // namespace
} // namespace stochvar::test
