#pragma once

// CMonteCarlo: Pf by plain Monte Carlo or Latin hypercube sampling of a collection, drawn in the
// batches of the sampler that the hosts use (CBatchSampler): the points handed to g are the
// samples that sampling the collection gives with the same seeds and numerics, bit for bit, on
// every thread count.
//
// The run is prepared for nMaxCalls samples (so a Latin hypercube run stratifies that many) and
// stops after the first batch at which the coefficient of variation of Pf reaches dTargetCoV, or
// when the samples run out. Plain Monte Carlo: CoV = sqrt((1 - Pf) / (N Pf)). Latin hypercube
// sampling reports the same binomial CoV and interval, which bound its own: its variance never
// exceeds that of Monte Carlo with one sample less (Owen 1997); a run stopped early is an
// unbiased sample all the same, as every draw is uniform on its own.
//
// Numerics: those of CUSpaceTransform::AnalysisNumerics; the collection runs with them for the
// analysis and gets its own setting back afterwards. The analysis (re)starts the collection's
// simulation run.

#include <stochvar/numerics/ExOr.h>
#include <stochvar/reliability/LimitState.h>
#include <stochvar/reliability/SamplingResult.h>

#include <array>
#include <cstdint>

namespace stochvar {

class CDistCollection;

class CMonteCarlo {
public:
    struct SOptions {
        bool bLatinHypercube = false;
        std::array<std::uint32_t, 3> seeds = {CExOr::kDefaultSeed1, CExOr::kDefaultSeed2,
                                              CExOr::kDefaultSeed3};
        double dTargetCoV = 0.1;
        // At most the sampler's int range.
        long long nMaxCalls = 1000000;
        // Threads of the sampler and, for a thread-safe g, of g (<= 0: one per core).
        int nThreads = 1;
    };

    struct SResult : SSamplingResult {
        bool bLatinHypercube = false;
    };

    // The options are read when the analysis is made; the model and the limit state are used
    // by reference and must outlive it.
    CMonteCarlo(CDistCollection& collection, const SLimitState& limitState);
    CMonteCarlo(CDistCollection& collection, const SLimitState& limitState, SOptions options);

    // Throws CReliabilityError for options out of range, an empty slot, a correlation matrix
    // that is not positive definite or a value of g that is not finite.
    SResult Run() const;

private:
    CDistCollection& m_collection;
    const SLimitState& m_limitState;
    SOptions m_options;
};

} // namespace stochvar
