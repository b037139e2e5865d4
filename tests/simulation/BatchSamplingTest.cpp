// Batches over threads and slices of a run against the same run drawn sample by sample with
// GetSample, bit for bit; the collection's lazily written stratum table against a caller's table,
// which the literal walk keeps up to date after every sample; and the numerics of a run.

#include <stochvar/families/Beta.h>
#include <stochvar/families/Discrete.h>
#include <stochvar/families/Gumbel.h>
#include <stochvar/families/Weibull.h>
#include <stochvar/numerics/AccurateStdNormal.h>
#include <stochvar/numerics/DiagnosticCapture.h>
#include <stochvar/numerics/ErrorState.h>
#include <stochvar/numerics/Numerics.h>
#include <stochvar/numerics/StdNormal.h>

#include "CountingAllocator.h"
#include "SimulationSupport.h"
#include "numerics/CapturedOutput.h"

#include <optional>

using namespace stochvar;
using namespace stochvar::testing;

namespace {

enum class EMode { Plain, LatinOwnTable, LatinCallerTable };

// Normal, lognormal, Gumbel, Weibull, beta, exponential, uniform and discrete variables, every
// pair correlated in U-space when asked, ready for a run.
struct SSetup : SCollection {
    std::vector<int> table;
    CExOr generator{2463534242u, 88675123u, 521288629u};
    SSetup(EMode mode, bool bCorrelated, int N) {
        Add(MakeNormal("N", 1.0, 2.0));
        Add(MakeLogNormal("L", 3.0, 1.0));
        Add(std::make_unique<CGumbel>(nullptr, "G", nullptr));
        Add(std::make_unique<CWeibull>(nullptr, "W", nullptr));
        Add(std::make_unique<CBeta>(nullptr, "B", nullptr));
        Add(MakeExponential("E", 0.5));
        Add(MakeUniform("U", -1.0, 1.0));
        auto discrete = std::make_unique<CDiscrete>(nullptr, "D", nullptr);
        discrete->AddCategory("a", 1.0);
        discrete->AddCategory("b", 3.0);
        Add(std::move(discrete));
        for (int i = 0; bCorrelated && i < Count(); ++i)
            for (int j = i + 1; j < Count(); ++j)
                Correlate(i, j, 0.2, FALSE);
        table.assign(static_cast<std::size_t>(Count() * N), -1);
        collection.InitSimulation(N, mode != EMode::Plain ? TRUE : FALSE, &generator,
                                  mode == EMode::LatinCallerTable ? table.data() : nullptr);
    }
    int Count() const { return static_cast<int>(dists.size()); }
    // The run through GetSample, row-major; drawing allocates nothing.
    std::vector<double> OneByOne() {
        std::vector<double> all(table.size());
        const long nAllocations = AllocationCount();
        int nSample = 0;
        for (double* p = all.data(); collection.GetSample(nSample, p);)
            p += dists.size();
        EXPECT_EQ(AllocationCount(), nAllocations);
        return all;
    }
};

struct SRun {
    EMode mode;
    bool bCorrelated;
};
const SRun kRuns[] = {{EMode::Plain, false},
                      {EMode::Plain, true},
                      {EMode::LatinOwnTable, false},
                      {EMode::LatinOwnTable, true},
                      {EMode::LatinCallerTable, true}};

// Batches of uneven sizes on 1, 2, 3 and 8 threads (the last asks for more than is left) give
// the bytes, the stratum table and the generator state of the run drawn one sample at a time;
// so do slices drawn by collections of their own (the first samples skipped), joined. GetSample,
// and GetSamples on one thread, allocate nothing: every buffer comes from InitSimulation.
TEST(Batches, AndSlicesEqualGetSampleForEveryThreadCount) {
    const int N = 97;
    ASSERT_GT(AllocationCount(), 0); // the counter sees allocations
    for (const SRun& run : kRuns) {
        SSetup reference(run.mode, run.bCorrelated, N);
        const std::vector<double> expected = reference.OneByOne();
        const int n = reference.Count();
        for (int nThreads : {1, 2, 3, 8}) {
            SSetup s(run.mode, run.bCorrelated, N);
            std::vector<double> values(expected.size() + static_cast<std::size_t>(n), -1.0);
            int nDone = 0;
            const long nAllocations = AllocationCount();
            for (int nBatch : {1, 7, 2, 30, 1000})
                nDone += s.collection.GetSamples(nBatch, values.data() + nDone * n, nThreads);
            EXPECT_TRUE(nThreads > 1 || AllocationCount() == nAllocations) << int(run.mode);
            EXPECT_EQ(nDone, N);
            EXPECT_EQ(s.collection.GetSamples(5, values.data(), nThreads), 0);
            values.resize(expected.size());
            EXPECT_EQ(Bits(values), Bits(expected)) << int(run.mode) << ", " << nThreads;
            ExpectSameState(s.generator, reference.generator);
            if (run.mode != EMode::Plain) {
                const int* pExpected = reference.collection.GetStrata();
                EXPECT_TRUE(std::equal(pExpected, pExpected + N * n, s.collection.GetStrata()));
            }
        }
        std::vector<double> joined;
        for (int nFirst = 0, nCount = 1; nFirst < N; nFirst += nCount, nCount = nCount * 3 + 2) {
            SSetup s(run.mode, run.bCorrelated, N);
            EXPECT_EQ(s.collection.SkipSamples(nFirst), nFirst);
            std::vector<double> slice(static_cast<std::size_t>(nCount * n));
            const int nDrawn = s.collection.GetSamples(nCount, slice.data(), 2);
            EXPECT_EQ(nDrawn, std::min(nCount, N - nFirst));
            joined.insert(joined.end(), slice.begin(), slice.begin() + nDrawn * n);
            if (nFirst + nDrawn == N)
                ExpectSameState(s.generator, reference.generator);
        }
        EXPECT_EQ(Bits(joined), Bits(expected)) << int(run.mode);
    }
}

// The collection's own table, written from the stratum walks, holds what the literal walk writes
// into a caller's table: through GetStrata in the middle of the run, in a copy made there, and
// after the run. Both runs give the same values.
TEST(Batches, OwnStrataTableHoldsWhatTheLiteralWalkWrites) {
    for (int N : {1, 5, 64, 1000}) {
        SSetup own(EMode::LatinOwnTable, true, N), caller(EMode::LatinCallerTable, true, N);
        const int n = own.Count();
        const auto Prefixes = [&](const int* table, int m) { // the first m ints of each row
            std::vector<int> prefixes;
            for (const int* row = table; row < table + n * N; row += N)
                prefixes.insert(prefixes.end(), row, row + m);
            return prefixes;
        };
        std::vector<double> a(static_cast<std::size_t>(n)), b(a.size());
        int nSample = 0;
        for (int m = 1; m <= N; ++m) {
            ASSERT_TRUE(own.collection.GetSample(nSample, a.data()));
            ASSERT_TRUE(caller.collection.GetSample(nSample, b.data()));
            ASSERT_EQ(Bits(a), Bits(b)) << "N = " << N << ", sample " << m;
            if (m == N / 2 || m == N) {
                const std::vector<int> expected = Prefixes(caller.table.data(), m);
                CDistCollection copy(&own.collection);
                EXPECT_EQ(Prefixes(own.collection.GetStrata(), m), expected) << N << ", " << m;
                EXPECT_EQ(Prefixes(copy.m_pStrata, m), expected) << N << ", " << m;
                for (int i = 0; i < copy.GetCount(); ++i)
                    delete copy.GetDist(i);
            }
        }
        EXPECT_EQ(Prefixes(own.collection.m_pStrata, N), Prefixes(caller.table.data(), N));
    }
}

// Diagnostic lines printed by the inverses come out as in a run on one thread, in sample order,
// and the error state is the one that the last sample left.
struct SReportingDist : CDist {
    SReportingDist() : CDist(nullptr, "R", nullptr) {}
    double GetInverse(double p) override {
        PrintDiagnostic("inverse of %.17g\n", p);
        ErrState(ERRSTATE_ERROR_NUMBER, 1 + static_cast<int>(p * 1e6), true);
        return p;
    }
};

TEST(Batches, DiagnosticLinesAndErrorStateAsOnOneThread) {
    const SErrorState saved = GetErrorState();
    const auto Run = [](int nThreads) { // 0: GetSample
        SReportingDist first, second;
        CDistCollection collection;
        collection.AddDist(&first);
        collection.AddDist(&second);
        collection.SetCorr(&first, &second, 0.5, FALSE);
        CExOr generator = kSeeded;
        collection.InitSimulation(40, FALSE, &generator, nullptr);
        std::vector<double> values(80);
        SetErrorState(SErrorState{});
        const std::string lines = stochvar::test::CapturedOutputOf([&] {
            for (int nSample = 0; nThreads == 0 && collection.GetSample(nSample, values.data());) {
            }
            collection.GetSamples(40, values.data(), nThreads);
        });
        return std::pair(lines, ErrState(ERRSTATE_ERROR_NUMBER, 0, false));
    };
    const auto expected = Run(0);
    EXPECT_EQ(std::count(expected.first.begin(), expected.first.end(), '\n'), 80);
    EXPECT_NE(expected.second, 0);
    for (int nThreads : {1, 3, 8})
        EXPECT_EQ(Run(nThreads), expected) << nThreads;
    SetErrorState(saved);
}

// The collection's numerics govern its runs, on the worker threads of GetSamples too, whatever
// the process default; without a choice it follows the default. The expected values are
// composed from the functions of one numerics, mean + sd * Phi^-1(Phi(y)), with y1 = z1 and
// y2 = rho z1 + sqrt(1 - rho^2) z2 for two normals with U-space correlation rho (the 2 x 2
// Cholesky factor in closed form) and z = Phi^-1(v).
TEST(RunNumerics, CollectionChoiceAndProcessDefaultOnWorkerThreads) {
    struct SCase {
        ENumerics processDefault;
        std::optional<ENumerics> choice;
        double rho;
    };
    constexpr int N = 1000;
    constexpr ENumerics F = ENumerics::Faithful, A = ENumerics::Accurate;
    for (const SCase& c :
         {SCase{F, A, -0.9}, {A, F, 0.25}, {A, std::nullopt, 0.8}, {F, std::nullopt, -0.4}}) {
        const ENumerics expected = c.choice.value_or(c.processDefault);
        const double rho = c.rho;
        SetDefaultNumerics(c.processDefault);
        SCollection s;
        if (c.choice)
            s.collection.SetNumerics(*c.choice);
        s.Add(MakeNormal("A", 2.0, 3.0));
        s.Add(MakeNormal("B", 10.0, 2.0));
        s.Correlate(1, 0, rho, FALSE);
        EXPECT_EQ(s.collection.GetNumerics(), expected);
        CExOr generator(4u, 5u, 6u), reference = generator;
        s.collection.InitSimulation(N, FALSE, &generator, nullptr);
        std::vector<double> values(2 * N);
        ASSERT_EQ(s.collection.GetSamples(N, values.data(), 2), N);
        const bool bAccurate = expected == A;
        const auto Inverse = bAccurate ? AccurateStdNormalInverse : FaithfulStdNormalInverse;
        const auto Cdf = bAccurate ? AccurateStdNormalCdf : FaithfulStdNormalCdf;
        for (std::size_t k = 0; k < values.size(); k += 2) {
            const double z1 = Inverse(reference.GetRandom()), z2 = Inverse(reference.GetRandom());
            const double y2 = rho * z1 + std::sqrt(1.0 - rho * rho) * z2;
            ASSERT_EQ(values[k], 3.0 * Inverse(Cdf(z1)) + 2.0) << k << NumericsName(expected);
            ASSERT_NEAR(values[k + 1], 2.0 * Inverse(Cdf(y2)) + 10.0, 1e-12) << k << ", " << rho;
        }
    }
    SetDefaultNumerics(ENumerics::Faithful);
}

} // namespace
