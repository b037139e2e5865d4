#pragma once

// Runs the command-line host as a separate program, checks a run against one row of a table,
// and gives each test a temporary directory of its own.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace stochvar::test {

inline std::string ReadFile(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + strPath);
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A fresh directory under the system's temporary directory, removed with all it holds.
class CTempDir {
public:
    CTempDir() {
        std::string strTemplate =
            (std::filesystem::temp_directory_path() / "stochvar-XXXXXX").string();
        if (mkdtemp(strTemplate.data()) == nullptr) {
            throw std::runtime_error("cannot create a temporary directory");
        }
        m_path = strTemplate;
    }
    ~CTempDir() {
        std::error_code error;
        std::filesystem::remove_all(m_path, error);
    }

    const std::filesystem::path& Path() const { return m_path; }
    std::string File(const std::string& strName) const { return (m_path / strName).string(); }
    // Writes the bytes to a file of the directory and returns its path.
    std::string Write(const std::string& strName, const std::string& bytes) const {
        std::ofstream(File(strName), std::ios::binary) << bytes;
        return File(strName);
    }

private:
    std::filesystem::path m_path;
};

// Starts the built stochvar with its standard streams on the given files, and the signals that
// the tests send at their default action even where the test itself runs with them ignored.
inline pid_t StartCli(const std::vector<std::string>& args, const std::string& strIn = "/dev/null",
                      const std::string& strOut = "/dev/null", const std::string& strErr = "/dev/null") {
    std::vector<const char*> argv{STOCHVAR_CLI_PATH};
    for (const std::string& strArg : args) {
        argv.push_back(strArg.c_str());
    }
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) { // only async-signal-safe calls from here on
        signal(SIGINT, SIG_DFL);
        signal(SIGTERM, SIG_DFL);
        dup2(open(strIn.c_str(), O_RDONLY | O_CLOEXEC), 0);
        dup2(open(strOut.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644), 1);
        dup2(open(strErr.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644), 2);
        execv(argv[0], const_cast<char* const*>(argv.data()));
        _exit(127);
    }
    return pid;
}

// The exit code of a started program, or 128 + the signal that ended it.
inline int WaitForExit(pid_t pid) {
    int nStatus = 0;
    waitpid(pid, &nStatus, 0);
    return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : 128 + WTERMSIG(nStatus);
}

struct SRunResult {
    int nExitCode = -1;
    std::string strOut;
    std::string strErr;
};

// Runs the program and waits for it: standard input from strIn, standard output to strOut or,
// when that is empty, captured.
inline SRunResult RunCli(const std::vector<std::string>& args,
                         const std::string& strIn = "/dev/null", const std::string& strOut = "") {
    const CTempDir capture;
    const std::string strOutPath = strOut.empty() ? capture.File("out") : strOut;
    SRunResult result;
    result.nExitCode = WaitForExit(StartCli(args, strIn, strOutPath, capture.File("err")));
    result.strOut = strOut.empty() ? ReadFile(strOutPath) : "";
    result.strErr = ReadFile(capture.File("err"));
    // A sanitizer's finding fails the test whatever exit code it left.
    EXPECT_THAT(result.strErr, ::testing::Not(::testing::ContainsRegex("Sanitizer|runtime error:")));
    return result;
}

// A row of a table: the command line, its exit code and a part of each standard stream, where
// "" means that the stream stays empty.
struct SCliCase {
    std::vector<std::string> args;
    int nExitCode;
    std::string strOut;
    std::string strErr;
};

// Runs the row as RunCli does and checks it, with the command line as trace.
inline SRunResult ExpectCli(const SCliCase& row, const std::string& strIn = "/dev/null",
                            const std::string& strOut = "") {
    std::string strLine = "stochvar";
    for (const std::string& strArg : row.args) {
        strLine += " " + strArg;
    }
    SCOPED_TRACE(strLine);
    const SRunResult result = RunCli(row.args, strIn, strOut);
    EXPECT_EQ(result.nExitCode, row.nExitCode) << result.strErr;
    for (const auto& [text, part] : {std::pair{result.strOut, row.strOut}, {result.strErr, row.strErr}}) {
        EXPECT_THAT(text, ::testing::HasSubstr(part));
        EXPECT_TRUE(!part.empty() || text.empty()) << text;
    }
    return result;
}

} // namespace stochvar::test
