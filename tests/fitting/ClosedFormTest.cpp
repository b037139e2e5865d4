// The estimators' building blocks against closed forms: the one-dimensional searches on roots
// and maxima known exactly, and at what cost (Brent's interpolation needs a handful of calls
// where bisection would need about 40); the Weibull skewness that the method of moments inverts.

#include <stochvar/fitting/MomentEstimator.h>
#include <stochvar/fitting/ScalarSearch.h>

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

namespace stochvar {
namespace {

struct SSearch {
    const char* pszName;
    double (*f)(double);
    double a, b, dExact;
    int nMaxCalls;
};

TEST(ScalarSearch, RootsInFewCalls) {
    const SSearch kRoots[] = {
        {"cos x = x", [](double x) { return std::cos(x) - x; }, 0.0, 1.0, 0.7390851332151607, 8},
        {"x^3 = 2", [](double x) { return x * x * x - 2.0; }, 0.0, 2.0, std::cbrt(2.0), 12},
        {"e^x = 10", [](double x) { return std::exp(x) - 10.0; }, 5.0, 0.0, std::log(10.0), 12},
        {"1/x = 3", [](double x) { return 1.0 / x - 3.0; }, 0.01, 10.0, 1.0 / 3.0, 16},
    };
    for (const SSearch& row : kRoots) {
        int nCalls = 0;
        const auto f = [&](double x) { return ++nCalls, row.f(x); };
        EXPECT_NEAR(CScalarSearch::FindRoot(f, row.a, row.b, 1e-12), row.dExact, 1e-12)
            << row.pszName;
        EXPECT_LE(nCalls, row.nMaxCalls) << row.pszName;
    }
    const auto line = [](double x) { return x - 1.0; };
    EXPECT_EQ(CScalarSearch::FindRoot(line, 1.0, 3.0, 1e-12), 1.0);
    EXPECT_EQ(CScalarSearch::FindRoot(line, -2.0, 1.0, 1e-12), 1.0);
    EXPECT_TRUE(std::isnan(CScalarSearch::FindRoot(line, 2.0, 3.0, 1e-12)));
}

TEST(ScalarSearch, MaximaOfUnimodalFunctions) {
    const SSearch kMaxima[] = {
        {"-(x - 2)^2", [](double x) { return -(x - 2.0) * (x - 2.0); }, 0.0, 5.0, 2.0, 40},
        {"x e^-x", [](double x) { return x * std::exp(-x); }, 0.0, 4.0, 1.0, 40},
        {"cos x", [](double x) { return std::cos(x); }, -1.0, 2.0, 0.0, 40},
    };
    for (const SSearch& row : kMaxima) {
        int nCalls = 0;
        const auto f = [&](double x) { return ++nCalls, row.f(x); };
        EXPECT_NEAR(CScalarSearch::Maximise(f, row.a, row.b, 1e-6), row.dExact, 1e-6)
            << row.pszName;
        EXPECT_LE(nCalls, row.nMaxCalls) << row.pszName;
    }
}

// Shape 1 is the exponential (skewness 2), shape 2 the Rayleigh; shape 1/2 from its moments
// Gamma(3) = 2, Gamma(5) = 24 and Gamma(7) = 720.
TEST(MomentEstimator, WeibullSkewness) {
    const double kPi = std::acos(-1.0);
    const std::pair<double, double> kSkewness[] = {
        {0.5, (720.0 - 3.0 * 2.0 * 24.0 + 2.0 * 8.0) / std::pow(24.0 - 4.0, 1.5)},
        {1.0, 2.0},
        {2.0, 2.0 * std::sqrt(kPi) * (kPi - 3.0) / std::pow(4.0 - kPi, 1.5)},
    };
    for (const auto& [b, skewness] : kSkewness) {
        EXPECT_NEAR(CMomentEstimator::WeibullSkewness(b), skewness, 1e-12) << b;
    }
}

} // namespace
} // namespace stochvar
