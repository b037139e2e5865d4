#include <stochvar/families/Rayleigh.h>

#include <stochvar/families/FamilyRules.h>
#include <stochvar/numerics/Constants.h>

#include <cmath>

namespace stochvar {

STOCHVAR_IMPLEMENT_SERIAL(CRayleigh, CDist, 0)

namespace {

constexpr int kParamCombiCount = 4;

// The three factors are roots, taken at run time, of 2 / pi, 2 - pi / 2 and pi / 2.
using constants::kTwoOverPi;
using constants::kTwoMinusHalfPi;
using constants::kHalfPi;

// THETA per unit of (MEAN - LOWER_BOUND).
double K1() { return std::sqrt(kTwoOverPi); }
// STDDEV per unit of THETA.
double K2() { return std::sqrt(kTwoMinusHalfPi); }
// (MEAN - LOWER_BOUND) per unit of THETA.
double K3() { return std::sqrt(kHalfPi); }

// The COV of this family carries the sign of the mean and warns when it cannot be formed.
void SetCovFromMeanAndStdDev(CDist& dist, CDistStatus& status) {
    family_rules::SetCovFromMeanAndStdDev(dist, status, family_rules::ECovDivisor::SignedMean,
                                          family_rules::ECovFallback::KeepAndWarn);
}

} // namespace

CRayleigh::CRayleigh(CDist** ppReference, CString strName, CDist* pSource)
    : CDist(ppReference, std::move(strName), pSource) {
    InitFamily(kParamCombiCount, DIST_RAYLEIGH, pSource,
               {{PARAM_MEAN, kDefaultMean}, {PARAM_LOWER_BOUND, kDefaultLowerBound}});
}

void CRayleigh::GetParamsList(int nParamCombi, CString& strLabel, CUIntArray* pIds) {
    static const InputTypeTable kInputTypes = {
        {PARAM_MEAN, PARAM_LOWER_BOUND},
        {PARAM_THETA, PARAM_LOWER_BOUND},
        {PARAM_MEAN, PARAM_STDDEV},
        {PARAM_MEAN, PARAM_COV},
    };
    ListParams(kInputTypes, nParamCombi, strLabel, pIds);
}

CDistStatus CRayleigh::CheckCombination(int nParamCombi) {
    return family_rules::AcceptAnyCombination(*this, nParamCombi);
}

CDistStatus CRayleigh::CalcBasePar(int nParamCombi) {
    CDistStatus status;
    switch (nParamCombi) {
    case 0: {
        if (family_rules::RefuseMeanNotAboveLowerBound(*this, status)) {
            return status;
        }
        const double theta = K1() * (m_Params[PARAM_MEAN] - m_Params[PARAM_LOWER_BOUND]);
        m_Params[PARAM_THETA] = theta;
        m_Params[PARAM_STDDEV] = K2() * theta;
        SetCovFromMeanAndStdDev(*this, status);
        break;
    }
    case 1: {
        const double theta = m_Params[PARAM_THETA];
        if (family_rules::RefuseScaleNotPositive(theta, status)) {
            return status;
        }
        m_Params[PARAM_MEAN] = K3() * theta + m_Params[PARAM_LOWER_BOUND];
        m_Params[PARAM_STDDEV] = K2() * theta;
        SetCovFromMeanAndStdDev(*this, status);
        break;
    }
    case 2: {
        SetCovFromMeanAndStdDev(*this, status);
        const double theta = m_Params[PARAM_STDDEV] / K2();
        m_Params[PARAM_THETA] = theta;
        m_Params[PARAM_LOWER_BOUND] = m_Params[PARAM_MEAN] - K3() * theta;
        break;
    }
    case 3: {
        m_Params[PARAM_STDDEV] = std::fabs(m_Params[PARAM_MEAN] * m_Params[PARAM_COV]);
        const double theta = m_Params[PARAM_STDDEV] / K2();
        m_Params[PARAM_THETA] = theta;
        m_Params[PARAM_LOWER_BOUND] = m_Params[PARAM_MEAN] - K3() * theta;
        break;
    }
    default:
        break;
    }
    return status;
}

double CRayleigh::GetDensity(double x) {
    const double L = m_Params[PARAM_LOWER_BOUND];
    if (x <= L) {
        return 0.0;
    }
    const double theta = m_Params[PARAM_THETA];
    const double d = x - L;
    const double z = d / theta;
    return std::exp(-0.5 * (z * z)) * (d / std::pow(theta, 2));
}

double CRayleigh::GetCumulative(double x) {
    const double L = m_Params[PARAM_LOWER_BOUND];
    if (x <= L) {
        return 0.0;
    }
    const double z = (x - L) / m_Params[PARAM_THETA];
    return 1.0 - std::exp(-0.5 * (z * z));
}

double CRayleigh::GetInverse(double p) {
    const double theta = m_Params[PARAM_THETA];
    return m_Params[PARAM_LOWER_BOUND] + std::sqrt(std::pow(theta, 2) * std::log(1.0 - p) * -2.0);
}

void CRayleigh::SetAutoAxis() { family_rules::SetLowerBoundAxis(*this); }

CDist* CRayleigh::CreateCopy() { return new CRayleigh(m_ppReference, m_strVarName, this); }

} // namespace stochvar
