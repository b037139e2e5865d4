#pragma once

// CDistCollection: the variables that a host analyses together, the correlations between them,
// and the state of a correlated Monte Carlo run over them.
//
// Ownership: the collection holds variable pointers without owning them (whoever adds a variable
// deletes it, also after ResetContents or destruction of the collection); it owns its SCorr
// entries and its simulation buffers; it borrows the generator given to InitSimulation and a
// stratum table supplied by the caller.
//
// Sampling follows the Nataf model: independent standard normal values (plain or Latin
// hypercube) are correlated with the Cholesky factor of the U-space correlation matrix, mapped
// through Phi and then through each variable's inverse cumulative function.
//
// Threads: a collection, its variables and its generator belong to one thread at a time.
// GetSamples may hand parts of a batch to worker threads of its own and joins them before it
// returns; the workers evaluate Phi, Phi^-1, the factor and the variables' GetInverse (after
// PrepareInverse on the calling thread), each with a generator copy of its own, and capture the
// special functions' diagnostic lines, which the calling thread prints in sample order. Host
// hooks (message boxes, the editor), CDist::GetRandom without a generator (the shared
// CDist::m_ExOr), SetCorr, CheckCorr and the Nataf mapping run on the calling thread only.
//
// Numerics: each collection runs with faithful or accurate numerics (Numerics.h), its own choice
// or else the process default.

#include <stochvar/framework/Array.h>
#include <stochvar/framework/Types.h>
#include <stochvar/numerics/Numerics.h>
#include <stochvar/simulation/Corr.h>
#include <stochvar/simulation/SamplingRunState.h>

#include <functional>
#include <optional>

namespace stochvar {

class CDist;
class CExOr;

class CDistCollection {
public:
    CDistCollection();
    // Deep copy: CreateCopy of every variable (owned by whoever owns the new collection), a copy
    // of every entry (all fields unchanged, so the entries keep the source's variable pointers
    // while their indices address the copies), the run state with the shared generator pointer,
    // and copies of the simulation buffers, which the copy owns. A caller's stratum table is
    // copied only while the source's Latin hypercube run still reads it (the caller may have
    // released it after the run); a copy made in the middle of a run continues it exactly as the
    // source would. The source's own stratum table is brought up to date first (GetStrata).
    explicit CDistCollection(CDistCollection* pSource);
    // Deletes the entries and the buffers the collection owns; no variable.
    ~CDistCollection();

    CDistCollection(const CDistCollection&) = delete;
    CDistCollection& operator=(const CDistCollection&) = delete;

    // Empties both lists (the variables stay alive), frees the buffers, forgets the generator
    // and leaves the collection not initialised.
    void ResetContents();

    // Variables.
    // The variable at the index; null for an index outside 0 .. GetCount() - 1.
    CDist* GetDist(int nIndex) const;
    // Appends the pointer, without any check.
    void AddDist(CDist* pDist);
    // Stores the pointer at nIndex, growing the list with null slots when needed. Returns TRUE
    // when the index existed before, FALSE when the list had to grow. The variable formerly at
    // the index is neither deleted nor returned. A negative index stores nothing (FALSE).
    BOOL SetDist(int nIndex, CDist* pDist);
    int GetCount() const { return m_Dists.GetCount(); }
    // The lists themselves, for the editor, which changes them directly.
    CArray<CDist*, CDist*>* GetDistArray() { return &m_Dists; }
    CArray<SCorr*, SCorr*>* GetCorrArray() { return &m_Corrs; }

    // Runs the property sheet on this collection (through the host hooks) and returns TRUE when
    // it was closed with OK. An empty collection returns FALSE at once; without an editor the
    // result is FALSE.
    BOOL ChangeDistCollection();

