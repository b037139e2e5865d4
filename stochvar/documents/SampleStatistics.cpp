#include <stochvar/documents/SampleStatistics.h>

#include <cmath>

namespace stochvar {

CSampleStatistics::CSampleStatistics(int nVariables)
    : m_nVariables(nVariables), m_means(Index(nVariables), 0.0), m_deltas(Index(nVariables), 0.0),
      m_coMoments(Index(nVariables) * Index(nVariables), 0.0) {}

void CSampleStatistics::Add(const double* pValues) {
    ++m_nCount;
    const double dCount = static_cast<double>(m_nCount);
    // delta_i is the deviation from the old mean; after the update the co-moment gains
    // delta_i * (x_j - new mean_j).
    for (std::size_t i = 0; i < m_means.size(); ++i) {
        m_deltas[i] = pValues[i] - m_means[i];
        m_means[i] += m_deltas[i] / dCount;
    }
    const std::size_t n = m_means.size();
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = 0; j <= i; ++j) {
            m_coMoments[i * n + j] += m_deltas[i] * (pValues[j] - m_means[j]);
        }
    }
}

double CSampleStatistics::GetStdDev(int i) const {
    if (m_nCount < 2) {
        return 0.0;
    }
    return std::sqrt(CoMoment(i, i) / static_cast<double>(m_nCount - 1));
}

double CSampleStatistics::GetCorrelation(int i, int j) const {
    const double dProduct = CoMoment(i, i) * CoMoment(j, j);
    if (!(dProduct > 0.0)) {
        return 0.0;
    }
    const double dCross = i >= j ? CoMoment(i, j) : CoMoment(j, i);
    return dCross / std::sqrt(dProduct);
}

} // namespace stochvar
