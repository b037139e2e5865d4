#pragma once

// CSubsetCoV: the coefficient of variation of the subset estimate Pf = p_0 p_1 ... p_K, from the
// levels' own samples. To first order ln Pf - ln Pf_true = sum over j of d_j with
// d_j = sum over the states s of level j of r_s, r_s = (I(g_s <= b_j) - p_j) / (N p_j).
//
// The states are not independent: a chain's states follow each other (the correlation that the
// factor gamma of Au and Beck 2001 measures), chains grown from seeds of one parent chain share
// its history, and a level's seeds are the states of the level before, so that p_j and p_(j-1)
// are correlated as well (positively: a level whose seeds lie deep grows chains that lie deep).
// Neglecting the last two makes the CoV too small.
//
// So the states are grouped by their ancestor chain kLevelsBack levels up (clusters): states of
// different clusters share no history over those levels and are taken as independent, states
// within a cluster may correlate in any way. For level k with ancestors at level a = max(0, k -
// kLevelsBack), X_u = sum of r over the states of level k in cluster u, Y_u the same over levels
// a .. k - 1, and
//   Var d_k = sum_u X_u^2,   2 Cov(d_k, d_a + ... + d_(k-1)) = 2 sum_u X_u Y_u,
// their sum over k is V, the variance of ln Pf. Two levels back hold nearly all of the
// correlation; further back the clusters become few and their estimate noisy. The CoV of Pf is
// sqrt(exp(V) - 1), as for a lognormal ln Pf: the sum V alone is its first-order value and falls
// short for the product of several levels.

#include <vector>

namespace stochvar {

class CSubsetCoV {
public:
    static constexpr int kLevelsBack = 2;

    struct SLevelVariance {
        double dOwn = 0.0;   // Var d_k, within its clusters
        double dCross = 0.0; // 2 Cov(d_k, d_a + ... + d_(k-1))
    };

    // The next level: its values of g chain by chain (nLength states per chain), for each chain
    // the chain of the level before whose state seeded it (ignored on level 0, where every point
    // is its own chain), its threshold b and p, the fraction of its values with g <= b.
    void AddLevel(const std::vector<double>& G, int nLength, std::vector<int> parents, double b,
                  double p);

    std::vector<SLevelVariance> Variances() const;

    // gamma of Au and Beck (2001), eq. 29: 2 sum_k (1 - k Nc / N) rho(k) over the lags k of the
    // chains, rho(k) the correlation of the indicator I(g <= b) between states k apart. The
    // level's own factor, reported beside it; it leaves out what the clusters above account for.
    static double ChainCorrelationFactor(const std::vector<double>& G, int nChains, int nLength,
                                         double b, double p);

    // sqrt(exp(V) - 1); infinite if a level has p = 0.
    double CoV() const;

private:
    struct SLevel {
        std::vector<double> G;
        int nLength = 1;
        std::vector<int> parents;
        double b = 0.0;
        double p = 0.0;
        int Chains() const { return static_cast<int>(G.size()) / nLength; }
    };
    SLevelVariance Variance(int k) const;

    std::vector<SLevel> m_levels;
};

} // namespace stochvar