    // Numerics.
    // The numerics of everything the collection runs: SetCorr and CheckCorr (the Nataf mapping and
    // the admissible ranges), InitSimulation, GetSample, GetSamples on every thread it uses, and
    // SkipSamples, the variables' own GetInverse and GetCumulative during them included. A
    // collection without a choice of its own (when new, or after FollowDefaultNumerics) takes the
    // process default at the start of each operation. A change does not map the existing entries
    // again (CheckCorr does); ResetContents keeps the choice and a copy takes it over.
    void SetNumerics(ENumerics numerics) { m_numerics = numerics; }
    void FollowDefaultNumerics() { m_numerics.reset(); }
    bool FollowsDefaultNumerics() const { return !m_numerics.has_value(); }
    ENumerics GetNumerics() const { return m_numerics ? *m_numerics : GetDefaultNumerics(); }

    // Correlations.
    // Adds an entry between two variables of the collection; dCorr is an X-space value when
    // bXSpace is nonzero, else a U-space value. An X-space value outside the pair's admissible
    // range is set to the nearer bound with a warning box; the other space's value is mapped.
    // Nothing is added (and nothing shown) when either variable is not in the collection.
    // An existing entry for the pair is not replaced. A variable without spread (a fixed value,
    // a discrete variable with one category) correlates with nothing: its pair admits only the
    // X-space value 0 and maps to the U-space value 0 (see HermiteCoefficients). A pair of a
    // variable with itself is stored, but sampling ignores it (see InitSimulation).
    void SetCorr(CDist* pDist1, CDist* pDist2, double dCorr, BOOL bXSpace);
    // Checks an entry's X-space value (when given in X-space) against the range of the variables
    // at its indices, corrects it with a warning box if needed, and recomputes the derived value
    // from the given one. Returns FALSE when the entry was corrected, else TRUE. An entry with an
    // index that addresses no variable (-1, beyond the list, or a null slot) is left untouched
    // and gives TRUE.
    BOOL CheckCorr(SCorr* pCorr);

    // Simulation.
    // Long operations report how far they are to a host that asks: InitSimulation while it
    // factors the correlation matrix, SkipSamples while it replays the strata of a Latin
    // hypercube run. The report runs on the calling thread, now and then.
    enum class ERunStage { Factoring, Skipping };
    using ProgressReport = std::function<void(ERunStage stage, long long nDone, long long nTotal)>;
    void SetProgressReport(ProgressReport onProgress) { m_onProgress = std::move(onProgress); }

    // Runs of up to this many variables keep the factor of the whole matrix in m_pCorrMatrix.
    static constexpr int kWholeFactorVariables = 1024;

    // Prepares a run of nSamples joint samples drawn from pExOr (not null; borrowed for the
    // run), with Latin hypercube sampling when bLatinHypercube is nonzero. pStrata is an optional
    // stratum table of the caller (at least nSamples ints per variable, taken on trust, never
    // cleared nor freed); without it the collection uses a zero-filled table of its own.
    //
    // Stratum tables. Row i (nSamples ints) belongs to variable i; after m samples its first m
    // ints are the strata that variable has used, in ascending order.
    // - A caller's table holds these contents after every sample, as the caller may read it at
    //   any time: each draw walks the row and inserts into it, O(N) per draw.
    // - With the collection's own table each variable keeps its used strata in a CStratumWalk,
    //   O(log N) per draw with the same numbers, and the table is written from them lazily:
    //   when the run is exhausted, when the collection is copied, and by GetStrata. Read it
    //   through GetStrata (or after the run); m_pStrata itself lags behind during a run.
    //
    // The U-space matrix of all variables of the run is built from the entries and factored as
    // CCorrelationFactor says (entries that pair a variable with itself or address no variable
    // of the run play no part), whenever the list is not empty; without entries the factor is
    // the identity. It is factored component by component (CSparseCorrelationFactor), which
    // gives the bits of the whole matrix's factor in a fraction of its time and memory. A
    // factorisation that fails (a pivot that is not positive, or not a number) shows the error
    // box "Negative definit correlation matrix starting at row j" and leaves the collection not
    // initialised, also when an earlier run had been ready, so that GetSample never reads a
    // partial factor; a caller's table of an earlier run is forgotten.
    //
    // m_pCorrMatrix: after a successful InitSimulation of up to kWholeFactorVariables variables,
    // the factor of the whole matrix, n x n row-major, written out from the components; null
    // otherwise. Nothing in the sampling reads it; the n x n doubles of a large run would cost
    // more memory than all the rest of it (5,000 variables: 200 MB).
    //
    // Buffers (SamplingRunState.h) are sized by the first call and reused; a later call that
    // needs more (more variables, more samples under Latin hypercube sampling, or Latin hypercube
    // sampling newly switched on) grows them. They never shrink before ResetContents.
    void InitSimulation(int nSamples, BOOL bLatinHypercube, CExOr* pExOr, int* pStrata = nullptr);

