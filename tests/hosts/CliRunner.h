#pragma once

// Runs the command-line host as a separate program and checks a run against a row of a table.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace stochvar::test {

inline const std::string kExamples = STOCHVAR_EXAMPLES_DIR;
inline const std::string kBeam = kExamples + "/beam.json"; // also the built-in example

// The bytes of a file, or "" when there is none.
inline std::string ReadFile(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A fresh temporary directory, removed with all it holds.
class CTempDir {
public:
    CTempDir() : m_path((std::filesystem::temp_directory_path() / "stochvar-XXXXXX").string()) {
        EXPECT_NE(mkdtemp(m_path.data()), nullptr);
    }
    ~CTempDir() { std::error_code error; std::filesystem::remove_all(m_path, error); }

    std::filesystem::path Path() const { return m_path; }
    std::string File(const std::string& strName) const { return m_path + "/" + strName; }
    std::string Write(const std::string& strName, const std::string& bytes) const {
        std::ofstream(File(strName), std::ios::binary) << bytes;
        return File(strName);
    }

private:
    std::string m_path;
};

// Starts the built stochvar with its standard streams on the given files, and the signals that
// the tests send at their default action even where the test itself runs with them ignored.
inline pid_t StartCli(const std::vector<std::string>& args, const std::string& strIn = "/dev/null",
                      const std::string& strOut = "/dev/null", const std::string& strErr = "/dev/null") {
    std::vector<const char*> argv{STOCHVAR_CLI_PATH};
    std::ranges::transform(args, std::back_inserter(argv), [](const std::string& strArg) { return strArg.c_str(); });
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

// The command line, its exit code and a part of each standard stream ("": it stays empty).
struct SCliCase {
    std::vector<std::string> args;
    int nExitCode;
    std::string strOut;
    std::string strErr;
};

// Runs and checks the row, standard output captured unless strOut names its file; returns the run.
inline SCliCase ExpectCli(const SCliCase& row, const std::string& strIn = "/dev/null", const std::string& strOut = "") {
    SCOPED_TRACE(::testing::PrintToString(row.args));
    const CTempDir capture;
    const std::string strOutPath = strOut.empty() ? capture.File("out") : strOut;
    const int nExitCode = WaitForExit(StartCli(row.args, strIn, strOutPath, capture.File("err")));
    const SCliCase run{row.args, nExitCode, strOut.empty() ? ReadFile(strOutPath) : "", ReadFile(capture.File("err"))};
    EXPECT_EQ(run.nExitCode, row.nExitCode) << run.strErr;
    for (const auto& [text, part] : {std::pair{run.strOut, row.strOut}, {run.strErr, row.strErr}}) {
        EXPECT_THAT(text, ::testing::HasSubstr(part));
        EXPECT_TRUE(!part.empty() || text.empty()) << text;
    }
    EXPECT_THAT(run.strErr, ::testing::Not(::testing::ContainsRegex("Sanitizer|runtime error:")));
    return run;
}

// Samples of the document the arguments name, or of the built-in example, on standard output.
inline SCliCase Draw(std::vector<std::string> args, const std::string& strCount = "20",
                     const std::string& strErr = "sample", const std::string& strIn = "/dev/null") {
    args.insert(args.begin(), {"sample", "-n", strCount, "--out", "-"});
    return ExpectCli({args, 0, "\n", strErr}, strIn);
}

} // namespace stochvar::test
