#pragma once

// stochvar sample: a correlated Monte Carlo (or Latin hypercube) run over a collection.

#include "CommandSupport.h"

namespace stochvar::cli {

extern const SCommand kSampleCommand;

} // namespace stochvar::cli