    // Draws the next joint sample of the run: writes one value per variable of the run into
    // pValues[0 .. n-1] in collection order, sets nSample to its number within the run (1 .. N)
    // and returns TRUE. One sample, step by step: DrawUniforms takes the uniform numbers and
    // moves them into unused strata (CStratumWalk::Place, or WalkCallerStrata on a caller's
    // table); the Inverse of SamplingNormals.h makes them independent standard normal values;
    // FinishSample correlates them (CCorrelationFactor::Correlate), maps each through the Cdf of
    // SamplingNormals.h and hands it to the variable's GetInverse. Takes exactly n draws from the
    // generator, one per variable in index order. Returns FALSE, writing nothing, when the
    // collection is not initialised, when the run is exhausted, or when the collection now holds
    // fewer variables than the run was prepared for, or when the run was given no generator.
    // Variables added after InitSimulation take no part until the next one. Allocates nothing (a
    // stratum walk that meets more than CStratumWalk::kReservedRepeats repeated strata in one run
    // would grow its list once).
    BOOL GetSample(int& nSample, double* pValues);

    // Draws the next min(nCount, samples left) joint samples into pValues, row-major (n values
    // per sample, in collection order), and returns how many it drew; 0 where GetSample would
    // return FALSE. The values, the stratum tables and the generator state afterwards are those
    // of as many GetSample calls, bit for bit, for every thread count. nThreads workers share
    // the batch (nThreads <= 0: one per core), through RunInChunks (ParallelChunks.h). Plain
    // Monte Carlo gives each worker a generator copy jumped to its first draw and leaves the
    // caller's generator jumped past the batch. Under Latin hypercube sampling the batch goes
    // column by column through the run's scratch: the draws (workers with jumped generator
    // copies), each variable's stratum walk (a variable's walk depends on its own draws only, so
    // the workers take the variables), then the rest of each sample (Phi^-1, the factor, Phi and
    // the inverses: FinishSample) for the workers' rows. With more than one worker the call
    // starts threads and grows the scratch, at most to kParallelBlockValues values.
    int GetSamples(int nCount, double* pValues, int nThreads = 1);

    // Moves the run on by min(nCount, samples left) samples without producing them and returns
    // how many; 0 where GetSample would return FALSE. The samples that follow are those that a
    // run drawing everything would give there, so a run can be drawn in slices by several
    // processes. Plain Monte Carlo jumps the generator (O(log) in the number of draws); Latin
    // hypercube sampling draws the skipped samples and walks their strata, on nThreads workers
    // as in GetSamples, but computes neither the walks' values nor any transform. Reports its
    // progress (see SetProgressReport) after each block; allocates a block of draws.
    int SkipSamples(int nCount, int nThreads = 1);

