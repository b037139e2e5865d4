// Batches, threads and slices of a run against drawing it sample by sample with GetSample; the
// collection's lazily written stratum table against a caller's table, which the literal walk
// keeps up to date after every sample.

#include <stochvar/families/Beta.h>
#include <stochvar/families/Discrete.h>
#include <stochvar/families/Gumbel.h>
#include <stochvar/families/Weibull.h>
#include <stochvar/numerics/DiagnosticCapture.h>
#include <stochvar/numerics/ExOr.h>
#include <stochvar/simulation/DistCollection.h>

#include "SimulationSupport.h"
#include "numerics/CapturedOutput.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

using namespace stochvar;
using namespace stochvar::testing;

namespace {

const CExOr kSeeded(2463534242u, 88675123u, 521288629u);

// Prints its argument as a diagnostic line: the order of the lines shows the order of the calls.
class CReportingDist : public CDist {
public:
    CReportingDist() : CDist(nullptr, "R", nullptr) {}
    double GetInverse(double p) override {
        PrintDiagnostic("inverse of %.17g\n", p);
        return p;
    }
};

enum class EMode { Plain, LatinOwnTable, LatinCallerTable };

struct SRun {
    const char* name;
    EMode mode;
    bool bCorrelated;
    int nSamples;
};

// Normal, lognormal, Gumbel, Weibull, beta, exponential, uniform and discrete variables, every
// pair correlated in U-space when asked.
struct SSetup {
    std::vector<DistPtr> dists;
    CDistCollection collection;
    std::vector<int> table;
    CExOr generator = kSeeded;

