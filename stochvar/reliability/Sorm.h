#pragma once

// CSorm: the second-order reliability method at the design point that FORM finds. The failure
// surface is fitted there by a paraboloid whose principal curvatures kappa_i are the eigenvalues
// of the Hessian of G in the tangent plane (coordinates rotated so that the last axis is alpha)
// divided by ||grad G||; kappa > 0 where the surface bends away from the origin. The Hessian
// comes from central differences, all its points in one batch: m (m - 1) points for m
// coordinates (the value at the design point is FORM's).
//
// Pf of the paraboloid by three formulas:
//   Breitung (1984):               Phi(-beta) prod (1 + beta kappa_i)^-1/2
//   Hohenbichler and Rackwitz (1988): Phi(-beta) prod (1 + psi kappa_i)^-1/2,
//                                  psi = phi(beta) / Phi(-beta)
//   Tvedt (1990), three terms:     A1 + A2 + A3 with
//     A1 = Phi(-beta) prod (1 + beta kappa_i)^-1/2
//     A2 = (beta Phi(-beta) - phi(beta)) [prod (1 + beta kappa_i)^-1/2
//                                         - prod (1 + (beta + 1) kappa_i)^-1/2]
//     A3 = (beta + 1) (beta Phi(-beta) - phi(beta)) [prod (1 + beta kappa_i)^-1/2
//                                         - Re prod (1 + (beta + i) kappa_i)^-1/2]
// The reported Pf is Tvedt's. A formula whose factors are not all positive (1 + beta kappa <= 0:
// the paraboloid closes around the origin's side) gives NaN and a warning.
//
// The formulas are asymptotic for large positive beta. When the origin fails (beta < 0) they are
// applied to the safe domain, whose index is -beta and whose curvatures are -kappa:
// Pf = 1 - formula(-beta, -kappa).

#include <stochvar/reliability/Form.h>

namespace stochvar {

class CSorm {
public:
    struct SOptions {
        CForm::SOptions form;
        // The finite-difference step of the Hessian in u.
        double dHessianStep = 1e-3;
    };

    struct SResult : SReliabilityResult {
        CForm::SResult form;
        std::vector<double> curvatures; // ascending
        double dPfBreitung = SReliabilityResult::kNaN;
        double dPfHohenbichlerRackwitz = SReliabilityResult::kNaN;
        double dPfTvedt = SReliabilityResult::kNaN;
        long long nHessianCalls = 0;
        std::vector<std::string> warnings;
    };

    // The options are read when the analysis is made; the model and the limit state are used
    // by reference and must outlive it.
    CSorm(const CTransform& transform, const SLimitState& limitState);
    CSorm(const CTransform& transform, const SLimitState& limitState, SOptions options);

    // Runs FORM, then the curvatures at its design point. Throws as CForm::Run does.
    SResult Run() const;
    // The curvatures at the design point of a FORM result of the same problem (one of another
    // dimension is refused); the calls reported include FORM's.
    SResult Run(const CForm::SResult& form) const;

private:
    std::vector<double> Curvatures(const CForm::SResult& form, long long& nCalls) const;

    const CTransform& m_transform;
    const SLimitState& m_limitState;
    SOptions m_options;
};

} // namespace stochvar
