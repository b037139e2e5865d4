#include <stochvar/numerics/Elementary.h>

#include <stochvar/numerics/Chebyshev.h>
#include <stochvar/numerics/ChebyshevTables.h>
#include <stochvar/numerics/DiagnosticCapture.h>
#include <stochvar/numerics/ErrorState.h>
#include <stochvar/numerics/MachineConstant.h>

#include <climits>
#include <cmath>

namespace stochvar {

namespace {

// Terms of ALNRCS kept for a tenth of the relative spacing. The count depends on constants only
// and InitDS reports nothing for a positive accuracy, so it is counted once.
int LnRelTerms() {
    static const int nlnrel =
        InitDS(ALNRCS, ALNRCS_COUNT, 0.1 * MachineConstant(MACHINE_SMALLEST_RELATIVE_SPACING));
    return nlnrel;
}

// Length of the Taylor series of (e^x - 1)/x that reaches the relative spacing for |x| <= 0.5.
int ExpRelTerms() {
    static const int nterms = [] {
        const double alneps = std::log(MachineConstant(MACHINE_SMALLEST_RELATIVE_SPACING));
        const double xn = 3.72 - 0.3 * alneps;
        const double xln = std::log((xn + 1.0) * 0.7352941176470588);
        return detail::TruncToInt(xn - (xn * xln + alneps) / (xln + 1.36) + 1.5);
    }();
    return nterms;
}

} // namespace

namespace detail {

int TruncToInt(double x) {
    if (std::isnan(x)) {
        return 0;
    }
    if (x >= static_cast<double>(INT_MAX)) {
        return INT_MAX;
    }
    if (x <= static_cast<double>(INT_MIN)) {
        return INT_MIN;
    }
    return static_cast<int>(x);
}

} // namespace detail

double dLnRel(double x) {
    if (x <= -1.0) {
        PrintDiagnostic("dLnRel:  x is <= -1\n");
    }
    if (std::fabs(x) <= 0.375) {
        return x * (1.0 - x * dcsevl(x * 2.6666666666666665, ALNRCS, LnRelTerms()));
    }
    return std::log(1.0 + x);
}

double dExpRl(double x) {
    const double xbnd = MachineConstant(MACHINE_SMALLEST_RELATIVE_SPACING);
    if (std::fabs(x) > 0.5) {
        int nOldMode = 0;
        ENTSRC(nOldMode, 1);
        const double r = (std::exp(x) - 1.0) / x;
        int nScratch = 0;
        ENTSRC(nScratch, nOldMode);
        return r;
    }
    if (std::fabs(x) <= xbnd) {
        return 1.0;
    }
    const int nterms = ExpRelTerms();
    double r = 0.0;
    for (int i = 1; i <= nterms; ++i) {
        r = 1.0 + r * x / static_cast<double>(nterms + 2 - i);
    }
    return r;
}

} // namespace stochvar
