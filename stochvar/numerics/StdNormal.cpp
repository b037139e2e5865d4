#include <stochvar/numerics/StdNormal.h>

namespace stochvar {

double StdNormal(int nSelector, double dArg) {
    switch (nSelector) {
    case STDNORMAL_CDF:
        return StdNormalCdf(dArg);
    case STDNORMAL_INVERSE:
        return StdNormalInverse(dArg);
    default:
        return 0.0;
    }
}

} // namespace stochvar
