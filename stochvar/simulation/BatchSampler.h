#pragma once

// CBatchSampler: a prepared run of a collection drawn in batches, each handed to the caller
// before the next one is drawn.
//
// A batch is as many samples as make about kBatchValues values (one sample at least,
// kMaxBatchRows at most): large enough that the worker threads of GetSamples pay off, small
// enough to stay in memory with many variables. The caller looks at each batch (writes it out,
// adds it to statistics, evaluates limit states on it) and may stop the run after any batch: to
// cancel it, or because a stopping rule is met. The values are those of GetSamples, so they do
// not depend on the thread count nor on where the batches begin.
//
//   CBatchSampler sampler(collection, nThreads);   // after InitSimulation (and SkipSamples)
//   sampler.Draw(nBudget, [&](const SSampleBatch& batch) {
//       for (int r = 0; r < batch.nRows; ++r) Evaluate(batch.Row(r));
//       return !StoppingRuleMet();
//   });

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

namespace stochvar {

class CDistCollection;

// One batch of a run: nRows samples of nVariables values each, row-major, in collection order.
struct SSampleBatch {
    const double* pRows = nullptr;
    int nRows = 0;
    int nVariables = 0;
    long long nDrawnBefore = 0; // samples the sampler drew before this batch

    const double* Row(int r) const {
        return pRows + static_cast<std::size_t>(r) * static_cast<std::size_t>(nVariables);
    }
    long long DrawnAfter() const { return nDrawnBefore + nRows; }
};

struct SBatchDrawResult {
    long long nDrawn = 0;
    bool bStopped = false; // the callback stopped the run; otherwise nDrawn fell short only
                           // where the run had no samples left
};

class CBatchSampler {
public:
    static constexpr int kBatchValues = 1 << 20;
    static constexpr int kMaxBatchRows = 65536;
    // More worker threads than this only queue for the cores.
    static constexpr int kMaxThreads = 256;

    // After each batch; returns false to stop the run there.
    using BatchCallback = std::function<bool(const SSampleBatch& batch)>;

    // collection: initialised by InitSimulation with the variables it holds now, its run at the
    // sample the first batch begins with; borrowed while drawing. nThreads as for GetSamples (0
    // or less: one per core), at most kMaxThreads of them.
    explicit CBatchSampler(CDistCollection& collection, int nThreads = 0);

    // Samples per batch for nVariables values per sample.
    static int RowsPerBatch(int nVariables);

    // Paced batches, for a host that looks for a cancellation between batches and cannot wait
    // for a batch of slow variables (a beta inverse takes tens of microseconds): the first batch
    // holds one sample per thread, each later one as many as the batch before drew in about
    // target, at most kMaxPaceGrowth times as many as before and never more than the fixed
    // batch size. The values stay those of GetSamples; only where the batches begin depends on
    // the machine's speed, so a stopping rule that must stop at the same sample everywhere keeps
    // the fixed batches.
    void SetPace(std::chrono::nanoseconds target) { m_pace = target; }
    static constexpr int kMaxPaceGrowth = 4;

    // Draws up to nCount samples of the run in batches and calls onBatch after each one. With
    // pOut (room for nCount samples) the samples land there in order and each batch is a view
    // into it; without it every batch reuses one buffer of the sampler. Stops early when onBatch
    // says so or when the run has no samples left.
    SBatchDrawResult Draw(long long nCount, const BatchCallback& onBatch, double* pOut = nullptr);

private:
    int FirstBatchRows() const;
    int NextPacedRows(int nRows, std::chrono::nanoseconds elapsed) const;

    CDistCollection& m_collection;
    int m_nThreads;
    int m_nVariables;
    int m_nBatchRows;
    std::optional<std::chrono::nanoseconds> m_pace;
    std::vector<double> m_batch;
};

} // namespace stochvar
