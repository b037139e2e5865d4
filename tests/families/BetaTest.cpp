// The beta family's inverse: near the upper bound, and with the constants it keeps between calls.

#include "FamilySupport.h"
#include "numerics/CapturedOutput.h"

#include <gmock/gmock.h>

#include <stochvar/families/Beta.h>
#include <stochvar/numerics/BetaFunctions.h>
#include <stochvar/numerics/ExOr.h>
#include <stochvar/numerics/NumberText.h>

#include <bit>
#include <cstdint>
#include <string>
#include <tuple>
#include <utility>

namespace stochvar::testing {
namespace {

using ::testing::HasSubstr;

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

// A beta variable on [0, 1] with exponents R and S, converted from them (input type 3).
void SetExponents(CBeta& dist, double R, double S, double L = 0.0, double U = 1.0) {
    Enter(dist, {{PARAM_R, R}, {PARAM_S, S}, {PARAM_LOWER_BOUND, L}, {PARAM_UPPER_BOUND, U}});
    ASSERT_TRUE(dist.CalcBasePar(3).IsOk()) << R << ", " << S;
}

// Quantiles of the standard beta distribution from scipy 1.10.1: scipy.special.betaincinv(R, S, p)
// for p <= 1/2 and betaincinv(S, R, 1 - p) above, the distance from the nearer bound, which is
// what the inverse computes. The inverse on [0, 1] must agree to 1e-9 of that distance.
// Of a mirrored pair one is kept: (S, R) at 1 - p asks BetaInv what (R, S) asks at p.
TEST(Beta, InverseAgreesWithScipy) {
    const double ps[] = {1e-6, 0.001, 0.1, 0.5, 0.9, 0.999, 1 - 1e-6};
    struct SRow {
        double R, S;
        double y[7];
    };
    // clang-format off
    const SRow rows[] = {
        {0.5, 0.5, {2.4674011002703095e-12, 2.4673990709169425e-06, 0.0244717418524232,
         0.49999999999999967, 0.024471741852423189, 2.4673990709169467e-06,
         2.4674011004122126e-12}},
        {0.7635054, 2.4813925, {5.2556791896919998e-09, 4.4657091254729511e-05,
         0.018892310855496426, 0.17864966431038021, 0.45404886426239538, 0.073376683830400358,
         0.0045567500105885691}},
        {2, 3, {0.00040835946020425731, 0.013022947370814272, 0.14255931671003072,
         0.38572756813238962, 0.32046058372181829, 0.064038139102833389, 0.0063095736702054941}},
        {1, 1, {9.9999999999999995e-07, 0.001, 0.10000000000000001, 0.5, 0.099999999999999978,
         0.0010000000000000009, 1.0000000000287557e-06}},
        {0.1, 5, {1.3321008721895439e-61, 1.3321008721895398e-31, 1.3321008722540607e-11,
         0.00013014955240919803, 0.94331767670401845, 0.48025156057881624, 0.12980894678502172}},
        {30, 2, {0.57831111311456629, 0.7386724011816721, 0.88023076188740512, 0.94644794788299724,
         0.017288022291300775, 0.0014876861369423945, 4.639469129201366e-05}},
        {12, 0.5, {0.36197545486507693, 0.6311137365363152, 0.89129480746333334,
         0.98083212850919665, 0.00067156952601367978, 6.6827318842906622e-08,
         6.682728609692917e-14}},
        {150, 90.5, {0.47118837648669187, 0.52510110189957193, 0.58347795059542074,
         0.62404406942672264, 0.3365198745885763, 0.28351842487733986, 0.23824189133363802}},
        {199, 199, {0.38246581686223508, 0.4229648900552625, 0.4678938069719864, 0.500000000000001,
         0.4678938069719864, 0.42296489005526255, 0.38246581686237474}},
        {0.3, 199, {3.5100389613692392e-23, 3.5100389615568946e-13, 1.6296201707749908e-06,
         0.00036807249964579869, 0.995555792866883, 0.97701670679397701, 0.9462041462578219}},
        {199, 1.5, {0.92593484423473083, 0.96000298204564249, 0.98443506023213667,
         0.99408037972273455, 0.0014653625218931329, 6.0970833415767328e-05,
         6.0680233648150208e-07}},
    };
    // clang-format on
    CBeta dist(nullptr, "X", nullptr);
    for (const SRow& row : rows) {
        SetExponents(dist, row.R, row.S);
        for (int i = 0; i < 7; ++i) {
            const double x = dist.GetInverse(ps[i]);
            const double offset = ps[i] <= 0.5 ? x : 1.0 - x;
            // Above 1/2 the value is 1 - y rounded: one ulp of 1 on top.
            const double rounding = ps[i] <= 0.5 ? 0.0 : 0x1p-53;
            EXPECT_NEAR(offset, row.y[i], 1e-9 * row.y[i] + rounding)
                << "R = " << row.R << ", S = " << row.S << ", p = " << ps[i];
        }
    }
}

// The exponents the inverse cannot serve are refused with their reason: where B(R, S)
// underflows every value would be a bound (R = S = 509 with any p, the first to do so on the
// diagonal), and above 200 a value costs more than about 10 microseconds (R = 3, S = 1e6 took
// 0.1 s). Just inside both limits the variable is accepted.
TEST(Beta, ObstaclesOfTheInverse) {
    const std::string underflow = "underflows a double";
    const std::string cost = "exceed 200";
    const std::tuple<double, double, std::string> rows[] = {
        {2.0, 3.0, ""},
        {200.0, 200.0, ""},
        {0.01, 200.0, ""},
        {200.0, 1e-3, ""},
        {508.0, 508.0, cost},
        {509.0, 509.0, underflow},
        {319.8, 1279.2, underflow},
        {3.0, 1e6, cost},
        {1e-3, 1e12, cost},
        {200.5, 1.0, cost},
        {1.0, 3000.5, cost},
        {1000.0, 0.99, cost},
    };
    CBeta dist(nullptr, "X", nullptr);
    for (const auto& [R, S, strReason] : rows) {
        SetExponents(dist, R, S);
        CStringArray reasons;
        dist.ListSamplingObstacles(reasons);
        if (strReason.empty()) {
            EXPECT_TRUE(reasons.IsEmpty()) << R << ", " << S << ": " << reasons[0].GetString();
        } else {
            ASSERT_EQ(reasons.GetSize(), 1) << R << ", " << S;
            EXPECT_THAT(reasons[0].GetString(), HasSubstr(strReason));
            EXPECT_THAT(reasons[0].GetString(), HasSubstr("S = " + FormatShortest(S)));
        }
    }
    // The variable that made the trouble: mean 2 and standard deviation 0.1 on [0, 10].
    Enter(dist, {{PARAM_MEAN, 2.0}, {PARAM_STDDEV, 0.1}, {PARAM_UPPER_BOUND, 10.0}});
    ASSERT_TRUE(dist.CalcBasePar(0).IsOk());
    CStringArray reasons;
    dist.ListSamplingObstacles(reasons);
    ASSERT_EQ(reasons.GetSize(), 1);
    EXPECT_THAT(reasons[0].GetString(), HasSubstr(underflow));
}

// Over a grid of exponents and bounds every variable is either refused with a reason or samples
// within its bounds with the mean of its base parameters: 1000 values from a fixed seed, whose
// mean lies within 5 standard errors.
TEST(Beta, SweepSamplesWithinBoundsWithTheMeanOrRefuses) {
    const double exponents[] = {0.05, 0.5, 1.0, 3.0, 30.0, 199.0, 250.0, 509.0, 1e4};
    const std::pair<double, double> bounds[] = {{0.0, 1.0}, {-1e3, 5e3}};
    constexpr int kCount = 1000;
    int nAccepted = 0, nRefused = 0;
    CBeta dist(nullptr, "X", nullptr);
    for (double R : exponents) {
        for (double S : exponents) {
            for (const auto& [L, U] : bounds) {
                SetExponents(dist, R, S, L, U);
                CStringArray reasons;
                dist.ListSamplingObstacles(reasons);
                if (!reasons.IsEmpty()) {
                    EXPECT_FALSE(reasons[0].IsEmpty());
                    ++nRefused;
                    continue;
                }
                ++nAccepted;
                CExOr exor(12345, 67890, 13579);
                double sum = 0.0;
                for (int i = 0; i < kCount; ++i) {
                    const double x = dist.GetRandom(&exor);
                    ASSERT_TRUE(x >= L && x <= U) << R << ", " << S << ": " << x;
                    sum += x;
                }
                const SMoments moments = dist.GetMomentsOfBasePar();
                EXPECT_NEAR(sum / kCount, moments.dMean, 5.0 * moments.dStdDev / std::sqrt(kCount))
                    << "R = " << R << ", S = " << S << ", [" << L << ", " << U << "]";
            }
        }
    }
    EXPECT_EQ(nAccepted, 2 * 6 * 6);
    EXPECT_EQ(nRefused, 2 * (81 - 36));
}

} // namespace
} // namespace stochvar::testing
