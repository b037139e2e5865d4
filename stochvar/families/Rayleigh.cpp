#include <stochvar/families/Rayleigh.h>

#include <stochvar/families/FamilyList.h>
#include <stochvar/families/FamilyRules.h>
#include <stochvar/numerics/Constants.h>
#include <stochvar/numerics/Numerics.h>

#include <cmath>

namespace stochvar {

STOCHVAR_IMPLEMENT_SERIAL(CRayleigh, CDist, 0)

namespace {

constexpr int kParamCombiCount = 4;

// The three factors are roots, taken at run time, of 2 / pi, 2 - pi / 2 and pi / 2.
using constants::kHalfPi;
using constants::kTwoMinusHalfPi;
using constants::kTwoOverPi;

// THETA per unit of (MEAN - LOWER_BOUND).
double K1() { return std::sqrt(kTwoOverPi); }
// STDDEV per unit of THETA.
double K2() { return std::sqrt(kTwoMinusHalfPi); }
// (MEAN - LOWER_BOUND) per unit of THETA.
double K3() { return std::sqrt(kHalfPi); }

// THETA is a scale: the mean lies K3 THETA above the lower bound, the standard deviation is
// K2 THETA. COV carries the sign of the mean.
constexpr family_rules::SLocationScaleForms kForms = {
    .nScaleParam = PARAM_THETA,
    .covDivisor = family_rules::ECovDivisor::SignedMean,
    .pfnScaleFromMeanExcess = [](double dMeanExcess) { return K1() * dMeanExcess; },
    .pfnStdDevFromScale = [](double dTheta) { return K2() * dTheta; },
    .pfnMeanExcess = [](double dTheta, double /*dStdDev*/) { return K3() * dTheta; },
    .pfnScaleFromStdDev = [](double dStdDev) { return dStdDev / K2(); },
};

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
    return family_rules::CalcLocationScalePar(*this, nParamCombi, kForms);
}

double CRayleigh::GetDensity(double x) {
    const double L = m_Params[PARAM_LOWER_BOUND];
    if (x <= L) {
        return 0.0;
    }
    const double theta = m_Params[PARAM_THETA];
    const double d = x - L;
    const double z = d / theta;
    // Squares are products throughout: a library pow may round them otherwise, and an optimiser
    // turns pow(theta, 2) into the product in some builds only.
    return std::exp(-0.5 * (z * z)) * (d / (theta * theta));
}

double CRayleigh::GetCumulative(double x) {
    const double L = m_Params[PARAM_LOWER_BOUND];
    if (x <= L) {
        return 0.0;
    }
    if (IsAccurateNumericsActive()) {
        return OneMinusExpOfMinus(GetTailExponent(x));
    }
    const double z = (x - L) / m_Params[PARAM_THETA];
    return 1.0 - std::exp(-0.5 * (z * z));
}

double CRayleigh::GetInverse(double p) {
    const double theta = m_Params[PARAM_THETA];
    if (IsAccurateNumericsActive()) {
        return m_Params[PARAM_LOWER_BOUND] + theta * std::sqrt(-2.0 * std::log1p(-p));
    }
    return m_Params[PARAM_LOWER_BOUND] + std::sqrt(theta * theta * std::log(1.0 - p) * -2.0);
}

SDoubleDouble CRayleigh::GetTailExponent(double x) const {
    const SDoubleDouble z =
        Quotient(ExactSum(x, -m_Params[PARAM_LOWER_BOUND]), m_Params[PARAM_THETA]);
    return Times(Square(z), 0.5);
}

double CRayleigh::GetAccurateSurvival(double x) {
    if (x <= m_Params[PARAM_LOWER_BOUND]) {
        return 1.0;
    }
    return Exp(Negated(GetTailExponent(x)));
}

double CRayleigh::GetAccurateInverseSurvival(double q) {
    return m_Params[PARAM_LOWER_BOUND] + m_Params[PARAM_THETA] * std::sqrt(-2.0 * std::log(q));
}

double CRayleigh::GetAccurateLogDensity(double x) {
    const double L = m_Params[PARAM_LOWER_BOUND];
    if (x <= L) {
        return -HUGE_VAL;
    }
    const double theta = m_Params[PARAM_THETA];
    const SDoubleDouble h = GetTailExponent(x);
    return std::log((x - L) / theta) - std::log(theta) - h.hi - h.lo;
}

double CRayleigh::GetAccurateLogSurvival(double x) {
    if (x <= m_Params[PARAM_LOWER_BOUND]) {
        return 0.0;
    }
    const SDoubleDouble h = GetTailExponent(x);
    return -h.hi - h.lo;
}

SMoments CRayleigh::GetMomentsOfBasePar() const {
    const double theta = m_Params[PARAM_THETA];
    return {m_Params[PARAM_LOWER_BOUND] + K3() * theta, K2() * theta};
}

void CRayleigh::SetAutoAxis() { family_rules::SetLowerBoundAxis(*this); }

CDist* CRayleigh::CreateCopy() { return new CRayleigh(m_ppReference, m_strVarName, this); }

} // namespace stochvar
