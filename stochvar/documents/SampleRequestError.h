#pragma once

// CSampleRequestError: a sampling request with an argument out of range: no samples, a slice
// outside the run, fewer than one thread, more samples than Latin hypercube sampling can index.
// It is the caller's mistake, not the document's: the command-line host answers it as a usage
// error (exit code 2), the Python module as ValueError. What the document or the machine refuses
// leaves as CDocumentError instead (exit code 1, stochvar.InputError).

#include <stdexcept>
#include <string>

namespace stochvar {

class CSampleRequestError : public std::invalid_argument {
public:
    explicit CSampleRequestError(const std::string& strMessage)
        : std::invalid_argument(strMessage) {}
};

} // namespace stochvar
