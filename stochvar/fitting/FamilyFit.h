#pragma once

// SFamilyFit: one family fitted to a sample, with the evidence for it; SFitReport: every family
// tried on a sample, ranked.

#include <stochvar/fitting/FamilyEstimate.h>

#include <cstddef>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace stochvar {

class CDist;

struct SFamilyFit {
    static constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

    int nType = 0;
    std::string strFamily; // the family's type keyword
    SFamilyEstimate estimate;
    std::string strRefusal; // why the family does not fit; empty when it does
    // The fitted variable, built through the family's own input type and checks.
    std::shared_ptr<CDist> pDist;
    std::vector<std::string> warnings; // what the checks passed with
    double dLogLikelihood = kNaN;      // from the variable's own density
    double dAic = kNaN;                // 2k - 2 lnL
    double dBic = kNaN;                // k ln n - 2 lnL
    double dKs = kNaN;                 // Kolmogorov-Smirnov D
    double dAd = kNaN;                 // Anderson-Darling A2
    // Bootstrap p-values: (1 + replicates with a statistic at least as large) / (1 + replicates).
    double dKsPValue = kNaN;
    double dAdPValue = kNaN;
    int nBootstrap = 0; // replicates that gave a fit

    bool IsFitted() const { return strRefusal.empty(); }
};

struct SFitReport {
    std::size_t nCount = 0;
    // The fitted families, best first by the criterion, then the refused ones in family order.
    std::vector<SFamilyFit> ranking;

    // The best fit; null when every family refused.
    const SFamilyFit* GetBest() const {
        return !ranking.empty() && ranking.front().IsFitted() ? &ranking.front() : nullptr;
    }
};

} // namespace stochvar
