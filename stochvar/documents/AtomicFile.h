#pragma once

// CAtomicFile: an output file that appears complete or not at all.
//
// A regular file (or a name that does not exist yet) is written to a temporary file in the same
// directory as the real target, symbolic links followed, so that the link stays a link and the
// final rename never crosses file systems. Commit flushes it to the disk, gives it the mode (and,
// where allowed, the owner) of the file it replaces, and renames it over the target. Until then
// the old file is untouched; a failure, an exception or a terminating signal (see CSignalCleanup)
// removes the temporary file and leaves the old one as it was.
//
// Anything else is written in place, as a shell redirection would: "-" is standard output, and a
// device or a FIFO is opened and written as it is (renaming over it would replace the device
// node or the pipe by a regular file). /dev/stdout, /dev/stderr, /dev/fd/N and /proc/self/fd/N
// are the process's own descriptors, written as they are (as "-" is): following their links
// would reach the file a shell opened for them, and replacing it would undo a ">>" or fail in a
// pipe. A directory is refused.
//
// A regular file is replaced only when this user may write it (as cp would write it): its
// permissions and ownership decide, and for the superuser, whom no permission stops, a file
// without any write permission counts as protected. A file with more than one hard link, or one
// that belongs to another user and could not be given back to its owner, is written in place
// (truncated, then written), so that the links keep sharing it and its owner stays; such a file
// is not complete-or-nothing.

#include <cstdio>
#include <string>
#include <sys/stat.h>

namespace stochvar {

class CAtomicFile {
public:
    // Opens the destination; throws CDocumentError ("path: cannot write: reason").
    explicit CAtomicFile(std::string strPath);
    // Discards everything written unless Commit succeeded.
    ~CAtomicFile();
    CAtomicFile(const CAtomicFile&) = delete;
    CAtomicFile& operator=(const CAtomicFile&) = delete;

    std::FILE* Get() const { return m_pFile; }
    const std::string& GetPath() const { return m_strPath; }
    // "-", or a name of the descriptor 1 such as /dev/stdout.
    bool IsStandardOutput() const { return m_nStream == 1; }

    // Writes the bytes; throws CDocumentError when they cannot be written.
    void Write(const std::string& bytes);
    // Makes what was written the file's contents; throws CDocumentError when anything failed to
    // be written, and the old file then stays as it was.
    void Commit();

private:
    // The descriptor that /dev/stdout, /dev/stderr, /dev/fd/N or /proc/self/fd/N names, else -1.
    static int StreamDescriptor(const std::string& strPath);
    static bool MayReplace(const std::string& strTarget, const struct stat& status);
    static bool MayKeepOwner(const struct stat& status);
    void OpenStream();
    void OpenTemporary(const std::string& strTarget);
    void OpenInPlace(const std::string& strTarget, bool bTruncate);
    // Throws CDocumentError "path: cannot write: [where: ]reason".
    [[noreturn]] void Fail(int nError, const std::string& strWhere = "") const;
    void Discard();

    std::string m_strPath;      // as the caller named it (messages)
    std::string m_strTarget;    // the file that is replaced, links followed
    std::string m_strTemporary; // empty when writing in place
    std::FILE* m_pFile = nullptr;
    int m_nStream = -1; // the descriptor written to in place, -1 for a named file
    int m_nSignalSlot = -1;
    bool m_bDone = false;
};

} // namespace stochvar
