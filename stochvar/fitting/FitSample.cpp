#include <stochvar/fitting/FitSample.h>

#include <stochvar/fitting/FitError.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace stochvar {

CFitSample::CFitSample(std::vector<double> values) : m_sorted(std::move(values)) {
    for (std::size_t i = 0; i < m_sorted.size(); ++i) {
        if (!std::isfinite(m_sorted[i])) {
            throw CFitError("value " + std::to_string(i + 1) + " is not a finite number");
        }
    }
    if (m_sorted.size() < kMinPoints) {
        throw CFitError("too few points: " + std::to_string(m_sorted.size()) +
                        " values, a fit needs at least " + std::to_string(kMinPoints));
    }
    std::sort(m_sorted.begin(), m_sorted.end());
    if (!(m_sorted.back() > m_sorted.front())) {
        throw CFitError("all values are equal: no family with a spread fits them");
    }
    const double n = GetCountAsDouble();
    double dSum = 0.0;
    for (const double x : m_sorted) {
        dSum += x;
    }
    m_dMean = dSum / n;
    double m2 = 0.0;
    double m3 = 0.0;
    for (const double x : m_sorted) {
        const double d = x - m_dMean;
        m2 += d * d;
        m3 += d * d * d;
    }
    m_dStdDev = std::sqrt(m2 / (n - 1.0));
    m2 /= n;
    m3 /= n;
    m_dSkewness = m3 / (m2 * std::sqrt(m2));
}

} // namespace stochvar
