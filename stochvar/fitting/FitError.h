#pragma once

// CFitError: why a sample cannot be fitted at all: too few points, a value that is not a finite
// number, or values without any spread. A family that cannot take a sample the others can
// (data outside its support, too few points for its parameters) is not an error: the fit
// reports it as a refusal with its reason (SFamilyFit::strRefusal).

#include <stdexcept>
#include <string>

namespace stochvar {

class CFitError : public std::runtime_error {
public:
    explicit CFitError(const std::string& strMessage);
};

} // namespace stochvar
