#include <stochvar/reliability/ConditionalSampler.h>

#include <stochvar/reliability/LimitStateEvaluator.h>
#include <stochvar/reliability/NormalStream.h>

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace stochvar {

namespace {

std::size_t Count(int n) { return static_cast<std::size_t>(n); }

// The sample standard deviation of the seeds along each coordinate (1 for a single seed).
std::vector<double> SeedSpread(const SChainStates& seeds) {
    const int nSeeds = seeds.Size();
    std::vector<double> spread(Count(seeds.m), 1.0);
    for (int k = 0; nSeeds > 1 && k < seeds.m; ++k) {
        double mean = 0.0;
        for (int c = 0; c < nSeeds; ++c) {
            mean += seeds.Row(c)[k];
        }
        mean /= nSeeds;
        double sum = 0.0;
        for (int c = 0; c < nSeeds; ++c) {
            sum += (seeds.Row(c)[k] - mean) * (seeds.Row(c)[k] - mean);
        }
        spread[Count(k)] = std::sqrt(sum / (nSeeds - 1));
    }
    return spread;
}

// nLength states per chain, the first of each its seed.
SChainStates StartChains(const SChainStates& seeds, int nLength) {
    const int m = seeds.m;
    const int nSeeds = seeds.Size();
    SChainStates chains{nSeeds, nLength, m, std::vector<double>(Count(nSeeds * nLength) * Count(m)),
                        std::vector<double>(Count(nSeeds * nLength))};
    for (int c = 0; c < nSeeds; ++c) {
        std::copy_n(seeds.Row(c), m,
                    chains.U.begin() + static_cast<std::ptrdiff_t>(Count(c * nLength) * Count(m)));
        chains.G[Count(c * nLength)] = seeds.G[Count(c)];
    }
    return chains;
}

} // namespace

const double* SChainStates::Row(int p) const { return U.data() + Count(p) * Count(m); }

// The chains first .. first + nChains - 1 and their buffers for one step.
struct CConditionalSampler::SGroup {
    int first = 0;
    int nChains = 0;
    std::vector<double> sigma, rho;
    std::vector<double> V;   // candidates, nChains rows of m
    std::vector<int> moving; // the chains whose candidate differs from their state
    std::vector<double> VMoving, X, GV;
    long long nAccepted = 0;
};

CConditionalSampler::CConditionalSampler(const SSettings& settings, CLimitStateEvaluator& evaluator,
                                         CNormalStream& normals, int nVariables)
    : m_settings(settings), m_evaluator(evaluator), m_normals(normals), m_nVariables(nVariables),
      m_dLambda(settings.dInitialScale) {}

void CConditionalSampler::Propose(SGroup& group, const SChainStates& chains, int s) {
    const int m = chains.m;
    group.moving.clear();
    for (int c = 0; c < group.nChains; ++c) {
        const double* u = chains.Row((group.first + c) * chains.nLength + s - 1);
        double* v = group.V.data() + Count(c) * Count(m);
        bool bMoved = false;
        for (int k = 0; k < m; ++k) {
            const double z = m_normals.Next();
            if (m_settings.kernel == EKernel::AdaptiveConditional) {
                v[k] = group.rho[Count(k)] * u[k] + group.sigma[Count(k)] * z;
                bMoved = true;
                continue;
            }
            // phi(xi) / phi(u) = exp((u^2 - xi^2) / 2)
            const double xi = u[k] + group.sigma[Count(k)] * z;
            const bool bTaken = m_normals.NextUniform() < std::exp(0.5 * (u[k] - xi) * (u[k] + xi));
            v[k] = bTaken ? xi : u[k];
            bMoved = bMoved || bTaken;
        }
        if (bMoved) {
            group.moving.push_back(c);
        }
    }
}

void CConditionalSampler::Step(SGroup& group, SChainStates& chains, int s, double b) {
    const int m = chains.m;
    Propose(group, chains, s);
    // The states repeat unless a candidate is taken below.
    for (int c = 0; c < group.nChains; ++c) {
        const int p = (group.first + c) * chains.nLength + s;
        std::copy_n(chains.Row(p - 1), m,
                    chains.U.begin() + static_cast<std::ptrdiff_t>(Count(p) * Count(m)));
        chains.G[Count(p)] = chains.G[Count(p - 1)];
    }
    const int nMoving = static_cast<int>(group.moving.size());
    for (int i = 0; i < nMoving; ++i) {
        std::copy_n(group.V.data() + Count(group.moving[Count(i)]) * Count(m), m,
                    group.VMoving.begin() + static_cast<std::ptrdiff_t>(Count(i) * Count(m)));
    }
    m_evaluator.EvaluateStandard(group.VMoving.data(), nMoving, group.X.data(), group.GV.data());
    for (int i = 0; i < nMoving; ++i) {
        if (group.GV[Count(i)] <= b) {
            const int p = (group.first + group.moving[Count(i)]) * chains.nLength + s;
            std::copy_n(group.VMoving.data() + Count(i) * Count(m), m,
                        chains.U.begin() + static_cast<std::ptrdiff_t>(Count(p) * Count(m)));
            chains.G[Count(p)] = group.GV[Count(i)];
            ++group.nAccepted;
        }
    }
}

void CConditionalSampler::SetScales(SGroup& group, const std::vector<double>& spread) const {
    const bool bConditional = m_settings.kernel == EKernel::AdaptiveConditional;
    for (std::size_t k = 0; k < spread.size(); ++k) {
        const double sigma = m_dLambda * spread[k];
        // The conditional kernel's sigma is a standard deviation within N(0, 1): at most 1.
        group.sigma[k] = bConditional ? std::min(1.0, sigma) : sigma;
        group.rho[k] = bConditional ? std::sqrt(1.0 - group.sigma[k] * group.sigma[k]) : 1.0;
    }
}

SChainStates CConditionalSampler::Grow(const SChainStates& seeds, int nLength, double b) {
    const int m = seeds.m;
    const int nSeeds = seeds.Size();
    const std::vector<double> spread = SeedSpread(seeds);
    SChainStates chains = StartChains(seeds, nLength);
    const int nGroup = std::max(1, static_cast<int>(nSeeds * m_settings.dAdaptationFraction));
    SGroup group;
    group.sigma.resize(Count(m)), group.rho.resize(Count(m));
    group.V.resize(Count(nGroup) * Count(m)), group.VMoving.resize(group.V.size());
    group.X.resize(Count(nGroup) * Count(m_nVariables)), group.GV.resize(Count(nGroup));
    long long nAccepted = 0;
    int i = 1;
    for (int first = 0; first < nSeeds; first += nGroup, ++i) {
        group.first = first;
        group.nChains = std::min(nGroup, nSeeds - first);
        group.nAccepted = 0;
        SetScales(group, spread);
        for (int s = 1; s < nLength; ++s) {
            Step(group, chains, s, b);
        }
        const double a = static_cast<double>(group.nAccepted) /
                         (static_cast<double>(group.nChains) * (nLength - 1));
        m_dLambda = std::exp(std::log(m_dLambda) + (a - m_settings.dTargetAcceptance) /
                                                       std::sqrt(static_cast<double>(i)));
        nAccepted += group.nAccepted;
    }
    m_dAcceptance = static_cast<double>(nAccepted) / (static_cast<double>(nSeeds) * (nLength - 1));
    return chains;
}

} // namespace stochvar
