#pragma once

// The integer types and truth values of the framework's interfaces, kept under their
// framework names so that code written against the framework's signatures compiles unchanged.

#include <cstdint>

namespace stochvar {

using BOOL = int;
using UINT = unsigned int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;

inline constexpr BOOL FALSE = 0;
inline constexpr BOOL TRUE = 1;

} // namespace stochvar
