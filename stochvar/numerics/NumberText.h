#pragma once

// Numbers as text that reads back as exactly the same double: the shortest form that
// std::to_chars gives (for example 0.1 stays "0.1", 1.0 becomes "1", 1e-300 stays "1e-300").
// Documents, CSV output, the listings of the command-line host and the variables' own reasons
// why they cannot be sampled all write numbers this way.

#include <string>

namespace stochvar {

// Room that AppendShortest needs at most for one double.
inline constexpr int kShortestDoubleChars = 32;

// Writes the shortest round-trip text of dValue at pFirst and returns the end of what it wrote.
// The caller provides at least kShortestDoubleChars characters.
char* AppendShortest(char* pFirst, double dValue);

std::string FormatShortest(double dValue);

} // namespace stochvar
