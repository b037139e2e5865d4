#pragma once

// CSubsetSimulation: Pf as a product of conditional probabilities (Au and Beck 2001). Level 0
// draws N independent points of u; each level puts its next threshold b at the p0 quantile of g
// among its points, so that P(g <= b | previous level) is about p0, and grows the next level from
// the N p0 points below b: Markov chains of length 1 / p0 that stay below b and have the standard
// normal density, conditioned on g <= b, as their stationary law. The first level of which at
// least a fraction f p0 of the points fail (g <= 0) is the last; its p is the fraction that fails.
//
// f = 1 waits until the p0 quantile of g reaches 0, so that the last p lies between p0 and 1. The
// default f = 1/2 stops one level earlier where between p0 / 2 and p0 of the points fail. That
// saves the level's N (1 - p0) calls and adds at most one level's share (1 - p0) / (N p0) to the
// variance of ln Pf: (1 - p) / (N p) for the last p, against a p0 and then a last p above 1/2.
//
// Chains: CConditionalSampler, adaptive conditional sampling (Papaioannou, Betz, Zwirglmaier
// and Straub 2015) by default or the component-wise modified Metropolis of Au and Beck. lambda
// starts at dInitialScale and carries over from level to level.
//
// CoV: CSubsetCoV, the variance of ln Pf from the levels' states grouped by the chain two levels
// up that they descend from, which holds the correlation along the chains, between chains of
// one parent and between neighbouring levels; per level the standard deviation of its own term
// (dCoV) and its covariance with the levels before it (dCrossVariance). gamma is the factor of
// Au and Beck (2001) for the correlation of I(g <= b) along the level's chains (0 on level 0),
// reported to show how well the chains mix.
//
// Every random number comes from one generator on the calling thread: a seed gives the same
// result on every thread count.

#include <stochvar/numerics/ExOr.h>
#include <stochvar/reliability/ConditionalSampler.h>
#include <stochvar/reliability/LimitState.h>
#include <stochvar/reliability/ReliabilityResult.h>

#include <array>
#include <cstdint>
#include <vector>

namespace stochvar {

class CTransform;
class CLimitStateEvaluator;
class CNormalStream;

class CSubsetSimulation {
public:
    enum class EChains { AdaptiveConditional, ModifiedMetropolis };
    struct SOptions {
        // N, and p0; N p0 must be a whole number that divides N.
        int nSamplesPerLevel = 1000;
        double dP0 = 0.1;
        int nMaxLevels = 20;
        // f: the last level is the first of which at least f N p0 points fail; 0 < f <= 1.
        double dStopFraction = 0.5;
        std::array<std::uint32_t, 3> seeds = {CExOr::kDefaultSeed1, CExOr::kDefaultSeed2,
                                              CExOr::kDefaultSeed3};
        int nThreads = 1;
        // The chains: lambda at the start, the acceptance rate it aims at, the fraction p_a of
        // the chains in a group, and the kernel.
        double dInitialScale = 0.6;
        double dTargetAcceptance = 0.44;
        double dAdaptationFraction = 0.1;
        EChains chains = EChains::AdaptiveConditional;
    };

    struct SLevel {
        double dThreshold = 0.0; // b that this level's points set (0 on the last level)
        // Their fraction with g <= b: p0, or a little more where a chain repeated a state that
        // lies at the threshold.
        double dProbability = 0.0;
        double dCoV = 0.0;           // of p, within the level
        double dCrossVariance = 0.0; // 2 Cov(ln p, ln of the levels before it), to first order
        double dGamma = 0.0;         // the chains' correlation factor
        double dAcceptance = SReliabilityResult::kNaN; // of the chains that made the level
        double dScale = SReliabilityResult::kNaN;      // lambda at the end of those chains
        long long nCalls = 0;
    };

    struct SResult : SReliabilityResult {
        std::vector<SLevel> levels;
    };

    // The options are read when the analysis is made; the model and the limit state are used
    // by reference and must outlive it.
    CSubsetSimulation(const CTransform& transform, const SLimitState& limitState);
    CSubsetSimulation(const CTransform& transform, const SLimitState& limitState, SOptions options);

    // Throws CReliabilityError for options out of range or a value of g that is not finite.
    SResult Run() const;

private:
    struct SThreshold {
        double b;
        bool bLast;
    };
    void CheckOptions() const;
    CConditionalSampler::SSettings SamplerSettings() const;
    SThreshold NextThreshold(const std::vector<double>& G, const std::vector<int>& order,
                             double previous, SResult& result) const;

    const CTransform& m_transform;
    const SLimitState& m_limitState;
    SOptions m_options;
};

} // namespace stochvar
