#pragma once

// SFamilyEstimate: the parameters an estimator found for one family, as the values of one of
// the family's own input types (so that the variable is built through that input type and its
// checks), or why it found none.

#include <optional>
#include <string>
#include <vector>

namespace stochvar {

enum class EFitMethod { Likelihood, Moments };

// Bounds the caller knows: a family with such a bound takes it as given instead of estimating
// it (the lower bound of a lognormal variable of a positive quantity, 0).
struct SFixedBounds {
    std::optional<double> lower;
    std::optional<double> upper;
};

struct SFamilyEstimate {
    int nType = 0;
    EFitMethod method = EFitMethod::Likelihood;
    int nParamCombi = 0;
    std::vector<double> values; // of input type nParamCombi, in its order
    int nFreeParams = 0;        // the parameters estimated from the data (AIC, BIC)
    std::string strNote;        // how the bounds were found, a fallback taken
    std::string strRefusal;     // empty when there is an estimate

    bool IsRefused() const { return !strRefusal.empty(); }
};

} // namespace stochvar
