#pragma once

// One integer as the three seeds of the generator (CExOr).
//
// The generator's streams start from their seeds directly, so two seed triples that differ
// a little give streams that agree for many draws. A single integer is mixed instead: the
// three seeds are the high 32 bits of the first three outputs of SplitMix64 started at that
// integer,
//
//   state += 0x9E3779B97F4A7C15
//   z = state
//   z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9
//   z = (z ^ (z >> 27)) * 0x94D049BB133111EB
//   output = z ^ (z >> 31)                       (all modulo 2^64)
//
// so that neighbouring integers (1, 2, 3, ...) give unrelated triples.

#include <array>
#include <cstdint>

namespace stochvar {

using SeedTriple = std::array<std::uint32_t, 3>;

SeedTriple ExpandSeed(std::uint64_t nSeed);

} // namespace stochvar
