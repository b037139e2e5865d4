#pragma once

// Work over a range of items shared among threads so that nothing of it can tell how many.

#include <functional>

namespace stochvar {

// nThreads itself when positive, else the number of cores (at least 1).
int ResolveThreadCount(int nThreads);

// How many chunks RunInChunks makes: min(ResolveThreadCount(nThreads), nItems).
int ChunkCount(int nItems, int nThreads);

// The chunks of RunInChunks when there are several.
void RunChunksOnThreads(int nItems, int nThreads, const std::function<void(int, int)>& work);

// Splits [0, nItems) into contiguous chunks, one per thread (at most nThreads, at most nItems),
// and calls work(nFirst, nCount) for each. With one chunk the work runs on the calling thread,
// as a plain call that allocates nothing. With more, every chunk runs on a thread of its own (the
// first on the calling thread) starting from the calling thread's error state of the special
// functions and with its diagnostic lines captured; after the join the calling thread prints the
// lines chunk by chunk and keeps the error state that the chunks, taken in order, left. So output
// and error state are those of one thread doing the chunks in order, as long as the work changes
// the error state only by storing values (as the special functions do). If a thread cannot be
// started, its chunk runs on the calling thread.
template <class Work>
void RunInChunks(int nItems, int nThreads, const Work& work) {
    if (ChunkCount(nItems, nThreads) > 1) {
        RunChunksOnThreads(nItems, nThreads, std::cref(work));
    } else if (nItems > 0) {
        work(0, nItems);
    }
}

} // namespace stochvar
