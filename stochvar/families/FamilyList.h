#pragma once

// The list of families: every kind of variable the library knows, one row each, in type-id
// order. What the rest of the library knows of the families as a set comes from here: the
// factory (CDist::CreateNewDist), the type keywords (CDist::m_DistNames, the documents), the
// count of type ids, and the Python module's classes. Adding a family is one type id and one
// row here, plus the family's class (CONTRIBUTING.md, "Adding a family").

#include <stochvar/families/Beta.h>
#include <stochvar/families/Discrete.h>
#include <stochvar/families/Exponential.h>
#include <stochvar/families/Gumbel.h>
#include <stochvar/families/LogNormal.h>
#include <stochvar/families/Normal.h>
#include <stochvar/families/Rayleigh.h>
#include <stochvar/families/Triangular.h>
#include <stochvar/families/Uniform.h>
#include <stochvar/families/Weibull.h>
#include <stochvar/model/Dist.h>

#include <iterator>
#include <utility>

namespace stochvar {

// Type ids of the families: archives store them and the editor's type list is indexed by them,
// so a family keeps its number for good. DIST_FIXED (0), the fixed kind, is CDist itself and
// belongs to the model (model/Keywords.h).
enum EFamilyType : int {
    DIST_BETA = 1,
    DIST_EXPONENTIAL = 2,
    DIST_DISCRETE = 3,
    DIST_GUMBEL = 4,
    DIST_LOGNORMAL = 5,
    DIST_NORMAL = 6,
    DIST_RAYLEIGH = 7,
    DIST_TRIANGULAR = 8,
    DIST_UNIFORM = 9,
    DIST_WEIBULL = 10,
};

// A new variable of the class TDist through its full constructor (reference slot, name, source).
template <class TDist>
CDist* CreateFamilyVariable(CDist** ppReference, CString strName, CDist* pSource) {
    return new TDist(ppReference, std::move(strName), pSource);
}

struct SFamily {
    int nType;                  // type id
    const char* pszKeyword;     // type keyword: documents, the editor's type list
    const char* pszPythonClass; // the family's class in the Python module
    const char* pszSummary;     // what a variable of the family is, for the Python docstring
    CDist* (*pfnCreate)(CDist** ppReference, CString strName, CDist* pSource);
};

inline constexpr SFamily kFamilies[] = {
    {DIST_FIXED, "FIXED", "Fixed", "A deterministic value: always its mean.",
     &CreateFamilyVariable<CDist>},
    {DIST_BETA, "BETA", "Beta",
     "Beta variable on [lower_bound, upper_bound] with exponents r and s (t = r + s).",
     &CreateFamilyVariable<CBeta>},
    {DIST_EXPONENTIAL, "EXPONENTIAL", "Exponential",
     "Shifted exponential variable: X - lower_bound is exponential with rate lambda_.",
     &CreateFamilyVariable<CExponential>},
    {DIST_DISCRETE, "DISCRETE", "Discrete",
     "Discrete variable: named categories with frequencies; its values are the category\n"
     "positions 0, 1, ...",
     &CreateFamilyVariable<CDiscrete>},
    {DIST_GUMBEL, "GUMBEL", "Gumbel",
     "Gumbel (largest extreme value) variable with inverse scale alpha and location beta.",
     &CreateFamilyVariable<CGumbel>},
    {DIST_LOGNORMAL, "LOGNORMAL", "LogNormal",
     "Shifted lognormal variable: X = lower_bound + exp(Y), with Y normal of mean ksi and\n"
     "standard deviation epsilon.",
     &CreateFamilyVariable<CLogNormal>},
    {DIST_NORMAL, "NORMAL", "Normal", "Normal variable with mean and standard deviation.",
     &CreateFamilyVariable<CNormal>},
    {DIST_RAYLEIGH, "RAYLEIGH", "Rayleigh", "Shifted Rayleigh variable with scale theta.",
     &CreateFamilyVariable<CRayleigh>},
    {DIST_TRIANGULAR, "TRIANGULAR", "Triangular",
     "Triangular variable on [lower_bound, upper_bound] with its mode at most_likely.",
     &CreateFamilyVariable<CTriangular>},
    {DIST_UNIFORM, "UNIFORM", "Uniform", "Uniform variable on [lower_bound, upper_bound].",
     &CreateFamilyVariable<CUniform>},
    {DIST_WEIBULL, "WEIBULL", "Weibull",
     "Shifted Weibull variable with scale alpha and shape beta; delta = alpha**-beta, and cov\n"
     "is stddev / (mean - lower_bound).",
     &CreateFamilyVariable<CWeibull>},
};

// The number of type ids: 0 to DIST_COUNT - 1.
inline constexpr int DIST_COUNT = static_cast<int>(std::size(kFamilies));

// The row of a type id, or null for an id outside 0 to DIST_COUNT - 1.
constexpr const SFamily* FindFamily(int nType) {
    return nType >= 0 && nType < DIST_COUNT ? &kFamilies[nType] : nullptr;
}

// Row i is the family of type id i, so that FindFamily is an index.
static_assert([] {
    for (int i = 0; i < DIST_COUNT; ++i) {
        if (kFamilies[i].nType != i) {
            return false;
        }
    }
    return true;
}());

} // namespace stochvar
