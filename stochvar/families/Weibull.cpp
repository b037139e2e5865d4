#include <stochvar/families/Weibull.h>

#include <stochvar/families/FamilyList.h>
#include <stochvar/families/FamilyRules.h>
#include <stochvar/numerics/GammaFunctions.h>
#include <stochvar/numerics/NumberText.h>
#include <stochvar/numerics/Numerics.h>

#include <cfloat>
#include <cmath>

namespace stochvar {

STOCHVAR_IMPLEMENT_SERIAL(CWeibull, CDist, 0)

namespace {

constexpr int kParamCombiCount = 4;

constexpr const char* kMsgNotFound = "Weibull parameters not found after 50 iterations.";
constexpr const char* kMsgDeltaBetaNotPositive = "Both Delta and Beta must be positive.";

// Shape search: start, forward-difference step (and its inverse as written in the update),
// tolerance on the coefficient of variation, floor for a non-positive iterate, iteration limit.
constexpr double kStartShape = 1.0;
constexpr double kDifferenceStep = 0.0005;
constexpr double kInverseDifferenceStep = 2000.0;
constexpr double kCovTolerance = 1e-6;
constexpr double kShapeFloor = 0.1;
constexpr int kMaxIterations = 50;

} // namespace

CWeibull::CWeibull(CDist** ppReference, CString strName, CDist* pSource)
    : CDist(ppReference, std::move(strName), pSource) {
    InitFamily(kParamCombiCount, DIST_WEIBULL, pSource,
               {{PARAM_MEAN, kDefaultMean},
                {PARAM_STDDEV, kDefaultStdDev},
                {PARAM_LOWER_BOUND, kDefaultLowerBound}});
}

void CWeibull::GetParamsList(int nParamCombi, CString& strLabel, CUIntArray* pIds) {
    static const InputTypeTable kInputTypes = {
        {PARAM_MEAN, PARAM_STDDEV, PARAM_LOWER_BOUND},
        {PARAM_MEAN, PARAM_COV, PARAM_LOWER_BOUND},
        {PARAM_DELTA, PARAM_BETA, PARAM_LOWER_BOUND},
        {PARAM_ALPHA, PARAM_BETA, PARAM_LOWER_BOUND},
    };
    ListParams(kInputTypes, nParamCombi, strLabel, pIds);
}

CDistStatus CWeibull::CheckCombination(int nParamCombi) {
    return family_rules::AcceptAnyCombination(*this, nParamCombi);
}

double CWeibull::CoefficientOfVariation(double b) {
    const double g1 = dGamma(1.0 / b + 1.0);
    // A product, as pow(g1, 2) is one in some builds only and may round otherwise in the rest.
    const double g1Squared = g1 * g1;
    return std::sqrt((dGamma(2.0 / b + 1.0) - g1Squared) / g1Squared);
}

bool CWeibull::FindShape(double dTargetCov, int& nIterations) {
    double b = kStartShape;
    m_Params[PARAM_BETA] = b;
    int n = 0;
    bool bMet = false;
    while (!bMet && n <= kMaxIterations) {
        const double c = CoefficientOfVariation(b);
        const double cShifted = CoefficientOfVariation(b + kDifferenceStep);
        b = (dTargetCov - c) / ((cShifted - c) * kInverseDifferenceStep) + b;
        if (!(b > 0.0)) {
            b = kShapeFloor;
        }
        m_Params[PARAM_BETA] = b;
        n = n + 1;
        // The test looks at c before the step: the stored shape is one step beyond it.
        bMet = std::fabs(c - dTargetCov) <= kCovTolerance;
    }
    nIterations = n;
    return n <= kMaxIterations;
}

CDistStatus CWeibull::CalcBasePar(int nParamCombi) {
    CDistStatus status;
    switch (nParamCombi) {
    case 0:
    case 1: {
        if (family_rules::RefuseMeanNotAboveLowerBound(*this, status)) {
            return status;
        }
        const double t = m_Params[PARAM_MEAN] - m_Params[PARAM_LOWER_BOUND];
        if (nParamCombi == 0) {
            m_Params[PARAM_COV] = m_Params[PARAM_STDDEV] / t;
        } else {
            m_Params[PARAM_STDDEV] = m_Params[PARAM_COV] * t;
        }
        int nIterations = 0;
        if (!FindShape(m_Params[PARAM_COV], nIterations)) {
            status.SetError(kMsgNotFound);
            return status;
        }
        const double b = m_Params[PARAM_BETA];
        const double g1 = dGamma(1.0 + 1.0 / b);
        m_Params[PARAM_DELTA] = std::pow(t / g1, -b);
        m_Params[PARAM_ALPHA] = std::pow(m_Params[PARAM_DELTA], -1.0 / b);
        break;
    }
    case 2:
    case 3: {
        const double b = m_Params[PARAM_BETA];
        const double scale = m_Params[nParamCombi == 2 ? PARAM_DELTA : PARAM_ALPHA];
        if (!(scale > 0.0 && b > 0.0)) {
            status.SetError(kMsgDeltaBetaNotPositive);
            return status;
        }
        if (nParamCombi == 2) {
            m_Params[PARAM_ALPHA] = std::pow(m_Params[PARAM_DELTA], -1.0 / b);
        } else {
            m_Params[PARAM_DELTA] = std::pow(m_Params[PARAM_ALPHA], -b);
        }
        // Moments of the distribution.
        const double alpha = m_Params[PARAM_ALPHA];
        const double L = m_Params[PARAM_LOWER_BOUND];
        const double g1 = dGamma(1.0 / b + 1.0);
        m_Params[PARAM_MEAN] = g1 * alpha + L;
        m_Params[PARAM_STDDEV] = std::sqrt(dGamma(2.0 / b + 1.0) - g1 * g1) * alpha;
        m_Params[PARAM_COV] = m_Params[PARAM_STDDEV] / (m_Params[PARAM_MEAN] - L);
        break;
    }
    default:
        break;
    }
    return status;
}

double CWeibull::GetDensity(double x) {
    const double d = x - m_Params[PARAM_LOWER_BOUND];
    if (d <= 0.0) {
        return 0.0;
    }
    const double b = m_Params[PARAM_BETA];
    const double delta = m_Params[PARAM_DELTA];
    return std::exp(-std::pow(d, b) * delta) * std::pow(d, b - 1.0) * b * delta;
}

double CWeibull::GetCumulative(double x) {
    const double d = x - m_Params[PARAM_LOWER_BOUND];
    if (d <= 0.0) {
        return 0.0;
    }
    if (IsAccurateNumericsActive()) {
        return OneMinusExpOfMinus(GetTailExponent(x));
    }
    return 1.0 - std::exp(-std::pow(d, m_Params[PARAM_BETA]) * m_Params[PARAM_DELTA]);
}

double CWeibull::GetInverse(double p) {
    const double b = m_Params[PARAM_BETA];
    const double t = IsAccurateNumericsActive() ? -std::log1p(-p) : -std::log(1.0 - p);
    return std::pow(t / m_Params[PARAM_DELTA], 1.0 / b) + m_Params[PARAM_LOWER_BOUND];
}

SDoubleDouble CWeibull::GetTailExponent(double x) const {
    const SDoubleDouble d = ExactSum(x, -m_Params[PARAM_LOWER_BOUND]);
    const double b = m_Params[PARAM_BETA];
    // (hi + lo)^b = hi^b (1 + b lo / hi) up to (lo / hi)^2.
    const double power = std::pow(d.hi, b);
    return ExactProduct(power + power * (b * (d.lo / d.hi)), m_Params[PARAM_DELTA]);
}

double CWeibull::GetAccurateSurvival(double x) {
    if (x - m_Params[PARAM_LOWER_BOUND] <= 0.0) {
        return 1.0;
    }
    return Exp(Negated(GetTailExponent(x)));
}

double CWeibull::GetAccurateInverseSurvival(double q) {
    return std::pow(-std::log(q) / m_Params[PARAM_DELTA], 1.0 / m_Params[PARAM_BETA]) +
           m_Params[PARAM_LOWER_BOUND];
}

double CWeibull::GetAccurateLogDensity(double x) {
    const double d = x - m_Params[PARAM_LOWER_BOUND];
    if (d <= 0.0) {
        return -HUGE_VAL;
    }
    const double b = m_Params[PARAM_BETA];
    const SDoubleDouble t = GetTailExponent(x);
    return std::log(b) + std::log(m_Params[PARAM_DELTA]) + (b - 1.0) * std::log(d) - t.hi - t.lo;
}

double CWeibull::GetAccurateLogSurvival(double x) {
    if (x - m_Params[PARAM_LOWER_BOUND] <= 0.0) {
        return 0.0;
    }
    const SDoubleDouble t = GetTailExponent(x);
    return -t.hi - t.lo;
}

SMoments CWeibull::GetMomentsOfBasePar() const {
    const double b = m_Params[PARAM_BETA];
    const double alpha = std::pow(m_Params[PARAM_DELTA], -1.0 / b);
    const double g1 = dGamma(1.0 / b + 1.0);
    return {m_Params[PARAM_LOWER_BOUND] + g1 * alpha,
            std::sqrt(dGamma(2.0 / b + 1.0) - g1 * g1) * alpha};
}

void CWeibull::ListSamplingObstacles(CStringArray& reasons) const {
    const double delta = m_Params[PARAM_DELTA];
    if (std::isnan(delta) || (delta >= DBL_MIN && delta <= DBL_MAX)) {
        CDist::ListSamplingObstacles(reasons);
        return;
    }
    reasons.Add(CString("DELTA = ALPHA^-BETA ") +
                (delta < DBL_MIN ? "underflows to " : "overflows to ") + FormatShortest(delta) +
                " for MEAN - LOWER_BOUND = " +
                FormatShortest(m_Params[PARAM_MEAN] - m_Params[PARAM_LOWER_BOUND]) +
                " and BETA = " + FormatShortest(m_Params[PARAM_BETA]) +
                ": rescale the units so that MEAN - LOWER_BOUND is nearer 1");
}

void CWeibull::SetAutoAxis() { family_rules::SetLowerBoundAxis(*this); }

CDist* CWeibull::CreateCopy() { return new CWeibull(m_ppReference, m_strVarName, this); }

} // namespace stochvar
