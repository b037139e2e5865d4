#include <stochvar/simulation/GaussHermite.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include <unistd.h>

using namespace stochvar;

namespace {

constexpr int kNodes = 20;
const double kStdNormalScale = 1.0 / std::sqrt(6.283185307179586);

struct Rule {
    double u[kNodes];
    double W[kNodes];
    Rule() { GaussHerm(kNodes, u, W, kStdNormalScale); }
    double Expect(double (*h)(double)) const {
        double sum = 0.0;
        for (int j = 0; j < kNodes; ++j) sum += W[j] * h(u[j]);
        return sum;
    }
};

// The rule is the tabulated one, digit for digit: documented results of the mapping depend on it.
TEST(GaussHerm, NodesAndWeightsAreTheTabulatedOnes) {
    const double abscissas[10] = {0.2453407083009, 0.7374737285454, 1.2340762153953,
                                  1.7385377121161, 2.2546740020893, 2.7888060584281,
                                  3.3478545673832, 3.9447640401156, 4.6036824495507,
                                  5.3874808900112};
    const double weights[10] = {0.4622436696006,    0.2866755053628,    0.10901720602,
                                0.02481052088746,   0.003243773342238,  0.0002283386360163,
                                7.802556478532e-06, 1.086069370769e-07, 4.399340992273e-10,
                                2.229393645534e-13};
    const double scale = 0.125;
    double u[kNodes], W[kNodes];
    GaussHerm(kNodes, u, W, scale);
    const double root2 = std::sqrt(2.0);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(u[10 + i], root2 * abscissas[i]) << "node " << i;
        EXPECT_EQ(u[9 - i], root2 * -abscissas[i]) << "node " << i;
        EXPECT_EQ(W[10 + i], root2 * weights[i] * scale) << "weight " << i;
        EXPECT_EQ(W[9 - i], root2 * weights[i] * scale) << "weight " << i;
    }
}

// A 20-point Gauss rule integrates polynomials up to degree 39 exactly. The tabulated fifth
// abscissa differs from the exact node (2.2549740020893) in the fourth decimal, so the rule
// reproduces the standard normal moments E[U^k] = (k-1)!! only to about 1e-3 (observed: up to
// 6.3e-4 for k <= 16), while its weights still sum to 1 to rounding.
TEST(GaussHerm, ReproducesStandardNormalMomentsToTheTablesAccuracy) {
    const Rule rule;
    double doubleFactorial = 1.0; // (k-1)!! for the current even k
    for (int k = 0; k <= 16; ++k) {
        double moment = 0.0;
        for (int j = 0; j < kNodes; ++j) moment += rule.W[j] * std::pow(rule.u[j], k);
        if (k % 2 == 1) {
            // Cancels by symmetry up to rounding of terms as large as 10.8^15 * 1e-13.
            EXPECT_NEAR(moment, 0.0, 1e-10) << "E[U^" << k << "]";
        } else {
            if (k > 0) doubleFactorial *= static_cast<double>(k - 1);
            const double tolerance = k == 0 ? 1e-12 : 1e-3;
            EXPECT_NEAR(moment / doubleFactorial, 1.0, tolerance) << "E[U^" << k << "]";
        }
    }
    // The second moment is where the shifted node shows first: 1 - 9.9e-6.
    double second = 0.0;
    for (int j = 0; j < kNodes; ++j) second += rule.W[j] * rule.u[j] * rule.u[j];
    EXPECT_NEAR(second, 0.9999901, 1e-7);
}

TEST(GaussHerm, ExpectationOfSmoothFunction) {
    const Rule rule;
    // E[cos U] = exp(-1/2) and E[exp(U/2)] = exp(1/8) for U standard normal, to the accuracy of
    // the tabulated rule (see above).
    EXPECT_NEAR(rule.Expect([](double u) { return std::cos(u); }), std::exp(-0.5), 1e-6);
    EXPECT_NEAR(rule.Expect([](double u) { return std::exp(0.5 * u); }), std::exp(0.125), 1e-5);
}

// The diagnostic goes to the standard output; the dying child sends that to its standard error,
// where the death test can match it.
void GaussHermWithOutputOnStdErr(int n) {
    double u[kNodes], W[kNodes];
    std::fflush(stdout);
    dup2(STDERR_FILENO, STDOUT_FILENO);
    GaussHerm(n, u, W, 1.0);
}

TEST(GaussHermDeathTest, OtherOrderEndsTheProcessWithCodeZero) {
    for (int n : {0, 10, 19, 21}) {
        EXPECT_EXIT(GaussHermWithOutputOnStdErr(n), ::testing::ExitedWithCode(0),
                    "^n in GaussHerm must be equal 20$")
            << n;
    }
}


class HermitePolynomialsAt : public ::testing::TestWithParam<double> {};

// Explicit forms of He_0 .. He_6 (Abramowitz and Stegun 22.3, probabilists' normalisation).
TEST_P(HermitePolynomialsAt, MatchExplicitForms) {
    const double u = GetParam();
    double He[11];
    HermitePolynomials(11, He, u);
    const double u2 = u * u;
    const double expected[7] = {
        1.0,
        u,
        u2 - 1.0,
        u * (u2 - 3.0),
        u2 * u2 - 6.0 * u2 + 3.0,
        u * (u2 * u2 - 10.0 * u2 + 15.0),
        u2 * u2 * u2 - 15.0 * u2 * u2 + 45.0 * u2 - 15.0,
    };
    for (int k = 0; k < 7; ++k) {
        EXPECT_NEAR(He[k], expected[k], 1e-12 * (1.0 + std::fabs(expected[k]))) << "He" << k;
    }
}

INSTANTIATE_TEST_SUITE_P(Arguments, HermitePolynomialsAt,
                         ::testing::Values(-3.5, -1.0, -0.25, 0.0, 0.5, 1.0, 2.0, 7.6));

TEST(HermitePolynomials, FillsOnlyTheRequestedCount) {
    double He[4] = {-9.0, -9.0, -9.0, -9.0};
    HermitePolynomials(2, He, 3.0);
    EXPECT_EQ(He[0], 1.0);
    EXPECT_EQ(He[1], 3.0);
    EXPECT_EQ(He[2], -9.0);
}

} // namespace
