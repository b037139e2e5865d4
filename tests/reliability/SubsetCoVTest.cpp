// The CoV of subset simulation from hand-made levels: each level's variance and its covariance
// with the levels before it agree with their definition as sums over pairs of states that share
// an ancestor (for independent points of level 0, the binomial variance).

#include <stochvar/reliability/SubsetCoV.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace stochvar;

namespace {

struct SHandLevel {
    std::vector<double> G;
    int nLength;
    std::vector<int> parents;
    double b;
};

double Fraction(const SHandLevel& level) {
    double n = 0.0;
    for (double g : level.G)
        n += g <= level.b ? 1.0 : 0.0;
    return n / static_cast<double>(level.G.size());
}

// The chain of level a that state s of level j descends from.
int Ancestor(const std::vector<SHandLevel>& levels, int j, int s, int a) {
    int chain = s / levels[j].nLength;
    for (; j > a; --j)
        chain = levels[j].parents[chain];
    return chain;
}

// sum of r_s r_t over the states s of level k and t of level j that descend from one chain of
// level a (j = k: the variance of level k, with s = t counted once).
double PairSum(const std::vector<SHandLevel>& levels, int k, int j, int a) {
    const auto r = [&](int level, int s) {
        const double p = Fraction(levels[level]);
        const double N = static_cast<double>(levels[level].G.size());
        return ((levels[level].G[s] <= levels[level].b ? 1.0 : 0.0) - p) / (N * p);
    };
    double sum = 0.0;
    for (int s = 0; s < static_cast<int>(levels[k].G.size()); ++s)
        for (int t = 0; t < static_cast<int>(levels[j].G.size()); ++t)
            if (Ancestor(levels, k, s, a) == Ancestor(levels, j, t, a))
                sum += r(k, s) * r(j, t);
    return sum;
}

CSubsetCoV Made(const std::vector<SHandLevel>& levels) {
    CSubsetCoV cov;
    for (const SHandLevel& level : levels)
        cov.AddLevel(level.G, level.nLength, level.parents, level.b, Fraction(level));
    return cov;
}

// Four levels with uneven chains and parents: each level's variance and its covariance with
// the two levels before it, and V, against sums over pairs of states.
TEST(SubsetCoV, CovarianceIsTheSumOverStatesOfOneAncestor) {
    const std::vector<SHandLevel> levels = {
        {{0.3, 2.0, 0.1, 4.0, 0.2, 5.0}, 1, {}, 0.35},
        {{0.1, 0.05, 0.2, 0.24, 0.02, 0.15}, 2, {2, 0, 4}, 0.12},
        {{0.01, 0.02, 0.11, 0.03, 0.04, 0.05}, 2, {2, 0, 0}, 0.035},
        {{0.02, -0.1, 0.01, -0.2, 0.03, 0.02}, 2, {0, 1, 0}, 0.0},
    };
    const std::vector<CSubsetCoV::SLevelVariance> v = Made(levels).Variances();
    ASSERT_EQ(v.size(), levels.size());
    double V = 0.0;
    for (int k = 0; k < 4; ++k) {
        SCOPED_TRACE(k);
        const int a = std::max(0, k - CSubsetCoV::kLevelsBack);
        double cross = 0.0;
        for (int j = a; j < k; ++j)
            cross += 2.0 * PairSum(levels, k, j, a);
        EXPECT_NEAR(v[k].dOwn, PairSum(levels, k, k, a), 1e-14);
        EXPECT_NEAR(v[k].dCross, cross, 1e-14);
        V += v[k].dOwn + v[k].dCross;
    }
    EXPECT_NE(v[2].dCross, 0.0);
    EXPECT_NE(v[3].dCross, 0.0);
    EXPECT_NEAR(Made(levels).CoV(), std::sqrt(std::expm1(V)), 1e-14);
}

// Au and Beck's gamma where the chains' correlation is known: states that never change
// (rho(k) = 1 at every lag: gamma = L - 1), states that flip at every step (rho(k) = (-1)^k), a
// single state (no lags), and a level where everything fails (rho undefined: 0).
TEST(SubsetCoV, ChainCorrelationFactorOfChainsOfKnownCorrelation) {
    const auto closedForm = [](int L, double rho) {
        double gamma = 0.0;
        for (int k = 1; k < L; ++k)
            gamma += 2.0 * (1.0 - static_cast<double>(k) / L) * std::pow(rho, k);
        return gamma;
    };
    const struct {
        const char* pszName;
        std::vector<double> G; // chain after chain, failure where g <= 0
        int nChains;
        double gamma;
    } cases[] = {
        {"steady", {-1, -1, -1, -1, 1, 1, 1, 1, 1, 1, 1, 1, -1, -1, -1, -1}, 4, closedForm(4, 1.0)},
        {"flipping", {-1, 1, -1, 1, -1, 1, 1, -1, 1, -1, 1, -1}, 2, closedForm(6, -1.0)},
        {"single states", {-1, 1, 1, -1, 1}, 5, 0.0},
        {"all fail", {-1, -2, -3, -4}, 2, 0.0},
    };
    for (const auto& c : cases) {
        const int L = static_cast<int>(c.G.size()) / c.nChains;
        const double p = Fraction({c.G, L, {}, 0.0});
        EXPECT_NEAR(CSubsetCoV::ChainCorrelationFactor(c.G, c.nChains, L, 0.0, p), c.gamma, 1e-12)
            << c.pszName;
    }
}

// A last level without a failure: an infinite CoV.
TEST(SubsetCoV, NoFailureGivesInfiniteCoV) {
    const CSubsetCoV cov = Made({{{0.0, 1.0}, 1, {}, 0.5}, {{0.2, 0.3}, 2, {0}, 0.0}});
    EXPECT_TRUE(std::isinf(cov.CoV()));
}

} // namespace
