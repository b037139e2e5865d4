#include "BitFingerprint.h"

#include <bit>
#include <cinttypes>
#include <cmath>
#include <limits>

namespace stochvar::fingerprint {

void CBitFingerprint::Add(double value) {
    const double hashed = std::isnan(value) ? std::numeric_limits<double>::quiet_NaN() : value;
    const auto bits = std::bit_cast<std::uint64_t>(hashed);
    AddWord(bits);
    if (m_pDump != nullptr) {
        std::fprintf(m_pDump, "%ld %s %016" PRIx64 " %.17g\n", m_nCount, m_strContext.c_str(), bits,
                     hashed);
    }
    ++m_nCount;
}

void CBitFingerprint::AddText(const std::string& strText) {
    // The length first, so that two texts never hash like their concatenation.
    AddWord(strText.size());
    AddBytes(reinterpret_cast<const unsigned char*>(strText.data()), strText.size());
    if (m_pDump != nullptr) {
        std::fprintf(m_pDump, "%ld %s text \"%s\"\n", m_nCount, m_strContext.c_str(),
                     strText.c_str());
    }
    ++m_nCount;
}

void CBitFingerprint::AddWord(std::uint64_t nWord) {
    // Little-endian byte order whatever the machine's, so that the hash names the bits only.
    unsigned char bytes[sizeof nWord];
    for (std::size_t i = 0; i < sizeof nWord; ++i) {
        bytes[i] = static_cast<unsigned char>(nWord >> (8 * i));
    }
    AddBytes(bytes, sizeof bytes);
}

void CBitFingerprint::AddBytes(const unsigned char* pBytes, std::size_t nBytes) {
    for (std::size_t i = 0; i < nBytes; ++i) {
        m_nHash = (m_nHash ^ pBytes[i]) * kPrime;
    }
}

} // namespace stochvar::fingerprint
