#pragma once

// The seed argument of the sampling functions, read as the command-line host reads --seed: None
// for the generator's default seeds, one whole number from 0 to 2^64 - 1 mixed by SplitMix64
// into three seeds (ExpandSeed), or the three 32-bit seeds themselves as a sequence.

#include <stochvar/documents/SeedExpansion.h>
#include <stochvar/numerics/ExOr.h>

#include <pybind11/pybind11.h>

namespace stochvar::python {

SeedTriple SeedFromPython(const pybind11::object& seed);

inline CExOr GeneratorFromPython(const pybind11::object& seed) {
    const SeedTriple seeds = SeedFromPython(seed);
    return CExOr(seeds[0], seeds[1], seeds[2]);
}

} // namespace stochvar::python
