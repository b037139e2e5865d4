#include <stochvar/families/FamilyRules.h>

#include <stochvar/numerics/MachineConstant.h>

#include <cmath>

namespace stochvar::family_rules {

namespace {

constexpr double kAxisSpreadInStdDevs = 5.0;

// P from S, then L = M - (M - L).
void SetScaleAndLowerBoundFromStdDev(CDist& dist, const SLocationScaleForms& forms) {
    const double S = dist.GetParamValue(PARAM_STDDEV);
    const double P = forms.pfnScaleFromStdDev(S);
    dist.SetParamValue(forms.nScaleParam, P);
    dist.SetParamValue(PARAM_LOWER_BOUND,
                       dist.GetParamValue(PARAM_MEAN) - forms.pfnMeanExcess(P, S));
}

} // namespace

void SetMeanCentredAxis(CDist& dist) {
    const double M = dist.GetParamValue(PARAM_MEAN);
    const double S = dist.GetParamValue(PARAM_STDDEV);
    if (S > 0.0) {
        dist.m_dAxisMin = M - kAxisSpreadInStdDevs * S;
        dist.m_dAxisMax = M + kAxisSpreadInStdDevs * S;
    }
}

void SetLowerBoundAxis(CDist& dist) {
    const double M = dist.GetParamValue(PARAM_MEAN);
    const double S = dist.GetParamValue(PARAM_STDDEV);
    if (S > 0.0) {
        dist.m_dAxisMin = dist.GetParamValue(PARAM_LOWER_BOUND);
        dist.m_dAxisMax = M + kAxisSpreadInStdDevs * S;
    }
}

void SetIntervalAxis(CDist& dist, double dMarginFraction) {
    const double L = dist.GetParamValue(PARAM_LOWER_BOUND);
    const double U = dist.GetParamValue(PARAM_UPPER_BOUND);
    if (!(L < U)) {
        dist.CDist::SetAutoAxis();
    } else if (dMarginFraction == 0.0) {
        // The bounds themselves, not L - 0 and U + 0: the margin (U - L) * 0 is NaN over an
        // infinite span, and -0 + 0 would turn an upper bound of -0 into +0.
        dist.m_dAxisMin = L;
        dist.m_dAxisMax = U;
    } else {
        const double d = (U - L) * dMarginFraction;
        dist.m_dAxisMin = L - d;
        dist.m_dAxisMax = U + d;
    }
}

void SetCovFromMeanAndStdDev(CDist& dist, CDistStatus& status, ECovDivisor divisor,
                             ECovFallback fallback) {
    const double M = dist.GetParamValue(PARAM_MEAN);
    if (MachineConstant(MACHINE_SMALLEST_RELATIVE_SPACING) < std::fabs(M)) {
        const double divisorValue = divisor == ECovDivisor::MeanMagnitude ? std::fabs(M) : M;
        dist.SetParamValue(PARAM_COV, dist.GetParamValue(PARAM_STDDEV) / divisorValue);
    } else if (fallback == ECovFallback::KeepAndWarn) {
        status.SetWarning(kMsgCovNotCalculated);
    }
}

CDistStatus AcceptAnyCombination(CDist& dist, int nParamCombi) {
    return dist.CDist::CheckCombination(nParamCombi);
}

bool RefuseMeanNotAboveLowerBound(const CDist& dist, CDistStatus& status) {
    // Written as "not above" so that a NaN on either side is refused too.
    if (!(dist.GetParamValue(PARAM_MEAN) > dist.GetParamValue(PARAM_LOWER_BOUND))) {
        status.SetError(kMsgLowerBoundAboveMean);
        return true;
    }
    return false;
}

bool RefuseScaleNotPositive(double dScale, CDistStatus& status) {
    if (dScale <= MachineConstant(MACHINE_SMALLEST_POSITIVE)) {
        status.SetError(kMsgLambdaNotPositive);
        return true;
    }
    return false;
}

CDistStatus CalcLocationScalePar(CDist& dist, int nParamCombi, const SLocationScaleForms& forms) {
    CDistStatus status;
    const auto setCov = [&] {
        SetCovFromMeanAndStdDev(dist, status, forms.covDivisor, ECovFallback::KeepAndWarn);
    };
    switch (nParamCombi) {
    case 0: {
        if (RefuseMeanNotAboveLowerBound(dist, status)) {
            return status;
        }
        const double meanExcess =
            dist.GetParamValue(PARAM_MEAN) - dist.GetParamValue(PARAM_LOWER_BOUND);
        const double P = forms.pfnScaleFromMeanExcess(meanExcess);
        dist.SetParamValue(forms.nScaleParam, P);
        dist.SetParamValue(PARAM_STDDEV, forms.pfnStdDevFromScale(P));
        setCov();
        break;
    }
    case 1: {
        const double P = dist.GetParamValue(forms.nScaleParam);
        if (RefuseScaleNotPositive(P, status)) {
            return status;
        }
        const double S = forms.pfnStdDevFromScale(P);
        dist.SetParamValue(PARAM_MEAN,
                           forms.pfnMeanExcess(P, S) + dist.GetParamValue(PARAM_LOWER_BOUND));
        dist.SetParamValue(PARAM_STDDEV, S);
        setCov();
        break;
    }
    case 2:
        setCov();
        SetScaleAndLowerBoundFromStdDev(dist, forms);
        break;
    case 3:
        dist.SetParamValue(PARAM_STDDEV, std::fabs(dist.GetParamValue(PARAM_MEAN) *
                                                   dist.GetParamValue(PARAM_COV)));
        SetScaleAndLowerBoundFromStdDev(dist, forms);
        break;
    default:
        break;
    }
    return status;
}

} // namespace stochvar::family_rules
