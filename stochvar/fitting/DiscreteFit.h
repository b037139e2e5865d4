#pragma once

// CDiscreteFit: a discrete variable from observed labels: one category per distinct label, in
// the order of first appearance, with its count as frequency (the maximum-likelihood estimate of
// the category probabilities), entered through the family's AddCategory.

#include <memory>
#include <string>
#include <vector>

namespace stochvar {

class CDist;

class CDiscreteFit {
public:
    // Throws CFitError for no labels at all or an empty label.
    static std::unique_ptr<CDist> FromLabels(const std::vector<std::string>& labels,
                                             const std::string& strName);
};

} // namespace stochvar
