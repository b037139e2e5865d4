#pragma once

// CReliabilityError: why a reliability analysis could not run or had to stop: a problem that the
// method cannot handle (a discrete variable in FORM), options out of range, a correlation matrix
// that cannot be factored, or a limit state that gave a value that is not a finite number.
//
// The analyses report these by throwing, as they stop in the middle of nested loops with a
// caller's callback on the stack; that callback's own exceptions pass through them unchanged.
// Nothing an analysis allocated outlives the throw.

#include <stdexcept>
#include <string>

namespace stochvar {

class CReliabilityError : public std::runtime_error {
public:
    explicit CReliabilityError(const std::string& strMessage);
};

} // namespace stochvar
