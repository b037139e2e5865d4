#include <stochvar/numerics/ExOr.h>

namespace stochvar {

namespace {

constexpr std::uint64_t kTwoTo32 = 0x100000000ULL;
// 2^32 - 99 is prime; subtracting 2^32 and adding 99 reduces modulo it.
constexpr std::uint64_t kModulusGap = 99;
constexpr std::uint32_t kMultiplier = 129;
constexpr std::uint32_t kIncrement = 907633385; // 0x361962E9
constexpr double kTwoToMinus32 = 2.3283064365386963e-10;

} // namespace

CExOr::CExOr() { SetDefaultSeed(); }

CExOr::CExOr(std::uint32_t nSeed1, std::uint32_t nSeed2, std::uint32_t nSeed3) {
    SetSeed(nSeed1, nSeed2, nSeed3);
}

void CExOr::SetDefaultSeed() { SetSeed(kDefaultSeed1, kDefaultSeed2, kDefaultSeed3); }

void CExOr::SetSeed(std::uint32_t nSeed1, std::uint32_t nSeed2, std::uint32_t nSeed3) {
    m_nSeed1 = nSeed1;
    m_nSeed2 = nSeed2;
    m_nSeed3 = nSeed3;
}

double CExOr::GetRandom() {
    // Additive stream: the sum needs 33 bits; at most two corrections bring it below 2^32.
    // A value in [2^32 - 99, 2^32) is left unreduced.
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

} // namespace stochvar
