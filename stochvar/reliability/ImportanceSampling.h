#pragma once

// CImportanceSampling: Pf by importance sampling in u with the standard normal density moved to
// a centre u* (FORM's design point, or a point the caller gives):
//
//   u = u* + z,  z standard normal,  w(u) = phi(u) / phi(u - u*) = exp(-u*.z - ||u*||^2 / 2)
//   Pf = sum over failures of w / N
//
// Batches of samples are drawn until the coefficient of variation of Pf reaches dTargetCoV or the
// budget of sampling calls runs out (FORM's calls, when it runs, come on top and are counted in
// the result). The normal numbers come from one generator on the calling thread, so a seed gives
// the same result on every thread count.

#include <stochvar/numerics/ExOr.h>
#include <stochvar/reliability/Form.h>
#include <stochvar/reliability/SamplingResult.h>

#include <array>
#include <cstdint>

namespace stochvar {

class CImportanceSampling {
public:
    struct SOptions {
        // The centre in u; empty: FORM's design point.
        std::vector<double> centre;
        CForm::SOptions form;
        std::array<std::uint32_t, 3> seeds = {CExOr::kDefaultSeed1, CExOr::kDefaultSeed2,
                                              CExOr::kDefaultSeed3};
        double dTargetCoV = 0.05;
        long long nMaxCalls = 100000;
        int nBatchSize = 1000;
        int nThreads = 1;
    };

    struct SResult : SSamplingResult {
        std::vector<double> centre;
        bool bFormRun = false;
        CForm::SResult form; // when FORM chose the centre
    };

    // The options are read when the analysis is made; the model and the limit state are used
    // by reference and must outlive it.
    CImportanceSampling(const CTransform& transform, const SLimitState& limitState);
    CImportanceSampling(const CTransform& transform, const SLimitState& limitState,
                        SOptions options);

    // Throws CReliabilityError for a centre of the wrong size, options out of range, or a value
    // of g that is not finite, and as CForm::Run when FORM chooses the centre.
    SResult Run() const;

private:
    const CTransform& m_transform;
    const SLimitState& m_limitState;
    SOptions m_options;
};

} // namespace stochvar
