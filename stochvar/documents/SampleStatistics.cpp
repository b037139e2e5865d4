#include <stochvar/documents/SampleStatistics.h>

#include <cmath>

namespace stochvar {

CSampleStatistics::CSampleStatistics(int nVariables)
    : m_nVariables(nVariables), m_means(Index(nVariables), 0.0), m_scales(Index(nVariables), 1.0),
      m_scaled(Index(nVariables), false), m_deltas(Index(nVariables), 0.0),
      m_coMoments(Index(nVariables) * Index(nVariables), 0.0) {}

void CSampleStatistics::Add(const double* pValues) {
    ++m_nCount;
    const double dCount = static_cast<double>(m_nCount);
    const std::size_t n = m_means.size();
    for (std::size_t i = 0; i < n; ++i) {
        Rescale(i, pValues[i]);
    }
    // delta_i is the deviation from the old mean, in units of the scale; after the update the
    // co-moment gains delta_i * (x_j - new mean_j).
    for (std::size_t i = 0; i < n; ++i) {
        m_deltas[i] = pValues[i] / m_scales[i] - m_means[i] / m_scales[i];
        m_means[i] += m_deltas[i] / dCount * m_scales[i];
    }
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = 0; j <= i; ++j) {
            m_coMoments[i * n + j] +=
                m_deltas[i] * (pValues[j] / m_scales[j] - m_means[j] / m_scales[j]);
        }
    }
}

void CSampleStatistics::Rescale(std::size_t i, double dValue) {
    const double dMagnitude = std::fabs(dValue);
    const bool bFirst = !m_scaled[i] && dMagnitude > 0.0;
    if (!(bFirst || dMagnitude >= 2.0 * m_scales[i]) || !std::isfinite(dMagnitude)) {
        return;
    }
    int nExponent = 0;
    std::frexp(dMagnitude, &nExponent);
    // The power of two at or below the value: values in units of it stay below 2 in magnitude,
    // and even the largest double has one.
    const double dScale = std::ldexp(1.0, nExponent - 1);
    if (!bFirst) { // before the first value that is not 0 the variable's co-moments are all 0
        // Powers of two: the co-moments change by exact factors (short of underflow).
        const double dFactor = m_scales[i] / dScale;
        const std::size_t n = m_means.size();
        for (std::size_t j = 0; j < n; ++j) {
            m_coMoments[i >= j ? i * n + j : j * n + i] *= j == i ? dFactor * dFactor : dFactor;
        }
    }
    m_scales[i] = dScale;
    m_scaled[i] = true;
}

double CSampleStatistics::GetStdDev(int i) const {
    if (m_nCount < 2) {
        return 0.0;
    }
    return std::sqrt(CoMoment(i, i) / static_cast<double>(m_nCount - 1)) * m_scales[Index(i)];
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
