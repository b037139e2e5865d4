#pragma once

// CUSpaceTransform: the standard normal space of a collection, the probabilistic model that the
// collection's sampler draws from.
//
//   x -> u:  y_i = Phi^-1(F_i(x_i)),  u = L^-1 y
//   u -> x:  y = L u,  x_i = F_i^-1(Phi(y_i))
//
// L is the Cholesky factor of the U-space correlation matrix that sampling uses (a unit diagonal
// and each entry's dCorrU). u -> x is the sampler's own path from its independent normal values z
// to a sample, with the same operations in the same order, so that u is the sampler's z and a
// point of u gives the bits of the sample drawn from it.
//
// Fixed variables take no coordinate of u: u has one coordinate per other variable, in
// collection order, and a fixed variable stays at its value in x. A fixed variable with a U-space
// correlation to another variable is refused: its normal value would move the others although
// its own value never moves.
//
// The transform reads the variables through the collection's pointers: build it after the
// collection is complete, and change neither while an analysis runs.
//
// Numerics: the collection's own choice when it has one (SetNumerics), else accurate numerics,
// whatever the process default: the gradients of FORM and SORM need the smooth Phi^-1 of the
// accurate numerics, and no earlier host has reliability results they must match.

#include <stochvar/reliability/Transform.h>

#include <vector>

namespace stochvar {

class CCorrelationFactor;
class CDist;
class CDistCollection;

class CUSpaceTransform : public CTransform {
public:
    // Throws CReliabilityError for an empty slot, a correlation matrix that is not positive
    // definite, or a fixed variable correlated in U-space.
    explicit CUSpaceTransform(const CDistCollection& collection);

    // The numerics of analyses on the collection (see above).
    static ENumerics AnalysisNumerics(const CDistCollection& collection);
    // The sampler's factor of the collection's U-space correlations (the same matrix, factored
    // in the same order); throws CReliabilityError, naming the variable, where it fails.
    static void FactorCorrelations(const CDistCollection& collection, CCorrelationFactor& factor);

    int GetDimension() const override { return static_cast<int>(m_random.size()); }
    int GetVariableCount() const override { return static_cast<int>(m_dists.size()); }
    std::string GetVariableName(int nVar) const override;
    bool IsDiscrete(int nVar) const override;
    ENumerics GetNumerics() const override { return m_numerics; }

    void Prepare() const override;
    void ToPhysical(const double* u, double* x) const override;
    void ToStandard(const double* x, double* u) const override;
    void GetJacobian(const double* u, double* J) const override;
    void GetInverseJacobian(const double* u, double* J) const override;

    // The collection index of coordinate k of u.
    int GetVariableOfCoordinate(int k) const { return m_random[static_cast<std::size_t>(k)]; }

private:
    void TakeFactor(const CDistCollection& collection);
    // factor: the n x n factor of all the variables, row-major.
    void CheckFixedUncorrelated(const double* factor) const;
    double Factor(int r, int k) const { return m_L[Index(r, k)]; }
    std::size_t Index(int r, int k) const;
    // y_r = (L u)_r, the correlated standard normal value of the random variable behind
    // coordinate r.
    double Correlated(const double* u, int r) const;
    // dx_i / dy_i of the random variable behind coordinate r, at y.
    double MarginalSlope(int r, double y) const;

    std::vector<CDist*> m_dists;
    std::vector<int> m_random;  // collection index of each coordinate of u
    std::vector<double> m_L;    // m x m, row-major: the factor restricted to the random variables
    std::vector<double> m_LInv; // its inverse, also lower triangular
    ENumerics m_numerics;
};

} // namespace stochvar
