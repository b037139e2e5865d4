#include <stochvar/documents/InputEntry.h>

#include <stochvar/families/Discrete.h>
#include <stochvar/families/FamilyRules.h>

#include <algorithm>
#include <cmath>
#include <optional>

namespace stochvar {

std::string TrimmedMessage(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

namespace {

// The library refuses a scale at or below the smallest positive value with the exponential
// family's text, which names its LAMBDA, also for an input type whose scale is another parameter
// (the Rayleigh family's THETA): the message then says which one is meant.
std::string NameTheScale(std::string strMessage, const CUIntArray& ids) {
    if (strMessage != family_rules::kMsgLambdaNotPositive ||
        std::find(ids.begin(), ids.end(), UINT{PARAM_LAMBDA}) != ids.end()) {
        return strMessage;
    }
    for (const UINT nParam : ids) {
        if (nParam != PARAM_LOWER_BOUND) {
            return strMessage + " (Here the scale " + kParamKeywords[nParam] +
                   " must be positive.)";
        }
    }
    return strMessage;
}

} // namespace

std::vector<std::string> EnterInputValues(CDist& dist, int nParamCombi,
                                          const std::vector<double>& values) {
    CString strLabel;
    CUIntArray ids;
    dist.GetParamsList(nParamCombi, strLabel, &ids);
    if (ids.GetSize() != static_cast<int>(values.size())) {
        throw CInputRefused("input type " + strLabel.str() + " takes " +
                            std::to_string(ids.GetSize()) + " values");
    }
    std::vector<std::string> warnings;
    std::optional<std::string> refusal;
    const auto takeStatus = [&](CDistStatus status) {
        if (!status.IsOk()) {
            refusal = status.m_strMessage.str();
        } else if (status.m_bWarning) {
            warnings.push_back(TrimmedMessage(status.m_strMessage.str()));
        }
    };
    dist.m_nParamCombi = nParamCombi;
    dist.m_nCurParam = 0;
    for (int i = 0; i < ids.GetSize(); ++i) {
        const double dValue = values[static_cast<std::size_t>(i)];
        if (!std::isfinite(dValue)) {
            throw CInputRefused(std::string(kParamKeywords[ids[i]]) + " is not a finite number");
        }
        dist.EnterParamValue(dValue, takeStatus);
        if (refusal) {
            throw CInputRefused(NameTheScale(*refusal, ids));
        }
    }
    return warnings;
}

void EnterCategories(CDiscrete& dist, const std::vector<std::pair<std::string, double>>& categories,
                     const std::function<void()>& afterEach) {
    dist.m_CategoryNames.RemoveAll();
    dist.m_Frequencies.RemoveAll();
    dist.m_Probabilities.RemoveAll();
    for (const auto& [strName, dFrequency] : categories) {
        if (std::isinf(dFrequency)) {
            throw CInputRefused("the frequency of category \"" + strName +
                                "\" is not a finite number");
        }
        dist.AddCategory(CString(strName), dFrequency);
        afterEach();
    }
}

} // namespace stochvar
