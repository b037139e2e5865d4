#include <stochvar/families/Triangular.h>

#include <stochvar/families/FamilyList.h>
#include <stochvar/families/FamilyRules.h>

#include <stochvar/numerics/Numerics.h>

#include <cmath>
#include <utility>

namespace stochvar {

STOCHVAR_IMPLEMENT_SERIAL(CTriangular, CDist, 0)

namespace {

constexpr int kParamCombiCount = 2;
constexpr double kOneThird = 0.3333333333333333; // used as a multiplier
constexpr double kConstructorAxisMarginFraction = 0.2;

bool IsOutside(double value, double L, double U) {
    return value < L || value > U || std::isnan(value);
}

} // namespace

CTriangular::CTriangular(CDist** ppReference, CString strName, CDist* pSource)
    : CDist(ppReference, std::move(strName), pSource) {
    InitFamily(kParamCombiCount, DIST_TRIANGULAR, pSource,
               {{PARAM_LOWER_BOUND, kDefaultLowerBound},
                {PARAM_UPPER_BOUND, kDefaultUpperBound},
                {PARAM_MOST_LIKELY, kDefaultMostLikely}});
    if (pSource == nullptr) {
        // Wider than the axis rule, which replaces these bounds when it next runs.
        family_rules::SetIntervalAxis(*this, kConstructorAxisMarginFraction);
    }
}

void CTriangular::GetParamsList(int nParamCombi, CString& strLabel, CUIntArray* pIds) {
    static const InputTypeTable kInputTypes = {
        {PARAM_LOWER_BOUND, PARAM_MOST_LIKELY, PARAM_UPPER_BOUND},
        {PARAM_LOWER_BOUND, PARAM_MEAN, PARAM_UPPER_BOUND},
    };
    ListParams(kInputTypes, nParamCombi, strLabel, pIds);
}

CDistStatus CTriangular::CheckCombination(int nParamCombi) {
    const double L = m_Params[PARAM_LOWER_BOUND];
    const double U = m_Params[PARAM_UPPER_BOUND];
    CDistStatus status;
    if (nParamCombi == 0) {
        if (!(U > L)) {
            status.SetError("Upper bound <= lower bound.");
        } else if (IsOutside(m_Params[PARAM_MOST_LIKELY], L, U)) {
            status.SetError("Most-likely value not between lower and upper bound.");
        }
    } else if (nParamCombi == 1) {
        // The bounds themselves are not compared here, and a NaN mean passes.
        const double M = m_Params[PARAM_MEAN];
        if (M < L || M > U) {
            status.SetError("Mean value must be between upper and lower bound");
        }
    }
    return status;
}

CDistStatus CTriangular::CalcBasePar(int nParamCombi) {
    const double L = m_Params[PARAM_LOWER_BOUND];
    const double U = m_Params[PARAM_UPPER_BOUND];
    CDistStatus status;
    if (nParamCombi == 0) {
        m_Params[PARAM_MEAN] = (U + m_Params[PARAM_MOST_LIKELY] + L) * kOneThird;
    } else if (nParamCombi == 1) {
        const double C = m_Params[PARAM_MEAN] * 3.0 - L - U;
        m_Params[PARAM_MOST_LIKELY] = C;
        if (IsOutside(C, L, U)) {
            // The admissible means are those of the two right-angled triangles.
            CString message;
            message.Format("Mean value must be between %f and %f", (L + L + U) * kOneThird,
                           (U + U + L) * kOneThird);
            status.SetError(message);
        }
    }
    // The standard deviation follows from whatever apex is stored, for every input type.
    const double C = m_Params[PARAM_MOST_LIKELY];
    const double variance18 = C * C + U * U + L * L - U * L - C * L - U * C;
    m_Params[PARAM_STDDEV] = std::sqrt(variance18) / std::sqrt(18.0);
    return status;
}

bool CTriangular::HasAdmissibleParameters() const {
    const double L = m_Params[PARAM_LOWER_BOUND];
    const double U = m_Params[PARAM_UPPER_BOUND];
    const double C = m_Params[PARAM_MOST_LIKELY];
    return U - L > 0.0 && L <= C && C <= U;
}

double CTriangular::GetDensity(double x) {
    if (!HasAdmissibleParameters()) {
        return 0.0;
    }
    const double L = m_Params[PARAM_LOWER_BOUND];
    const double U = m_Params[PARAM_UPPER_BOUND];
    const double C = m_Params[PARAM_MOST_LIKELY];
    const double h = 2.0 / (U - L);
    if (x <= L) {
        return 0.0;
    }
    if (x <= C) {
        return (x - L) * (h / (C - L));
    }
    if (x < U) {
        return h - (x - C) * (h / (U - C));
    }
    return 0.0;
}

std::pair<double, double> CTriangular::GetTails(double x) const {
    const double L = m_Params[PARAM_LOWER_BOUND];
    const double U = m_Params[PARAM_UPPER_BOUND];
    const double C = m_Params[PARAM_MOST_LIKELY];
    if (x <= L) {
        return {0.0, 1.0};
    }
    if (x >= U) {
        return {1.0, 0.0};
    }
    // The tail on x's side of the apex is a small triangle; the other one is (U - L)(side) minus
    // that triangle, written as a sum of positive terms, e.g. for x > C
    // (U - L)(U - C) - (U - x)^2 = (x - C)(2U - C - x) + (C - L)(U - C).
    if (x <= C) {
        const double area = (U - L) * (C - L);
        return {(x - L) * (x - L) / area, ((C - x) * (x + C - 2.0 * L) + (U - C) * (C - L)) / area};
    }
    const double area = (U - L) * (U - C);
    return {((x - C) * (2.0 * U - C - x) + (C - L) * (U - C)) / area, (U - x) * (U - x) / area};
}

double CTriangular::GetPointOfTail(double p, bool bUpper) const {
    const double L = m_Params[PARAM_LOWER_BOUND];
    const double U = m_Params[PARAM_UPPER_BOUND];
    const double C = m_Params[PARAM_MOST_LIKELY];
    // The near bound and the apex's distance from it, the far bound and its distance.
    const double nearBound = bUpper ? U : L;
    const double farBound = bUpper ? L : U;
    const double nearSide = bUpper ? U - C : C - L;
    const double farSide = bUpper ? C - L : U - C;
    const double sign = bUpper ? -1.0 : 1.0;
    const double width = U - L;
    if (p < nearSide / width) {
        return nearBound + sign * std::sqrt(width * nearSide * p);
    }
    const double farRoot = std::sqrt((1.0 - p) * width * farSide);
    if (p > 0.5) {
        return farBound - sign * farRoot;
    }
    // The distance from the near bound, width - farRoot, without its cancellation.
    return nearBound + sign * width * (nearSide + p * farSide) / (width + farRoot);
}

double CTriangular::GetCumulative(double x) {
    if (!HasAdmissibleParameters()) {
        return 0.0;
    }
    if (IsAccurateNumericsActive()) {
        return GetTails(x).first;
    }
    const double L = m_Params[PARAM_LOWER_BOUND];
    const double U = m_Params[PARAM_UPPER_BOUND];
    const double C = m_Params[PARAM_MOST_LIKELY];
    const double h = 2.0 / (U - L);
    if (x <= L) {
        return 0.0;
    }
    if (x <= C) {
        // Integral of the rising edge from L to x.
        return (h / (C - L)) * ((x * x - L * L) * 0.5 - (x - L) * L);
    }
    if (x < U) {
        // Area left of the apex plus the integral of the falling edge from C to x.
        return (C - L) * h * 0.5 +
               ((x - C) * h - (h / (U - C)) * ((x * x - C * C) * 0.5 - (x - C) * C));
    }
    return 1.0;
}

double CTriangular::GetInverse(double p) {
    const double L = m_Params[PARAM_LOWER_BOUND];
    const double U = m_Params[PARAM_UPPER_BOUND];
    const double C = m_Params[PARAM_MOST_LIKELY];
    if (p < 0.0) {
        return L;
    }
    if (p > 1.0) {
        return U;
    }
    if (IsAccurateNumericsActive()) {
        return GetPointOfTail(p, false);
    }
    const double r = (C - L) / (U - L); // probability left of the apex
    if (p < r) {
        return L + std::sqrt((U - L) * (C - L) * p);
    }
    // (U - L) * (U - C) expanded.
    return U - std::sqrt((1.0 - p) * (L * C + (U - C - L) * U));
}

double CTriangular::GetAccurateSurvival(double x) {
    return HasAdmissibleParameters() ? GetTails(x).second : 1.0;
}

double CTriangular::GetAccurateInverseSurvival(double q) {
    if (q < 0.0) {
        return m_Params[PARAM_UPPER_BOUND];
    }
    if (q > 1.0) {
        return m_Params[PARAM_LOWER_BOUND];
    }
    return GetPointOfTail(q, true);
}

SMoments CTriangular::GetMomentsOfBasePar() const {
    const double L = m_Params[PARAM_LOWER_BOUND];
    const double U = m_Params[PARAM_UPPER_BOUND];
    const double C = m_Params[PARAM_MOST_LIKELY];
    return {(L + C + U) / 3.0, std::sqrt((L * L + C * C + U * U - L * C - L * U - C * U) / 18.0)};
}

void CTriangular::SetAutoAxis() { family_rules::SetIntervalAxis(*this, 0.0); }

CDist* CTriangular::CreateCopy() { return new CTriangular(m_ppReference, m_strVarName, this); }

} // namespace stochvar
