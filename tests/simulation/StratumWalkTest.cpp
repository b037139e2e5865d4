// The O(log N) stratum walk of Latin hypercube sampling against the walk written out literally,
// bit for bit: a sorted row, one addition of 1 / N per used stratum passed, and an insertion.

#include <stochvar/simulation/FreeStrataTree.h>
#include <stochvar/simulation/StratumWalk.h>

#include "SimulationSupport.h"

#include <numeric>

namespace stochvar {
namespace {

using testing::Bits;

double LiteralPlace(std::vector<int>& row, int N, double v) {
    const int m = static_cast<int>(row.size());
    v = v * (static_cast<double>(N - m) / static_cast<double>(N));
    int k = 0;
    while (k < m && static_cast<double>(row[static_cast<std::size_t>(k)]) < N * v) {
        v = v + 1.0 / static_cast<double>(N);
        ++k;
    }
    row.insert(row.begin() + k, static_cast<int>(static_cast<double>(N) * v));
    return v;
}

// How a run goes through CStratumWalk: one Place per draw, or PlaceColumn over blocks of draws
// with their values, or without (the strata alone, as a skip).
enum class EWalk { Place, Column, ColumnStrataOnly };

// A whole run of N draws through the literal walk, then through CStratumWalk in each way;
// uniform(m) gives the m-th uniform number. Columns come in blocks of growing, uneven sizes.
// Returns the number of strata that rounding placed on a used one (repeats in the row).
template <class Uniform>
int ExpectSameRun(int N, Uniform uniform) {
    std::vector<int> row;
    std::vector<double> u(static_cast<std::size_t>(N)), expected(u.size());
    for (std::size_t m = 0; m < u.size(); ++m) {
        u[m] = uniform(static_cast<int>(m));
        expected[m] = LiteralPlace(row, N, u[m]);
    }
    for (const EWalk how : {EWalk::Place, EWalk::Column, EWalk::ColumnStrataOnly}) {
        CStratumWalk walk;
        walk.Reset(N);
        std::vector<double> placed = u;
        if (how == EWalk::Place) {
            for (double& v : placed)
                v = walk.Place(v);
        }
        for (int nFirst = 0, nCount = 1; how != EWalk::Place && nFirst < N;
             nFirst += nCount, nCount = nCount * 2 + 3) {
            nCount = std::min(nCount, N - nFirst);
            walk.PlaceColumn(placed.data() + nFirst, nCount, how == EWalk::Column);
        }
        if (how != EWalk::ColumnStrataOnly) {
            EXPECT_EQ(Bits(placed), Bits(expected)) << "N = " << N << ", walk " << int(how);
        }
        std::vector<int> sorted(static_cast<std::size_t>(walk.GetUsedCount()));
        walk.WriteSortedStrata(sorted.data());
        EXPECT_EQ(sorted, row) << "N = " << N << ", walk " << int(how);
    }
    int nRepeats = 0;
    for (std::size_t i = 1; i < row.size(); ++i)
        nRepeats += row[i] == row[i - 1] ? 1 : 0;
    return nRepeats;
}

// Every small run over many seeds, and large runs, through each way of walking. On the grid
// j / (N - m) the uniform numbers put N * v within a few ulps of a whole number, where the
// rounding of every addition and product decides the stratum; zero and the largest draw sit at
// the ends. Those runs must hit repeated strata, or they would not test that path.
TEST(StratumWalk, EqualsTheLiteralWalk) {
    for (int N = 1; N <= 50; ++N) {
        for (std::uint32_t seed = 1; seed <= 20; ++seed) {
            CExOr generator(seed, 7919U * seed, 104729U + seed);
            ExpectSameRun(N, [&](int) { return generator.GetRandom(); });
        }
    }
#ifdef STOCHVAR_SANITIZED_BUILD
    for (const int N : {1000, 4096, 10007}) {
#else
    for (const int N : {1000, 4096, 100000}) {
#endif
        CExOr generator(12345U, 67890U, static_cast<std::uint32_t>(N));
        ExpectSameRun(N, [&](int) { return generator.GetRandom(); });
    }
    int nRepeats = 0;
    for (const int N : {3, 10, 49, 64, 100, 127, 128, 1000, 1024, 3000}) {
        CExOr generator(99U, 98U, static_cast<std::uint32_t>(N));
        nRepeats += ExpectSameRun(N, [&](int m) {
            const double r = generator.GetRandom();
            return r < 0.05 ? 0.0 : r > 0.95 ? 1.0 - 0x1p-32 : std::floor(r * (N - m)) / (N - m);
        });
    }
    EXPECT_GT(nRepeats, 0);
}

// The tree against plain counts of free strata per word, through takes, finds and releases at
// random on trees of one to five levels (a partly filled last node on each); and a full node of
// the third level, where a rank reaches 2^15, one past its 16-bit counts.
TEST(FreeStrataTree, AgreesWithCountsPerWord) {
    CExOr generator(5u, 6u, 7u);
    for (const int nWords : {8, 40, 520, 4104, 33288}) {
        CFreeStrataTree tree;
        tree.Reset(nWords);
        std::vector<long long> free(static_cast<std::size_t>(nWords), 64);
        // The word of the r-th free (or used) stratum and the rank within it; as the tree says it.
        const auto Expected = [&](long long r, bool bFree) {
            std::size_t w = 0;
            for (; r > (bFree ? free[w] : 64 - free[w]); ++w)
                r -= bFree ? free[w] : 64 - free[w];
            return std::pair{static_cast<int>(w), r};
        };
        const auto Found = [](int w, long long r) { return std::pair{w, r}; };
        for (int nOp = 0; nOp < 3000; ++nOp) {
            long long nFree = 0;
            for (long long f : free)
                nFree += f;
            long long r = 1 + static_cast<long long>(generator.GetRandom() * nFree);
            if (nFree > 0 && nOp % 4 != 3) { // mostly takes, so that words and nodes fill up
                const auto expected = Expected(r, true);
                const int w = nOp % 4 == 0 ? tree.FindWordOfFree(r) : tree.TakeFree(r);
                ASSERT_EQ(Found(w, r), expected) << nWords;
                free[static_cast<std::size_t>(w)] -= nOp % 4 == 0 ? 0 : 1;
            } else if (nFree < 64LL * nWords) {
                r = 1 + static_cast<long long>(generator.GetRandom() * (64LL * nWords - nFree));
                const auto expected = Expected(r, false);
                const int w = tree.FindWordOfUsed(r);
                ASSERT_EQ(Found(w, r), expected) << nWords;
                tree.MarkFree(w);
                ++free[static_cast<std::size_t>(w)];
            }
            const auto w = static_cast<std::size_t>(generator.GetRandom() * nWords);
            const long long nBefore =
                std::accumulate(free.begin(), free.begin() + static_cast<std::ptrdiff_t>(w), 0LL);
            ASSERT_EQ(tree.FreeBefore(static_cast<int>(w)), nBefore);
        }
    }
    CFreeStrataTree tree;
    tree.Reset(1024);
    long long r = 32768;
    EXPECT_EQ(tree.FindWordOfFree(r), 511);
    EXPECT_EQ(r, 64);
}

} // namespace
} // namespace stochvar
