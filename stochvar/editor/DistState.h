#pragma once

// SDistState: what the user can change of one variable in the editor, taken at one moment so
// that an edit can tell afterwards whether it changed anything: the name, the family, the input
// type with the values of its parameters (continuous families) or the categories (discrete), the
// axis bounds when they are fixed, and the may-change flag. Values compare bit for bit.
//
// What the variable merely derives from these (base parameters recomputed from the same input,
// automatic axis bounds, the parameter under the cursor) is left out: recomputing it is no edit.

#include <cstdint>
#include <string>
#include <vector>

namespace stochvar {

class CDist;

struct SDistState {
    // The list operations of a variable are not const in the library's interface; nothing is
    // changed here.
    explicit SDistState(CDist& dist);

    bool operator==(const SDistState&) const = default;

    std::string strName;
    int nType = 0;
    int nParamCombi = 0;
    std::vector<std::uint64_t> inputValues;
    std::vector<std::string> categoryNames;
    std::vector<std::uint64_t> frequencies;
    bool bAutoAxis = true;
    std::uint64_t axisMin = 0;
    std::uint64_t axisMax = 0;
    bool bCanChange = true;
};

} // namespace stochvar
