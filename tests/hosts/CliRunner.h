#pragma once

// Runs the command-line host as a separate program and captures what it wrote, and gives each
// test a temporary directory of its own for documents and output.

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace stochvar::test {

struct SRunResult {
    int nExitCode = -1;
    std::string strOut;
    std::string strErr;
};

// Where the program's standard streams go instead of the defaults: standard input from
// /dev/null, standard output and standard error captured.
struct SRedirect {
    std::string strStdin = "/dev/null";
    std::string strStdout; // empty: captured in SRunResult::strOut
};

// Runs the built stochvar executable with the arguments and waits for it.
SRunResult RunCli(const std::vector<std::string>& args, const SRedirect& redirect = {});

// Starts the program with its standard streams on /dev/null and returns at once.
pid_t StartCli(const std::vector<std::string>& args);
// Waits for a started program; its exit code, or 128 + the signal that ended it.
int WaitForExit(pid_t pid);

// A fresh directory under the system's temporary directory, removed with everything in it
// when the object goes.
class CTempDir {
public:
    CTempDir();
    ~CTempDir();
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    // The path of a file in the directory, as a string for the command line.
    std::string File(const std::string& strName) const { return (m_path / strName).string(); }
    // Writes the bytes to a file of the directory and returns its path.
    std::string Write(const std::string& strName, const std::string& bytes) const;

private:
    std::filesystem::path m_path;
};

std::string ReadFile(const std::string& strPath);

} // namespace stochvar::test
