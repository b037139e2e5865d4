#include "CliRunner.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace stochvar::test {

std::string ReadFile(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + strPath);
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

namespace {

pid_t Spawn(const std::vector<std::string>& args, const std::string& strStdin,
            const std::string& strStdout, const std::string& strStderr) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, strStdin.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, strStdout.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, strStderr.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);

    std::vector<std::string> argvStrings{STOCHVAR_CLI_PATH};
    argvStrings.insert(argvStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& strArg : argvStrings) {
        argv.push_back(strArg.data());
    }
    argv.push_back(nullptr);

    pid_t pid = 0;
    const int nSpawn = posix_spawn(&pid, STOCHVAR_CLI_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (nSpawn != 0) {
        throw std::runtime_error("cannot start " STOCHVAR_CLI_PATH);
    }
    return pid;
}

} // namespace

pid_t StartCli(const std::vector<std::string>& args) {
    return Spawn(args, "/dev/null", "/dev/null", "/dev/null");
}

int WaitForExit(pid_t pid) {
    int nStatus = 0;
    if (waitpid(pid, &nStatus, 0) != pid) {
        throw std::runtime_error("lost the child process");
    }
    return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : 128 + WTERMSIG(nStatus);
}

SRunResult RunCli(const std::vector<std::string>& args, const SRedirect& redirect) {
    const CTempDir capture;
    const std::string strOutPath =
        redirect.strStdout.empty() ? capture.File("stdout") : redirect.strStdout;
    const std::string strErrPath = capture.File("stderr");
    SRunResult result;
    result.nExitCode = WaitForExit(Spawn(args, redirect.strStdin, strOutPath, strErrPath));
    if (redirect.strStdout.empty()) {
        result.strOut = ReadFile(strOutPath);
    }
    result.strErr = ReadFile(strErrPath);
    // In the sanitizer build a finding may end the program with an exit code that a test
    // expects for a refused document; the report itself must fail the test.
    for (const char* pszReport : {"Sanitizer", "runtime error:"}) {
        if (result.strErr.find(pszReport) != std::string::npos) {
            ADD_FAILURE() << "the program reported a sanitizer finding:\n" << result.strErr;
        }
    }
    return result;
}

CTempDir::CTempDir() {
    std::string strTemplate = (std::filesystem::temp_directory_path() / "stochvar-hosts-XXXXXX").string();
    if (mkdtemp(strTemplate.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary directory");
    }
    m_path = strTemplate;
}

CTempDir::~CTempDir() {
    std::error_code error;
    std::filesystem::remove_all(m_path, error);
}

std::string CTempDir::Write(const std::string& strName, const std::string& bytes) const {
    const std::string strPath = File(strName);
    std::ofstream out(strPath, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + strPath);
    }
    return strPath;
}

} // namespace stochvar::test
