#include <stochvar/reliability/MonteCarlo.h>

#include <stochvar/model/Dist.h>
#include <stochvar/reliability/FailureEstimate.h>
#include <stochvar/reliability/LimitStateEvaluator.h>
#include <stochvar/reliability/ReliabilityError.h>
#include <stochvar/reliability/USpaceTransform.h>
#include <stochvar/simulation/BatchSampler.h>
#include <stochvar/simulation/CorrelationFactor.h>
#include <stochvar/simulation/DistCollection.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstddef>
#include <optional>

namespace stochvar {

namespace {

std::size_t Count(int n) { return static_cast<std::size_t>(n); }

// Runs the collection with the given numerics until the end of the scope, then gives it back its
// own setting.
class CCollectionNumerics {
public:
    CCollectionNumerics(CDistCollection& collection, ENumerics numerics)
        : m_collection(collection) {
        if (!collection.FollowsDefaultNumerics()) {
            m_previous = collection.GetNumerics();
        }
        collection.SetNumerics(numerics);
    }
    ~CCollectionNumerics() {
        if (m_previous) {
            m_collection.SetNumerics(*m_previous);
        } else {
            m_collection.FollowDefaultNumerics();
        }
    }
    CCollectionNumerics(const CCollectionNumerics&) = delete;
    CCollectionNumerics& operator=(const CCollectionNumerics&) = delete;

private:
    CDistCollection& m_collection;
    std::optional<ENumerics> m_previous;
};

std::vector<std::string> NamesOf(const CDistCollection& collection) {
    std::vector<std::string> names;
    for (int i = 0; i < collection.GetCount(); ++i) {
        const CDist* pDist = collection.GetDist(i);
        if (pDist == nullptr) {
            throw CReliabilityError("slot " + std::to_string(i) + " of the collection is empty");
        }
        names.push_back(pDist->GetVarName().str());
    }
    if (names.empty()) {
        throw CReliabilityError("the collection holds no variable");
    }
    return names;
}

} // namespace

CMonteCarlo::CMonteCarlo(CDistCollection& collection, const SLimitState& limitState)
    : CMonteCarlo(collection, limitState, SOptions{}) {}

CMonteCarlo::CMonteCarlo(CDistCollection& collection, const SLimitState& limitState,
                         SOptions options)
    : m_collection(collection), m_limitState(limitState), m_options(std::move(options)) {}

CMonteCarlo::SResult CMonteCarlo::Run() const {
    const auto started = std::chrono::steady_clock::now();
    if (m_options.nMaxCalls < 1 || m_options.nMaxCalls > INT_MAX) {
        throw CReliabilityError("the call budget of Monte Carlo must lie in 1 .. " +
                                std::to_string(INT_MAX));
    }
    const std::vector<std::string> names = NamesOf(m_collection);
    const int n = static_cast<int>(names.size());
    const ENumerics numerics = CUSpaceTransform::AnalysisNumerics(m_collection);
    const CNumericsScope scope(numerics);
    const CCollectionNumerics collectionNumerics(m_collection, numerics);
    CLimitStateEvaluator evaluator(m_limitState, names, m_options.nThreads, numerics);

    const int N = static_cast<int>(m_options.nMaxCalls);
    CCorrelationFactor factor; // refused here, not by a message box of the sampler
    CUSpaceTransform::FactorCorrelations(m_collection, factor);
    CExOr generator(m_options.seeds[0], m_options.seeds[1], m_options.seeds[2]);
    m_collection.InitSimulation(N, m_options.bLatinHypercube ? TRUE : FALSE, &generator);
    CFailureEstimate estimate;
    SResult result;
    result.bLatinHypercube = m_options.bLatinHypercube;
    std::vector<double> g(Count(CBatchSampler::RowsPerBatch(n)));
    CBatchSampler sampler(m_collection, m_options.nThreads);
    const SBatchDrawResult drawn = sampler.Draw(N, [&](const SSampleBatch& batch) {
        evaluator.EvaluatePhysical(batch.pRows, batch.nRows, g.data());
        for (int r = 0; r < batch.nRows; ++r) {
            estimate.Add(g[Count(r)] <= 0.0 ? 1.0 : 0.0);
        }
        result.bConverged = estimate.GetCoV() <= m_options.dTargetCoV;
        return !result.bConverged;
    });
    if (!drawn.bStopped && drawn.nDrawn < N) {
        throw CReliabilityError("the sampler stopped after " + std::to_string(drawn.nDrawn) +
                                " samples");
    }
    estimate.Fill(result);
    if (!result.bConverged) {
        result.strReason = "the budget of " + std::to_string(N) +
                           " calls ran out before the target coefficient of variation";
    }
    result.nCalls = evaluator.GetCalls();
    result.dSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return result;
}

} // namespace stochvar
