#include <stochvar/fitting/ScalarSearch.h>

#include <cmath>
#include <limits>
#include <utility>

namespace stochvar {

double CScalarSearch::FindRoot(const Function& f, double a, double b, double dTolerance) {
    double fa = f(a);
    double fb = f(b);
    if (fa == 0.0) {
        return a;
    }
    if (fb == 0.0) {
        return b;
    }
    if ((fa > 0.0) == (fb > 0.0) || std::isnan(fa) || std::isnan(fb)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    // b is the best estimate, a the previous one, c the far end of the bracket [b, c].
    double c = a;
    double fc = fa;
    double d = b - a;
    double e = d;
    for (int nStep = 0; nStep < kMaxSteps; ++nStep) {
        if ((fb > 0.0) == (fc > 0.0)) {
            c = a;
            fc = fa;
            d = b - a;
            e = d;
        }
        if (std::fabs(fc) < std::fabs(fb)) {
            a = b;
            b = c;
            c = a;
            fa = fb;
            fb = fc;
            fc = fa;
        }
        const double tol =
            2.0 * std::numeric_limits<double>::epsilon() * std::fabs(b) + 0.5 * dTolerance;
        const double m = 0.5 * (c - b);
        if (std::fabs(m) <= tol || fb == 0.0) {
            return b;
        }
        if (std::fabs(e) >= tol && std::fabs(fa) > std::fabs(fb)) {
            // Interpolation: secant with two points, inverse quadratic with three.
            const double s = fb / fa;
            double p;
            double q;
            if (a == c) {
                p = 2.0 * m * s;
                q = 1.0 - s;
            } else {
                const double r = fb / fc;
                const double t = fa / fc;
                p = s * (2.0 * m * t * (t - r) - (b - a) * (r - 1.0));
                q = (t - 1.0) * (r - 1.0) * (s - 1.0);
            }
            if (p > 0.0) {
                q = -q;
            } else {
                p = -p;
            }
            if (2.0 * p < std::fmin(3.0 * m * q - std::fabs(tol * q), std::fabs(e * q))) {
                e = d;
                d = p / q;
            } else {
                d = m;
                e = m;
            }
        } else {
            d = m;
            e = m;
        }
        a = b;
        fa = fb;
        b += std::fabs(d) > tol ? d : (m > 0.0 ? tol : -tol);
        fb = f(b);
    }
    return b;
}

double CScalarSearch::Maximise(const Function& f, double a, double b, double dTolerance) {
    // 1 / golden ratio: each step keeps this fraction of the interval.
    const double kInverseGolden = (std::sqrt(5.0) - 1.0) / 2.0;
    double x1 = b - kInverseGolden * (b - a);
    double x2 = a + kInverseGolden * (b - a);
    double f1 = f(x1);
    double f2 = f(x2);
    for (int nStep = 0; nStep < kMaxSteps && b - a > dTolerance; ++nStep) {
        if (f1 < f2) {
            a = x1;
            x1 = x2;
            f1 = f2;
            x2 = a + kInverseGolden * (b - a);
            f2 = f(x2);
        } else {
            b = x2;
            x2 = x1;
            f2 = f1;
            x1 = b - kInverseGolden * (b - a);
            f1 = f(x1);
        }
    }
    return f1 < f2 ? x2 : x1;
}

} // namespace stochvar
