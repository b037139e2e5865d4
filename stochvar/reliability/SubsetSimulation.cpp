#include <stochvar/reliability/SubsetSimulation.h>

#include <stochvar/reliability/LimitStateEvaluator.h>
#include <stochvar/reliability/NormalStream.h>
#include <stochvar/reliability/ReliabilityError.h>
#include <stochvar/reliability/Transform.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <limits>
#include <numeric>

namespace stochvar {

namespace {

std::size_t Count(int n) { return static_cast<std::size_t>(n); }

} // namespace

// Points of u with their g, chain by chain: chain c holds states c L .. c L + L - 1.
struct CSubsetSimulation::SPoints {
    int nChains = 0;
    int nLength = 0;
    int m = 0;
    std::vector<double> U;
    std::vector<double> G;

    int Size() const { return nChains * nLength; }
    const double* Row(int p) const { return U.data() + Count(p) * Count(m); }
};

namespace {

// gamma of Au and Beck (2001), eq. 29: 2 sum_k (1 - k Nc / N) rho(k) over the lags k of the
// chains, rho(k) the correlation of the indicator I(g <= b) between states k apart.
double CorrelationFactor(const std::vector<double>& G, int nChains, int nLength, double b,
                         double p) {
    const double R0 = p * (1.0 - p);
    if (!(R0 > 0.0)) {
        return 0.0;
    }
    const double N = static_cast<double>(nChains) * nLength;
    const auto I = [&](int c, int s) {
        return G[Count(c) * Count(nLength) + Count(s)] <= b ? 1.0 : 0.0;
    };
    double gamma = 0.0;
    for (int k = 1; k < nLength; ++k) {
        double sum = 0.0;
        for (int c = 0; c < nChains; ++c) {
            for (int s = 0; s + k < nLength; ++s) {
                sum += I(c, s) * I(c, s + k);
            }
        }
        const double Rk = sum / (N - k * static_cast<double>(nChains)) - p * p;
        gamma += 2.0 * (1.0 - k * static_cast<double>(nChains) / N) * Rk / R0;
    }
    return gamma;
}

} // namespace

CSubsetSimulation::CSubsetSimulation(const CTransform& transform, const SLimitState& limitState)
    : CSubsetSimulation(transform, limitState, SOptions{}) {}

CSubsetSimulation::CSubsetSimulation(const CTransform& transform, const SLimitState& limitState,
                                     SOptions options)
    : m_transform(transform), m_limitState(limitState), m_options(std::move(options)) {}

void CSubsetSimulation::CheckOptions() const {
    const int N = m_options.nSamplesPerLevel;
    const double seeds = N * m_options.dP0;
    const int nSeeds = static_cast<int>(std::lround(seeds));
    if (N < 2 || !(m_options.dP0 > 0.0 && m_options.dP0 <= 0.5) || nSeeds < 1 ||
        std::fabs(seeds - nSeeds) > 1e-9 * seeds || N % nSeeds != 0) {
        throw CReliabilityError("subset simulation needs 0 < p0 <= 0.5 and N p0 a whole number "
                                "that divides N (N = " +
                                std::to_string(N) + ", p0 = " + std::to_string(m_options.dP0) +
                                ")");
    }
    if (m_options.nMaxLevels < 1 || !(m_options.dAdaptationFraction > 0.0) ||
        !(m_options.dInitialScale > 0.0)) {
        throw CReliabilityError("subset simulation needs at least one level, and a positive "
                                "scale and adaptation fraction");
    }
}

CSubsetSimulation::SPoints CSubsetSimulation::GrowChains(CLimitStateEvaluator& evaluator,
                                                         CNormalStream& normals,
                                                         const SPoints& seeds, double b,
                                                         double& lambda, SLevel& level) const {
    const int m = seeds.m;
    const int nSeeds = seeds.Size();
    const int nLength = m_options.nSamplesPerLevel / nSeeds;
    // The spread of the seeds along each coordinate.
    std::vector<double> spread(Count(m), 1.0);
    for (int k = 0; nSeeds > 1 && k < m; ++k) {
        double mean = 0.0;
        for (int c = 0; c < nSeeds; ++c) {
            mean += seeds.Row(c)[k];
        }
        mean /= nSeeds;
        double sum = 0.0;
        for (int c = 0; c < nSeeds; ++c) {
            sum += (seeds.Row(c)[k] - mean) * (seeds.Row(c)[k] - mean);
        }
        spread[Count(k)] = std::sqrt(sum / (nSeeds - 1));
    }
    // The seeds in random order (Fisher and Yates), so that the groups do not follow g.
    std::vector<int> order(Count(nSeeds));
    std::iota(order.begin(), order.end(), 0);
    for (int i = nSeeds - 1; i > 0; --i) {
        const int j = std::min(i, static_cast<int>(normals.NextUniform() * (i + 1)));
        std::swap(order[Count(i)], order[Count(j)]);
    }
    SPoints next{nSeeds, nLength, m, std::vector<double>(Count(nSeeds * nLength) * Count(m)),
                 std::vector<double>(Count(nSeeds * nLength))};
    for (int c = 0; c < nSeeds; ++c) {
        const int from = order[Count(c)];
        std::copy_n(seeds.Row(from), m,
                    next.U.begin() + static_cast<std::ptrdiff_t>(Count(c * nLength) * Count(m)));
        next.G[Count(c * nLength)] = seeds.G[Count(from)];
    }

    const int nGroup = std::max(1, static_cast<int>(nSeeds * m_options.dAdaptationFraction));
    const long long nCallsBefore = evaluator.GetCalls();
    long long nAccepted = 0;
    std::vector<double> sigma(Count(m));
    std::vector<double> rho(Count(m));
    std::vector<double> V(Count(nGroup) * Count(m));
    std::vector<double> X(Count(nGroup) * Count(m_transform.GetVariableCount()));
    std::vector<double> GV(Count(nGroup));
    int nAdaptation = 1;
    for (int first = 0; first < nSeeds; first += nGroup) {
        const int nChains = std::min(nGroup, nSeeds - first);
        for (int k = 0; k < m; ++k) {
            sigma[Count(k)] = std::min(1.0, lambda * spread[Count(k)]);
            rho[Count(k)] = std::sqrt(1.0 - sigma[Count(k)] * sigma[Count(k)]);
        }
        long long nGroupAccepted = 0;
        for (int s = 1; s < nLength; ++s) {
            for (int c = 0; c < nChains; ++c) {
                const double* u = next.Row((first + c) * nLength + s - 1);
                for (int k = 0; k < m; ++k) {
                    V[Count(c) * Count(m) + Count(k)] =
                        rho[Count(k)] * u[k] + sigma[Count(k)] * normals.Next();
                }
            }
            evaluator.EvaluateStandard(V.data(), nChains, X.data(), GV.data());
            for (int c = 0; c < nChains; ++c) {
                const int p = (first + c) * nLength + s;
                const bool bAccepted = GV[Count(c)] <= b;
                const double* from = bAccepted ? V.data() + Count(c) * Count(m) : next.Row(p - 1);
                std::copy_n(from, m,
                            next.U.begin() + static_cast<std::ptrdiff_t>(Count(p) * Count(m)));
                next.G[Count(p)] = bAccepted ? GV[Count(c)] : next.G[Count(p - 1)];
                nGroupAccepted += bAccepted ? 1 : 0;
            }
        }
        const double acceptance =
            static_cast<double>(nGroupAccepted) / (static_cast<double>(nChains) * (nLength - 1));
        lambda = std::exp(std::log(lambda) + (acceptance - m_options.dTargetAcceptance) /
                                                 std::sqrt(static_cast<double>(nAdaptation)));
        ++nAdaptation;
        nAccepted += nGroupAccepted;
    }
    level.dAcceptance =
        static_cast<double>(nAccepted) / (static_cast<double>(nSeeds) * (nLength - 1));
    level.dScale = lambda;
    level.nCalls = evaluator.GetCalls() - nCallsBefore;
    return next;
}

CSubsetSimulation::SResult CSubsetSimulation::Run() const {
    const auto started = std::chrono::steady_clock::now();
    CheckOptions();
    const int N = m_options.nSamplesPerLevel;
    const int nSeeds = static_cast<int>(std::lround(N * m_options.dP0));
    const int m = m_transform.GetDimension();
    const CNumericsScope scope(m_transform.GetNumerics());
    CLimitStateEvaluator evaluator(m_limitState, m_transform, m_options.nThreads);
    CNormalStream normals(m_options.seeds);

    // Level 0: independent points, N chains of one state.
    SPoints points{N, 1, m, std::vector<double>(Count(N) * Count(m)),
                   std::vector<double>(Count(N))};
    for (double& u : points.U) {
        u = normals.Next();
    }
    std::vector<double> X(Count(N) * Count(m_transform.GetVariableCount()));
    evaluator.EvaluateStandard(points.U.data(), N, X.data(), points.G.data());

    SResult result;
    SLevel level;
    level.nCalls = N;
    double lambda = m_options.dInitialScale;
    double previous = std::numeric_limits<double>::infinity();
    double pf = 1.0;
    double variance = 0.0;
    for (;;) {
        std::vector<int> order(Count(N));
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(),
                         [&](int a, int b) { return points.G[Count(a)] < points.G[Count(b)]; });
        double b = 0.5 * (points.G[Count(order[Count(nSeeds - 1)])] +
                          points.G[Count(order[Count(nSeeds)])]);
        const bool bLast = b <= 0.0 || b >= previous ||
                           static_cast<int>(result.levels.size()) + 1 == m_options.nMaxLevels;
        if (b <= 0.0) {
            result.bConverged = true;
        } else if (b >= previous) {
            result.strReason = "the thresholds stopped falling at level " +
                               std::to_string(result.levels.size()) + ": g is flat there";
        } else if (bLast) {
            result.strReason =
                "g <= 0 was not reached in " + std::to_string(m_options.nMaxLevels) + " levels";
        }
        b = bLast ? 0.0 : b;
        const double p = static_cast<double>(std::count_if(points.G.begin(), points.G.end(),
                                                           [&](double g) { return g <= b; })) /
                         N;
        level.dThreshold = b;
        level.dProbability = p;
        level.dGamma = CorrelationFactor(points.G, points.nChains, points.nLength, b, p);
        level.dCoV = p > 0.0 ? std::sqrt((1.0 - p) / (N * p) * (1.0 + level.dGamma))
                             : std::numeric_limits<double>::infinity();
        result.levels.push_back(level);
        pf *= p;
        variance += level.dCoV * level.dCoV;
        if (bLast) {
            break;
        }
        previous = b;
        SPoints seeds{nSeeds, 1, m, {}, {}};
        for (int i = 0; i < nSeeds; ++i) {
            const int from = order[Count(i)];
            seeds.U.insert(seeds.U.end(), points.Row(from), points.Row(from) + m);
            seeds.G.push_back(points.G[Count(from)]);
        }
        level = SLevel{};
        points = GrowChains(evaluator, normals, seeds, b, lambda, level);
    }
    result.SetPf(pf);
    result.dCoV = std::sqrt(variance);
    result.nCalls = evaluator.GetCalls();
    result.dSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return result;
}

} // namespace stochvar
