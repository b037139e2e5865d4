#include <stochvar/reliability/ReliabilityError.h>

namespace stochvar {

CReliabilityError::CReliabilityError(const std::string& strMessage)
    : std::runtime_error(strMessage) {}

} // namespace stochvar
