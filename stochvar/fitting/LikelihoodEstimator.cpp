#include <stochvar/fitting/LikelihoodEstimator.h>

#include <stochvar/families/FamilyList.h>
#include <stochvar/fitting/FitSample.h>
#include <stochvar/fitting/NelderMead.h>
#include <stochvar/fitting/ScalarSearch.h>
#include <stochvar/numerics/Constants.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace stochvar {

namespace {

using constants::kLnSqrt2Pi;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The grid of distances x(1) - L, as logarithms of multiples of the range, and its points.
constexpr double kLogGapMin = -13.815510557964274; // ln 1e-6
constexpr double kLogGapMax = 6.907755278982137;   // ln 1e3
constexpr int kGridPoints = 48;
constexpr double kLogGapTolerance = 1e-9;

// Shape searches run on this bracket (Weibull shape, beta exponents start inside it).
constexpr double kShapeMin = 0.02;
constexpr double kShapeMax = 50.0;
constexpr double kRelativeRootTolerance = 1e-13;

// Simplex searches. A bound comes no nearer to the data than kLogGapMin: where the exponent at
// that bound is below 1 the likelihood grows without limit as the bound reaches the extreme.
constexpr double kSimplexTolerance = 1e-11;
constexpr int kSimplexEvaluations = 1500;

SFamilyEstimate Refusal(int nType, std::string strReason) {
    SFamilyEstimate estimate;
    estimate.nType = nType;
    estimate.strRefusal = std::move(strReason);
    return estimate;
}

SFamilyEstimate Found(int nType, int nParamCombi, std::vector<double> values, int nFreeParams,
                      std::string strNote = {}) {
    SFamilyEstimate estimate;
    estimate.nType = nType;
    estimate.nParamCombi = nParamCombi;
    estimate.values = std::move(values);
    estimate.nFreeParams = nFreeParams;
    estimate.strNote = std::move(strNote);
    return estimate;
}

const char* const kProfileNote = "lower bound at the maximum of the profile likelihood";
const char* const kNoMaximum = "the likelihood has no maximum for a lower bound below the data";

// ---- normal

SFamilyEstimate EstimateNormal(const CFitSample& sample) {
    const double n = sample.GetCountAsDouble();
    const double sigma = sample.GetStdDev() * std::sqrt((n - 1.0) / n);
    return Found(DIST_NORMAL, 0, {sample.GetMean(), sigma}, 2);
}

// ---- lognormal: ln(x - L) is normal (KSI, EPSILON).

struct SLogNormalFit {
    double dEpsilon;
    double dKsi;
    double dLogLikelihood;
};

SLogNormalFit FitLogNormal(const std::vector<double>& x, double L) {
    const double n = static_cast<double>(x.size());
    double dSum = 0.0;
    for (const double xi : x) {
        dSum += std::log(xi - L);
    }
    const double ksi = dSum / n;
    double dSquares = 0.0;
    for (const double xi : x) {
        const double d = std::log(xi - L) - ksi;
        dSquares += d * d;
    }
    const double epsilon = std::sqrt(dSquares / n);
    return {epsilon, ksi, -dSum - n * std::log(epsilon) - n * (0.5 + kLnSqrt2Pi)};
}

SFamilyEstimate EstimateLogNormal(const CFitSample& sample, const SFixedBounds& bounds) {
    const std::vector<double>& x = sample.GetSorted();
    std::optional<double> L = bounds.lower;
    if (!L) {
        L = CLikelihoodEstimator::MaximiseOverLowerBound(
            sample, [&](double dL) { return FitLogNormal(x, dL).dLogLikelihood; });
        if (!L) {
            return Refusal(DIST_LOGNORMAL, kNoMaximum);
        }
    }
    const SLogNormalFit fit = FitLogNormal(x, *L);
    return Found(DIST_LOGNORMAL, 2, {fit.dEpsilon, fit.dKsi, *L}, bounds.lower ? 2 : 3,
                 bounds.lower ? "" : kProfileNote);
}

// ---- Weibull: F = 1 - exp(-((x - L) / ALPHA)^BETA).

struct SWeibullFit {
    double dAlpha;
    double dBeta;
    double dLogLikelihood;
};

SWeibullFit FitWeibull(const std::vector<double>& x, double L) {
    const double n = static_cast<double>(x.size());
    // Distances scaled by the largest, so that their powers neither overflow nor underflow.
    const double dMax = x.back() - L;
    std::vector<double> lnU(x.size());
    double dMeanLnU = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        lnU[i] = std::log((x[i] - L) / dMax);
        dMeanLnU += lnU[i];
    }
    dMeanLnU /= n;
    const auto powerMean = [&](double b) {
        double s = 0.0;
        for (const double v : lnU) {
            s += std::exp(b * v);
        }
        return s / n;
    };
    // The likelihood equation in the shape; increasing in b.
    const auto equation = [&](double lnB) {
        const double b = std::exp(lnB);
        double s0 = 0.0;
        double s1 = 0.0;
        for (const double v : lnU) {
            const double w = std::exp(b * v);
            s0 += w;
            s1 += w * v;
        }
        return s1 / s0 - 1.0 / b - dMeanLnU;
    };
    const double lnB = CScalarSearch::FindRoot(equation, std::log(kShapeMin), std::log(kShapeMax),
                                               kRelativeRootTolerance);
    if (std::isnan(lnB)) {
        return {kNaN, kNaN, kNaN};
    }
    const double b = std::exp(lnB);
    const double alpha = dMax * std::pow(powerMean(b), 1.0 / b);
    const double dSumLnD = n * (dMeanLnU + std::log(dMax));
    return {alpha, b, n * std::log(b) - n * b * std::log(alpha) + (b - 1.0) * dSumLnD - n};
}

