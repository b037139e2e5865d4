#include <stochvar/families/LogNormal.h>

#include <stochvar/families/FamilyList.h>
#include <stochvar/families/FamilyRules.h>
#include <stochvar/numerics/Constants.h>
#include <stochvar/numerics/MachineConstant.h>
#include <stochvar/numerics/StdNormal.h>
#include <stochvar/numerics/TailFunctions.h>

#include <cmath>

namespace stochvar {

STOCHVAR_IMPLEMENT_SERIAL(CLogNormal, CDist, 0)

namespace {

using constants::kLnSqrt2Pi;
using constants::kTwoPi;
constexpr int kParamCombiCount = 3;
constexpr double kAxisMarginInStdDevs = 0.1;
constexpr double kAxisSpreadInStdDevs = 5.0;

using family_rules::ECovDivisor;
using family_rules::ECovFallback;

} // namespace

CLogNormal::CLogNormal(CDist** ppReference, CString strName, CDist* pSource)
    : CDist(ppReference, std::move(strName), pSource) {
    InitFamily(kParamCombiCount, DIST_LOGNORMAL, pSource,
               {{PARAM_MEAN, kDefaultMean},
                {PARAM_STDDEV, kDefaultStdDev},
                {PARAM_LOWER_BOUND, kDefaultLowerBound}});
}

void CLogNormal::GetParamsList(int nParamCombi, CString& strLabel, CUIntArray* pIds) {
    static const InputTypeTable kInputTypes = {
        {PARAM_MEAN, PARAM_STDDEV, PARAM_LOWER_BOUND},
        {PARAM_MEAN, PARAM_COV, PARAM_LOWER_BOUND},
        {PARAM_EPSILON, PARAM_KSI, PARAM_LOWER_BOUND},
    };
    ListParams(kInputTypes, nParamCombi, strLabel, pIds);
}

CDistStatus CLogNormal::CheckCombination(int nParamCombi) {
    const double M = m_Params[PARAM_MEAN];
    const double L = m_Params[PARAM_LOWER_BOUND];
    CDistStatus status;
    // Comparisons are written so that NaN fails them.
    if (nParamCombi == 0) {
        if (!(m_Params[PARAM_STDDEV] > 0.0)) {
            status.SetError("Std must be positive.");
        } else if (!(M > L)) {
            status.SetError("Mean value must be larger than lower bound.");
        }
    } else if (nParamCombi == 1) {
        if (std::fabs(M) < MachineConstant(MACHINE_SMALLEST_RELATIVE_SPACING)) {
            status.SetError("Mean value must be different from zero when CoV is given as input.");
        } else if (!(M > L)) {
            status.SetError("Mean value must be larger than lower bound.");
        }
    } else if (nParamCombi == 2) {
        if (!(m_Params[PARAM_EPSILON] > 0.0)) {
            status.SetError("Parameter epsilon must be positive.");
        }
    }
    return status;
}

void CLogNormal::CalcEpsilonKsi() {
    const double shiftedMean = m_Params[PARAM_MEAN] - m_Params[PARAM_LOWER_BOUND];
    const double ratio = m_Params[PARAM_STDDEV] / shiftedMean;
    const double epsilon = std::sqrt(std::log(1.0 + ratio * ratio));
    m_Params[PARAM_EPSILON] = epsilon;
    m_Params[PARAM_KSI] = std::log(shiftedMean) - 0.5 * (epsilon * epsilon);
}

CDistStatus CLogNormal::CalcBasePar(int nParamCombi) {
    // A mean too close to zero leaves COV as it was, without a message.
    CDistStatus ignored;
    if (nParamCombi == 0) {
        family_rules::SetCovFromMeanAndStdDev(*this, ignored, ECovDivisor::SignedMean,
                                              ECovFallback::KeepSilently);
        CalcEpsilonKsi();
    } else if (nParamCombi == 1) {
        // Signed on purpose: only the square of STDDEV / (MEAN - L) enters the conversion.
        m_Params[PARAM_STDDEV] = m_Params[PARAM_MEAN] * m_Params[PARAM_COV];
        CalcEpsilonKsi();
    } else if (nParamCombi == 2) {
        const double epsilon = m_Params[PARAM_EPSILON];
        const double L = m_Params[PARAM_LOWER_BOUND];
        const double M = std::exp(m_Params[PARAM_KSI] + 0.5 * (epsilon * epsilon)) + L;
        m_Params[PARAM_MEAN] = M;
        m_Params[PARAM_STDDEV] = (M - L) * std::sqrt(std::exp(epsilon * epsilon) - 1.0);
        family_rules::SetCovFromMeanAndStdDev(*this, ignored, ECovDivisor::SignedMean,
                                              ECovFallback::KeepSilently);
    }
    return CDistStatus();
}

double CLogNormal::GetDensity(double x) {
    const double L = m_Params[PARAM_LOWER_BOUND];
    if (x <= L) {
        return 0.0;
    }
    const double epsilon = m_Params[PARAM_EPSILON];
    const double d = x - L;
    const double z = (std::log(d) - m_Params[PARAM_KSI]) / epsilon;
    return std::exp(-0.5 * (z * z)) / (std::sqrt(kTwoPi) * d * epsilon);
}

double CLogNormal::GetCumulative(double x) {
    const double L = m_Params[PARAM_LOWER_BOUND];
    if (x <= L) {
        return 0.0;
    }
    if (IsAccurateNumericsActive()) {
        return StdNormalCdfAt(GetStandardised(x));
    }
    const double z = (std::log(x - L) - m_Params[PARAM_KSI]) / m_Params[PARAM_EPSILON];
    return StdNormalCdf(z);
}

SDoubleDouble CLogNormal::GetStandardised(double x) const {
    const SDoubleDouble d = ExactSum(x, -m_Params[PARAM_LOWER_BOUND]);
    // ln(hi + lo) = ln(hi) + lo / hi up to (lo / hi)^2.
    const SDoubleDouble lnD = Plus(LogOf(d.hi), d.lo / d.hi);
    return Quotient(Plus(lnD, -m_Params[PARAM_KSI]), m_Params[PARAM_EPSILON]);
}

double CLogNormal::GetAccurateSurvival(double x) {
    if (x <= m_Params[PARAM_LOWER_BOUND]) {
        return 1.0;
    }
    return StdNormalCdfAt(Negated(GetStandardised(x)));
}

double CLogNormal::GetAccurateInverseSurvival(double q) {
    return std::exp(-StdNormalInverse(q) * m_Params[PARAM_EPSILON] + m_Params[PARAM_KSI]) +
           m_Params[PARAM_LOWER_BOUND];
}

double CLogNormal::GetAccurateLogDensity(double x) {
    const double L = m_Params[PARAM_LOWER_BOUND];
    if (x <= L) {
        return -HUGE_VAL;
    }
    const SDoubleDouble z = GetStandardised(x);
    return -0.5 * z.hi * z.hi - z.hi * z.lo - std::log(x - L) - std::log(m_Params[PARAM_EPSILON]) -
           kLnSqrt2Pi;
}

double CLogNormal::GetAccurateLogCumulative(double x) {
    if (x <= m_Params[PARAM_LOWER_BOUND]) {
        return -HUGE_VAL;
    }
    return LogStdNormalCdfAt(GetStandardised(x));
}

double CLogNormal::GetAccurateLogSurvival(double x) {
    if (x <= m_Params[PARAM_LOWER_BOUND]) {
        return 0.0;
    }
    return LogStdNormalCdfAt(Negated(GetStandardised(x)));
}

SMoments CLogNormal::GetMomentsOfBasePar() const {
    const double epsilon = m_Params[PARAM_EPSILON];
    const double meanExcess = std::exp(m_Params[PARAM_KSI] + 0.5 * (epsilon * epsilon));
    return {m_Params[PARAM_LOWER_BOUND] + meanExcess,
            meanExcess * std::sqrt(std::expm1(epsilon * epsilon))};
}

double CLogNormal::GetInverse(double p) {
    // Outside 0 < p < 1 the standard normal inverse saturates at -1000 or +1000, which gives the
    // lower bound (up to a vanishing term) or a huge, possibly infinite, value.
    const double z = StdNormalInverse(p);
    return std::exp(z * m_Params[PARAM_EPSILON] + m_Params[PARAM_KSI]) +
           m_Params[PARAM_LOWER_BOUND];
}

void CLogNormal::SetAutoAxis() {
    const double S = m_Params[PARAM_STDDEV];
    if (S > 0.0) {
        m_dAxisMin = m_Params[PARAM_LOWER_BOUND] - kAxisMarginInStdDevs * S;
        m_dAxisMax = m_Params[PARAM_MEAN] + kAxisSpreadInStdDevs * S;
    }
}

CDist* CLogNormal::CreateCopy() { return new CLogNormal(m_ppReference, m_strVarName, this); }

} // namespace stochvar
