#include <stochvar/families/Gumbel.h>

#include <stochvar/families/FamilyList.h>
#include <stochvar/families/FamilyRules.h>
#include <stochvar/numerics/Constants.h>
#include <stochvar/numerics/MachineConstant.h>
#include <stochvar/numerics/Numerics.h>

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace stochvar {

STOCHVAR_IMPLEMENT_SERIAL(CGumbel, CDist, 0)

namespace {

constexpr int kParamCombiCount = 3;
using constants::kEulerGamma;
using constants::kPi;

// The clamp of the inverse under accurate numerics: the smallest positive double and the largest
// below 1.
constexpr double kSmallestProbability = DBL_TRUE_MIN;
constexpr double kLargestProbability = 1.0 - DBL_EPSILON / 2.0;

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
    if (IsAccurateNumericsActive()) {
        return Exp(Negated(GetDoubleExponent(x)));
    }
    return std::exp(-std::exp(-(x - m_Params[PARAM_BETA]) * m_Params[PARAM_ALPHA]));
}

double CGumbel::GetPointOfLogCumulative(double w) const {
    return m_Params[PARAM_BETA] - std::log(w) / m_Params[PARAM_ALPHA];
}

double CGumbel::GetInverse(double p) {
    if (IsAccurateNumericsActive()) {
        const double q = std::clamp(p, kSmallestProbability, kLargestProbability);
        // -ln q, for q above 1/2 from q - 1, which is exact there.
        return GetPointOfLogCumulative(q < 0.5 ? -std::log(q) : -std::log1p(q - 1.0));
    }
    const double clamp = MachineConstant(MACHINE_LARGEST_RELATIVE_SPACING);
    double q = p;
    if (p < clamp) {
        q = clamp;
    } else if (p > 1.0 - clamp) {
        q = 1.0 - clamp;
    }
    return m_Params[PARAM_BETA] - std::log(-std::log(q)) / m_Params[PARAM_ALPHA];
}

SDoubleDouble CGumbel::GetExponent(double x) const {
    return Times(ExactSum(m_Params[PARAM_BETA], -x), m_Params[PARAM_ALPHA]);
}

SDoubleDouble CGumbel::GetDoubleExponent(double x) const {
    const SDoubleDouble u = GetExponent(x);
    const double E = std::exp(u.hi);
    if (!std::isfinite(E)) {
        return NotFinite(E);
    }
    return Renormalised(E, E * u.lo);
}

double CGumbel::GetAccurateSurvival(double x) { return OneMinusExpOfMinus(GetDoubleExponent(x)); }

double CGumbel::GetAccurateInverseSurvival(double q) {
    const double r = std::clamp(q, kSmallestProbability, kLargestProbability);
    // -ln(1 - r), for r above 1/2 from 1 - r, which is exact there.
    return GetPointOfLogCumulative(r < 0.5 ? -std::log1p(-r) : -std::log(1.0 - r));
}

double CGumbel::GetAccurateLogDensity(double x) {
    const SDoubleDouble u = GetExponent(x);
    const SDoubleDouble E = GetDoubleExponent(x);
    return std::log(m_Params[PARAM_ALPHA]) + u.hi + u.lo - E.hi - E.lo;
}

double CGumbel::GetAccurateLogCumulative(double x) {
    const SDoubleDouble E = GetDoubleExponent(x);
    return -E.hi - E.lo;
}

SMoments CGumbel::GetMomentsOfBasePar() const {
    const double alpha = m_Params[PARAM_ALPHA];
    return {m_Params[PARAM_BETA] + kEulerGamma / alpha, PiOverRootSixTimes(alpha)};
}

void CGumbel::SetAutoAxis() { family_rules::SetMeanCentredAxis(*this); }

CDist* CGumbel::CreateCopy() { return new CGumbel(m_ppReference, m_strVarName, this); }

} // namespace stochvar
