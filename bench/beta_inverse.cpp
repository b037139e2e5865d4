// Cost per value of the beta family's inverse as the exponents grow: the sweep behind
// CBeta::kLargestSampledExponent. BetaI adds one term per unit of its second shape, so the cost
// grows with the larger exponent; one exponent is held small and the other swept, and both are
// swept together up to where B(R, S) underflows and the inverse gives up at once.
//   bench_beta_inverse --benchmark_filter=Skewed    (time per value against the larger exponent)

#include <stochvar/families/Beta.h>

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>

namespace {

using namespace stochvar;

// Probabilities cycled through: both halves, the bulk and the tails a sample reaches.
constexpr std::array<double, 12> kProbabilities = {1e-9, 1e-6, 0.001, 0.05,  0.2,      0.4,
                                                   0.6,  0.8,  0.95,  0.999, 1 - 1e-6, 1 - 1e-9};

void TimeInverse(benchmark::State& state, double R, double S) {
    CBeta dist(nullptr, "X", nullptr);
    dist.SetParamValue(PARAM_LOWER_BOUND, 0.0);
    dist.SetParamValue(PARAM_UPPER_BOUND, 1.0);
    dist.SetParamValue(PARAM_R, R);
    dist.SetParamValue(PARAM_S, S);
    dist.SetParamValue(PARAM_T, R + S);
    dist.PrepareInverse();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(dist.GetInverse(kProbabilities[i]));
        i = (i + 1) % kProbabilities.size();
    }
    state.counters["larger_exponent"] = std::fmax(R, S);
}

// R = 0.5, 3 or 30 with S from 10 to 10^4 (4 per decade).
void BM_BetaInverseSkewed(benchmark::State& state) {
    const double R = state.range(0) / 10.0;
    const double S = std::pow(10.0, state.range(1) / 4.0);
    TimeInverse(state, R, S);
}
BENCHMARK(BM_BetaInverseSkewed)->ArgsProduct({{5, 30, 300}, benchmark::CreateDenseRange(4, 16, 1)});

// R = S from 10 to about 600, where B(R, S) underflows.
void BM_BetaInverseSymmetric(benchmark::State& state) {
    const double R = std::pow(10.0, state.range(0) / 4.0);
    TimeInverse(state, R, R);
}
BENCHMARK(BM_BetaInverseSymmetric)->DenseRange(4, 11, 1);

} // namespace
