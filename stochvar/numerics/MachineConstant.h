#pragma once

namespace stochvar {

// The floating-point limits the numerical routines work with (deliberately round decimal values,
// not the exact IEEE limits), by index. The function also takes the plain index numbers.
enum EMachineConstant : int {
    // 1e-307: the smallest positive value treated as nonzero.
    MACHINE_SMALLEST_POSITIVE = 1,
    // 1e307: the largest value.
    MACHINE_LARGEST = 2,
    // 8.8817841970012e-16: the smallest relative spacing, half a step (just below 2^-50).
    MACHINE_SMALLEST_RELATIVE_SPACING = 3,
    // 1.7763568394003e-15: the largest relative spacing, a full step (about 2^-49).
    MACHINE_LARGEST_RELATIVE_SPACING = 4,
};

// The limit of the given index; any other index gives 0.0.
double MachineConstant(int nIndex);

} // namespace stochvar
