#include <stochvar/documents/AtomicFile.h>

#include <stochvar/documents/DocumentError.h>
#include <stochvar/documents/SignalCleanup.h>

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <string_view>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace stochvar {

namespace {

// As many links as the kernel follows before it gives up (ELOOP).
constexpr int kMaxLinkHops = 40;
constexpr int kMaxNameTries = 100;

std::string SystemMessage(int nError) { return std::generic_category().message(nError); }

// The file that writing to strPath ends up in: every symbolic link followed, also one that
// points to a file that does not exist yet. Returns ELOOP as the error for a cycle.
std::filesystem::path FollowLinks(const std::filesystem::path& path, int& nError) {
    std::filesystem::path current = path;
    for (int nHop = 0; nHop < kMaxLinkHops; ++nHop) {
        struct stat status {};
        if (lstat(current.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
            return current;
        }
        std::error_code error;
        const std::filesystem::path target = std::filesystem::read_symlink(current, error);
        if (error) {
            nError = error.value();
            return {};
        }
        current = target.is_absolute() ? target : current.parent_path() / target;
    }
    nError = ELOOP;
    return {};
}

// Creates a new file of a name no other file has, "dir/.name.XXXXXXXX", mode 0666 less the
// umask, and returns its descriptor (or -1 with errno set).
int CreateUniqueFile(const std::filesystem::path& target, std::string& strCreated) {
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::random_device entropy;
    std::mt19937_64 draw((std::uint64_t{entropy()} << 32) ^ entropy() ^
                         static_cast<std::uint64_t>(getpid()));
    for (int nTry = 0; nTry < kMaxNameTries; ++nTry) {
        std::string strSuffix;
        for (int i = 0; i < 8; ++i) {
            strSuffix += kDigits[draw() % (sizeof kDigits - 1)];
        }
        strCreated =
            (target.parent_path() / ("." + target.filename().string() + "." + strSuffix)).string();
        const int fd = open(strCreated.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

// Makes the directory's entry for the renamed file durable as well; a file system that cannot
// sync a directory has nothing to do here.
void SyncDirectoryOf(const std::string& strFile) {
    const std::string strDir = std::filesystem::path(strFile).parent_path().string();
    const int fd = open(strDir.empty() ? "." : strDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

} // namespace

CAtomicFile::CAtomicFile(std::string strPath) : m_strPath(std::move(strPath)) {
    if (m_strPath.empty()) {
        Fail(ENOENT);
    }
    m_nStream = m_strPath == "-" ? STDOUT_FILENO : StreamDescriptor(m_strPath);
    if (m_nStream >= 0) {
        OpenStream();
        return;
    }
    int nError = 0;
    m_strTarget = FollowLinks(m_strPath, nError).string();
    if (nError != 0) {
        Fail(nError);
    }
    struct stat status {};
    if (stat(m_strTarget.c_str(), &status) != 0) {
        if (errno != ENOENT) {
            Fail(errno);
        }
        OpenTemporary(m_strTarget);
    } else if (S_ISDIR(status.st_mode)) {
        Fail(EISDIR);
    } else if (!S_ISREG(status.st_mode)) {
        OpenInPlace(m_strTarget, false);
    } else if (!MayReplace(m_strTarget, status)) {
        Fail(EACCES);
    } else if (status.st_nlink > 1 || !MayKeepOwner(status)) {
        OpenInPlace(m_strTarget, true);
    } else {
        OpenTemporary(m_strTarget);
    }
}

int CAtomicFile::StreamDescriptor(const std::string& strPath) {
    if (strPath == "/dev/stdout") {
        return STDOUT_FILENO;
    }
    if (strPath == "/dev/stderr") {
        return STDERR_FILENO;
    }
    for (const std::string_view prefix : {"/dev/fd/", "/proc/self/fd/"}) {
        const std::string_view digits = std::string_view(strPath).substr(
            strPath.starts_with(prefix) ? prefix.size() : strPath.size());
        int fd = -1;
        const auto [pEnd, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), fd);
        if (!digits.empty() && error == std::errc() && pEnd == digits.data() + digits.size()) {
            return fd;
        }
    }
    return -1;
}

bool CAtomicFile::MayReplace(const std::string& strTarget, const struct stat& status) {
    if (faccessat(AT_FDCWD, strTarget.c_str(), W_OK, AT_EACCESS) != 0) {
        return false;
    }
    // The superuser may write any file, but one that nobody may write was protected on purpose.
    return geteuid() != 0 || (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

bool CAtomicFile::MayKeepOwner(const struct stat& status) {
    return geteuid() == 0 || status.st_uid == geteuid();
}

CAtomicFile::~CAtomicFile() {
    if (!m_bDone) {
        Discard();
    }
}

void CAtomicFile::OpenTemporary(const std::string& strTarget) {
    struct stat existing {};
    const bool bExists = stat(strTarget.c_str(), &existing) == 0;
    int fd = -1;
    {
        const CSignalCleanup::CBlock block;
        fd = CreateUniqueFile(strTarget, m_strTemporary);
        if (fd < 0) {
            const int nError = errno;
            const std::string strDir = std::filesystem::path(m_strTemporary).parent_path().string();
            m_strTemporary.clear();
            // The file itself may be writable while its directory is not.
            Fail(nError, "no temporary file can be made in " + (strDir.empty() ? "." : strDir));
        }
        m_nSignalSlot = CSignalCleanup::Register(m_strTemporary.c_str());
    }
    m_pFile = fdopen(fd, "wb");
    if (m_pFile == nullptr) {
        const int nError = errno;
        close(fd);
        Discard();
        Fail(nError);
    }
    if (bExists) {
        // The replacement keeps the old file's permissions; its owner only where the system lets
        // this process give files away (root replacing another user's file), otherwise the
        // writer owns the new file as with any file it creates.
        if (fchmod(fd, existing.st_mode & 07777) != 0) {
            const int nError = errno;
            Discard();
            Fail(nError);
        }
        if (existing.st_uid != geteuid() || existing.st_gid != getegid()) {
            [[maybe_unused]] const int nIgnored = fchown(fd, existing.st_uid, existing.st_gid);
        }
    }
}

void CAtomicFile::OpenStream() {
    if (m_nStream == STDOUT_FILENO) {
        m_pFile = stdout; // shares its buffer with whatever else the program prints there
        return;
    }
    const int fd = fcntl(m_nStream, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) {
        Fail(errno);
    }
    m_pFile = fdopen(fd, "wb");
    if (m_pFile == nullptr) {
        const int nError = errno;
        close(fd);
        Fail(nError);
    }
}

void CAtomicFile::OpenInPlace(const std::string& strTarget, bool bTruncate) {
    const int fd =
        open(strTarget.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | (bTruncate ? O_TRUNC : 0));
    if (fd < 0) {
        Fail(errno);
    }
    m_pFile = fdopen(fd, "wb");
    if (m_pFile == nullptr) {
        const int nError = errno;
        close(fd);
        Fail(nError);
    }
}

void CAtomicFile::Write(const std::string& bytes) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), m_pFile) != bytes.size()) {
        Fail(errno);
    }
}

void CAtomicFile::Commit() {
    if (std::fflush(m_pFile) != 0 || std::ferror(m_pFile) != 0) {
        Fail(errno != 0 ? errno : EIO);
    }
    if (m_pFile == stdout) {
        m_bDone = true;
        return;
    }
    if (!m_strTemporary.empty() && fsync(fileno(m_pFile)) != 0) {
        Fail(errno);
    }
    std::FILE* pFile = std::exchange(m_pFile, nullptr);
    if (std::fclose(pFile) != 0) {
        Fail(errno);
    }
    if (!m_strTemporary.empty()) {
        const CSignalCleanup::CBlock block;
        if (std::rename(m_strTemporary.c_str(), m_strTarget.c_str()) != 0) {
            Fail(errno);
        }
        CSignalCleanup::Unregister(std::exchange(m_nSignalSlot, -1));
        SyncDirectoryOf(m_strTarget);
        m_strTemporary.clear();
    }
    m_bDone = true;
}

void CAtomicFile::Fail(int nError, const std::string& strWhere) const {
    const std::string strName = IsStandardOutput() ? "standard output" : m_strPath;
    throw CDocumentError(strName + ": cannot write: " + (strWhere.empty() ? "" : strWhere + ": ") +
                         SystemMessage(nError));
}

void CAtomicFile::Discard() {
    if (m_pFile != nullptr && m_pFile != stdout) {
        std::fclose(m_pFile);
    }
    m_pFile = nullptr;
    if (!m_strTemporary.empty()) {
        const CSignalCleanup::CBlock block;
        unlink(m_strTemporary.c_str());
        CSignalCleanup::Unregister(std::exchange(m_nSignalSlot, -1));
        m_strTemporary.clear();
    }
    m_bDone = true;
}

} // namespace stochvar
