#include <stochvar/families/Exponential.h>

#include <stochvar/families/FamilyList.h>
#include <stochvar/families/FamilyRules.h>
#include <stochvar/numerics/Numerics.h>

#include <cmath>

namespace stochvar {

STOCHVAR_IMPLEMENT_SERIAL(CExponential, CDist, 0)

namespace {

constexpr int kParamCombiCount = 4;

// LAMBDA is a rate: the mean lies 1 / LAMBDA above the lower bound, and that distance is also
// the standard deviation. COV divides by the magnitude of the mean.
constexpr family_rules::SLocationScaleForms kForms = {
    .nScaleParam = PARAM_LAMBDA,
    .covDivisor = family_rules::ECovDivisor::MeanMagnitude,
    .pfnScaleFromMeanExcess = [](double dMeanExcess) { return 1.0 / dMeanExcess; },
    .pfnStdDevFromScale = [](double dLambda) { return 1.0 / dLambda; },
    .pfnMeanExcess = [](double /*dLambda*/, double dStdDev) { return dStdDev; },
    .pfnScaleFromStdDev = [](double dStdDev) { return 1.0 / dStdDev; },
};

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
    return family_rules::CalcLocationScalePar(*this, nParamCombi, kForms);
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
    if (IsAccurateNumericsActive()) {
        return OneMinusExpOfMinus(GetTailExponent(x));
    }
    return 1.0 - std::exp(-(x - L) * m_Params[PARAM_LAMBDA]);
}

double CExponential::GetInverse(double p) {
    if (p < 0.0) {
        return 0.0;
    }
    const double L = m_Params[PARAM_LOWER_BOUND];
    if (IsAccurateNumericsActive()) {
        return L - std::log1p(-p) / m_Params[PARAM_LAMBDA];
    }
    return L - std::log(1.0 - p) / m_Params[PARAM_LAMBDA];
}

SDoubleDouble CExponential::GetTailExponent(double x) const {
    return Times(ExactSum(x, -m_Params[PARAM_LOWER_BOUND]), m_Params[PARAM_LAMBDA]);
}

double CExponential::GetAccurateSurvival(double x) {
    if (x <= m_Params[PARAM_LOWER_BOUND]) {
        return 1.0;
    }
    return Exp(Negated(GetTailExponent(x)));
}

double CExponential::GetAccurateInverseSurvival(double q) {
    if (q > 1.0) {
        return 0.0;
    }
    return m_Params[PARAM_LOWER_BOUND] - std::log(q) / m_Params[PARAM_LAMBDA];
}

double CExponential::GetAccurateLogDensity(double x) {
    if (x <= m_Params[PARAM_LOWER_BOUND]) {
        return -HUGE_VAL;
    }
    const SDoubleDouble t = GetTailExponent(x);
    return std::log(m_Params[PARAM_LAMBDA]) - t.hi - t.lo;
}

double CExponential::GetAccurateLogSurvival(double x) {
    if (x <= m_Params[PARAM_LOWER_BOUND]) {
        return 0.0;
    }
    const SDoubleDouble t = GetTailExponent(x);
    return -t.hi - t.lo;
}

SMoments CExponential::GetMomentsOfBasePar() const {
    const double S = 1.0 / m_Params[PARAM_LAMBDA];
    return {m_Params[PARAM_LOWER_BOUND] + S, S};
}

void CExponential::SetAutoAxis() { family_rules::SetLowerBoundAxis(*this); }

CDist* CExponential::CreateCopy() { return new CExponential(m_ppReference, m_strVarName, this); }

} // namespace stochvar
