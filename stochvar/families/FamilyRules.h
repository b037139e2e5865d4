#pragma once

// Rules shared by several families, written once: automatic axis bounds and the COV step.

#include <stochvar/model/Dist.h>

namespace stochvar::family_rules {

// Chart axis centred on the mean: [M - 5 S, M + 5 S] when S > 0; otherwise (S <= 0 or NaN) the
// bounds stay as they are.
void SetMeanCentredAxis(CDist& dist);

// Chart axis starting at the lower bound: [L, M + 5 S] when S > 0; otherwise the bounds stay.
void SetLowerBoundAxis(CDist& dist);

} // namespace stochvar::family_rules
