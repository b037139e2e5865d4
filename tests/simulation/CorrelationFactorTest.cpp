// The U-space correlation factor on a subset of the variables: L L^T = R and the failing row named
// by its variable; the factor by connected components, and of the correlated variables alone,
// against the factor of the whole matrix.

#include <stochvar/simulation/CorrelationFactor.h>
#include <stochvar/simulation/SparseCorrelationFactor.h>

#include "SimulationSupport.h"

namespace stochvar {
namespace {

using testing::Bits;

using Entry = std::tuple<int, int, double>;

// Entries as a collection holds them.
struct SEntries {
    std::vector<std::unique_ptr<SCorr>> owned;
    CArray<SCorr*, SCorr*> array;
    void Add(int i, int j, double rho) {
        owned.push_back(std::make_unique<SCorr>());
        owned.back()->nIndex1 = i, owned.back()->nIndex2 = j, owned.back()->dCorrU = rho;
        array.Add(owned.back().get());
    }
};

// Over the variables given, L L^T = R with a positive diagonal and zeros above it, R holding 1 on
// the diagonal and else the last entry that names the pair, in either order; entries that pair a
// variable with itself, address no variable, or name one left out play no part. A pivot that is
// not positive (or not a number) is reported as its variable's collection index.
TEST(CorrelationFactor, ReproducesTheMatrixOrNamesTheFailingVariable) {
    struct SCase {
        int nDists;
        std::vector<int> variables;
        std::vector<Entry> entries;
        int nRow;
    };
    const SCase cases[] = {
        {8,
         {2, 5, 6},
         {{2, 5, 0.4},
          {6, 5, -0.5},
          {5, 2, 0.1},
          {2, 3, 0.99},
          {5, 5, 0.5},
          {-1, 6, 0.9},
          {6, 8, 0.9}},
         -1},
        {8, {1, 4, 6}, {{1, 4, 0.9}, {1, 6, 0.9}, {6, 4, -0.9}}, 6},
        {6, {0, 3, 5}, {{5, 3, std::nan("")}}, 5},
        {4, {1, 3}, {{3, 1, 1.0}}, 3},
        {4, {1, 3}, {{3, 1, 0.99995}}, -1}, // the last pivot is 1e-4
        {3, {}, {}, -1},
    };
    for (const SCase& c : cases) {
        SEntries entries;
        for (auto [i, j, rho] : c.entries)
            entries.Add(i, j, rho);
        CCorrelationFactor factor;
        factor.Build(entries.array, c.nDists, c.variables);
        const int m = static_cast<int>(c.variables.size());
        ASSERT_EQ(factor.GetOrder(), m);
        EXPECT_EQ(factor.Factor(), c.nRow) << c.nDists;
        const auto Variable = [&](int p) { return c.variables[static_cast<std::size_t>(p)]; };
        const double* L = factor.GetData();
        for (int p = 0; c.nRow < 0 && p < m; ++p) {
            EXPECT_EQ(factor.GetVariable(p), Variable(p));
            EXPECT_GT(L[p * m + p], 0.0);
            for (int q = 0; q < m; ++q) {
                double rho = p == q ? 1.0 : 0.0, product = 0.0;
                const int a = Variable(p), b = Variable(q);
                for (auto [i, j, r] : c.entries)
                    if (a != b && std::minmax(i, j) == std::minmax(a, b))
                        rho = r;
                for (int k = 0; k <= std::min(p, q); ++k)
                    product += L[p * m + k] * L[q * m + k];
                EXPECT_NEAR(product, rho, 1e-15) << c.nDists << ": " << p << ", " << q;
                EXPECT_TRUE(q <= p || L[p * m + q] == 0.0) << p << ", " << q;
            }
        }
    }
}

// Random graphs from a few large components to many small ones, with entries that address no
// variable, pair a variable with itself, repeat a pair or hold NaN: the components' factors,
// written out whole, are the factor of the whole matrix to the bit, both fail at the same
// variable, and correlating by components (also in place) gives the whole factor's bits. So does
// the factor of the correlated variables alone, in every row that both have factored.
TEST(SparseCorrelationFactor, EqualsTheFactorOfTheWholeMatrix) {
    CExOr generator(777u, 4242u, 31337u);
    const auto Below = [&](int n) { return static_cast<int>(generator.GetRandom() * n); };
    int nDefinite = 0, nIndefinite = 0, nSeveral = 0;
    struct SShape {
        int nMaxDists, nTrials;
        double dEntriesPerDist, dScale;
    };
    for (const SShape& shape : {SShape{12, 1500, 0.4, 1.0},
                                {40, 400, 0.7, 0.5},
                                {200, 40, 0.3, 0.6},
                                {60, 200, 1.5, 0.25}}) {
        for (int nTrial = 0; nTrial < shape.nTrials; ++nTrial) {
            const int n = 2 + Below(shape.nMaxDists);
            SEntries entries;
            for (int e = Below(static_cast<int>(shape.dEntriesPerDist * n) + 2); e > 0; --e) {
                const double rho = shape.dScale * (2.0 * generator.GetRandom() - 1.0);
                const int i = Below(n + 2) - 1, j = Below(n + 2) - 1;
                entries.Add(i, j, Below(100) == 0 ? std::nan("") : rho);
            }
            CCorrelationFactor whole;
            CSparseCorrelationFactor sparse;
            whole.Build(entries.array, n);
            sparse.Build(entries.array, n);
            const int nRow = whole.Factor();
            ASSERT_EQ(sparse.Factor(), nRow) << "trial " << nTrial << " of " << n;
            (nRow < 0 ? nDefinite : nIndefinite) += 1;
            nSeveral += sparse.GetComponentCount() > 1 ? 1 : 0;
            CCorrelationFactor part;
            part.Build(entries.array, n, CCorrelationFactor::CorrelatedVariables(entries.array, n));
            ASSERT_EQ(part.Factor(), nRow) << "trial " << nTrial;
            const int m = part.GetOrder();
            for (int p = 0; p < m && (nRow < 0 || part.GetVariable(p) < nRow); ++p) {
                for (int q = 0; q <= p; ++q) {
                    const int i = part.GetVariable(p), j = part.GetVariable(q);
                    ASSERT_EQ(std::bit_cast<std::uint64_t>(part.GetData()[p * m + q]),
                              std::bit_cast<std::uint64_t>(whole.GetData()[i * n + j]))
                        << "trial " << nTrial << ": " << i << ", " << j;
                }
            }
            if (nRow >= 0)
                continue;
            const auto nn = static_cast<std::size_t>(n);
            std::vector<double> L(nn * nn), z(nn), y(nn), yWhole(nn);
            sparse.WriteWholeFactor(L.data());
            ASSERT_EQ(Bits(L.data(), nn * nn), Bits(whole.GetData(), nn * nn)) << nTrial;
            for (double& v : z)
                v = 3.0 * (2.0 * generator.GetRandom() - 1.0);
            whole.Correlate(z.data(), yWhole.data());
            sparse.Correlate(z.data(), y.data());
            sparse.Correlate(z.data(), z.data());
            EXPECT_EQ(Bits(y.data(), nn), Bits(yWhole.data(), nn)) << "trial " << nTrial;
            EXPECT_EQ(Bits(z.data(), nn), Bits(yWhole.data(), nn)) << "in place, trial " << nTrial;
        }
    }
    EXPECT_GT(nDefinite, 1000);
    EXPECT_GT(nIndefinite, 100);
    EXPECT_GT(nSeveral, 500);
    // The components: ascending inside, ordered by their first variables, none for a variable
    // outside every pair or an entry that joins nothing.
    SEntries entries;
    for (auto [i, j] : {std::pair{7, 2}, {3, 3}, {5, 9}, {2, 4}, {-1, 6}, {9, 8}, {4, 10}, {0, 4}})
        entries.Add(i, j, 0.1);
    using Components = std::vector<std::vector<int>>;
    EXPECT_EQ(CSparseCorrelationFactor::Components(entries.array, 10),
              (Components{{0, 2, 4, 7}, {5, 8, 9}}));
    EXPECT_EQ(CSparseCorrelationFactor::Components(entries.array, 2), Components{});
}

} // namespace
} // namespace stochvar
