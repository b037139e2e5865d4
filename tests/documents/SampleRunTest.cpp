// One sampling run as the hosts draw it, beyond what their own tests see: the slice is the whole
// run's samples at its place, drawn on a copy that leaves the document as it was, and a host may
// stop the run after any batch without it counting as a run that ended early; a skip in chunks
// and paced batches give the same numbers, a host may stop the skip between chunks, and it hears
// how far the preparation is.

#include <stochvar/documents/BuiltInExample.h>
#include <stochvar/documents/SampleRun.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
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

TEST(SampleRun, ChunkedSkipsAndPacedBatchesKeepTheNumbersAndMayBeStopped) {
    const int N = 200000, n = 7, nFirst = 150001; // Latin hypercube: the skip walks the strata
    SSampleRunRequest request;
    request.nSamples = N;
    request.bLatinHypercube = true;
    request.seeds = {4u, 5u, 6u};
    request.nFirst = nFirst;
    request.threads = 2;
    const auto pReferenceDoc = LoadBuiltInExample();
    CSampleRun reference(*pReferenceDoc, request, "beam");
    std::vector<double> expected(static_cast<std::size_t>(N - nFirst) * n);
    reference.Draw([](const SSampleBatch&) { return true; }, expected.data());

    const auto pDoc = LoadBuiltInExample();
    CSampleRun run(*pDoc, request, "beam");
    int nChunks = 0;
    ASSERT_TRUE(run.Prepare([&] { return ++nChunks > 0; }));
    const int nChunkRows = CSampleRun::kSkipChunkValues / n;
    EXPECT_EQ(nChunks, (nFirst - 1) / nChunkRows); // asked between chunks
    std::vector<int> batchRows;
    std::vector<double> paced(expected.size());
    run.Draw(
        [&](const SSampleBatch& batch) {
            batchRows.push_back(batch.nRows);
            return true;
        },
        paced.data(), std::chrono::milliseconds(1));
    EXPECT_EQ(std::memcmp(paced.data(), expected.data(), expected.size() * sizeof(double)), 0);
    ASSERT_GE(batchRows.size(), 2u);
    EXPECT_EQ(batchRows[0], 2); // a sample per thread, then growing by at most 4 times
    for (std::size_t k = 1; k < batchRows.size(); ++k) {
        EXPECT_LE(batchRows[k], 4 * batchRows[k - 1]) << k;
    }

    CSampleRun stopped(*pDoc, request, "beam");
    EXPECT_FALSE(stopped.Prepare([] { return false; }));
}

// The factorisation of the example's correlations, then the skip of a Latin hypercube slice in
// blocks: each part's reports in order, its work done growing up to its total; a skip in chunks
// reports the whole skip too, only more often.
TEST(SampleRun, PreparingReportsTheFactorisationThenTheSkip) {
    using EStage = CDistCollection::ERunStage;
    using Report = std::tuple<EStage, long long, long long>;
    const auto pDoc = LoadBuiltInExample();
    SSampleRunRequest request;
    request.nSamples = 500000, request.count = 10, request.threads = 2;
    request.bLatinHypercube = true;
    request.nFirst = 400000; // 2.8 million draws: three blocks of 2^20
    const auto prepare = [&](const std::function<bool()>& continueSkip) {
        CSampleRun run(*pDoc, request, "beam");
        std::vector<Report> heard;
        run.SetProgressReport([&](EStage stage, long long nDone, long long nTotal) {
            heard.emplace_back(stage, nDone, nTotal);
        });
        EXPECT_TRUE(run.Prepare(continueSkip));
        return heard;
    };
    const std::vector<Report> whole = prepare({});
    const std::vector<Report> chunked = prepare([] { return true; });
    const auto skips = [](const std::vector<Report>& heard) {
        return std::count_if(heard.begin(), heard.end(),
                             [](const Report& r) { return std::get<0>(r) == EStage::Skipping; });
    };
    // At least one report a chunk (kSkipChunkValues / 7 samples each), more than the whole skip.
    const long long nChunkRows = CSampleRun::kSkipChunkValues / 7;
    EXPECT_GE(skips(chunked), (request.nFirst + nChunkRows - 1) / nChunkRows);
    EXPECT_GT(skips(chunked), skips(whole));
    for (const std::vector<Report>& heard : {whole, chunked}) {
        ASSERT_GT(heard.size(), 3u);
        EXPECT_EQ(std::get<0>(heard[0]), EStage::Factoring);
        EXPECT_EQ(heard.back(), std::tuple(EStage::Skipping, 400000LL, 400000LL));
        for (std::size_t k = 1; k < heard.size(); ++k) {
            const auto [stage, nDone, nTotal] = heard[k];
            const auto [before, nDoneBefore, nTotalBefore] = heard[k - 1];
            EXPECT_TRUE(stage == before
                            ? nDone > nDoneBefore && nTotal == nTotalBefore
                            : before == EStage::Factoring && nDoneBefore == nTotalBefore)
                << k;
        }
    }
}

} // namespace
} // namespace stochvar::test
