#pragma once

// CSampleStatistics: running means, standard deviations and correlations of joint samples,
// updated one sample at a time (Welford's method extended to co-moments), so that a run of any
// length needs no storage beyond n x n sums and stays accurate when the means are large
// compared with the spread.

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
    double CoMoment(int i, int j) const {
        return m_coMoments[Index(i) * Index(m_nVariables) + Index(j)];
    }

    int m_nVariables;
    long long m_nCount = 0;
    std::vector<double> m_means;
    std::vector<double> m_deltas;
    // Sums of products of deviations from the running means, n x n, row-major.
    std::vector<double> m_coMoments;
};

} // namespace stochvar
