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
#include <unistd.h>
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

struct SCliRun {
    int nExitCode = -1;
    std::string strOut;
    std::string strErr;
};

// stochvar COMMAND ARGS..., with standard input from /dev/null; a sanitizer report fails the test.
inline SCliRun RunCommand(const std::string& strCommand, const std::vector<std::string>& args) {
    const CTempDir capture;
    std::vector<std::string> argv{STOCHVAR_CLI_PATH, strCommand};
    argv.insert(argv.end(), args.begin(), args.end());
    CChildProcess::SOptions options;
    options.strOut = capture.File("out");
    options.strErr = capture.File("err");
    CChildProcess cli(argv, options);
    SCliRun run;
    run.nExitCode = cli.Wait();
    EXPECT_FALSE(cli.TimedOut()) << "still running after the deadline";
    run.strOut = ReadText(options.strOut);
    run.strErr = ReadText(options.strErr);
    EXPECT_THAT(run.strErr, ::testing::Not(::testing::ContainsRegex("Sanitizer|runtime error:")));
    return run;
}

} // namespace stochvar::test