SFamilyEstimate EstimateWeibull(const CFitSample& sample, const SFixedBounds& bounds) {
    const std::vector<double>& x = sample.GetSorted();
    std::optional<double> L = bounds.lower;
    if (!L) {
        L = CLikelihoodEstimator::MaximiseOverLowerBound(
            sample, [&](double dL) { return FitWeibull(x, dL).dLogLikelihood; });
        if (!L) {
            return Refusal(DIST_WEIBULL, kNoMaximum);
        }
    }
    const SWeibullFit fit = FitWeibull(x, *L);
    if (std::isnan(fit.dBeta)) {
        return Refusal(DIST_WEIBULL, "no shape between 0.02 and 50 fits the data");
    }
    return Found(DIST_WEIBULL, 3, {fit.dAlpha, fit.dBeta, *L}, bounds.lower ? 2 : 3,
                 bounds.lower ? "" : kProfileNote);
}

// ---- Rayleigh: density (x - L) / THETA^2 exp(-(x - L)^2 / 2 THETA^2).

struct SRayleighFit {
    double dTheta;
    double dLogLikelihood;
};

SRayleighFit FitRayleigh(const std::vector<double>& x, double L) {
    const double n = static_cast<double>(x.size());
    double dSumLn = 0.0;
    double dSquares = 0.0;
    for (const double xi : x) {
        const double d = xi - L;
        dSumLn += std::log(d);
        dSquares += d * d;
    }
    const double theta = std::sqrt(dSquares / (2.0 * n));
    return {theta, dSumLn - 2.0 * n * std::log(theta) - n};
}

SFamilyEstimate EstimateRayleigh(const CFitSample& sample, const SFixedBounds& bounds) {
    const std::vector<double>& x = sample.GetSorted();
    std::optional<double> L = bounds.lower;
    if (!L) {
        L = CLikelihoodEstimator::MaximiseOverLowerBound(
            sample, [&](double dL) { return FitRayleigh(x, dL).dLogLikelihood; });
        if (!L) {
            return Refusal(DIST_RAYLEIGH, kNoMaximum);
        }
    }
    return Found(DIST_RAYLEIGH, 1, {FitRayleigh(x, *L).dTheta, *L}, bounds.lower ? 1 : 2,
                 bounds.lower ? "" : kProfileNote);
}

// ---- Gumbel: F = exp(-exp(-ALPHA (x - BETA))).

