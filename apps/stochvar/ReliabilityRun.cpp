#include "ReliabilityRun.h"

#include <array>
#include <cstddef>

namespace stochvar::cli {

namespace {

struct SMethodNames {
    EReliabilityMethod method;
    const char* pszKeyword;
    const char* pszTitle;
};

constexpr std::array<SMethodNames, 6> kMethods{{
    {EReliabilityMethod::form, "form", "FORM"},
    {EReliabilityMethod::sorm, "sorm", "SORM"},
    {EReliabilityMethod::mc, "mc", "Monte Carlo"},
    {EReliabilityMethod::lhs, "lhs", "Latin hypercube sampling"},
    {EReliabilityMethod::is, "is", "Importance sampling"},
    {EReliabilityMethod::subset, "subset", "Subset simulation"},
}};

const SMethodNames& NamesOf(EReliabilityMethod method) {
    return kMethods[static_cast<std::size_t>(method)];
}

} // namespace

const char* MethodKeyword(EReliabilityMethod method) { return NamesOf(method).pszKeyword; }

const char* MethodTitle(EReliabilityMethod method) { return NamesOf(method).pszTitle; }

std::optional<EReliabilityMethod> MethodFromKeyword(const std::string& strKeyword) {
    for (const SMethodNames& names : kMethods) {
        if (strKeyword == names.pszKeyword) {
            return names.method;
        }
    }
    return std::nullopt;
}

bool IsSampling(EReliabilityMethod method) {
    return method == EReliabilityMethod::mc || method == EReliabilityMethod::lhs ||
           method == EReliabilityMethod::is;
}

bool IsSeeded(EReliabilityMethod method) {
    return IsSampling(method) || method == EReliabilityMethod::subset;
}

} // namespace stochvar::cli
