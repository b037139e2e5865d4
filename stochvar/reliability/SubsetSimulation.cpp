#include <stochvar/reliability/SubsetSimulation.h>

#include <stochvar/reliability/ConditionalSampler.h>
#include <stochvar/reliability/LimitStateEvaluator.h>
#include <stochvar/reliability/NormalStream.h>
#include <stochvar/reliability/ReliabilityError.h>
#include <stochvar/reliability/SubsetCoV.h>
#include <stochvar/reliability/Transform.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <limits>
#include <numeric>

namespace stochvar {

namespace {

std::size_t Count(int n) { return static_cast<std::size_t>(n); }

} // namespace

CSubsetSimulation::CSubsetSimulation(const CTransform& transform, const SLimitState& limitState)
    : CSubsetSimulation(transform, limitState, SOptions{}) {}

CSubsetSimulation::CSubsetSimulation(const CTransform& transform, const SLimitState& limitState,
                                     SOptions options)
    : m_transform(transform), m_limitState(limitState), m_options(std::move(options)) {}

void CSubsetSimulation::CheckOptions() const {
    const int N = m_options.nSamplesPerLevel;
    const double seeds = N * m_options.dP0;
    const int nSeeds = static_cast<int>(std::lround(seeds));
    if (N < 2 || !(m_options.dP0 > 0.0 && m_options.dP0 <= 0.5) || nSeeds < 1 ||
        std::fabs(seeds - nSeeds) > 1e-9 * seeds || N % nSeeds != 0) {
        throw CReliabilityError("subset simulation needs 0 < p0 <= 0.5 and N p0 a whole number "
                                "that divides N (N = " +
                                std::to_string(N) + ", p0 = " + std::to_string(m_options.dP0) +
                                ")");
    }
    if (m_options.nMaxLevels < 1 || !(m_options.dAdaptationFraction > 0.0) ||
        !(m_options.dInitialScale > 0.0)) {
        throw CReliabilityError("subset simulation needs at least one level, and a positive "
                                "scale and adaptation fraction");
    }
    if (!(m_options.dStopFraction > 0.0 && m_options.dStopFraction <= 1.0)) {
        throw CReliabilityError("subset simulation needs a stop fraction f with 0 < f <= 1 (f = " +
                                std::to_string(m_options.dStopFraction) + ")");
    }
}

namespace {

// Level 0: N independent points of u, N chains of one state.
SChainStates FirstLevel(int N, int m, CNormalStream& normals, CLimitStateEvaluator& evaluator,
                        int nVariables) {
    SChainStates points{N, 1, m, std::vector<double>(Count(N) * Count(m)),
                        std::vector<double>(Count(N))};
    for (double& u : points.U) {
        u = normals.Next();
    }
    std::vector<double> X(Count(N) * Count(nVariables));
    evaluator.EvaluateStandard(points.U.data(), N, X.data(), points.G.data());
    return points;
}

// The nSeeds points of lowest g (order sorts the points by g) in random order (Fisher and
// Yates), so that the groups of chains, which share their scale, do not follow g. parents gets
// the chain of each seed.
SChainStates PickSeeds(const SChainStates& points, std::vector<int> order, int nSeeds,
                       CNormalStream& normals, std::vector<int>& parents) {
    for (int i = nSeeds - 1; i > 0; --i) {
        const int j = std::min(i, static_cast<int>(normals.NextUniform() * (i + 1)));
        std::swap(order[Count(i)], order[Count(j)]);
    }
    SChainStates seeds{nSeeds, 1, points.m, {}, {}};
    parents.assign(Count(nSeeds), 0);
    for (int i = 0; i < nSeeds; ++i) {
        const int from = order[Count(i)];
        seeds.U.insert(seeds.U.end(), points.Row(from), points.Row(from) + points.m);
        seeds.G.push_back(points.G[Count(from)]);
        parents[Count(i)] = from / points.nLength;
    }
    return seeds;
}

} // namespace

CConditionalSampler::SSettings CSubsetSimulation::SamplerSettings() const {
    CConditionalSampler::SSettings settings;
    settings.kernel = m_options.chains == EChains::ModifiedMetropolis
                          ? CConditionalSampler::EKernel::ModifiedMetropolis
                          : CConditionalSampler::EKernel::AdaptiveConditional;
    settings.dInitialScale = m_options.dInitialScale;
    settings.dTargetAcceptance = m_options.dTargetAcceptance;
    settings.dAdaptationFraction = m_options.dAdaptationFraction;
    return settings;
}

// The threshold that the points (sorted by order) set for the next level, and whether this level
// is the last (then b = 0), with the result's verdict.
CSubsetSimulation::SThreshold CSubsetSimulation::NextThreshold(const std::vector<double>& G,
                                                               const std::vector<int>& order,
                                                               double previous,
                                                               SResult& result) const {
    const double seeds = m_options.nSamplesPerLevel * m_options.dP0;
    const std::size_t nSeeds = Count(static_cast<int>(std::lround(seeds)));
    const double b = 0.5 * (G[Count(order[nSeeds - 1])] + G[Count(order[nSeeds])]);
    const auto nFailures = std::count_if(G.begin(), G.end(), [](double g) { return g <= 0.0; });
    // b <= 0 means that N p0 points fail or more.
    const bool bFailed =
        b <= 0.0 || static_cast<double>(nFailures) >= m_options.dStopFraction * seeds;
    const bool bLast = bFailed || b >= previous ||
                       static_cast<int>(result.levels.size()) + 1 == m_options.nMaxLevels;
    if (bFailed) {
        result.bConverged = true;
    } else if (b >= previous) {
        result.strReason = "the thresholds stopped falling at level " +
                           std::to_string(result.levels.size()) + ": g is flat there";
    } else if (bLast) {
        result.strReason =
            "g <= 0 was not reached in " + std::to_string(m_options.nMaxLevels) + " levels";
    }
    return {bLast ? 0.0 : b, bLast};
}

CSubsetSimulation::SResult CSubsetSimulation::Run() const {
    const auto started = std::chrono::steady_clock::now();
    CheckOptions();
    const int N = m_options.nSamplesPerLevel;
    const int nSeeds = static_cast<int>(std::lround(N * m_options.dP0));
    const CNumericsScope scope(m_transform.GetNumerics());
    CLimitStateEvaluator evaluator(m_limitState, m_transform, m_options.nThreads);
    CNormalStream normals(m_options.seeds);
    CConditionalSampler sampler(SamplerSettings(), evaluator, normals,
                                m_transform.GetVariableCount());
    SChainStates points = FirstLevel(N, m_transform.GetDimension(), normals, evaluator,
                                     m_transform.GetVariableCount());
    std::vector<int> parents;
    SResult result;
    SLevel level;
    level.nCalls = N;
    CSubsetCoV cov;
    double previous = std::numeric_limits<double>::infinity();
    double pf = 1.0;
    for (;;) {
        std::vector<int> order(Count(N));
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(),
                         [&](int a, int b) { return points.G[Count(a)] < points.G[Count(b)]; });
        const SThreshold next = NextThreshold(points.G, order, previous, result);
        const double b = next.b;
        const double p = static_cast<double>(std::count_if(points.G.begin(), points.G.end(),
                                                           [&](double g) { return g <= b; })) /
                         N;
        level.dThreshold = b;
        level.dProbability = p;
        level.dGamma =
            CSubsetCoV::ChainCorrelationFactor(points.G, points.nChains, points.nLength, b, p);
        cov.AddLevel(points.G, points.nLength, std::move(parents), b, p);
        result.levels.push_back(level);
        pf *= p;
        if (next.bLast) {
            break;
        }
        previous = b;
        const SChainStates seeds = PickSeeds(points, std::move(order), nSeeds, normals, parents);
        level = SLevel{};
        const long long nCallsBefore = evaluator.GetCalls();
        points = sampler.Grow(seeds, N / nSeeds, b);
        level.nCalls = evaluator.GetCalls() - nCallsBefore;
        level.dAcceptance = sampler.GetAcceptance();
        level.dScale = sampler.GetScale();
    }
    const std::vector<CSubsetCoV::SLevelVariance> variances = cov.Variances();
    for (std::size_t k = 0; k < variances.size(); ++k) {
        result.levels[k].dCoV = std::sqrt(variances[k].dOwn);
        result.levels[k].dCrossVariance = variances[k].dCross;
    }
    result.SetPf(pf);
    result.dCoV = cov.CoV();
    result.nCalls = evaluator.GetCalls();
    result.dSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return result;
}

} // namespace stochvar
