#pragma once

// CExOr: uniform pseudo-random generator on [0, 1). Two streams combined by exclusive or: an
// additive (Fibonacci) recurrence over the first two seeds modulo the prime 2^32 - 99, and a
// linear congruential recurrence modulo 2^32 over the third seed. The three seeds are the whole
// state, so a generator is copied, saved and restored by its seeds; every 32-bit value is an
// admissible seed.

#include <cstdint>

namespace stochvar {

class CExOr {
public:
    static constexpr std::uint32_t kDefaultSeed1 = 699570728;  // 0x29B29A28
    static constexpr std::uint32_t kDefaultSeed2 = 398267609;  // 0x17BD14D9
    static constexpr std::uint32_t kDefaultSeed3 = 1044576128; // 0x3E42F780

    CExOr();
    CExOr(std::uint32_t nSeed1, std::uint32_t nSeed2, std::uint32_t nSeed3);
    CExOr(const CExOr& other) = default;
    CExOr& operator=(const CExOr& other) = default;
    virtual ~CExOr() = default;

    void SetDefaultSeed();
    void SetSeed(std::uint32_t nSeed1, std::uint32_t nSeed2, std::uint32_t nSeed3);

    // Advances both streams by one step; the result lies in [0, 1 - 2^-32].
    double GetRandom() {
        // Additive stream modulo 2^32 - 99: the sum needs 33 bits; at most two corrections bring
        // it below 2^32. A value in [2^32 - 99, 2^32) is left unreduced.
        std::uint64_t t = std::uint64_t{m_nSeed1} + m_nSeed2;
        while (t >= kTwoTo32) {
            t = t - kTwoTo32 + kModulusGap;
        }
        // Congruential stream, modulo 2^32 by unsigned wrap-around.
        const std::uint32_t n = kMultiplier * m_nSeed3 + kIncrement;
        m_nSeed1 = m_nSeed2;
        m_nSeed2 = static_cast<std::uint32_t>(t);
        m_nSeed3 = n;
        return static_cast<double>(m_nSeed2 ^ n) * kTwoToMinus32;
    }

    // Advances the generator as k calls of GetRandom would, in O(log k) steps: the draws that
    // follow are the same. Lets a run be split among workers, each starting at its own draw.
    void Discard(unsigned long long k);

    // Constants of the two recurrences.
    static constexpr std::uint64_t kTwoTo32 = 0x100000000ULL;
    // 2^32 - 99 is prime; subtracting 2^32 and adding 99 reduces modulo it.
    static constexpr std::uint64_t kModulusGap = 99;
    static constexpr std::uint32_t kMultiplier = 129;
    static constexpr std::uint32_t kIncrement = 907633385; // 0x361962E9
    static constexpr double kTwoToMinus32 = 2.3283064365386963e-10;

private:
    std::uint32_t m_nSeed1; // older term of the additive stream
    std::uint32_t m_nSeed2; // newer term of the additive stream
    std::uint32_t m_nSeed3; // state of the congruential stream
};

} // namespace stochvar
