#include <stochvar/simulation/FreeStrataTree.h>

#include <algorithm>
#include <iterator>

namespace stochvar {

namespace detail {

const SAfterMasks g_AfterMasks = [] {
    SAfterMasks masks{};
    for (int k = 0; k < CFreeStrataTree::kFanOut; ++k) {
        for (int i = k + 1; i < CFreeStrataTree::kFanOut; ++i) {
            masks.small[k][i] = -1;
            masks.large[k][i] = -1;
        }
    }
    return masks;
}();

} // namespace detail

void CFreeStrataTree::Reset(int nWords) {
    m_nWords = nWords;
    m_nLevels = 0;
    unsigned nSmall = 0;
    unsigned nLarge = 0;
    int nNodes = (nWords + kFanOut - 1) / kFanOut;
    for (;;) {
        unsigned& nFirst = IsSmall(m_nLevels) ? nSmall : nLarge;
        m_nLevelFirst[m_nLevels] = nFirst;
        m_nLevelCount[m_nLevels] = nNodes;
        nFirst += static_cast<unsigned>(nNodes);
        ++m_nLevels;
        if (nNodes <= 1 || m_nLevels == kMaxLevels) {
            break;
        }
        nNodes = (nNodes + kFanOut - 1) / kFanOut;
    }
    m_Small.assign(nSmall, SSmallNode{});
    m_Large.assign(nLarge, SLargeNode{});
    PointAtLevels();
    for (int l = 0; l < m_nLevels; ++l) {
        for (int n = 0; n < m_nLevelCount[l]; ++n) {
            long long nBefore = 0;
            for (int k = 0; k < kFanOut; ++k) {
                const unsigned i = m_nLevelFirst[l] + static_cast<unsigned>(n);
                if (IsSmall(l)) {
                    m_Small[i].before[k] = static_cast<std::int16_t>(nBefore);
                } else {
                    m_Large[i].before[k] = static_cast<std::int32_t>(nBefore);
                }
                nBefore += ChildCapacity(l, n, k);
            }
        }
    }
}

CFreeStrataTree& CFreeStrataTree::operator=(const CFreeStrataTree& other) {
    if (this != &other) {
        m_nWords = other.m_nWords;
        m_nLevels = other.m_nLevels;
        std::copy(std::begin(other.m_nLevelFirst), std::end(other.m_nLevelFirst), m_nLevelFirst);
        std::copy(std::begin(other.m_nLevelCount), std::end(other.m_nLevelCount), m_nLevelCount);
        m_Small = other.m_Small;
        m_Large = other.m_Large;
        PointAtLevels();
    }
    return *this;
}

void CFreeStrataTree::PointAtLevels() {
    for (int l = 0; l < kMaxLevels; ++l) {
        const bool bExists = l < m_nLevels;
        m_pSmall[l] = bExists && IsSmall(l) ? m_Small.data() + m_nLevelFirst[l] : nullptr;
        m_pLarge[l] = bExists && !IsSmall(l) ? m_Large.data() + m_nLevelFirst[l] : nullptr;
    }
}

long long CFreeStrataTree::ChildSpan(int l) {
    long long nWordsUnder = 1; // under one child of a node of level l
    for (int i = 0; i < l; ++i) {
        nWordsUnder *= kFanOut;
    }
    return nWordsUnder * kWordBits;
}

long long CFreeStrataTree::ChildCapacity(int l, int n, int k) const {
    const long long nWordsUnder = ChildSpan(l) / kWordBits;
    const long long nFirstWord = (static_cast<long long>(n) * kFanOut + k) * nWordsUnder;
    return std::clamp(m_nWords - nFirstWord, 0LL, nWordsUnder) * kWordBits;
}

int CFreeStrataTree::FindWordOfUsed(long long& r) const {
    // Used strata before child k: its capacity before it less the free ones.
    int n = 0;
    for (int l = m_nLevels - 1; l >= 0; --l) {
        const unsigned i = m_nLevelFirst[l] + static_cast<unsigned>(n);
        const auto Free = [&](int k) -> long long {
            return IsSmall(l) ? m_Small[i].before[k] : m_Large[i].before[k];
        };
        int k = 0;
        while (k + 1 < kFanOut && ChildCapacity(l, n, k + 1) > 0 &&
               (k + 1) * ChildSpan(l) - Free(k + 1) < r) {
            ++k;
        }
        r -= k * ChildSpan(l) - Free(k);
        n = n * kFanOut + k;
    }
    return n;
}

long long CFreeStrataTree::FreeBefore(int w) const {
    long long nFree = 0;
    auto n = static_cast<unsigned>(w);
    for (int l = 0; l < m_nLevels; ++l) {
        const unsigned k = n % kFanOut;
        n /= kFanOut;
        const unsigned i = m_nLevelFirst[l] + n;
        nFree += IsSmall(l) ? m_Small[i].before[k] : m_Large[i].before[k];
    }
    return nFree;
}

} // namespace stochvar
