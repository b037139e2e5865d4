// The beta family's inverse: near the upper bound, and with the constants it keeps between calls.

#include "FamilySupport.h"
#include "numerics/CapturedOutput.h"

#include <stochvar/families/Beta.h>
#include <stochvar/numerics/BetaFunctions.h>

#include <bit>
#include <cstdint>
#include <string>
#include <utility>

namespace stochvar::testing {
namespace {

TEST(Beta, InverseLeansOnTheNearerBound) {
    // Above the median the offset is measured from U, so a quantile near U keeps the digits of
    // 1 - p: with R = 1 the upper tail is 1 - F(x) = ((U - x) / d)^S.
    CBeta dist(nullptr, "X", nullptr);
    Enter(dist, {{PARAM_R, 1.0}, {PARAM_S, 2.0}, {PARAM_LOWER_BOUND, 0.0}, {PARAM_UPPER_BOUND, 1}});
    ASSERT_TRUE(dist.CalcBasePar(3).IsOk());
    for (double q : {0x1p-20, 0x1p-30, 0x1p-40}) { // 1 - q is exact
        EXPECT_NEAR(1.0 - dist.GetInverse(1.0 - q), std::sqrt(q), 1e-9 * std::sqrt(q)) << q;
    }
}

// The inverse keeps the constants of R and S between calls. Reference: BetaInv computing them on
// every call. Same bits and the same printed lines, also right after a host writes a slot
// directly, and for shapes whose constants make the special functions report.
TEST(Beta, InverseWithKeptConstantsEqualsComputingThemEveryTime) {
    const std::pair<double, double> shapes[] = {{0.7635, 2.4814}, {0.3, 7.0}, {40.0, 25.0},
                                                {12.0, 0.5},      {1.0, 1.0}, {150.0, 90.5},
                                                {5.0, 1e306}};
    CBeta dist(nullptr, "X", nullptr);
    Enter(dist, {{PARAM_LOWER_BOUND, 0.3}, {PARAM_UPPER_BOUND, 2.0}});
    int nReports = 0; // the last shapes must report, or the lines would go unchecked
    for (const auto& [R, S] : shapes) {
        Enter(dist, {{PARAM_R, R}, {PARAM_S, S}}); // written directly, as hosts do
        for (double p : {0.0, 1e-300, 1e-12, 0.001, 0.3, 0.5, 0.5000001, 0.77, 0.999, 1.0}) {
            double expected = 0.0;
            const std::string expectedLines = stochvar::test::CapturedOutputOf([&] {
                double y = 0.0;
                int nStatus = 0;
                if (p <= 0.5) {
                    BetaInv(p, R, S, y, nStatus);
                    expected = 0.3 + 1.7 * y;
                } else {
                    BetaInv(1.0 - p, S, R, y, nStatus);
                    expected = 2.0 - 1.7 * y;
                }
            });
            nReports += expectedLines.empty() ? 0 : 1;
            double actual = 0.0;
            EXPECT_EQ(stochvar::test::CapturedOutputOf([&] { actual = dist.GetInverse(p); }),
                      expectedLines);
            EXPECT_EQ(std::bit_cast<std::uint64_t>(actual), std::bit_cast<std::uint64_t>(expected))
                << "R = " << R << ", S = " << S << ", p = " << p;
        }
    }
    EXPECT_GT(nReports, 0);
}

} // namespace
} // namespace stochvar::testing
