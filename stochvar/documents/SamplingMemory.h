#pragma once

// The memory that a sampling run needs, checked before the run starts, so that a run too large
// for the machine is refused with the numbers instead of failing halfway.
//
// Plain Monte Carlo sampling needs a few buffers of one value per variable. Latin hypercube
// sampling keeps a stratum table of one int per sample and variable for the whole run, and for
// each variable a walk over its strata of about N / 8 bytes of bits and N / 30 bytes of counts.

#include <cstdint>
#include <optional>
#include <string>

namespace stochvar {

std::uint64_t SamplingMemoryBytes(int nVariables, long long nSamples, bool bLatinHypercube);

// What this process can still be given: the least of the memory the system reports available
// (MemAvailable), the room left under the address-space limit (ulimit -v) and under the
// control group's limit. Nothing when the system tells none of these.
std::optional<std::uint64_t> AvailableMemoryBytes();

// "Latin hypercube sampling of 7 variables with 50000000 samples needs 1.3 GiB of memory, but
// only 0.4 GiB are available: use fewer samples or plain sampling ...", without the available
// part when it is not known (an allocation that failed).
std::string MemoryRefusal(int nVariables, long long nSamples, bool bLatinHypercube,
                          std::optional<std::uint64_t> nAvailable);

// Throws CDocumentError when the run needs more memory than is available.
void RequireMemoryForRun(int nVariables, long long nSamples, bool bLatinHypercube);

} // namespace stochvar
