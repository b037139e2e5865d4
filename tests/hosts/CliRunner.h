#pragma once

// Runs the command-line host as a separate program and captures what it wrote, and gives each
// test a temporary directory of its own for documents and output.

#include <filesystem>
#include <string>
#include <vector>

namespace stochvar::test {

struct SRunResult {
    int nExitCode = -1;
    std::string strOut;
    std::string strErr;
};

// Runs the built stochvar executable with the arguments; its standard input is empty.
SRunResult RunCli(const std::vector<std::string>& args);

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
