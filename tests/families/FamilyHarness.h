#pragma once

// Validation harness that every continuous family passes through. Each case is one variable of a
// family, converted from values given for one of its input types; the harness checks it against
// identities that do not depend on how the family is written:
//   - GetCumulative(GetInverse(p)) = p on a grid of p, and the inverse never decreases;
//   - the density integrates to 1 (Gauss-Legendre quadrature in the test) and its mean and
//     standard deviation are the MEAN and STDDEV slots;
//   - GetCumulative(x) equals the integral of the density up to x;
//   - 100,000 draws of GetRandom from a seeded generator have the slot mean and standard
//     deviation within four standard errors, and pass a Kolmogorov-Smirnov test;
//   - a copy evaluates like its source; input-type labels follow the keyword rule.
//
// Adding a family or a parameter set is one line in the table of FamilyCases.cpp.

#include <stochvar/model/Dist.h>

#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace stochvar::testing {

// How closely a family's cumulative function can be expected to agree with the other functions.
struct STolerance {
    double roundTrip; // |GetCumulative(GetInverse(p)) - p|, absolute
    double cdf;       // |GetCumulative(x) - integral of the density up to x|, absolute
};

// Closed forms on both sides: only rounding separates the cumulative function from its inverse.
inline constexpr STolerance kClosedForm = {1e-12, 1e-10};

// Families evaluated through the standard normal functions: Phi^-1 is an approximation good to
// 4.5e-4 in z, which moves Phi(Phi^-1(p)) by at most 4.5e-4 times the largest normal density
// (0.3989), i.e. 1.8e-4; Phi itself is good to 7.5e-8 (twice that for a difference of two).
inline constexpr STolerance kThroughStdNormal = {2e-4, 2e-7};

struct SFamilyCase {
    std::string name;                            // letters, digits and underscores only
    std::function<CDist*()> create;              // a fresh variable of the family
    int nParamCombi;                             // input type of the values below; -1: defaults
    std::vector<std::pair<int, double>> values;  // (slot, value) entered before the conversion
    STolerance tolerance;
    std::vector<int> breakSlots; // slots holding points where the density jumps or has a kink
};

// The full constructor without a source, as a host makes a new variable.
template <class TFamily>
CDist* Create() {
    return new TFamily(nullptr, "X", nullptr);
}

// Every registered case (FamilyCases.cpp).
const std::vector<SFamilyCase>& FamilyCases();

inline void PrintTo(const SFamilyCase& familyCase, std::ostream* os) { *os << familyCase.name; }

} // namespace stochvar::testing