    SSetup(const SRun& run) {
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
        if (run.bCorrelated) {
            for (std::size_t i = 0; i < dists.size(); ++i) {
                for (std::size_t j = i + 1; j < dists.size(); ++j) {
                    collection.SetCorr(dists[i].get(), dists[j].get(), 0.2, FALSE);
                }
            }
        }
        table.assign(dists.size() * static_cast<std::size_t>(run.nSamples), -1);
        collection.InitSimulation(run.nSamples, run.mode != EMode::Plain ? TRUE : FALSE, &generator,
                                  run.mode == EMode::LatinCallerTable ? table.data() : nullptr);
    }
    void Add(DistPtr dist) {
        dists.push_back(std::move(dist));
        collection.AddDist(dists.back().get());
    }
    int Count() const { return static_cast<int>(dists.size()); }
};

std::vector<std::uint64_t> Bits(const std::vector<double>& values) {
    std::vector<std::uint64_t> bits;
    for (double v : values) bits.push_back(std::bit_cast<std::uint64_t>(v));
    return bits;
}

// The whole run through GetSample, and the generator afterwards.
std::vector<double> OneByOne(SSetup& s) {
    std::vector<double> all;
    std::vector<double> values(static_cast<std::size_t>(s.Count()));
    int nSample = 0;
    while (s.collection.GetSample(nSample, values.data())) {
        all.insert(all.end(), values.begin(), values.end());
    }
    return all;
}

// The next draws of two generators agree: they are in the same state.
void ExpectSameState(CExOr a, CExOr b) {
    for (int i = 0; i < 3; ++i) EXPECT_EQ(a.GetRandom(), b.GetRandom()) << "draw " << i;
}

void PrintTo(const SRun& run, std::ostream* os) { *os << run.name; }

const SRun kRuns[] = {
    {"Plain", EMode::Plain, false, 97},
    {"PlainCorrelated", EMode::Plain, true, 97},
    {"LatinOwnTable", EMode::LatinOwnTable, false, 97},
    {"LatinOwnTableCorrelated", EMode::LatinOwnTable, true, 97},
    {"LatinCallerTableCorrelated", EMode::LatinCallerTable, true, 97},
};

class Batches : public ::testing::TestWithParam<SRun> {};

// Batches of uneven sizes on 1, 2, 3 and 8 threads (the last asks for more than is left) give the
// bytes, the stratum table and the generator state of the run drawn one sample at a time.
TEST_P(Batches, EqualGetSampleForEveryThreadCount) {
    SSetup reference(GetParam());
    const std::vector<double> expected = OneByOne(reference);
    ASSERT_EQ(expected.size(), static_cast<std::size_t>(GetParam().nSamples * reference.Count()));
    const int n = reference.Count();
    const int N = GetParam().nSamples;
    for (int nThreads : {1, 2, 3, 8}) {
        SSetup s(GetParam());
        std::vector<double> values(expected.size() + static_cast<std::size_t>(n), -1.0);
        int nDone = 0;
        for (int nBatch : {1, 7, 2, 30, 1000}) {
            nDone += s.collection.GetSamples(nBatch, values.data() + nDone * n, nThreads);
        }
        EXPECT_EQ(nDone, N);
        EXPECT_EQ(s.collection.GetSamples(5, values.data(), nThreads), 0);
        values.resize(expected.size());
        EXPECT_EQ(Bits(values), Bits(expected)) << nThreads << " threads";
        ExpectSameState(s.generator, reference.generator);
        if (GetParam().mode != EMode::Plain) {
            const int* pExpected = reference.collection.GetStrata();
            EXPECT_TRUE(std::equal(pExpected, pExpected + N * n, s.collection.GetStrata()));
        }
    }
}

// Slices drawn by collections of their own (first samples skipped) concatenate to the whole run.
TEST_P(Batches, SlicesConcatenateToTheWholeRun) {
    SSetup reference(GetParam());
    const std::vector<double> expected = OneByOne(reference);
    const int n = reference.Count();
    const int N = GetParam().nSamples;
    std::vector<double> joined;
    for (int nFirst = 0, nCount = 1; nFirst < N; nFirst += nCount, nCount = nCount * 3 + 2) {
        SSetup s(GetParam());
        EXPECT_EQ(s.collection.SkipSamples(nFirst), nFirst);
        std::vector<double> slice(static_cast<std::size_t>(nCount * n));
        const int nDrawn = s.collection.GetSamples(nCount, slice.data(), 2);
        EXPECT_EQ(nDrawn, std::min(nCount, N - nFirst));
        joined.insert(joined.end(), slice.begin(), slice.begin() + nDrawn * n);
        if (nFirst + nDrawn == N) ExpectSameState(s.generator, reference.generator);
    }
    EXPECT_EQ(Bits(joined), Bits(expected));
}

INSTANTIATE_TEST_SUITE_P(Runs, Batches, ::testing::ValuesIn(kRuns), CaseName);

// The collection's own table, written from the stratum walks, holds what the literal walk writes
// into a caller's table: through GetStrata in the middle of the run, in a copy made there, and
// after the run. Both runs give the same values.
TEST(OwnStrataTable, HoldsTheDocumentedContents) {
    for (int N : {1, 5, 64, 1000}) {
        SSetup own({"", EMode::LatinOwnTable, true, N});
        SSetup caller({"", EMode::LatinCallerTable, true, N});
        const int n = own.Count();
        std::vector<double> a(static_cast<std::size_t>(n)), b(a.size());
        int nSample = 0;
        // The first m ints of each row.
        const auto Prefixes = [&](const int* table, int m) {
            std::vector<int> prefixes;
            for (int i = 0; i < n; ++i) prefixes.insert(prefixes.end(), table + i * N, table + i * N + m);
            return prefixes;
        };
        for (int m = 1; m <= N; ++m) {
            ASSERT_TRUE(own.collection.GetSample(nSample, a.data()));
            ASSERT_TRUE(caller.collection.GetSample(nSample, b.data()));
            ASSERT_EQ(Bits(a), Bits(b)) << "N = " << N << ", sample " << m;
            if (m == N / 2 || m == N) {
                const std::vector<int> expected = Prefixes(caller.table.data(), m);
                CDistCollection copy(&own.collection);
                EXPECT_EQ(Prefixes(own.collection.GetStrata(), m), expected) << N << ", " << m;
                EXPECT_EQ(Prefixes(copy.m_pStrata, m), expected) << N << ", " << m;
                for (int i = 0; i < copy.GetCount(); ++i) delete copy.GetDist(i);
            }
        }
        EXPECT_EQ(Prefixes(own.collection.m_pStrata, N), Prefixes(caller.table.data(), N));
    }
}

// Diagnostic lines printed by the inverses come out as in a run on one thread, in sample order.
TEST(Batches, DiagnosticLinesInSampleOrderOnEveryThreadCount) {
    const auto Lines = [](int nThreads) {
        CReportingDist first, second;
        CDistCollection collection;
        collection.AddDist(&first);
        collection.AddDist(&second);
        collection.SetCorr(&first, &second, 0.5, FALSE);
        CExOr generator = kSeeded;
        collection.InitSimulation(40, FALSE, &generator, nullptr);
        std::vector<double> values(80);
        return stochvar::test::CapturedOutputOf([&] {
            if (nThreads == 0) {
                int nSample = 0;
                while (collection.GetSample(nSample, values.data())) {
                }
            } else {
                collection.GetSamples(40, values.data(), nThreads);
            }
        });
    };
    const std::string expected = Lines(0);
    EXPECT_EQ(std::count(expected.begin(), expected.end(), '\n'), 80);
    for (int nThreads : {1, 3, 8}) EXPECT_EQ(Lines(nThreads), expected) << nThreads;
}

} // namespace
