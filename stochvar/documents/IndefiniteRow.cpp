#include <stochvar/documents/IndefiniteRow.h>

#include <stochvar/simulation/CorrelationFactor.h>

#include <vector>

namespace stochvar {

int FindIndefiniteRow(const CDistCollection& collection) {
    // Only the variables that take part in some correlation: a large collection with a few
    // correlations needs no n x n matrix, and the others change no bit of the factor.
    const int nCount = collection.GetCount();
    const std::vector<int> variables =
        CCorrelationFactor::CorrelatedVariables(collection.m_Corrs, nCount);
    CCorrelationFactor factor;
    factor.Build(collection.m_Corrs, nCount, variables);
    return factor.Factor();
}

} // namespace stochvar
