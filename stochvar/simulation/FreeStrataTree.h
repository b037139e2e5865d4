#pragma once

// CFreeStrataTree: counts of free strata over a row of 64-stratum words, for the stratum walk of
// Latin hypercube sampling. An 8-way tree: each node holds, for each of its 8 children, the free
// strata in the children before it. Finding the word of the r-th free stratum reads one node per
// level (the children whose count lies below r come first: one comparison of the whole node);
// marking a stratum used lowers the counts after its child in one node per level, and TakeFree
// does both in one descent.
//
// The three lowest levels count in 16 bits (a node there spans at most 32768 strata, and counts
// only the children before its last one), so that a node is one SSE register; the levels above
// count in 32 bits, two registers a node. The walk spends most of its time here: a node that
// fits a register makes a level a handful of instructions. SSE2 is used where the compiler
// offers it (all x86-64), else plain loops with the same results (also chosen by defining
// STOCHVAR_NO_SIMD).

#include <cstdint>
#include <type_traits>
#include <vector>

#if defined(__SSE2__) && !defined(STOCHVAR_NO_SIMD)
#include <emmintrin.h>
#endif

namespace stochvar {

class CFreeStrataTree {
public:
    static constexpr int kFanOut = 8;
    static constexpr int kWordBits = 64;

    CFreeStrataTree() = default;
    // Copies point into their own nodes; a move keeps the nodes where they are.
    CFreeStrataTree(const CFreeStrataTree& other) { *this = other; }
    CFreeStrataTree& operator=(const CFreeStrataTree& other);
    CFreeStrataTree(CFreeStrataTree&&) noexcept = default;
    CFreeStrataTree& operator=(CFreeStrataTree&&) noexcept = default;
    ~CFreeStrataTree() = default;

    // nWords words (a multiple of kFanOut, below 2^25), every stratum free.
    void Reset(int nWords);

    // The word holding the r-th free stratum (1-based, r at most the free strata); r becomes
    // the rank of that stratum among the free strata of the word.
    int FindWordOfFree(long long& r) const { return Descend<false>(*this, r); }
    // FindWordOfFree, and counts the stratum found as used on the way down (MarkUsed of its
    // word): the caller sets its bit.
    int TakeFree(long long& r) { return Descend<true>(*this, r); }
    // The same for the r-th used stratum.
    int FindWordOfUsed(long long& r) const;
    // Free strata in the words before word w.
    long long FreeBefore(int w) const;
    // Asks for the lowest two nodes above word w (the upper levels are few and stay cached).
    void Prefetch(int w) const {
#if defined(__GNUC__)
        const auto n = static_cast<unsigned>(w) / kFanOut;
        __builtin_prefetch(m_Small.data() + m_nLevelFirst[0] + n);
        if (m_nLevels > 1) {
            __builtin_prefetch(m_Small.data() + m_nLevelFirst[1] + n / kFanOut);
        }
#else
        (void)w;
#endif
    }
    // One stratum of word w becomes used, or free again.
    void MarkUsed(int w) { AddAlongPath<-1>(w); }
    void MarkFree(int w) { AddAlongPath<1>(w); }

private:
    static constexpr int kMaxLevels = 10; // 8^9 words hold more strata than an int counts
    static constexpr int kSmallLevels = 3;

    struct alignas(16) SSmallNode {
        std::int16_t before[kFanOut]; // free strata in the children before child k
    };
    struct alignas(32) SLargeNode {
        std::int32_t before[kFanOut];
    };

    // The child of the node that holds the r-th free stratum: the last k with before[k] < r
    // (before[0] = 0 < r). r then counts within that child, and with kTake the strata after it
    // have one free stratum less before them.
    template <bool kTake, class Node>
    static unsigned Child(Node& node, long long& r);
    template <bool kTake, class Tree>
    static int Descend(Tree& tree, long long& r);
    template <int kDelta>
    void AddAlongPath(int w);
    template <int kDelta, class Node>
    static void AddAfter(Node& node, unsigned k);

    // Strata under child k of node n of level l (0 where the child does not exist).
    long long ChildCapacity(int l, int n, int k) const;
    // Strata under one child of a node of level l, if it exists in full.
    static long long ChildSpan(int l);
    bool IsSmall(int l) const { return l < kSmallLevels; }
    // Sets m_pSmall and m_pLarge from the arrays and m_nLevelFirst.
    void PointAtLevels();

