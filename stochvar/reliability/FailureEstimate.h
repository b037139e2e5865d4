#pragma once

// CFailureEstimate: the running estimate of Pf from samples, each with its weight when it fails
// (1 in Monte Carlo, the density ratio in importance sampling) and 0 when it does not.
//
//   Pf = sum w / N,  Var(Pf) = (sum w^2 / N - Pf^2) / N,  CoV = sqrt(Var(Pf)) / Pf
//
// The 95 % interval is Wilson's score interval (Wilson 1927), which stays inside [0, 1] and
// keeps its coverage with few failures, unlike Pf +- 1.96 sd: with N samples when every weight is
// 1, and for weighted samples with the effective sample size that gives the estimated variance,
// n = Pf (1 - Pf) / Var(Pf) (N when that variance is 0).

#include <stochvar/reliability/SamplingResult.h>

namespace stochvar {

class CFailureEstimate {
public:
    // One sample: w its weight when it failed, 0 when it did not.
    void Add(double w);

    long long GetSamples() const { return m_nSamples; }
    long long GetFailures() const { return m_nFailures; }
    double GetPf() const;
    // +infinity before the first failure.
    double GetCoV() const;
    // Pf, beta, the CoV, the counts and the interval.
    void Fill(SSamplingResult& result) const;

private:
    double GetVariance() const;

    long long m_nSamples = 0;
    long long m_nFailures = 0;
    bool m_bWeighted = false;
    double m_dSum = 0.0;
    double m_dSumSquares = 0.0;
};

} // namespace stochvar
