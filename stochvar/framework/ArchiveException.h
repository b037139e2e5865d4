#pragma once

// CArchiveException: the one exception of the framework layer, raised by CArchive when a stream
// ends early, holds something that cannot be decoded, or is used in the wrong direction.

#include <stochvar/framework/String.h>

#include <exception>
#include <string>

namespace stochvar {

class CArchiveException : public std::exception {
public:
    // The framework's causes, with the framework's numbering.
    enum Cause : int {
        none = 0,
        generic = 1,
        genericException = generic,
        readOnly = 2,  // storing into an archive that loads
        endOfFile = 3, // the stream ended inside a value
        writeOnly = 4, // loading from an archive that stores
        badIndex = 5,  // an object or class index that the archive has not seen
        badClass = 6,  // an unknown class, or one of the wrong kind
        badSchema = 7, // a stored class version that the class cannot read
    };

    explicit CArchiveException(int cause = none, const CString& strFileName = CString(),
                               const CString& strDetail = CString());

    // A sentence naming the cause, then the detail and the archive's file name when known.
    const char* what() const noexcept override;

    int m_cause;
    CString m_strFileName;

private:
    std::string m_strWhat;
};

} // namespace stochvar
