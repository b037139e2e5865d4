#pragma once

// Chebyshev series: evaluation and the number of terms needed for a given accuracy.

namespace stochvar {

// Value at x of the Chebyshev series with the n coefficients cs[0..n-1] (Clenshaw recurrence,
// the first coefficient halved). Reports n < 1, n > 1000 and x outside [-1.1, 1.1] and still
// evaluates.
double dcsevl(double x, const double* cs, int n);

// Number of leading terms of the series os[0..nos-1] whose neglected tail, summed in absolute
// value from the last term, stays below eta. Reports eta <= 0 and then returns nos - 1.
int InitDS(const double* os, int nos, double eta);

} // namespace stochvar
