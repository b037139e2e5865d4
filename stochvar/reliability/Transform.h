#pragma once

// CTransform: the map between the standard normal space of an analysis (u: independent standard
// normal coordinates, one per random variable) and the physical space of the limit state (x: one
// value per variable, fixed variables included, in collection order).
//
// FORM, SORM, importance sampling and subset simulation work in u and see the probabilistic
// model only through this interface: CUSpaceTransform implements it for a collection,
// CStandardNormalSpace for a limit state written in u itself.
//
// Threads: ToPhysical may run on several threads at once after Prepare, made on one thread.

#include <stochvar/numerics/Numerics.h>

#include <string>

namespace stochvar {

class CTransform {
public:
    virtual ~CTransform() = default;

    // m, the number of coordinates of u.
    virtual int GetDimension() const = 0;
    // The number of physical values of a point.
    virtual int GetVariableCount() const = 0;
    virtual std::string GetVariableName(int nVar) const = 0;
    // Whether the variable takes separate values only; such a variable makes x a step function
    // of u, which the gradient-based methods cannot follow.
    virtual bool IsDiscrete(int nVar) const = 0;
    // The numerics the analyses run with on this model.
    virtual ENumerics GetNumerics() const = 0;

    // Brings up to date what the variables keep between evaluations, before threads share them.
    virtual void Prepare() const = 0;
    // x of the point u (m values in, GetVariableCount() values out).
    virtual void ToPhysical(const double* u, double* x) const = 0;
    // u of the physical point x; the inverse of ToPhysical for continuous variables.
    virtual void ToStandard(const double* x, double* u) const = 0;
    // dx/du at u: GetVariableCount() rows of m values, row i holding dx_i/du_k.
    virtual void GetJacobian(const double* u, double* J) const = 0;
    // du/dx at u: m rows of GetVariableCount() values, row k holding du_k/dx_i (0 for fixed
    // variables). Its product with GetJacobian is the identity of u.
    virtual void GetInverseJacobian(const double* u, double* J) const = 0;
};

} // namespace stochvar
