#include <stochvar/fitting/DiscreteFit.h>

#include <stochvar/families/FamilyList.h>
#include <stochvar/fitting/FitError.h>

#include <map>

namespace stochvar {

std::unique_ptr<CDist> CDiscreteFit::FromLabels(const std::vector<std::string>& labels,
                                                const std::string& strName) {
    if (labels.empty()) {
        throw CFitError("too few points: no labels");
    }
    std::vector<std::string> order;
    std::map<std::string, double> counts;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        if (labels[i].empty()) {
            throw CFitError("label " + std::to_string(i + 1) + " is empty");
        }
        if (counts[labels[i]]++ == 0.0) {
            order.push_back(labels[i]);
        }
    }
    CDist blank(nullptr, CString(strName), nullptr);
    std::unique_ptr<CDist> pDist(blank.CreateNewDist(DIST_DISCRETE));
    auto& discrete = static_cast<CDiscrete&>(*pDist);
    discrete.m_CategoryNames.RemoveAll();
    discrete.m_Frequencies.RemoveAll();
    discrete.m_Probabilities.RemoveAll();
    for (const std::string& strLabel : order) {
        discrete.AddCategory(CString(strLabel), counts[strLabel]);
    }
    discrete.SetAutoAxis();
    return pDist;
}

} // namespace stochvar
