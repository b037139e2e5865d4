#pragma once

// CFreeStrataTree: counts of free strata over a row of 64-stratum words, for the stratum walk of
// Latin hypercube sampling. A 16-way tree: each node holds, for its 16 children, the free strata
// in the children up to and including each one (a node is one 64-byte cache line). Finding the
// word of the r-th free stratum reads one node per level, about log16 of the words, where a
// binary tree would chase four times as many dependent loads; marking a stratum used updates
// one node per level. The hot operations are inline: the walk calls them for every draw. They
// use SSE2 where the compiler offers it (all x86-64), else plain loops with the same results
// (also chosen by defining STOCHVAR_NO_SIMD, which tests use to check the plain loops).

#include <cstdint>
#include <vector>

#if defined(__SSE2__) && !defined(STOCHVAR_NO_SIMD)
#include <emmintrin.h>
#endif

namespace stochvar {

class CFreeStrataTree {
public:
    static constexpr int kFanOut = 16;
    static constexpr int kWordBits = 64;

    // nWords words (a multiple of kFanOut, below 2^26), every stratum free.
    void Reset(int nWords);

    // The word holding the r-th free stratum (1-based, r at most the free strata); r becomes
    // the rank of that stratum among the free strata of the word.
    int FindWordOfFree(long long& r) const {
        unsigned n = 0;
        for (int l = m_nLevels - 1; l >= 0; --l) {
            const std::uint32_t* counts = m_Nodes[m_nLevelFirst[l] + n].freeUpTo;
            const unsigned k = CountBelow(counts, static_cast<std::uint32_t>(r));
            r -= k > 0 ? counts[k - 1] : 0;
            n = n * kFanOut + k;
        }
        return static_cast<int>(n);
    }
    // The same for the r-th used stratum.
    int FindWordOfUsed(long long& r) const;
    // Free strata in the words before word w.
    long long FreeBefore(int w) const;
    // Asks for the lowest node above word w (the upper levels are few and stay cached).
    void Prefetch(int w) const {
#if defined(__GNUC__)
        __builtin_prefetch(&m_Nodes[static_cast<unsigned>(w) / kFanOut]);
#else
        (void)w;
#endif
    }
    // One stratum of word w becomes used.
    void MarkUsed(int w) {
        unsigned n = static_cast<unsigned>(w);
        for (int l = 0; l < m_nLevels; ++l) {
            const unsigned k = n % kFanOut;
            n /= kFanOut;
            LowerFrom(m_Nodes[m_nLevelFirst[l] + n].freeUpTo, k);
        }
    }

private:
    static constexpr int kMaxLevels = 8; // 16^7 words hold more strata than an int counts

    struct alignas(64) SNode {
        std::uint32_t freeUpTo[kFanOut]; // free strata in children 0 .. k
    };

    // How many of the 16 counts lie below r (at most 15: r never exceeds the node's total):
    // the child that holds the r-th stratum.
    static unsigned CountBelow(const std::uint32_t* counts, std::uint32_t r) {
#if defined(__SSE2__) && !defined(STOCHVAR_NO_SIMD)
        // Unsigned comparison through the signed one, both sides offset by 2^31.
        const __m128i bias = _mm_set1_epi32(static_cast<int>(0x80000000U));
        const __m128i limit = _mm_xor_si128(_mm_set1_epi32(static_cast<int>(r)), bias);
        const auto Below = [&](int i) {
            const __m128i c = _mm_load_si128(reinterpret_cast<const __m128i*>(counts + i));
            return _mm_cmplt_epi32(_mm_xor_si128(c, bias), limit); // -1 per count below r
        };
        __m128i sum =
            _mm_add_epi32(_mm_add_epi32(Below(0), Below(4)), _mm_add_epi32(Below(8), Below(12)));
        sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, 0x4E));
        sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, 0xB1));
        const unsigned n = static_cast<unsigned>(-_mm_cvtsi128_si32(sum));
#else
        unsigned n = 0;
        for (int i = 0; i < kFanOut; ++i) {
            n += counts[i] < r ? 1U : 0U;
        }
#endif
        return n < kFanOut ? n : kFanOut - 1;
    }

    // Lowers the counts of children k .. 15 by one.
    static void LowerFrom(std::uint32_t* counts, unsigned k) {
#if defined(__SSE2__) && !defined(STOCHVAR_NO_SIMD)
        const __m128i before = _mm_set1_epi32(static_cast<int>(k) - 1);
        const auto Lower = [&](int i) {
            auto* p = reinterpret_cast<__m128i*>(counts + i);
            const __m128i index = _mm_setr_epi32(i, i + 1, i + 2, i + 3);
            // Adds -1 where index >= k.
            _mm_store_si128(p, _mm_add_epi32(_mm_load_si128(p), _mm_cmpgt_epi32(index, before)));
        };
        Lower(0);
        Lower(4);
        Lower(8);
        Lower(12);
#else
        for (unsigned i = k; i < kFanOut; ++i) {
            --counts[i];
        }
#endif
    }

    // Strata under child k of node n of level l (0 where the child does not exist).
    std::uint32_t ChildCapacity(int l, int n, int k) const;

    int m_nWords = 0;
    int m_nLevels = 0;
    unsigned m_nLevelFirst[kMaxLevels] = {}; // index of the first node of each level
    int m_nLevelCount[kMaxLevels] = {};      // nodes per level
    std::vector<SNode> m_Nodes;              // level 0 (children are words) first, root last
};

} // namespace stochvar
