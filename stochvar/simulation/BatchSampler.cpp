#include <stochvar/simulation/BatchSampler.h>

#include <stochvar/simulation/DistCollection.h>

#include <algorithm>

namespace stochvar {

namespace {

std::size_t Values(long long nRows, int nVariables) {
    return static_cast<std::size_t>(nRows) * static_cast<std::size_t>(nVariables);
}

} // namespace

CBatchSampler::CBatchSampler(CDistCollection& collection, int nThreads)
    : m_collection(collection), m_nThreads(std::min(nThreads, kMaxThreads)),
      m_nVariables(collection.GetCount()), m_nBatchRows(RowsPerBatch(m_nVariables)) {}

int CBatchSampler::RowsPerBatch(int nVariables) {
    return std::clamp(kBatchValues / std::max(nVariables, 1), 1, kMaxBatchRows);
}

SBatchDrawResult CBatchSampler::Draw(long long nCount, const BatchCallback& onBatch, double* pOut) {
    if (pOut == nullptr) {
        m_batch.resize(Values(std::clamp<long long>(nCount, 0, m_nBatchRows), m_nVariables));
    }
    SBatchDrawResult result;
    while (result.nDrawn < nCount) {
        double* pRows =
            pOut != nullptr ? pOut + Values(result.nDrawn, m_nVariables) : m_batch.data();
        const auto nAsked =
            static_cast<int>(std::min<long long>(m_nBatchRows, nCount - result.nDrawn));
        const int nRows = m_collection.GetSamples(nAsked, pRows, m_nThreads);
        if (nRows == 0) {
            break;
        }
        const SSampleBatch batch{pRows, nRows, m_nVariables, result.nDrawn};
        result.nDrawn += nRows;
        if (!onBatch(batch)) {
            result.bStopped = true;
            break;
        }
    }
    return result;
}

} // namespace stochvar
