#include <stochvar/simulation/StratumWalk.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <cmath>

namespace stochvar {

namespace {

constexpr std::size_t Index(int n) { return static_cast<std::size_t>(n); }

constexpr int kSignificandBits = 52;
// A product of two doubles converted from integers errs by far less than this factor.
constexpr double kSafelyBelow = 1.0 - 0x1p-40;
constexpr std::uint64_t kImplicitBit = std::uint64_t{1} << kSignificandBits;
constexpr std::uint64_t kSignificandMask = kImplicitBit - 1;
// Exponent field of the binade [1, 2): a walk can end a rounding above 1.
constexpr int kBinadeOfOne = 1023;

// Set bits of w, without relying on a population-count instruction.
int CountBits(std::uint64_t w) {
    w = w - ((w >> 1) & 0x5555555555555555ULL);
    w = (w & 0x3333333333333333ULL) + ((w >> 2) & 0x3333333333333333ULL);
    w = (w + (w >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
    return static_cast<int>((w * 0x0101010101010101ULL) >> 56);
}

// kSelectInByte[b][r]: position of the (r + 1)-th set bit of the byte b (8 where there is none).
constexpr auto kSelectInByte = [] {
    std::array<std::array<std::uint8_t, 8>, 256> table{};
    for (int b = 0; b < 256; ++b) {
        table[Index(b)].fill(8);
        int r = 0;
        for (int bit = 0; bit < 8; ++bit) {
            if ((b >> bit) & 1) {
                table[Index(b)][Index(r++)] = static_cast<std::uint8_t>(bit);
            }
        }
    }
    return table;
}();

// Position (0-based) of the r-th set bit (1-based) of w; w has at least r set bits.
inline int SelectBit(std::uint64_t w, long long r) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
    // Running set-bit counts in every byte, then the first byte whose count reaches r.
    std::uint64_t c = w - ((w >> 1) & 0x5555555555555555ULL);
    c = (c & 0x3333333333333333ULL) + ((c >> 2) & 0x3333333333333333ULL);
    c = ((c + (c >> 4)) & 0x0F0F0F0F0F0F0F0FULL) * kOnes;
    const std::uint64_t reached = ((c | kHighs) - kOnes * static_cast<std::uint64_t>(r)) & kHighs;
    const int nShift = std::countr_zero(reached) - 7;
    const long long nBefore = static_cast<long long>((c << 8) >> nShift & 0xFFU);
    const std::uint64_t byte = (w >> nShift) & 0xFFU;
    return nShift +
           kSelectInByte[Index(static_cast<int>(byte))][Index(static_cast<int>(r - nBefore - 1))];
}

// An unsigned integer below 2^63 as a double.
double AsDouble(std::uint64_t n) { return static_cast<double>(static_cast<std::int64_t>(n)); }

std::uint64_t LowBits(int nBits) {
    return nBits >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << nBits) - 1;
}

} // namespace

void CStratumWalk::Reset(int nSamples) {
    m_nSamples = nSamples;
    m_nUsed = 0;
    m_dStep = 1.0 / static_cast<double>(nSamples);
    // N * v can round up to N at the top of a run, so strata up to N and beyond stay
    // addressable; the tree wants whole nodes of words.
    constexpr int kFanOut = CFreeStrataTree::kFanOut;
    const int nWords = (std::max(nSamples, 0) / kWordBits + 2 + kFanOut - 1) / kFanOut * kFanOut;
    m_Bits.assign(Index(nWords), 0);
    m_FreeStrata.Reset(nWords);
    m_Repeats.clear();
    m_Repeats.reserve(kReservedRepeats);
    FillBinadeSteps();
}

void CStratumWalk::Restore(int nSamples, const int* pSortedRow, int nUsed) {
    Reset(nSamples);
    for (int k = 0; k < nUsed; ++k) {
        Record(pSortedRow[k]);
    }
    m_nUsed = nUsed;
}

void CStratumWalk::FillBinadeSteps() {
    // In the binade with exponent field E, ulp = 2^(E - 1075) and an addition of d is
    // D = d / ulp ulps. It rounds to q = floor(D) or floor(D) + 1 ulps, whichever is nearer; a
    // tie (D ending in one half) rounds to the even result, so once a is even the step is the
    // even one of the two. Binades from just above d's own up to [1, 2) are tabled.
    const std::uint64_t dBits = std::bit_cast<std::uint64_t>(m_dStep);
    m_nFirstBinade = static_cast<int>(dBits >> kSignificandBits) + 1;
    m_BinadeSteps.clear();
    for (int E = m_nFirstBinade; E <= kBinadeOfOne; ++E) {
        const double D = std::ldexp(m_dStep, 1075 - E);
        const double whole = std::floor(D);
        const std::uint64_t q0 = static_cast<std::uint64_t>(whole);
        SBinadeStep step;
        step.bTie = D - whole == 0.5;
        if (step.bTie) {
            step.nUlps = q0 % 2 == 0 ? q0 : q0 + 1;
        } else {
            step.nUlps = D - whole < 0.5 ? q0 : q0 + 1;
        }
        step.dReciprocal = 1.0 / AsDouble(step.nUlps);
        step.nFromStart = (kImplicitBit - 1) / step.nUlps;
        step.nRestFromStart = (kImplicitBit - 1) % step.nUlps;
        const double dFraction = D - AsDouble(step.nUlps);
        step.nFractionSign = dFraction > 0.0 ? 1 : dFraction < 0.0 ? -1 : 0;
        m_BinadeSteps.push_back(step);
    }
}

void CStratumWalk::PrefetchAround(double u) const {
#if defined(__GNUC__)
    // Used strata are spread evenly, so the stratum of u lies within a few hundred of u * N for
    // a run of a million: the bit words and tree nodes around there.
    const double dEstimate = u * static_cast<double>(m_nSamples);
    if (!(dEstimate >= 0.0) || m_Bits.empty()) {
        return;
    }
    constexpr long long kMargin = 512; // strata: a cache line of bit words
    const long long nLastWord = static_cast<long long>(m_Bits.size()) - 1;
    const auto nCentre = static_cast<long long>(dEstimate);
    for (long long s : {nCentre - kMargin, nCentre, nCentre + kMargin}) {
        const int w = static_cast<int>(std::clamp(s / kWordBits, 0LL, nLastWord));
        __builtin_prefetch(&m_Bits[Index(w)]);
        m_FreeStrata.Prefetch(w);
    }
#else
    (void)u;
#endif
}

double CStratumWalk::Place(double u) {
    const double v = Squeezed(u, m_nUsed);
    const long long R = DecidedRank(v, m_nUsed);
    int s = 0;
    if (R > 0 && TakeRank(R, s)) {
        return StoppedAt(v, R, s);
    }
    return PlaceStepwise(v);
}

void CStratumWalk::PlaceColumn(double* pValues, int nCount, bool bValues) {
    // In blocks, three passes: the start of every walk of the block and whether the bound
    // decides it (each depends on its own draw only); the tree, draw after draw (each descent
    // depends on the strata before, but descents overlap, each one level behind the previous);
    // the values, again draw by draw on their own.
    double start[kBlock];
    long long rank[kBlock];
    int strata[kBlock];
    // The stratum of a draw lies near u * N: asking for that memory some draws ahead lets the
    // loads of several descents overlap.
    constexpr int kAhead = 8;
    const bool bPrefetch = m_nSamples >= kPrefetchFromSamples;
    for (int nFirst = 0; nFirst < nCount; nFirst += kBlock) {
        const int n = std::min(kBlock, nCount - nFirst);
        double* u = pValues + nFirst;
        const int m = m_nUsed;
        for (int j = 0; j < n; ++j) {
            start[j] = Squeezed(u[j], m + j);
            rank[j] = DecidedRank(start[j], m + j);
        }
        for (int j = 0; j < n; ++j) {
            if (bPrefetch && nFirst + j + kAhead < nCount) {
                PrefetchAround(pValues[nFirst + j + kAhead]);
            }
            if (rank[j] == 0 || !TakeRank(rank[j], strata[j])) {
                rank[j] = 0;
                u[j] = PlaceStepwise(start[j]);
            }
        }
        for (int j = 0; bValues && j < n; ++j) {
            if (rank[j] > 0) {
                u[j] = StoppedAt(start[j], rank[j], strata[j]);
            }
        }
    }
}

inline double CStratumWalk::Squeezed(double u, int m) const {
    return u * (static_cast<double>(m_nSamples - m) / static_cast<double>(m_nSamples));
}

inline long long CStratumWalk::DecidedRank(double v, int m) const {
    // With r = row[k] - k the walk goes on while r < N * v_k - k, and N * v_k - k stays within
    // delta of x = N * v_0 for every k <= m (rounding of the additions, of 1 / N and of the
    // products; delta is four times that bound). So every used stratum with r < R =
    // ceil(x - delta) is passed for certain; when moreover R >= x + delta, the next one stops
    // the walk for certain.
    const double dN = static_cast<double>(m_nSamples);
    const double x = dN * v;
    const double delta = 0x1p-51 * (dN + 2.0) * (static_cast<double>(m) + 2.0);
    const double y = x - delta;
    if (m == 0 || !(y > 0.0)) {
        return 0;
    }
    auto R = static_cast<long long>(y);
    R += static_cast<double>(R) < y ? 1 : 0;
    return static_cast<double>(R) >= x + delta ? R : 0;
}

inline bool CStratumWalk::TakeRank(long long R, int& s) {
    // The walk passes the k used strata below the R-th free stratum s and stops there: with no
    // repeats at or below s, s = R - 1 + k. One descent finds s and counts it as used.
    long long r = R;
    const int w = m_FreeStrata.TakeFree(r);
    s = w * kWordBits + SelectBit(~m_Bits[Index(w)], r);
    if (!m_Repeats.empty() && m_Repeats.front().first <= s) {
        m_FreeStrata.MarkFree(w); // repeats below s, which FindFree counts
        return false;
    }
    m_Bits[Index(w)] |= Word{1} << (s % kWordBits);
    ++m_nUsed;
    return true;
}

inline double CStratumWalk::StoppedAt(double v, long long R, int s) const {
    const double vEnd = AddSteps(v, s - R + 1);
    // The bound of delta puts N * vEnd inside stratum s.
    assert(static_cast<int>(static_cast<double>(m_nSamples) * vEnd) == s);
    return vEnd;
}

double CStratumWalk::PlaceStepwise(double v) {
    const int m = m_nUsed;
    const double dN = static_cast<double>(m_nSamples);
    if (m > 0) {
        // See DecidedRank: the strata with r < R are passed for certain; from there on they are
        // compared one by one with the true rounded values, where x lies within delta of a whole
        // number.
        const double x = dN * v;
        const double delta = 0x1p-51 * (dN + 2.0) * (static_cast<double>(m) + 2.0);
        const double y = x - delta;
        long long R = 0; // ceil(y) where y > 0; below, no stratum is passed for certain
        long long k = 0;
        if (y > 0.0) {
            R = static_cast<long long>(y);
            R += static_cast<double>(R) < y ? 1 : 0;
            k = FindFree(R) - R + 1;
        }
        v = AddSteps(v, k);
        if (k < m && !(y > 0.0 && static_cast<double>(R) >= x + delta)) {
            int nCopies = 0;
            int s = ElementAt(k, nCopies);
            while (k < m && static_cast<double>(s) < dN * v) {
                v = v + m_dStep;
                ++k;
                if (--nCopies == 0 && k < m) {
                    s = NextUsed(s);
                    nCopies = 1 + Repeats(s);
                }
            }
        }
    }
    Record(static_cast<int>(dN * v));
    ++m_nUsed;
    return v;
}

inline double CStratumWalk::AddSteps(double v, long long k) const {
    // In whole ulps: v = a ulps of its binade, a in [2^52, 2^53). Inside the binade every
    // addition adds the binade's step; the one that leaves it lands, in the next binade's ulps
    // (twice as large), on (a + D) / 2 rounded to even, with D = d / ulp exact. With p the room
    // left in the binade after its last whole step, a + D = 2^53 + w + f for w = step - 1 - p
    // and f = D - step, |f| <= 1/2: so the next binade starts at offset e = (w + f) / 2 rounded,
    // decided by the parity of w and the sign of f. From offset e its whole steps are the steps
    // from its start or one less. The rare cases that this does not cover (below the tabled
    // binades, an odd start in a binade whose step ends in a tie) go the stepwise way.
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(v);
    auto nBinade =
        static_cast<std::size_t>(static_cast<int>(bits >> kSignificandBits) - m_nFirstBinade);
    if (k <= 0 || nBinade >= m_BinadeSteps.size()) {
        return AddStepsStepwise(v, k);
    }
    const SBinadeStep* pStep = &m_BinadeSteps[nBinade];
    const std::uint64_t a = (bits & kSignificandMask) | kImplicitBit;
    if (pStep->bTie && a % 2 != 0) {
        return AddStepsStepwise(v, k);
    }
    auto nSteps = static_cast<std::uint64_t>(k);
    const std::uint64_t nRoom = kImplicitBit * 2 - 1 - a;
    std::uint64_t nFit = StepsWithin(nRoom, AsDouble(nRoom) * pStep->dReciprocal, pStep->nUlps);
    if (nSteps <= nFit) {
        return std::bit_cast<double>(bits + nSteps * pStep->nUlps);
    }
    std::uint64_t nLeft = nRoom - nFit * pStep->nUlps; // p
    std::uint64_t nExponent = bits & ~kSignificandMask;
    for (;;) {
        nSteps -= nFit + 1; // the whole steps and the one that leaves the binade
        const std::uint64_t w = pStep->nUlps - 1 - nLeft;
        std::uint64_t e = w / 2;
        if (w % 2 != 0) {
            e += pStep->nFractionSign > 0 || (pStep->nFractionSign == 0 && e % 2 != 0) ? 1 : 0;
        }
        nExponent += kImplicitBit; // the next binade
        const std::uint64_t startBits = nExponent | e;
        if (++nBinade >= m_BinadeSteps.size()) {
            return AddStepsStepwise(std::bit_cast<double>(startBits),
                                    static_cast<long long>(nSteps));
        }
        pStep = &m_BinadeSteps[nBinade];
        if (pStep->bTie && e % 2 != 0) {
            return AddStepsStepwise(std::bit_cast<double>(startBits),
                                    static_cast<long long>(nSteps));
        }
        nFit = e <= pStep->nRestFromStart ? pStep->nFromStart : pStep->nFromStart - 1;
        if (nSteps <= nFit) {
            return std::bit_cast<double>(startBits + nSteps * pStep->nUlps);
        }
        nLeft = kImplicitBit - 1 - e - nFit * pStep->nUlps;
    }
}

double CStratumWalk::AddStepsStepwise(double v, long long k) const {
    const double d = m_dStep;
    while (k > 0) {
        // v = a ulps with a in [2^52, 2^53): the exponent field picks the binade's step.
        const std::uint64_t bits = std::bit_cast<std::uint64_t>(v);
        const auto nBinade =
            static_cast<std::size_t>(static_cast<int>(bits >> kSignificandBits) - m_nFirstBinade);
        if (nBinade >= m_BinadeSteps.size()) {
            v = v + d; // below the tabled binades (nBinade wrapped round): v < 2 / N
            --k;
            continue;
        }
        const SBinadeStep& step = m_BinadeSteps[nBinade];
        std::uint64_t a = (bits & kSignificandMask) | kImplicitBit;
        if (step.bTie && a % 2 != 0) {
            v = v + d; // the tie rounds to even once; from then on the step is steady
            --k;
            continue;
        }
        // The additions that stay in the binade, all k of them or floor(room / step); the one
        // that leaves it is made as it is.
        const std::uint64_t nRoom = kImplicitBit * 2 - 1 - a;
        const auto nSteps = static_cast<std::uint64_t>(k);
        const std::uint64_t n =
            std::min(StepsWithin(nRoom, AsDouble(nRoom) * step.dReciprocal, step.nUlps), nSteps);
        a += n * step.nUlps;
        v = std::bit_cast<double>((bits & ~kSignificandMask) | (a & kSignificandMask));
        k -= static_cast<long long>(n);
        if (k > 0) {
            v = v + d;
            --k;
        }
    }
    return v;
}

std::uint64_t CStratumWalk::StepsWithin(std::uint64_t nRoom, double dFit, std::uint64_t nUlps) {
    // floor(nRoom / nUlps) from the rounded quotient dFit, corrected: both are below 2^53 and
    // nUlps is at least 2^53 / N, so the quotient is below 2^31 and its estimate off by a unit
    // at most; the products do not overflow.
    auto n = static_cast<std::uint64_t>(static_cast<std::int64_t>(dFit));
    n -= n * nUlps > nRoom ? 1 : 0;
    n += (n + 1) * nUlps <= nRoom ? 1 : 0;
    return n;
}

int CStratumWalk::FindFree(long long nFree) const {
    // Without repeats this is the nFree-th free stratum. Repeats lower the count of the strata
    // above them, so the search moves up until the repeats below the result are all counted.
    long long nRepeatsBelow = 0;
    for (;;) {
        const int s = SelectFree(nFree + nRepeatsBelow);
        const long long nRepeats = RepeatsUpTo(s);
        if (nRepeats == nRepeatsBelow) {
            return s;
        }
        nRepeatsBelow = nRepeats;
    }
}

int CStratumWalk::ElementAt(long long k, int& nCopies) const {
    // Walk the repeats in order; index k lies either among the single strata before the next
    // repeated one, or among that stratum's copies.
    long long nExtraBefore = 0;
    for (const auto& [q, nExtra] : m_Repeats) {
        const long long nUpToQ = UsedUpTo(q) + nExtraBefore + nExtra; // elements at or below q
        if (k < nUpToQ) {
            const int s = SelectUsed(k - nExtraBefore + 1);
            if (s < q) {
                nCopies = 1;
                return s;
            }
            nCopies = static_cast<int>(nUpToQ - k);
            return q;
        }
        nExtraBefore += nExtra;
    }
    nCopies = 1;
    return SelectUsed(k - nExtraBefore + 1);
}

int CStratumWalk::NextUsed(int s) const {
    const int nNext = s + 1;
    const Word above = m_Bits[Index(nNext / kWordBits)] & ~LowBits(nNext % kWordBits);
    if (above != 0) {
        return nNext / kWordBits * kWordBits + std::countr_zero(above);
    }
    return SelectUsed(UsedUpTo(s) + 1);
}

int CStratumWalk::SelectUsed(long long nOnes) const {
    const int w = m_FreeStrata.FindWordOfUsed(nOnes);
    return w * kWordBits + SelectBit(m_Bits[Index(w)], nOnes);
}

int CStratumWalk::SelectFree(long long nZeros) const {
    const int w = m_FreeStrata.FindWordOfFree(nZeros);
    return w * kWordBits + SelectBit(~m_Bits[Index(w)], nZeros);
}

int CStratumWalk::UsedBeforeWord(int w) const {
    return static_cast<int>(static_cast<long long>(w) * kWordBits - m_FreeStrata.FreeBefore(w));
}

int CStratumWalk::UsedUpTo(int s) const {
    const int w = s / kWordBits;
    return UsedBeforeWord(w) + CountBits(m_Bits[Index(w)] & LowBits(s % kWordBits + 1));
}

int CStratumWalk::Repeats(int s) const {
    const auto it = std::lower_bound(m_Repeats.begin(), m_Repeats.end(), std::pair{s, 0});
    return it != m_Repeats.end() && it->first == s ? it->second : 0;
}

int CStratumWalk::RepeatsUpTo(int s) const {
    int n = 0;
    for (const auto& [q, nExtra] : m_Repeats) {
        if (q > s) {
            break;
        }
        n += nExtra;
    }
    return n;
}

void CStratumWalk::Record(int s) {
    if (IsUsed(s)) {
        const auto it = std::lower_bound(m_Repeats.begin(), m_Repeats.end(), std::pair{s, 0});
        if (it != m_Repeats.end() && it->first == s) {
            ++it->second;
        } else {
            m_Repeats.insert(it, {s, 1});
        }
        return;
    }
    const int w = s / kWordBits;
    m_Bits[Index(w)] |= Word{1} << (s % kWordBits);
    m_FreeStrata.MarkUsed(w);
}

void CStratumWalk::WriteSortedStrata(int* pRow) const {
    if (m_Repeats.empty()) {
        for (std::size_t w = 0; w < m_Bits.size(); ++w) {
            for (Word bits = m_Bits[w]; bits != 0; bits &= bits - 1) {
                *pRow++ = static_cast<int>(w) * kWordBits + std::countr_zero(bits);
            }
        }
        return;
    }
    for (std::size_t w = 0; w < m_Bits.size(); ++w) {
        for (Word bits = m_Bits[w]; bits != 0; bits &= bits - 1) {
            const int s = static_cast<int>(w) * kWordBits + std::countr_zero(bits);
            for (int nCopies = 1 + Repeats(s); nCopies > 0; --nCopies) {
                *pRow++ = s;
            }
        }
    }
}

} // namespace stochvar
