#include <stochvar/families/Beta.h>

#include <stochvar/families/FamilyList.h>
#include <stochvar/families/FamilyRules.h>
#include <stochvar/numerics/BetaFunctions.h>
#include <stochvar/numerics/NumberText.h>
#include <stochvar/numerics/Numerics.h>
#include <stochvar/numerics/TailFunctions.h>

#include <cmath>

namespace stochvar {

STOCHVAR_IMPLEMENT_SERIAL(CBeta, CDist, 0)

namespace {

constexpr int kParamCombiCount = 4;

constexpr const char* kMsgStdDevNotPositive = "Standard deviation must be positive.";
constexpr const char* kMsgMeanOutsideBounds = "Mu must be in between lower to upper bound";
constexpr const char* kMsgCovNotPositive = "CoV must be positive.";
constexpr const char* kMsgTBelowR = "T must be larger than or equal R.";
constexpr const char* kMsgSNotPositive = "S must be positive.";

// The automatic axis extends the interval by this fraction of its width on each side.
constexpr double kAxisMargin = 0.05;

// COV divides by the magnitude of the mean and warns when the mean is too close to zero.
void SetCovFromMeanAndStdDev(CDist& dist, CDistStatus& status) {
    family_rules::SetCovFromMeanAndStdDev(dist, status, family_rules::ECovDivisor::MeanMagnitude,
                                          family_rules::ECovFallback::KeepAndWarn);
}

bool RefuseMeanOutsideBounds(const CDist& dist, CDistStatus& status) {
    const double mu = dist.GetParamValue(PARAM_MEAN);
    if (mu <= dist.GetParamValue(PARAM_LOWER_BOUND) ||
        mu >= dist.GetParamValue(PARAM_UPPER_BOUND)) {
        status.SetError(kMsgMeanOutsideBounds);
        return true;
    }
    return false;
}

} // namespace

CBeta::CBeta(CDist** ppReference, CString strName, CDist* pSource)
    : CDist(ppReference, std::move(strName), pSource) {
    InitFamily(kParamCombiCount, DIST_BETA, pSource,
               {{PARAM_MEAN, kDefaultMean},
                {PARAM_STDDEV, kDefaultStdDev},
                {PARAM_LOWER_BOUND, kDefaultLowerBound},
                {PARAM_UPPER_BOUND, kDefaultUpperBound}});
}

void CBeta::GetParamsList(int nParamCombi, CString& strLabel, CUIntArray* pIds) {
    static const InputTypeTable kInputTypes = {
        {PARAM_MEAN, PARAM_STDDEV, PARAM_LOWER_BOUND, PARAM_UPPER_BOUND},
        {PARAM_MEAN, PARAM_COV, PARAM_LOWER_BOUND, PARAM_UPPER_BOUND},
        {PARAM_R, PARAM_T, PARAM_LOWER_BOUND, PARAM_UPPER_BOUND},
        {PARAM_R, PARAM_S, PARAM_LOWER_BOUND, PARAM_UPPER_BOUND},
    };
    ListParams(kInputTypes, nParamCombi, strLabel, pIds);
}

CDistStatus CBeta::CheckCombination(int nParamCombi) {
    return family_rules::AcceptAnyCombination(*this, nParamCombi);
}

void CBeta::ExponentsFromMoments() {
    const double d = m_Params[PARAM_UPPER_BOUND] - m_Params[PARAM_LOWER_BOUND];
    const double sigma = m_Params[PARAM_STDDEV];
    const double m = m_Params[PARAM_MEAN] - m_Params[PARAM_LOWER_BOUND];
    // Method of moments for the standard beta variable (X - L)/d with mean m/d.
    const double T = (m * d / (sigma * sigma)) * (1.0 - m / d) - 1.0;
    const double R = T * m / d;
    m_Params[PARAM_T] = T;
    m_Params[PARAM_R] = R;
    m_Params[PARAM_S] = T - R;
}

void CBeta::MomentsFromExponents() {
    const double d = m_Params[PARAM_UPPER_BOUND] - m_Params[PARAM_LOWER_BOUND];
    const double R = m_Params[PARAM_R];
    const double T = m_Params[PARAM_T];
    m_Params[PARAM_MEAN] = d * R / T + m_Params[PARAM_LOWER_BOUND];
    m_Params[PARAM_STDDEV] = std::sqrt(T - R) * (d * R / T) / std::sqrt((T + 1.0) * R);
}

CDistStatus CBeta::CalcBasePar(int nParamCombi) {
    CDistStatus status;
    switch (nParamCombi) {
    case 0:
        if (m_Params[PARAM_STDDEV] <= 0.0) {
            status.SetError(kMsgStdDevNotPositive);
            return status;
        }
        if (RefuseMeanOutsideBounds(*this, status)) {
            return status;
        }
        ExponentsFromMoments();
        SetCovFromMeanAndStdDev(*this, status);
        break;
    case 1:
        if (m_Params[PARAM_COV] <= 0.0) {
            status.SetError(kMsgCovNotPositive);
            return status;
        }
        if (RefuseMeanOutsideBounds(*this, status)) {
            return status;
        }
        m_Params[PARAM_STDDEV] = std::fabs(m_Params[PARAM_COV] * m_Params[PARAM_MEAN]);
        ExponentsFromMoments();
        SetCovFromMeanAndStdDev(*this, status);
        break;
    case 2:
        if (m_Params[PARAM_T] < m_Params[PARAM_R]) {
            status.SetError(kMsgTBelowR);
            return status;
        }
        MomentsFromExponents();
        m_Params[PARAM_S] = m_Params[PARAM_T] - m_Params[PARAM_R];
        SetCovFromMeanAndStdDev(*this, status);
        break;
    case 3:
        if (m_Params[PARAM_S] <= 0.0) {
            status.SetError(kMsgSNotPositive);
            return status;
        }
        m_Params[PARAM_T] = m_Params[PARAM_R] + m_Params[PARAM_S];
        MomentsFromExponents();
        SetCovFromMeanAndStdDev(*this, status);
        break;
    default:
        break;
    }
    return status;
}

double CBeta::GetDensity(double x) {
    const double L = m_Params[PARAM_LOWER_BOUND];
    const double U = m_Params[PARAM_UPPER_BOUND];
    if (x < L || x > U) {
        return 0.0;
    }
    const double R = m_Params[PARAM_R];
    const double S = m_Params[PARAM_S];
    const double T = m_Params[PARAM_T];
    return std::pow(x - L, R - 1.0) * std::pow(U - x, S - 1.0) /
           (dBeta(R, S) * std::pow(U - L, T - 1.0));
}

double CBeta::GetCumulative(double x) {
    const double L = m_Params[PARAM_LOWER_BOUND];
    const double U = m_Params[PARAM_UPPER_BOUND];
    if (x < L) {
        return 0.0;
    }
    if (x > U) {
        return 1.0;
    }
    if (IsAccurateNumericsActive() && HasShape()) {
        return GetTails(x).dLower;
    }
    return BetaI((x - L) / (U - L), m_Params[PARAM_R], m_Params[PARAM_S]);
}

bool CBeta::HasShape() const {
    return m_Params[PARAM_LOWER_BOUND] < m_Params[PARAM_UPPER_BOUND] && m_Params[PARAM_R] > 0.0 &&
           m_Params[PARAM_S] > 0.0;
}

SBetaTails CBeta::GetTails(double x) const {
    const double L = m_Params[PARAM_LOWER_BOUND];
    const double U = m_Params[PARAM_UPPER_BOUND];
    return IncompleteBetaTails((x - L) / (U - L), (U - x) / (U - L), m_Params[PARAM_R],
                               m_Params[PARAM_S]);
}

double CBeta::GetAccurateSurvival(double x) {
    if (!HasShape() || x < m_Params[PARAM_LOWER_BOUND] || x > m_Params[PARAM_UPPER_BOUND]) {
        return CDist::GetAccurateSurvival(x);
    }
    return GetTails(x).dUpper;
}

double CBeta::GetAccurateInverseSurvival(double q) {
    PrepareInverse();
    const double L = m_Params[PARAM_LOWER_BOUND];
    const double U = m_Params[PARAM_UPPER_BOUND];
    const double d = U - L;
    double y = 0.0;
    int nStatus = 0;
    // GetInverse mirrored: the upper half from the upper bound.
    if (q <= 0.5) {
        BetaInv(q, m_Params[PARAM_S], m_Params[PARAM_R], y, nStatus, &m_InverseConstants);
        return U - d * y;
    }
    BetaInv(1.0 - q, m_Params[PARAM_R], m_Params[PARAM_S], y, nStatus, &m_InverseConstants);
    return L + d * y;
}

SMoments CBeta::GetMomentsOfBasePar() const {
    const double d = m_Params[PARAM_UPPER_BOUND] - m_Params[PARAM_LOWER_BOUND];
    const double R = m_Params[PARAM_R];
    const double S = m_Params[PARAM_S];
    const double T = R + S;
    return {m_Params[PARAM_LOWER_BOUND] + d * R / T, d * std::sqrt(R * S / (T * T * (T + 1.0)))};
}

void CBeta::PrepareInverse() {
    const double R = m_Params[PARAM_R];
    const double S = m_Params[PARAM_S];
    if (!m_InverseConstants.IsFor(R, S)) {
        MakeBetaShapeConstants(R, S, m_InverseConstants);
    }
}

double CBeta::GetInverse(double p) {
    PrepareInverse();
    const double L = m_Params[PARAM_LOWER_BOUND];
    const double U = m_Params[PARAM_UPPER_BOUND];
    const double d = U - L;
    double y = 0.0;
    int nStatus = 0;
    if (p <= 0.5) {
        BetaInv(p, m_Params[PARAM_R], m_Params[PARAM_S], y, nStatus, &m_InverseConstants);
        return L + d * y;
    }
    // The upper half from the upper bound, so that its resolution is that of 1 - p.
    BetaInv(1.0 - p, m_Params[PARAM_S], m_Params[PARAM_R], y, nStatus, &m_InverseConstants);
    return U - d * y;
}

void CBeta::SetAutoAxis() {
    if (m_Params[PARAM_STDDEV] > 0.0) {
        const double L = m_Params[PARAM_LOWER_BOUND];
        const double U = m_Params[PARAM_UPPER_BOUND];
        const double margin = kAxisMargin * (U - L);
        m_dAxisMin = L - margin;
        m_dAxisMax = U + margin;
    }
}

CString CBeta::ShapeObstacle() const {
    const double L = m_Params[PARAM_LOWER_BOUND];
    const double U = m_Params[PARAM_UPPER_BOUND];
    if (!(L < U)) {
        return "the lower bound " + FormatShortest(L) + " is not below the upper bound " +
               FormatShortest(U);
    }
    const double R = m_Params[PARAM_R];
    const double S = m_Params[PARAM_S];
    if (R > 0.0 && S > 0.0) {
        return CString();
    }
    std::string strReason = "the exponents R = " + FormatShortest(R) +
                            " and S = " + FormatShortest(S) + " are not both positive";
    // Input types 0 and 1 give the moments. The variance of a beta variable is
    // (MEAN - L)(U - MEAN) / (R + S + 1), so positive exponents need the mean inside the bounds
    // and the spread below this limit.
    if (m_nParamCombi <= 1) {
        const double m = m_Params[PARAM_MEAN];
        if (!(L < m && m < U)) {
            strReason += " (the mean must lie between the bounds)";
        } else {
            strReason += " (with mean " + FormatShortest(m) + " on [" + FormatShortest(L) + ", " +
                         FormatShortest(U) + "] the standard deviation must stay below " +
                         FormatShortest(std::sqrt((m - L) * (U - m))) + ")";
        }
    }
    return strReason;
}

void CBeta::ListSamplingObstacles(CStringArray& reasons) const {
    // The shape's own reason names the cause of a spread that is negative or not a number.
    const CString strObstacle = ShapeObstacle();
    if (strObstacle.IsEmpty()) {
        CDist::ListSamplingObstacles(reasons);
    } else {
        reasons.Add(strObstacle);
    }
}

CDist* CBeta::CreateCopy() { return new CBeta(m_ppReference, m_strVarName, this); }

} // namespace stochvar
