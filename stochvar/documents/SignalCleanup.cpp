#include <stochvar/documents/SignalCleanup.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <mutex>
#include <unistd.h>

namespace stochvar {

namespace {

// A slot's state: free, being filled or emptied by the program, or holding a path that the
// handler may read. The handler only reads slots that are in use.
enum ESlotState : int { kFree, kBusy, kInUse };

struct SSlot {
    std::atomic<int> state{kFree};
    char path[CSignalCleanup::kMaxPath + 1] = {};
};

static_assert(std::atomic<int>::is_always_lock_free, "the handler needs lock-free flags");

std::array<SSlot, CSignalCleanup::kSlots> g_slots;

constexpr int kSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGPIPE};
// The disposition each signal had before the handler took it over, to be restored on delivery.
struct sigaction g_previous[std::size(kSignals)];

} // namespace

int CSignalCleanup::Register(const char* pszPath) {
    static std::once_flag installed;
    std::call_once(installed, &CSignalCleanup::InstallHandlers);
    const std::size_t nLength = std::strlen(pszPath);
    if (nLength > static_cast<std::size_t>(kMaxPath)) {
        return -1;
    }
    for (int i = 0; i < kSlots; ++i) {
        SSlot& slot = g_slots[static_cast<std::size_t>(i)];
        int nExpected = kFree;
        if (slot.state.compare_exchange_strong(nExpected, kBusy)) {
            std::memcpy(slot.path, pszPath, nLength + 1);
            slot.state.store(kInUse);
            return i;
        }
    }
    return -1;
}

void CSignalCleanup::Unregister(int nSlot) {
    if (nSlot >= 0 && nSlot < kSlots) {
        g_slots[static_cast<std::size_t>(nSlot)].state.store(kFree);
    }
}

CSignalCleanup::CBlock::CBlock() {
    sigset_t blocked;
    sigemptyset(&blocked);
    for (const int nSignal : kSignals) {
        sigaddset(&blocked, nSignal);
    }
    pthread_sigmask(SIG_BLOCK, &blocked, &m_previous);
}

CSignalCleanup::CBlock::~CBlock() { pthread_sigmask(SIG_SETMASK, &m_previous, nullptr); }

void CSignalCleanup::InstallHandlers() {
    for (std::size_t k = 0; k < std::size(kSignals); ++k) {
        struct sigaction current {};
        if (sigaction(kSignals[k], nullptr, &current) != 0 || current.sa_handler != SIG_DFL ||
            (current.sa_flags & SA_SIGINFO) != 0) {
            continue; // the host has its own plans for this signal
        }
        g_previous[k] = current;
        struct sigaction cleanup {};
        cleanup.sa_handler = &CSignalCleanup::OnSignal;
        sigemptyset(&cleanup.sa_mask);
        sigaction(kSignals[k], &cleanup, nullptr);
    }
}

void CSignalCleanup::OnSignal(int nSignal) {
    const int nSavedErrno = errno;
    for (SSlot& slot : g_slots) {
        if (slot.state.load() == kInUse) {
            unlink(slot.path);
        }
    }
    for (std::size_t k = 0; k < std::size(kSignals); ++k) {
        if (kSignals[k] == nSignal) {
            sigaction(nSignal, &g_previous[k], nullptr);
        }
    }
    errno = nSavedErrno;
    // Blocked while this handler runs, the signal is delivered again as soon as it returns, now
    // with its default action.
    raise(nSignal);
}

} // namespace stochvar
