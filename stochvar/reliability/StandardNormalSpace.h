#pragma once

// CStandardNormalSpace: a model of nDims independent standard normal variables, for limit states
// written in the standard normal space itself (x = u). Variables are named u1, u2, ...

#include <stochvar/reliability/Transform.h>

namespace stochvar {

class CStandardNormalSpace : public CTransform {
public:
    explicit CStandardNormalSpace(int nDims, ENumerics numerics = ENumerics::Accurate);

    int GetDimension() const override { return m_nDims; }
    int GetVariableCount() const override { return m_nDims; }
    std::string GetVariableName(int nVar) const override;
    bool IsDiscrete(int /*nVar*/) const override { return false; }
    ENumerics GetNumerics() const override { return m_numerics; }

    void Prepare() const override {}
    void ToPhysical(const double* u, double* x) const override;
    void ToStandard(const double* x, double* u) const override;
    void GetJacobian(const double* u, double* J) const override;
    void GetInverseJacobian(const double* u, double* J) const override;

private:
    int m_nDims;
    ENumerics m_numerics;
};

} // namespace stochvar
