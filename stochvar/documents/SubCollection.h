#pragma once

// CSubCollection: some variables of a collection, with the correlations among them, as a
// collection of their own: the model of an analysis whose limit state names only these
// variables.
//
// Their joint distribution is the one they have in the whole collection: the Nataf model of a
// part of the variables is the normal copula of the part of the U-space correlation matrix, and
// every correlation between two of them is carried over with both of its values as they are
// (nothing is mapped again). The variables are the source's own objects, neither copied nor
// owned: the source must outlive the part and stay unchanged while it is used. The numerics are
// the source's choice.

#include <stochvar/simulation/DistCollection.h>

#include <vector>

namespace stochvar {

class CSubCollection {
public:
    // The variables at these positions of the source, in this order.
    CSubCollection(const CDistCollection& source, const std::vector<int>& positions);

    CDistCollection& Get() { return m_collection; }
    const CDistCollection& Get() const { return m_collection; }

private:
    CDistCollection m_collection;
};

} // namespace stochvar
