#pragma once

// Whether a collection's correlations can be sampled as a whole: the U-space correlation matrix
// must be positive definite, which the simulation finds out only when it prepares a run (and
// then reports through the host's message box). A host checks it beforehand, quietly, to say
// which row and which variables stand in the way.

#include <stochvar/simulation/DistCollection.h>

namespace stochvar {

// The row (the variable's index) at which the Cholesky factorisation of the collection's U-space
// correlation matrix meets a pivot that is not positive, or -1 when it gets through. The same
// CCorrelationFactor builds and factors the matrix for CDistCollection::InitSimulation, so both
// find the same row; without correlations nothing is factored (-1).
int FindIndefiniteRow(const CDistCollection& collection);

} // namespace stochvar
