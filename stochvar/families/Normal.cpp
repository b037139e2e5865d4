#include <stochvar/families/Normal.h>

#include <stochvar/families/FamilyList.h>
#include <stochvar/families/FamilyRules.h>
#include <stochvar/numerics/Constants.h>
#include <stochvar/numerics/StdNormal.h>
#include <stochvar/numerics/TailFunctions.h>

#include <cmath>

namespace stochvar {

STOCHVAR_IMPLEMENT_SERIAL(CNormal, CDist, 0)

namespace {

using constants::kLnSqrt2Pi;
using constants::kTwoPi;
constexpr int kParamCombiCount = 2;

} // namespace

CNormal::CNormal(CDist** ppReference, CString strName, CDist* pSource)
    : CDist(ppReference, std::move(strName), pSource) {
    InitFamily(kParamCombiCount, DIST_NORMAL, pSource,
               {{PARAM_MEAN, kDefaultMean}, {PARAM_STDDEV, kDefaultStdDev}});
}

void CNormal::GetParamsList(int nParamCombi, CString& strLabel, CUIntArray* pIds) {
    static const InputTypeTable kInputTypes = {
        {PARAM_MEAN, PARAM_STDDEV},
        {PARAM_MEAN, PARAM_COV},
    };
    ListParams(kInputTypes, nParamCombi, strLabel, pIds);
}

CDistStatus CNormal::CheckCombination(int nParamCombi) {
    const double mu = m_Params[PARAM_MEAN];
    CDistStatus status;
    // Comparisons are written so that NaN fails them.
    if (nParamCombi == 0) {
        if (!(m_Params[PARAM_STDDEV] > 0.0)) {
            status.SetError("Std must be larger than zero.");
        }
    } else if (nParamCombi == 1) {
        if (!(m_Params[PARAM_COV] > 0.0)) {
            status.SetError("CoV must be larger than zero.");
        } else if (mu == 0.0 || std::isnan(mu)) {
            status.SetError("Mean value must be different from 0 when CoV is given as input.");
        }
    }
    return status;
}

CDistStatus CNormal::CalcBasePar(int nParamCombi) {
    const double mu = m_Params[PARAM_MEAN];
    if (nParamCombi == 0) {
        // No guard for mu = 0: the infinite COV is what the user asked for.
        m_Params[PARAM_COV] = m_Params[PARAM_STDDEV] / mu;
    } else if (nParamCombi == 1) {
        m_Params[PARAM_STDDEV] = std::fabs(m_Params[PARAM_COV] * mu);
    }
    return CDistStatus();
}

double CNormal::GetDensity(double x) {
    const double sigma = m_Params[PARAM_STDDEV];
    if (!(sigma > 0.0)) {
        return 0.0;
    }
    const double z = (x - m_Params[PARAM_MEAN]) / sigma;
    return std::exp(-0.5 * z * z) / (std::sqrt(kTwoPi) * sigma);
}

double CNormal::GetCumulative(double x) {
    const double sigma = m_Params[PARAM_STDDEV];
    if (!(sigma > 0.0)) {
        return 0.0;
    }
    if (IsAccurateNumericsActive()) {
        return StdNormalCdfAt(GetStandardised(x));
    }
    return StdNormalCdf((x - m_Params[PARAM_MEAN]) / sigma);
}

SDoubleDouble CNormal::GetStandardised(double x) const {
    return Quotient(ExactSum(x, -m_Params[PARAM_MEAN]), m_Params[PARAM_STDDEV]);
}

double CNormal::GetAccurateSurvival(double x) {
    if (!(m_Params[PARAM_STDDEV] > 0.0)) {
        return 1.0;
    }
    return StdNormalCdfAt(Negated(GetStandardised(x)));
}

double CNormal::GetAccurateInverseSurvival(double q) {
    const double sigma = m_Params[PARAM_STDDEV];
    if (!(sigma > 0.0)) {
        return 0.0;
    }
    return -StdNormalInverse(q) * sigma + m_Params[PARAM_MEAN];
}

double CNormal::GetAccurateLogDensity(double x) {
    const double sigma = m_Params[PARAM_STDDEV];
    if (!(sigma > 0.0)) {
        return -HUGE_VAL;
    }
    const SDoubleDouble z = GetStandardised(x);
    return -0.5 * z.hi * z.hi - z.hi * z.lo - std::log(sigma) - kLnSqrt2Pi;
}

double CNormal::GetAccurateLogCumulative(double x) {
    if (!(m_Params[PARAM_STDDEV] > 0.0)) {
        return -HUGE_VAL;
    }
    return LogStdNormalCdfAt(GetStandardised(x));
}

double CNormal::GetAccurateLogSurvival(double x) {
    if (!(m_Params[PARAM_STDDEV] > 0.0)) {
        return 0.0;
    }
    return LogStdNormalCdfAt(Negated(GetStandardised(x)));
}

double CNormal::GetInverse(double p) {
    const double sigma = m_Params[PARAM_STDDEV];
    if (!(sigma > 0.0)) {
        return 0.0;
    }
    return StdNormalInverse(p) * sigma + m_Params[PARAM_MEAN];
}

void CNormal::SetAutoAxis() { family_rules::SetMeanCentredAxis(*this); }

CDist* CNormal::CreateCopy() { return new CNormal(m_ppReference, m_strVarName, this); }

} // namespace stochvar
