#pragma once

// SReliabilityRun: one run of `stochvar reliability`: what was asked (the method, g, the options
// that apply to the method) and what the analysis found, for the report and the JSON file.

#include "Arguments.h"

#include <stochvar/numerics/ExOr.h>
#include <stochvar/reliability/Form.h>
#include <stochvar/reliability/SamplingResult.h>
#include <stochvar/reliability/Sorm.h>
#include <stochvar/reliability/SubsetSimulation.h>

#include <optional>
#include <string>
#include <vector>

namespace stochvar::cli {

enum class EReliabilityMethod { form, sorm, mc, lhs, is, subset };

struct SReliabilityRequest {
    EReliabilityMethod method = EReliabilityMethod::form;
    std::string strLimitState; // --g; empty: the document's "limitState"
    std::optional<double> targetCoV;
    std::optional<int> maxCalls;
    SSeedChoice seed{{CExOr::kDefaultSeed1, CExOr::kDefaultSeed2, CExOr::kDefaultSeed3}, {}, false};
    std::optional<int> threads;
    int nPerLevel = 1000;
    double dP0 = 0.1;
    std::string strJson; // empty: no JSON file
};

struct SReliabilityRun {
    SReliabilityRequest request;
    std::string strSource;     // the document, as messages name it
    std::string strLimitState; // g as it ran
    const char* pszNumerics = "";
    std::vector<std::string> documentVariables;
    // The variables of the analysis: all of the document's for mc and lhs, those that g names
    // for the others; and for each coordinate of u, its variable's position in that list.
    std::vector<std::string> variables;
    std::vector<int> coordinates;
    double dTargetCoV = 0.0;                 // sampling methods
    long long nMaxCalls = 0;                 // sampling methods and subset simulation
    int nMaxLevels = 0;                      // subset simulation
    SReliabilityResult summary;              // the fields of every method
    std::optional<SSamplingResult> sampling; // mc, lhs, is
    std::optional<CForm::SResult> form;      // form, sorm, is
    std::optional<CSorm::SResult> sorm;
    std::optional<CSubsetSimulation::SResult> subset;
};

// The method's name on the command line and in the JSON file ("form"), and in the report
// ("FORM", "Monte Carlo").
const char* MethodKeyword(EReliabilityMethod method);
const char* MethodTitle(EReliabilityMethod method);
std::optional<EReliabilityMethod> MethodFromKeyword(const std::string& strKeyword);
bool IsSampling(EReliabilityMethod method); // mc, lhs, is: a target CoV and a budget
bool IsSeeded(EReliabilityMethod method);   // mc, lhs, is, subset

} // namespace stochvar::cli
