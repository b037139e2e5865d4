#pragma once

// CDocumentError: a document that cannot be read or written. The message names the file, what in
// it was wrong (a variable, a correlation, the document as a whole) and why:
//   "beam.json: R: StdDev is less than (or equal to) 0"

#include <stdexcept>
#include <string>

namespace stochvar {

class CDocumentError : public std::runtime_error {
public:
    explicit CDocumentError(const std::string& strMessage) : std::runtime_error(strMessage) {}
    CDocumentError(const std::string& strSource, const std::string& strSubject,
                   const std::string& strReason)
        : std::runtime_error(strSource + ": " + strSubject + ": " + strReason) {}
};

} // namespace stochvar
