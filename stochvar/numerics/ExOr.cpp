#include <stochvar/numerics/ExOr.h>

#include <algorithm>

namespace stochvar {

namespace {

constexpr std::uint64_t kTwoTo32 = CExOr::kTwoTo32;
constexpr std::uint64_t kModulusGap = CExOr::kModulusGap;
constexpr std::uint32_t kMultiplier = CExOr::kMultiplier;
constexpr std::uint32_t kIncrement = CExOr::kIncrement;
constexpr std::uint64_t kModulus = kTwoTo32 - kModulusGap; // 4294967197

// One step of the additive stream on the actual 32-bit terms.
std::uint32_t AdditiveStep(std::uint32_t nOlder, std::uint32_t nNewer) {
    std::uint64_t t = std::uint64_t{nOlder} + nNewer;
    while (t >= kTwoTo32) {
        t = t - kTwoTo32 + kModulusGap;
    }
    return static_cast<std::uint32_t>(t);
}

// The congruential map x -> 129 x + 907633385 (mod 2^32) applied k times, by squaring.
std::uint32_t CongruentialJump(std::uint32_t x, unsigned long long k) {
    std::uint32_t nMul = 1;
    std::uint32_t nAdd = 0;
    std::uint32_t nBaseMul = kMultiplier;
    std::uint32_t nBaseAdd = kIncrement;
    for (; k != 0; k >>= 1) {
        if ((k & 1U) != 0) {
            nMul = nBaseMul * nMul;
            nAdd = nBaseMul * nAdd + nBaseAdd;
        }
        nBaseAdd = nBaseMul * nBaseAdd + nBaseAdd;
        nBaseMul = nBaseMul * nBaseMul;
    }
    return nMul * x + nAdd;
}

// Two consecutive residues modulo 2^32 - 99. Also a power of the Fibonacci matrix:
// (F(n), F(n+1)) stands for F^n = [[F(n-1), F(n)], [F(n), F(n+1)]].
struct SResiduePair {
    std::uint64_t nOlder;
    std::uint64_t nNewer;
};

SResiduePair MultiplyFibonacci(const SResiduePair& a, const SResiduePair& b) {
    // F^(a+b): F(a+b) = F(a) F(b+1) + F(a-1) F(b) and F(a+b+1) = F(a+1) F(b+1) + F(a) F(b).
    const std::uint64_t u = (a.nOlder * b.nNewer % kModulus + a.nNewer * b.nOlder % kModulus +
                             kModulus - a.nOlder * b.nOlder % kModulus) %
                            kModulus;
    const std::uint64_t w =
        (a.nOlder * b.nOlder % kModulus + a.nNewer * b.nNewer % kModulus) % kModulus;
    return {u, w};
}

// Residues of the additive terms (x_k, x_k+1) from the terms (x_0, x_1):
// x_k = F(k-1) x_0 + F(k) x_1 and x_k+1 = F(k) x_0 + F(k+1) x_1.
SResiduePair AdditiveResiduesAfter(std::uint32_t nOlder, std::uint32_t nNewer,
                                   unsigned long long k) {
    SResiduePair power{0, 1};
    for (SResiduePair base{1, 1}; k != 0; k >>= 1) {
        if ((k & 1U) != 0) {
            power = MultiplyFibonacci(power, base);
        }
        base = MultiplyFibonacci(base, base);
    }
    const std::uint64_t x0 = nOlder % kModulus;
    const std::uint64_t x1 = nNewer % kModulus;
    const std::uint64_t fk = power.nOlder;
    const std::uint64_t fk1 = power.nNewer;
    const std::uint64_t fkm1 = (fk1 + kModulus - fk) % kModulus;
    return {(fkm1 * x0 % kModulus + fk * x1 % kModulus) % kModulus,
            (fk * x0 % kModulus + fk1 * x1 % kModulus) % kModulus};
}

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

void CExOr::Discard(unsigned long long k) {
    m_nSeed3 = CongruentialJump(m_nSeed3, k);

    // The additive terms are residues modulo 2^32 - 99, but a residue r below 99 may stand as r
    // or as r + 2^32 - 99, and which one depends on the actual sum of the two terms before. The
    // residues after k steps come from matrix powers; the representatives are fixed by stepping
    // the last stretch from a term whose residue is 99 or more (it has one representative, and
    // a term after it can only be the larger representative of a small residue).
    constexpr unsigned long long kStretch = 64;
    if (k <= kStretch || (m_nSeed1 % kModulus == 0 && m_nSeed2 % kModulus == 0)) {
        // Short jumps step directly. Terms that are multiples of the modulus stay so, and
        // their representatives settle after two steps.
        for (unsigned long long i = 0; i < std::min(k, kStretch); ++i) {
            const std::uint32_t t = AdditiveStep(m_nSeed1, m_nSeed2);
            m_nSeed1 = m_nSeed2;
            m_nSeed2 = t;
        }
        return;
    }
    // A residue of 99 or more turns up within a few terms: small residues only follow each
    // other as a growing Fibonacci sequence of whole numbers, unless they are all zero.
    unsigned long long j = k - kStretch;
    SResiduePair r = AdditiveResiduesAfter(m_nSeed1, m_nSeed2, j);
    while (r.nOlder < kModulusGap) {
        r = {r.nNewer, (r.nOlder + r.nNewer) % kModulus};
        ++j;
    }
    std::uint32_t nOlder = static_cast<std::uint32_t>(r.nOlder);
    std::uint32_t nNewer =
        static_cast<std::uint32_t>(r.nNewer < kModulusGap ? r.nNewer + kModulus : r.nNewer);
    for (; j < k; ++j) {
        const std::uint32_t t = AdditiveStep(nOlder, nNewer);
        nOlder = nNewer;
        nNewer = t;
    }
    m_nSeed1 = nOlder;
    m_nSeed2 = nNewer;
}

} // namespace stochvar
