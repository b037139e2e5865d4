#pragma once

// The gamma function, its logarithm, and the Stirling correction they share.

namespace stochvar {

// ln Gamma(x) - ((x - 0.5) ln x - x + ln sqrt(2 pi)) for x >= 10. Reports x < 10 (and goes on
// with the series outside its range) and returns 0 with a report from about 8.333e305 on.
double d9lgmc(double x);

// The arguments xmin < 0 < xmax between which Gamma(x) neither underflows nor overflows under
// the machine limits in use (about -170.0525 and 171.0525).
void D9Gaml(double& xmin, double& xmax);

// Gamma(x). Reports x = 0 (result +inf), negative integers (a division by zero), arguments too
// close to a negative integer for half precision, x > xmax (result +inf) and x <= xmin (result 0).
double dGamma(double x);

// ln |Gamma(x)|. Reports |x| too big and arguments too close to a negative integer.
double dLnGam(double x);

namespace detail {

// D9Gaml on given smallest and largest positive values (D9Gaml uses the machine limits).
// The search for xmin is limited to 11 Newton steps; reaching the 11th is reported.
void D9GamlFrom(double dSmallest, double dLargest, double& xmin, double& xmax);

} // namespace detail

} // namespace stochvar
