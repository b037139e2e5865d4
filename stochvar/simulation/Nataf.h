#pragma once

// The Nataf mapping between the correlation of two variables (X-space) and the correlation of
// their underlying standard normal variables (U-space).
//
// Each variable is expanded in probabilists' Hermite polynomials of its standard normal
// argument U: a_k = E[Z He_k(U)] with Z = (F^-1(Phi(U)) - mu) / sigma, evaluated with a
// 20-point Gauss-Hermite rule. By Mehler's expansion of the bivariate normal density the X-space
// correlation of a pair is g(r) = sum_{k=1..K} c_k r^k with c_k = a_k b_k / k!, r being the
// U-space correlation. g is summed directly (U to X) or inverted by Newton's method (X to U).
// Every result is held inside [-kCorrLimit, kCorrLimit].
//
// The numerics in effect (Numerics.h) choose the rule and K: faithful numerics use the tabulated
// rule and K = 10; accurate numerics the computed rule (AccurateGaussHermiteRule) and K = 20,
// since at K = 10 the truncated series alone is off by up to 6e-7 (a uniform and an exponential
// variable at r = 1) and at K = 20 by 5e-11.
//
// Nothing is cached: every call recomputes the coefficients from the variables' current
// parameters.

namespace stochvar {

class CDist;

// Hermite coefficients a_0 .. a_10 of one variable under faithful numerics.
inline constexpr int kHermiteCount = 11;
// Highest power of the series g under faithful numerics.
inline constexpr int kNatafOrder = 10;
// The same two under accurate numerics.
inline constexpr int kAccurateNatafOrder = 20;
inline constexpr int kAccurateHermiteCount = kAccurateNatafOrder + 1;
// The highest power of the series under the numerics in effect on the calling thread.
int ActiveNatafOrder();
// Bound on the magnitude of every mapped correlation.
inline constexpr double kCorrLimit = 0.9999999999;
// Newton iteration of the inversion: step limit and tolerance on the step.
inline constexpr int kNatafMaxSteps = 50;
inline constexpr double kNatafTolerance = 1e-8;

// Fills pCoeffs[0..nCount-1] with the Hermite coefficients of the variable, with the rule of the
// numerics in effect (nCount <= ActiveNatafOrder() + 1; more are not filled).
//
// The standardisation reads the variable's stored MEAN and STDDEV slots. Where those do not
// describe the variable, its mean and standard deviation are taken from the same 20 quadrature
// values instead: for the fixed and discrete kinds (whose conversions maintain neither slot)
// and for any variable whose stored standard deviation is not a positive finite number or whose
// stored mean is not finite.
//
// A variable without spread, whose 20 quadrature values are all equal, has all coefficients 0,
// so that its pairs map to 0 (see NatafInvert) instead of NaN: the normalisation would divide
// 0 by 0. This covers a fixed value, a discrete variable with one category, a family with a
// zero or NaN standard deviation whose inverse collapses to one value, and a positive spread too
// small to show in doubles: a normal variable with mean 1e10 and standard deviation 1e-10 returns
// 1e10 at every node, as the spacing of doubles near 1e10 is about 2e-6. Standardising such
// values with the stored standard deviation gives z = 0 everywhere, a series g = 0 whose Newton
// inversion divides 0 by 0.
void HermiteCoefficients(CDist* pDist, int nCount, double* pCoeffs);

// Series coefficients c[0..K] of a pair (K = nOrder) from the Hermite coefficients a and b of its
// two variables: c_k = a_k * b_k / k!, k! built as a running product; c[0] = 0 (order 0 plays no
// part).
void NatafSeriesCoefficients(const double* a, const double* b, double* c, int nOrder = kNatafOrder);

// g(r) and g'(r) of the series c[0..K] (K = nOrder); powers are formed as r raised to an integer
// exponent.
double NatafValue(const double* c, double r, int nOrder = kNatafOrder);
double NatafSlope(const double* c, double r, int nOrder = kNatafOrder);

// Holds a correlation inside [-kCorrLimit, kCorrLimit].
double LimitCorr(double dCorr);

// Solves g(r) = dCorrX (the series c[0..nOrder]) for r by Newton's method starting at r = dCorrX,
// and returns the limited root. *pnSteps receives the number of Newton steps taken and *pnError 1
// when the iteration ended at step 50 (with the diagnostic line "No convergence in nataf after 50
// itterations" on the standard output), else 0. A step that is not a finite number (a NaN dCorrX, a
// vanishing slope) is taken like any other: the iterate becomes NaN, never meets the tolerance, and
// the iteration runs its 50 steps, prints the line and returns NaN.
//
// A pair in which one variable has no spread (see HermiteCoefficients) has g = 0 for every r:
// its variables are independent whatever the U-space value, so the result is 0 without any step;
// *pnError is 1 when dCorrX is not 0, as no U-space value reproduces it.
double NatafInvert(const double* c, double dCorrX, int* pnSteps, int* pnError,
                   int nOrder = kNatafOrder);

// The mapping for the pair (pDist1, pDist2), with the numerics in effect. bXSpace zero: reads
// *pdCorrU and writes the limited g(*pdCorrU) to *pdCorrX. bXSpace nonzero: reads *pdCorrX and
// writes the U-space value to *pdCorrU (NatafInvert). *pnError is set to 0 first and to 1 when the
// inversion failed; the value that is read is left as it was.
void Nataf(int bXSpace, CDist* pDist1, CDist* pDist2, double* pdCorrU, double* pdCorrX,
           int* pnError);

// Admissible X-space range of the pair: the limited g(-1) and g(+1), each from a mapping run of
// its own.
void NatafRange(CDist* pDist1, CDist* pDist2, double* pdMin, double* pdMax);

} // namespace stochvar
