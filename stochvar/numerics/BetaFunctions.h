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

// ln B(a, b). Reports a non-positive argument and goes on.
double dLBeta(double a, double b);

// B(a, b) = Gamma(a) Gamma(b) / Gamma(a + b); -1.0 (without a report) when it underflows.
// Reports a non-positive argument and goes on.
double dBeta(double a, double b);

// The regularised incomplete beta function I_x(a, b), clamped to [0, 1] except when the first
// term of the series alone decides it. Reports x outside [0, 1] and a non-positive a or b and
// goes on.
double BetaI(double x, double a, double b);

// x with I_x(a, b) = p, by a safeguarded Newton iteration on the logarithm of the leading term,
// and one of the BETAINV_ status codes above (BetaI is called at most 61 times). On beta
// underflow x is not written.
void BetaInv(double p, double a, double b, double& x, int& nStatus);

} // namespace stochvar
