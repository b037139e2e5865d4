// Calls and accuracy of the reliability analyses on problems with closed forms, the spread of
// subset simulation at Pf = 1e-6, and the speed of Monte Carlo against plain sampling.
//
// BM_Form/{problem}: FORM from the origin with the default options. Counters: g calls,
// iterations, n, calls per (n + 1), and the relative error of beta. Problems: g linear in three
// correlated normals; R - S with lognormals; the parabola g = 3 - u2 + 0.1 u1^2; a product of
// ten lognormals, X0..X4 against X5..X9 (its failure surface is a plane in ln X).
//
// BM_Sorm_Parabola: SORM on that parabola; relative errors of Breitung, Hohenbichler-Rackwitz
// and Tvedt against the exact Pf from quadrature.
//
// BM_Sampling/{method}: Monte Carlo (target CoV 0.1), importance sampling at FORM's design point
// (target CoV 0.05) and subset simulation (N = 1000) on the linear problem: calls, reported CoV,
// and the error in units of the reported standard deviation.
//
// BM_Subset_1e6/{n}: subset simulation with N = 1560, p0 = 0.1 and the default stop on
// g = beta - sum u_i / sqrt n, Pf = 1e-6, over 4000 seeds: the spread of the estimates (the CoV
// measured), the mean reported CoV, the mean and largest number of calls, and the mean estimate
// over the exact Pf (its bias, of order 1 / N, is positive for subset simulation).
//
// BM_MonteCarlo_vs_Sampling/{threads}: five correlated variables (normal, lognormal, Gumbel,
// Weibull, uniform) and a cheap g (a linear combination); 2^20 samples drawn by CBatchSampler
// (as `stochvar sample` draws them) and by Monte Carlo (no target, so it draws them all) in the
// same iteration. Counters: samples/s of each and their ratio.

#include <stochvar/families/Gumbel.h>
#include <stochvar/families/LogNormal.h>
#include <stochvar/families/Normal.h>
#include <stochvar/families/Uniform.h>
#include <stochvar/families/Weibull.h>
#include <stochvar/numerics/AccurateStdNormal.h>
#include <stochvar/reliability/Form.h>
#include <stochvar/reliability/ImportanceSampling.h>
#include <stochvar/reliability/MonteCarlo.h>
#include <stochvar/reliability/Sorm.h>
#include <stochvar/reliability/StandardNormalSpace.h>
#include <stochvar/reliability/SubsetSimulation.h>
#include <stochvar/reliability/USpaceTransform.h>
#include <stochvar/simulation/BatchSampler.h>
#include <stochvar/simulation/DistCollection.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <vector>

using namespace stochvar;

