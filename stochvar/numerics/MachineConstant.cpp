#include <stochvar/numerics/MachineConstant.h>

namespace stochvar {

double MachineConstant(int nIndex) {
    switch (nIndex) {
    case 1:
        return 1e-307;
    case 2:
        return 1e307;
    case 3:
        return 8.8817841970012e-16;
    case 4:
        return 1.7763568394003e-15;
    default:
        return 0.0;
    }
}

} // namespace stochvar
