#pragma once

// Helpers of the archive tests: byte vectors written out by hand, storing into and loading from
// memory, and the cause of a failed load. Bytes are held in a std::string, so that parts join
// with + and failures print them.

#include <stochvar/framework/Archive.h>

#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>

namespace stochvar::test {

using Bytes = std::string;

// "FF 01 0a" -> "\xFF\x01\x0A": bytes separated by spaces; anything else throws.
inline Bytes Hex(const std::string& text) {
    Bytes bytes;
    std::istringstream in(text);
    for (unsigned byte = 0; in >> std::hex >> byte;) {
        if (byte > 0xFF) {
            throw std::invalid_argument("hex bytes of a test vector need spaces between them");
        }
        bytes.push_back(static_cast<char>(byte));
    }
    if (!in.eof()) {
        throw std::invalid_argument("not hex in a test vector: " + text);
    }
    return bytes;
}

template <class WriteFn>
Bytes Store(WriteFn&& write) {
    std::ostringstream out(std::ios::binary);
    CArchive ar(out);
    write(ar);
    ar.Close();
    return out.str();
}

// The cause of the CArchiveException that the call raised, or nothing when it raised none.
template <class Fn>
std::optional<int> CauseOf(Fn&& call) {
    try {
        call();
    } catch (const CArchiveException& e) {
        return e.m_cause;
    }
    return std::nullopt;
}

// The same for a reader run on an archive over the bytes.
template <class ReadFn>
std::optional<int> LoadCause(const Bytes& bytes, ReadFn&& read) {
    std::istringstream in(bytes, std::ios::binary);
    CArchive ar(in);
    return CauseOf([&] { read(ar); });
}

} // namespace stochvar::test
