#include <stochvar/families/Uniform.h>

#include <stochvar/families/FamilyList.h>
#include <stochvar/families/FamilyRules.h>

#include <cmath>

namespace stochvar {

STOCHVAR_IMPLEMENT_SERIAL(CUniform, CDist, 0)

namespace {

constexpr int kParamCombiCount = 1;
constexpr double kAxisMarginFraction = 0.1;

} // namespace

CUniform::CUniform(CDist** ppReference, CString strName, CDist* pSource)
    : CDist(ppReference, std::move(strName), pSource) {
    InitFamily(kParamCombiCount, DIST_UNIFORM, pSource,
               {{PARAM_LOWER_BOUND, kDefaultLowerBound}, {PARAM_UPPER_BOUND, kDefaultUpperBound}});
}

void CUniform::GetParamsList(int nParamCombi, CString& strLabel, CUIntArray* pIds) {
    static const InputTypeTable kInputTypes = {
        {PARAM_LOWER_BOUND, PARAM_UPPER_BOUND},
    };
    ListParams(kInputTypes, nParamCombi, strLabel, pIds);
}

CDistStatus CUniform::CheckCombination(int nParamCombi) {
    CDistStatus status;
    // A NaN bound is let through: the comparison is false.
    if (nParamCombi == 0 && m_Params[PARAM_LOWER_BOUND] >= m_Params[PARAM_UPPER_BOUND]) {
        status.SetError("Upper bound must be larger than lower bound.");
    }
    return status;
}

CDistStatus CUniform::CalcBasePar(int nParamCombi) {
    if (nParamCombi == 0) {
        const double L = m_Params[PARAM_LOWER_BOUND];
        const double U = m_Params[PARAM_UPPER_BOUND];
        m_Params[PARAM_MEAN] = (U + L) * 0.5;
        m_Params[PARAM_STDDEV] = (U - L) / std::sqrt(12.0);
    }
    return CDistStatus();
}

double CUniform::GetDensity(double x) {
    const double L = m_Params[PARAM_LOWER_BOUND];
    const double U = m_Params[PARAM_UPPER_BOUND];
    return (L <= x && x <= U) ? 1.0 / (U - L) : 0.0;
}

double CUniform::GetCumulative(double x) {
    const double L = m_Params[PARAM_LOWER_BOUND];
    const double U = m_Params[PARAM_UPPER_BOUND];
    if (x <= L) {
        return 0.0;
    }
    if (x >= U) {
        return 1.0;
    }
    return (x - L) / (U - L);
}

double CUniform::GetInverse(double p) {
    const double L = m_Params[PARAM_LOWER_BOUND];
    const double U = m_Params[PARAM_UPPER_BOUND];
    if (p < 0.0) {
        return L;
    }
    if (p > 1.0) {
        return U;
    }
    return (U - L) * p + L;
}

double CUniform::GetAccurateSurvival(double x) {
    const double L = m_Params[PARAM_LOWER_BOUND];
    const double U = m_Params[PARAM_UPPER_BOUND];
    if (x <= L) {
        return 1.0;
    }
    if (x >= U) {
        return 0.0;
    }
    return (U - x) / (U - L);
}

double CUniform::GetAccurateInverseSurvival(double q) {
    const double L = m_Params[PARAM_LOWER_BOUND];
    const double U = m_Params[PARAM_UPPER_BOUND];
    if (q < 0.0) {
        return U;
    }
    if (q > 1.0) {
        return L;
    }
    return U - (U - L) * q;
}

SMoments CUniform::GetMomentsOfBasePar() const {
    const double L = m_Params[PARAM_LOWER_BOUND];
    const double U = m_Params[PARAM_UPPER_BOUND];
    return {(L + U) / 2.0, (U - L) / std::sqrt(12.0)};
}

void CUniform::SetAutoAxis() { family_rules::SetIntervalAxis(*this, kAxisMarginFraction); }

CDist* CUniform::CreateCopy() { return new CUniform(m_ppReference, m_strVarName, this); }

} // namespace stochvar
