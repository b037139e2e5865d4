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

double CVariableFunctions::Survival(double x) const {
    if (std::isnan(x)) {
        return kNaN;
    }
    if (x == -kInfinity || x < m_dLower) {
        return 1.0;
    }
    if (x == kInfinity || x >= m_dUpper) {
        return 0.0;
    }
    return IsPointMass() ? StepSurvival(x) : m_dist.GetSurvival(x);
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

double CVariableFunctions::StepSurvival(double x) const {
    // Summed from the top, so that a small upper tail keeps its digits.
    double dSum = 0.0;
    for (std::size_t k = m_positions.size(); k > 0 && m_positions[k - 1] > x; --k) {
        dSum += m_probabilities[k - 1];
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

double CVariableFunctions::InverseSurvival(double q) const {
    if (!(q >= 0.0 && q <= 1.0)) {
        return kNaN;
    }
    if (q == 0.0) {
        return m_dUpper;
    }
    if (q == 1.0) {
        return m_dLower;
    }
    if (IsPointMass()) { // the first position from which at most q lies above
        for (const double dPosition : m_positions) {
            if (StepSurvival(dPosition) <= q) {
                return dPosition;
            }
        }
        return m_dUpper;
    }
    return m_dist.GetInverseSurvival(q);
}

double CVariableFunctions::LogDensity(double x) const {
    if (IsPointMass()) {
        return std::log(Mass(x));
    }
    if (std::isnan(x)) {
        return kNaN;
    }
    if (std::isinf(x) || x < m_dLower || x > m_dUpper) {
        return -kInfinity;
    }
    return m_dist.GetLogDensity(x);
}

bool CVariableFunctions::IsInside(double x) const {
    return std::isfinite(x) && x >= m_dLower && x < m_dUpper;
}

double CVariableFunctions::LogCumulative(double x) const {
    if (!IsInside(x)) {
        return std::log(Cumulative(x));
    }
    if (IsPointMass()) { // each logarithm from the tail that keeps its digits
        const double F = StepCumulative(x);
        return F <= 0.5 ? std::log(F) : std::log1p(-StepSurvival(x));
    }
    return m_dist.GetLogCumulative(x);
}

double CVariableFunctions::LogSurvival(double x) const {
    if (!IsInside(x)) {
        return std::log(Survival(x));
    }
    if (IsPointMass()) {
        const double S = StepSurvival(x);
        return S <= 0.5 ? std::log(S) : std::log1p(-StepCumulative(x));
    }
    return m_dist.GetLogSurvival(x);
}

} // namespace stochvar::python
