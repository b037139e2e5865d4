#include <stochvar/documents/Moments.h>

#include <stochvar/model/Dist.h>

#include <cmath>

namespace stochvar {

SMoments TargetMoments(const CDist& dist) {
    switch (dist.m_nType) {
    case DIST_FIXED:
        return {dist.GetParamValue(PARAM_MEAN), 0.0};
    case DIST_DISCRETE: {
        double dMean = 0.0;
        for (int k = 0; k < dist.m_Probabilities.GetSize(); ++k) {
            dMean += k * dist.m_Probabilities[k];
        }
        double dVariance = 0.0;
        for (int k = 0; k < dist.m_Probabilities.GetSize(); ++k) {
            dVariance += (k - dMean) * (k - dMean) * dist.m_Probabilities[k];
        }
        return {dMean, std::sqrt(dVariance)};
    }
    default:
        return {dist.GetParamValue(PARAM_MEAN), dist.GetParamValue(PARAM_STDDEV)};
    }
}

} // namespace stochvar
