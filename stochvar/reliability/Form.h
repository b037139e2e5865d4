#pragma once

// CForm: the first-order reliability method. It looks for the design point, the point of the
// failure surface g = 0 nearest to the origin of the standard normal space, and approximates the
// failure domain by the half space beyond the tangent plane there: Pf = Phi(-beta), beta the
// signed distance (negative when the origin itself fails).
//
// The search is the improved HLRF algorithm (Zhang and Der Kiureghian 1997): the step of Hasofer,
// Lind, Rackwitz and Fiessler towards the design point of the linearised limit state, shortened
// by an Armijo line search on the merit function m(u) = ||u||^2 / 2 + c |G(u)| whenever the full
// step does not lower it enough. The search stops when both
//   |G(u)| / |G(u0)| <= dTolerance1        (on the surface)
//   ||u - (alpha.u) alpha|| <= dTolerance2 (u lies along the unit normal alpha = -grad G / ||grad
//   G||)
// hold.
//
// Gradients: finite differences in u, each gradient one batch of points (the point itself and
// its m forward neighbours, or 2m neighbours for central differences), or the caller's gradient
// dg/dx mapped through the Jacobian dx/du when the limit state has one. An iteration evaluates
// one gradient batch at the full step; when the line search refuses that step, each shorter trial
// costs one point and the step it accepts another gradient batch.
//
// Several starting points may be given; each is searched, the design point nearest the origin
// among the converged searches is reported, and the result says whether two searches ended at
// different points (the failure surface then has several design points; FORM sees one).
//
// Importance: alpha gives the sensitivity of beta to the coordinates of u. For correlated
// variables those mix the variables, so the importance of each variable is given by the gamma
// vector of Der Kiureghian (2005): gamma ~ alpha^T (du/dx) D, D the diagonal of standard
// deviations of the variables linearised at the design point, normed to 1; the importance
// factors are its squares (alpha_i^2 for independent variables).
//
// Discrete variables make g a step function of u: FORM refuses them.

#include <stochvar/reliability/LimitState.h>
#include <stochvar/reliability/ReliabilityResult.h>

#include <string>
#include <vector>

namespace stochvar {

class CTransform;
class CLimitStateEvaluator;

class CForm {
public:
    enum class EDifferences { Forward, Central };

    struct SOptions {
        int nMaxIterations = 100;
        double dTolerance1 = 1e-3;
        double dTolerance2 = 1e-3;
        EDifferences differences = EDifferences::Forward;
        // The finite-difference step in u; 0 chooses 1e-6 for forward and 1e-4 for central
        // differences (their truncation and rounding errors balance near there for smooth g).
        double dStep = 0.0;
        // Whether to use the limit state's gradient when it has one.
        bool bUseCallerGradient = true;
        // Starting points in u (GetDimension() values each); none: the origin.
        std::vector<std::vector<double>> starts;
        // Design points farther apart than this (in u) count as different.
        double dDistinctDistance = 1e-2;
        // Threads for the batches of a gradient (<= 0: one per core).
        int nThreads = 1;
    };

    // The search from one starting point.
    struct SSearch {
        std::vector<double> start;
        std::vector<double> u; // where it ended
        double dBeta = SReliabilityResult::kNaN;
        int nIterations = 0;
        bool bConverged = false;
        std::string strReason;
    };

    struct SResult : SReliabilityResult {
        std::vector<double> u;                // the design point in u
        std::vector<double> x;                // and in x
        std::vector<double> alpha;            // unit normal towards failure: u = beta alpha
        std::vector<double> gamma;            // per variable (see above)
        std::vector<double> importance;       // gamma_i^2, summing to 1
        std::vector<double> gradientU;        // grad G at the design point
        double dG = SReliabilityResult::kNaN; // g at the design point
        int nIterations = 0;                  // of the reported search
        std::vector<SSearch> searches;        // one per starting point
        bool bDistinctDesignPoints = false;
    };

    // The options are read when the analysis is made; the model and the limit state are used
    // by reference and must outlive it.
    CForm(const CTransform& transform, const SLimitState& limitState);
    CForm(const CTransform& transform, const SLimitState& limitState, SOptions options);

    // Throws CReliabilityError for a discrete variable, a start of the wrong size or a limit
    // state that gives a value that is not finite; the limit state's own exceptions pass.
    SResult Run() const;

    // Throws CReliabilityError naming the first discrete variable of the transform, if any;
    // pszMethod names the method in the message.
    static void RequireContinuous(const CTransform& transform, const char* pszMethod);

private:
    struct SPoint;
    SPoint Evaluate(CLimitStateEvaluator& evaluator, const std::vector<double>& u) const;
    double Evaluate1(CLimitStateEvaluator& evaluator, const std::vector<double>& u) const;
    SSearch Search(CLimitStateEvaluator& evaluator, const std::vector<double>& start,
                   SPoint& end) const;
    void Describe(const SPoint& point, SResult& result) const;
    double Step() const;

    const CTransform& m_transform;
    const SLimitState& m_limitState;
    SOptions m_options;
};

} // namespace stochvar
