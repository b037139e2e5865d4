#include <stochvar/fitting/MomentEstimator.h>

#include <stochvar/families/FamilyList.h>
#include <stochvar/fitting/FitSample.h>
#include <stochvar/fitting/ScalarSearch.h>

#include <cmath>

namespace stochvar {

namespace {

constexpr double kShapeMin = 0.05;
constexpr double kShapeMax = 50.0;
constexpr double kRootTolerance = 1e-13;

SFamilyEstimate Found(int nType, int nParamCombi, std::vector<double> values, int nFreeParams,
                      std::string strNote = {}) {
    SFamilyEstimate estimate;
    estimate.nType = nType;
    estimate.method = EFitMethod::Moments;
    estimate.nParamCombi = nParamCombi;
    estimate.values = std::move(values);
    estimate.nFreeParams = nFreeParams;
    estimate.strNote = std::move(strNote);
    return estimate;
}

SFamilyEstimate Refusal(int nType, std::string strReason) {
    SFamilyEstimate estimate;
    estimate.nType = nType;
    estimate.method = EFitMethod::Moments;
    estimate.strRefusal = std::move(strReason);
    return estimate;
}

// The bounds from the extremes, moved out by the expected spacing (as for the uniform family).
void CorrectedExtremes(const CFitSample& sample, const SFixedBounds& bounds, double& L, double& U) {
    const double dGap = sample.GetRange() / (sample.GetCountAsDouble() - 1.0);
    L = bounds.lower ? *bounds.lower : sample.GetMin() - dGap;
    U = bounds.upper ? *bounds.upper : sample.GetMax() + dGap;
}

int FreeBounds(const SFixedBounds& bounds, bool bUpper) {
    return (bounds.lower ? 0 : 1) + (bUpper && !bounds.upper ? 1 : 0);
}

SFamilyEstimate EstimateLogNormal(const CFitSample& sample, const SFixedBounds& bounds) {
    const double mean = sample.GetMean();
    const double sd = sample.GetStdDev();
    if (bounds.lower) {
        return Found(DIST_LOGNORMAL, 0, {mean, sd, *bounds.lower}, 2);
    }
    // Skewness g = s^3 + 3 s with s = sqrt(exp(EPSILON^2) - 1), s = sd / (mean - L): Cardano.
    const double g = sample.GetSkewness();
    if (!(g > 0.0)) {
        return Refusal(DIST_LOGNORMAL, "the data are not skewed to the right");
    }
    const double c = std::cbrt((g + std::sqrt(g * g + 4.0)) / 2.0);
    const double s = c - 1.0 / c;
    return Found(DIST_LOGNORMAL, 0, {mean, sd, mean - sd / s}, 3, "lower bound from the skewness");
}

SFamilyEstimate EstimateWeibull(const CFitSample& sample, const SFixedBounds& bounds) {
    const double mean = sample.GetMean();
    const double sd = sample.GetStdDev();
    if (bounds.lower) {
        return Found(DIST_WEIBULL, 0, {mean, sd, *bounds.lower}, 2);
    }
    const double g = sample.GetSkewness();
    const double lnB = CScalarSearch::FindRoot(
        [&](double t) { return CMomentEstimator::WeibullSkewness(std::exp(t)) - g; },
        std::log(kShapeMin), std::log(kShapeMax), kRootTolerance);
    if (std::isnan(lnB)) {
        return Refusal(DIST_WEIBULL, "no Weibull shape has the skewness of the data");
    }
    const double b = std::exp(lnB);
    const double g1 = std::tgamma(1.0 + 1.0 / b);
    const double g2 = std::tgamma(1.0 + 2.0 / b);
    const double alpha = sd / std::sqrt(g2 - g1 * g1);
    return Found(DIST_WEIBULL, 3, {alpha, b, mean - alpha * g1}, 3,
                 "shape and lower bound from the skewness");
}

} // namespace

double CMomentEstimator::WeibullSkewness(double b) {
    const double g1 = std::tgamma(1.0 + 1.0 / b);
    const double g2 = std::tgamma(1.0 + 2.0 / b);
    const double g3 = std::tgamma(1.0 + 3.0 / b);
    const double v = g2 - g1 * g1;
    return (g3 - 3.0 * g1 * g2 + 2.0 * g1 * g1 * g1) / (v * std::sqrt(v));
}

SFamilyEstimate CMomentEstimator::Estimate(int nType, const CFitSample& sample,
                                           const SFixedBounds& bounds) {
    const double mean = sample.GetMean();
    const double sd = sample.GetStdDev();
    double L = 0.0;
    double U = 0.0;
    switch (nType) {
    case DIST_NORMAL:
        return Found(nType, 0, {mean, sd}, 2);
    case DIST_GUMBEL:
        return Found(nType, 0, {mean, sd}, 2);
    case DIST_LOGNORMAL:
        return EstimateLogNormal(sample, bounds);
    case DIST_WEIBULL:
        return EstimateWeibull(sample, bounds);
    case DIST_EXPONENTIAL:
    case DIST_RAYLEIGH:
        // Input type 0 is (MEAN, LOWER_BOUND), input type 2 (MEAN, STDDEV) in both families.
        return bounds.lower ? Found(nType, 0, {mean, *bounds.lower}, 1)
                            : Found(nType, 2, {mean, sd}, 2, "lower bound from the moments");
    case DIST_UNIFORM:
        L = bounds.lower ? *bounds.lower : mean - std::sqrt(3.0) * sd;
        U = bounds.upper ? *bounds.upper : mean + std::sqrt(3.0) * sd;
        return Found(nType, 0, {L, U}, FreeBounds(bounds, true));
    case DIST_TRIANGULAR:
        CorrectedExtremes(sample, bounds, L, U);
        return Found(nType, 1, {L, mean, U}, 1 + FreeBounds(bounds, true),
                     "bounds from the extremes, mode from the mean");
    case DIST_BETA:
        CorrectedExtremes(sample, bounds, L, U);
        return Found(nType, 0, {mean, sd, L, U}, 2 + FreeBounds(bounds, true),
                     "bounds from the extremes");
    default:
        return Refusal(nType, "not a continuous family");
    }
}

} // namespace stochvar
