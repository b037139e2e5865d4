// The running statistics of a sampling summary: scaling every value of a variable by a power of
// two scales its mean and standard deviation by the same factor, bit for bit, and leaves the
// correlations as they were, up to the end of the double range, where squares overflow.

#include <stochvar/documents/SampleStatistics.h>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace stochvar::test {
namespace {

// Two correlated variables, away from 0 (so that the running means matter), and a third constant.
std::vector<double> Values(int nRow) {
    const double u = std::sin(0.7 * nRow), v = std::cos(1.3 * nRow);
    return {3.0 + u, -1.0 + 0.5 * u + v, 0.25};
}

TEST(SampleStatistics, APowerOfTwoScalesMeanAndSdExactlyToTheEndOfTheRange) {
    constexpr int kRows = 1000;
    CSampleStatistics unscaled(3);
    for (int r = 0; r < kRows; ++r) {
        unscaled.Add(Values(r).data());
    }
    ASSERT_GT(unscaled.GetStdDev(0), 0.5);
    ASSERT_GT(unscaled.GetCorrelation(1, 0), 0.3);
    EXPECT_EQ(unscaled.GetStdDev(2), 0.0);
    // Up to 2^1021: values near 4 * 2^1021 = 9e307, whose squares overflow by far.
    for (const int nPower : {-300, 1, 400, 1000, 1021}) {
        SCOPED_TRACE(nPower);
        CSampleStatistics scaled(3);
        for (int r = 0; r < kRows; ++r) {
            std::vector<double> row = Values(r);
            row[0] = std::ldexp(row[0], nPower);
            row[1] = std::ldexp(row[1], nPower);
            scaled.Add(row.data());
        }
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(scaled.GetMean(i), std::ldexp(unscaled.GetMean(i), nPower)) << i;
            EXPECT_EQ(scaled.GetStdDev(i), std::ldexp(unscaled.GetStdDev(i), nPower)) << i;
        }
        EXPECT_EQ(scaled.GetCorrelation(1, 0), unscaled.GetCorrelation(1, 0));
        EXPECT_EQ(scaled.GetCorrelation(0, 1), unscaled.GetCorrelation(1, 0));
        EXPECT_EQ(scaled.GetCorrelation(2, 0), 0.0);
        EXPECT_EQ(scaled.GetStdDev(2), 0.0);
    }
}

} // namespace
} // namespace stochvar::test
