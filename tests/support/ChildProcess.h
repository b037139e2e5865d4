#pragma once

// CChildProcess: a program that a test starts and owns. It runs in a process group of its own, so
// that whatever it starts in turn is in that group too; it has a deadline; and the whole group is
// killed when the program ends, when the deadline passes and when the object goes away (a test
// that fails half-way, or throws, leaves nothing running). Should the test program itself be
// killed (a test timeout), the kernel kills the started program with it.

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace stochvar::test {

class CChildProcess {
public:
    struct SOptions {
        // The files of the standard streams (the output files are created or emptied).
        std::string strIn = "/dev/null";
        std::string strOut = "/dev/null";
        std::string strErr = "/dev/null";
        // From the start; the program and its group are killed when it passes.
        std::chrono::milliseconds deadline = std::chrono::minutes(2);
        // A limit of the program's address space in KiB (as "ulimit -v"), 0 for none.
        long nAddressSpaceKiB = 0;
    };

    // Starts argv[0] (a path) with the arguments, SIGINT and SIGTERM at their default action.
    // A program that cannot be started ends with exit code 127.
    CChildProcess(const std::vector<std::string>& argv, const SOptions& options);
    explicit CChildProcess(const std::vector<std::string>& argv)
        : CChildProcess(argv, SOptions{}) {}
    ~CChildProcess();

    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    // The program's process id, which is also its group's id.
    pid_t GetPid() const { return m_pid; }
    // Whether the program has not ended yet.
    bool IsRunning();
    // Sends the signal to the program alone.
    void Signal(int nSignal) const;
    // Waits until the program ends or the deadline passes, then kills what is left of its group.
    // The exit code, or 128 + the signal that ended it (SIGKILL at the deadline).
    int Wait();
    bool TimedOut() const { return m_bTimedOut; }

private:
    // Whether the program ended within nMilliseconds; it stays unreaped, so that its process id
    // keeps naming its group.
    bool WaitForEnd(int nMilliseconds) const;
    void EndGroupAndReap();

    pid_t m_pid = -1;
    std::chrono::steady_clock::time_point m_deadline;
    bool m_bReaped = false;
    bool m_bTimedOut = false;
    int m_nExitCode = -1;
};

// The processes of the group that have not ended (zombies are left out), read from /proc.
std::vector<pid_t> LivingGroupMembers(pid_t group);

} // namespace stochvar::test
