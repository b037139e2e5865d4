#pragma once

// CStratumWalk: the strata that one variable has used in a Latin hypercube run, and the walk that
// moves each new uniform number into a stratum not used yet.
//
// The walk is defined by a row of used strata kept in ascending order. With N strata of which m
// are used, a uniform number u becomes v = u * ((N - m) / N); then, for k = 0, 1, ..., while
// k < m and row[k] < N * v, v grows by 1 / N; the stratum s = (int)(N * v) is inserted into the
// row and v is the result. Every operation is a rounded double operation, and the result depends
// on each of those roundings.
//
// Walking the row costs O(m) per draw. This class gives the same v and the same strata, bit for
// bit, in O(log N) per draw:
// - the used strata are a bitset with an 8-way tree of free-stratum counts over its words
//   (CFreeStrataTree), so "the first k with row[k] - k >= R" is a search for the R-th free
//   stratum;
// - v after k additions of 1 / N is computed in closed form: inside one binade every addition
//   moves v by the same whole number of ulps (ties to even are handled), so whole runs of
//   additions are taken at once;
// - N * v - k drifts from N * v0 by a few rounding errors per addition; only the used strata for
//   which that drift can change a comparison are compared one by one, with the true rounded
//   values.
// A stratum that rounding places on an already used one is kept as a repeat, as the row would
// hold it twice.
//
// Where the drift cannot decide anything, which is almost everywhere, the stratum follows from
// the search alone and v only from it. PlaceColumn takes a block of draws in three passes: the
// searches one after the other (each depends on the strata before it), the rest of each draw on
// its own; a skip leaves out the values.
//
// Memory: about N / 8 bytes of bits and N / 30 bytes of counts; no row of N ints.

#include <stochvar/simulation/FreeStrataTree.h>

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace stochvar {

class CStratumWalk {
public:
    // Starts a run of nSamples strata, none used. Allocates; Place then allocates only when
    // more than kReservedRepeats strata of the run come out repeated (rounding alone repeats a
    // stratum, where N * v lies within a few ulps of a whole number).
    void Reset(int nSamples);
    // Starts a run of nSamples strata and takes the nUsed strata of pSortedRow (ascending,
    // repeats included) as used: the state after those draws, to continue a run walked
    // elsewhere.
    void Restore(int nSamples, const int* pSortedRow, int nUsed);

    static constexpr std::size_t kReservedRepeats = 64;

    // Moves the uniform number u into an unused stratum, records the stratum and returns the
    // value there (the v of the walk).
    double Place(double u);
    // Place for the next nCount draws: pValues[s] holds the uniform number of draw s and, with
    // bValues, becomes its value; without, only the strata are recorded (and pValues is left
    // in a state of no use): what a skipped part of a run needs. Faster than as many calls of
    // Place, more so without values.
    void PlaceColumn(double* pValues, int nCount, bool bValues = true);
    // Asks for the memory that Place(u) will read: the stratum lands near u * N. Changes nothing.
    // Smaller runs keep their strata in the caches by themselves.
    void Prefetch(double u) const {
        if (m_nSamples >= kPrefetchFromSamples) {
            PrefetchAround(u);
        }
    }
    static constexpr int kPrefetchFromSamples = 1 << 18;

    int GetUsedCount() const { return m_nUsed; }
    // Writes the used strata in ascending order, repeats included: GetUsedCount() ints.
    void WriteSortedStrata(int* pRow) const;

private:
    using Word = std::uint64_t;
    static constexpr int kWordBits = 64;

    // How far one addition of m_dStep moves v inside a binade, in ulps of that binade.
    struct SBinadeStep {
        std::uint64_t nUlps = 0;
        double dReciprocal = 0.0;         // 1 / nUlps, rounded
        std::uint64_t nFromStart = 0;     // whole steps from the binade's first double
        std::uint64_t nRestFromStart = 0; // the ulps then left before the binade's end
        int nFractionSign = 0;            // the sign of D - nUlps, D the exact step in ulps
        bool bTie = false;                // the addition ends exactly half-way between two doubles
    };

    void PrefetchAround(double u) const;
    // The steps of Place. v = u * ((N - m) / N), the start of the walk of the draw after m.
    double Squeezed(double u, int m) const;
    // The R with which TakeRank places the draw that starts at v, where the bound on rounding
    // decides the walk; else 0.
    long long DecidedRank(double v, int m) const;
    // Records s, the stratum at which a walk decided by R stops, and returns true; returns
    // false, changing nothing, where repeated strata leave that to PlaceStepwise.
    bool TakeRank(long long R, int& s);
    // The value of the walk that started at v and stopped at s.
    double StoppedAt(double v, long long R, int s) const;
    // The walk with the additions and comparisons spelled out where rounding may decide.
    double PlaceStepwise(double v);
    // Draws per pass of PlaceColumn.
    static constexpr int kBlock = 128;
    void FillBinadeSteps();
    // v after k additions of m_dStep, each rounded.
    double AddSteps(double v, long long k) const;
    // The same, addition by addition where a binade has special cases, else binade by binade.
    double AddStepsStepwise(double v, long long k) const;
    // Additions of nUlps that fit into nRoom ulps, from the rounded quotient dFit.
    static std::uint64_t StepsWithin(std::uint64_t nRoom, double dFit, std::uint64_t nUlps);
    // The smallest stratum s with s + 1 - (strata used at or below s, repeats counted) >= nFree;
    // nFree >= 1.
    int FindFree(long long nFree) const;
    // The stratum at index k of the sorted row (repeats counted) and, in nCopies, how many of
    // its copies lie at index k or later.
    int ElementAt(long long k, int& nCopies) const;
    // The next used stratum above s.
    int NextUsed(int s) const;
    // The nOnes-th used stratum (1-based, repeats not counted).
    int SelectUsed(long long nOnes) const;
    // Used strata at or below s, repeats not counted.
    int UsedUpTo(int s) const;
    // The nZeros-th free stratum (1-based).
    int SelectFree(long long nZeros) const;
    // Used strata (repeats not counted) strictly below word w.
    int UsedBeforeWord(int w) const;
    bool IsUsed(int s) const { return (m_Bits[Index(s / kWordBits)] >> (s % kWordBits)) & 1U; }
    int Repeats(int s) const;
    // Repeats of the strata at or below s.
    int RepeatsUpTo(int s) const;
    void Record(int s);

    static std::size_t Index(int n) { return static_cast<std::size_t>(n); }

    int m_nSamples = 0;
    int m_nUsed = 0;
    double m_dStep = 0.0; // 1 / N, rounded
    std::vector<Word> m_Bits;
    CFreeStrataTree m_FreeStrata;               // free strata per word, summed up an 8-way tree
    std::vector<std::pair<int, int>> m_Repeats; // (stratum, extra uses), ascending
    int m_nFirstBinade = 0;                     // exponent field of m_BinadeSteps[0]
    std::vector<SBinadeStep> m_BinadeSteps;
};

} // namespace stochvar
