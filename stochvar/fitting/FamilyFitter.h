#pragma once

// CFamilyFitter: fits families to a sample and ranks them.
//
// For each family: an estimate (CLikelihoodEstimator, falling back on CMomentEstimator where the
// likelihood gives none; CMomentEstimator alone on request), then the variable, built as an
// editor builds one, through the estimate's input type with the family's own checks and
// conversion (CDist::EnterParamValue) and the sampler's (CDist::ListSamplingObstacles); then
// its log-likelihood from the variable's own density (under the accurate numerics, as all the
// evidence, so that the tails stay finite), AIC, BIC, the Kolmogorov-Smirnov and
// Anderson-Darling statistics and, when asked, their p-values from a parametric bootstrap: data
// sets of the sample's size drawn from the fitted variable, each fitted again the same way, the
// p-value the share of replicates whose statistic is at least the sample's. Each family's
// bootstrap starts from the same seed, so a family's results do not depend on the others.
//
// A family refuses, with its reason, data outside a bound the caller fixed, a sample with too
// few points for its parameters, an estimate that its checks refuse or that leaves data outside
// its support. The sample as a whole is refused (CFitError) for too few points, a value that is
// not finite, or values without spread.

#include <stochvar/fitting/FamilyEstimate.h>
#include <stochvar/fitting/FamilyFit.h>
#include <stochvar/numerics/ExOr.h>

#include <memory>
#include <string>
#include <vector>

namespace stochvar {

class CDist;
class CFitSample;

enum class EFitCriterion { Bic, Aic, Ks };

struct SFitOptions {
    // Type ids of the families to try; empty: every continuous family.
    std::vector<int> families;
    EFitMethod method = EFitMethod::Likelihood;
    EFitCriterion criterion = EFitCriterion::Bic;
    // Bootstrap replicates for the p-values; 0: none.
    int nBootstrap = 0;
    CExOr generator;
    SFixedBounds bounds;
    // The name of the fitted variables.
    std::string strName;
};

class CFamilyFitter {
public:
    explicit CFamilyFitter(SFitOptions options);

    // Throws CFitError when the sample as a whole cannot be fitted.
    SFitReport Fit(std::vector<double> data) const;
    SFamilyFit FitFamily(int nType, const CFitSample& sample) const;

    // The estimate of the family by the chosen method (likelihood with the moments to fall back
    // on, or the moments).
    SFamilyEstimate Estimate(int nType, const CFitSample& sample) const;

    // The variable of an estimate, built through its input type with the family's checks; null
    // with the reason in strRefusal when they refuse it or the sampler cannot draw from it.
    static std::unique_ptr<CDist> BuildVariable(const SFamilyEstimate& estimate,
                                                const std::string& strName,
                                                std::vector<std::string>& warnings,
                                                std::string& strRefusal);

    // The continuous families, in type-id order.
    static std::vector<int> ContinuousFamilies();
    // Whether the family has a lower or an upper bound among its parameters.
    static bool HasLowerBound(int nType);
    static bool HasUpperBound(int nType);
    // The parameters the family estimates with the options' fixed bounds.
    int CountFreeParams(int nType) const;
    // Sorts fitted families by the criterion, the refused ones after them in family order.
    static void Rank(std::vector<SFamilyFit>& fits, EFitCriterion criterion);

private:
    std::string CheckSupport(int nType, const CFitSample& sample) const;
    void Bootstrap(SFamilyFit& fit, const CFitSample& sample) const;

    SFitOptions m_options;
};

} // namespace stochvar
