#pragma once

// CFitSample: the data a family is fitted to, sorted, with the summaries the estimators share.
// Building one checks the data as a whole: at least kMinPoints values, every one a finite
// number, and some spread (CFitError otherwise, naming the first value that is not finite by
// its position in the data as given, counted from 1).

#include <cstddef>
#include <vector>

namespace stochvar {

class CFitSample {
public:
    static constexpr std::size_t kMinPoints = 3;

    explicit CFitSample(std::vector<double> values);

    std::size_t GetCount() const { return m_sorted.size(); }
    double GetCountAsDouble() const { return static_cast<double>(m_sorted.size()); }
    // The values in increasing order.
    const std::vector<double>& GetSorted() const { return m_sorted; }
    double GetMin() const { return m_sorted.front(); }
    double GetMax() const { return m_sorted.back(); }
    double GetRange() const { return GetMax() - GetMin(); }
    double GetMean() const { return m_dMean; }
    // The standard deviation with divisor n - 1, and the moment skewness m3 / m2^1.5.
    double GetStdDev() const { return m_dStdDev; }
    double GetSkewness() const { return m_dSkewness; }

private:
    std::vector<double> m_sorted;
    double m_dMean = 0.0;
    double m_dStdDev = 0.0;
    double m_dSkewness = 0.0;
};

} // namespace stochvar