SFamilyEstimate EstimateGumbel(const CFitSample& sample) {
    const std::vector<double>& x = sample.GetSorted();
    const double n = sample.GetCountAsDouble();
    const double x1 = sample.GetMin();
    // Weights exp(-(x - x(1)) / scale) lie in (0, 1]: no overflow, and x(1) keeps weight 1.
    const auto weightedMean = [&](double dScale, double* pdMeanWeight) {
        double s0 = 0.0;
        double s1 = 0.0;
        for (const double xi : x) {
            const double w = std::exp(-(xi - x1) / dScale);
            s0 += w;
            s1 += w * xi;
        }
        if (pdMeanWeight != nullptr) {
            *pdMeanWeight = s0 / n;
        }
        return s1 / s0;
    };
    // The likelihood equation scale = mean - weighted mean; its left side minus the right side
    // runs from x(1) - mean < 0 to +infinity.
    const double mean = sample.GetMean();
    const auto equation = [&](double dLnScale) {
        const double dScale = std::exp(dLnScale);
        return dScale - mean + weightedMean(dScale, nullptr);
    };
    const double dScale0 = sample.GetRange();
    const double dLnScale = CScalarSearch::FindRoot(
        equation, std::log(dScale0 * 1e-6), std::log(dScale0 * 10.0), kRelativeRootTolerance);
    if (std::isnan(dLnScale)) {
        return Refusal(DIST_GUMBEL, "the likelihood equation has no root");
    }
    const double dScale = std::exp(dLnScale);
    double dMeanWeight = 0.0;
    weightedMean(dScale, &dMeanWeight);
    const double beta = x1 - dScale * std::log(dMeanWeight);
    return Found(DIST_GUMBEL, 2, {1.0 / dScale, beta}, 2);
}

// ---- exponential and uniform: the order-statistics correction of the bounds.

SFamilyEstimate EstimateExponential(const CFitSample& sample, const SFixedBounds& bounds) {
    const double n = sample.GetCountAsDouble();
    const double mean = sample.GetMean();
    if (bounds.lower) {
        return Found(DIST_EXPONENTIAL, 1, {1.0 / (mean - *bounds.lower), *bounds.lower}, 1);
    }
    const double x1 = sample.GetMin();
    const double scale = n * (mean - x1) / (n - 1.0);
    return Found(DIST_EXPONENTIAL, 1, {1.0 / scale, x1 - scale / n}, 2,
                 "lower bound by the order-statistics correction");
}

SFamilyEstimate EstimateUniform(const CFitSample& sample, const SFixedBounds& bounds) {
    const double n = sample.GetCountAsDouble();
    const double x1 = sample.GetMin();
    const double xn = sample.GetMax();
    double L = x1 - (xn - x1) / (n - 1.0);
    double U = xn + (xn - x1) / (n - 1.0);
    if (bounds.lower && bounds.upper) {
        L = *bounds.lower;
        U = *bounds.upper;
    } else if (bounds.lower) {
        L = *bounds.lower;
        U = xn + (xn - L) / n;
    } else if (bounds.upper) {
        U = *bounds.upper;
        L = x1 - (U - x1) / n;
    }
    const int nFree = (bounds.lower ? 0 : 1) + (bounds.upper ? 0 : 1);
    return Found(DIST_UNIFORM, 0, {L, U}, nFree,
                 nFree > 0 ? "bounds by the order-statistics correction" : "");
}

// ---- beta and triangular: simplex searches over the free bounds.

// The free bounds as logarithms of their distances beyond the extremes, in units of the range.
struct SBoundCoordinates {
    const CFitSample& sample;
    const SFixedBounds& bounds;

    std::vector<double> Start(double dLogGap) const {
        std::vector<double> start;
        if (!bounds.lower) {
            start.push_back(dLogGap);
        }
        if (!bounds.upper) {
            start.push_back(dLogGap);
        }
        return start;
    }
    void Decode(const std::vector<double>& v, double& L, double& U) const {
        std::size_t i = 0;
        const auto gap = [&](double t) {
            return sample.GetRange() * std::exp(std::max(t, kLogGapMin));
        };
        L = bounds.lower ? *bounds.lower : sample.GetMin() - gap(v[i++]);
        U = bounds.upper ? *bounds.upper : sample.GetMax() + gap(v[i]);
    }
};

