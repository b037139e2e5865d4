#include <stochvar/reliability/ReliabilityResult.h>

#include <stochvar/numerics/StdNormal.h>

#include <cmath>

namespace stochvar {

void SReliabilityResult::SetPf(double dProbability) {
    dPf = dProbability;
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    if (std::isnan(dProbability)) {
        dBeta = dProbability;
    } else if (dProbability <= 0.0) {
        dBeta = kInfinity;
    } else if (dProbability >= 1.0) {
        dBeta = -kInfinity;
    } else {
        dBeta = -StdNormalInverse(dProbability);
    }
}

void SReliabilityResult::SetBeta(double dIndex) {
    dBeta = dIndex;
    dPf = StdNormalCdf(-dIndex);
}

} // namespace stochvar
