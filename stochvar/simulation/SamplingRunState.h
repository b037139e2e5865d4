#pragma once

// SSamplingRunState: what a CDistCollection keeps of a correlated run besides its public run
// members: the factor, the normal-value vector, its own stratum table and the stratum walks.
// The public pointers m_pCorrMatrix, m_pNormal and (with the own table) m_pStrata point into
// these buffers, which are sized, reused and freed as CDistCollection::InitSimulation and
// ResetContents say.

#include <stochvar/simulation/SparseCorrelationFactor.h>
#include <stochvar/simulation/StratumWalk.h>

#include <vector>

namespace stochvar {

struct SSamplingRunState {
    int nDists = 0;                  // n of the current run: the variables InitSimulation saw
    CSparseCorrelationFactor factor; // of the run's U-space matrix, component by component
    std::vector<double> wholeFactor; // n x n, for m_pCorrMatrix of a small run
    std::vector<double> normal; // n independent standard normal values of the sample being drawn
    std::vector<int> ownStrata; // the collection's own stratum table: N ints per variable
    int nOwnStrataSample = 0;   // the sample count ownStrata was last written for
    std::vector<CStratumWalk> walks; // one per variable, with the own table
    std::vector<double> scratch;     // the draws of a block of a Latin hypercube batch

    int* OwnStrata() { return ownStrata.empty() ? nullptr : ownStrata.data(); }
    double* Normal() { return normal.empty() ? nullptr : normal.data(); }
};

} // namespace stochvar
