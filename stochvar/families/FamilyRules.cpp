#include <stochvar/families/FamilyRules.h>

namespace stochvar::family_rules {

namespace {

constexpr double kAxisSpreadInStdDevs = 5.0;

} // namespace

void SetMeanCentredAxis(CDist& dist) {
    const double M = dist.GetParamValue(PARAM_MEAN);
    const double S = dist.GetParamValue(PARAM_STDDEV);
    if (S > 0.0) {
        dist.m_dAxisMin = M - kAxisSpreadInStdDevs * S;
        dist.m_dAxisMax = M + kAxisSpreadInStdDevs * S;
    }
}

void SetLowerBoundAxis(CDist& dist) {
    const double M = dist.GetParamValue(PARAM_MEAN);
    const double S = dist.GetParamValue(PARAM_STDDEV);
    if (S > 0.0) {
        dist.m_dAxisMin = dist.GetParamValue(PARAM_LOWER_BOUND);
        dist.m_dAxisMax = M + kAxisSpreadInStdDevs * S;
    }
}

} // namespace stochvar::family_rules
