// The reference workloads of correlated sampling, reported as values/s (samples x variables):
//
// W1  10 standard normals, U-space correlation 0.3 between every pair, plain, N = 1e6.
// W2  normal, lognormal, Gumbel, Weibull and uniform with their default parameters, U-space 0.3
//     between every pair, plain, N = 1e6.
// W3  Latin hypercube, 10 independent standard normals, N = 1e4, 1e5 and 1e6, own stratum table.
//
// One iteration is one whole run; InitSimulation is outside the timing.
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

#include <memory>
#include <vector>

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
    for (auto _ : state) {
        state.PauseTiming();
        w.collection.InitSimulation(N, bLatinHypercube, &generator, nullptr);
        state.ResumeTiming();
        while (w.collection.GetSample(nSample, values.data())) {
            benchmark::DoNotOptimize(values.data());
        }
        benchmark::ClobberMemory();
    }
    ReportValues(state, N, w.Count());
}

void BM_W1_GetSample(benchmark::State& state) { RunThroughGetSample(state, W1, FALSE); }
void BM_W2_GetSample(benchmark::State& state) { RunThroughGetSample(state, W2, FALSE); }
void BM_W3_GetSample(benchmark::State& state) {
    RunThroughGetSample(state, TenStandardNormals, TRUE);
}

BENCHMARK(BM_W1_GetSample)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_W2_GetSample)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_W3_GetSample)->Arg(10000)->Unit(benchmark::kMillisecond);

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
