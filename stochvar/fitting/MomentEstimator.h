#pragma once

// CMomentEstimator: the method of moments, as a fallback where the likelihood gives no estimate
// and on request. The sample mean and standard deviation (divisor n - 1) go into the family's
// own moment input type wherever it has one, so that the family's own conversion finds its
// parameters; a lower bound that is not fixed comes from the skewness (lognormal, Weibull) or
// from the family's fixed shape (exponential, Rayleigh: their (MEAN, STDDEV) input types);
// the bounds of the uniform family from mean -+ sqrt(3) standard deviations, those of the
// triangular and beta families from the extremes with the order-statistics correction.

#include <stochvar/fitting/FamilyEstimate.h>

namespace stochvar {

class CFitSample;

class CMomentEstimator {
public:
    static SFamilyEstimate Estimate(int nType, const CFitSample& sample,
                                    const SFixedBounds& bounds);

    // The moment skewness of the Weibull family of shape b.
    static double WeibullSkewness(double b);
};

} // namespace stochvar
