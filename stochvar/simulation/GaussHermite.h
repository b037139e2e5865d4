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

// The order of the rule the accurate numerics use (see Numerics.h), chosen by measurement with
// a series of order 20. The closed forms of the Nataf mapping (two exponential variables at
// r = -1 and +1, a uniform and an exponential, a normal and a uniform at r = 1) come out within
// 2e-8 at order 16, 5e-9 at 18, 3.9e-10 at 20 and 1.8e-10 at 22. The largest node grows like
// sqrt(4n): from order 23 on it passes 8.29, where Phi rounds to 1 in double and a variable
// without an upper bound is evaluated at infinity; near that node 1 - Phi keeps few digits.
// 20 keeps its largest node at 7.62 (1 - Phi = 1.3e-14).
inline constexpr int kAccurateGaussHermOrder = 20;

// Fills u[0..n-1] and W[0..n-1] with the order-n Gauss rule for a standard normal argument,
// correct to double precision: E[h(U)] is approximately sum_j W[j] * h(u[j]), exactly for
// polynomials h of degree up to 2n - 1. The nodes ascend and are symmetric about 0 bit for bit;
// the weights add up to 1. n from 1 to 100.
//
// Golub and Welsch: the nodes are the eigenvalues of the Jacobi matrix of the probabilists'
// Hermite polynomials (zero diagonal, sqrt(k) beside it), found here by bisection on Sturm
// counts in long double; the weights are the Christoffel numbers 1 / sum_k p_k(u)^2 of the
// orthonormal polynomials p_k, which equal the squared first components of the normalised
// eigenvectors but keep full relative accuracy for the smallest weights.
void ComputeGaussHermiteRule(int n, double* u, double* W);

// The rule of order kAccurateGaussHermOrder, computed once.
struct SGaussHermiteRule {
    double u[kAccurateGaussHermOrder];
    double W[kAccurateGaussHermOrder];
};
const SGaussHermiteRule& AccurateGaussHermiteRule();

// Fills He[0..nCount-1] with the probabilists' Hermite polynomials at u:
// He0 = 1, He1 = u, He_k = u * He_{k-1} - (k - 1) * He_{k-2}.
void HermitePolynomials(int nCount, double* He, double u);

} // namespace stochvar
