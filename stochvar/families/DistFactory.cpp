// Creation of variables by type id: the way the editor changes the family of a variable.

#include <stochvar/model/Dist.h>

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

namespace stochvar {

CDist* CDist::CreateNewDist(int nType) {
    switch (nType) {
    case DIST_FIXED:
        return new CDist(m_ppReference, m_strVarName, this);
    case DIST_BETA:
        return new CBeta(m_ppReference, m_strVarName, this);
    case DIST_EXPONENTIAL:
        return new CExponential(m_ppReference, m_strVarName, this);
    case DIST_DISCRETE:
        return new CDiscrete(m_ppReference, m_strVarName, this);
    case DIST_GUMBEL:
        return new CGumbel(m_ppReference, m_strVarName, this);
    case DIST_LOGNORMAL:
        return new CLogNormal(m_ppReference, m_strVarName, this);
    case DIST_NORMAL:
        return new CNormal(m_ppReference, m_strVarName, this);
    case DIST_RAYLEIGH:
        return new CRayleigh(m_ppReference, m_strVarName, this);
    case DIST_TRIANGULAR:
        return new CTriangular(m_ppReference, m_strVarName, this);
    case DIST_UNIFORM:
        return new CUniform(m_ppReference, m_strVarName, this);
    case DIST_WEIBULL:
        return new CWeibull(m_ppReference, m_strVarName, this);
    default:
        return nullptr;
    }
}

} // namespace stochvar
