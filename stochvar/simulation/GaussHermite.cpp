#include <stochvar/simulation/GaussHermite.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace stochvar {

namespace {

constexpr int kHalf = kGaussHermOrder / 2;

// Positive abscissas of the 20-point rule for the weight exp(-t^2), ascending, to 13
// significant digits, and their weights. The table is kept digit for digit as the library has
// always used it, since documented mapping results depend on it; its fifth abscissa lies 3e-4
// below the exact Gauss node, so the rule reproduces normal moments to about 1e-3 only.
constexpr double kAbscissas[kHalf] = {
    0.2453407083009, 0.7374737285454, 1.2340762153953, 1.7385377121161, 2.2546740020893,
    2.7888060584281, 3.3478545673832, 3.9447640401156, 4.6036824495507, 5.3874808900112,
};
constexpr double kWeights[kHalf] = {
    0.4622436696006,    0.2866755053628,    0.10901720602,      0.02481052088746,
    0.003243773342238,  0.0002283386360163, 7.802556478532e-06, 1.086069370769e-07,
    4.399340992273e-10, 2.229393645534e-13,
};

constexpr int kMaxComputedOrder = 100;

// Number of eigenvalues below x of the Jacobi matrix of order n: the negative pivots of the
// LDL^T factorisation of J - x I (Sturm). An exact zero pivot is nudged so the count stays
// defined; it moves x by far less than the precision sought.
int EigenvaluesBelow(int n, long double x) {
    int nCount = 0;
    long double pivot = 1.0L;
    for (int k = 0; k < n; ++k) {
        const long double offDiagonalSquared = static_cast<long double>(k);
        pivot = k == 0 ? -x : -x - offDiagonalSquared / pivot;
        if (pivot == 0.0L) {
            pivot = -LDBL_EPSILON;
        }
        nCount += pivot < 0.0L ? 1 : 0;
    }
    return nCount;
}

// Eigenvalue number j (from 0, ascending) by bisection to the last bit of a long double. All
// eigenvalues lie inside the Gershgorin bound 2 sqrt(n).
long double Eigenvalue(int n, int j) {
    long double low = -2.0L * std::sqrt(static_cast<long double>(n));
    long double high = -low;
    for (;;) {
        const long double mid = 0.5L * (low + high);
        if (mid == low || mid == high) {
            return mid;
        }
        (EigenvaluesBelow(n, mid) > j ? high : low) = mid;
    }
}

// 1 / sum_{k < n} p_k(u)^2, the orthonormal polynomials from their three-term recurrence
// p_{k+1} = (u p_k - sqrt(k) p_{k-1}) / sqrt(k + 1).
long double ChristoffelNumber(int n, long double u) {
    long double previous = 0.0L;
    long double current = 1.0L;
    long double sum = 1.0L;
    for (int k = 1; k < n; ++k) {
        const long double next =
            (u * current - std::sqrt(static_cast<long double>(k - 1)) * previous) /
            std::sqrt(static_cast<long double>(k));
        previous = current;
        current = next;
        sum += current * current;
    }
    return 1.0L / sum;
}

} // namespace

void ComputeGaussHermiteRule(int n, double* u, double* W) {
    n = std::clamp(n, 1, kMaxComputedOrder);
    // The upper half, mirrored: the rule is symmetric, and so its odd moments vanish exactly.
    for (int j = n / 2; j < n; ++j) {
        const long double node = n % 2 == 1 && j == n / 2 ? 0.0L : Eigenvalue(n, j);
        u[j] = static_cast<double>(node);
        W[j] = static_cast<double>(ChristoffelNumber(n, node));
        u[n - 1 - j] = -u[j];
        W[n - 1 - j] = W[j];
    }
}

const SGaussHermiteRule& AccurateGaussHermiteRule() {
    static const SGaussHermiteRule rule = [] {
        SGaussHermiteRule computed{};
        ComputeGaussHermiteRule(kAccurateGaussHermOrder, computed.u, computed.W);
        return computed;
    }();
    return rule;
}

void GaussHerm(int n, double* x, double* w, double dScale) {
    if (n != kGaussHermOrder) {
        std::printf("n in GaussHerm must be equal %d", kGaussHermOrder);
        std::exit(0);
    }
    const double root2 = std::sqrt(2.0);
    // Negative nodes first (outermost first), then the positive ones outward.
    for (int i = 0; i < kHalf; ++i) {
        const int lower = kHalf - 1 - i;
        const int upper = kHalf + i;
        x[lower] = root2 * -kAbscissas[i];
        x[upper] = root2 * kAbscissas[i];
        w[lower] = root2 * kWeights[i] * dScale;
        w[upper] = root2 * kWeights[i] * dScale;
    }
}

void HermitePolynomials(int nCount, double* He, double u) {
    if (nCount > 0) {
        He[0] = 1.0;
    }
    if (nCount > 1) {
        He[1] = u;
    }
    for (int k = 2; k < nCount; ++k) {
        He[k] = u * He[k - 1] - static_cast<double>(k - 1) * He[k - 2];
    }
}

} // namespace stochvar
