#include <stochvar/simulation/FreeStrataTree.h>

#include <algorithm>

namespace stochvar {

void CFreeStrataTree::Reset(int nWords) {
    m_nWords = nWords;
    m_nLevels = 0;
    unsigned nFirst = 0;
    int nNodes = (nWords + kFanOut - 1) / kFanOut;
    for (;;) {
        m_nLevelFirst[m_nLevels] = nFirst;
        m_nLevelCount[m_nLevels] = nNodes;
        ++m_nLevels;
        nFirst += static_cast<unsigned>(nNodes);
        if (nNodes <= 1 || m_nLevels == kMaxLevels) {
            break;
        }
        nNodes = (nNodes + kFanOut - 1) / kFanOut;
    }
    m_Nodes.assign(nFirst, SNode{});
    for (int l = 0; l < m_nLevels; ++l) {
        for (int n = 0; n < m_nLevelCount[l]; ++n) {
            SNode& node = m_Nodes[m_nLevelFirst[l] + static_cast<unsigned>(n)];
            std::uint32_t nUpTo = 0;
            for (int k = 0; k < kFanOut; ++k) {
                nUpTo += ChildCapacity(l, n, k);
                node.freeUpTo[k] = nUpTo;
            }
        }
    }
}

std::uint32_t CFreeStrataTree::ChildCapacity(int l, int n, int k) const {
    long long nWordsUnder = 1; // under one child of a node of level l
    for (int i = 0; i < l; ++i) {
        nWordsUnder *= kFanOut;
    }
    const long long nFirstWord = (static_cast<long long>(n) * kFanOut + k) * nWordsUnder;
    const long long nWords = std::clamp(m_nWords - nFirstWord, 0LL, nWordsUnder);
    return static_cast<std::uint32_t>(nWords * kWordBits);
}

int CFreeStrataTree::FindWordOfUsed(long long& r) const {
    int n = 0;
    for (int l = m_nLevels - 1; l >= 0; --l) {
        const std::uint32_t* counts = m_Nodes[m_nLevelFirst[l] + static_cast<unsigned>(n)].freeUpTo;
        long long nCapacityUpTo = 0;
        long long nUsedBefore = 0;
        int k = 0;
        for (; k < kFanOut - 1; ++k) {
            nCapacityUpTo += ChildCapacity(l, n, k);
            const long long nUsedUpTo = nCapacityUpTo - counts[k];
            if (nUsedUpTo >= r) {
                break;
            }
            nUsedBefore = nUsedUpTo;
        }
        r -= nUsedBefore;
        n = n * kFanOut + k;
    }
    return n;
}

long long CFreeStrataTree::FreeBefore(int w) const {
    long long nFree = 0;
    int n = w;
    for (int l = 0; l < m_nLevels; ++l) {
        const int k = n % kFanOut;
        n /= kFanOut;
        if (k > 0) {
            nFree += m_Nodes[m_nLevelFirst[l] + static_cast<unsigned>(n)].freeUpTo[k - 1];
        }
    }
    return nFree;
}

} // namespace stochvar
