// The cases of the family validation harness: one line per variable. Parameter sets are chosen
// to cover each input type, skewed and symmetric shapes, negative locations, and kinks of the
// density inside the support.

#include "FamilyHarness.h"

#include <stochvar/families/Beta.h>
#include <stochvar/families/Exponential.h>
#include <stochvar/families/Gumbel.h>
#include <stochvar/families/LogNormal.h>
#include <stochvar/families/Normal.h>
#include <stochvar/families/Rayleigh.h>
#include <stochvar/families/Triangular.h>
#include <stochvar/families/Uniform.h>
#include <stochvar/families/Weibull.h>

namespace stochvar::testing {

namespace {

// The beta family inverts the incomplete beta function iteratively, stopping on a relative step
// of 1e-10 in the tail variable; that moves the cumulative function by at most 2e-10 times
// (tail variable x density), below 1e-9 for the exponents used here.
constexpr STolerance kThroughIncompleteBeta = {1e-9, 1e-10};

} // namespace

const std::vector<SFamilyCase>& FamilyCases() {
    static const std::vector<SFamilyCase> kCases = {
        {"Normal_Default", Create<CNormal>, -1, {}, kThroughStdNormal, {}},
        {"Normal_NegativeMeanFromCov", Create<CNormal>, 1, {{PARAM_MEAN, -20.0}, {PARAM_COV, 0.15}}, kThroughStdNormal, {}},
        {"LogNormal_Default", Create<CLogNormal>, -1, {}, kThroughStdNormal, {PARAM_LOWER_BOUND}},
        {"LogNormal_SkewedNegativeShift", Create<CLogNormal>, 0, {{PARAM_MEAN, -1.0}, {PARAM_STDDEV, 1.5}, {PARAM_LOWER_BOUND, -3.0}}, kThroughStdNormal, {PARAM_LOWER_BOUND}},
        {"LogNormal_FromEpsilonKsi", Create<CLogNormal>, 2, {{PARAM_EPSILON, 0.4}, {PARAM_KSI, 2.0}, {PARAM_LOWER_BOUND, 0.0}}, kThroughStdNormal, {PARAM_LOWER_BOUND}},
        {"Uniform_Default", Create<CUniform>, -1, {}, kClosedForm, {PARAM_LOWER_BOUND, PARAM_UPPER_BOUND}},
        {"Uniform_NegativeNarrow", Create<CUniform>, 0, {{PARAM_LOWER_BOUND, -7.25}, {PARAM_UPPER_BOUND, -7.0}}, kClosedForm, {PARAM_LOWER_BOUND, PARAM_UPPER_BOUND}},
        {"Triangular_Default", Create<CTriangular>, -1, {}, kClosedForm, {PARAM_LOWER_BOUND, PARAM_MOST_LIKELY, PARAM_UPPER_BOUND}},
        {"Triangular_LeftAngled", Create<CTriangular>, 0, {{PARAM_LOWER_BOUND, -2.0}, {PARAM_MOST_LIKELY, -2.0}, {PARAM_UPPER_BOUND, 3.0}}, kClosedForm, {PARAM_LOWER_BOUND, PARAM_UPPER_BOUND}},
        {"Triangular_RightAngled", Create<CTriangular>, 0, {{PARAM_LOWER_BOUND, 10.0}, {PARAM_MOST_LIKELY, 12.0}, {PARAM_UPPER_BOUND, 12.0}}, kClosedForm, {PARAM_LOWER_BOUND, PARAM_UPPER_BOUND}},
        {"Triangular_FromMean", Create<CTriangular>, 1, {{PARAM_LOWER_BOUND, 0.0}, {PARAM_MEAN, 1.5}, {PARAM_UPPER_BOUND, 4.0}}, kClosedForm, {PARAM_LOWER_BOUND, PARAM_MOST_LIKELY, PARAM_UPPER_BOUND}},
        {"Exponential_Default", Create<CExponential>, -1, {}, kClosedForm, {PARAM_LOWER_BOUND}},
        {"Exponential_FromLambda", Create<CExponential>, 1, {{PARAM_LAMBDA, 0.2}, {PARAM_LOWER_BOUND, -4.0}}, kClosedForm, {PARAM_LOWER_BOUND}},
        {"Exponential_FromMeanCov", Create<CExponential>, 3, {{PARAM_MEAN, -4.0}, {PARAM_COV, 0.5}}, kClosedForm, {PARAM_LOWER_BOUND}},
        {"Gumbel_Default", Create<CGumbel>, -1, {}, kClosedForm, {}},
        {"Gumbel_FromAlphaBeta", Create<CGumbel>, 2, {{PARAM_ALPHA, 0.25}, {PARAM_BETA, -30.0}}, kClosedForm, {}},
        {"Gumbel_NegativeMeanFromCov", Create<CGumbel>, 1, {{PARAM_MEAN, -8.0}, {PARAM_COV, 0.3}}, kClosedForm, {}},
        {"Rayleigh_Default", Create<CRayleigh>, -1, {}, kClosedForm, {PARAM_LOWER_BOUND}},
        {"Rayleigh_FromTheta", Create<CRayleigh>, 1, {{PARAM_THETA, 0.05}, {PARAM_LOWER_BOUND, -1.0}}, kClosedForm, {PARAM_LOWER_BOUND}},
        {"Rayleigh_FromMeanStdDev", Create<CRayleigh>, 2, {{PARAM_MEAN, 100.0}, {PARAM_STDDEV, 7.0}}, kClosedForm, {PARAM_LOWER_BOUND}},
        // Weibull shapes at or above 1 (below 1 the density is unbounded at the lower bound).
        {"Weibull_Default", Create<CWeibull>, -1, {}, kClosedForm, {PARAM_LOWER_BOUND}},
        {"Weibull_ExponentialFromAlpha", Create<CWeibull>, 3, {{PARAM_ALPHA, 2.0}, {PARAM_BETA, 1.0}, {PARAM_LOWER_BOUND, -1.0}}, kClosedForm, {PARAM_LOWER_BOUND}},
        {"Weibull_FromDelta", Create<CWeibull>, 2, {{PARAM_DELTA, 0.5}, {PARAM_BETA, 2.0}, {PARAM_LOWER_BOUND, 0.0}}, kClosedForm, {PARAM_LOWER_BOUND}},
        {"Weibull_FromMeanCov", Create<CWeibull>, 1, {{PARAM_MEAN, 10.0}, {PARAM_COV, 0.3}, {PARAM_LOWER_BOUND, 2.0}}, kClosedForm, {PARAM_LOWER_BOUND}},
        // Beta exponents at or above 2 keep the density smooth enough at the bounds for the
        // harness's quadrature; the default (R below 1) is checked in BetaTest.cpp.
        {"Beta_Polynomial", Create<CBeta>, 3, {{PARAM_R, 2.0}, {PARAM_S, 3.0}, {PARAM_LOWER_BOUND, -1.0}, {PARAM_UPPER_BOUND, 4.0}}, kThroughIncompleteBeta, {PARAM_LOWER_BOUND, PARAM_UPPER_BOUND}},
        {"Beta_FromRT", Create<CBeta>, 2, {{PARAM_R, 4.5}, {PARAM_T, 7.0}, {PARAM_LOWER_BOUND, 0.0}, {PARAM_UPPER_BOUND, 1.0}}, kThroughIncompleteBeta, {PARAM_LOWER_BOUND, PARAM_UPPER_BOUND}},
        {"Beta_FromMeanStdDev", Create<CBeta>, 0, {{PARAM_MEAN, 10.0}, {PARAM_STDDEV, 1.5}, {PARAM_LOWER_BOUND, 5.0}, {PARAM_UPPER_BOUND, 20.0}}, kThroughIncompleteBeta, {PARAM_LOWER_BOUND, PARAM_UPPER_BOUND}},
        {"Beta_NegativeFromCov", Create<CBeta>, 1, {{PARAM_MEAN, -3.0}, {PARAM_COV, 0.2}, {PARAM_LOWER_BOUND, -5.0}, {PARAM_UPPER_BOUND, 0.0}}, kThroughIncompleteBeta, {PARAM_LOWER_BOUND, PARAM_UPPER_BOUND}},
    };
    return kCases;
}

} // namespace stochvar::testing
