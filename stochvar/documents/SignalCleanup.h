#pragma once

// CSignalCleanup: files that must not outlive the process when it is ended by a signal
// (SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGPIPE). While a path is registered, the signal's handler
// removes it, then restores the signal's previous disposition and raises the signal again, so
// the process still ends as the signal says (exit status, core dump) and no half-written
// temporary file stays behind.
//
// The handler is installed for a signal only when the process left it at its default action: a
// host that handles or ignores a signal itself keeps its own choice. The handler does only what
// is safe in a signal handler: it reads fixed slots guarded by atomic flags and calls unlink,
// sigaction and raise.

#include <signal.h>

namespace stochvar {

class CSignalCleanup {
public:
    // Number of paths that can be registered at the same time.
    static constexpr int kSlots = 8;
    // Longest path (bytes, without the terminating zero) that a slot holds.
    static constexpr int kMaxPath = 4095;

    // Registers the path and returns its slot, or -1 when every slot is taken or the path is too
    // long (the file then simply is not removed on a signal). Installs the handlers on first use.
    static int Register(const char* pszPath);
    // Forgets the slot's path; nothing for -1.
    static void Unregister(int nSlot);

    // While an object lives, the signals above are held back in the calling thread (and
    // delivered when it goes), so that creating a file and registering it, or renaming it and
    // forgetting it, cannot be torn apart by a signal.
    class CBlock {
    public:
        CBlock();
        ~CBlock();
        CBlock(const CBlock&) = delete;
        CBlock& operator=(const CBlock&) = delete;

    private:
        sigset_t m_previous;
    };

private:
    static void InstallHandlers();
    static void OnSignal(int nSignal);
};

} // namespace stochvar
