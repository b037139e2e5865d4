// Speed of correlated sampling and of the Nataf mapping.
//
// BM_GetSample: one full run per iteration (InitSimulation excluded from the timing) over n
// normal variables with a U-space correlation of 0.3 between every pair, plain or Latin
// hypercube, N samples. Latin hypercube sampling walks and inserts into a sorted row of up to N
// ints per variable, so its cost per sample grows with N. Reported: samples/s and values/s.
//
// BM_SetCorr: one X-space SetCorr per iteration (two range runs and the inversion, each with
// 20 inverse cumulative evaluations per variable); deleting the new entry again is timed too
// and costs next to nothing.

#include <stochvar/families/Exponential.h>
#include <stochvar/families/LogNormal.h>
#include <stochvar/families/Normal.h>
#include <stochvar/families/Uniform.h>
#include <stochvar/numerics/ExOr.h>
#include <stochvar/simulation/DistCollection.h>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

using namespace stochvar;

namespace {

std::unique_ptr<CDist> Normal(double mean, double stdDev) {
    auto dist = std::make_unique<CNormal>(nullptr, "N", nullptr);
    dist->SetParamValue(PARAM_MEAN, mean);
    dist->SetParamValue(PARAM_STDDEV, stdDev);
    dist->CalcBasePar(0);
    return dist;
}

void BM_GetSample(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const int N = static_cast<int>(state.range(1));
    const BOOL bLatinHypercube = state.range(2) != 0 ? TRUE : FALSE;

    std::vector<std::unique_ptr<CDist>> dists;
    CDistCollection collection;
    for (int i = 0; i < n; ++i) {
        dists.push_back(Normal(i, 1.0 + 0.1 * i));
        collection.AddDist(dists.back().get());
    }
    for (int i = 0; i < n; ++i) {
        for (int j = i + 1; j < n; ++j) {
            collection.SetCorr(dists[static_cast<std::size_t>(i)].get(),
                               dists[static_cast<std::size_t>(j)].get(), 0.3, FALSE);
        }
    }
    CExOr generator;
    std::vector<double> values(static_cast<std::size_t>(n));
    int nSample = 0;
    for (auto _ : state) {
        state.PauseTiming();
        collection.InitSimulation(N, bLatinHypercube, &generator, nullptr);
        state.ResumeTiming();
        while (collection.GetSample(nSample, values.data())) {
            benchmark::DoNotOptimize(values.data());
        }
        benchmark::ClobberMemory();
    }
    const double samples = static_cast<double>(state.iterations()) * N;
    state.SetItemsProcessed(static_cast<std::int64_t>(samples));
    state.counters["values/s"] = benchmark::Counter(samples * n, benchmark::Counter::kIsRate);
}

BENCHMARK(BM_GetSample)
    ->ArgNames({"n", "N", "latin"})
    ->ArgsProduct({{2, 10, 50}, {1000, 10000}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

template <class MakePair>
void SetCorrBench(benchmark::State& state, MakePair makePair) {
    auto [first, second] = makePair();
    CDistCollection collection;
    collection.AddDist(first.get());
    collection.AddDist(second.get());
    CArray<SCorr*, SCorr*>* pCorrs = collection.GetCorrArray();
    for (auto _ : state) {
        collection.SetCorr(first.get(), second.get(), 0.5, TRUE);
        benchmark::DoNotOptimize(pCorrs->GetAt(0)->dCorrU);
        delete pCorrs->GetAt(0);
        pCorrs->RemoveAll();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_SetCorr_NormalNormal(benchmark::State& state) {
    SetCorrBench(state, [] { return std::pair{Normal(0.0, 1.0), Normal(5.0, 2.0)}; });
}

void BM_SetCorr_UniformExponential(benchmark::State& state) {
    SetCorrBench(state, [] {
        std::unique_ptr<CDist> uniform = std::make_unique<CUniform>(nullptr, "U", nullptr);
        uniform->CalcBasePar(0);
        std::unique_ptr<CDist> exponential = std::make_unique<CExponential>(nullptr, "E", nullptr);
        return std::pair{std::move(uniform), std::move(exponential)};
    });
}

void BM_SetCorr_LogNormalLogNormal(benchmark::State& state) {
    SetCorrBench(state, [] {
        std::unique_ptr<CDist> a = std::make_unique<CLogNormal>(nullptr, "A", nullptr);
        std::unique_ptr<CDist> b = std::make_unique<CLogNormal>(nullptr, "B", nullptr);
        return std::pair{std::move(a), std::move(b)};
    });
}

BENCHMARK(BM_SetCorr_NormalNormal);
BENCHMARK(BM_SetCorr_UniformExponential);
BENCHMARK(BM_SetCorr_LogNormalLogNormal);

} // namespace
