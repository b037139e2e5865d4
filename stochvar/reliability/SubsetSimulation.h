#pragma once

// CSubsetSimulation: Pf as a product of conditional probabilities (Au and Beck 2001). Level 0
// draws N independent points of u; each level puts its next threshold b at the p0 quantile of g
// among its points, so that P(g <= b | previous level) is about p0, and grows the next level from
// the N p0 points below b: Markov chains of length 1 / p0 that stay below b and have the standard
// normal density, conditioned on g <= b, as their stationary law. When b reaches 0 the last level
// counts its points with g <= 0 instead.
//
// Chains: adaptive conditional sampling (Papaioannou, Betz, Zwirglmaier and Straub 2015). A
// candidate is v_k ~ N(rho_k u_k, 1 - rho_k^2), rho_k = sqrt(1 - sigma_k^2), taken when
// g(v) <= b; sigma_k = min(1, lambda s_k), s_k the spread of the seeds along k. The chains run
// in groups of a fraction p_a of them; after each group lambda follows the acceptance rate a of
// the group towards 0.44: ln lambda += (a - 0.44) / sqrt(i) for the i-th group. lambda starts at
// 0.6 and carries over from level to level. The chains of a group advance together: each step is
// one batch of points.
//
// CoV: delta^2 = sum over levels of (1 - p_j) / (N p_j) (1 + gamma_j), gamma_j the factor of Au
// and Beck (2001) for the correlation of the indicator I(g <= b) along the chains of level j
// (0 on level 0).
//
// Every random number comes from one generator on the calling thread: a seed gives the same
// result on every thread count.

#include <stochvar/numerics/ExOr.h>
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
    struct SOptions {
        // N, and p0; N p0 must be a whole number that divides N.
        int nSamplesPerLevel = 1000;
        double dP0 = 0.1;
        int nMaxLevels = 20;
        std::array<std::uint32_t, 3> seeds = {CExOr::kDefaultSeed1, CExOr::kDefaultSeed2,
                                              CExOr::kDefaultSeed3};
        int nThreads = 1;
        // Adaptive conditional sampling: lambda at the start, the acceptance rate it aims at,
        // and the fraction p_a of the chains in a group.
        double dInitialScale = 0.6;
        double dTargetAcceptance = 0.44;
        double dAdaptationFraction = 0.1;
    };

    struct SLevel {
        double dThreshold = 0.0; // b that this level's points set (0 on the last level)
        // Their fraction with g <= b: p0, or a little more where a chain repeated a state that
        // lies at the threshold.
        double dProbability = 0.0;
        double dCoV = 0.0;
        double dGamma = 0.0;                           // the chains' correlation factor
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
    struct SPoints;
    // The next level: chains from the seeds that stay below b.
    SPoints GrowChains(CLimitStateEvaluator& evaluator, CNormalStream& normals,
                       const SPoints& seeds, double b, double& lambda, SLevel& level) const;
    void CheckOptions() const;

    const CTransform& m_transform;
    const SLimitState& m_limitState;
    SOptions m_options;
};

} // namespace stochvar
