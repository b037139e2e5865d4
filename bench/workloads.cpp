// The reference workloads of correlated sampling, reported as values/s (samples x variables):
//
// W1  10 standard normals, U-space correlation 0.3 between every pair, plain, N = 1e6.
// W2  normal, lognormal, Gumbel, Weibull and uniform with their default parameters, U-space 0.3
//     between every pair, plain, N = 1e6.
// W3  Latin hypercube, 10 independent standard normals, N = 1e4 to 1e7, own stratum table.
// S1  5,000 standard normals with 500 U-space correlations of random pairs (+-0.05 to 0.3):
//     the set-up of a run (InitSimulation).
//
// Targets on the 2-core machine (single thread unless stated): W1 through GetSample >= 20 M
// values/s; GetSamples on 2 threads >= 1.7 x its rate on 1, for W1 and for W3; W3 through
// GetSamples >= 0.8 x W1 through GetSamples at every N up to 1e6; W1 under accurate numerics
// >= 0.6 x W1 under faithful ones; the last 1 % of a W3 run of 1e7 (skip and draw) within 10 %
// of the whole run; S1 set up within 2 s and 100 MB; the beta inverse >= 1.5 x the rate of
// computing its shape constants on every call; peak heap of a W3 run of 1e6 within about twice
// its stratum table.
// Wall-clock rates on a machine shared with other jobs vary by tens of percent from run to run:
// compare builds by running them alternately.
//
// One iteration is one whole run; InitSimulation is outside the timing.
// BM_W3_WalkOnly: the stratum walk of W3 without the transforms (SkipSamples of the whole run).
// BM_W3_Plain: the ten normals of W3 sampled plainly through GetSamples, on one thread: what W3
// costs without its walks, so W3's time less this row's is what the walks cost.
// BM_W1_GetSamples, BM_W3_GetSamples: batches of 10,000 samples through GetSamples on 1 and 2
// threads (wall-clock rates: compare the two); W1 under faithful and accurate numerics.
// BM_W3_LastPercent: SkipSamples of the first 99 % of a W3 run and GetSamples of the rest, both
// on 2 threads; compare with BM_W3_GetSamples of the same N on 2 threads, the whole run.
// BM_W3_GetSample also reports peakBytes/table: the most heap in use during InitSimulation and
// the run (stratum walks and table included), over the bytes of the stratum table itself.
// BM_S1_Setup: InitSimulation of S1, with peakBytes, the most heap in use during it.
// BM_BetaInverse: one CBeta::GetInverse per iteration, p cycling over a fixed grid.

#include <stochvar/families/Beta.h>
#include <stochvar/families/Gumbel.h>
#include <stochvar/families/LogNormal.h>
#include <stochvar/families/Normal.h>
#include <stochvar/families/Uniform.h>
#include <stochvar/families/Weibull.h>
#include <stochvar/numerics/ExOr.h>
#include <stochvar/numerics/Numerics.h>
#include <stochvar/simulation/DistCollection.h>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

// Heap in use, for the memory counter: every allocation of the program passes here. Not inlined:
// GCC would take the malloc/free pair inside new/delete for a mismatch.
namespace {
std::atomic<long long> g_nBytesInUse{0};
std::atomic<long long> g_nPeakBytes{0};
} // namespace

__attribute__((noinline)) void* operator new(std::size_t size) {
    void* p = std::malloc(size != 0 ? size : 1);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    const long long nNow = g_nBytesInUse += static_cast<long long>(malloc_usable_size(p));
    long long nPeak = g_nPeakBytes.load();
    while (nNow > nPeak && !g_nPeakBytes.compare_exchange_weak(nPeak, nNow)) {
    }
    return p;
}

__attribute__((noinline)) void operator delete(void* p) noexcept {
    if (p != nullptr) {
        g_nBytesInUse -= static_cast<long long>(malloc_usable_size(p));
        std::free(p);
    }
}

void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

using namespace stochvar;

namespace {

using DistPtr = std::unique_ptr<CDist>;

DistPtr StandardNormal() {
    auto dist = std::make_unique<CNormal>(nullptr, "Z", nullptr);
    dist->SetParamValue(PARAM_MEAN, 0.0);
    dist->SetParamValue(PARAM_STDDEV, 1.0);
    dist->CalcBasePar(0);
    return dist;
}

// Variables owned together with the collection that samples them.
struct SWorkload {
    std::vector<DistPtr> dists;
    CDistCollection collection;

