// GetSample, and GetSamples on one thread, allocate nothing: every buffer comes from
// InitSimulation.

#include <stochvar/numerics/ExOr.h>
#include <stochvar/simulation/DistCollection.h>

#include "CountingAllocator.h"
#include "SimulationSupport.h"

#include <gtest/gtest.h>

#include <vector>

using namespace stochvar;
using namespace stochvar::testing;

namespace {

struct SAllocationCase {
    const char* name;
    int nDists;
    BOOL bLatinHypercube;
    bool callerTable;
    bool batches; // GetSamples on one thread, 7 samples a call
};

class GetSampleAllocations : public ::testing::TestWithParam<SAllocationCase> {};

TEST_P(GetSampleAllocations, NoneDuringTheRun) {
    const SAllocationCase& c = GetParam();
    const int N = 200;
    std::vector<DistPtr> dists;
    CDistCollection collection;
    for (int i = 0; i < c.nDists; ++i) {
        switch (i % 4) {
        case 0: dists.push_back(MakeNormal("N", 1.0, 2.0)); break;
        case 1: dists.push_back(MakeUniform("U")); break;
        case 2: dists.push_back(MakeExponential("E")); break;
        default: dists.push_back(MakeLogNormal("L", 3.0, 1.0)); break;
        }
        collection.AddDist(dists.back().get());
    }
    for (int i = 1; i < c.nDists; ++i) {
        collection.SetCorr(dists[0].get(), dists[static_cast<std::size_t>(i)].get(), 0.3, FALSE);
    }
    std::vector<int> table(static_cast<std::size_t>(N * c.nDists));
    std::vector<double> values(static_cast<std::size_t>(7 * c.nDists));
    CExOr generator;
    collection.InitSimulation(N, c.bLatinHypercube, &generator,
                              c.callerTable ? table.data() : nullptr);

    // The counter itself must see allocations, or the check below would prove nothing.
    const long before = AllocationCount();
    { const std::vector<double> probe(8, 1.0); }
    ASSERT_EQ(AllocationCount(), before + 1);

    const long atStart = AllocationCount();
    int nSample = 0;
    int nDrawn = 0;
    if (c.batches) {
        for (int nBatch; (nBatch = collection.GetSamples(7, values.data(), 1)) > 0;) nDrawn += nBatch;
    } else {
        while (collection.GetSample(nSample, values.data())) ++nDrawn;
    }
    EXPECT_EQ(AllocationCount(), atStart);
    EXPECT_EQ(nDrawn, N);
}

INSTANTIATE_TEST_SUITE_P(Runs, GetSampleAllocations,
                         ::testing::Values(SAllocationCase{"Plain", 12, FALSE, false, false},
                                           SAllocationCase{"LatinOwnTable", 12, TRUE, false, false},
                                           SAllocationCase{"LatinCallerTable", 12, TRUE, true, false},
                                           SAllocationCase{"Single", 1, FALSE, false, false},
                                           SAllocationCase{"PlainBatches", 12, FALSE, false, true},
                                           SAllocationCase{"LatinBatches", 12, TRUE, false, true}),
                         CaseName);

} // namespace
