#include <stochvar/documents/SamplingMemory.h>

#include <stochvar/documents/DocumentError.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace stochvar {

namespace {

constexpr std::uint64_t kKiB = 1024;
constexpr double kGiB = 1024.0 * 1024.0 * 1024.0;
// A stratum walk's bits (one per stratum) and its tree of free-stratum counts (CStratumWalk).
constexpr std::uint64_t kWalkBitsPerByte = 8;
constexpr std::uint64_t kWalkSamplesPerCountByte = 30;

void TakeSmaller(std::optional<std::uint64_t>& least, std::uint64_t nBytes) {
    least = least ? std::min(*least, nBytes) : nBytes;
}

// "MemAvailable:  24011396 kB" of /proc/meminfo.
std::optional<std::uint64_t> SystemAvailable() {
    std::ifstream in("/proc/meminfo");
    std::string strKey;
    std::uint64_t nValue = 0;
    std::string strUnit;
    while (in >> strKey >> nValue >> strUnit) {
        if (strKey == "MemAvailable:") {
            return nValue * kKiB;
        }
    }
    const long nPages = sysconf(_SC_PHYS_PAGES);
    const long nPageSize = sysconf(_SC_PAGESIZE);
    if (nPages > 0 && nPageSize > 0) {
        return static_cast<std::uint64_t>(nPages) * static_cast<std::uint64_t>(nPageSize);
    }
    return std::nullopt;
}

// Room under the address-space limit: the limit less the address space in use.
std::optional<std::uint64_t> AddressSpaceRoom() {
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
        return std::nullopt;
    }
    std::ifstream in("/proc/self/statm");
    std::uint64_t nPagesInUse = 0;
    in >> nPagesInUse;
    const std::uint64_t nInUse = nPagesInUse * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
    return limit.rlim_cur > nInUse ? limit.rlim_cur - nInUse : 0;
}

// Room under a control group's memory limit (cgroup v2): memory.max less memory.current.
std::optional<std::uint64_t> ControlGroupRoom() {
    std::ifstream maxFile("/sys/fs/cgroup/memory.max");
    std::ifstream currentFile("/sys/fs/cgroup/memory.current");
    std::uint64_t nMax = 0;
    std::uint64_t nCurrent = 0;
    if (!(maxFile >> nMax) || !(currentFile >> nCurrent)) {
        return std::nullopt; // no such files, or "max": no limit
    }
    return nMax > nCurrent ? nMax - nCurrent : 0;
}

std::string InGiB(std::uint64_t nBytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f GiB", static_cast<double>(nBytes) / kGiB);
    return text;
}

} // namespace

std::uint64_t SamplingMemoryBytes(int nVariables, long long nSamples, bool bLatinHypercube) {
    const auto n = static_cast<std::uint64_t>(std::max(nVariables, 0));
    const std::uint64_t nPerRun = n * n * sizeof(double) + n * sizeof(double);
    if (!bLatinHypercube) {
        return nPerRun;
    }
    const auto N = static_cast<std::uint64_t>(std::max(nSamples, 0LL));
    const std::uint64_t nWalk = N / kWalkBitsPerByte + N / kWalkSamplesPerCountByte;
    return nPerRun + n * (N * sizeof(int) + nWalk);
}

std::string MemoryRefusal(int nVariables, long long nSamples, bool bLatinHypercube,
                          std::optional<std::uint64_t> nAvailable) {
    return std::string(bLatinHypercube ? "Latin hypercube" : "plain") + " sampling of " +
           std::to_string(nVariables) + " variables with " + std::to_string(nSamples) +
           " samples needs " + InGiB(SamplingMemoryBytes(nVariables, nSamples, bLatinHypercube)) +
           " of memory, but " +
           (nAvailable ? "only " + InGiB(*nAvailable) + " are available"
                       : "not that much could be had") +
           ": use fewer samples" +
           (bLatinHypercube ? " or plain sampling (its memory does not grow with N)" : "");
}

std::optional<std::uint64_t> AvailableMemoryBytes() {
    std::optional<std::uint64_t> least;
    for (const std::optional<std::uint64_t> room :
         {SystemAvailable(), AddressSpaceRoom(), ControlGroupRoom()}) {
        if (room) {
            TakeSmaller(least, *room);
        }
    }
    return least;
}

void RequireMemoryForRun(int nVariables, long long nSamples, bool bLatinHypercube) {
    const std::uint64_t nNeeded = SamplingMemoryBytes(nVariables, nSamples, bLatinHypercube);
    const std::optional<std::uint64_t> nAvailable = AvailableMemoryBytes();
    if (nAvailable && nNeeded > *nAvailable) {
        throw CDocumentError(MemoryRefusal(nVariables, nSamples, bLatinHypercube, nAvailable));
    }
}

} // namespace stochvar
