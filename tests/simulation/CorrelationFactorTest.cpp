// The U-space correlation factor on its own: L L^T = R over any set of variables, the failing row
// named by its variable, and what lets a factor leave variables out: the factor of variables that
// no entry joins to the others is their block of the whole factor, bit for bit.

#include <stochvar/numerics/ExOr.h>
#include <stochvar/simulation/CorrelationFactor.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <numeric>
#include <tuple>
#include <utility>
#include <vector>

namespace stochvar {
namespace {

using Entry = std::tuple<int, int, double>;

// Entries as a collection holds them.
struct SEntries {
    std::vector<std::unique_ptr<SCorr>> owned;
    CArray<SCorr*, SCorr*> array;
    explicit SEntries(const std::vector<Entry>& entries) {
        for (auto [i, j, rho] : entries)
            Add(i, j, rho);
    }
    void Add(int i, int j, double rho) {
        owned.push_back(std::make_unique<SCorr>());
        owned.back()->nIndex1 = i, owned.back()->nIndex2 = j, owned.back()->dCorrU = rho;
        array.Add(owned.back().get());
    }
};

bool Joins(const SCorr& corr, int nDists) {
    return corr.nIndex1 != corr.nIndex2 && std::min(corr.nIndex1, corr.nIndex2) >= 0 &&
           std::max(corr.nIndex1, corr.nIndex2) < nDists;
}

// R between two variables: 1 on the diagonal, else the last entry that names the pair.
double Correlation(const SEntries& entries, int i, int j) {
    double rho = i == j ? 1.0 : 0.0;
    for (const SCorr* pCorr : entries.array) {
        const auto pair = std::minmax(pCorr->nIndex1, pCorr->nIndex2);
        if (i != j && pair == std::minmax(i, j))
            rho = pCorr->dCorrU;
    }
    return rho;
}

// Over the variables given, L L^T = R with a positive diagonal and zeros above it. Entries count
// in either order and the last one for a pair wins; those that pair a variable with itself,
// address no variable, or name one left out play no part. A pivot that is not positive (or not
// a number) is reported as its variable's collection index.
TEST(CorrelationFactor, ReproducesTheMatrixOrNamesTheFailingVariable) {
    const double kNaN = std::nan("");
    struct SCase {
        int nDists;
        std::vector<int> variables;
        std::vector<Entry> entries;
        int nRow;
    };
    const SCase cases[] = {
        {8,
         {2, 5, 6},
         {{2, 5, 0.4}, {6, 5, -0.5}, {5, 2, 0.1}, {2, 3, 0.99}, {5, 5, 0.5}, {-1, 6, 0.9}},
         -1},
        {8, {1, 4, 6}, {{1, 4, 0.9}, {1, 6, 0.9}, {6, 4, -0.9}}, 6},
        {6, {0, 3, 5}, {{5, 3, kNaN}}, 5},
        {4, {1, 3}, {{3, 1, 1.0}}, 3},
        {4, {1, 3}, {{3, 1, 0.99995}}, -1}, // the last pivot is 1e-4
        {3, {}, {}, -1},
    };
    for (const SCase& c : cases) {
        const SEntries entries(c.entries);
        CCorrelationFactor factor;
        factor.Build(entries.array, c.nDists, c.variables);
        ASSERT_EQ(factor.GetOrder(), static_cast<int>(c.variables.size()));
        EXPECT_EQ(factor.Factor(), c.nRow) << c.nDists;
        const int m = factor.GetOrder();
        const double* L = factor.GetData();
        const auto Variable = [&](int p) { return c.variables[static_cast<std::size_t>(p)]; };
        for (int p = 0; c.nRow < 0 && p < m; ++p) {
            EXPECT_EQ(factor.GetVariable(p), Variable(p));
            EXPECT_GT(L[p * m + p], 0.0);
            for (int q = 0; q < m; ++q) {
                double product = 0.0;
                for (int k = 0; k <= std::min(p, q); ++k)
                    product += L[p * m + k] * L[q * m + k];
                EXPECT_NEAR(product, Correlation(entries, Variable(p), Variable(q)), 1e-15)
                    << c.nDists << ": " << p << ", " << q;
                EXPECT_TRUE(q <= p || L[p * m + q] == 0.0) << p << ", " << q;
            }
        }
    }
}

// The connected components of the graph of entries, each ascending, without lone variables.
std::vector<std::vector<int>> Components(const SEntries& entries, int nDists) {
    std::vector<int> root(static_cast<std::size_t>(nDists));
    std::iota(root.begin(), root.end(), 0);
    const auto Find = [&](int i) {
        while (root[static_cast<std::size_t>(i)] != i)
            i = root[static_cast<std::size_t>(i)];
        return i;
    };
    std::vector<bool> bJoined(root.size(), false);
    for (const SCorr* pCorr : entries.array) {
        if (!Joins(*pCorr, nDists))
            continue;
        root[static_cast<std::size_t>(Find(pCorr->nIndex1))] = Find(pCorr->nIndex2);
        bJoined[static_cast<std::size_t>(pCorr->nIndex1)] = true;
        bJoined[static_cast<std::size_t>(pCorr->nIndex2)] = true;
    }
    std::map<int, std::vector<int>> byRoot;
    for (int i = 0; i < nDists; ++i)
        if (bJoined[static_cast<std::size_t>(i)])
            byRoot[Find(i)].push_back(i);
    std::vector<std::vector<int>> components;
    for (auto& [r, members] : byRoot)
        components.push_back(std::move(members));
    return components;
}

// Random sparse graphs of up to 14 variables, with entries that address no variable, pair a
// variable with itself, repeat a pair or hold NaN, most definite and many not: the factor of the
// correlated variables, and of each connected component, equals its rows and columns of the
// factor of all variables to the bit in every row that both have factored, and the whole fails
// at the first variable at which a component fails (where the correlated variables fail too).
TEST(CorrelationFactor, GroupsThatNoEntryJoinsAreBlocksOfTheWholeFactorBitForBit) {
    CExOr generator(20240611u, 7u, 99991u);
    const auto Below = [&](int n) { return static_cast<int>(generator.GetRandom() * n); };
    int nDefinite = 0, nIndefinite = 0;
    for (int nTrial = 0; nTrial < 3000; ++nTrial) {
        const int n = 1 + Below(14);
        const double dScale = 0.2 + 1.2 * generator.GetRandom();
        SEntries entries({});
        for (int e = Below(n + 2); e > 0; --e) {
            const double rho =
                Below(50) == 0 ? std::nan("") : dScale * (2.0 * generator.GetRandom() - 1.0);
            entries.Add(Below(n + 2) - 1, Below(n + 2) - 1, rho);
        }
        CCorrelationFactor whole;
        whole.Build(entries.array, n);
        const int nWholeRow = whole.Factor();
        (nWholeRow < 0 ? nDefinite : nIndefinite) += 1;
        const auto Factored = [](int i, int nRow) { return nRow < 0 || i < nRow; };

        std::vector<std::vector<int>> groups = Components(entries, n);
        int nFirstComponentRow = -1;
        groups.push_back(CCorrelationFactor::CorrelatedVariables(entries.array, n));
        for (std::size_t g = 0; g < groups.size(); ++g) {
            CCorrelationFactor part;
            part.Build(entries.array, n, groups[g]);
            const int nRow = part.Factor();
            if (g + 1 == groups.size()) {
                EXPECT_EQ(nRow, nWholeRow) << "trial " << nTrial;
            } else if (nRow >= 0 && (nFirstComponentRow < 0 || nRow < nFirstComponentRow)) {
                nFirstComponentRow = nRow;
            }
            const int m = part.GetOrder();
            for (int p = 0; p < m; ++p) {
                const int i = groups[g][static_cast<std::size_t>(p)];
                if (!Factored(i, nRow) || !Factored(i, nWholeRow))
                    break;
                for (int q = 0; q <= p; ++q) {
                    const int j = groups[g][static_cast<std::size_t>(q)];
                    EXPECT_EQ(std::bit_cast<std::uint64_t>(part.GetData()[p * m + q]),
                              std::bit_cast<std::uint64_t>(whole.GetData()[i * n + j]))
                        << "trial " << nTrial << ", group " << g << ": " << i << ", " << j;
                }
            }
        }
        EXPECT_EQ(nFirstComponentRow, nWholeRow) << "trial " << nTrial;
    }
    EXPECT_GT(nDefinite, 1000);
    EXPECT_GT(nIndefinite, 300);
}

} // namespace
} // namespace stochvar
