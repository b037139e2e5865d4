#pragma once

// CVariableFunctions: a variable's density, mass, cumulative function, their tails and logarithms
// and the inverses as Python shows them, with the conventions of scipy.stats wherever the
// library's own functions, written for its editor's chart and for sampling, answer otherwise:
//
// - a NaN argument gives NaN, and so does a probability outside [0, 1];
// - outside the support the density is 0, the cumulative function 0 below and 1 above it, the
//   survival function the other way round, and their logarithms -inf and 0; the inverse of 0
//   and of 1 are the ends of the support (for the inverse survival function the other way
//   round);
// - a fixed and a discrete variable are point masses (at the value, at the category positions
//   0 .. n-1): their mass function is the probability at x, their density the same (0 off the
//   support), their cumulative function the step function P(X <= x) and their survival function
//   P(X > x), each summed from its own side. The library's chart spreads each category over
//   [k - 0.5, k + 0.5] instead.
//
// Inside the support the continuous families' functions are the library's, under the numerics in
// effect (CDist::GetSurvival and the others: accurate numerics keep the tails' relative
// accuracy). The inverse inside (0, 1) is the library's, which sampling inverts: a sample is the
// inverse of the uniform number it was drawn from, for every family.

#include <stochvar/model/Dist.h>

#include <utility>
#include <vector>

namespace stochvar::python {

class CVariableFunctions {
public:
    // dist must outlive the object and stay as it is.
    explicit CVariableFunctions(CDist& dist);

    // The smallest closed interval that holds every value of the variable; infinite ends for
    // unbounded families.
    std::pair<double, double> GetSupport() const { return {m_dLower, m_dUpper}; }
    bool IsPointMass() const { return !m_positions.empty(); }

    double Density(double x) const;
    // P(X = x): 0 everywhere for a continuous family.
    double Mass(double x) const;
    double Cumulative(double x) const;
    double Survival(double x) const;
    double Inverse(double p) const;
    double InverseSurvival(double q) const;
    double LogDensity(double x) const;
    double LogCumulative(double x) const;
    double LogSurvival(double x) const;

private:
    // Whether x is finite and lies in [lower, upper): where the cumulative and the survival
    // function may lie strictly between 0 and 1.
    bool IsInside(double x) const;
    // The point masses at or below x, and those above it.
    double StepCumulative(double x) const;
    double StepSurvival(double x) const;

    CDist& m_dist;
    double m_dLower;
    double m_dUpper;
    // The point masses in ascending position, for the fixed and the discrete family only.
    std::vector<double> m_positions;
    std::vector<double> m_probabilities;
};

} // namespace stochvar::python
