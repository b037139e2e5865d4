#include <stochvar/numerics/NumberText.h>

#include <charconv>

namespace stochvar {

char* AppendShortest(char* pFirst, double dValue) {
    // The shortest representation never needs more than 24 characters, so the call cannot fail.
    return std::to_chars(pFirst, pFirst + kShortestDoubleChars, dValue).ptr;
}

std::string FormatShortest(double dValue) {
    char buffer[kShortestDoubleChars];
    return std::string(buffer, AppendShortest(buffer, dValue));
}

} // namespace stochvar
