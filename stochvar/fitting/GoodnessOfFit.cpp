#include <stochvar/fitting/GoodnessOfFit.h>

#include <stochvar/model/Dist.h>

#include <algorithm>

namespace stochvar {

double CGoodnessOfFit::KolmogorovSmirnov(const std::vector<double>& sorted, CDist& dist) {
    const double n = static_cast<double>(sorted.size());
    double D = 0.0;
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        const double F = dist.GetCumulative(sorted[i]);
        const double dBelow = static_cast<double>(i) / n;
        const double dAbove = static_cast<double>(i + 1) / n;
        D = std::max({D, dAbove - F, F - dBelow});
    }
    return D;
}

double CGoodnessOfFit::AndersonDarling(const std::vector<double>& sorted, CDist& dist) {
    const std::size_t n = sorted.size();
    double dSum = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double w = 2.0 * static_cast<double>(i) + 1.0;
        dSum += w * (dist.GetLogCumulative(sorted[i]) + dist.GetLogSurvival(sorted[n - 1 - i]));
    }
    const double nd = static_cast<double>(n);
    return -nd - dSum / nd;
}

} // namespace stochvar
