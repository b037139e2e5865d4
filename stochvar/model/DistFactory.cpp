// Creation of variables by type id: the way the editor changes the family of a variable.

#include <stochvar/model/Dist.h>

#include <stochvar/families/Normal.h>
#if __has_include(<stochvar/families/Beta.h>)
#include <stochvar/families/Beta.h>
#define STOCHVAR_HAS_BETA 1
#endif
#if __has_include(<stochvar/families/Discrete.h>)
#include <stochvar/families/Discrete.h>
#define STOCHVAR_HAS_DISCRETE 1
#endif
#if __has_include(<stochvar/families/Exponential.h>)
#include <stochvar/families/Exponential.h>
#define STOCHVAR_HAS_EXPONENTIAL 1
#endif
#if __has_include(<stochvar/families/Gumbel.h>)
#include <stochvar/families/Gumbel.h>
#define STOCHVAR_HAS_GUMBEL 1
#endif
#if __has_include(<stochvar/families/LogNormal.h>)
#include <stochvar/families/LogNormal.h>
#define STOCHVAR_HAS_LOGNORMAL 1
#endif
#if __has_include(<stochvar/families/Rayleigh.h>)
#include <stochvar/families/Rayleigh.h>
#define STOCHVAR_HAS_RAYLEIGH 1
#endif
#if __has_include(<stochvar/families/Triangular.h>)
#include <stochvar/families/Triangular.h>
#define STOCHVAR_HAS_TRIANGULAR 1
#endif
#if __has_include(<stochvar/families/Uniform.h>)
#include <stochvar/families/Uniform.h>
#define STOCHVAR_HAS_UNIFORM 1
#endif
#if __has_include(<stochvar/families/Weibull.h>)
#include <stochvar/families/Weibull.h>
#define STOCHVAR_HAS_WEIBULL 1
#endif

namespace stochvar {

CDist* CDist::CreateNewDist(int nType) {
    switch (nType) {
    case DIST_FIXED:
        return new CDist(m_ppReference, m_strVarName, this);
#ifdef STOCHVAR_HAS_BETA
    case DIST_BETA:
        return new CBeta(m_ppReference, m_strVarName, this);
#endif
#ifdef STOCHVAR_HAS_EXPONENTIAL
    case DIST_EXPONENTIAL:
        return new CExponential(m_ppReference, m_strVarName, this);
#endif
#ifdef STOCHVAR_HAS_DISCRETE
    case DIST_DISCRETE:
        return new CDiscrete(m_ppReference, m_strVarName, this);
#endif
#ifdef STOCHVAR_HAS_GUMBEL
    case DIST_GUMBEL:
        return new CGumbel(m_ppReference, m_strVarName, this);
#endif
#ifdef STOCHVAR_HAS_LOGNORMAL
    case DIST_LOGNORMAL:
        return new CLogNormal(m_ppReference, m_strVarName, this);
#endif
    case DIST_NORMAL:
        return new CNormal(m_ppReference, m_strVarName, this);
#ifdef STOCHVAR_HAS_RAYLEIGH
    case DIST_RAYLEIGH:
        return new CRayleigh(m_ppReference, m_strVarName, this);
#endif
#ifdef STOCHVAR_HAS_TRIANGULAR
    case DIST_TRIANGULAR:
        return new CTriangular(m_ppReference, m_strVarName, this);
#endif
#ifdef STOCHVAR_HAS_UNIFORM
    case DIST_UNIFORM:
        return new CUniform(m_ppReference, m_strVarName, this);
#endif
#ifdef STOCHVAR_HAS_WEIBULL
    case DIST_WEIBULL:
        return new CWeibull(m_ppReference, m_strVarName, this);
#endif
    default:
        return nullptr;
    }
}

} // namespace stochvar
