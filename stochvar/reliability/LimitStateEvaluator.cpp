#include <stochvar/reliability/LimitStateEvaluator.h>

#include <stochvar/reliability/ReliabilityError.h>
#include <stochvar/reliability/Transform.h>
#include <stochvar/simulation/ParallelChunks.h>

#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <exception>
#include <mutex>

namespace stochvar {

namespace {

std::size_t Count(int n) { return static_cast<std::size_t>(n); }

std::vector<std::string> NamesOf(const CTransform& transform) {
    std::vector<std::string> names;
    for (int i = 0; i < transform.GetVariableCount(); ++i) {
        names.push_back(transform.GetVariableName(i));
    }
    return names;
}

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

} // namespace

CLimitStateEvaluator::CLimitStateEvaluator(const SLimitState& limitState,
                                           std::vector<std::string> names, int nThreads,
                                           ENumerics numerics)
    : m_limitState(limitState), m_names(std::move(names)), m_nThreads(nThreads),
      m_numerics(numerics) {
    if (!limitState.function) {
        throw CReliabilityError("the limit state has no function");
    }
}

CLimitStateEvaluator::CLimitStateEvaluator(const SLimitState& limitState,
                                           const CTransform& transform, int nThreads)
    : CLimitStateEvaluator(limitState, NamesOf(transform), nThreads, transform.GetNumerics()) {
    m_pTransform = &transform;
    transform.Prepare();
}

template <class Work>
void CLimitStateEvaluator::InChunks(int nPoints, bool bParallel, const Work& work) const {
    if (!bParallel || ChunkCount(nPoints, m_nThreads) <= 1) {
        if (nPoints > 0) {
            work(0, nPoints);
        }
        return;
    }
    // A throw must not leave a worker thread: each chunk keeps its exception, and the one of the
    // first chunk in point order is thrown again once all have finished.
    std::mutex mutex;
    std::exception_ptr pFirst;
    int nFirstThrown = INT_MAX;
    const ENumerics numerics = m_numerics;
    RunInChunks(nPoints, m_nThreads, [&](int nFirst, int nCount) {
        const CNumericsScope scope(numerics);
        try {
            work(nFirst, nCount);
        } catch (...) {
            const std::lock_guard<std::mutex> lock(mutex);
            if (nFirst < nFirstThrown) {
                nFirstThrown = nFirst;
                pFirst = std::current_exception();
            }
        }
    });
    if (pFirst) {
        std::rethrow_exception(pFirst);
    }
}

void CLimitStateEvaluator::EvaluatePhysical(const double* x, int nPoints, double* g) {
    const int n = GetVariableCount();
    InChunks(nPoints, m_limitState.bThreadSafe, [&](int nFirst, int nCount) {
        m_limitState.function(x + Count(nFirst) * Count(n), nCount, n, g + nFirst);
    });
    m_nCalls += nPoints;
    RequireFinite(x, nPoints, g, 1, "g");
}

void CLimitStateEvaluator::EvaluateStandard(const double* u, int nPoints, double* x, double* g) {
    const int n = GetVariableCount();
    const int m = m_pTransform->GetDimension();
    InChunks(nPoints, true, [&](int nFirst, int nCount) {
        for (int p = nFirst; p < nFirst + nCount; ++p) {
            m_pTransform->ToPhysical(u + Count(p) * Count(m), x + Count(p) * Count(n));
        }
    });
    EvaluatePhysical(x, nPoints, g);
}

void CLimitStateEvaluator::EvaluateGradient(const double* x, int nPoints, double* grad) {
    const int n = GetVariableCount();
    InChunks(nPoints, m_limitState.bThreadSafe, [&](int nFirst, int nCount) {
        m_limitState.gradient(x + Count(nFirst) * Count(n), nCount, n,
                              grad + Count(nFirst) * Count(n));
    });
    m_nGradientCalls += nPoints;
    RequireFinite(x, nPoints, grad, n, "the gradient of g");
}

void CLimitStateEvaluator::RequireFinite(const double* x, int nPoints, const double* values,
                                         int nPerPoint, const char* pszWhat) const {
    const int n = GetVariableCount();
    for (int p = 0; p < nPoints; ++p) {
        for (int k = 0; k < nPerPoint; ++k) {
            const double value = values[Count(p) * Count(nPerPoint) + Count(k)];
            if (std::isfinite(value)) {
                continue;
            }
            std::string strPoint;
            for (int i = 0; i < n; ++i) {
                strPoint += (i > 0 ? ", " : "") + m_names[Count(i)] + " = " +
                            Number(x[Count(p) * Count(n) + Count(i)]);
            }
            throw CReliabilityError(std::string(pszWhat) + " is " + Number(value) + " at (" +
                                    strPoint + ")");
        }
    }
}

} // namespace stochvar
