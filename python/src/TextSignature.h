#pragma once

// Docstrings that begin with the function's signature in the form CPython reads
// __text_signature__ from ("name(parameters)\n--\n\n"), so that inspect.signature, help() and
// the stub test see the real parameters of the compiled functions. pybind11's own signature
// lines are switched off for the module (Module.cpp): they are not in that form, and inspect
// cannot read them.

#include <string>

namespace stochvar::python {

inline std::string TextSignature(const std::string& strSignature, const std::string& strDoc) {
    return strSignature + "\n--\n\n" + strDoc;
}

} // namespace stochvar::python
