#include <stochvar/documents/SampleRun.h>

#include <stochvar/documents/DocumentError.h>
#include <stochvar/documents/ReadinessReport.h>
#include <stochvar/documents/SampleRequestError.h>
#include <stochvar/documents/SamplingMemory.h>

#include <algorithm>
#include <climits>
#include <new>
#include <optional>

namespace stochvar {

namespace {

// The arguments of a request by themselves, named as the hosts' options and arguments name them.
void CheckArguments(const SSampleRunRequest& request) {
    const int N = request.nSamples;
    if (N < 1) {
        throw CSampleRequestError("n must be at least 1");
    }
    if (request.nFirst < 0 || request.nFirst >= N) {
        throw CSampleRequestError("first must lie in 0 .. n - 1");
    }
    if (request.Count() < 0 || request.Count() > N - request.nFirst) {
        throw CSampleRequestError("count must lie in 0 .. n - first");
    }
    if (request.threads && *request.threads < 1) {
        throw CSampleRequestError("threads must be at least 1 (or none: one per core)");
    }
}

} // namespace

SSampleRunRequest CSampleRun::Checked(const CCollectionDocument& doc,
                                      const SSampleRunRequest& request,
                                      const std::string& strSource) {
    CheckArguments(request);
    const int n = doc.GetVariableCount();
    if (n == 0) {
        throw CDocumentError("the collection holds no variables: nothing to sample");
    }
    // The stratum table of a Latin hypercube run is indexed by int.
    if (request.bLatinHypercube && request.nSamples > INT_MAX / n) {
        throw CSampleRequestError(
            "too many samples for Latin hypercube sampling of " + std::to_string(n) +
            " variables: " + std::to_string(request.nSamples) + " x " + std::to_string(n) +
            " strata exceed the table's " + std::to_string(INT_MAX) + "; at most " +
            std::to_string(INT_MAX / n) + " samples, or plain sampling");
    }
    CReadinessReport(doc).Require(EDocumentUse::sample, strSource);
    RequireMemoryForRun(n, request.nSamples, request.bLatinHypercube);
    return request;
}

CSampleRun::CSampleRun(CCollectionDocument& doc, const SSampleRunRequest& request,
                       const std::string& strSource)
    : m_request(Checked(doc, request, strSource)),
      m_generator(request.seeds[0], request.seeds[1], request.seeds[2]),
      m_collection(&doc.GetCollection()) {
    m_collection.SetNumerics(doc.GetCollection().GetNumerics());
}

CSampleRun::~CSampleRun() {
    for (int i = 0; i < m_collection.GetCount(); ++i) {
        delete m_collection.GetDist(i);
    }
}

void CSampleRun::SetProgressReport(CDistCollection::ProgressReport onProgress) {
    m_onProgress = std::move(onProgress);
    if (!m_onProgress) {
        m_collection.SetProgressReport({});
        return;
    }
    // The collection hears of one chunk of a skip at a time; the host of the whole skip.
    m_collection.SetProgressReport(
        [this](CDistCollection::ERunStage stage, long long nDone, long long nTotal) {
            if (stage == CDistCollection::ERunStage::Skipping) {
                nDone += m_nSkipped;
                nTotal = m_request.nFirst;
            }
            m_onProgress(stage, nDone, nTotal);
        });
}

bool CSampleRun::Prepare(const std::function<bool()>& continueSkip) {
    const BOOL bLatinHypercube = m_request.bLatinHypercube ? TRUE : FALSE;
    try {
        m_collection.InitSimulation(m_request.nSamples, bLatinHypercube, &m_generator);
    } catch (const std::bad_alloc&) {
        throw CDocumentError(MemoryRefusal(m_collection.GetCount(), m_request.nSamples,
                                           m_request.bLatinHypercube, std::nullopt));
    }
    if (!m_collection.m_bInitialized) {
        throw CDocumentError("the simulation could not be prepared");
    }
    const int nFirst = m_request.nFirst;
    const int nChunk =
        continueSkip ? std::max(kSkipChunkValues / std::max(GetVariableCount(), 1), 1) : nFirst;
    for (m_nSkipped = 0; m_nSkipped < nFirst;) {
        const int nAsked = std::min(nChunk, nFirst - m_nSkipped);
        if (m_collection.SkipSamples(nAsked, m_request.threads.value_or(0)) != nAsked) {
            throw CDocumentError("the run could not be moved to sample " +
                                 std::to_string(nFirst + 1));
        }
        m_nSkipped += nAsked;
        if (m_nSkipped < nFirst && !continueSkip()) {
            return false;
        }
    }
    m_bPrepared = true;
    return true;
}

SBatchDrawResult CSampleRun::Draw(const CBatchSampler::BatchCallback& onBatch, double* pOut,
                                  std::optional<std::chrono::nanoseconds> pace) {
    if (!m_bPrepared) {
        Prepare();
    }
    CBatchSampler sampler(m_collection, m_request.threads.value_or(0));
    if (pace) {
        sampler.SetPace(*pace);
    }
    const SBatchDrawResult result = sampler.Draw(GetCount(), onBatch, pOut);
    if (!result.bStopped && result.nDrawn < GetCount()) {
        throw CDocumentError("the run ended after " + std::to_string(result.nDrawn) + " samples");
    }
    return result;
}

} // namespace stochvar