// Runs the simplex over the free bounds (none: just evaluates) and returns the best bounds;
// false when a bound went as far out as the search lets it (the likelihood still grew there).
template <class TObjective>
bool MaximiseOverBounds(const SBoundCoordinates& coords, double dLogGap, TObjective logLik,
                        double& L, double& U) {
    std::vector<double> start = coords.Start(dLogGap);
    if (!start.empty()) {
        const CNelderMead::SResult best = CNelderMead::Minimise(
            [&](const std::vector<double>& v) {
                double l = 0.0;
                double u = 0.0;
                coords.Decode(v, l, u);
                return -logLik(l, u);
            },
            std::move(start), 1.0, kSimplexTolerance, kSimplexEvaluations);
        start = best.x;
    }
    coords.Decode(start, L, U);
    return std::none_of(start.begin(), start.end(), [](double t) { return t >= kLogGapMax; });
}

struct SBetaFit {
    double dR;
    double dS;
    double dLogLikelihood;
};

// R and S for given bounds. The likelihood depends on the data through the means G1 and G2 of
// ln z and ln(1 - z), z = (x - L) / (U - L), and is concave in (R, S). With bounds to estimate,
// R and S stay at 1 or above: below 1 the density is infinite at its bound, and the likelihood
// grows without limit as the bound reaches the extreme value.
SBetaFit FitBeta(const std::vector<double>& x, double L, double U, bool bFreeBounds) {
    const double n = static_cast<double>(x.size());
    const double d = U - L;
    double G1 = 0.0;
    double G2 = 0.0;
    double m1 = 0.0;
    double m2 = 0.0;
    for (const double xi : x) {
        const double z = (xi - L) / d;
        G1 += std::log(z);
        G2 += std::log1p(-z);
        m1 += z;
        m2 += z * z;
    }
    G1 /= n;
    G2 /= n;
    m1 /= n;
    const double v = m2 / n - m1 * m1;
    // The exponents as R = floor + exp(w); the moment estimates start the search.
    const double dFloor = bFreeBounds ? 1.0 : 0.0;
    const double T = v > 0.0 ? m1 * (1.0 - m1) / v - 1.0 : 2.0;
    const double R0 = std::max(T > 0.0 ? m1 * T : 1.0, dFloor + 0.1);
    const double S0 = std::max(T > 0.0 ? (1.0 - m1) * T : 1.0, dFloor + 0.1);
    const auto negLogLik = [&](const std::vector<double>& w) {
        const double R = dFloor + std::exp(w[0]);
        const double S = dFloor + std::exp(w[1]);
        return -((R - 1.0) * G1 + (S - 1.0) * G2 - std::lgamma(R) - std::lgamma(S) +
                 std::lgamma(R + S));
    };
    const CNelderMead::SResult best =
        CNelderMead::Minimise(negLogLik, {std::log(R0 - dFloor), std::log(S0 - dFloor)}, 0.1,
                              kSimplexTolerance, kSimplexEvaluations);
    const double R = dFloor + std::exp(best.x[0]);
    const double S = dFloor + std::exp(best.x[1]);
    return {R, S, -n * best.dValue - n * std::log(d)};
}

SFamilyEstimate EstimateBeta(const CFitSample& sample, const SFixedBounds& bounds) {
    const std::vector<double>& x = sample.GetSorted();
    const double dLogGap = std::log(1.0 / sample.GetCountAsDouble());
    const bool bFreeBounds = !bounds.lower || !bounds.upper;
    double L = 0.0;
    double U = 0.0;
    const bool bFinite = MaximiseOverBounds(
        {sample, bounds}, dLogGap,
        [&](double l, double u) { return FitBeta(x, l, u, bFreeBounds).dLogLikelihood; }, L, U);
    if (!bFinite) {
        // Towards the normal limit of the family: the data show no bounds.
        return Refusal(DIST_BETA, "the likelihood has no maximum for finite bounds");
    }
    const SBetaFit fit = FitBeta(x, L, U, bFreeBounds);
    const int nFree = 2 + (bounds.lower ? 0 : 1) + (bounds.upper ? 0 : 1);
    return Found(DIST_BETA, 3, {fit.dR, fit.dS, L, U}, nFree,
                 bFreeBounds ? "bounds at the maximum of the profile likelihood" : "");
}

struct STriangularFit {
    double dMode;
    double dLogLikelihood;
};

