#include <stochvar/numerics/BetaFunctions.h>

#include <stochvar/numerics/Constants.h>
#include <stochvar/numerics/DiagnosticCapture.h>
#include <stochvar/numerics/Elementary.h>
#include <stochvar/numerics/ErrorState.h>
#include <stochvar/numerics/GammaFunctions.h>
#include <stochvar/numerics/MachineConstant.h>

#include <bit>
#include <cmath>
#include <cstdint>

namespace stochvar {

namespace {

using constants::kLnSqrt2Pi;
using SOrder = SBetaShapeConstants::SOrder;

// BetaInv: relative misfit of I_x(a, b) that accepts the starting value, relative step that ends
// the iteration, and the step limit.
constexpr double kStartTolerance = 1e-14;
constexpr double kStepTolerance = 1e-10;
constexpr int kMaxSteps = 60;

// Overflow argument of Gamma; depends on the machine constants only (D9Gaml reports nothing for
// them), so it is computed once.
double GammaOverflowLimit() {
    static const double xmax = [] {
        double xmin = 0.0;
        double xmaxGamma = 0.0;
        D9Gaml(xmin, xmaxGamma);
        return xmaxGamma;
    }();
    return xmax;
}

// Logarithms of machine constants, computed once by the same operations.
double LnSmallest() {
    static const double alnsml = std::log(MachineConstant(MACHINE_SMALLEST_POSITIVE));
    return alnsml;
}

double LnRelativeSpacing() {
    static const double alneps = std::log(MachineConstant(MACHINE_SMALLEST_RELATIVE_SPACING));
    return alneps;
}

// frac(q), or 1 when q is whole: the second shape of the infinite series.
double FractionalShape(double q) {
    const double ps = q - std::trunc(q);
    return ps == 0.0 ? 1.0 : ps;
}

// In the helpers below, o holds the constants of the shapes (p, q) or is null; each constant is
// computed where it is needed when it is not given.

// BetaI when the first term of the power series alone is below the relative spacing:
// I_y(p, q) = y^p / (p B(p, q)), or 0 when that underflows. Not clamped.
double BetaISeriesFirstTerm(double y, double p, double q, const SOrder* o) {
    const double sml = MachineConstant(MACHINE_SMALLEST_POSITIVE);
    const double alnsml = LnSmallest();
    double result = 0.0;
    const double xb = p * std::log(dMax(y, sml)) - (o != nullptr ? o->lnP : std::log(p)) -
                      (o != nullptr ? o->lnBeta : dLBeta(p, q));
    if (xb > alnsml && y != 0.0) {
        result = std::exp(xb);
    }
    return result;
}

// The infinite series of I_y(p, ps) with ps = frac(q) (1 when q is whole); ps = 1 needs only its
// first term.
double BetaIInfiniteSum(double y, double p, double q, const SOrder* o) {
    const double alneps = LnRelativeSpacing();
    const double alnsml = LnSmallest();
    const double ps = FractionalShape(q);
    const double xb = p * std::log(y) - (o != nullptr ? o->lnBetaFracQ : dLBeta(ps, p)) -
                      (o != nullptr ? o->lnP : std::log(p));
    double result = 0.0;
    if (xb >= alnsml) {
        result = std::exp(xb);
        double term = result * p;
        if (ps != 1.0) {
            const int n = detail::TruncToInt(dMax(alneps / std::log(y), 4.0));
            // The count saturates at INT_MAX for y next to 1; a wider counter keeps the loop
            // from overflowing at its last step.
            for (long long i = 1; i <= n; ++i) {
                term = term * (static_cast<double>(i) - ps) * y / static_cast<double>(i);
                result = result + term / (p + i);
            }
        }
    }
    return result;
}

// The finite sum that raises the second parameter from ps to q (q > 1). Its terms are carried
// with a count ib of factors sml taken out, so that large terms neither overflow nor, while
// ib > 0, contribute.
double BetaIFiniteSum(double y, double p, double q, const SOrder* o) {
    const double eps = MachineConstant(MACHINE_SMALLEST_RELATIVE_SPACING);
    const double sml = MachineConstant(MACHINE_SMALLEST_POSITIVE);
    const double alnsml = LnSmallest();
    const double xb = p * std::log(y) + q * std::log(1.0 - y) -
                      (o != nullptr ? o->lnBeta : dLBeta(p, q)) -
                      (o != nullptr ? o->lnQ : std::log(q));
    int ib = detail::TruncToInt(dMax(xb / alnsml, 0.0));
    double term = std::exp(xb - ib * alnsml);
    const double c = 1.0 / (1.0 - y);
    const double p1 = q * c / (p + q - 1.0);
    double finsum = 0.0;
    int n = detail::TruncToInt(q);
    if (q == n) {
        n = n - 1;
    }
    // n saturates at INT_MAX for a huge q; a wider counter keeps the loop from overflowing.
    for (long long i = 1; i <= n; ++i) {
        const double di = static_cast<double>(i);
        if (p1 <= 1.0 && term / eps <= finsum) {
            break;
        }
        term = (q - di + 1) * c * term / (p + q - di);
        if (term > 1.0) {
            ib = ib - 1;
            term = term * sml;
        }
        if (ib == 0) {
            finsum = finsum + term;
        }
    }
    return finsum;
}

// BetaInv in the lower tail (p <= 0.5) with B = B(alpha, beta) > 0. Every iterate is written to
// xResult as it is made; returns true with the root in answer, false when an iterate leaves
// (0, 1] or the step limit is reached. pConstants (may be null) go on to BetaI; o holds those
// of the order (alpha, beta) or is null.
bool SolveLowerTail(double p, double alpha, double beta, double B,
                    const SBetaShapeConstants* pConstants, const SOrder* o, double& xResult,
                    double& answer) {
    const double lnB = o != nullptr ? o->lnOfBeta : std::log(B);
    const double lnAlpha = o != nullptr ? o->lnP : std::log(alpha);
    // Start at the root of the leading term of the series, x^alpha / (alpha B) = p.
    const double lnpBalpha = std::log(p) + lnB + lnAlpha;
    double x = std::exp(lnpBalpha / alpha);
    if (x <= 0.0 || x > 1.0) {
        x = alpha / (alpha + beta);
    }
    double F = BetaI(x, alpha, beta, pConstants);
    if (std::fabs(1.0 - F / p) <= kStartTolerance) {
        answer = x;
        return true;
    }
    // [lo, hi] brackets the root from here on.
    double lo = 0.0;
    double hi = 1.0;
    if (F < p) {
        lo = x;
    } else {
        hi = x;
    }
    for (int k = 1; k <= kMaxSteps; ++k) {
        const double r = 1.0 - F / p;
        if (r == 0.0) {
            answer = x;
            return true;
        }
        // Newton step for ln I_x = ln p written as x_new = x (1 + ts)^(1/alpha), with
        // ts = r p alpha B / (x^alpha (1 - x)^(beta - 1)); the power form keeps x_new > 0 and
        // is exact for the leading term x^alpha / (alpha B).
        const double ts =
            dSign(1.0, r) * std::exp(std::log(std::fabs(r)) + std::log(p) + lnB + lnAlpha -
                                     (beta - 1.0) * dLnRel(-x) - alpha * std::log(x));
        double xNew = 0.0;
        if (ts <= -1.0) {
            xNew = (lo + hi) / 2.0;
        } else {
            const double u = dLnRel(ts) / alpha;
            xNew = x + x * (u * dExpRl(u));
        }
        if (xNew <= lo || xNew >= hi) {
            xNew = (lo + hi) / 2.0;
        }
        xResult = xNew;
        // Written as "not inside" so that a NaN iterate (a step that overflowed) ends the
        // iteration here rather than after the step limit.
        if (!(xNew > 0.0 && xNew <= 1.0)) {
            return false;
        }
        F = BetaI(xNew, alpha, beta, pConstants);
        if (std::fabs(1.0 - x / xNew) < kStepTolerance) {
            answer = xNew;
            return true;
        }
        if (F > p) {
            hi = xNew;
        } else if (F < p) {
            lo = xNew;
        }
        x = xNew;
    }
    return false;
}

bool SameBits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

void FillOrder(double p, double q, SOrder& o) {
    o.p = p;
    o.q = q;
    o.lnP = std::log(p);
    o.lnQ = std::log(q);
    o.lnBeta = dLBeta(p, q);
    o.lnBetaFracQ = dLBeta(FractionalShape(q), p);
    o.beta = dBeta(p, q);
    o.lnOfBeta = std::log(o.beta);
}

} // namespace

const SOrder* SBetaShapeConstants::Find(double p, double q) const {
    if (!bValid) {
        return nullptr;
    }
    for (const SOrder& o : orders) {
        if (SameBits(o.p, p) && SameBits(o.q, q)) {
            return &o;
        }
    }
    return nullptr;
}

bool SBetaShapeConstants::IsFor(double a, double b) const {
    return SameBits(orders[0].p, a) && SameBits(orders[0].q, b);
}

bool MakeBetaShapeConstants(double a, double b, SBetaShapeConstants& constants) {
    const SErrorState errorStateBefore = GetErrorState();
    {
        CDiagnosticCapture capture;
        FillOrder(a, b, constants.orders[0]);
        FillOrder(b, a, constants.orders[1]);
        constants.bValid = capture.IsEmpty();
    }
    SetErrorState(errorStateBefore);
    return constants.bValid;
}

bool BetaUnderflows(double a, double b) {
    const SErrorState errorStateBefore = GetErrorState();
    double B = 0.0;
    {
        CDiagnosticCapture capture;
        B = dBeta(a, b);
    }
    SetErrorState(errorStateBefore);
    return B <= 0.0;
}

double dLBeta(double a, double b) {
    const double p = dMin(a, b);
    const double q = dMax(a, b);
    if (p <= 0.0) {
        PrintDiagnostic("dLBeta: Both arguments must be > zero\n");
    }
    // The functions that may report are called one by one, so that their lines come out in the
    // order of the formulas.
    if (p >= 10.0) {
        // Both large: Stirling's formula for all three gamma functions.
        const double corrP = d9lgmc(p);
        const double corrQ = d9lgmc(q);
        const double corrPQ = d9lgmc(p + q);
        const double corr = corrP + corrQ - corrPQ;
        const double lnRel = dLnRel(-p / (p + q));
        return -0.5 * std::log(q) + kLnSqrt2Pi + corr + (p - 0.5) * std::log(p / (p + q)) +
               q * lnRel;
    }
    if (q >= 10.0) {
        // Only q large: Stirling's formula for Gamma(q) / Gamma(p + q).
        const double corrQ = d9lgmc(q);
        const double corrPQ = d9lgmc(p + q);
        const double corr = corrQ - corrPQ;
        const double lnGamP = dLnGam(p);
        const double lnRel = dLnRel(-p / (p + q));
        return lnGamP + corr + p - p * std::log(p + q) + (q - 0.5) * lnRel;
    }
    const double gammaP = dGamma(p);
    const double gammaQ = dGamma(q);
    const double gammaPQ = dGamma(p + q);
    return std::log(gammaP * (gammaQ / gammaPQ));
}

double dBeta(double a, double b) {
    const double alnsml = LnSmallest();
    if (a <= 0.0 || b <= 0.0) {
        PrintDiagnostic("dBeta: both arguments must be > 0\n");
    }
    if (a + b < GammaOverflowLimit()) {
        const double gammaA = dGamma(a);
        const double gammaB = dGamma(b);
        const double gammaAB = dGamma(a + b);
        return gammaA * gammaB / gammaAB;
    }
    const double r = dLBeta(a, b);
    if (r < alnsml) {
        return -1.0;
    }
    return std::exp(r);
}

double BetaI(double x, double a, double b, const SBetaShapeConstants* pConstants) {
    const double eps = MachineConstant(MACHINE_SMALLEST_RELATIVE_SPACING);
    if (x < 0.0 || x > 1.0) {
        PrintDiagnostic("BetaI:  x is not in the range (0,1)\n");
    }
    if (a <= 0.0 || b <= 0.0) {
        PrintDiagnostic("BetaI: a and/or b is le zero\n");
    }

    // Work on the side where the series converges fast: I_x(a, b) = 1 - I_(1-x)(b, a).
    double y = x;
    double p = a;
    double q = b;
    const bool bExchanged = !((q <= p && x < 0.8) || x < 0.2);
    if (bExchanged) {
        y = 1.0 - x;
        p = b;
        q = a;
    }

    const SOrder* o = pConstants != nullptr ? pConstants->Find(p, q) : nullptr;
    double result = 0.0;
    if ((p + q) * y / (p + 1.0) < eps) {
        result = BetaISeriesFirstTerm(y, p, q, o);
        return bExchanged ? 1.0 - result : result;
    }
    result = BetaIInfiniteSum(y, p, q, o);
    if (q > 1.0) {
        result = result + BetaIFiniteSum(y, p, q, o);
    }
    if (bExchanged) {
        result = 1.0 - result;
    }
    return dMax(dMin(result, 1.0), 0.0);
}

void BetaInv(double p, double a, double b, double& x, int& nStatus,
             const SBetaShapeConstants* pConstants) {
    nStatus = BETAINV_CONVERGED;
    if (a <= 0.0 || b <= 0.0) {
        x = 0.0;
        nStatus = BETAINV_SHAPE_NOT_POSITIVE;
        return;
    }
    if (p <= 0.0) {
        x = 0.0;
        nStatus = BETAINV_P_NOT_POSITIVE;
        return;
    }
    if (p >= 1.0) {
        x = 1.0;
        nStatus = BETAINV_P_NOT_BELOW_ONE;
        return;
    }

    // Solve in the lower tail: I_x(a, b) = p  <=>  I_(1-x)(b, a) = 1 - p.
    double alpha = a;
    double beta = b;
    const bool bExchanged = p > 0.5;
    if (bExchanged) {
        p = 1.0 - p;
        alpha = b;
        beta = a;
    }

    const SOrder* o = pConstants != nullptr ? pConstants->Find(alpha, beta) : nullptr;
    const double B = o != nullptr ? o->beta : dBeta(alpha, beta);
    if (B <= 0.0) {
        nStatus = BETAINV_NO_RESULT;
        return;
    }
    double answer = 0.0;
    if (!SolveLowerTail(p, alpha, beta, B, pConstants, o, x, answer)) {
        nStatus = BETAINV_NO_RESULT;
        return;
    }
    x = bExchanged ? 1.0 - answer : answer;
}

} // namespace stochvar
