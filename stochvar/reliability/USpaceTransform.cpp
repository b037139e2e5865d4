#include <stochvar/reliability/USpaceTransform.h>

#include <stochvar/families/FamilyList.h>
#include <stochvar/model/Dist.h>
#include <stochvar/numerics/Constants.h>
#include <stochvar/numerics/StdNormal.h>
#include <stochvar/reliability/ReliabilityError.h>
#include <stochvar/simulation/CorrelationFactor.h>
#include <stochvar/simulation/DistCollection.h>

#include <cmath>
#include <cstddef>

namespace stochvar {

namespace {

std::size_t Count(int n) { return static_cast<std::size_t>(n); }

std::string NameOf(const CDist* pDist) { return pDist->GetVarName().str(); }

} // namespace

ENumerics CUSpaceTransform::AnalysisNumerics(const CDistCollection& collection) {
    return collection.FollowsDefaultNumerics() ? ENumerics::Accurate : collection.GetNumerics();
}

CUSpaceTransform::CUSpaceTransform(const CDistCollection& collection)
    : m_numerics(AnalysisNumerics(collection)) {
    for (int i = 0; i < collection.GetCount(); ++i) {
        CDist* pDist = collection.GetDist(i);
        if (pDist == nullptr) {
            throw CReliabilityError("slot " + std::to_string(i) + " of the collection is empty");
        }
        m_dists.push_back(pDist);
        if (pDist->m_nType != DIST_FIXED) {
            m_random.push_back(i);
        }
    }
    if (m_random.empty()) {
        throw CReliabilityError("the collection holds no random variable");
    }
    TakeFactor(collection);
}

std::size_t CUSpaceTransform::Index(int r, int k) const {
    return Count(r) * m_random.size() + Count(k);
}

void CUSpaceTransform::FactorCorrelations(const CDistCollection& collection,
                                          CCorrelationFactor& factor) {
    factor.Build(collection.m_Corrs, collection.GetCount());
    const int nFailed = factor.Factor();
    if (nFailed >= 0) {
        throw CReliabilityError("the U-space correlation matrix is not positive definite: its "
                                "factorisation fails at variable '" +
                                NameOf(collection.GetDist(nFailed)) + "'");
    }
}

void CUSpaceTransform::TakeFactor(const CDistCollection& collection) {
    const int n = GetVariableCount();
    CCorrelationFactor factorisation;
    FactorCorrelations(collection, factorisation);
    const double* factor = factorisation.GetData();
    CheckFixedUncorrelated(factor);

    const int m = GetDimension();
    m_L.assign(Count(m) * Count(m), 0.0);
    for (int r = 0; r < m; ++r) {
        for (int k = 0; k <= r; ++k) {
            m_L[Index(r, k)] =
                factor[Count(m_random[Count(r)]) * Count(n) + Count(m_random[Count(k)])];
        }
    }
    // L^-1 column by column, by forward substitution on the unit vectors.
    m_LInv.assign(Count(m) * Count(m), 0.0);
    for (int c = 0; c < m; ++c) {
        for (int r = c; r < m; ++r) {
            double s = r == c ? 1.0 : 0.0;
            for (int k = c; k < r; ++k) {
                s -= Factor(r, k) * m_LInv[Index(k, c)];
            }
            m_LInv[Index(r, c)] = s / Factor(r, r);
        }
    }
}

void CUSpaceTransform::CheckFixedUncorrelated(const double* factor) const {
    const int n = GetVariableCount();
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < i; ++j) {
            const bool bFixedPair = m_dists[Count(i)]->m_nType == DIST_FIXED ||
                                    m_dists[Count(j)]->m_nType == DIST_FIXED;
            if (bFixedPair && factor[Count(i) * Count(n) + Count(j)] != 0.0) {
                throw CReliabilityError("variables '" + NameOf(m_dists[Count(j)]) + "' and '" +
                                        NameOf(m_dists[Count(i)]) +
                                        "' are correlated in U-space, but one of them is fixed: "
                                        "a fixed value correlates with nothing");
            }
        }
    }
}

std::string CUSpaceTransform::GetVariableName(int nVar) const {
    return NameOf(m_dists[Count(nVar)]);
}

bool CUSpaceTransform::IsDiscrete(int nVar) const {
    return m_dists[Count(nVar)]->m_nType == DIST_DISCRETE;
}

void CUSpaceTransform::Prepare() const {
    for (CDist* pDist : m_dists) {
        pDist->PrepareInverse();
    }
}

double CUSpaceTransform::Correlated(const double* u, int r) const {
    // The sampler's sum: k ascending from 0.0. The columns of fixed variables that it also adds
    // hold exact zeros (see CheckFixedUncorrelated), which change no bit of a sum that starts at
    // +0.0.
    double y = 0.0;
    for (int k = 0; k <= r; ++k) {
        y += Factor(r, k) * u[k];
    }
    return y;
}

void CUSpaceTransform::ToPhysical(const double* u, double* x) const {
    const CNumericsScope scope(m_numerics);
    const int n = GetVariableCount();
    for (int i = 0; i < n; ++i) {
        if (m_dists[Count(i)]->m_nType == DIST_FIXED) {
            x[i] = m_dists[Count(i)]->GetInverse(0.5); // its value, whatever the probability
        }
    }
    const int m = GetDimension();
    for (int r = 0; r < m; ++r) {
        const int i = m_random[Count(r)];
        x[i] = m_dists[Count(i)]->GetInverse(StdNormalCdf(Correlated(u, r)));
    }
}

void CUSpaceTransform::ToStandard(const double* x, double* u) const {
    const CNumericsScope scope(m_numerics);
    const int m = GetDimension();
    for (int r = 0; r < m; ++r) {
        const int i = m_random[Count(r)];
        double s = StdNormalInverse(m_dists[Count(i)]->GetCumulative(x[i]));
        for (int k = 0; k < r; ++k) {
            s -= Factor(r, k) * u[k];
        }
        u[r] = s / Factor(r, r);
    }
}

double CUSpaceTransform::MarginalSlope(int r, double y) const {
    // x = F^-1(Phi(y)), so dx/dy = phi(y) / f(x).
    CDist* pDist = m_dists[Count(m_random[Count(r)])];
    const double phi = std::exp(-0.5 * y * y) / std::sqrt(constants::kTwoPi);
    return phi / pDist->GetDensity(pDist->GetInverse(StdNormalCdf(y)));
}

void CUSpaceTransform::GetJacobian(const double* u, double* J) const {
    const CNumericsScope scope(m_numerics);
    const int n = GetVariableCount();
    const int m = GetDimension();
    std::fill_n(J, Count(n) * Count(m), 0.0);
    for (int r = 0; r < m; ++r) {
        const double slope = MarginalSlope(r, Correlated(u, r));
        double* row = J + Count(m_random[Count(r)]) * Count(m);
        for (int k = 0; k <= r; ++k) {
            row[k] = slope * Factor(r, k);
        }
    }
}

void CUSpaceTransform::GetInverseJacobian(const double* u, double* J) const {
    const CNumericsScope scope(m_numerics);
    const int n = GetVariableCount();
    const int m = GetDimension();
    std::fill_n(J, Count(m) * Count(n), 0.0);
    // du/dx = L^-1 diag(dy/dx).
    for (int c = 0; c < m; ++c) {
        const double slope = MarginalSlope(c, Correlated(u, c));
        for (int k = c; k < m; ++k) {
            J[Count(k) * Count(n) + Count(m_random[Count(c)])] = m_LInv[Index(k, c)] / slope;
        }
    }
}

} // namespace stochvar
