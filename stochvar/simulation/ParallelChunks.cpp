#include <stochvar/simulation/ParallelChunks.h>

#include <stochvar/numerics/DiagnosticCapture.h>
#include <stochvar/numerics/ErrorState.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace stochvar {

namespace {

// What one chunk left behind.
struct SChunkResult {
    std::string strDiagnostics;
    SErrorState errorState;
};

void RunChunk(const std::function<void(int, int)>& work, int nFirst, int nCount,
              const SErrorState& start, SChunkResult& result) {
    SetErrorState(start);
    CDiagnosticCapture capture;
    work(nFirst, nCount);
    result.strDiagnostics = capture.GetText();
    result.errorState = GetErrorState();
}

} // namespace

int ResolveThreadCount(int nThreads) {
    if (nThreads > 0) {
        return nThreads;
    }
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

int ChunkCount(int nItems, int nThreads) { return std::min(ResolveThreadCount(nThreads), nItems); }

void RunChunksOnThreads(int nItems, int nThreads, const std::function<void(int, int)>& work) {
    const int nChunks = ChunkCount(nItems, nThreads);
    if (nChunks <= 1) {
        if (nItems > 0) {
            work(0, nItems);
        }
        return;
    }
    const auto Index = [](int i) { return static_cast<std::size_t>(i); };
    // Chunk c covers [First(c), First(c + 1)): sizes differ by at most one.
    const auto First = [&](int c) {
        return static_cast<int>(static_cast<long long>(nItems) * c / nChunks);
    };
    const SErrorState start = GetErrorState();
    std::vector<SChunkResult> results(Index(nChunks));
    std::vector<std::thread> workers;
    std::vector<int> notStarted;
    workers.reserve(Index(nChunks));
    for (int c = 1; c < nChunks; ++c) {
        try {
            workers.emplace_back(RunChunk, std::cref(work), First(c), First(c + 1) - First(c),
                                 std::cref(start), std::ref(results[Index(c)]));
        } catch (const std::system_error&) {
            notStarted.push_back(c);
        }
    }
    RunChunk(work, 0, First(1), start, results[0]);
    for (int c : notStarted) {
        RunChunk(work, First(c), First(c + 1) - First(c), start, results[Index(c)]);
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    SErrorState end = start;
    for (const SChunkResult& result : results) {
        PrintCapturedDiagnostics(result.strDiagnostics);
        if (!(result.errorState == start)) {
            end = result.errorState;
        }
    }
    SetErrorState(end);
}

} // namespace stochvar
