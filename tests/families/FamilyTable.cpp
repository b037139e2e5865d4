// The rows of the family table. Expected slots are the families' textbook moments (Johnson,
// Kotz and Balakrishnan, Continuous Univariate Distributions), written out here independently of
// the library's own forms; the messages are the texts the user sees. The rules the families share
// (FamilyRules.cpp: COV, axes, the location-scale conversion) are rows of the families using them.

#include "FamilySupport.h"

#include <stochvar/families/Beta.h>
#include <stochvar/families/Discrete.h>
#include <stochvar/families/Exponential.h>
#include <stochvar/families/Gumbel.h>
#include <stochvar/families/LogNormal.h>
#include <stochvar/families/Normal.h>
#include <stochvar/families/Rayleigh.h>
#include <stochvar/families/Triangular.h>
#include <stochvar/families/Uniform.h>
#include <stochvar/families/Weibull.h>

#include <map>
#include <numbers>

namespace stochvar::testing {
namespace {

constexpr int MODE = PARAM_MOST_LIKELY, MEAN = PARAM_MEAN, SD = PARAM_STDDEV, COV = PARAM_COV;
constexpr int LB = PARAM_LOWER_BOUND, UB = PARAM_UPPER_BOUND, EPS = PARAM_EPSILON;
constexpr int KSI = PARAM_KSI, LAMBDA = PARAM_LAMBDA, ALPHA = PARAM_ALPHA, BETA = PARAM_BETA;
constexpr int DELTA = PARAM_DELTA, THETA = PARAM_THETA, PR = PARAM_R, PS = PARAM_S, PT = PARAM_T;

constexpr double kPi = std::numbers::pi;
constexpr double kE = std::numbers::e;
constexpr double kEuler = 0.5772156649015329; // Euler-Mascheroni constant
constexpr double kPreset = 42.0;              // a COV the conversion must leave alone
constexpr const char* kCovWarning = "CoV could not be calculated.";

// Closed forms on both sides: only rounding separates the cumulative function from its inverse.
constexpr STolerance kClosedForm = {1e-12, 1e-10};
// Through the standard normal functions: Phi^-1 is good to 4.5e-4 in z, which moves
// Phi(Phi^-1(p)) by at most 4.5e-4 times the largest normal density 0.399; Phi itself is good
// to 7.5e-8 (Abramowitz and Stegun 26.2.17), twice that for a difference of two.
constexpr STolerance kThroughStdNormal = {2e-4, 2e-7};
// The beta inverse stops on a relative step of 1e-10 in the tail variable, which moves the
// cumulative function by less than 1e-9 for the exponents used here, relative to it in the tails.
constexpr STolerance kThroughIncompleteBeta = {1e-9, 1e-10, 1e-9};

template <class TFamily>
CDist* Create() {
    return new TFamily(nullptr, "X", nullptr);
}

SlotValues Join(SlotValues a, const SlotValues& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

double Phi(double z) { return 0.5 * std::erfc(-z / std::sqrt(2.0)); }
double NormalDensity(double z) { return std::exp(-0.5 * z * z) / std::sqrt(2.0 * kPi); }

// Lognormal: ln(X - L) is normal(ksi, epsilon), so (M - L)^2 + S^2 = (M - L)^2 exp(epsilon^2).
SlotValues EpsilonKsi(double M, double S, double L) {
    const double epsilon2 = std::log(1.0 + (S / (M - L)) * (S / (M - L)));
    return {{EPS, std::sqrt(epsilon2)}, {KSI, std::log(M - L) - 0.5 * epsilon2}};
}

// Largest-value Gumbel: S = pi / (alpha sqrt 6), M = beta + gamma / alpha, and
// F^-1(p) = beta - ln(-ln p) / alpha.
double GumbelAlpha(double S) { return kPi / (S * std::sqrt(6.0)); }
SlotValues Gumbel(double M, double S) {
    return {{MEAN, M}, {SD, S}, {ALPHA, GumbelAlpha(S)}, {BETA, M - kEuler / GumbelAlpha(S)}};
}

// Rayleigh of scale theta: M - L = theta sqrt(pi / 2), S = theta sqrt(2 - pi / 2).
const double kRayleighMean = std::sqrt(kPi / 2.0);
const double kRayleighSd = std::sqrt(2.0 - kPi / 2.0);

// Triangular (L, C, U): M = (L + C + U) / 3, S^2 = (L^2 + C^2 + U^2 - LC - LU - CU) / 18.
SlotValues Triangle(double L, double C, double U) { return {{LB, L}, {MODE, C}, {UB, U}}; }
SlotValues TriangleMoments(double L, double C, double U) {
    return {{MEAN, (L + C + U) / 3.0},
            {SD, std::sqrt((L * L + C * C + U * U - L * C - L * U - C * U) / 18.0)}};
}
SlotValues FromMean(double L, double M, double U) { return {{LB, L}, {MEAN, M}, {UB, U}}; }
SlotValues Apex(double L, double C, double U) {
    return Join({{MODE, C}}, TriangleMoments(L, C, U));
}

// Beta on [L, U] with d = U - L: for m = (M - L) / d and v = (S / d)^2 the exponents are
// T = m (1 - m) / v - 1, R = m T, S = (1 - m) T; back, M = L + d R / T and
// S = d sqrt(R S / (T^2 (T + 1))).
SlotValues BetaExponents(double M, double S, double L, double U) {
    const double m = (M - L) / (U - L);
    const double T = m * (1.0 - m) / ((S / (U - L)) * (S / (U - L))) - 1.0;
    return {{PT, T}, {PR, m * T}, {PS, (1.0 - m) * T}};
}
SlotValues BetaMoments(double R, double S, double L, double U) {
    const double T = R + S;
    return {{MEAN, L + (U - L) * R / T}, {SD, (U - L) * std::sqrt(R * S / (T * T * (T + 1.0)))}};
}

// Weibull of scale alpha and shape b in d = x - L: (b / alpha) (d / alpha)^(b-1) e^-(d/alpha)^b.
double WeibullDensity(double d, double alpha, double b) {
    return b / alpha * std::pow(d / alpha, b - 1.0) * std::exp(-std::pow(d / alpha, b));
}
// Its moments M - L = alpha Gamma(1 + 1/b), S = alpha sqrt(Gamma(1 + 2/b) - Gamma(1 + 1/b)^2)
// (glibc's tgamma) for alpha = 2.5 above L = -3, entered as mean and spread: the shape search
// gives back b and alpha. It stops once its COV is within 1e-6 of the target and takes one more
// Newton step, whose derivative is a difference over 0.0005: b comes back to about 1e-9.
// Below b = 2 the density is too steep at L for the quadrature of the density identities.
SVariableRow WeibullFromMoments(int nParamCombi, double b) {
    const double g1 = std::tgamma(1.0 + 1.0 / b);
    const double S = 2.5 * std::sqrt(std::tgamma(1.0 + 2.0 / b) - g1 * g1);
    const double V = S / (2.5 * g1); // S / (M - L)
    const SlotValues spread = {nParamCombi == 0 ? std::pair{SD, S} : std::pair{COV, V}};
    return {nParamCombi,
            Join({{MEAN, -3.0 + 2.5 * g1}, {LB, -3.0}}, spread),
            {{BETA, b}, {ALPHA, 2.5}, {SD, S}, {COV, V}},
            b < 2.0 ? kInverse : kQuadrature,
            "",
            {},
            {},
            "",
            1e-9};
}

// ln Phi(z) for z <= -20 by its asymptotic series, -z^2 / 2 - ln(-z sqrt(2 pi)) +
// ln(1 - 1/z^2 + 3/z^4 - ...); the first omitted term, 10395 / z^12, is below 3e-12 there, which
// is 1.2e-14 of the result.
double NormalLogLowerTail(double z) {
    double series = 1.0;
    double term = 1.0;
    for (int k = 1; k <= 5; ++k) {
        term *= -(2.0 * k - 1.0) / (z * z);
        series += term;
    }
    return -0.5 * z * z - std::log(-z * std::sqrt(2.0 * kPi)) + std::log(series);
}

// Far out in the tails, where the faithful numbers are 0, 1 or lose their digits; each lower
// tail from L = 0, so that the point itself carries them.
std::map<std::string, std::vector<STailRow>> TailRows() {
    const double x40 = std::exp(2.0 - 0.4 * 40.0); // lognormal: z = -40 up to rounding
    const double y = std::ldexp(1.0, -40);
    return {
        {"Normal",
         {{0, {{MEAN, 4.0}, {SD, 0.5}}, -16.0, NormalLogLowerTail(-40.0), 0.0},
          {0, {{MEAN, 4.0}, {SD, 0.5}}, 24.0, 0.0, NormalLogLowerTail(-40.0)}}},
        {"LogNormal",
         {{2,
           {{EPS, 0.4}, {KSI, 2.0}, {LB, 0.0}},
           x40,
           NormalLogLowerTail((std::log(x40) - 2.0) / 0.4),
           kNaN}}},
        // F = exp(-E) with E = exp(alpha (beta - x)); the upper tail is E itself to 1e-300.
        {"Gumbel",
         {{2, {{ALPHA, 0.5}, {BETA, 3.0}}, -1000.0, -std::exp(501.5), kNaN},
          {2, {{ALPHA, 0.5}, {BETA, 3.0}}, 1403.0, kNaN, -700.0}}},
        // 1 - exp(-t) = t (1 - t / 2 ...) for the tiny t of the lower tails.
        {"Exponential",
         {{1, {{LAMBDA, 0.5}, {LB, 0.0}}, 1e-20, std::log(0.5e-20), kNaN},
          {1, {{LAMBDA, 0.5}, {LB, -3.0}}, 1997.0, kNaN, -1000.0}}},
        {"Rayleigh",
         {{1, {{THETA, 2.0}, {LB, 0.0}}, 2e-10, std::log(0.5e-20), kNaN},
          {1, {{THETA, 2.0}, {LB, -1.0}}, 79.0, kNaN, -800.0}}},
        {"Weibull",
         {{2, {{DELTA, 0.25}, {BETA, 2.0}, {LB, 0.0}}, 1e-10, std::log(0.25e-20), kNaN},
          {2, {{DELTA, 0.25}, {BETA, 2.0}, {LB, -2.0}}, 58.0, kNaN, -900.0}}},
        {"Uniform",
         {{0, {{LB, 0.0}, {UB, 1.0}}, 1e-300, std::log(1e-300), kNaN},
          {0, {{LB, 0.0}, {UB, 1.0}}, 1.0 - y, kNaN, std::log(y)}}},
        // x^2 / 3 left of the apex, (3 - x)^2 / 6 right of it.
        {"Triangular",
         {{0, Triangle(0.0, 1.0, 3.0), 1e-100, 2.0 * std::log(1e-100) - std::log(3.0), kNaN},
          {0, Triangle(0.0, 1.0, 3.0), 3.0 - y, kNaN, 2.0 * std::log(y) - std::log(6.0)}}},
        // F(y) = y^2 (3 - 2 y) for R = S = 2, and the same of 1 - y for the upper tail.
        {"Beta",
         {{3,
           {{PR, 2.0}, {PS, 2.0}, {LB, 0.0}, {UB, 1.0}},
           1e-100,
           2.0 * std::log(1e-100) + std::log(3.0 - 2e-100),
           kNaN},
          {3,
           {{PR, 2.0}, {PS, 2.0}, {LB, 0.0}, {UB, 1.0}},
           1.0 - y,
           kNaN,
           2.0 * std::log(y) + std::log(3.0 - 2.0 * y)}}},
    };
}

// clang-format off
std::vector<SFamilyRows> MakeRows() {
    const char* const kNormalMean =
        "Mean value must be different from 0 when CoV is given as input.";
    const char* const kApex = "Most-likely value not between lower and upper bound.";
    const char* const kBetaMu = "Mu must be in between lower to upper bound";
    const char* const kShape = "Both Delta and Beta must be positive.";
    const char* const kNotFound = "Weibull parameters not found after 50 iterations.";
    const char* const kLowerBound = "Lower bound is larger than mean.";
    const char* const kLambda = "Lambda must be positive.";
    const double rayleighS = 7.2 / kRayleighMean * kRayleighSd;
    const double rayleighMeanPerSd = kRayleighMean / kRayleighSd; // (M - L) / S
    const double z5 = (std::log(5.0) - 2.0) / 0.4;
    const double epsilon = EpsilonKsi(3.2, 0.75, 0.1)[0].second; // of the lognormal defaults
    const double ksi = EpsilonKsi(3.2, 0.75, 0.1)[1].second;
    const double kClamp = 1.7763568394003e-15; // 2^-49 to 14 digits, as the library states it
    const auto gumbelAt = [](double p) { return 3.0 - std::log(-std::log(p)) / 0.5; };
    const char* const kAdmissible = "Mean value must be between 1.000000 and 2.000000";
    return {
        {"Normal", Create<CNormal>, {"/MEAN/STDDEV", "/MEAN/COV"}, kThroughStdNormal, {},
         {{false, 0, {{SD, 0.0}}, "Std must be larger than zero."},
          {false, 0, {{SD, kNaN}}, "Std must be larger than zero."},
          {false, 0, {{SD, 1e-300}}, ""},
          {false, 1, {{COV, 0.0}, {MEAN, 0.0}}, "CoV must be larger than zero."}, // first wins
          {false, 1, {{COV, 0.1}, {MEAN, 0.0}}, kNormalMean},
          {false, 1, {{COV, 0.1}, {MEAN, kNaN}}, kNormalMean},
          {false, 1, {{COV, 1e-300}, {MEAN, -3.0}}, ""}},
         // Outside 0 < p < 1 the standard normal inverse saturates at -1000 and +1000.
         {{-1, {}, {{MEAN, 4.0}, {SD, 0.5}, {COV, 0.125}}, kQuadrature, "",
           {{4.0, 2.0 * NormalDensity(0.0), 0.5}, {4.6, 2.0 * NormalDensity(1.2), Phi(1.2)}},
           {{0.0, -496.0}, {-0.3, -496.0}, {1.0, 504.0}, {1.7, 504.0}}},
          {0, {{MEAN, 0.0}, {SD, 1.0}}, {{COV, kInf}}}, // an infinite COV is not guarded
          {1, {{MEAN, -20.0}, {COV, 0.15}}, {{SD, 3.0}}},
          // Without a positive spread every function gives 0; any positive spread is one.
          {-1, {{SD, 0.0}}, {}, kNone, "", {{4.0, 0.0, 0.0}}, {{0.5, 0.0}}},
          {-1, {{SD, kNaN}}, {}, kNone, "", {{4.0, 0.0, 0.0}}, {{0.5, 0.0}}},
          {-1, {{SD, 1e-300}}, {}, kNone, "", {{4.0, 1e300 * NormalDensity(0.0), 0.5}},
           {{0.9, 4.0}}}},
         // The mean-centred axis [M - 5 S, M + 5 S] for any S > 0; otherwise the bounds stay.
         {{{}, 1.5, 6.5}, {{{MEAN, -2e-3}, {SD, 1e-4}}, -2.5e-3, -1.5e-3},
          {{{SD, 0.0}}, -7.0, 7.0}, {{{SD, kNaN}}, -7.0, 7.0}}},

        {"LogNormal", Create<CLogNormal>,
         {"/MEAN/STDDEV/LOWER_BOUND", "/MEAN/COV/LOWER_BOUND", "/EPSILON/KSI/LOWER_BOUND"},
         kThroughStdNormal, {LB},
         {{false, 0, {{SD, 0.0}, {MEAN, -5.0}}, "Std must be positive."}, // first wins
          {false, 0, {{SD, kNaN}}, "Std must be positive."},
          {false, 0, {{MEAN, 0.1}, {LB, 0.1}}, "Mean value must be larger than lower bound."},
          {false, 0, {{MEAN, Above(0.1)}, {LB, 0.1}, {SD, 1e-300}}, ""},
          {false, 1, {{MEAN, Below(kSmall)}, {LB, -1.0}},
           "Mean value must be different from zero when CoV is given as input."},
          {false, 1, {{MEAN, -kSmall}, {LB, -1.0}}, ""},
          {false, 1, {{MEAN, 2.0}, {LB, 2.0}}, "Mean value must be larger than lower bound."},
          {false, 2, {{EPS, 0.0}}, "Parameter epsilon must be positive."},
          {false, 2, {{EPS, kNaN}}, "Parameter epsilon must be positive."},
          {false, 2, {{EPS, 1e-300}, {KSI, kNaN}}, ""}},
         {{-1, {}, Join({{MEAN, 3.2}, {SD, 0.75}, {LB, 0.1}, {COV, 0.234375}},
                        EpsilonKsi(3.2, 0.75, 0.1)),
           kQuadrature, "", {{0.1, 0.0, 0.0}, {Below(0.1), 0.0, 0.0}},
           {{0.0, 0.1}, {-1.0, 0.1}, {1.0, 0.1 + std::exp(ksi + 1e3 * epsilon)}}},
          {0, {{MEAN, -1.0}, {SD, 1.5}, {LB, -3.0}},
           Join({{COV, -1.5}}, EpsilonKsi(-1.0, 1.5, -3.0))},
          {1, {{MEAN, 6.0}, {COV, 0.2}, {LB, 1.0}}, Join({{SD, 1.2}}, EpsilonKsi(6.0, 1.2, 1.0))},
          // From epsilon 0.4 and ksi 2: M - L = exp(2.08), S = (M - L) sqrt(exp(0.16) - 1).
          {2, {{EPS, 0.4}, {KSI, 2.0}, {LB, 1.0}},
           {{MEAN, 1.0 + std::exp(2.08)}, {SD, std::exp(2.08) * std::sqrt(std::exp(0.16) - 1.0)},
            {COV, std::exp(2.08) * std::sqrt(std::exp(0.16) - 1.0) / (1.0 + std::exp(2.08))}},
           kQuadrature, "", {{6.0, NormalDensity(z5) / 2.0, Phi(z5)}}},
          // A mean within rounding of zero leaves COV silently.
          {0, {{MEAN, 0.0}, {SD, 1.0}, {LB, -1.0}, {COV, kPreset}}, {{COV, kPreset}}}},
         // [L - S / 10, M + 5 S] for any S > 0; otherwise the bounds stay.
         {{{{SD, 1e-4}}, 0.1 - 1e-5, 3.2 + 5e-4}, {{{SD, 0.0}}, -7.0, 7.0}}},

        {"Gumbel", Create<CGumbel>, {"/MEAN/STDDEV", "/MEAN/COV", "/ALPHA/BETA"}, kClosedForm, {},
         {{false, 0, {{SD, -1.0}, {ALPHA, 0.0}}, ""},
          {true, 0, {{SD, 0.0}, {MEAN, 0.0}}, "Standard deviation must be positive."}, // no warning
          {true, 0, {{SD, 1e-300}}, ""},
          {true, 2, {{ALPHA, 0.0}}, "Alpha must be positive."},
          {true, 2, {{ALPHA, kNaN}}, "Alpha must be positive."},
          {true, 2, {{ALPHA, 1e-300}}, ""}},
         {{-1, {}, Join(Gumbel(3.7, 0.95), {{COV, 0.95 / 3.7}})},
          {0, {{MEAN, -4.0}, {SD, 1.0}}, Join(Gumbel(-4.0, 1.0), {{COV, -0.25}})},
          {1, {{MEAN, -5.0}, {COV, 0.2}}, Gumbel(-5.0, 1.0)}, // S = |M| COV
          // Mode -1 and alpha 2 (so S = GumbelAlpha(2)): F(mode) = 1/e, f(mode) = alpha / e.
          {2, {{ALPHA, 2.0}, {BETA, -1.0}}, Gumbel(-1.0 + kEuler / 2.0, GumbelAlpha(2.0)),
           kQuadrature, "", {{-1.0, 2.0 / kE, 1.0 / kE}, {-1e3, 0.0, 0.0}, {1e3, 0.0, 1.0}},
           {{1.0 / kE, -1.0}}},
          // COV needs |M| above the smallest relative spacing; a NaN mean is not.
          {0, {{MEAN, Above(kSmall)}, {SD, 1.0}}, {{COV, 1.0 / Above(kSmall)}}},
          {0, {{MEAN, kSmall}, {SD, 1.0}, {COV, kPreset}}, {{COV, kPreset}}, kQuadrature,
           kCovWarning},
          {0, {{MEAN, kNaN}, {SD, 1.0}, {COV, kPreset}}, {{COV, kPreset}}, kNone, kCovWarning},
          // Alpha and beta with a zero mean keep COV without a warning.
          {2, {{ALPHA, 1.0}, {BETA, -kEuler}, {COV, kPreset}}, {{MEAN, 0.0}, {COV, kPreset}}},
          // The inverse clamps p to [c, 1 - c], c the largest relative spacing, and stays finite.
          {2, {{ALPHA, 0.5}, {BETA, 3.0}}, Gumbel(3.0 + 2.0 * kEuler, GumbelAlpha(0.5)),
           kQuadrature, "", {},
           {{0.0, gumbelAt(kClamp)}, {2.0 * kClamp, gumbelAt(2.0 * kClamp)},
            {1.0 - 2.0 * kClamp, gumbelAt(1.0 - 2.0 * kClamp)}, {1.0, gumbelAt(1.0 - kClamp)}}}},
         {{{}, 3.7 - 4.75, 3.7 + 4.75}}},

        // Both conversions are the shared location-scale rule, which refuses a scale at or below
        // 1e-307 (the smallest positive value, as the library states it) with lambda's text.
        {"Exponential", Create<CExponential>,
         {"/MEAN/LOWER_BOUND", "/LAMBDA/LOWER_BOUND", "/MEAN/STDDEV", "/MEAN/COV"}, kClosedForm,
         {LB},
         {{false, 0, {{MEAN, -1.0}, {LB, 5.0}, {LAMBDA, -2.0}}, ""},
          {true, 0, {{MEAN, 1.0}, {LB, 1.0}}, kLowerBound},
          {true, 1, {{LAMBDA, 1e-307}}, kLambda},
          {true, 1, {{LAMBDA, Above(1e-307)}}, ""}},
         // Rate lambda: M - L = S = 1 / lambda; f(L + 1/lambda) = lambda / e.
         {{-1, {}, {{MEAN, 0.35}, {LB, 0.1}, {LAMBDA, 4.0}, {SD, 0.25}, {COV, 0.25 / 0.35}},
           kQuadrature, "", {{0.1, 0.0, 0.0}, {0.35, 4.0 / kE, 1.0 - 1.0 / kE}},
           {{0.0, 0.1}, {1.0 - 1.0 / kE, 0.35}, {1.0, kInf}, {-0.5, 0.0}, {1.5, kNaN}}},
          {0, {{MEAN, 5.0}, {LB, 3.0}}, {{SD, 2.0}, {LAMBDA, 0.5}, {COV, 0.4}}},
          {1, {{LAMBDA, 0.2}, {LB, -4.0}}, {{MEAN, 1.0}, {SD, 5.0}, {COV, 5.0}}},
          {2, {{MEAN, -5.0}, {SD, 2.0}}, {{LB, -7.0}, {LAMBDA, 0.5}, {COV, 0.4}}}, // S / |M|
          {3, {{MEAN, -4.0}, {COV, 0.5}}, {{SD, 2.0}, {LB, -6.0}, {LAMBDA, 0.5}}},
          {2, {{MEAN, 0.0}, {SD, 2.0}, {COV, kPreset}}, {{LB, -2.0}, {COV, kPreset}}, kQuadrature,
           kCovWarning},
          {1, {{LAMBDA, kNaN}}, {{MEAN, kNaN}}, kNone, kCovWarning}}, // a NaN scale is not refused
         {{{}, 0.1, 0.35 + 1.25}}},

        {"Rayleigh", Create<CRayleigh>,
         {"/MEAN/LOWER_BOUND", "/THETA/LOWER_BOUND", "/MEAN/STDDEV", "/MEAN/COV"}, kClosedForm,
         {LB},
         {{false, 0, {{MEAN, -1.0}, {LB, 5.0}, {THETA, -2.0}}, ""},
          {true, 0, {{MEAN, kNaN}}, kLowerBound},
          {true, 1, {{THETA, 1e-307}}, kLambda},
          {true, 1, {{THETA, Above(1e-307)}}, ""}},
         {{-1, {}, {{MEAN, 11.2}, {LB, 4.0}, {THETA, 7.2 / kRayleighMean}, {SD, rayleighS},
                    {COV, rayleighS / 11.2}}},
          // The mode lies at L + theta, where f = exp(-1/2) / theta and F = 1 - exp(-1/2).
          {1, {{THETA, 2.0}, {LB, -1.0}},
           {{MEAN, -1.0 + 2.0 * kRayleighMean}, {SD, 2.0 * kRayleighSd},
            {COV, 2.0 * kRayleighSd / (-1.0 + 2.0 * kRayleighMean)}},
           kQuadrature, "", {{1.0, std::exp(-0.5) / 2.0, 1.0 - std::exp(-0.5)}, {-1.0, 0.0, 0.0}},
           {{1.0 - std::exp(-0.5), 1.0}, {0.0, -1.0}, {1.0, kInf}, {-0.1, kNaN}}},
          {2, {{MEAN, 100.0}, {SD, 7.0}},
           {{THETA, 7.0 / kRayleighSd}, {LB, 100.0 - 7.0 * rayleighMeanPerSd}, {COV, 0.07}}},
          {2, {{MEAN, -3.0}, {SD, 1.0}}, {{COV, -1.0 / 3.0}}}, // COV keeps the sign of the mean
          {3, {{MEAN, -10.0}, {COV, 0.2}},
           {{SD, 2.0}, {THETA, 2.0 / kRayleighSd}, {LB, -10.0 - 2.0 * rayleighMeanPerSd}}},
          {0, {{MEAN, 20.0}, {LB, -1.0}}, {{THETA, 21.0 / kRayleighMean}}}},
         {{{}, 4.0, 11.2 + 5.0 * rayleighS}}},

        {"Uniform", Create<CUniform>, {"/LOWER_BOUND/UPPER_BOUND"}, kClosedForm, {LB, UB},
         {{false, 0, {{LB, 2.0}, {UB, 2.0}}, "Upper bound must be larger than lower bound."},
          {false, 0, {{LB, Below(2.0)}, {UB, 2.0}}, ""},
          {false, 0, {{LB, kNaN}, {UB, 2.0}}, ""}}, // a NaN bound is let through
         // M = (L + U) / 2, S = (U - L) / sqrt 12, f = 1 / (U - L) on [L, U].
         {{-1, {}, {{LB, 1.5}, {UB, 8.5}, {MEAN, 5.0}, {SD, 7.0 / std::sqrt(12.0)}},
           kQuadrature, "",
           {{1.5, 1.0 / 7.0, 0.0}, {Below(1.5), 0.0, 0.0}, {5.0, 1.0 / 7.0, 0.5},
            {8.5, 1.0 / 7.0, 1.0}, {Above(8.5), 0.0, 1.0}},
           {{-0.1, 1.5}, {0.25, 3.25}, {1.1, 8.5}}},
          {0, {{LB, -7.25}, {UB, -7.0}, {COV, kPreset}},                // COV is left alone
           {{MEAN, -7.125}, {SD, 0.25 / std::sqrt(12.0)}, {COV, kPreset}}},
          // Equal bounds: an infinite density at the point, a step in the cumulative function.
          {-1, {{LB, 2.0}, {UB, 2.0}}, {}, kNone, "", {{2.0, kInf, 0.0}, {Above(2.0), 0.0, 1.0}}}},
         // [L - d, U + d] with d a tenth of U - L; without a width [M - 1, M + 1].
         {{{}, 0.8, 9.2}, {{{LB, 3.0}, {UB, 3.0}, {MEAN, 5.0}}, 4.0, 6.0},
          {{{LB, 4.0}, {UB, 2.0}, {MEAN, -1.0}}, -2.0, 0.0}}},

        {"Triangular", Create<CTriangular>,
         {"/LOWER_BOUND/MOST-LIKELY/UPPER_BOUND", "/LOWER_BOUND/MEAN/UPPER_BOUND"}, kClosedForm,
         {LB, MODE, UB},
         {{false, 0, Triangle(1.0, 1.0, 1.0), "Upper bound <= lower bound."},
          {false, 0, Triangle(kNaN, 1.0, 2.0), "Upper bound <= lower bound."},
          {false, 0, Triangle(Below(1.0), 1.0, 1.0), ""},
          {false, 0, Triangle(0.0, 0.0, 2.0), ""},
          {false, 0, Triangle(0.0, 2.0, 2.0), ""},
          {false, 0, Triangle(0.0, Below(0.0), 2.0), kApex},
          {false, 0, Triangle(0.0, Above(2.0), 2.0), kApex},
          {false, 0, Triangle(0.0, kNaN, 2.0), kApex},
          {false, 1, FromMean(0, Below(0), 3), "Mean value must be between upper and lower bound"},
          {false, 1, FromMean(0, Above(3), 3), "Mean value must be between upper and lower bound"},
          {false, 1, FromMean(0.0, 3.0, 3.0), ""},
          {false, 1, FromMean(0.0, kNaN, 3.0), ""}, // a NaN mean passes
          {false, 1, FromMean(5.0, 5.0, 5.0), ""}}, // the bounds are not compared
         {{-1, {}, Join(Triangle(0.7, 3.5, 4.7), TriangleMoments(0.7, 3.5, 4.7))},
          {0, Triangle(-5e-5, -1e-5, 7.5e-5), TriangleMoments(-5e-5, -1e-5, 7.5e-5)}, // narrow
          // Height 2 / (U - L) at the apex, F(apex) = (C - L) / (U - L).
          {0, Triangle(-2.0, -2.0, 3.0), TriangleMoments(-2.0, -2.0, 3.0), kQuadrature, "",
           {{-2.0, 0.0, 0.0}, {Above(-2.0), 0.4, 0.0}, {0.5, 0.2, 0.75}, {3.0, 0.0, 1.0}}},
          {0, Triangle(10.0, 12.0, 12.0), TriangleMoments(10.0, 12.0, 12.0), kQuadrature, "",
           {{11.0, 0.5, 0.25}, {12.0, 1.0, 1.0}, {Above(12.0), 0.0, 1.0}}},
          // F(x) = x^2 / 3 left of the apex and 1 - (3 - x)^2 / 6 right of it.
          {0, Triangle(0.0, 1.0, 3.0), TriangleMoments(0.0, 1.0, 3.0), kQuadrature, "",
           {{1.0, 2.0 / 3.0, 1.0 / 3.0}, {2.0, 1.0 / 3.0, 5.0 / 6.0}, {Below(0.0), 0.0, 0.0}},
           {{0.12, 0.6}, {0.76, 3.0 - 1.2}, {1.0 / 3.0, 1.0}, {-0.5, 0.0}, {Above(1.0), 3.0}}},
          // The mean places the apex C = 3 M - L - U, stored even when refused; the admissible
          // means are those of the right-angled triangles, (2 L + U) / 3 to (L + 2 U) / 3.
          {1, FromMean(0.0, 2.0, 3.0), Apex(0.0, 3.0, 3.0)},
          {1, FromMean(0.0, 1.0, 3.0), Apex(0.0, 0.0, 3.0)},
          {1, FromMean(0.0, 2.5, 3.0), Apex(0.0, 4.5, 3.0), kNone, "", {}, {}, kAdmissible},
          {1, FromMean(0.0, 0.5, 3.0), Apex(0.0, -1.5, 3.0), kNone, "", {}, {}, kAdmissible},
          {1, FromMean(0.0, kNaN, 3.0), Apex(0.0, kNaN, 3.0), kNone, "", {}, {}, kAdmissible},
          {1, FromMean(-10.0, 20.0, 20.0), Apex(-10.0, 50.0, 20.0), kNone, "", {}, {},
           "Mean value must be between 0.000000 and 10.000000"},
          // Inadmissible parameters give zero everywhere, also past a triangle of no width.
          {-1, Triangle(0.0, -1.0, 2.0), {}, kNone, "", {{0.5, 0.0, 0.0}, {1.5, 0.0, 0.0}}},
          {-1, Triangle(0.0, 2.5, 2.0), {}, kNone, "", {{0.5, 0.0, 0.0}, {1.5, 0.0, 0.0}}},
          {-1, Triangle(1.0, 1.0, 1.0), {}, kNone, "", {{1.0, 0.0, 0.0}, {2.0, 0.0, 0.0}}}},
         // The support itself, also over an infinite span and with an upper bound of -0; a new
         // variable's axis reaches 20 % of the width beyond it until the rule runs.
         {{{}, 0.7, 4.7}, {{}, 0.7 - 0.8, 4.7 + 0.8, true},
          {{{LB, kNaN}, {UB, 2.0}, {MEAN, 0.5}}, -0.5, 1.5}, {{{LB, 0.0}, {UB, kInf}}, 0.0, kInf},
          {{{LB, -1e308}, {UB, 1e308}}, -1e308, 1e308}, {{{LB, -1.0}, {UB, -0.0}}, -1.0, -0.0}}},

        {"Beta", Create<CBeta>,
         {"/MEAN/STDDEV/LOWER_BOUND/UPPER_BOUND", "/MEAN/COV/LOWER_BOUND/UPPER_BOUND",
          "/R/T/LOWER_BOUND/UPPER_BOUND", "/R/S/LOWER_BOUND/UPPER_BOUND"},
         kThroughIncompleteBeta, {LB, UB},
         {{false, 0, {{MEAN, 9.0}, {SD, -1.0}, {PT, -2.0}}, ""}, // defaults: L = 0.3, U = 2
          {true, 0, {{SD, 0.0}, {MEAN, 5.0}}, "Standard deviation must be positive."}, // first wins
          {true, 0, {{MEAN, 0.3}}, kBetaMu},
          {true, 0, {{MEAN, 2.0}}, kBetaMu},
          {true, 0, {{MEAN, Above(0.3)}, {SD, 1e-300}}, ""},
          {true, 1, {{COV, 0.0}}, "CoV must be positive."},
          {true, 1, {{COV, 1e-300}, {MEAN, 2.0}}, kBetaMu},
          {true, 2, {{PR, 3.0}, {PT, Below(3.0)}}, "T must be larger than or equal R."},
          {true, 2, {{PR, 3.0}, {PT, 3.0}}, ""},
          {true, 3, {{PR, 2.0}, {PS, 0.0}}, "S must be positive."},
          {true, 3, {{PR, 2.0}, {PS, 1e-300}}, ""}},
         // Exponents of 2 or more keep the density smooth enough at the ends for the quadrature;
         // the default R = 0.76 puts an integrable singularity at L.
         {{-1, {}, Join({{MEAN, 0.7}, {SD, 0.35}, {COV, 0.5}}, BetaExponents(0.7, 0.35, 0.3, 2.0)),
           kInverse, "", {{0.3, kInf, 0.0}}},
          {2, {{PR, 4.5}, {PT, 7.5}, {LB, 0.0}, {UB, 1.0}},
           Join({{PS, 3.0}}, BetaMoments(4.5, 3.0, 0.0, 1.0))},
          {0, {{MEAN, 10.0}, {SD, 1.5}, {LB, 5.0}, {UB, 20.0}},
           Join({{COV, 0.15}}, BetaExponents(10.0, 1.5, 5.0, 20.0))},
          {1, {{MEAN, -3.0}, {COV, 0.2}, {LB, -5.0}, {UB, 0.0}},
           Join({{SD, 0.6}, {COV, 0.2}}, BetaExponents(-3.0, 0.6, -5.0, 0.0))},
          // f(y) = 6 y (1 - y) and F(y) = y^2 (3 - 2y) for R = S = 2.
          {3, {{PR, 2.0}, {PS, 2.0}, {LB, 0.0}, {UB, 1.0}}, BetaMoments(2.0, 2.0, 0.0, 1.0),
           kQuadrature, "",
           {{0.5, 1.5, 0.5}, {0.2, 6.0 * 0.2 * 0.8, 0.04 * 2.6}, {Below(0.0), 0.0, 0.0},
            {Above(1.0), 0.0, 1.0}},
           {{0.104, 0.2}, {0.0, 0.0}, {-0.5, 0.0}, {1.0, 1.0}, {1.5, 1.0}}},
          // R = 1: the density at L is S / (U - L).
          {3, {{PR, 1.0}, {PS, 3.0}, {LB, 1.0}, {UB, 3.0}}, BetaMoments(1.0, 3.0, 1.0, 3.0),
           kQuadrature, "", {{1.0, 1.5, 0.0}, {3.0, 0.0, 1.0}}},
          // Symmetric about 0: the exponents are found, COV is not.
          {0, {{MEAN, 0.0}, {SD, 0.5}, {LB, -1.0}, {UB, 1.0}, {COV, kPreset}},
           {{PR, 1.5}, {PS, 1.5}, {COV, kPreset}}, kInverse, kCovWarning}},
         // [L - d, U + d] with d = (U - L) / 20 for any S > 0; otherwise the bounds stay.
         {{{{SD, 1e-300}}, 0.3 - 0.085, 2.0 + 0.085}, {{{SD, 0.0}}, -7.0, 7.0}}},

        // No input types and a fixed axis; the categories are in DiscreteTest.cpp.
        {"Discrete", Create<CDiscrete>, {}, {}, {}, {}, {}, {{{}, 0.0, 1.0}}},

        {"Weibull", Create<CWeibull>,
         {"/MEAN/STDDEV/LOWER_BOUND", "/MEAN/COV/LOWER_BOUND", "/DELTA/BETA/LOWER_BOUND",
          "/ALPHA/BETA/LOWER_BOUND"}, kClosedForm, {LB},
         {{false, 0, {{MEAN, -1.0}, {LB, 5.0}, {BETA, -2.0}}, ""},
          {true, 0, {{MEAN, 1.1}, {LB, 1.1}}, kLowerBound},
          {true, 2, {{DELTA, 0.0}, {BETA, 2.0}}, kShape},
          {true, 2, {{DELTA, 0.5}, {BETA, 0.0}}, kShape},
          {true, 2, {{DELTA, 1e-300}, {BETA, 2.0}, {LB, 0.0}}, ""},
          {true, 3, {{ALPHA, 0.0}, {BETA, 2.0}}, kShape},
          {true, 3, {{ALPHA, 2.0}, {BETA, kNaN}}, kShape},
          {true, 3, {{ALPHA, 1e-300}, {BETA, 1.0}, {LB, 0.0}}, ""}},
         // M - L = alpha Gamma(1 + 1/b), S = alpha sqrt(Gamma(1 + 2/b) - Gamma(1 + 1/b)^2); the
         // shape search behind the moment inputs has the rows of WeibullFromMoments.
         {{-1, {}, {{MEAN, 5.7}, {SD, 1.35}, {LB, 1.1}, {COV, 1.35 / 4.6}}},
          // b = 1 is exponential: M - L = S = alpha.
          {3, {{ALPHA, 2.0}, {BETA, 1.0}, {LB, -1.0}},
           {{DELTA, 0.5}, {MEAN, 1.0}, {SD, 2.0}, {COV, 1.0}}},
          // b = 2: M - L = alpha sqrt(pi) / 2, S = alpha sqrt(1 - pi / 4); F(L + alpha) = 1 - 1/e.
          {2, {{DELTA, 0.25}, {BETA, 2.0}, {LB, -2.0}},
           {{ALPHA, 2.0}, {MEAN, -2.0 + std::sqrt(kPi)}, {SD, 2.0 * std::sqrt(1.0 - kPi / 4.0)}},
           kQuadrature, "",
           {{-2.0, 0.0, 0.0}, {0.0, WeibullDensity(2.0, 2.0, 2.0), 1.0 - 1.0 / kE},
            {1.0, WeibullDensity(3.0, 2.0, 2.0), 1.0 - std::exp(-2.25)}},
           {{1.0 - 1.0 / kE, 0.0}, {0.0, -2.0}, {1.0, kInf}, {-0.1, kNaN}}},
          // A COV no shape meets (it is positive for all) is refused after the search.
          {0, {{MEAN, 5.0}, {SD, -1.0}, {LB, 1.0}}, {{COV, -0.25}}, kNone, "", {}, {}, kNotFound},
          {1, {{MEAN, 5.0}, {COV, -0.25}, {LB, 1.0}}, {{SD, -1.0}}, kNone, "", {}, {}, kNotFound},
          // b = 1/2: M - L = 2 alpha, S = alpha sqrt 20; the density is unbounded at L.
          {3, {{ALPHA, 0.25}, {BETA, 0.5}, {LB, 10.0}},
           {{DELTA, 2.0}, {MEAN, 10.5}, {SD, 0.25 * std::sqrt(20.0)}}, kInverse, "",
           {{10.25, WeibullDensity(0.25, 0.25, 0.5), 1.0 - 1.0 / kE}}}},
         // The axis [L, M + 5 S] for any S > 0; otherwise the bounds stay.
         {{{}, 1.1, 5.7 + 5.0 * 1.35}, {{{MEAN, 3e-3}, {SD, 1e-4}, {LB, 1.25e-3}}, 1.25e-3, 3.5e-3},
          {{{SD, 0.0}}, -7.0, 7.0}, {{{SD, kNaN}}, -7.0, 7.0}}},
    };
}
// clang-format on

} // namespace

const std::vector<SFamilyRows>& FamilyTable() {
    static const std::vector<SFamilyRows> kTable = [] {
        std::vector<SFamilyRows> table = MakeRows();
        for (double b : {0.7, 1.5, 2.0, 3.8, 7.0, 15.0}) { // the Weibull shape search
            for (int nParamCombi : {0, 1}) {
                table.back().variables.push_back(WeibullFromMoments(nParamCombi, b));
            }
        }
        const std::map<std::string, std::vector<STailRow>> tails = TailRows();
        for (SFamilyRows& family : table) {
            if (const auto found = tails.find(family.name); found != tails.end()) {
                family.tails = found->second;
            }
        }
        return table;
    }();
    return kTable;
}

} // namespace stochvar::testing
