// One sampling run as the hosts draw it, beyond what their own tests see: the slice is the whole
// run's samples at its place, drawn on a copy that leaves the document as it was, a host may
// stop the run after any batch without it counting as a run that ended early, and it hears how
// far the preparation is.

#include <stochvar/documents/BuiltInExample.h>
#include <stochvar/documents/SampleRun.h>

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

namespace stochvar::test {
namespace {

TEST(SampleRun, ASliceIsTheWholeRunAtItsPlaceAndMayBeStoppedAfterABatch) {
    const int N = 70000, n = 7, nFirst = 3; // the example's 7 variables: 65536 samples per batch
    const auto pDirect = LoadBuiltInExample();
    CExOr generator(1u, 2u, 3u);
    pDirect->GetCollection().InitSimulation(N, FALSE, &generator);
    std::vector<double> whole(static_cast<std::size_t>(N) * n);
    ASSERT_EQ(pDirect->GetCollection().GetSamples(N, whole.data()), N);

    const auto pDoc = LoadBuiltInExample();
    SSampleRunRequest request;
    request.nSamples = N;
    request.seeds = {1u, 2u, 3u};
    request.nFirst = nFirst;
    request.threads = 2;
    CSampleRun run(*pDoc, request, "beam");
    std::vector<double> firstBatch;
    const SBatchDrawResult result = run.Draw([&](const SSampleBatch& batch) {
        firstBatch.assign(batch.pRows, batch.Row(batch.nRows));
        return false;
    });
    EXPECT_TRUE(result.bStopped && result.nDrawn == 65536) << result.nDrawn;
    ASSERT_EQ(firstBatch.size(), 65536u * n);
    EXPECT_EQ(std::memcmp(firstBatch.data(), &whole[nFirst * n], 65536 * n * sizeof(double)), 0);
    EXPECT_FALSE(pDoc->GetCollection().m_bInitialized); // the document's collection never ran
}

// The factorisation of the example's correlations, then the skip of a Latin hypercube slice in
// blocks: each part's reports in order, its work done growing up to its total.
TEST(SampleRun, PreparingReportsTheFactorisationThenTheSkip) {
    using EStage = CDistCollection::ERunStage;
    const auto pDoc = LoadBuiltInExample();
    SSampleRunRequest request;
    request.nSamples = 500000, request.count = 10, request.threads = 2;
    request.bLatinHypercube = true;
    request.nFirst = 400000; // 2.8 million draws: three blocks of 2^20
    CSampleRun run(*pDoc, request, "beam");
    std::vector<std::tuple<EStage, long long, long long>> heard;
    run.SetProgressReport([&](EStage stage, long long nDone, long long nTotal) {
        heard.emplace_back(stage, nDone, nTotal);
    });
    run.Prepare();
    ASSERT_GT(heard.size(), 3u);
    EXPECT_EQ(std::get<0>(heard[0]), EStage::Factoring);
    EXPECT_EQ(heard.back(), std::tuple(EStage::Skipping, 400000LL, 400000LL));
    for (std::size_t k = 1; k < heard.size(); ++k) {
        const auto [stage, nDone, nTotal] = heard[k];
        const auto [before, nDoneBefore, nTotalBefore] = heard[k - 1];
        EXPECT_TRUE(stage == before ? nDone > nDoneBefore && nTotal == nTotalBefore
                                    : before == EStage::Factoring && nDoneBefore == nTotalBefore)
            << k;
    }
}

} // namespace
} // namespace stochvar::test
