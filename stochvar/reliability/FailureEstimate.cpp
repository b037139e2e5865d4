#include <stochvar/reliability/FailureEstimate.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace stochvar {

namespace {

// Phi^-1(0.975).
constexpr double kZ95 = 1.959963984540054;

} // namespace

void CFailureEstimate::Add(double w) {
    ++m_nSamples;
    if (w != 0.0) {
        ++m_nFailures;
        m_bWeighted = m_bWeighted || w != 1.0;
        m_dSum += w;
        m_dSumSquares += w * w;
    }
}

double CFailureEstimate::GetPf() const {
    return m_nSamples > 0 ? m_dSum / static_cast<double>(m_nSamples) : SSamplingResult::kNaN;
}

double CFailureEstimate::GetVariance() const {
    const double N = static_cast<double>(m_nSamples);
    const double pf = GetPf();
    return std::max(0.0, m_dSumSquares / N - pf * pf) / N;
}

double CFailureEstimate::GetCoV() const {
    if (m_nFailures == 0) {
        return std::numeric_limits<double>::infinity();
    }
    return std::sqrt(GetVariance()) / GetPf();
}

void CFailureEstimate::Fill(SSamplingResult& result) const {
    result.SetPf(GetPf());
    result.dCoV = GetCoV();
    result.nSamples = m_nSamples;
    result.nFailures = m_nFailures;
    if (m_nSamples == 0) {
        return;
    }
    const double p = std::clamp(GetPf(), 0.0, 1.0);
    const double variance = GetVariance();
    double n = static_cast<double>(m_nSamples);
    if (m_bWeighted && variance > 0.0) {
        n = p * (1.0 - p) / variance;
    }
    const double z2 = kZ95 * kZ95;
    const double centre = (p + z2 / (2.0 * n)) / (1.0 + z2 / n);
    const double half = kZ95 * std::sqrt(p * (1.0 - p) / n + z2 / (4.0 * n * n)) / (1.0 + z2 / n);
    result.dLower = std::max(0.0, centre - half);
    result.dUpper = std::min(1.0, centre + half);
}

} // namespace stochvar