    int m_nWords = 0;
    int m_nLevels = 0;
    unsigned m_nLevelFirst[kMaxLevels] = {}; // index of the first node of each level in its array
    int m_nLevelCount[kMaxLevels] = {};      // nodes per level
    // Levels 0 .. kSmallLevels - 1 (their children are words, then nodes), then the others up to
    // the root.
    std::vector<SSmallNode> m_Small;
    std::vector<SLargeNode> m_Large;
    // The first node of each level in its array.
    SSmallNode* m_pSmall[kMaxLevels] = {};
    SLargeNode* m_pLarge[kMaxLevels] = {};
};

// Masks of the lanes after lane k, for the updates: -1 there, 0 elsewhere.
namespace detail {
struct SAfterMasks {
    alignas(16) std::int16_t small[CFreeStrataTree::kFanOut][CFreeStrataTree::kFanOut];
    alignas(32) std::int32_t large[CFreeStrataTree::kFanOut][CFreeStrataTree::kFanOut];
};
extern const SAfterMasks g_AfterMasks;
} // namespace detail

template <int kDelta, class Node>
void CFreeStrataTree::AddAfter(Node& node, unsigned k) {
    constexpr bool kSmall = sizeof(node.before[0]) == 2;
    const auto* mask = [&] {
        if constexpr (kSmall) {
            return detail::g_AfterMasks.small[k];
        } else {
            return detail::g_AfterMasks.large[k];
        }
    }();
#if defined(__SSE2__) && !defined(STOCHVAR_NO_SIMD)
    constexpr int kRegisters = sizeof(Node) / 16;
    for (int i = 0; i < kRegisters; ++i) {
        auto* p = reinterpret_cast<__m128i*>(node.before) + i;
        const __m128i m = _mm_load_si128(reinterpret_cast<const __m128i*>(mask) + i);
        const __m128i c = _mm_load_si128(p);
        if constexpr (kSmall) {
            _mm_store_si128(p, kDelta < 0 ? _mm_add_epi16(c, m) : _mm_sub_epi16(c, m));
        } else {
            _mm_store_si128(p, kDelta < 0 ? _mm_add_epi32(c, m) : _mm_sub_epi32(c, m));
        }
    }
#else
    using Count = std::remove_reference_t<decltype(node.before[0])>;
    for (int i = 0; i < kFanOut; ++i) {
        node.before[i] = static_cast<Count>(node.before[i] - kDelta * mask[i]);
    }
#endif
}

template <bool kTake, class Node>
unsigned CFreeStrataTree::Child(Node& node, long long& r) {
#if defined(__SSE2__) && !defined(STOCHVAR_NO_SIMD)
    // r - 1 fits the lanes where r does not always (a full node of the third level holds 32768).
    // The mask has one bit per byte; the counts at or above r are the last ones.
    const auto* lanes = reinterpret_cast<const __m128i*>(node.before);
    unsigned mask = 0;
    int nBytesPerCount = 0;
    if constexpr (sizeof(node.before[0]) == 2) {
        const __m128i limit = _mm_set1_epi16(static_cast<std::int16_t>(r - 1));
        mask =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpgt_epi16(_mm_load_si128(lanes), limit)));
        nBytesPerCount = 2;
    } else {
        const __m128i limit = _mm_set1_epi32(static_cast<std::int32_t>(r - 1));
        mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_packs_epi32(_mm_cmpgt_epi32(_mm_load_si128(lanes), limit),
                                              _mm_cmpgt_epi32(_mm_load_si128(lanes + 1), limit))));
        nBytesPerCount = 2;
    }
    const auto k = static_cast<unsigned>(__builtin_ctz(mask | 0x10000U)) / nBytesPerCount - 1;
#else
    unsigned k = 0;
    while (k + 1 < kFanOut && node.before[k + 1] < r) {
        ++k;
    }
#endif
    r -= node.before[k];
    if constexpr (kTake) {
        AddAfter<-1>(node, k);
    }
    return k;
}

template <bool kTake, class Tree>
int CFreeStrataTree::Descend(Tree& tree, long long& rIn) {
    long long r = rIn; // a local the node stores cannot alias
    unsigned n = 0;
    int l = tree.m_nLevels - 1;
    for (; l >= kSmallLevels; --l) {
        n = n * kFanOut + Child<kTake>(tree.m_pLarge[l][n], r);
    }
    for (; l >= 0; --l) {
        n = n * kFanOut + Child<kTake>(tree.m_pSmall[l][n], r);
    }
    rIn = r;
    return static_cast<int>(n);
}

template <int kDelta>
void CFreeStrataTree::AddAlongPath(int w) {
    auto n = static_cast<unsigned>(w);
    for (int l = 0; l < m_nLevels; ++l) {
        const unsigned k = n % kFanOut;
        n /= kFanOut;
        if (IsSmall(l)) {
            AddAfter<kDelta>(m_Small[m_nLevelFirst[l] + n], k);
        } else {
            AddAfter<kDelta>(m_Large[m_nLevelFirst[l] + n], k);
        }
    }
}

} // namespace stochvar
