#pragma once

// SSamplingResult: the result of an estimate of Pf from samples (Monte Carlo, Latin hypercube
// and importance sampling): the core fields with the coefficient of variation, plus the samples
// drawn, how many failed, and a 95 % interval for Pf.

#include <stochvar/reliability/ReliabilityResult.h>

namespace stochvar {

struct SSamplingResult : SReliabilityResult {
    long long nSamples = 0;
    long long nFailures = 0;
    double dLower = SReliabilityResult::kNaN;
    double dUpper = SReliabilityResult::kNaN;
};

} // namespace stochvar
