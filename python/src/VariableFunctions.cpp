#include "VariableFunctions.h"

#include <stochvar/families/FamilyList.h>
#include <stochvar/model/Keywords.h>

#include <cmath>
#include <limits>

namespace stochvar::python {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

} // namespace

CVariableFunctions::CVariableFunctions(CDist& dist)
    : m_dist(dist), m_dLower(-kInfinity), m_dUpper(kInfinity) {
    const double dLowerBound = dist.GetParamValue(PARAM_LOWER_BOUND);
    const double dUpperBound = dist.GetParamValue(PARAM_UPPER_BOUND);
    switch (dist.m_nType) {
    case DIST_FIXED:
        m_dLower = m_dUpper = dist.GetParamValue(PARAM_MEAN);
        m_positions = {m_dLower};
        m_probabilities = {1.0};
        break;
    case DIST_DISCRETE:
        for (int k = 0; k < dist.m_Probabilities.GetSize(); ++k) {
            m_positions.push_back(k);
            m_probabilities.push_back(dist.m_Probabilities[k]);
        }
        m_dLower = 0.0;
        m_dUpper = static_cast<double>(m_positions.size()) - 1.0;
        break;
    case DIST_UNIFORM:
    case DIST_TRIANGULAR:
    case DIST_BETA:
        m_dLower = dLowerBound;
        m_dUpper = dUpperBound;
        break;
    case DIST_LOGNORMAL:
    case DIST_EXPONENTIAL:
    case DIST_RAYLEIGH:
    case DIST_WEIBULL:
        m_dLower = dLowerBound;
        break;
    default: // the normal and the Gumbel family: the whole line
        break;
    }
}

double CVariableFunctions::Density(double x) const {
    if (std::isnan(x)) {
        return kNaN;
    }
    if (IsPointMass()) {
        return Mass(x);
    }
    if (std::isinf(x) || x < m_dLower || x > m_dUpper) {
        return 0.0;
    }
    return m_dist.GetDensity(x);
}

double CVariableFunctions::Mass(double x) const {
    if (std::isnan(x)) {
        return kNaN;
    }
    for (std::size_t k = 0; k < m_positions.size(); ++k) {
        if (m_positions[k] == x) {
            return m_probabilities[k];
        }
    }
    return 0.0;
}

double CVariableFunctions::Cumulative(double x) const {
    if (std::isnan(x)) {
        return kNaN;
    }
    if (x == -kInfinity || x < m_dLower) {
        return 0.0;
    }
    if (x == kInfinity || x >= m_dUpper) {
        return 1.0;
    }
    return IsPointMass() ? StepCumulative(x) : m_dist.GetCumulative(x);
}

double CVariableFunctions::StepCumulative(double x) const {
    // Summed in position order, as the library's inverse sums them, so that the inverse of p
    // is the first position at which this function reaches p.
    double dSum = 0.0;
    for (std::size_t k = 0; k < m_positions.size() && m_positions[k] <= x; ++k) {
        dSum += m_probabilities[k];
    }
    return dSum;
}

double CVariableFunctions::Inverse(double p) const {
    if (!(p >= 0.0 && p <= 1.0)) {
        return kNaN;
    }
    if (p == 0.0) {
        return m_dLower;
    }
    if (p == 1.0) {
        return m_dUpper;
    }
    return m_dist.GetInverse(p);
}

} // namespace stochvar::python