// The mode for given bounds: at the order statistic where the likelihood is largest, found in
// one pass with running sums of ln(x - L) from below and ln(U - x) from above.
STriangularFit FitTriangular(const std::vector<double>& x, double L, double U) {
    const std::size_t n = x.size();
    std::vector<double> above(n + 1, 0.0); // above[r] = sum over i >= r of ln(U - x(i))
    for (std::size_t i = n; i-- > 0;) {
        above[i] = above[i + 1] + std::log(U - x[i]);
    }
    const double nd = static_cast<double>(n);
    const double dBase = nd * std::log(2.0) - nd * std::log(U - L);
    double dBelow = 0.0;
    STriangularFit best = {kNaN, -std::numeric_limits<double>::infinity()};
    for (std::size_t r = 1; r <= n; ++r) {
        const double C = x[r - 1];
        dBelow += std::log(C - L);
        const double rd = static_cast<double>(r);
        const double l =
            dBase + dBelow - rd * std::log(C - L) + above[r] - (nd - rd) * std::log(U - C);
        if (l > best.dLogLikelihood) {
            best = {C, l};
        }
    }
    return best;
}

SFamilyEstimate EstimateTriangular(const CFitSample& sample, const SFixedBounds& bounds) {
    const std::vector<double>& x = sample.GetSorted();
    // The density falls linearly to 0 at a bound, so the extremes lie about range / sqrt(n)
    // inside the bounds.
    const double dLogGap = -0.5 * std::log(sample.GetCountAsDouble());
    double L = 0.0;
    double U = 0.0;
    MaximiseOverBounds(
        {sample, bounds}, dLogGap,
        [&](double l, double u) { return FitTriangular(x, l, u).dLogLikelihood; }, L, U);
    const STriangularFit fit = FitTriangular(x, L, U);
    const int nFree = 1 + (bounds.lower ? 0 : 1) + (bounds.upper ? 0 : 1);
    return Found(DIST_TRIANGULAR, 0, {L, fit.dMode, U}, nFree,
                 nFree > 1 ? "bounds at the maximum of the profile likelihood" : "");
}

} // namespace

std::optional<double>
CLikelihoodEstimator::MaximiseOverLowerBound(const CFitSample& sample,
                                             const std::function<double(double)>& profile) {
    const double x1 = sample.GetMin();
    const double range = sample.GetRange();
    const auto atLogGap = [&](double t) {
        const double l = profile(x1 - range * std::exp(t));
        return std::isnan(l) ? -std::numeric_limits<double>::infinity() : l;
    };
    const double dStep = (kLogGapMax - kLogGapMin) / (kGridPoints - 1);
    std::vector<double> values(kGridPoints);
    for (int j = 0; j < kGridPoints; ++j) {
        values[static_cast<std::size_t>(j)] = atLogGap(kLogGapMin + j * dStep);
    }
    int jBest = -1;
    for (std::size_t j = 1; j + 1 < values.size(); ++j) {
        const bool bLocalMaximum =
            values[j] >= values[j - 1] && values[j] >= values[j + 1] && std::isfinite(values[j]);
        if (bLocalMaximum && (jBest < 0 || values[j] > values[static_cast<std::size_t>(jBest)])) {
            jBest = static_cast<int>(j);
        }
    }
    if (jBest < 0) {
        return std::nullopt;
    }
    const double t = CScalarSearch::Maximise(atLogGap, kLogGapMin + (jBest - 1) * dStep,
                                             kLogGapMin + (jBest + 1) * dStep, kLogGapTolerance);
    return x1 - range * std::exp(t);
}

SFamilyEstimate CLikelihoodEstimator::Estimate(int nType, const CFitSample& sample,
                                               const SFixedBounds& bounds) {
    switch (nType) {
    case DIST_NORMAL:
        return EstimateNormal(sample);
    case DIST_LOGNORMAL:
        return EstimateLogNormal(sample, bounds);
    case DIST_WEIBULL:
        return EstimateWeibull(sample, bounds);
    case DIST_RAYLEIGH:
        return EstimateRayleigh(sample, bounds);
    case DIST_GUMBEL:
        return EstimateGumbel(sample);
    case DIST_EXPONENTIAL:
        return EstimateExponential(sample, bounds);
    case DIST_UNIFORM:
        return EstimateUniform(sample, bounds);
    case DIST_BETA:
        return EstimateBeta(sample, bounds);
    case DIST_TRIANGULAR:
        return EstimateTriangular(sample, bounds);
    default:
        return Refusal(nType, "not a continuous family");
    }
}

} // namespace stochvar
