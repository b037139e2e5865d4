// The O(log N) stratum walk of Latin hypercube sampling against the walk written out literally,
// bit for bit: a sorted row, one addition of 1 / N per used stratum passed, and an insertion.

#include <stochvar/numerics/ExOr.h>
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
template <class Uniform> int ExpectSameRun(int N, Uniform uniform) {
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
    for (std::size_t i = 1; i < row.size(); ++i) nRepeats += row[i] == row[i - 1] ? 1 : 0;
    return nRepeats;
}

TEST(StratumWalk, EqualsTheLiteralWalk) {
    // Every small run over many seeds, and large runs.
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
}

// Uniform numbers on the grid j / (N - m) put N * v within a few ulps of a whole number, where
// the rounding of every addition and product decides the stratum; zero and the largest draw sit
// at the ends. These runs must hit repeated strata, or they would not test that path.
TEST(StratumWalk, EqualsTheLiteralWalkWhereNTimesVIsWithinUlpsOfAWholeNumber) {
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

} // namespace
} // namespace stochvar
