#pragma once

// The standard normal functions of one kind of numerics (Numerics.h) as a type. The sampling
// loops take them as a template argument, chosen once per call by WithNormals, so that they look
// at the numerics once and not per value: Inverse turns a uniform number into an independent
// standard normal value, Cdf turns a correlated normal value into the probability that the
// variable's GetInverse receives.

#include <stochvar/numerics/Numerics.h>
#include <stochvar/numerics/StdNormal.h>

namespace stochvar {

struct SFaithfulNormals {
    static double Cdf(double x) { return FaithfulStdNormalCdf(x); }
    static double Inverse(double p) { return FaithfulStdNormalInverse(p); }
};

struct SAccurateNormals {
    static double Cdf(double x) { return AccurateStdNormalCdf(x); }
    static double Inverse(double p) { return AccurateStdNormalInverse(p); }
};

// Calls work(SAccurateNormals{}) under accurate numerics, else work(SFaithfulNormals{}).
template <class Work>
void WithNormals(ENumerics numerics, const Work& work) {
    if (numerics == ENumerics::Accurate) {
        work(SAccurateNormals{});
    } else {
        work(SFaithfulNormals{});
    }
}

} // namespace stochvar
