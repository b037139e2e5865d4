#pragma once

// CLimitStateEvaluator: the limit state as one analysis sees it. It hands batches of points to
// the caller's function, spreads them over threads when the function allows it, counts every
// point evaluated, and stops the analysis at the first value that is not a finite number.
//
// Threads: a batch is cut into contiguous chunks, one per thread (ParallelChunks.h); each chunk
// runs under the analysis's numerics. An exception thrown in a chunk is caught there, the other
// chunks finish, and the exception of the first chunk that threw is thrown again on the calling
// thread, unchanged. Values depend on the points only, so results are the same on every thread
// count.

#include <stochvar/numerics/Numerics.h>
#include <stochvar/reliability/LimitState.h>

#include <string>
#include <vector>

namespace stochvar {

class CTransform;

class CLimitStateEvaluator {
public:
    // For points of physical values with the given variable names (used in messages).
    // nThreads <= 0: one per core. Throws CReliabilityError when the limit state has no function.
    CLimitStateEvaluator(const SLimitState& limitState, std::vector<std::string> names,
                         int nThreads, ENumerics numerics);
    // For points of the transform's standard normal space; prepares the transform.
    CLimitStateEvaluator(const SLimitState& limitState, const CTransform& transform, int nThreads);

    // g at nPoints rows of physical values.
    void EvaluatePhysical(const double* x, int nPoints, double* g);
    // g at nPoints rows of u; x receives the physical rows (nPoints rows of GetVariableCount()).
    void EvaluateStandard(const double* u, int nPoints, double* x, double* g);
    // The caller's gradient dg/dx at nPoints rows of physical values.
    void EvaluateGradient(const double* x, int nPoints, double* grad);
    bool HasGradient() const { return static_cast<bool>(m_limitState.gradient); }

    int GetVariableCount() const { return static_cast<int>(m_names.size()); }
    // Points at which g, and the caller's gradient, were evaluated so far.
    long long GetCalls() const { return m_nCalls; }
    long long GetGradientCalls() const { return m_nGradientCalls; }

private:
    template <class Work>
    void InChunks(int nPoints, bool bParallel, const Work& work) const;
    // Throws CReliabilityError for the first of nValues values (nPerPoint per point) that is not
    // finite, naming its point.
    void RequireFinite(const double* x, int nPoints, const double* values, int nPerPoint,
                       const char* pszWhat) const;

    const SLimitState& m_limitState;
    const CTransform* m_pTransform = nullptr;
    std::vector<std::string> m_names;
    int m_nThreads;
    ENumerics m_numerics;
    long long m_nCalls = 0;
    long long m_nGradientCalls = 0;
};

} // namespace stochvar