    // The stratum table of the run, brought up to date: after m samples the first m ints of
    // row i are the strata variable i has used, ascending. Null when the run has none.
    const int* GetStrata();

protected:
    // Index of the first slot holding exactly this pointer; -1 when none does, always for null.
    int GetIndex(CDist* pDist) const;

private:
    // Returns TRUE when *pdCorrX lies inside the admissible X-space range of the pair; otherwise
    // moves it to the nearer bound, shows the warning box and returns FALSE.
    static BOOL CheckRange(CDist* pDist1, CDist* pDist2, double* pdCorrX);

    // Run preparation and copies.
    // Copies the source's run: its members, factor and normal-value vector, and a stratum table
    // (see the copy constructor); the walks go on from that table.
    void CopyRunState(const CDistCollection& source);
    // Frees every buffer of the run state and clears the pointers into it.
    void FreeBuffers();
    // Points m_pCorrMatrix and m_pNormal into the run state (after its buffers moved).
    void PointIntoRunState();
    // Shows the error box of a factorisation that failed at the variable nRow.
    static void ReportIndefinite(int nRow);
    // The host's progress report for the factorisation, or nothing.
    CSparseCorrelationFactor::ProgressReport FactoringReport() const;
    // Gives the run the caller's table, or zero-fills the own one under Latin hypercube sampling.
    void PrepareStrata(int* pStrata);

    // Drawing samples.
    // The uniform numbers of the next sample, one per variable, each moved into an unused
    // stratum under Latin hypercube sampling; counts the sample as drawn.
    void DrawUniforms(double* v);
    // The walk on the caller's table after m samples: along its row, then an insertion into it.
    double WalkCallerStrata(int nDist, int m, double v);
    // Latin hypercube batches, column by column: pColumns[i * nRows + r] belongs to variable i
    // and the r-th sample of the block.
    // The uniform numbers of the next nRows samples; the generator moves past them.
    void DrawColumns(double* pColumns, int nRows, int nThreads);
    // Each variable's walk over its column (variables shared among the workers), with the walks'
    // values in place of the uniform numbers when bValues; counts the samples as drawn.
    void PlaceColumns(double* pColumns, int nRows, int nThreads, bool bValues);
    // Samples per block of GetSamples on one worker: what kScratchValues holds.
    int ScratchRows() const;
    static constexpr int kScratchValues = 1 << 16;
    static constexpr int kParallelBlockValues = 1 << 21;
    static constexpr int kSkipBlockValues = 1 << 20;
    // The number of samples a call asking for nCount may draw now: 0 when none.
    int DrawableCount(int nCount) const;
    bool UsesStratumWalks() const { return m_bLatinHypercube && !m_bExternalStrata; }
    // Starts the walks of a run, or continues them from the own table after m samples.
    void StartStratumWalks();
    // Writes the own table from the stratum walks when it lags behind the run.
    void WriteOwnStrata();
    // Turns the independent standard normal values z of one sample into its values: the factor,
    // Phi and each variable's inverse. pOut may be z itself. Normals supplies Phi.
    template <class Normals>
    void FinishSample(const double* z, double* pOut) const;

public:
    // Data members: the variables and entries, then the run state.
    CArray<CDist*, CDist*> m_Dists;
    CArray<SCorr*, SCorr*> m_Corrs;
    int m_nSamples = 0;
    BOOL m_bLatinHypercube = FALSE;
    BOOL m_bExternalStrata = FALSE;
    CExOr* m_pExOr = nullptr;
    int m_nSample = 0;
    BOOL m_bInitialized = FALSE;
    int* m_pStrata = nullptr;        // the stratum table in use: the own one or the caller's
    double* m_pCorrMatrix = nullptr; // n x n, row-major, the Cholesky factor in its lower
                                     // triangle; null for large runs (see InitSimulation)
    double* m_pNormal = nullptr;     // n independent standard normal values

private:
    std::optional<ENumerics> m_numerics; // empty: the process default
    SSamplingRunState m_run;             // the buffers the pointers above point into
    ProgressReport m_onProgress;         // the host's, not copied with the collection
};

} // namespace stochvar
