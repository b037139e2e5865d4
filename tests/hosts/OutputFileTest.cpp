// Output files of convert and sample --out: a regular file is replaced whole (its mode kept), a
// symbolic link is written through, a FIFO is written in place, and a failed or interrupted run
// leaves an old file as it was and no temporary file behind.

#include "CliRunner.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace stochvar::test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

// Names in the directory that start with a dot: temporary files left behind.
std::vector<std::string> HiddenFiles(const CTempDir& dir) {
    std::vector<std::string> hidden;
    for (const auto& entry : fs::directory_iterator(dir.Path())) {
        if (entry.path().filename().string().starts_with(".")) {
            hidden.push_back(entry.path().filename().string());
        }
    }
    return hidden;
}

std::string ReadWhole(const std::string& strPath) {
    std::string bytes;
    const int fd = open(strPath.c_str(), O_RDONLY);
    char buffer[4096];
    ssize_t nRead = 0;
    while ((nRead = read(fd, buffer, sizeof buffer)) > 0) {
        bytes.append(buffer, static_cast<std::size_t>(nRead));
    }
    close(fd);
    return bytes;
}

struct STarget {
    const char* pszWhat;
    // Prepares the directory and returns the path the command writes to.
    std::function<std::string(const CTempDir&)> prepare;
    // Checks what the directory holds afterwards, given the expected bytes.
    std::function<void(const CTempDir&, const std::string&)> check;
    bool bFifo = false;
};

std::vector<STarget> Targets() {
    return {
        {"new file", [](const CTempDir& dir) { return dir.File("out"); },
         [](const CTempDir& dir, const std::string& expected) {
             EXPECT_EQ(ReadFile(dir.File("out")), expected);
         }},
        {"existing file with mode 0600",
         [](const CTempDir& dir) {
             const std::string strPath = dir.Write("out", "old");
             chmod(strPath.c_str(), 0600);
             return strPath;
         },
         [](const CTempDir& dir, const std::string& expected) {
             EXPECT_EQ(ReadFile(dir.File("out")), expected);
             EXPECT_EQ(fs::status(dir.File("out")).permissions(),
                       fs::perms::owner_read | fs::perms::owner_write);
         }},
        {"symbolic link to a file",
         [](const CTempDir& dir) {
             dir.Write("real", "old");
             fs::create_symlink("real", dir.File("link"));
             return dir.File("link");
         },
         [](const CTempDir& dir, const std::string& expected) {
             EXPECT_TRUE(fs::is_symlink(dir.File("link")));
             EXPECT_EQ(ReadFile(dir.File("real")), expected);
         }},
        {"symbolic link to a file not there yet",
         [](const CTempDir& dir) {
             fs::create_directory(dir.File("sub"));
             fs::create_symlink("sub/later", dir.File("link"));
             return dir.File("link");
         },
         [](const CTempDir& dir, const std::string& expected) {
             EXPECT_TRUE(fs::is_symlink(dir.File("link")));
             EXPECT_EQ(ReadFile(dir.File("sub/later")), expected);
         }},
        {"FIFO",
         [](const CTempDir& dir) {
             mkfifo(dir.File("fifo").c_str(), 0600);
             return dir.File("fifo");
         },
         [](const CTempDir& dir, const std::string&) {
             EXPECT_TRUE(fs::is_fifo(dir.File("fifo")));
         },
         true},
    };
}

TEST(OutputFile, SpecialTargetsAreWrittenThroughAndRegularFilesReplacedWhole) {
    const CTempDir reference;
    const std::string strDoc = std::string(STOCHVAR_EXAMPLES_DIR) + "/beam.json";
    ASSERT_EQ(RunCli({"convert", strDoc, reference.File("doc.svc")}).nExitCode, 0);
    ASSERT_EQ(RunCli({"sample", "-n", "50", "--out", reference.File("s.csv")}).nExitCode, 0);
    struct SCommand {
        std::function<std::vector<std::string>(const std::string&)> args;
        std::string expected;
    };
    const SCommand commands[] = {
        {[&](const std::string& strOut) {
             return std::vector<std::string>{"convert", strDoc, strOut, "--to", "binary"};
         },
         ReadFile(reference.File("doc.svc"))},
        {[](const std::string& strOut) {
             return std::vector<std::string>{"sample", "-n", "50", "--out", strOut};
         },
         ReadFile(reference.File("s.csv"))},
    };
    for (const SCommand& command : commands) {
        for (const STarget& target : Targets()) {
            SCOPED_TRACE(command.args("OUT")[0] + std::string(" to a ") + target.pszWhat);
            const CTempDir dir;
            const std::string strOut = target.prepare(dir);
            // A FIFO needs a reader for the writer to get through.
            std::future<std::string> read;
            if (target.bFifo) {
                read = std::async(std::launch::async, ReadWhole, strOut);
            }
            const SRunResult result = RunCli(command.args(strOut));
            EXPECT_EQ(result.nExitCode, 0) << result.strErr;
            if (target.bFifo) {
                EXPECT_EQ(read.get(), command.expected);
            }
            target.check(dir, command.expected);
            EXPECT_THAT(HiddenFiles(dir), ::testing::IsEmpty());
        }
    }
}

TEST(OutputFile, ARefusedRunLeavesTheOldFileAndADirectoryIsNoTarget) {
    const CTempDir dir;
    const std::string strOld = dir.Write("s.csv", "old");
    const std::string strBad = dir.Write(
        "bad.json", R"({"variables": [{"name": "D", "type": "DISCRETE", "categories": []}]})");
    const SRunResult refused = RunCli({"sample", strBad, "-n", "5", "--out", strOld});
    EXPECT_EQ(refused.nExitCode, 1);
    EXPECT_EQ(ReadFile(strOld), "old");

    fs::create_directory(dir.File("folder"));
    const SRunResult folder = RunCli({"sample", "-n", "5", "--out", dir.File("folder")});
    EXPECT_EQ(folder.nExitCode, 1);
    EXPECT_THAT(folder.strErr, HasSubstr("folder: cannot write: Is a directory"));
    EXPECT_THAT(HiddenFiles(dir), ::testing::IsEmpty());
}

TEST(OutputFile, AnInterruptedRunLeavesTheOldFileAndNoPartialOne) {
    for (const int nSignal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(strsignal(nSignal));
        const CTempDir dir;
        const std::string strOut = dir.Write("s.csv", "old");
        // Far more samples than the test waits for; it ends the run as soon as the
        // temporary file holds part of the samples.
        const pid_t pid = StartCli({"sample", "-n", "1e9", "--out", strOut});
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        bool bWriting = false;
        while (!bWriting && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            for (const std::string& strName : HiddenFiles(dir)) {
                bWriting = bWriting || fs::file_size(dir.File(strName)) > 0;
            }
        }
        EXPECT_TRUE(bWriting) << "no temporary file was written";
        kill(pid, nSignal);
        EXPECT_EQ(WaitForExit(pid), 128 + nSignal);
        EXPECT_EQ(ReadFile(strOut), "old");
        EXPECT_THAT(HiddenFiles(dir), ::testing::IsEmpty());
    }
}

} // namespace
} // namespace stochvar::test
