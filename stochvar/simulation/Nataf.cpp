#include <stochvar/simulation/Nataf.h>

#include <stochvar/model/Dist.h>
#include <stochvar/numerics/Constants.h>
#include <stochvar/numerics/Numerics.h>
#include <stochvar/numerics/StdNormal.h>
#include <stochvar/simulation/GaussHermite.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace stochvar {

namespace {

using constants::kTwoPi;

constexpr int kMaxNodes = std::max(kGaussHermOrder, kAccurateGaussHermOrder);

// The quadrature of one variable: nodes u_j, weights W_j and the variable's values
// x_j = F^-1(Phi(u_j)), j < nNodes.
struct SQuadrature {
    int nNodes = 0;
    double u[kMaxNodes];
    double W[kMaxNodes];
    double x[kMaxNodes];
};

void EvaluateAtNodes(CDist* pDist, SQuadrature& q) {
    if (IsAccurateNumericsActive()) {
        const SGaussHermiteRule& rule = AccurateGaussHermiteRule();
        q.nNodes = kAccurateGaussHermOrder;
        std::copy_n(rule.u, q.nNodes, q.u);
        std::copy_n(rule.W, q.nNodes, q.W);
    } else {
        q.nNodes = kGaussHermOrder;
        GaussHerm(kGaussHermOrder, q.u, q.W, 1.0 / std::sqrt(kTwoPi));
    }
    for (int j = 0; j < q.nNodes; ++j) {
        q.x[j] = pDist->GetInverse(StdNormal(STDNORMAL_CDF, q.u[j]));
    }
}

bool HasSpread(const SQuadrature& q) {
    const auto [low, high] = std::minmax_element(q.x, q.x + q.nNodes);
    return *low != *high;
}

// Moments in the MEAN and STDDEV slots that the series can be scaled with.
bool HasStoredMoments(const CDist* pDist) {
    const double mu = pDist->GetParamValue(PARAM_MEAN);
    const double sigma = pDist->GetParamValue(PARAM_STDDEV);
    return pDist->KeepsMomentsInSlots() && std::isfinite(mu) && std::isfinite(sigma) && sigma > 0.0;
}

// Mean and standard deviation of the quadrature values, normalised by the weights' sum.
void QuadratureMoments(const SQuadrature& q, double* pdMean, double* pdStdDev) {
    double sumW = 0.0;
    double sumWx = 0.0;
    for (int j = 0; j < q.nNodes; ++j) {
        sumW += q.W[j];
        sumWx += q.W[j] * q.x[j];
    }
    const double mu = sumWx / sumW;
    double sumWd2 = 0.0;
    for (int j = 0; j < q.nNodes; ++j) {
        const double d = q.x[j] - mu;
        sumWd2 += q.W[j] * d * d;
    }
    *pdMean = mu;
    *pdStdDev = std::sqrt(sumWd2 / sumW);
}

bool IsIndependentPair(const double* c, int nOrder) {
    for (int k = 1; k <= nOrder; ++k) {
        if (c[k] != 0.0) {
            return false;
        }
    }
    return true;
}

// r^k from the C library's pow for every k, in every build. The exponent is read through a
// volatile so that no optimiser sees it: one that unrolls the series would turn the small powers
// into products, and r * r differs from pow(r, 2) in the last bit for about one r in a thousand.
double IntegerPower(double r, int k) {
    const volatile double exponent = k;
    return std::pow(r, exponent);
}

} // namespace

int ActiveNatafOrder() { return IsAccurateNumericsActive() ? kAccurateNatafOrder : kNatafOrder; }

