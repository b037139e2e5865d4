#pragma once

#include <stochvar/numerics/AccurateStdNormal.h>
#include <stochvar/numerics/Constants.h>
#include <stochvar/numerics/MachineConstant.h>
#include <stochvar/numerics/Numerics.h>

#include <cmath>

namespace stochvar {

// Selectors of StdNormal.
inline constexpr int STDNORMAL_CDF = 1;
inline constexpr int STDNORMAL_INVERSE = 2;

// The values that stand for minus and plus infinity wherever the inverse saturates.
inline constexpr double STDNORMAL_MINUS_INFINITY = -1000.0;
inline constexpr double STDNORMAL_PLUS_INFINITY = 1000.0;

// Selector 1: the standard normal cumulative function Phi(x) (faithful numerics: Abramowitz and
// Stegun 26.2.17, absolute error below 7.5e-8), exactly 0 or 1 beyond the cut-off
// |x| >= 352.65...
// Selector 2: its inverse Phi^-1(p) (faithful numerics: Abramowitz and Stegun 26.2.23, absolute
// error below 4.5e-4), -1000.0 for p <= 0 or NaN and 1000.0 for p >= 1.
// Any other selector gives 0.0. Under accurate numerics (Numerics.h) both selectors give the
// functions of AccurateStdNormal.h, with the same saturation and NaN rules.
double StdNormal(int nSelector, double dArg);

// The two functions of StdNormal one by one, inline for the sampling loops; the same results,
// under the numerics in effect.
double StdNormalCdf(double x);
double StdNormalInverse(double P);

// The faithful functions themselves, whatever numerics are in effect.
double FaithfulStdNormalCdf(double x);
double FaithfulStdNormalInverse(double P);

namespace detail {

// Beyond this |x| the upper tail of Phi underflows: -0.5 ln(4 * smallest) - 0.1. It depends on a
// machine constant only, so it is computed once, by the same operations.
inline double StdNormalCutOff() {
    static const double T = -0.5 * std::log(4.0 * MachineConstant(MACHINE_SMALLEST_POSITIVE)) - 0.1;
    return T;
}

// Abramowitz and Stegun 26.2.17.
inline constexpr double kCdfP = 0.2316419;
inline constexpr double kCdfB1 = 0.31938153;
inline constexpr double kCdfB2 = -0.356563782;
inline constexpr double kCdfB3 = 1.781477937;
inline constexpr double kCdfB4 = -1.821255978;
inline constexpr double kCdfB5 = 1.330274429;

// Abramowitz and Stegun 26.2.23.
inline constexpr double kInvC0 = 2.515517;
inline constexpr double kInvC1 = 0.802853;
inline constexpr double kInvC2 = 0.010328;
inline constexpr double kInvD1 = 1.432788;
inline constexpr double kInvD2 = 0.189269;
inline constexpr double kInvD3 = 0.001308;

} // namespace detail

inline double FaithfulStdNormalCdf(double x) {
    using namespace detail;
    const double T = StdNormalCutOff();
    const double a = std::fabs(x);
    double Q = 0.0;
    if (!(a >= T)) { // a NaN argument takes this branch and gives NaN
        const double t = 1.0 / (1.0 + kCdfP * a);
        const double phi = std::exp(-0.5 * x * x) / std::sqrt(constants::kTwoPi);
        Q = phi * t * (kCdfB1 + t * (kCdfB2 + t * (kCdfB3 + t * (kCdfB4 + t * kCdfB5))));
    }
    return x <= 0.0 ? Q : 1.0 - Q;
}

inline double FaithfulStdNormalInverse(double P) {
    using namespace detail;
    if (!(P > 0.0)) {
        return STDNORMAL_MINUS_INFINITY;
    }
    if (P >= 1.0) {
        return STDNORMAL_PLUS_INFINITY;
    }
    const double q = P <= 0.5 ? P : 1.0 - P;
    const double t = std::sqrt(-2.0 * std::log(q));
    const double r =
        (kInvC0 + t * (kInvC1 + t * kInvC2)) / (1.0 + t * (kInvD1 + t * (kInvD2 + t * kInvD3)));
    return P <= 0.5 ? r - t : t - r;
}

namespace detail {

// The function of the numerics in effect on the calling thread.
[[gnu::cold]] double StdNormalCdfOfThread(double x);
[[gnu::cold]] double StdNormalInverseOfThread(double P);

} // namespace detail

// Until anything asks for accurate numerics one load decides, and the thread's choice is looked
// up out of line: the faithful path stays as short as it can.
inline double StdNormalCdf(double x) {
    if (detail::AccurateEverRequested()) [[unlikely]] {
        return detail::StdNormalCdfOfThread(x);
    }
    return FaithfulStdNormalCdf(x);
}

inline double StdNormalInverse(double P) {
    if (detail::AccurateEverRequested()) [[unlikely]] {
        return detail::StdNormalInverseOfThread(P);
    }
    return FaithfulStdNormalInverse(P);
}

} // namespace stochvar
