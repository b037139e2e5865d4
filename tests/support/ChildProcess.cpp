#include "support/ChildProcess.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include <fcntl.h>
#if defined(__linux__)
#include <sys/prctl.h>
#endif
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace stochvar::test {

namespace {

// Between fork and exec only async-signal-safe calls: everything is prepared before the fork.
[[noreturn]] void ExecInOwnGroup(char* const* argv, const CChildProcess::SOptions& options,
                                 pid_t parent) {
    setpgid(0, 0);
#if defined(__linux__)
    prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
    if (getppid() != parent) { // the test ended before the line above took effect
        _exit(127);
    }
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    if (options.nAddressSpaceKiB > 0) {
        const rlim_t nBytes = rlim_t(options.nAddressSpaceKiB) * 1024;
        const rlimit limit{nBytes, nBytes};
        setrlimit(RLIMIT_AS, &limit);
    }
    dup2(open(options.strIn.c_str(), O_RDONLY | O_CLOEXEC), 0);
    dup2(open(options.strOut.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644), 1);
    dup2(open(options.strErr.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644), 2);
    execv(argv[0], argv);
    _exit(127);
}

int ExitCodeOf(int nStatus) {
    return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : 128 + WTERMSIG(nStatus);
}

} // namespace

CChildProcess::CChildProcess(const std::vector<std::string>& argv, const SOptions& options)
    : m_deadline(std::chrono::steady_clock::now() + options.deadline) {
    std::vector<char*> args;
    std::ranges::transform(argv, std::back_inserter(args), [](const std::string& strArg) {
        return const_cast<char*>(strArg.c_str());
    });
    args.push_back(nullptr);
    const pid_t parent = getpid();
    m_pid = fork();
    if (m_pid == 0) {
        ExecInOwnGroup(args.data(), options, parent);
    }
    if (m_pid < 0) { // nothing started: as a program that cannot be started
        m_bReaped = true;
        m_nExitCode = 127;
        return;
    }
    // Also here, so that the group exists before anything is sent to it, whichever runs first.
    setpgid(m_pid, m_pid);
}

CChildProcess::~CChildProcess() {
    if (m_pid > 0 && !m_bReaped) {
        EndGroupAndReap();
    }
}

bool CChildProcess::WaitForEnd(int nMilliseconds) const {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(nMilliseconds);
    for (;;) {
        siginfo_t info{};
        if (waitid(P_PID, id_t(m_pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0 ||
            info.si_pid != 0) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= until) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

bool CChildProcess::IsRunning() { return !m_bReaped && !WaitForEnd(0); }

void CChildProcess::Signal(int nSignal) const {
    if (!m_bReaped) {
        kill(m_pid, nSignal);
    }
}

int CChildProcess::Wait() {
    if (!m_bReaped) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            m_deadline - std::chrono::steady_clock::now());
        m_bTimedOut = !WaitForEnd(int(std::max<std::chrono::milliseconds::rep>(left.count(), 0)));
        EndGroupAndReap();
    }
    return m_nExitCode;
}

void CChildProcess::EndGroupAndReap() {
    // The program is not reaped yet, so its process id still names its group and no other.
    killpg(m_pid, SIGKILL);
    int nStatus = 0;
    while (waitpid(m_pid, &nStatus, 0) < 0 && errno == EINTR) {
    }
    m_bReaped = true;
    m_nExitCode = ExitCodeOf(nStatus);
}

std::vector<pid_t> LivingGroupMembers(pid_t group) {
    std::vector<pid_t> members;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string strName = entry.path().filename().string();
        if (!std::ranges::all_of(strName, [](char c) { return c >= '0' && c <= '9'; })) {
            continue; // not a process
        }
        std::ifstream stat(entry.path() / "stat");
        std::string text((std::istreambuf_iterator<char>(stat)), {});
        // pid (comm) state ppid pgrp ...; the command name may hold blanks and parentheses.
        const std::size_t nClose = text.rfind(')');
        if (nClose == std::string::npos) {
            continue;
        }
        std::istringstream fields(text.substr(nClose + 1));
        char cState = 0;
        pid_t parent = 0;
        pid_t memberGroup = 0;
        fields >> cState >> parent >> memberGroup;
        if (fields && memberGroup == group && cState != 'Z' && cState != 'X') {
            members.push_back(pid_t(std::stoi(strName)));
        }
    }
    return members;
}

} // namespace stochvar::test