namespace {

double Phi(double x) { return AccurateStdNormalCdf(x); }

// A limit state from a function of one point.
SLimitState Limit(std::function<double(const double*)> g) {
    SLimitState limitState;
    limitState.bThreadSafe = true;
    limitState.function = [g = std::move(g)](const double* x, int nPoints, int nVars, double* out) {
        for (int p = 0; p < nPoints; ++p) {
            out[p] = g(x + static_cast<std::ptrdiff_t>(p) * nVars);
        }
    };
    return limitState;
}

template <class Dist>
CDist* Add(std::vector<std::unique_ptr<CDist>>& dists, CDistCollection& c) {
    dists.push_back(std::make_unique<Dist>(nullptr, "X", nullptr));
    c.AddDist(dists.back().get());
    return dists.back().get();
}

CDist* AddTwoMoments(std::vector<std::unique_ptr<CDist>>& dists, CDistCollection& c,
                     std::unique_ptr<CDist> dist, double mean, double sd) {
    dist->SetParamValue(PARAM_MEAN, mean);
    dist->SetParamValue(PARAM_STDDEV, sd);
    dist->SetParamValue(PARAM_LOWER_BOUND, 0.0);
    dist->CalcBasePar(0);
    dists.push_back(std::move(dist));
    c.AddDist(dists.back().get());
    return dists.back().get();
}

double Zeta2(double mean, double sd) { return std::log1p(sd * sd / (mean * mean)); }
double Lambda(double mean, double sd) { return std::log(mean) - Zeta2(mean, sd) / 2.0; }

// A model, its limit state and the exact beta of FORM.
struct SProblem {
    std::vector<std::unique_ptr<CDist>> dists;
    CDistCollection collection;
    std::unique_ptr<CTransform> pTransform;
    SLimitState g;
    double dBeta = 0.0;
    double dPf = 0.0;
};

std::unique_ptr<SProblem> Linear() {
    auto p = std::make_unique<SProblem>();
    const double mean[] = {10.0, 5.0, 2.0}, sd[] = {2.0, 1.0, 0.5};
    for (int i = 0; i < 3; ++i) {
        AddTwoMoments(p->dists, p->collection, std::make_unique<CNormal>(nullptr, "X", nullptr),
                      mean[i], sd[i]);
    }
    p->collection.SetCorr(p->dists[0].get(), p->dists[1].get(), 0.5, FALSE);
    p->collection.SetCorr(p->dists[1].get(), p->dists[2].get(), -0.3, FALSE);
    p->g = Limit([](const double* x) { return 26.0 - x[0] - 2.0 * x[1] + 3.0 * x[2]; });
    p->dBeta = 12.0 / std::sqrt(16.05);
    p->pTransform = std::make_unique<CUSpaceTransform>(p->collection);
    return p;
}

std::unique_ptr<SProblem> LogNormals(int n) {
    auto p = std::make_unique<SProblem>();
    double num = 0.0, den = 0.0;
    for (int i = 0; i < n; ++i) {
        const double mean = i < n / 2 ? 3.0 : 1.0, sd = 0.3 * mean;
        AddTwoMoments(p->dists, p->collection, std::make_unique<CLogNormal>(nullptr, "X", nullptr),
                      mean, sd);
        num += (i < n / 2 ? 1.0 : -1.0) * Lambda(mean, sd);
        den += Zeta2(mean, sd);
    }
    p->g = Limit([n](const double* x) {
        double r = 1.0, s = 1.0;
        for (int i = 0; i < n; ++i)
            (i < n / 2 ? r : s) *= x[i];
        return r - s;
    });
    p->dBeta = num / std::sqrt(den);
    p->pTransform = std::make_unique<CUSpaceTransform>(p->collection);
    return p;
}

std::unique_ptr<SProblem> Parabola() {
    auto p = std::make_unique<SProblem>();
    p->pTransform = std::make_unique<CStandardNormalSpace>(2);
    p->g = Limit([](const double* u) { return 3.0 - u[1] + 0.1 * u[0] * u[0]; });
    p->dBeta = 3.0;
    // Pf = integral of phi(u) Phi(-(3 + 0.1 u^2)), composite Simpson on [-12, 12].
    const int nPanels = 4000;
    const double h = 24.0 / nPanels;
    for (int i = 0; i <= nPanels; ++i) {
        const double u = -12.0 + i * h, w = (i == 0 || i == nPanels) ? 1.0 : (i % 2 ? 4.0 : 2.0);
        p->dPf += w * h / 3.0 * std::exp(-0.5 * u * u) / std::sqrt(2.0 * std::numbers::pi) *
                  Phi(-(3.0 + 0.1 * u * u));
    }
    return p;
}

void BM_Form(benchmark::State& state, std::function<std::unique_ptr<SProblem>()> make) {
    const std::unique_ptr<SProblem> p = make();
    CForm::SResult result;
    for (auto _ : state) {
        result = CForm(*p->pTransform, p->g).Run();
    }
    const int n = p->pTransform->GetDimension();
    state.counters["n"] = n;
    state.counters["calls"] = static_cast<double>(result.nCalls);
    state.counters["iterations"] = result.nIterations;
    state.counters["calls_per_n+1"] = static_cast<double>(result.nCalls) / (n + 1);
    state.counters["beta_rel_error"] = std::fabs(result.dBeta / p->dBeta - 1.0);
}
BENCHMARK_CAPTURE(BM_Form, linear_normals_3, Linear);
BENCHMARK_CAPTURE(BM_Form, lognormal_R_S, [] { return LogNormals(2); });
BENCHMARK_CAPTURE(BM_Form, parabola, Parabola);
BENCHMARK_CAPTURE(BM_Form, lognormal_product_10, [] { return LogNormals(10); });

void BM_Sorm_Parabola(benchmark::State& state) {
    const std::unique_ptr<SProblem> p = Parabola();
    CSorm::SResult result;
    for (auto _ : state) {
        result = CSorm(*p->pTransform, p->g).Run();
    }
    state.counters["calls"] = static_cast<double>(result.nCalls);
    state.counters["breitung_rel_error"] = result.dPfBreitung / p->dPf - 1.0;
    state.counters["hr_rel_error"] = result.dPfHohenbichlerRackwitz / p->dPf - 1.0;
    state.counters["tvedt_rel_error"] = result.dPfTvedt / p->dPf - 1.0;
}
BENCHMARK(BM_Sorm_Parabola);

enum class EMethod { MonteCarlo, Importance, Subset };

void BM_Sampling(benchmark::State& state, EMethod method) {
    const std::unique_ptr<SProblem> p = Linear();
    const double exact = Phi(-p->dBeta);
    SReliabilityResult result;
    for (auto _ : state) {
        if (method == EMethod::MonteCarlo) {
            result = CMonteCarlo(p->collection, p->g).Run();
        } else if (method == EMethod::Importance) {
            result = CImportanceSampling(*p->pTransform, p->g).Run();
        } else {
            result = CSubsetSimulation(*p->pTransform, p->g).Run();
        }
    }
    state.counters["calls"] = static_cast<double>(result.nCalls);
    state.counters["cov"] = result.dCoV;
    state.counters["error_in_sd"] = (result.dPf - exact) / (result.dCoV * result.dPf);
}
BENCHMARK_CAPTURE(BM_Sampling, monte_carlo, EMethod::MonteCarlo)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Sampling, importance, EMethod::Importance)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Sampling, subset, EMethod::Subset)->Unit(benchmark::kMillisecond);

