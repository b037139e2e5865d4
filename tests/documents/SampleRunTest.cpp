// One sampling run as the hosts draw it, beyond what their own tests see: the slice is the whole
// run's samples at its place, drawn on a copy that leaves the document as it was, and a host may
// stop the run after any batch without it counting as a run that ended early.

#include <stochvar/documents/BuiltInExample.h>
#include <stochvar/documents/SampleRun.h>

#include <gtest/gtest.h>

#include <cstring>
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

} // namespace
} // namespace stochvar::test
