// The batch sampler against one GetSamples call over the same run: the batches it hands over,
// joined, are that call's values bit for bit, batch by batch of the size the value budget gives,
// and the run stands where the sampler left it, stopped by the callback or not.

#include <stochvar/simulation/BatchSampler.h>

#include "SimulationSupport.h"

using namespace stochvar;
using namespace stochvar::testing;

namespace {

constexpr int kVariables = 64; // 16384 samples per batch
constexpr int N = 16384 + 10;

struct SRunOf64 : SCollection {
    CExOr generator = kSeeded;
    SRunOf64() {
        AddNormals(kVariables);
        Correlate(0, 1, 0.6, FALSE);
        collection.InitSimulation(N, FALSE, &generator);
    }
};

TEST(BatchSampler, BatchesOfTheValueBudgetJoinedAreOneGetSamplesCallUnlessStopped) {
    // floor(2^20 / n) samples per batch, at least one and at most 65536.
    for (const auto& [nVariables, nRows] :
         {std::pair{0, 65536}, {17, 61680}, {1000, 1048}, {1 << 21, 1}}) {
        EXPECT_EQ(CBatchSampler::RowsPerBatch(nVariables), nRows) << nVariables;
    }
    SRunOf64 reference;
    std::vector<double> expected(static_cast<std::size_t>(N) * kVariables);
    ASSERT_EQ(reference.collection.GetSamples(N, expected.data(), 1), N);

    struct SCase {
        const char* what;
        long long nAsked;
        int nThreads;
        bool bCallersArray;
        int nStopAfter; // batches; 0: never
        std::vector<int> batches;
        bool bStopped;
    };
    const SCase cases[] = {
        {"more asked than the run holds", N + 5, 1, false, 0, {16384, 10}, false},
        {"into the caller's array, on three threads", N - 5, 3, true, 0, {16384, 5}, false},
        {"stopped after the first batch", N, 2, false, 1, {16384}, true},
        {"nothing asked", 0, 1, false, 0, {}, false},
    };
    for (const SCase& row : cases) {
        SCOPED_TRACE(row.what);
        SRunOf64 run;
        std::vector<double> out(static_cast<std::size_t>(row.nAsked) * kVariables);
        std::vector<double> joined;
        std::vector<int> batches;
        CBatchSampler sampler(run.collection, row.nThreads);
        const SBatchDrawResult result = sampler.Draw(
            row.nAsked,
            [&](const SSampleBatch& batch) {
                EXPECT_EQ(batch.nDrawnBefore, static_cast<long long>(joined.size() / kVariables));
                if (row.bCallersArray) { // a view into the caller's array
                    EXPECT_EQ(batch.pRows, out.data() + batch.nDrawnBefore * kVariables);
                }
                joined.insert(joined.end(), batch.pRows, batch.Row(batch.nRows));
                batches.push_back(batch.nRows);
                return static_cast<int>(batches.size()) != row.nStopAfter;
            },
            row.bCallersArray ? out.data() : nullptr);

        const long long nDrawn = static_cast<long long>(joined.size() / kVariables);
        EXPECT_EQ(batches, row.batches);
        EXPECT_EQ(result.nDrawn, nDrawn);
        EXPECT_EQ(result.bStopped, row.bStopped);
        EXPECT_EQ(Bits(joined), Bits(expected.data(), joined.size()));
        EXPECT_EQ(run.collection.m_nSample, nDrawn); // the run goes on from there
    }
}

} // namespace
