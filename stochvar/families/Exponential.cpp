#include <stochvar/families/Exponential.h>

#include <stochvar/families/FamilyRules.h>

#include <cmath>

namespace stochvar {

STOCHVAR_IMPLEMENT_SERIAL(CExponential, CDist, 0)

namespace {

constexpr int kParamCombiCount = 4;

// The COV of this family divides by the magnitude of the mean and warns when it cannot.
void SetCovFromMeanAndStdDev(CDist& dist, CDistStatus& status) {
    family_rules::SetCovFromMeanAndStdDev(dist, status, family_rules::ECovDivisor::MeanMagnitude,
                                          family_rules::ECovFallback::KeepAndWarn);
}

} // namespace

CExponential::CExponential(CDist** ppReference, CString strName, CDist* pSource)
    : CDist(ppReference, std::move(strName), pSource) {
    InitFamily(kParamCombiCount, DIST_EXPONENTIAL, pSource,
               {{PARAM_MEAN, kDefaultMean}, {PARAM_LOWER_BOUND, kDefaultLowerBound}});
}

void CExponential::GetParamsList(int nParamCombi, CString& strLabel, CUIntArray* pIds) {
    static const InputTypeTable kInputTypes = {
        {PARAM_MEAN, PARAM_LOWER_BOUND},
        {PARAM_LAMBDA, PARAM_LOWER_BOUND},
        {PARAM_MEAN, PARAM_STDDEV},
        {PARAM_MEAN, PARAM_COV},
    };
    ListParams(kInputTypes, nParamCombi, strLabel, pIds);
}

CDistStatus CExponential::CheckCombination(int nParamCombi) {
    return family_rules::AcceptAnyCombination(*this, nParamCombi);
}

CDistStatus CExponential::CalcBasePar(int nParamCombi) {
    CDistStatus status;
    switch (nParamCombi) {
    case 0: {
        if (family_rules::RefuseMeanNotAboveLowerBound(*this, status)) {
            return status;
        }
        const double lambda = 1.0 / (m_Params[PARAM_MEAN] - m_Params[PARAM_LOWER_BOUND]);
        m_Params[PARAM_LAMBDA] = lambda;
        m_Params[PARAM_STDDEV] = 1.0 / lambda;
        SetCovFromMeanAndStdDev(*this, status);
        break;
    }
    case 1: {
        const double lambda = m_Params[PARAM_LAMBDA];
        if (family_rules::RefuseScaleNotPositive(lambda, status)) {
            return status;
        }
        m_Params[PARAM_MEAN] = 1.0 / lambda + m_Params[PARAM_LOWER_BOUND];
        m_Params[PARAM_STDDEV] = 1.0 / lambda;
        SetCovFromMeanAndStdDev(*this, status);
        break;
    }
    case 2:
        SetCovFromMeanAndStdDev(*this, status);
        m_Params[PARAM_LAMBDA] = 1.0 / m_Params[PARAM_STDDEV];
        m_Params[PARAM_LOWER_BOUND] = m_Params[PARAM_MEAN] - m_Params[PARAM_STDDEV];
        break;
    case 3:
        m_Params[PARAM_STDDEV] = std::fabs(m_Params[PARAM_MEAN] * m_Params[PARAM_COV]);
        m_Params[PARAM_LAMBDA] = 1.0 / m_Params[PARAM_STDDEV];
        m_Params[PARAM_LOWER_BOUND] = m_Params[PARAM_MEAN] - m_Params[PARAM_STDDEV];
        break;
    default:
        break;
    }
    return status;
}

double CExponential::GetDensity(double x) {
    const double L = m_Params[PARAM_LOWER_BOUND];
    if (x <= L) {
        return 0.0;
    }
    const double lambda = m_Params[PARAM_LAMBDA];
    return lambda * std::exp(-(x - L) * lambda);
}

double CExponential::GetCumulative(double x) {
    const double L = m_Params[PARAM_LOWER_BOUND];
    if (x <= L) {
        return 0.0;
    }
    return 1.0 - std::exp(-(x - L) * m_Params[PARAM_LAMBDA]);
}

double CExponential::GetInverse(double p) {
    if (p < 0.0) {
        return 0.0;
    }
    return m_Params[PARAM_LOWER_BOUND] - std::log(1.0 - p) / m_Params[PARAM_LAMBDA];
}

void CExponential::SetAutoAxis() { family_rules::SetLowerBoundAxis(*this); }

CDist* CExponential::CreateCopy() { return new CExponential(m_ppReference, m_strVarName, this); }

} // namespace stochvar
