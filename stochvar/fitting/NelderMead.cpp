#include <stochvar/fitting/NelderMead.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace stochvar {

namespace {

constexpr double kReflection = 1.0;
constexpr double kExpansion = 2.0;
constexpr double kContraction = 0.5;
constexpr double kShrink = 0.5;

// x0 + t (x1 - x0)
std::vector<double> Along(const std::vector<double>& x0, const std::vector<double>& x1, double t) {
    std::vector<double> x(x0.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        x[i] = x0[i] + t * (x1[i] - x0[i]);
    }
    return x;
}

} // namespace

CNelderMead::SResult CNelderMead::Minimise(const Function& f, std::vector<double> x0, double dStep,
                                           double dTolerance, int nMaxEvaluations) {
    const std::size_t k = x0.size();
    SResult result;
    const auto value = [&](const std::vector<double>& x) {
        ++result.nEvaluations;
        const double v = f(x);
        return std::isnan(v) ? std::numeric_limits<double>::infinity() : v;
    };
    std::vector<std::vector<double>> simplex(k + 1, x0);
    for (std::size_t i = 0; i < k; ++i) {
        simplex[i + 1][i] += dStep;
    }
    std::vector<double> values(k + 1);
    for (std::size_t i = 0; i <= k; ++i) {
        values[i] = value(simplex[i]);
    }
    std::vector<std::size_t> order(k + 1);
    while (true) {
        std::iota(order.begin(), order.end(), std::size_t{0});
        // Stable, so that ties keep the same order on every run.
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return values[a] < values[b]; });
        const std::vector<double>& best = simplex[order.front()];
        const std::size_t iWorst = order.back();
        double dSpread = 0.0;
        for (std::size_t i = 0; i <= k; ++i) {
            for (std::size_t j = 0; j < k; ++j) {
                dSpread = std::max(dSpread, std::fabs(simplex[i][j] - best[j]));
            }
        }
        const bool bFlat = values[iWorst] - values[order.front()] <= dTolerance;
        if ((bFlat && dSpread <= dTolerance) || result.nEvaluations >= nMaxEvaluations) {
            result.bConverged = bFlat && dSpread <= dTolerance;
            result.x = best;
            result.dValue = values[order.front()];
            return result;
        }
        std::vector<double> centroid(k, 0.0);
        for (std::size_t i = 0; i < k; ++i) {
            for (std::size_t j = 0; j < k; ++j) {
                centroid[j] += simplex[order[i]][j] / static_cast<double>(k);
            }
        }
        const std::vector<double> reflected = Along(centroid, simplex[iWorst], -kReflection);
        const double fReflected = value(reflected);
        const double fSecondWorst = values[order[k - 1]];
        if (fReflected < values[order.front()]) {
            const std::vector<double> expanded = Along(centroid, simplex[iWorst], -kExpansion);
            const double fExpanded = value(expanded);
            const bool bExpand = fExpanded < fReflected;
            simplex[iWorst] = bExpand ? expanded : reflected;
            values[iWorst] = bExpand ? fExpanded : fReflected;
        } else if (fReflected < fSecondWorst) {
            simplex[iWorst] = reflected;
            values[iWorst] = fReflected;
        } else {
            // Contract towards the better of the worst point and its reflection.
            const bool bOutside = fReflected < values[iWorst];
            const std::vector<double> contracted =
                bOutside ? Along(centroid, reflected, kContraction)
                         : Along(centroid, simplex[iWorst], kContraction);
            const double fContracted = value(contracted);
            if (fContracted < std::min(fReflected, values[iWorst])) {
                simplex[iWorst] = contracted;
                values[iWorst] = fContracted;
            } else {
                const std::vector<double> anchor = simplex[order.front()];
                for (std::size_t i = 1; i <= k; ++i) {
                    simplex[order[i]] = Along(anchor, simplex[order[i]], kShrink);
                    values[order[i]] = value(simplex[order[i]]);
                }
            }
        }
    }
}

} // namespace stochvar
