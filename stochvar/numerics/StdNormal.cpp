#include <stochvar/numerics/StdNormal.h>

#include <stochvar/numerics/Constants.h>
#include <stochvar/numerics/MachineConstant.h>

#include <cmath>

namespace stochvar {

namespace {

using constants::kTwoPi;

// Abramowitz and Stegun 26.2.17.
constexpr double p = 0.2316419;
constexpr double b1 = 0.31938153;
constexpr double b2 = -0.356563782;
constexpr double b3 = 1.781477937;
constexpr double b4 = -1.821255978;
constexpr double b5 = 1.330274429;

// Abramowitz and Stegun 26.2.23.
constexpr double c0 = 2.515517;
constexpr double c1 = 0.802853;
constexpr double c2 = 0.010328;
constexpr double d1 = 1.432788;
constexpr double d2 = 0.189269;
constexpr double d3 = 0.001308;

// Beyond T the upper tail underflows: T = -0.5 ln(4 * smallest) - 0.1, compared with |x|.
// It depends on a machine constant only, so it is computed once, by the same operations.
double CutOff() {
    static const double T =
        -0.5 * std::log(4.0 * MachineConstant(MACHINE_SMALLEST_POSITIVE)) - 0.1;
    return T;
}

double Cumulative(double x) {
    const double T = CutOff();
    const double a = std::fabs(x);
    double Q = 0.0;
    if (!(a >= T)) { // a NaN argument takes this branch and gives NaN
        const double t = 1.0 / (1.0 + p * a);
        const double phi = std::exp(-0.5 * x * x) / std::sqrt(kTwoPi);
        Q = phi * t * (b1 + t * (b2 + t * (b3 + t * (b4 + t * b5))));
    }
    return x <= 0.0 ? Q : 1.0 - Q;
}

double Inverse(double P) {
    if (!(P > 0.0)) {
        return STDNORMAL_MINUS_INFINITY;
    }
    if (P >= 1.0) {
        return STDNORMAL_PLUS_INFINITY;
    }
    const double q = P <= 0.5 ? P : 1.0 - P;
    const double t = std::sqrt(-2.0 * std::log(q));
    const double r = (c0 + t * (c1 + t * c2)) / (1.0 + t * (d1 + t * (d2 + t * d3)));
    return P <= 0.5 ? r - t : t - r;
}

} // namespace

double StdNormal(int nSelector, double dArg) {
    switch (nSelector) {
    case STDNORMAL_CDF:
        return Cumulative(dArg);
    case STDNORMAL_INVERSE:
        return Inverse(dArg);
    default:
        return 0.0;
    }
}

} // namespace stochvar
