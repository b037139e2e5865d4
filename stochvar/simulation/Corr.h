#pragma once

// SCorr: one correlation entry of a CDistCollection. It names a pair of variables by their
// collection indices and holds the pair's correlation in both spaces: between the variables
// themselves (X-space) and between their underlying standard normal variables (U-space).
// bXSpace tells which of the two values was given; the other one is derived by the Nataf
// mapping (CDistCollection::SetCorr and CheckCorr).
//
// Conventions: nIndex1 <= nIndex2 for entries made by SetCorr; an index of -1 marks an entry
// that refers to no variable of the collection. The pointers keep the order in which the creator
// of the entry gave the variables, so pDist1 may be the variable at nIndex2. Sampling and
// CheckCorr address the variables by index only.

#include <stochvar/framework/Types.h>

namespace stochvar {

class CDist;

class SCorr {
public:
    int nIndex1 = -1;
    int nIndex2 = -1;
    CDist* pDist1 = nullptr;
    CDist* pDist2 = nullptr;
    double dCorrU = 0.0;
    double dCorrX = 0.0;
    BOOL bXSpace = FALSE;
};

} // namespace stochvar
