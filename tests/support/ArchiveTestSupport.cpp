#include "support/ArchiveTestSupport.h"

#include <cctype>
#include <cstdio>
#include <stdexcept>

namespace stochvar::test {

namespace {

int HexDigit(char ch) {
    if (ch >= '0' && ch <= '9') {
        return ch - '0';
    }
    const int upper = std::toupper(static_cast<unsigned char>(ch));
    if (upper >= 'A' && upper <= 'F') {
        return upper - 'A' + 10;
    }
    throw std::invalid_argument("not a hex digit in a test vector");
}

} // namespace

Bytes Hex(std::string_view text) {
    Bytes bytes;
    std::string digits;
    for (char ch : text) {
        if (ch != ' ') {
            digits += ch;
        }
    }
    if (digits.size() % 2 != 0) {
        throw std::invalid_argument("odd number of hex digits in a test vector");
    }
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        bytes.push_back(
            static_cast<unsigned char>(16 * HexDigit(digits[i]) + HexDigit(digits[i + 1])));
    }
    return bytes;
}

Bytes Ascii(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

Bytes Repeat(std::size_t nCount, unsigned char byte) {
    return Bytes(nCount, byte);
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

std::string ToHex(const Bytes& bytes) {
    std::string text;
    char buffer[4];
    for (unsigned char byte : bytes) {
        std::snprintf(buffer, sizeof buffer, "%02X", byte);
        if (!text.empty()) {
            text += ' ';
        }
        text += buffer;
    }
    return text;
}

} // namespace stochvar::test