void BM_Subset_1e6(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const double beta = -AccurateStdNormalInverse(1e-6);
    const CStandardNormalSpace space(n);
    const SLimitState g = Limit([n, beta](const double* u) {
        double s = 0.0;
        for (int i = 0; i < n; ++i)
            s += u[i];
        return beta - s / std::sqrt(static_cast<double>(n));
    });
    CSubsetSimulation::SOptions options;
    // Six levels of 1560 points take 1560 + 5 (1560 - 156) = 8580 calls, a seventh 1404 more:
    // 9984, so no run goes past 10,000 calls.
    options.nSamplesPerLevel = 1560;
    // The spread over k seeds is itself uncertain by about 1 / sqrt(2 k): 1 % here.
    const int nSeeds = 4000;
    double sum = 0.0, sumSquares = 0.0, sumCoV = 0.0, calls = 0.0, maxCalls = 0.0;
    for (auto _ : state) {
        for (int s = 0; s < nSeeds; ++s) {
            options.seeds = {static_cast<std::uint32_t>(77 + s), 88675123u, 521288629u};
            const CSubsetSimulation::SResult r = CSubsetSimulation(space, g, options).Run();
            sum += r.dPf, sumSquares += r.dPf * r.dPf, sumCoV += r.dCoV;
            calls += static_cast<double>(r.nCalls);
            maxCalls = std::max(maxCalls, static_cast<double>(r.nCalls));
        }
    }
    const double runs = static_cast<double>(state.iterations()) * nSeeds;
    const double mean = sum / runs;
    state.counters["mean_pf"] = mean;
    state.counters["pf_over_exact"] = mean / 1e-6;
    state.counters["cov_measured"] =
        std::sqrt((sumSquares - runs * mean * mean) / (runs - 1)) / mean;
    state.counters["cov_reported"] = sumCoV / runs;
    state.counters["calls_mean"] = calls / runs;
    state.counters["calls_max"] = maxCalls;
}
BENCHMARK(BM_Subset_1e6)->ArgName("n")->Arg(2)->Arg(10)->Iterations(1)->Unit(benchmark::kSecond);

void BM_MonteCarlo_vs_Sampling(benchmark::State& state) {
    const int nThreads = static_cast<int>(state.range(0));
    std::vector<std::unique_ptr<CDist>> dists;
    CDistCollection collection;
    AddTwoMoments(dists, collection, std::make_unique<CNormal>(nullptr, "N", nullptr), 10.0, 2.0);
    AddTwoMoments(dists, collection, std::make_unique<CLogNormal>(nullptr, "L", nullptr), 5.0, 1.0);
    Add<CGumbel>(dists, collection)->CalcBasePar(0);
    Add<CWeibull>(dists, collection)->CalcBasePar(0);
    Add<CUniform>(dists, collection)->CalcBasePar(0);
    for (int i = 0; i < 5; ++i) {
        for (int j = i + 1; j < 5; ++j) {
            collection.SetCorr(dists[static_cast<std::size_t>(i)].get(),
                               dists[static_cast<std::size_t>(j)].get(), 0.2, FALSE);
        }
    }
    collection.SetNumerics(ENumerics::Accurate); // the numerics of the analysis
    const SLimitState g =
        Limit([](const double* x) { return 30.0 - x[0] - x[1] + x[2] - x[3] - x[4]; });
    const int N = 1 << 20;
    double plainSeconds = 0.0, mcSeconds = 0.0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        CExOr generator;
        collection.InitSimulation(N, FALSE, &generator);
        CBatchSampler(collection, nThreads).Draw(N, [](const SSampleBatch& batch) {
            benchmark::DoNotOptimize(batch.pRows);
            return true;
        });
        const auto t1 = std::chrono::steady_clock::now();
        CMonteCarlo::SOptions options;
        options.nMaxCalls = N;
        options.dTargetCoV = 0.0;
        options.nThreads = nThreads;
        benchmark::DoNotOptimize(CMonteCarlo(collection, g, options).Run().dPf);
        const auto t2 = std::chrono::steady_clock::now();
        plainSeconds += std::chrono::duration<double>(t1 - t0).count();
        mcSeconds += std::chrono::duration<double>(t2 - t1).count();
    }
    const double samples = static_cast<double>(state.iterations()) * N;
    state.counters["sampling_per_s"] = samples / plainSeconds;
    state.counters["monte_carlo_per_s"] = samples / mcSeconds;
    state.counters["ratio"] = plainSeconds / mcSeconds;
}
BENCHMARK(BM_MonteCarlo_vs_Sampling)
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond);

} // namespace
