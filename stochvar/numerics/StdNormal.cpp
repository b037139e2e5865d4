#include <stochvar/numerics/StdNormal.h>

namespace stochvar {

namespace detail {

double StdNormalCdfOfThread(double x) {
    return IsAccurateNumericsActive() ? AccurateStdNormalCdf(x) : FaithfulStdNormalCdf(x);
}

double StdNormalInverseOfThread(double P) {
    return IsAccurateNumericsActive() ? AccurateStdNormalInverse(P) : FaithfulStdNormalInverse(P);
}

} // namespace detail

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
