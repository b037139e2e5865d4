#include <stochvar/fitting/FamilyFitter.h>

#include <stochvar/families/FamilyList.h>
#include <stochvar/fitting/FitError.h>
#include <stochvar/fitting/FitSample.h>
#include <stochvar/fitting/GoodnessOfFit.h>
#include <stochvar/fitting/LikelihoodEstimator.h>
#include <stochvar/fitting/MomentEstimator.h>
#include <stochvar/numerics/Numerics.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <sstream>

namespace stochvar {

namespace {

std::string NumberText(double x) {
    std::ostringstream text;
    text.precision(10);
    text << x;
    return text.str();
}

// The value that ranks a fit under the criterion: smaller is better.
double RankingKey(const SFamilyFit& fit, EFitCriterion criterion) {
    switch (criterion) {
    case EFitCriterion::Aic:
        return fit.dAic;
    case EFitCriterion::Ks:
        // With a bootstrap, the larger p-value; without, the smaller distance.
        return fit.nBootstrap > 0 ? -fit.dKsPValue : fit.dKs;
    case EFitCriterion::Bic:
    default:
        return fit.dBic;
    }
}

} // namespace

CFamilyFitter::CFamilyFitter(SFitOptions options) : m_options(std::move(options)) {}

std::vector<int> CFamilyFitter::ContinuousFamilies() {
    std::vector<int> families;
    for (const SFamily& family : kFamilies) {
        if (family.nType != DIST_FIXED && family.nType != DIST_DISCRETE) {
            families.push_back(family.nType);
        }
    }
    return families;
}

bool CFamilyFitter::HasLowerBound(int nType) {
    return nType != DIST_NORMAL && nType != DIST_GUMBEL && nType != DIST_FIXED &&
           nType != DIST_DISCRETE;
}

bool CFamilyFitter::HasUpperBound(int nType) {
    return nType == DIST_UNIFORM || nType == DIST_TRIANGULAR || nType == DIST_BETA;
}

int CFamilyFitter::CountFreeParams(int nType) const {
    // The parameters besides the bounds: location and scale, or a shape too.
    int nShapeAndScale = 1;
    if (nType == DIST_NORMAL || nType == DIST_GUMBEL || nType == DIST_LOGNORMAL ||
        nType == DIST_WEIBULL || nType == DIST_BETA) {
        nShapeAndScale = 2;
    } else if (nType == DIST_UNIFORM) {
        nShapeAndScale = 0;
    }
    const bool bFreeLower = HasLowerBound(nType) && !m_options.bounds.lower;
    const bool bFreeUpper = HasUpperBound(nType) && !m_options.bounds.upper;
    return nShapeAndScale + (bFreeLower ? 1 : 0) + (bFreeUpper ? 1 : 0);
}

SFitReport CFamilyFitter::Fit(std::vector<double> data) const {
    const CFitSample sample(std::move(data));
    SFitReport report;
    report.nCount = sample.GetCount();
    const std::vector<int> families =
        m_options.families.empty() ? ContinuousFamilies() : m_options.families;
    for (const int nType : families) {
        report.ranking.push_back(FitFamily(nType, sample));
    }
    Rank(report.ranking, m_options.criterion);
    return report;
}

std::string CFamilyFitter::CheckSupport(int nType, const CFitSample& sample) const {
    const std::optional<double>& lower = m_options.bounds.lower;
    const std::optional<double>& upper = m_options.bounds.upper;
    // At the lower bound the density of these families is 0 or infinite.
    const bool bOpenBelow = nType != DIST_EXPONENTIAL && nType != DIST_UNIFORM;
    if (HasLowerBound(nType) && lower &&
        (bOpenBelow ? sample.GetMin() <= *lower : sample.GetMin() < *lower)) {
        return "data outside the support: the value " + NumberText(sample.GetMin()) +
               (bOpenBelow ? " is not above" : " lies below") + " the lower bound " +
               NumberText(*lower);
    }
    if (HasUpperBound(nType) && upper &&
        (nType == DIST_UNIFORM ? sample.GetMax() > *upper : sample.GetMax() >= *upper)) {
        return "data outside the support: the value " + NumberText(sample.GetMax()) +
               " is not below the upper bound " + NumberText(*upper);
    }
    return {};
}

SFamilyEstimate CFamilyFitter::Estimate(int nType, const CFitSample& sample) const {
    if (m_options.method == EFitMethod::Moments) {
        return CMomentEstimator::Estimate(nType, sample, m_options.bounds);
    }
    SFamilyEstimate estimate = CLikelihoodEstimator::Estimate(nType, sample, m_options.bounds);
    if (estimate.IsRefused()) {
        SFamilyEstimate fallback = CMomentEstimator::Estimate(nType, sample, m_options.bounds);
        fallback.strNote = "method of moments, as " + estimate.strRefusal +
                           (fallback.strNote.empty() ? "" : "; " + fallback.strNote);
        if (fallback.IsRefused()) {
            fallback.strRefusal = estimate.strRefusal + ", and " + fallback.strRefusal;
        }
        return fallback;
    }
    return estimate;
}

std::unique_ptr<CDist> CFamilyFitter::BuildVariable(const SFamilyEstimate& estimate,
                                                    const std::string& strName,
                                                    std::vector<std::string>& warnings,
                                                    std::string& strRefusal) {
    CDist blank(nullptr, CString(strName), nullptr);
    std::unique_ptr<CDist> pDist(blank.CreateNewDist(estimate.nType));
    CString strLabel;
    CUIntArray ids;
    pDist->GetParamsList(estimate.nParamCombi, strLabel, &ids);
    if (ids.GetSize() != static_cast<int>(estimate.values.size())) {
        strRefusal =
            "input type " + strLabel.str() + " takes " + std::to_string(ids.GetSize()) + " values";
        return nullptr;
    }
    pDist->m_nParamCombi = estimate.nParamCombi;
    pDist->m_nCurParam = 0;
    for (int i = 0; i < ids.GetSize() && strRefusal.empty(); ++i) {
        const double dValue = estimate.values[static_cast<std::size_t>(i)];
        if (!std::isfinite(dValue)) {
            strRefusal = std::string("the estimate of ") + kParamKeywords[ids[i]] +
                         " is not a finite number";
            break;
        }
        pDist->EnterParamValue(dValue, [&](CDistStatus status) {
            if (!status.IsOk()) {
                strRefusal = status.m_strMessage.str();
            } else if (status.m_bWarning) {
                warnings.push_back(status.m_strMessage.str());
            }
        });
    }
    if (strRefusal.empty()) {
        CStringArray reasons;
        pDist->ListSamplingObstacles(reasons);
        if (!reasons.IsEmpty()) {
            strRefusal = "cannot be sampled: " + reasons[0].str();
        }
    }
    if (!strRefusal.empty()) {
        return nullptr;
    }
    pDist->SetAutoAxis();
    return pDist;
}

SFamilyFit CFamilyFitter::FitFamily(int nType, const CFitSample& sample) const {
    SFamilyFit fit;
    fit.nType = nType;
    const SFamily* pFamily = FindFamily(nType);
    fit.strFamily = pFamily != nullptr ? pFamily->pszKeyword : std::to_string(nType);
    if (pFamily == nullptr || nType == DIST_FIXED || nType == DIST_DISCRETE) {
        fit.strRefusal = "not a continuous family";
        return fit;
    }
    fit.strRefusal = CheckSupport(nType, sample);
    if (!fit.strRefusal.empty()) {
        return fit;
    }
    // One point more than parameters, so that the fit is not an interpolation.
    const int nFree = CountFreeParams(nType);
    if (sample.GetCount() < static_cast<std::size_t>(nFree) + 1) {
        fit.strRefusal = "too few points: " + std::to_string(sample.GetCount()) + " for " +
                         std::to_string(nFree) + " parameters";
        return fit;
    }
    fit.estimate = Estimate(nType, sample);
    if (fit.estimate.IsRefused()) {
        fit.strRefusal = fit.estimate.strRefusal;
        return fit;
    }
    fit.pDist = BuildVariable(fit.estimate, m_options.strName, fit.warnings, fit.strRefusal);
    if (!fit.pDist) {
        return fit;
    }
    // The evidence takes the tails from the accurate numerics: under the faithful ones a point
    // far in a tail has a cumulative probability of exactly 0 or 1, and A2 would be infinite.
    const CNumericsScope accurate(ENumerics::Accurate);
    double dLogLikelihood = 0.0;
    for (const double x : sample.GetSorted()) {
        dLogLikelihood += fit.pDist->GetLogDensity(x);
    }
    if (!std::isfinite(dLogLikelihood)) {
        fit.strRefusal = "the estimate leaves data outside the support";
        fit.pDist.reset();
        return fit;
    }
    const double k = fit.estimate.nFreeParams;
    fit.dLogLikelihood = dLogLikelihood;
    fit.dAic = 2.0 * k - 2.0 * dLogLikelihood;
    fit.dBic = k * std::log(sample.GetCountAsDouble()) - 2.0 * dLogLikelihood;
    fit.dKs = CGoodnessOfFit::KolmogorovSmirnov(sample.GetSorted(), *fit.pDist);
    fit.dAd = CGoodnessOfFit::AndersonDarling(sample.GetSorted(), *fit.pDist);
    if (m_options.nBootstrap > 0) {
        Bootstrap(fit, sample);
    }
    return fit;
}

void CFamilyFitter::Bootstrap(SFamilyFit& fit, const CFitSample& sample) const {
    CExOr generator = m_options.generator;
    int nKsAbove = 0;
    int nAdAbove = 0;
    int nDone = 0;
    std::vector<double> replicate(sample.GetCount());
    // The replicates are refitted by the method the sample's estimate used.
    SFitOptions options = m_options;
    options.method = fit.estimate.method;
    options.nBootstrap = 0;
    const CFamilyFitter refitter(options);
    for (int b = 0; b < m_options.nBootstrap; ++b) {
        for (double& x : replicate) {
            x = fit.pDist->GetRandom(&generator);
        }
        try {
            const CFitSample replicateSample(replicate);
            const SFamilyEstimate estimate = refitter.Estimate(fit.nType, replicateSample);
            std::vector<std::string> warnings;
            std::string strRefusal;
            const std::unique_ptr<CDist> pDist =
                estimate.IsRefused() ? nullptr : BuildVariable(estimate, {}, warnings, strRefusal);
            if (!pDist) {
                continue;
            }
            const std::vector<double>& sorted = replicateSample.GetSorted();
            nKsAbove += CGoodnessOfFit::KolmogorovSmirnov(sorted, *pDist) >= fit.dKs ? 1 : 0;
            nAdAbove += CGoodnessOfFit::AndersonDarling(sorted, *pDist) >= fit.dAd ? 1 : 0;
            ++nDone;
        } catch (const CFitError&) {
            // A replicate without spread: the bootstrap goes on without it.
        }
    }
    fit.nBootstrap = nDone;
    fit.dKsPValue = (1.0 + nKsAbove) / (1.0 + nDone);
    fit.dAdPValue = (1.0 + nAdAbove) / (1.0 + nDone);
}

void CFamilyFitter::Rank(std::vector<SFamilyFit>& fits, EFitCriterion criterion) {
    std::stable_sort(fits.begin(), fits.end(), [&](const SFamilyFit& a, const SFamilyFit& b) {
        if (a.IsFitted() != b.IsFitted()) {
            return a.IsFitted();
        }
        if (!a.IsFitted()) {
            return a.nType < b.nType;
        }
        return RankingKey(a, criterion) < RankingKey(b, criterion);
    });
}

} // namespace stochvar
