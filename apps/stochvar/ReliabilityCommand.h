#pragma once

// stochvar reliability: the probability of failure of a limit state g over a collection, by FORM,
// SORM, Monte Carlo, Latin hypercube sampling, importance sampling or subset simulation.

#include "CommandSupport.h"

namespace stochvar::cli {

extern const SCommand kReliabilityCommand;

} // namespace stochvar::cli
