#include <stochvar/simulation/BatchSampler.h>

#include <stochvar/simulation/DistCollection.h>
#include <stochvar/simulation/ParallelChunks.h>

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

int CBatchSampler::FirstBatchRows() const {
    return m_pace ? std::min(ResolveThreadCount(m_nThreads), m_nBatchRows) : m_nBatchRows;
}

int CBatchSampler::NextPacedRows(int nRows, std::chrono::nanoseconds elapsed) const {
    const int nLargest = static_cast<int>(
        std::min<long long>(static_cast<long long>(nRows) * kMaxPaceGrowth, m_nBatchRows));
    if (elapsed.count() <= 0) {
        return nLargest;
    }
    const double dRows = static_cast<double>(nRows) * static_cast<double>(m_pace->count()) /
                         static_cast<double>(elapsed.count());
    return static_cast<int>(std::clamp(dRows, 1.0, static_cast<double>(nLargest)));
}

SBatchDrawResult CBatchSampler::Draw(long long nCount, const BatchCallback& onBatch, double* pOut) {
    if (pOut == nullptr) {
        m_batch.resize(Values(std::clamp<long long>(nCount, 0, m_nBatchRows), m_nVariables));
    }
    SBatchDrawResult result;
    int nBatchRows = FirstBatchRows();
    while (result.nDrawn < nCount) {
        double* pRows =
            pOut != nullptr ? pOut + Values(result.nDrawn, m_nVariables) : m_batch.data();
        const auto nAsked =
            static_cast<int>(std::min<long long>(nBatchRows, nCount - result.nDrawn));
        const auto start = std::chrono::steady_clock::now();
        const int nRows = m_collection.GetSamples(nAsked, pRows, m_nThreads);
        if (nRows == 0) {
            break;
        }
        if (m_pace) {
            nBatchRows = NextPacedRows(nAsked, std::chrono::steady_clock::now() - start);
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
