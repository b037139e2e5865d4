#include <stochvar/numerics/GammaFunctions.h>

#include <stochvar/numerics/Chebyshev.h>
#include <stochvar/numerics/ChebyshevTables.h>
#include <stochvar/numerics/Constants.h>
#include <stochvar/numerics/DiagnosticCapture.h>
#include <stochvar/numerics/Elementary.h>
#include <stochvar/numerics/MachineConstant.h>

#include <cmath>

namespace stochvar {

namespace {

using constants::kLnSqrt2Pi;
using constants::kLnSqrtPiOver2;
using constants::kPi;

// The limits below follow from the machine constants alone, and neither InitDS (asked for a
// positive accuracy) nor D9Gaml (which converges in four steps under these constants) reports
// anything while computing them, so each is computed once on first use.

struct SStirlingLimits {
    int nalgm;   // terms of ALGMCS for the relative spacing
    double xbig; // from here on the series is 1/(12 x) to working precision
    double xmax; // from here on the correction underflows
};

const SStirlingLimits& StirlingLimits() {
    static const SStirlingLimits limits = {
        InitDS(ALGMCS, ALGMCS_COUNT, MachineConstant(MACHINE_SMALLEST_RELATIVE_SPACING)),
        1.0 / std::sqrt(MachineConstant(MACHINE_SMALLEST_RELATIVE_SPACING)),
        std::exp(dMin(std::log(MachineConstant(MACHINE_LARGEST) / 12.0),
                      -std::log(12.0 * MachineConstant(MACHINE_SMALLEST_POSITIVE)))),
    };
    return limits;
}

struct SGammaLimits {
    int ngam;     // terms of GAMCS for a tenth of the relative spacing
    double xmin;  // Gamma underflows at or below
    double xmax;  // Gamma overflows above
    double dxrel; // half precision: relative distance to a negative integer
};

const SGammaLimits& GammaLimits() {
    static const SGammaLimits limits = [] {
        SGammaLimits l{};
        l.ngam =
            InitDS(GAMCS, GAMCS_COUNT, 0.1 * MachineConstant(MACHINE_SMALLEST_RELATIVE_SPACING));
        D9Gaml(l.xmin, l.xmax);
        l.dxrel = std::sqrt(MachineConstant(MACHINE_LARGEST_RELATIVE_SPACING));
        return l;
    }();
    return limits;
}

// Distance of x from the integer that x - 0.5 truncates to, relative to x: small when x is
// close to a negative integer.
double RelativeOffsetFromNegativeInteger(double x) { return (x - std::trunc(x - 0.5)) / x; }

} // namespace

double d9lgmc(double x) {
    const SStirlingLimits& limits = StirlingLimits();
    if (x < 10.0) {
        PrintDiagnostic("d9lgmc  x must be  >=  10\n");
    }
    if (x >= limits.xmax) {
        PrintDiagnostic("d9lgmc:  x so big d9lgmc underflows\n");
        return 0.0;
    }
    if (x >= limits.xbig) {
        return 1.0 / (12.0 * x);
    }
    const double t = 10.0 / x;
    return dcsevl(2.0 * (t * t) - 1.0, ALGMCS, limits.nalgm) / x;
}

namespace detail {

void D9GamlFrom(double dSmallest, double dLargest, double& xmin, double& xmax) {
    // xmin: Newton's method on the Stirling formula for ln Gamma(x) = ln(smallest), at most 11
    // steps.
    const double alnsml = std::log(dSmallest);
    double xlo = -alnsml;
    int nStep = 1;
    for (; nStep <= 11; ++nStep) {
        const double xold = xlo;
        const double xln = std::log(xlo);
        xlo = xlo - xlo * ((xlo + 0.5) * xln - xlo - 0.2258 + alnsml) / (xlo * xln + 0.5);
        if (std::fabs(xlo - xold) <= 0.005) {
            break;
        }
    }
    if (nStep >= 11) {
        PrintDiagnostic("D9Gaml: Unable to find xmin\n");
    }
    xlo = 0.01 - xlo;

    // xmax: the same for ln Gamma(x) = ln(largest), without a step limit.
    const double alnbig = std::log(dLargest);
    double xhi = alnbig;
    for (;;) {
        const double xold = xhi;
        const double xln = std::log(xhi);
        xhi = xhi - xhi * ((xhi - 0.5) * xln - xhi + 0.9189 - alnbig) / (xhi * xln - 0.5);
        if (std::fabs(xhi - xold) <= 0.005) {
            break;
        }
    }
    xhi = xhi - 0.01;

    // Gamma(x) for negative x is at least as small as 1/Gamma(1 - x).
    xmin = dMax(xlo, 1.0 - xhi);
    xmax = xhi;
}

} // namespace detail

void D9Gaml(double& xmin, double& xmax) {
    detail::D9GamlFrom(MachineConstant(MACHINE_SMALLEST_POSITIVE), MachineConstant(MACHINE_LARGEST),
                       xmin, xmax);
}

double dGamma(double x) {
    const SGammaLimits& limits = GammaLimits();
    double y = std::fabs(x);
    if (y <= 10.0) {
        // Gamma(1 + y) on [0, 1) from the series, then the recurrence up or down to x.
        int n = detail::TruncToInt(x);
        if (x < 0.0) {
            n = n - 1;
        }
        y = x - n;
        n = n - 1;
        double g = 0.9375 + dcsevl(2.0 * y - 1.0, GAMCS, limits.ngam);
        if (n == 0) {
            return g;
        }
        if (n > 0) {
            for (int i = 1; i <= n; ++i) {
                g = g * (y + i);
            }
            return g;
        }
        n = -n;
        if (x == 0.0) {
            PrintDiagnostic("dGamma: x is 0\n");
        }
        if (x < 0.0 && x + n - 2 == 0.0) {
            PrintDiagnostic("dGamma: x is a negative int\n");
        }
        if (x < -0.5 && std::fabs(RelativeOffsetFromNegativeInteger(x)) < limits.dxrel) {
            PrintDiagnostic("dGamma: Answer < half precision because x too near negative int\n");
        }
        for (int i = 0; i < n; ++i) {
            g = g / (x + i);
        }
        return g;
    }

    if (x > limits.xmax) {
        PrintDiagnostic("dGamma:  x so big gamma overflows\n");
    }
    if (x <= limits.xmin) {
        PrintDiagnostic("dGamma:  x so small gamma underflows\n");
        return 0.0;
    }
    const double g = std::exp((y - 0.5) * std::log(y) - y + kLnSqrt2Pi + d9lgmc(y));
    if (x > 0.0) {
        return g;
    }
    // Reflection: Gamma(x) = -pi / (y sin(pi y) Gamma(y)) with y = -x.
    if (std::fabs(RelativeOffsetFromNegativeInteger(x)) < limits.dxrel) {
        PrintDiagnostic("dGamma: Answer < half precision, x too near negative int\n");
    }
    const double s = std::sin(kPi * y);
    if (s == 0.0) {
        PrintDiagnostic("dGamma: x is a negative int\n");
    }
    return -kPi / (y * s * g);
}

double dLnGam(double x) {
    // The argument beyond which x ln x overflows, and the half-precision distance.
    static const double xmax =
        MachineConstant(MACHINE_LARGEST) / std::log(MachineConstant(MACHINE_LARGEST));
    static const double dxrel = std::sqrt(MachineConstant(MACHINE_LARGEST_RELATIVE_SPACING));

    const double y = std::fabs(x);
    if (y <= 10.0) {
        return std::log(std::fabs(dGamma(x)));
    }
    if (y > xmax) {
        PrintDiagnostic("dLnGam:  abs(x) so big dLnGam overflows\n");
    }
    if (x > 0.0) {
        return kLnSqrt2Pi + (x - 0.5) * std::log(x) - x + d9lgmc(y);
    }
    const double s = std::fabs(std::sin(kPi * y));
    if (s == 0.0) {
        PrintDiagnostic("dLnGam:  x is a negative int\n");
    }
    const double r = kLnSqrtPiOver2 + (x - 0.5) * std::log(y) - x - std::log(s) - d9lgmc(y);
    if (std::fabs((x - std::trunc(x - 0.5)) * r / x) < dxrel) {
        PrintDiagnostic("dLnGam:  answer lt half precision because x too near negative int\n");
    }
    return r;
}

} // namespace stochvar
