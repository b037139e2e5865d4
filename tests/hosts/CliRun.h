#pragma once

// What the host tests share: a scratch directory removed with its contents, and the built
// stochvar run as a test owns it (CChildProcess: a process group of its own, a deadline, whatever
// is left of the group killed at the end), its streams captured.

#include "support/ChildProcess.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace stochvar::test {

class CTempDir {
public:
    CTempDir() : m_path((std::filesystem::temp_directory_path() / "stochvar-XXXXXX").string()) {
        EXPECT_NE(mkdtemp(m_path.data()), nullptr);
    }
    ~CTempDir() {
        std::error_code error;
        std::filesystem::remove_all(m_path, error);
    }
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    std::filesystem::path Path() const { return m_path; }
    std::string File(const std::string& strName) const { return m_path + "/" + strName; }
    std::string Write(const std::string& strName, const std::string& bytes) const {
        std::ofstream(File(strName), std::ios::binary) << bytes;
        return File(strName);
    }

private:
    std::string m_path;
};

inline std::string ReadText(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The streams of a started program, "/dev/null" where not given.
inline CChildProcess::SOptions Streams(const std::string& strIn = "/dev/null",
                                       const std::string& strOut = "/dev/null",
                                       const std::string& strErr = "/dev/null") {
    CChildProcess::SOptions options;
    options.strIn = strIn;
    options.strOut = strOut;
    options.strErr = strErr;
    return options;
}

inline std::vector<std::string> CliLine(const std::vector<std::string>& args) {
    std::vector<std::string> argv{STOCHVAR_CLI_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
}

struct SCliRun {
    int nExitCode = -1;
    std::string strOut; // "" when written to a file of the caller's
    std::string strErr;
};

// stochvar ARGS..., standard output captured unless strOut names its file; prefix, when given, is
// a program in /usr/bin that runs the host (setpriv to run it as another user). A sanitizer report
// fails the test.
inline SCliRun RunCli(const std::vector<std::string>& args, const std::string& strIn = "/dev/null",
                      const std::string& strOut = "", std::vector<std::string> prefix = {}) {
    const CTempDir capture;
    const std::string strOutPath = strOut.empty() ? capture.File("out") : strOut;
    if (!prefix.empty()) {
        prefix[0] = "/usr/bin/" + prefix[0];
        chmod(capture.Path().c_str(), 0777); // for the other user's output
    }
    const std::vector<std::string> line = CliLine(args);
    prefix.insert(prefix.end(), line.begin(), line.end());
    CChildProcess cli(prefix, Streams(strIn, strOutPath, capture.File("err")));
    SCliRun run;
    run.nExitCode = cli.Wait();
    EXPECT_FALSE(cli.TimedOut()) << "still running after the deadline";
    run.strOut = strOut.empty() ? ReadText(strOutPath) : "";
    run.strErr = ReadText(capture.File("err"));
    EXPECT_THAT(run.strErr, ::testing::Not(::testing::ContainsRegex("Sanitizer|runtime error:")));
    return run;
}

inline SCliRun RunCommand(const std::string& strCommand, std::vector<std::string> args) {
    args.insert(args.begin(), strCommand);
    return RunCli(args);
}

// The command line, its exit code and a part of each standard stream ("": it stays empty).
struct SCliCase {
    std::vector<std::string> args;
    int nExitCode;
    std::string strOut;
    std::string strErr;
};

// Runs and checks the row (see RunCli for the other arguments); returns the run.
inline SCliRun ExpectCli(const SCliCase& row, const std::string& strIn = "/dev/null",
                         const std::string& strOut = "", std::vector<std::string> prefix = {}) {
    SCOPED_TRACE(::testing::PrintToString(row.args));
    const SCliRun run = RunCli(row.args, strIn, strOut, std::move(prefix));
    EXPECT_EQ(run.nExitCode, row.nExitCode) << run.strErr;
    for (const auto& [text, part] : {std::pair{run.strOut, row.strOut}, {run.strErr, row.strErr}}) {
        EXPECT_THAT(text, ::testing::HasSubstr(part));
        EXPECT_TRUE(!part.empty() || text.empty()) << text;
    }
    return run;
}

} // namespace stochvar::test
