#pragma once

// CBitFingerprint: a 64-bit FNV-1a hash over the exact bits of a stream of doubles and texts.
// Two builds that compute the same numbers give the same fingerprint; one bit that differs
// anywhere gives another.
//
// Every NaN is hashed as one and the same value: the sign and payload of a NaN carry no result,
// and an optimiser may swap the operands of a commutative operation, which changes which of two
// NaNs propagates. Signed zeros stay distinct.

#include <cstdint>
#include <cstdio>
#include <string>

namespace stochvar::fingerprint {

class CBitFingerprint {
public:
    // With pDump, every value is also written there, one line each: its number in the stream,
    // the context, its 16 hex digits of bits and its decimal value.
    explicit CBitFingerprint(std::FILE* pDump = nullptr) : m_pDump(pDump) {}

    // Names the values that follow (in the dump only).
    void SetContext(std::string strContext) { m_strContext = std::move(strContext); }
    void SetDump(std::FILE* pDump) { m_pDump = pDump; }

    void Add(double value);
    void AddText(const std::string& strText);

    std::uint64_t GetHash() const { return m_nHash; }
    long GetCount() const { return m_nCount; }

private:
    void AddWord(std::uint64_t nWord);
    void AddBytes(const unsigned char* pBytes, std::size_t nBytes);

    static constexpr std::uint64_t kOffsetBasis = 0xcbf29ce484222325u;
    static constexpr std::uint64_t kPrime = 0x100000001b3u;

    std::uint64_t m_nHash = kOffsetBasis;
    long m_nCount = 0;
    std::FILE* m_pDump;
    std::string m_strContext;
};

} // namespace stochvar::fingerprint
