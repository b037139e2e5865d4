#pragma once

// SReliabilityResult: what every analysis reports, whatever its method. Each method's result
// adds its own fields to these.
//
// Pf is the probability of failure P[g(X) <= 0] and beta = -Phi^-1(Pf) the reliability index:
// a method that finds beta first (FORM) gives Pf = Phi(-beta), one that estimates Pf gives beta
// from it. beta is +infinity for Pf = 0 and -infinity for Pf = 1.

#include <limits>
#include <string>

namespace stochvar {

struct SReliabilityResult {
    static constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

    double dPf = kNaN;
    double dBeta = kNaN;
    // The coefficient of variation of the estimate of Pf; NaN for the approximations.
    double dCoV = kNaN;
    // Points at which g was evaluated, and at which the caller's gradient was.
    long long nCalls = 0;
    long long nGradientCalls = 0;
    double dSeconds = 0.0;
    // Whether the method met its own criterion (FORM: the convergence tests; the sampling
    // methods: the target coefficient of variation; subset simulation: the failure level), and
    // why not when it did not.
    bool bConverged = false;
    std::string strReason;

    // Sets Pf and the beta that belongs to it.
    void SetPf(double dProbability);
    // Sets beta and the Pf that belongs to it.
    void SetBeta(double dIndex);
};

} // namespace stochvar
