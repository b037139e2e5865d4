#pragma once

// The damaged-input sweep of the archive tests: an intact archive, every truncation of it and
// seeded random corruptions of it go through the caller's loader. Every truncation must be
// refused as the end of the archive; a corruption may be refused or accepted; nothing else may
// escape the loader. Reads out of bounds are the sanitizer build's to find.

#include <functional>
#include <optional>
#include <string>

namespace stochvar::test {

// What a loader made of its input: the message of its refusal, or nothing when it accepted it.
using Refusal = std::optional<std::string>;

// Loads the intact input (which must be accepted), then each damaged copy (copies with 1 to 4
// bytes replaced by random ones, seed 1), under a trace that names the damage (failures the
// loader reports itself carry it too); stops after ten failures.
void SweepDamage(const std::string& intact, const std::function<Refusal(const std::string&)>& load,
                 int nCorruptions = 1000);

} // namespace stochvar::test
