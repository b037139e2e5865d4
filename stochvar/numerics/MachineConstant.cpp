#include <stochvar/numerics/MachineConstant.h>

namespace stochvar {

double MachineConstant(int nIndex) {
    switch (nIndex) {
    case MACHINE_SMALLEST_POSITIVE:
        return 1e-307;
    case MACHINE_LARGEST:
        return 1e307;
    case MACHINE_SMALLEST_RELATIVE_SPACING:
        return 8.8817841970012e-16;
    case MACHINE_LARGEST_RELATIVE_SPACING:
        return 1.7763568394003e-15;
    default:
        return 0.0;
    }
}

} // namespace stochvar
