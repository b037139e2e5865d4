#pragma once

// CExpressionError: a limit-state expression that cannot be used: a syntax error or an unknown
// name (with its position, counted in characters from 1), or a name that an expression cannot
// write. The message says what is wrong without naming where the expression came from; a host
// puts that in front ("--g: ...", "beam.json: limitState: ...").

#include <stdexcept>
#include <string>

namespace stochvar {

class CExpressionError : public std::runtime_error {
public:
    // nPosition: the character (from 1) where the problem was found, 0 when it has none.
    CExpressionError(const std::string& strMessage, int nPosition)
        : std::runtime_error(strMessage), m_nPosition(nPosition) {}

    int GetPosition() const { return m_nPosition; }

private:
    int m_nPosition;
};

} // namespace stochvar
