#pragma once

// CLikelihoodEstimator: maximum-likelihood estimates of each continuous family, in the family's
// own parameters.
//
//   normal       mean and standard deviation (divisor n): closed form
//   lognormal    EPSILON, KSI of ln(x - L): closed form for a given L
//   Gumbel       ALPHA from the likelihood equation in the scale 1 / ALPHA (a root), BETA then
//                in closed form
//   Weibull      BETA from the likelihood equation in the shape (a root), ALPHA then in closed
//                form, for a given L
//   Rayleigh     THETA^2 = sum (x - L)^2 / 2n for a given L
//   beta         R, S by a simplex search on the likelihood of the scaled data, for given bounds
//   triangular   the mode at an order statistic (the likelihood is largest at one for given
//                bounds, Oliver 1972), the bounds by a simplex search on that profile
//
// Bounds that the caller does not fix are estimated so that the estimate stays regular where
// the likelihood does not (its maximum lies at the smallest value, or it grows without bound
// there):
//   - lognormal, Weibull and Rayleigh: the lower bound maximises the profile likelihood, the
//     likelihood maximised over the other parameters for each bound. Where that grows without
//     bound as L approaches the smallest value, the estimate is its largest local maximum
//     below it (the usual convention for the three-parameter lognormal); without one, there is
//     no estimate and the fit falls back on the moments.
//   - uniform and exponential: the likelihood is largest with the bound at the extreme value,
//     which lies inside the range by about one spacing; the order-statistics correction moves it
//     out by its expected distance (the unbiased estimates of minimum variance): for the
//     uniform L = x(1) - (x(n) - x(1)) / (n - 1), for the exponential L = x(1) - scale / n with
//     scale = n (mean - x(1)) / (n - 1).
//   - beta and triangular: the bounds maximise the profile likelihood (simplex search from the
//     extremes), no nearer to the data than 1e-6 ranges and no farther than 1e3. With bounds to
//     estimate, the beta exponents stay at 1 or above, where the likelihood is bounded; data
//     whose beta likelihood still grows 1e3 ranges out (the family's normal limit) have no beta
//     estimate.

#include <stochvar/fitting/FamilyEstimate.h>

#include <functional>
#include <optional>

namespace stochvar {

class CFitSample;

class CLikelihoodEstimator {
public:
    // The estimate for the family nType, or a refusal with its reason (a family without a
    // likelihood estimate here, no maximum found). The data lie inside the fixed bounds.
    static SFamilyEstimate Estimate(int nType, const CFitSample& sample,
                                    const SFixedBounds& bounds);

    // The bound L < x(1) at the largest local maximum of profile(L) over a grid of distances
    // x(1) - L from 1e-6 to 1e3 times the range, refined by golden section; nothing when the
    // profile has no local maximum inside the grid.
    static std::optional<double>
    MaximiseOverLowerBound(const CFitSample& sample, const std::function<double(double)>& profile);
};

} // namespace stochvar
