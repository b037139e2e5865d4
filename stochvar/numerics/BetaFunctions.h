#pragma once

// The beta function, its logarithm, the regularised incomplete beta function and its inverse.

namespace stochvar {

// Status codes of BetaInv.
inline constexpr int BETAINV_CONVERGED = 0;
inline constexpr int BETAINV_SHAPE_NOT_POSITIVE = 1; // x set to 0
inline constexpr int BETAINV_NO_RESULT = 2;          // beta underflow, iterate outside (0, 1] or
                                                     // no convergence: x not meaningful
inline constexpr int BETAINV_P_NOT_POSITIVE = 3;     // x set to 0
inline constexpr int BETAINV_P_NOT_BELOW_ONE = 4;    // x set to 1

// What BetaI and BetaInv compute from the shapes alone, for a caller that evaluates them many
// times with the same shapes (a variable's inverse cumulative function). Both orders of the
// shapes are kept, as the functions exchange them by the tail they work in. The functions take
// the constants only where their shapes match those given here bit for bit, and then give the
// same results and print the same lines as without them.
struct SBetaShapeConstants {
    // One order (p, q) of the shapes.
    struct SOrder {
        double p = 0.0;
        double q = 0.0;
        double lnP = 0.0;         // log p
        double lnQ = 0.0;         // log q
        double lnBeta = 0.0;      // dLBeta(p, q)
        double lnBetaFracQ = 0.0; // dLBeta(frac(q), p); frac(q) is 1 for a whole q
        double beta = 0.0;        // dBeta(p, q)
        double lnOfBeta = 0.0;    // log(dBeta(p, q))
    };
    SOrder orders[2];
    bool bValid = false;

    // The order (p, q) if these constants hold it, else null.
    const SOrder* Find(double p, double q) const;
    // True when these were made for the shapes a and b (usable or not).
    bool IsFor(double a, double b) const;
};

// Computes the constants of the shapes a and b. Returns false, and leaves the constants marked
// invalid, when computing them made a special function report something: its lines belong where
// the functions would compute them, so such shapes are evaluated without constants. Prints
// nothing and leaves the error state as it was.
bool MakeBetaShapeConstants(double a, double b, SBetaShapeConstants& constants);

// Whether B(a, b) underflows, as dBeta computes it: then BetaInv(p, a, b) has no result for any
// p strictly between 0 and 1 (with positive shapes, from about a + b = 1000 on when a = b).
// Prints nothing and leaves the error state as it was.
bool BetaUnderflows(double a, double b);

// ln B(a, b). Reports a non-positive argument and goes on.
double dLBeta(double a, double b);

// B(a, b) = Gamma(a) Gamma(b) / Gamma(a + b); -1.0 (without a report) when it underflows.
// Reports a non-positive argument and goes on.
double dBeta(double a, double b);

// The regularised incomplete beta function I_x(a, b), clamped to [0, 1] except when the first
// term of the series alone decides it. Reports x outside [0, 1] and a non-positive a or b and
// goes on.
double BetaI(double x, double a, double b, const SBetaShapeConstants* pConstants = nullptr);

// x with I_x(a, b) = p, by a safeguarded Newton iteration on the logarithm of the leading term,
// and one of the BETAINV_ status codes above (BetaI is called at most 61 times). On beta
// underflow x is not written. Results stay those the iteration has always given, so two cases
// are left as they are:
// - BETAINV_CONVERGED says that the last step was below 1e-10 relative, not that I_x(a, b) is
//   near p. Where BetaI is only absolutely accurate or the quantile underflows, the steps close
//   in on a jump of BetaI's rounding errors: BetaInv(1e-30, 1000, 0.99) ends at x = 0.80001
//   with I_x = 2.6e-14, and BetaInv(1 - 0.9, 1, 0.1) at x = 0.99999999999987 with I_x = 0.95
//   (0.65 is the root, which p = 0.1 finds). Callers that need a root check I_x(a, b)
//   against p.
// - A NaN is never BETAINV_CONVERGED. NaN arguments, and a step that overflows, give
//   BETAINV_NO_RESULT with x NaN: BetaInv(0.8, 1, 3000.5) starts at the root, BetaI misses it
//   by 1.7e-13 relative, the Newton step rounds back onto the start and bisection jumps to
//   where BetaI underflows to 0, from where the step is infinite. A NaN iterate ends the
//   iteration at once.
void BetaInv(double p, double a, double b, double& x, int& nStatus,
             const SBetaShapeConstants* pConstants = nullptr);

} // namespace stochvar
