#pragma once

// Gauss-Hermite quadrature for expectations over a standard normal argument, and the
// probabilists' Hermite polynomials that the Nataf mapping expands each variable in.

namespace stochvar {

// The one order the rule is tabulated for.
inline constexpr int kGaussHermOrder = 20;

// Fills the 20 nodes x[0..19] and weights w[0..19] of the Gauss-Hermite rule turned into a rule
// for a standard normal argument: nodes sqrt(2) * (+-x_i) in ascending order, weights
// sqrt(2) * w_i * dScale, where (x_i, w_i) is the tabulated rule for the weight exp(-t^2).
// With dScale = 1 / sqrt(2 pi), E[h(U)] is approximately sum_j w[j] * h(x[j]).
// Any other order than 20 is a programming error: the routine prints
// "n in GaussHerm must be equal 20" to the standard output and ends the process (exit code 0).
void GaussHerm(int n, double* x, double* w, double dScale);

// Fills He[0..nCount-1] with the probabilists' Hermite polynomials at u:
// He0 = 1, He1 = u, He_k = u * He_{k-1} - (k - 1) * He_{k-2}.
void HermitePolynomials(int nCount, double* He, double u);

} // namespace stochvar
