#include <stochvar/families/Gumbel.h>

#include <stochvar/families/FamilyList.h>
#include <stochvar/families/FamilyRules.h>
#include <stochvar/numerics/Constants.h>
#include <stochvar/numerics/MachineConstant.h>

#include <cmath>

namespace stochvar {

STOCHVAR_IMPLEMENT_SERIAL(CGumbel, CDist, 0)

namespace {

constexpr int kParamCombiCount = 3;
using constants::kEulerGamma;
using constants::kPi;

using family_rules::ECovDivisor;
using family_rules::ECovFallback;

// pi / (sqrt(6) * scale): the factor between the standard deviation and 1 / ALPHA.
double PiOverRootSixTimes(double value) { return kPi / (std::sqrt(6.0) * value); }

} // namespace

CGumbel::CGumbel(CDist** ppReference, CString strName, CDist* pSource)
    : CDist(ppReference, std::move(strName), pSource) {
    InitFamily(kParamCombiCount, DIST_GUMBEL, pSource,
               {{PARAM_MEAN, kDefaultMean}, {PARAM_STDDEV, kDefaultStdDev}});
}

void CGumbel::GetParamsList(int nParamCombi, CString& strLabel, CUIntArray* pIds) {
    static const InputTypeTable kInputTypes = {
        {PARAM_MEAN, PARAM_STDDEV},
        {PARAM_MEAN, PARAM_COV},
        {PARAM_ALPHA, PARAM_BETA},
    };
    ListParams(kInputTypes, nParamCombi, strLabel, pIds);
}

CDistStatus CGumbel::CheckCombination(int nParamCombi) {
    return family_rules::AcceptAnyCombination(*this, nParamCombi);
}

void CGumbel::CalcAlphaBeta() {
    const double alpha = PiOverRootSixTimes(m_Params[PARAM_STDDEV]);
    m_Params[PARAM_ALPHA] = alpha;
    m_Params[PARAM_BETA] = m_Params[PARAM_MEAN] - kEulerGamma / alpha;
}

CDistStatus CGumbel::CalcBasePar(int nParamCombi) {
    CDistStatus status;
    switch (nParamCombi) {
    case 0:
        if (!(m_Params[PARAM_STDDEV] > 0.0)) {
            status.SetError("Standard deviation must be positive.");
            return status;
        }
        family_rules::SetCovFromMeanAndStdDev(*this, status, ECovDivisor::SignedMean,
                                              ECovFallback::KeepAndWarn);
        CalcAlphaBeta();
        break;
    case 1:
        m_Params[PARAM_STDDEV] = std::fabs(m_Params[PARAM_MEAN]) * m_Params[PARAM_COV];
        CalcAlphaBeta();
        break;
    case 2: {
        const double alpha = m_Params[PARAM_ALPHA];
        if (!(alpha > 0.0)) {
            status.SetError("Alpha must be positive.");
            return status;
        }
        m_Params[PARAM_MEAN] = kEulerGamma / alpha + m_Params[PARAM_BETA];
        m_Params[PARAM_STDDEV] = PiOverRootSixTimes(alpha);
        family_rules::SetCovFromMeanAndStdDev(*this, status, ECovDivisor::SignedMean,
                                              ECovFallback::KeepSilently);
        break;
    }
    default:
        break;
    }
    return status;
}

double CGumbel::GetDensity(double x) {
    const double alpha = m_Params[PARAM_ALPHA];
    const double t = -(x - m_Params[PARAM_BETA]) * alpha;
    return alpha * std::exp(t - std::exp(t));
}

double CGumbel::GetCumulative(double x) {
    return std::exp(-std::exp(-(x - m_Params[PARAM_BETA]) * m_Params[PARAM_ALPHA]));
}

double CGumbel::GetInverse(double p) {
    const double clamp = MachineConstant(MACHINE_LARGEST_RELATIVE_SPACING);
    double q = p;
    if (p < clamp) {
        q = clamp;
    } else if (p > 1.0 - clamp) {
        q = 1.0 - clamp;
    }
    return m_Params[PARAM_BETA] - std::log(-std::log(q)) / m_Params[PARAM_ALPHA];
}

void CGumbel::SetAutoAxis() { family_rules::SetMeanCentredAxis(*this); }

CDist* CGumbel::CreateCopy() { return new CGumbel(m_ppReference, m_strVarName, this); }

} // namespace stochvar
