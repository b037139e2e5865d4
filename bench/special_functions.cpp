// Cost per call of the special functions that the beta and Weibull families use.

#include <stochvar/numerics/BetaFunctions.h>
#include <stochvar/numerics/GammaFunctions.h>

#include <benchmark/benchmark.h>

#include <vector>

namespace {

using namespace stochvar;

// Arguments cycled through so that no single branch is timed alone.
const std::vector<double>& GammaArguments() {
    static const std::vector<double> xs = {0.3,  1.7,  3.25,  5.5,  9.9,
                                           12.5, 40.0, 150.0, -2.5, -15.5};
    return xs;
}

struct SBetaArgs {
    double x, a, b;
};

const std::vector<SBetaArgs>& BetaArguments() {
    static const std::vector<SBetaArgs> args = {
        {0.1, 2.0, 3.0}, {0.5, 2.0, 2.0},   {0.7, 0.5, 0.5},   {0.3, 12.0, 4.0},
        {0.9, 1.5, 7.5}, {0.05, 0.8, 30.0}, {0.6, 35.0, 20.0}, {0.95, 3.0, 0.7},
    };
    return args;
}

void BM_dGamma(benchmark::State& state) {
    const auto& xs = GammaArguments();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(dGamma(xs[i]));
        i = (i + 1) % xs.size();
    }
}
BENCHMARK(BM_dGamma);

void BM_dLnGam(benchmark::State& state) {
    const auto& xs = GammaArguments();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(dLnGam(xs[i]));
        i = (i + 1) % xs.size();
    }
}
BENCHMARK(BM_dLnGam);

void BM_dBeta(benchmark::State& state) {
    const auto& args = BetaArguments();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(dBeta(args[i].a, args[i].b));
        i = (i + 1) % args.size();
    }
}
BENCHMARK(BM_dBeta);

void BM_BetaI(benchmark::State& state) {
    const auto& args = BetaArguments();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(BetaI(args[i].x, args[i].a, args[i].b));
        i = (i + 1) % args.size();
    }
}
BENCHMARK(BM_BetaI);

void BM_BetaInv(benchmark::State& state) {
    const auto& args = BetaArguments();
    std::size_t i = 0;
    for (auto _ : state) {
        double x = 0.0;
        int status = 0;
        BetaInv(args[i].x, args[i].a, args[i].b, x, status);
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(status);
        i = (i + 1) % args.size();
    }
}
BENCHMARK(BM_BetaInv);

} // namespace
