#include <stochvar/reliability/ImportanceSampling.h>

#include <stochvar/reliability/FailureEstimate.h>
#include <stochvar/reliability/LimitStateEvaluator.h>
#include <stochvar/reliability/NormalStream.h>
#include <stochvar/reliability/ReliabilityError.h>
#include <stochvar/reliability/Transform.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstddef>

namespace stochvar {

namespace {

std::size_t Count(long long n) { return static_cast<std::size_t>(n); }

} // namespace

CImportanceSampling::CImportanceSampling(const CTransform& transform, const SLimitState& limitState)
    : CImportanceSampling(transform, limitState, SOptions{}) {}

CImportanceSampling::CImportanceSampling(const CTransform& transform, const SLimitState& limitState,
                                         SOptions options)
    : m_transform(transform), m_limitState(limitState), m_options(std::move(options)) {}

CImportanceSampling::SResult CImportanceSampling::Run() const {
    const auto started = std::chrono::steady_clock::now();
    const int m = m_transform.GetDimension();
    const int n = m_transform.GetVariableCount();
    if (m_options.nMaxCalls < 1 || m_options.nBatchSize < 1) {
        throw CReliabilityError("importance sampling needs a call budget and a batch size of at "
                                "least 1");
    }
    SResult result;
    if (m_options.centre.empty()) {
        result.form = CForm(m_transform, m_limitState, m_options.form).Run();
        result.bFormRun = true;
        result.centre = result.form.u;
    } else if (m_options.centre.size() != Count(m)) {
        throw CReliabilityError("the centre of importance sampling needs " + std::to_string(m) +
                                " coordinates, not " + std::to_string(m_options.centre.size()));
    } else {
        result.centre = m_options.centre;
    }
    const CNumericsScope scope(m_transform.GetNumerics());
    CLimitStateEvaluator evaluator(m_limitState, m_transform, m_options.nThreads);
    CNormalStream normals(m_options.seeds);
    const std::vector<double>& c = result.centre;
    double cc = 0.0;
    for (double ck : c) {
        cc += ck * ck;
    }

    const int nBatch = m_options.nBatchSize;
    std::vector<double> z(Count(nBatch) * Count(m));
    std::vector<double> U(z.size());
    std::vector<double> X(Count(nBatch) * Count(n));
    std::vector<double> G(Count(nBatch));
    CFailureEstimate estimate;
    while (estimate.GetSamples() < m_options.nMaxCalls) {
        const int nRows = static_cast<int>(
            std::min<long long>(nBatch, m_options.nMaxCalls - estimate.GetSamples()));
        for (std::size_t k = 0; k < Count(nRows) * Count(m); ++k) {
            z[k] = normals.Next();
            U[k] = c[k % Count(m)] + z[k];
        }
        evaluator.EvaluateStandard(U.data(), nRows, X.data(), G.data());
        for (int r = 0; r < nRows; ++r) {
            double cz = 0.0;
            for (int k = 0; k < m; ++k) {
                cz += c[Count(k)] * z[Count(r) * Count(m) + Count(k)];
            }
            estimate.Add(G[Count(r)] <= 0.0 ? std::exp(-cz - 0.5 * cc) : 0.0);
        }
        if (estimate.GetCoV() <= m_options.dTargetCoV) {
            result.bConverged = true;
            break;
        }
    }
    estimate.Fill(result);
    if (!result.bConverged) {
        result.strReason = "the budget of " + std::to_string(m_options.nMaxCalls) +
                           " calls ran out before the target coefficient of variation";
    }
    result.nCalls = evaluator.GetCalls() + result.form.nCalls;
    result.nGradientCalls = result.form.nGradientCalls;
    result.dSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return result;
}

} // namespace stochvar
