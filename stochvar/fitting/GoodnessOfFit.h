#pragma once

// CGoodnessOfFit: how far a sample lies from a variable's distribution, by the statistics of
// Kolmogorov and Smirnov (the largest distance between the empirical and the fitted
// distribution function) and of Anderson and Darling (a weighted squared distance that looks
// harder at the tails):
//   D  = max_i max(i / n - F(x(i)), F(x(i)) - (i - 1) / n)
//   A2 = -n - (1/n) sum_i (2i - 1) [ln F(x(i)) + ln(1 - F(x(n+1-i)))]
// A2 takes the logarithms of both tails from the variable itself (GetLogCumulative,
// GetLogSurvival), so that it stays finite for points far in a tail. Their classical tables
// assume a distribution known in advance; with estimated parameters the p-values come from a
// parametric bootstrap (CFamilyFitter).

#include <vector>

namespace stochvar {

class CDist;

class CGoodnessOfFit {
public:
    // The sample in increasing order.
    static double KolmogorovSmirnov(const std::vector<double>& sorted, CDist& dist);
    static double AndersonDarling(const std::vector<double>& sorted, CDist& dist);
};

} // namespace stochvar
