#pragma once

// The damaged-input sweep shared by the archive, document and host tests: an intact archive or
// binary document, every truncation of it and seeded random corruptions of it go through the
// caller's loader. Every truncation must be refused; a corruption may be refused or accepted;
// nothing else may escape the loader. Reads out of bounds are the sanitizer build's to find.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace stochvar::test {

// What a loader made of its input: the message of its refusal, or nothing when it accepted it.
using Refusal = std::optional<std::string>;

struct SDamageSweep {
    int nCorruptions = 1000;          // copies with 1 to 4 bytes replaced by random ones
    std::uint32_t nSeed = 1;          // of the corruptions
    std::size_t nTruncationStep = 1;  // every nth truncation (1: each one)
    std::string strEveryRefusal;      // text each refusal must contain ("": any)
    std::string strTruncationRefusal; // text each refusal of a truncation must contain
};

// Loads the intact input (which must be accepted), then each damaged copy, under a trace that
// names the damage (failures the loader reports itself carry it too); stops after ten failures.
void SweepDamage(std::string_view intact, const std::function<Refusal(const std::string&)>& load,
                 const SDamageSweep& sweep = {});

} // namespace stochvar::test