void HermiteCoefficients(CDist* pDist, int nCount, double* pCoeffs) {
    nCount = std::min(nCount, ActiveNatafOrder() + 1);
    std::fill(pCoeffs, pCoeffs + nCount, 0.0);

    SQuadrature q;
    EvaluateAtNodes(pDist, q);
    if (!HasSpread(q)) {
        return;
    }
    double mu = pDist->GetParamValue(PARAM_MEAN);
    double sigma = pDist->GetParamValue(PARAM_STDDEV);
    if (!HasStoredMoments(pDist)) {
        QuadratureMoments(q, &mu, &sigma);
        if (!(sigma > 0.0) || !std::isfinite(sigma)) {
            return;
        }
    }

    double He[kAccurateHermiteCount];
    for (int j = 0; j < q.nNodes; ++j) {
        const double z = (q.x[j] - mu) / sigma;
        HermitePolynomials(nCount, He, q.u[j]);
        for (int k = 0; k < nCount; ++k) {
            pCoeffs[k] += q.W[j] * z * He[k];
        }
    }
}

void NatafSeriesCoefficients(const double* a, const double* b, double* c, int nOrder) {
    c[0] = 0.0;
    double factorial = 1.0;
    for (int k = 1; k <= nOrder; ++k) {
        factorial *= static_cast<double>(k);
        c[k] = a[k] * b[k] / factorial;
    }
}

double NatafValue(const double* c, double r, int nOrder) {
    double g = 0.0;
    for (int k = 1; k <= nOrder; ++k) {
        g += c[k] * IntegerPower(r, k);
    }
    return g;
}

double NatafSlope(const double* c, double r, int nOrder) {
    double slope = 0.0;
    for (int k = 1; k <= nOrder; ++k) {
        slope += static_cast<double>(k) * c[k] * IntegerPower(r, k - 1);
    }
    return slope;
}

double LimitCorr(double dCorr) {
    if (dCorr >= kCorrLimit) {
        return kCorrLimit;
    }
    if (dCorr <= -kCorrLimit) {
        return -kCorrLimit;
    }
    return dCorr;
}

double NatafInvert(const double* c, double dCorrX, int* pnSteps, int* pnError, int nOrder) {
    *pnSteps = 0;
    *pnError = 0;
    if (IsIndependentPair(c, nOrder)) {
        *pnError = dCorrX != 0.0 ? 1 : 0;
        return 0.0;
    }
    double r = dCorrX;
    for (int step = 1;; ++step) {
        *pnSteps = step;
        const double delta = (dCorrX - NatafValue(c, r, nOrder)) / NatafSlope(c, r, nOrder);
        r = r + delta;
        if (step == kNatafMaxSteps) {
            *pnError = 1;
            std::printf("No convergence in nataf after 50 itterations\n");
            break;
        }
        if (std::fabs(delta) <= kNatafTolerance) {
            break;
        }
    }
    return LimitCorr(r);
}

void Nataf(int bXSpace, CDist* pDist1, CDist* pDist2, double* pdCorrU, double* pdCorrX,
           int* pnError) {
    *pnError = 0;
    const int nOrder = ActiveNatafOrder();
    double a[kAccurateHermiteCount];
    double b[kAccurateHermiteCount];
    double c[kAccurateNatafOrder + 1];
    HermiteCoefficients(pDist1, nOrder + 1, a);
    HermiteCoefficients(pDist2, nOrder + 1, b);
    NatafSeriesCoefficients(a, b, c, nOrder);
    if (bXSpace == 0) {
        *pdCorrX = LimitCorr(NatafValue(c, *pdCorrU, nOrder));
    } else {
        int nSteps = 0;
        *pdCorrU = NatafInvert(c, *pdCorrX, &nSteps, pnError, nOrder);
    }
}

void NatafRange(CDist* pDist1, CDist* pDist2, double* pdMin, double* pdMax) {
    int nError = 0;
    double dCorrU = -1.0;
    Nataf(0, pDist1, pDist2, &dCorrU, pdMin, &nError);
    dCorrU = 1.0;
    Nataf(0, pDist1, pDist2, &dCorrU, pdMax, &nError);
}

} // namespace stochvar
