// The reference workloads of correlated sampling, reported as values/s (samples x variables):
//
// W1  10 standard normals, U-space correlation 0.3 between every pair, plain, N = 1e6.
// W2  normal, lognormal, Gumbel, Weibull and uniform with their default parameters, U-space 0.3
//     between every pair, plain, N = 1e6.
// W3  Latin hypercube, 10 independent standard normals, N = 1e4, 1e5 and 1e6, own stratum table.
//
// Targets on the 2-core machine (single thread unless stated): W1 through GetSample >= 20 M
// values/s; GetSamples on 2 threads >= 1.7 x its rate on 1; W3 >= 10 M values/s at N = 1e5 and
// >= 5 M at N = 1e6; the beta inverse >= 1.5 x the rate of computing its shape constants on
// every call; peak heap of a W3 run of 1e6 within about twice its stratum table.
// Wall-clock rates on a machine shared with other jobs vary by tens of percent from run to run:
// compare builds by running them alternately.
//
// One iteration is one whole run; InitSimulation is outside the timing.
// BM_W3_WalkOnly: the stratum walk of W3 without the transforms (SkipSamples).
// BM_W1_GetSamples: W1 in batches of 10,000 samples through GetSamples on 1 and 2 threads
// (wall-clock rates: compare the two).
// BM_W3_GetSample also reports peakBytes/table: the most heap in use during InitSimulation and
// the run (stratum walks and table included), over the bytes of the stratum table itself.
// BM_BetaInverse: one CBeta::GetInverse per iteration, p cycling over a fixed grid.

#include <stochvar/families/Beta.h>
#include <stochvar/families/Gumbel.h>
#include <stochvar/families/LogNormal.h>
#include <stochvar/families/Normal.h>
#include <stochvar/families/Uniform.h>
#include <stochvar/families/Weibull.h>
#include <stochvar/numerics/ExOr.h>
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

// W1 in batches through GetSamples; wall-clock rates.
void BM_W1_GetSamples(benchmark::State& state) {
    const int N = 1000000;
    const int nBatch = 10000;
    const int nThreads = static_cast<int>(state.range(0));
    SWorkload w;
    W1(w);
    CExOr generator;
    std::vector<double> values(static_cast<std::size_t>(nBatch * w.Count()));
    for (auto _ : state) {
        state.PauseTiming();
        w.collection.InitSimulation(N, FALSE, &generator, nullptr);
        state.ResumeTiming();
        while (w.collection.GetSamples(nBatch, values.data(), nThreads) > 0) {
            benchmark::DoNotOptimize(values.data());
        }
        benchmark::ClobberMemory();
    }
    ReportValues(state, N, w.Count());
}
BENCHMARK(BM_W1_GetSamples)
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(2)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

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
