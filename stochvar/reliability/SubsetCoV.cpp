#include <stochvar/reliability/SubsetCoV.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <numeric>

namespace stochvar {

namespace {

std::size_t Count(int n) { return static_cast<std::size_t>(n); }

} // namespace

double CSubsetCoV::ChainCorrelationFactor(const std::vector<double>& G, int nChains, int nLength,
                                          double b, double p) {
    const double R0 = p * (1.0 - p);
    if (!(R0 > 0.0)) {
        return 0.0;
    }
    const double N = static_cast<double>(nChains) * nLength;
    const auto I = [&](int c, int s) {
        return G[Count(c) * Count(nLength) + Count(s)] <= b ? 1.0 : 0.0;
    };
    double gamma = 0.0;
    for (int k = 1; k < nLength; ++k) {
        double sum = 0.0;
        for (int c = 0; c < nChains; ++c) {
            for (int s = 0; s + k < nLength; ++s) {
                sum += I(c, s) * I(c, s + k);
            }
        }
        const double Rk = sum / (N - k * static_cast<double>(nChains)) - p * p;
        gamma += 2.0 * (1.0 - k * static_cast<double>(nChains) / N) * Rk / R0;
    }
    return gamma;
}

void CSubsetCoV::AddLevel(const std::vector<double>& G, int nLength, std::vector<int> parents,
                          double b, double p) {
    m_levels.push_back({G, nLength, std::move(parents), b, p});
}

CSubsetCoV::SLevelVariance CSubsetCoV::Variance(int k) const {
    const int a = std::max(0, k - kLevelsBack);
    // cluster[c]: the ancestor at level a of chain c of level j, from j = a up to k.
    std::vector<int> cluster(Count(m_levels[Count(a)].Chains()));
    std::iota(cluster.begin(), cluster.end(), 0);
    std::vector<double> X(cluster.size(), 0.0), Y(cluster.size(), 0.0);
    for (int j = a; j <= k; ++j) {
        const SLevel& level = m_levels[Count(j)];
        if (j > a) {
            std::vector<int> next(Count(level.Chains()));
            for (std::size_t c = 0; c < next.size(); ++c) {
                next[c] = cluster[Count(level.parents[c])];
            }
            cluster = std::move(next);
        }
        std::vector<double>& sums = j < k ? Y : X;
        const double scale = 1.0 / (static_cast<double>(level.G.size()) * level.p);
        for (std::size_t s = 0; s < level.G.size(); ++s) {
            const double r = ((level.G[s] <= level.b ? 1.0 : 0.0) - level.p) * scale;
            sums[Count(cluster[s / Count(level.nLength)])] += r;
        }
    }
    SLevelVariance v;
    for (std::size_t u = 0; u < X.size(); ++u) {
        v.dOwn += X[u] * X[u];
        v.dCross += 2.0 * X[u] * Y[u];
    }
    return v;
}

std::vector<CSubsetCoV::SLevelVariance> CSubsetCoV::Variances() const {
    std::vector<SLevelVariance> variances;
    for (std::size_t k = 0; k < m_levels.size(); ++k) {
        const bool bEmpty = !(m_levels[k].p > 0.0);
        variances.push_back(bEmpty ? SLevelVariance{std::numeric_limits<double>::infinity(), 0.0}
                                   : Variance(static_cast<int>(k)));
    }
    return variances;
}

double CSubsetCoV::CoV() const {
    double V = 0.0;
    for (const SLevelVariance& v : Variances()) {
        V += v.dOwn + v.dCross;
    }
    // Negative cross terms can outweigh the levels' own only through noise in their estimate.
    return std::sqrt(std::expm1(std::max(0.0, V)));
}

} // namespace stochvar
