#pragma once

// CInterruptCheck: Ctrl+C during the module's long calls. Python runs its signal handlers only
// between bytecodes, so a call that stays in C++ for long must ask for them itself: the element
// loops after every kElements elements (the slowest family element, a beta inverse of about
// 35 us, keeps that below 20 ms; the cheapest, a few ns, pays well under 1 % for it), the
// sampling runs between batches paced to about kRunPace and between the chunks of a skip
// (CSampleRun::kSkipChunkValues values, 8 to 25 ms for skips of 1e7 to 4e7 values).
//
// A pending KeyboardInterrupt (or whatever a signal handler raised) leaves as
// pybind11::error_already_set.

#include <algorithm>
#include <chrono>
#include <cstddef>

namespace stochvar::python {

class CInterruptCheck {
public:
    static constexpr int kElements = 512;
    static constexpr std::chrono::milliseconds kRunPace{25};

    // Runs the pending signal handlers; throws when one raised. The interpreter lock is held.
    static void Poll();
    // The same for a thread that released the interpreter lock; false when a handler raised
    // (the error is then set, to be thrown once the lock is held again).
    static bool PollUnlocked();

    // Runs body(i) for i = 0 .. nCount - 1 and, after every kElements of them, polls and then
    // calls between() (which hands on what the elements left, such as diagnostic lines).
    template <typename Body, typename Between>
    static void ForEach(std::ptrdiff_t nCount, Body body, Between between) {
        const bool bPoll = IsEnabled();
        for (std::ptrdiff_t nStart = 0; nStart < nCount; nStart += kElements) {
            const std::ptrdiff_t nEnd = std::min<std::ptrdiff_t>(nCount, nStart + kElements);
            for (std::ptrdiff_t i = nStart; i < nEnd; ++i) {
                body(i);
            }
            if (bPoll) {
                Poll();
            }
            between();
        }
    }

    // For the benchmark that measures what the checks cost (bench/python_interrupts.py): off,
    // element loops never poll, and sampling runs poll only between the library's own fixed
    // batches and skip in one piece, as they did before they were paced.
    static bool IsEnabled();
    static void SetEnabled(bool bEnabled);
};

} // namespace stochvar::python
