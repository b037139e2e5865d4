#pragma once

// The mean and standard deviation that a variable stands for. Continuous families keep them in
// their MEAN and STDDEV slots (their conversion fills both); the fixed kind is its MEAN with no
// spread; a discrete variable takes the category positions 0 .. n-1 with their probabilities.

namespace stochvar {

class CDist;

struct SMoments {
    double dMean;
    double dStdDev;
};

SMoments TargetMoments(const CDist& dist);

} // namespace stochvar
