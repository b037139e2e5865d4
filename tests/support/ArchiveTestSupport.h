#pragma once

// Helpers of the archive tests: byte buffers written out by hand, storing into and loading from
// memory, and the cause of a failed load.

#include <stochvar/framework/Archive.h>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace stochvar::test {

using Bytes = std::vector<unsigned char>;

// "FF 01 0a" -> {0xFF, 0x01, 0x0A}; spaces are ignored.
Bytes Hex(std::string_view text);
// The characters of the text as bytes, without terminator.
Bytes Ascii(std::string_view text);
Bytes Repeat(std::size_t nCount, unsigned char byte);
Bytes Cat(std::initializer_list<Bytes> parts);
// Bytes as "FF 01 0A", for readable failure messages.
std::string ToHex(const Bytes& bytes);

template <class WriteFn> Bytes Store(WriteFn&& write) {
    std::ostringstream out(std::ios::binary);
    {
        CArchive ar(out);
        write(ar);
        ar.Close();
    }
    const std::string text = out.str();
    return Bytes(text.begin(), text.end());
}

inline std::istringstream InputOf(const Bytes& bytes) {
    return std::istringstream(std::string(bytes.begin(), bytes.end()), std::ios::binary);
}

// Runs the reader on an archive over the bytes; the cause of the CArchiveException it raised,
// or nothing when it raised none.
template <class ReadFn> std::optional<int> LoadCause(const Bytes& bytes, ReadFn&& read) {
    std::istringstream in = InputOf(bytes);
    CArchive ar(in);
    try {
        read(ar);
    } catch (const CArchiveException& e) {
        return e.m_cause;
    }
    return std::nullopt;
}

} // namespace stochvar::test
