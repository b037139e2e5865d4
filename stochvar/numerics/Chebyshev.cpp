#include <stochvar/numerics/Chebyshev.h>

#include <stochvar/numerics/DiagnosticCapture.h>

#include <cmath>

namespace stochvar {

double dcsevl(double x, const double* cs, int n) {
    if (n < 1) {
        PrintDiagnostic("dcsevl:  number of terms le 0\n");
    }
    if (n > 1000) {
        PrintDiagnostic("dcsevl:  number of terms gt 1000\n");
    }
    if (x < -1.1 || x > 1.1) {
        PrintDiagnostic("dcsevl:  x outside (-1,+1)\n");
    }
    double b0 = 0.0;
    double b1 = 0.0;
    double b2 = 0.0;
    const double twox = 2.0 * x;
    for (int i = n - 1; i >= 0; --i) {
        b2 = b1;
        b1 = b0;
        b0 = twox * b1 - b2 + cs[i];
    }
    return 0.5 * (b0 - b2);
}

int InitDS(const double* os, int nos, double eta) {
    double err = 0.0;
    int i = nos - 1;
    while (i >= 0 && err < eta) {
        err = err + std::fabs(os[i]);
        i = i - 1;
    }
    if (i == nos - 1) {
        PrintDiagnostic("InitDS:  eta may be too small\n");
        return nos - 1;
    }
    // i + 1 is the last term that was added to the tail; one more counts from the first term.
    return i + 2;
}

} // namespace stochvar
