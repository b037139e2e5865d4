#pragma once

// CSampleRun: one sampling run over a collection document, as every host draws it: a run of N
// joint samples (plain or Latin hypercube) from the generator started at three seeds, of which a
// slice is drawn in batches on worker threads. The hosts keep only what they do with the
// samples.
//
// Its failures leave with one type each, whichever host asked: an argument out of range as
// CSampleRequestError, a document that cannot be sampled, a run too large for the memory left,
// or a run that could not be prepared or ended early as CDocumentError.
//
// The run draws on a copy of the document's collection, with the collection's numerics fixed for
// the whole run: the document is read only while the run is set up, so a host may go on using
// it meanwhile (Python samples with the interpreter lock released), and the numbers depend only
// on the document as it was and the request. The slice's numbers are those of the whole run at
// its place, for every thread count.

#include <stochvar/documents/CollectionDocument.h>
#include <stochvar/documents/SeedExpansion.h>
#include <stochvar/numerics/ExOr.h>
#include <stochvar/simulation/BatchSampler.h>
#include <stochvar/simulation/DistCollection.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace stochvar {

struct SSampleRunRequest {
    int nSamples = 0; // N, the samples of the whole run
    bool bLatinHypercube = false;
    SeedTriple seeds{CExOr::kDefaultSeed1, CExOr::kDefaultSeed2, CExOr::kDefaultSeed3};
    int nFirst = 0;             // the slice: samples nFirst .. nFirst + Count() - 1 of the run
    std::optional<int> count;   // nothing: the rest of the run
    std::optional<int> threads; // nothing: one per core

    int Count() const { return count.value_or(nSamples - nFirst); }
    bool IsSlice() const { return nFirst > 0 || Count() < nSamples; }
};

class CSampleRun {
public:
    // Checks the request, then the document (it holds variables, nothing stops sampling it, the
    // run fits into the memory left), and copies its collection. strSource names the document
    // in messages.
    CSampleRun(CCollectionDocument& doc, const SSampleRunRequest& request,
               const std::string& strSource);
    ~CSampleRun();
    CSampleRun(const CSampleRun&) = delete;
    CSampleRun& operator=(const CSampleRun&) = delete;

    int GetVariableCount() const { return m_collection.GetCount(); }
    // Samples in the slice.
    int GetCount() const { return m_request.Count(); }

    // How far Prepare is in its long parts: the factorisation of the correlations, and the
    // skip to the slice's first sample (a replay of the strata under Latin hypercube sampling),
    // the whole skip also when it goes in chunks. Heard on the calling thread, now and then; set
    // it before Prepare.
    void SetProgressReport(CDistCollection::ProgressReport onProgress);
    // Starts the run (InitSimulation) and moves it on to the slice's first sample, on the
    // request's threads. Draw does it when it was not done; a host that hands the library's
    // messages on looks at them between. With continueSkip the move goes in chunks of about
    // kSkipChunkValues values (a Latin hypercube skip walks the strata of every skipped sample)
    // and continueSkip is asked after each; when it says false the run stays unprepared and
    // Prepare returns false.
    bool Prepare(const std::function<bool()>& continueSkip = {});
    static constexpr int kSkipChunkValues = 1 << 17;
    // Draws the slice in batches, each handed to onBatch, which may stop the run; pOut as for
    // CBatchSampler::Draw, pace as for CBatchSampler::SetPace (none: fixed batches). Draw once
    // per run.
    SBatchDrawResult Draw(const CBatchSampler::BatchCallback& onBatch, double* pOut = nullptr,
                          std::optional<std::chrono::nanoseconds> pace = std::nullopt);

private:
    static SSampleRunRequest Checked(const CCollectionDocument& doc,
                                     const SSampleRunRequest& request,
                                     const std::string& strSource);

    SSampleRunRequest m_request;
    CExOr m_generator;
    CDistCollection m_collection; // the run's copy; it owns the copies of the variables
    bool m_bPrepared = false;
    CDistCollection::ProgressReport m_onProgress;
    int m_nSkipped = 0; // the samples skipped by the chunks before the current one
};

} // namespace stochvar
