#include <stochvar/documents/InputEntry.h>

#include <stochvar/families/Discrete.h>

#include <cmath>

namespace stochvar {

namespace {

// A status that passed with a warning adds the warning's text.
void NoteWarning(CDistStatus status, std::vector<std::string>& warnings) {
    if (status.m_bWarning && status.IsOk()) {
        warnings.push_back(TrimmedMessage(status.m_strMessage.str()));
    }
}

void RequireOk(CDistStatus status) {
    if (!status.IsOk()) {
        throw CInputRefused(status.m_strMessage.str());
    }
}

} // namespace

std::string TrimmedMessage(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

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
    dist.m_nParamCombi = nParamCombi;
    for (int i = 0; i < ids.GetSize(); ++i) {
        const int nParam = static_cast<int>(ids[i]);
        const double dValue = values[static_cast<std::size_t>(i)];
        if (!std::isfinite(dValue)) {
            throw CInputRefused(std::string(kParamKeywords[nParam]) + " is not a finite number");
        }
        const CDistStatus status = dist.CheckParamValue(nParam, dValue);
        RequireOk(status);
        NoteWarning(status, warnings);
        dist.SetParamValue(nParam, dValue);
    }
    // After the last value of an input type the editor's cursor is back at its first one.
    dist.m_nCurParam = 0;
    CDistStatus status = dist.CheckCombination(nParamCombi);
    RequireOk(status);
    NoteWarning(status, warnings);
    status = dist.CalcBasePar(nParamCombi);
    RequireOk(status);
    NoteWarning(status, warnings);
    return warnings;
}

void EnterCategories(CDiscrete& dist,
                     const std::vector<std::pair<std::string, double>>& categories,
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