    void Add(DistPtr dist) {
        dists.push_back(std::move(dist));
        collection.AddDist(dists.back().get());
    }
    void CorrelateEveryPair(double rhoU) {
        for (std::size_t i = 0; i < dists.size(); ++i) {
            for (std::size_t j = i + 1; j < dists.size(); ++j) {
                collection.SetCorr(dists[i].get(), dists[j].get(), rhoU, FALSE);
            }
        }
    }
    int Count() const { return static_cast<int>(dists.size()); }
};

void TenStandardNormals(SWorkload& w) {
    for (int i = 0; i < 10; ++i) {
        w.Add(StandardNormal());
    }
}

void W1(SWorkload& w) {
    TenStandardNormals(w);
    w.CorrelateEveryPair(0.3);
}

void W2(SWorkload& w) {
    w.Add(std::make_unique<CNormal>(nullptr, "N", nullptr));
    w.Add(std::make_unique<CLogNormal>(nullptr, "L", nullptr));
    w.Add(std::make_unique<CGumbel>(nullptr, "G", nullptr));
    w.Add(std::make_unique<CWeibull>(nullptr, "W", nullptr));
    w.Add(std::make_unique<CUniform>(nullptr, "U", nullptr));
    w.CorrelateEveryPair(0.3);
}

void ReportValues(benchmark::State& state, int nSamples, int nDists) {
    const double samples = static_cast<double>(state.iterations()) * nSamples;
    state.counters["values/s"] = benchmark::Counter(samples * nDists, benchmark::Counter::kIsRate);
}

// Whole runs through GetSample.
template <class Build>
void RunThroughGetSample(benchmark::State& state, Build build, BOOL bLatinHypercube) {
    const int N = static_cast<int>(state.range(0));
    SWorkload w;
    build(w);
    CExOr generator;
    std::vector<double> values(static_cast<std::size_t>(w.Count()));
    int nSample = 0;
    long long nPeakBytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const long long nBytesBefore = g_nBytesInUse.load();
        g_nPeakBytes = nBytesBefore;
        w.collection.InitSimulation(N, bLatinHypercube, &generator, nullptr);
        state.ResumeTiming();
        while (w.collection.GetSample(nSample, values.data())) {
            benchmark::DoNotOptimize(values.data());
        }
        benchmark::ClobberMemory();
        nPeakBytes = std::max(nPeakBytes, g_nPeakBytes.load() - nBytesBefore);
        state.PauseTiming();
        w.collection.ResetContents(); // the next run allocates its buffers again
        for (const DistPtr& dist : w.dists) {
            w.collection.AddDist(dist.get());
        }
        if (!bLatinHypercube) {
            w.CorrelateEveryPair(0.3);
        }
        state.ResumeTiming();
    }
    ReportValues(state, N, w.Count());
    if (bLatinHypercube) {
        const double tableBytes = static_cast<double>(N) * w.Count() * sizeof(int);
        state.counters["peakBytes/table"] = static_cast<double>(nPeakBytes) / tableBytes;
    }
}

constexpr int kBatch = 10000;

// The rest of the run in batches through GetSamples.
void DrawRest(CDistCollection& collection, std::vector<double>& values, int nThreads) {
    while (collection.GetSamples(kBatch, values.data(), nThreads) > 0) {
        benchmark::DoNotOptimize(values.data());
    }
    benchmark::ClobberMemory();
}

// Whole runs in batches through GetSamples; wall-clock rates.
template <class Build>
void RunThroughGetSamples(benchmark::State& state, Build build, int N, BOOL bLatinHypercube,
                          int nThreads) {
    SWorkload w;
    build(w);
    CExOr generator;
    std::vector<double> values(static_cast<std::size_t>(kBatch * w.Count()));
    for (auto _ : state) {
        state.PauseTiming();
        w.collection.InitSimulation(N, bLatinHypercube, &generator, nullptr);
        state.ResumeTiming();
        DrawRest(w.collection, values, nThreads);
    }
    ReportValues(state, N, w.Count());
}

