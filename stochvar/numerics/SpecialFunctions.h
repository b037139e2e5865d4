#pragma once

// The special functions: Chebyshev series, gamma and beta functions, the incomplete beta
// function and its inverse, and their error state.

#include <stochvar/numerics/BetaFunctions.h>
#include <stochvar/numerics/Chebyshev.h>
#include <stochvar/numerics/ChebyshevTables.h>
#include <stochvar/numerics/Elementary.h>
#include <stochvar/numerics/ErrorState.h>
#include <stochvar/numerics/GammaFunctions.h>
