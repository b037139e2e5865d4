#pragma once

namespace stochvar {

// The floating-point limits the numerical routines work with (deliberately round decimal values,
// not the exact IEEE limits):
//   1: 1e-307, smallest positive value treated as nonzero
//   2: 1e307, largest value
//   3: 8.8817841970012e-16, relative spacing, half step (just below 2^-50)
//   4: 1.7763568394003e-15, relative spacing, full step
// Any other index gives 0.0.
double MachineConstant(int nIndex);

} // namespace stochvar