// W1 with its numerics (0 faithful, 1 accurate) on 1 or 2 threads.
void BM_W1_GetSamples(benchmark::State& state) {
    const auto numerics = state.range(0) != 0 ? ENumerics::Accurate : ENumerics::Faithful;
    RunThroughGetSamples(
        state,
        [&](SWorkload& w) {
            w.collection.SetNumerics(numerics);
            W1(w);
        },
        1000000, FALSE, static_cast<int>(state.range(1)));
}
BENCHMARK(BM_W1_GetSamples)
    ->ArgNames({"accurate", "threads"})
    ->ArgsProduct({{0, 1}, {1, 2}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void BM_W3_GetSamples(benchmark::State& state) {
    RunThroughGetSamples(state, TenStandardNormals, static_cast<int>(state.range(0)), TRUE,
                         static_cast<int>(state.range(1)));
}
BENCHMARK(BM_W3_GetSamples)
    ->ArgNames({"N", "threads"})
    ->ArgsProduct({{10000, 100000, 1000000, 10000000}, {1, 2}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void BM_W3_Plain(benchmark::State& state) {
    RunThroughGetSamples(state, TenStandardNormals, 1000000, FALSE, 1);
}
BENCHMARK(BM_W3_Plain)->UseRealTime()->Unit(benchmark::kMillisecond);

// The last 1 % of a W3 run, as a slice drawn on its own: the skip and the draws, on 2 threads.
void BM_W3_LastPercent(benchmark::State& state) {
    const int N = static_cast<int>(state.range(0));
    const int nThreads = 2;
    SWorkload w;
    TenStandardNormals(w);
    CExOr generator;
    std::vector<double> values(static_cast<std::size_t>(kBatch * w.Count()));
    for (auto _ : state) {
        state.PauseTiming();
        w.collection.InitSimulation(N, TRUE, &generator, nullptr);
        state.ResumeTiming();
        benchmark::DoNotOptimize(w.collection.SkipSamples(N - N / 100, nThreads));
        DrawRest(w.collection, values, nThreads);
    }
}
BENCHMARK(BM_W3_LastPercent)
    ->ArgName("N")
    ->Arg(1000000)
    ->Arg(10000000)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// S1: 5,000 standard normals and 500 U-space entries between random pairs.
void S1(SWorkload& w) {
    constexpr int kVariables = 5000;
    constexpr int kPairs = 500;
    for (int i = 0; i < kVariables; ++i) {
        w.Add(StandardNormal());
    }
    CExOr pairs(11u, 22u, 33u);
    const auto Variable = [&] {
        return w.dists[static_cast<std::size_t>(pairs.GetRandom() * kVariables)].get();
    };
    for (int k = 0; k < kPairs; ++k) {
        const double rho = 0.05 + 0.25 * pairs.GetRandom();
        CDist* pFirst = Variable();
        CDist* pSecond = Variable();
        w.collection.SetCorr(pFirst, pSecond, k % 2 == 0 ? rho : -rho, FALSE);
    }
}

// The set-up of an S1 run, with the most heap in use during it.
void BM_S1_Setup(benchmark::State& state) {
    CExOr generator;
    long long nPeakBytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        SWorkload w; // every set-up allocates its buffers anew
        S1(w);
        const long long nBytesBefore = g_nBytesInUse.load();
        g_nPeakBytes = nBytesBefore;
        state.ResumeTiming();
        w.collection.InitSimulation(1000, FALSE, &generator, nullptr);
        benchmark::DoNotOptimize(w.collection.m_bInitialized);
        nPeakBytes = std::max(nPeakBytes, g_nPeakBytes.load() - nBytesBefore);
        state.PauseTiming();
        w.collection.ResetContents();
        state.ResumeTiming();
    }
    state.counters["peakBytes"] = static_cast<double>(nPeakBytes);
}
BENCHMARK(BM_S1_Setup)->Unit(benchmark::kMillisecond);

void BM_W1_GetSample(benchmark::State& state) { RunThroughGetSample(state, W1, FALSE); }
void BM_W2_GetSample(benchmark::State& state) { RunThroughGetSample(state, W2, FALSE); }
void BM_W3_GetSample(benchmark::State& state) {
    RunThroughGetSample(state, TenStandardNormals, TRUE);
}

BENCHMARK(BM_W1_GetSample)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_W2_GetSample)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_W3_GetSample)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The stratum walk of W3 alone: SkipSamples draws and places every uniform number of the run but
// does none of the transforms.
void BM_W3_WalkOnly(benchmark::State& state) {
    const int N = static_cast<int>(state.range(0));
    SWorkload w;
    TenStandardNormals(w);
    CExOr generator;
    for (auto _ : state) {
        state.PauseTiming();
        w.collection.InitSimulation(N, TRUE, &generator, nullptr);
        state.ResumeTiming();
        benchmark::DoNotOptimize(w.collection.SkipSamples(N));
    }
    ReportValues(state, N, w.Count());
}
BENCHMARK(BM_W3_WalkOnly)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_BetaInverse(benchmark::State& state) {
    CBeta beta(nullptr, "B", nullptr);
    constexpr int kGrid = 1000;
    int i = 0;
    for (auto _ : state) {
        const double p = (i + 0.5) / kGrid;
        benchmark::DoNotOptimize(beta.GetInverse(p));
        i = i + 1 == kGrid ? 0 : i + 1;
    }
    state.counters["values/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BetaInverse);

} // namespace
