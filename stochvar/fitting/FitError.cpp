#include <stochvar/fitting/FitError.h>

namespace stochvar {

CFitError::CFitError(const std::string& strMessage) : std::runtime_error(strMessage) {}

} // namespace stochvar
