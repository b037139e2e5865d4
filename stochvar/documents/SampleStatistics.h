#pragma once

// CSampleStatistics: running means, standard deviations and correlations of joint samples,
// updated one sample at a time (Welford's method extended to co-moments), so that a run of any
// length needs no storage beyond n x n sums and stays accurate when the means are large
// compared with the spread. Each variable's deviations are summed in units of a power of two near
// its values (taken from its first value that is not 0, raised as larger values come, the sums
// then multiplied by exact factors), so that values near the end of the double range, whose
// squares would overflow, and tiny ones, whose products would underflow, still give their
// standard deviations and correlations; otherwise the results are those of unscaled arithmetic
// bit for bit.

#include <cstddef>
#include <vector>

namespace stochvar {

class CSampleStatistics {
public:
    explicit CSampleStatistics(int nVariables);

    void Add(const double* pValues);

    long long GetCount() const { return m_nCount; }
    double GetMean(int i) const { return m_means[Index(i)]; }
    // Sample standard deviation (divisor n - 1); 0 for fewer than two samples.
    double GetStdDev(int i) const;
    // Pearson correlation; 0 when either variable shows no spread.
    double GetCorrelation(int i, int j) const;

private:
    static std::size_t Index(int i) { return static_cast<std::size_t>(i); }
    // Raises variable i's scale to cover the value.
    void Rescale(std::size_t i, double dValue);
    double CoMoment(int i, int j) const {
        return m_coMoments[Index(i) * Index(m_nVariables) + Index(j)];
    }

    int m_nVariables;
    long long m_nCount = 0;
    std::vector<double> m_means;
    std::vector<double> m_scales; // powers of two
    std::vector<bool> m_scaled;   // whether the scale was taken from a value yet
    std::vector<double> m_deltas;
    // Sums of products of deviations from the running means, each in units of its variables'
    // scales, n x n, row-major (lower triangle).
    std::vector<double> m_coMoments;
};

} // namespace stochvar
