#pragma once

// CConditionalSampler: the Markov chains of subset simulation, in u, whose stationary law is the
// standard normal density conditioned on g(u) <= b. Each chain starts at a seed (a state with
// g <= b) and takes nLength - 1 steps; a candidate v replaces the state u when g(v) <= b, else
// the state repeats. Two kernels make the candidate:
//
// - Adaptive conditional sampling (Papaioannou, Betz, Zwirglmaier and Straub 2015):
//   v_k ~ N(rho_k u_k, sigma_k^2), rho_k = sqrt(1 - sigma_k^2), sigma_k = min(1, lambda s_k).
// - Modified Metropolis (Au and Beck 2001), coordinate by coordinate: xi_k = u_k + sigma_k z,
//   taken as v_k with probability min(1, phi(xi_k) / phi(u_k)), else v_k = u_k;
//   sigma_k = lambda s_k. When no coordinate moved, v = u and g is not evaluated.
//
// s_k is the spread of the seeds along coordinate k. The chains run in groups of a fraction p_a
// of them; after the i-th group lambda follows the group's acceptance rate a (the fraction of
// steps in which the state moved) towards its target a*: ln lambda += (a - a*) / sqrt(i)
// (Papaioannou et al. 2015, for both kernels). lambda carries over from level to level. The
// chains of a group advance together: each step is one batch of points for g.
//
// Every random number comes from the caller's stream, in an order that does not depend on the
// threads that evaluate g.

#include <vector>

namespace stochvar {

class CLimitStateEvaluator;
class CNormalStream;

// States of u with their g, chain by chain: chain c holds states c L .. c L + L - 1.
struct SChainStates {
    int nChains = 0;
    int nLength = 0;
    int m = 0;
    std::vector<double> U;
    std::vector<double> G;

    int Size() const { return nChains * nLength; }
    const double* Row(int p) const;
};

class CConditionalSampler {
public:
    enum class EKernel { AdaptiveConditional, ModifiedMetropolis };
    struct SSettings {
        EKernel kernel = EKernel::AdaptiveConditional;
        double dInitialScale = 0.6;       // lambda at the first level
        double dTargetAcceptance = 0.44;  // a*
        double dAdaptationFraction = 0.1; // p_a
    };

    // Evaluator and stream are used by reference; nVariables is the physical row length.
    CConditionalSampler(const SSettings& settings, CLimitStateEvaluator& evaluator,
                        CNormalStream& normals, int nVariables);

    // One chain of nLength states from each seed (rows of seeds.U with one state per chain).
    SChainStates Grow(const SChainStates& seeds, int nLength, double b);

    double GetScale() const { return m_dLambda; }
    // The acceptance rate of the last Grow.
    double GetAcceptance() const { return m_dAcceptance; }

private:
    struct SGroup;
    // The candidates of one step of the group's chains; false for a chain whose candidate is its
    // state (modified Metropolis with no coordinate moved).
    void Propose(SGroup& group, const SChainStates& chains, int s);
    void Step(SGroup& group, SChainStates& chains, int s, double b);
    // sigma_k and rho_k of the group from lambda and the seeds' spread s_k.
    void SetScales(SGroup& group, const std::vector<double>& spread) const;

    SSettings m_settings;
    CLimitStateEvaluator& m_evaluator;
    CNormalStream& m_normals;
    int m_nVariables;
    double m_dLambda;
    double m_dAcceptance = 0.0;
};

} // namespace stochvar
