// The O(log N) stratum walk of Latin hypercube sampling against the walk written out literally,
// bit for bit: a sorted row, one addition of 1 / N per used stratum passed, and an insertion.

#include <stochvar/numerics/ExOr.h>
#include <stochvar/simulation/FreeStrataTree.h>
#include <stochvar/simulation/StratumWalk.h>

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

namespace stochvar {
namespace {

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

// A whole run of N draws through both walks; uniform(m) gives the m-th uniform number. Returns
// the number of strata that rounding placed on a used one (repeats in the row).
template <class Uniform>
int ExpectSameRun(int N, Uniform uniform) {
    std::vector<int> row;
    CStratumWalk walk;
    walk.Reset(N);
    for (int m = 0; m < N; ++m) {
        const double u = uniform(m), expected = LiteralPlace(row, N, u), placed = walk.Place(u);
        if (std::bit_cast<std::uint64_t>(placed) != std::bit_cast<std::uint64_t>(expected)) {
            ADD_FAILURE() << "N = " << N << ", draw " << m << ", u = " << u << ": " << placed
                          << " instead of " << expected;
            return -1;
        }
    }
    std::vector<int> sorted(static_cast<std::size_t>(walk.GetUsedCount()));
    walk.WriteSortedStrata(sorted.data());
    EXPECT_EQ(sorted, row) << "N = " << N;
    int nRepeats = 0;
    for (std::size_t i = 1; i < row.size(); ++i)
        nRepeats += row[i] == row[i - 1] ? 1 : 0;
    return nRepeats;
}

// Every small run over many seeds, and large runs. On the grid j / (N - m) the uniform numbers
// put N * v within a few ulps of a whole number, where the rounding of every addition and
// product decides the stratum; zero and the largest draw sit at the ends. Those runs must hit
// repeated strata, or they would not test that path.
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

// Each count of the free-strata tree is that of the words under the child, also in the partly
// filled last node of a level. Overcounting there changes no search of a small tree, but from
// seven levels on (2^24 + 16 words: 68 MB of nodes) the root's counts would pass 2^32.
TEST(FreeStrataTree, CountsOnlyTheWordsThatExist) {
    CFreeStrataTree tree;
    tree.Reset((1 << 24) + 16);
    for (const long long nFree : {1LL << 30, (1LL << 30) + 1, (1LL << 30) + 1024}) {
        long long r = nFree;
        EXPECT_EQ(tree.FindWordOfFree(r), (nFree - 1) / 64) << nFree;
        EXPECT_EQ(r, (nFree - 1) % 64 + 1) << nFree;
    }
}

} // namespace
} // namespace stochvar
