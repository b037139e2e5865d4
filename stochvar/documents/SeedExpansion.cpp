#include <stochvar/documents/SeedExpansion.h>

namespace stochvar {

namespace {

std::uint64_t SplitMix64(std::uint64_t& state) {
    state += 0x9E3779B97F4A7C15u;
    std::uint64_t z = state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
}

} // namespace

SeedTriple ExpandSeed(std::uint64_t nSeed) {
    std::uint64_t state = nSeed;
    SeedTriple seeds{};
    for (std::uint32_t& nPart : seeds) {
        nPart = static_cast<std::uint32_t>(SplitMix64(state) >> 32);
    }
    return seeds;
}

} // namespace stochvar
