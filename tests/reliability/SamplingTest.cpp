// Monte Carlo, Latin hypercube, importance and subset sampling with fixed seeds on problems with
// known Pf: each estimate lies within 3 of its reported coefficients of variation of the exact
// value, counts its calls exactly and gives the same bits on 1 and 2 threads; over 50 seeds the
// spread of subset simulation matches the coefficient of variation it reports.

#include <stochvar/reliability/ImportanceSampling.h>
#include <stochvar/reliability/MonteCarlo.h>
#include <stochvar/reliability/SubsetSimulation.h>

#include "ReliabilitySupport.h"

using namespace stochvar;
using namespace stochvar::testing;

namespace {

enum class EMethod { MonteCarlo, LatinHypercube, Importance, Subset, SubsetMetropolis };

SReliabilityResult Analyse(EMethod method, SProblem& problem, const SLimitState& g, int nThreads) {
    const std::array<std::uint32_t, 3> seeds = {20240611u, 362436069u, 521288629u};
    if (method == EMethod::Importance) {
        CImportanceSampling::SOptions options;
        options.seeds = seeds, options.nThreads = options.form.nThreads = nThreads;
        return CImportanceSampling(problem.Transform(), g, options).Run();
    }
    if (method == EMethod::Subset || method == EMethod::SubsetMetropolis) {
        CSubsetSimulation::SOptions options;
        options.seeds = seeds, options.nThreads = nThreads;
        if (method == EMethod::SubsetMetropolis)
            options.chains = CSubsetSimulation::EChains::ModifiedMetropolis;
        return CSubsetSimulation(problem.Transform(), g, options).Run();
    }
    CMonteCarlo::SOptions options;
    options.bLatinHypercube = method == EMethod::LatinHypercube;
    options.seeds = seeds, options.nThreads = nThreads, options.nMaxCalls = 200000;
    return CMonteCarlo(problem.model.collection, g, options).Run();
}

struct SEstimate {
    const char* name;
    ProblemPtr (*make)();
    EMethod method;
};
const SEstimate kEstimates[] = {
    {"linear, Monte Carlo", LinearNormals, EMethod::MonteCarlo},
    {"linear, Latin hypercube", LinearNormals, EMethod::LatinHypercube},
    {"linear, importance", LinearNormals, EMethod::Importance},
    {"linear, subset", LinearNormals, EMethod::Subset},
    {"linear, subset by modified Metropolis", LinearNormals, EMethod::SubsetMetropolis},
    {"lognormal, importance", LogNormalRS, EMethod::Importance},
    {"lognormal, subset", LogNormalRS, EMethod::Subset},
    {"parabola, importance", [] { return Parabola(3.0, 0.2); }, EMethod::Importance},
    {"series system, Monte Carlo", SeriesSystem, EMethod::MonteCarlo},
    {"series system, subset", SeriesSystem, EMethod::Subset},
    {"series system, subset by modified Metropolis", SeriesSystem, EMethod::SubsetMetropolis},
    {"discrete, Monte Carlo", DiscreteLoad, EMethod::MonteCarlo},
    {"discrete, Latin hypercube", DiscreteLoad, EMethod::LatinHypercube},
    {"discrete, subset", DiscreteLoad, EMethod::Subset},
};

TEST(Sampling, EstimatesLieWithinThreeCoVsCountCallsAndIgnoreThreads) {
    for (const SEstimate& row : kEstimates) {
        SCOPED_TRACE(row.name);
        ProblemPtr problem = row.make();
        SCounted g(problem->g);
        const SReliabilityResult one = Analyse(row.method, *problem, g.limitState, 1);
        EXPECT_EQ(one.nCalls, g.nPoints);
        EXPECT_TRUE(one.bConverged) << one.strReason;
        EXPECT_EQ(one.strReason, ""); // a reason only for what did not converge
        EXPECT_TRUE(one.dCoV > 0.0 && one.dCoV <= 0.35) << one.dCoV;
        EXPECT_NEAR(one.dPf, problem->dExactPf, 3.0 * one.dCoV * one.dPf)
            << "exact " << problem->dExactPf << ", CoV " << one.dCoV;
        EXPECT_EQ(one.dBeta, -AccurateStdNormalInverse(one.dPf));
        const SReliabilityResult two = Analyse(row.method, *problem, g.limitState, 2);
        EXPECT_EQ(two.dPf, one.dPf); // bit for bit: neither is 0 or NaN
        EXPECT_EQ(two.dCoV, one.dCoV);
        EXPECT_EQ(two.nCalls, one.nCalls);
    }
}

// The Monte Carlo interval holds the exact Pf, and stays inside [0, 1] and above 0 with a
// handful of failures, where Pf -+ 1.96 sd would reach below 0.
TEST(Sampling, WilsonIntervalWithFewFailures) {
    ProblemPtr problem = LinearNormals();
    SCounted g(problem->g);
    CMonteCarlo::SOptions options;
    options.nMaxCalls = 2000;
    const CMonteCarlo::SResult few =
        CMonteCarlo(problem->model.collection, g.limitState, options).Run();
    ASSERT_TRUE(few.nFailures > 0 && few.nFailures < 8) << few.nFailures;
    EXPECT_LT(few.dPf - 1.96 * few.dCoV * few.dPf, 0.0);
    EXPECT_GT(few.dLower, 0.0);
    EXPECT_LT(few.dLower, problem->dExactPf);
    EXPECT_GT(few.dUpper, problem->dExactPf);
    const double n = 2000.0, p = few.dPf, z = 1.959963984540054;
    EXPECT_NEAR(few.dUpper,
                (p + z * z / (2 * n) + z * std::sqrt(p * (1 - p) / n + z * z / (4 * n * n))) /
                    (1 + z * z / n),
                1e-15);
}

// Importance sampling weighs each failure by phi(u) / phi(u - c), computed here from the two
// densities, and reports the variance of the mean of the weights.
TEST(Sampling, ImportanceWeightsAreTheDensityRatio) {
    ProblemPtr problem = Parabola(3.0, 0.2);
    SCounted g(problem->g, false);
    const std::vector<double>&rows = g.rows, &values = g.values;
    CImportanceSampling::SOptions options;
    options.centre = {0.5, 2.5};
    options.nMaxCalls = 3000;
    const CImportanceSampling::SResult r =
        CImportanceSampling(*problem->pTransform, g.limitState, options).Run();
    double sum = 0.0, sumSquares = 0.0;
    for (std::size_t p = 0; p < values.size(); ++p) {
        const double* u = &rows[2 * p];
        const double w = values[p] > 0.0 ? 0.0
                                         : Density(u[0]) * Density(u[1]) /
                                               (Density(u[0] - 0.5) * Density(u[1] - 2.5));
        sum += w, sumSquares += w * w;
    }
    const double N = static_cast<double>(values.size()), pf = sum / N;
    EXPECT_EQ(r.nSamples, 3000);
    EXPECT_NEAR(r.dPf, pf, 1e-12 * pf);
    EXPECT_NEAR(r.dCoV, std::sqrt((sumSquares / N - pf * pf) / N) / pf, 1e-9);
    EXPECT_LT(r.dLower, pf);
    EXPECT_GT(r.dUpper, pf);
}

// Over 50 seeds the relative spread of the estimates of subset simulation is the coefficient of
// variation it reports, within a factor 1.5 (each estimate's CoV accounts for the correlation of
// its chains and of its levels; without it it would claim less).
TEST(Sampling, SubsetSpreadOverSeedsMatchesReportedCoV) {
    ProblemPtr problem = LinearNormals();
    SCounted g(problem->g);
    CSubsetSimulation::SOptions options;
    double sum = 0.0, sumSquares = 0.0, sumCoV = 0.0;
    double gammaSum = 0.0, auBeck = 0.0, clustered = 0.0;
    int nLevels = 0;
    const int nSeeds = 50;
    for (int s = 0; s < nSeeds; ++s) {
        options.seeds = {static_cast<std::uint32_t>(1000 + s), 88675123u, 521288629u};
        const CSubsetSimulation::SResult r =
            CSubsetSimulation(problem->Transform(), g.limitState, options).Run();
        sum += r.dPf, sumSquares += r.dPf * r.dPf, sumCoV += r.dCoV;
        // The levels make up the report: thresholds falling to 0, Pf their product of
        // probabilities (p0 but the last), the calls their sum, and the CoV from the sum V of
        // their variances and covariances, sqrt(exp(V) - 1).
        double pf = 1.0, variance = 0.0, previous = 1e300;
        long long nCalls = 0;
        for (const CSubsetSimulation::SLevel& level : r.levels) {
            EXPECT_LT(level.dThreshold, previous);
            previous = level.dThreshold;
            if (&level != &r.levels.back()) {
                EXPECT_GE(level.dProbability, 0.1);  // more where a chain's repeated
                EXPECT_LT(level.dProbability, 0.11); // state sits at the threshold
            }
            pf *= level.dProbability;
            variance += level.dCoV * level.dCoV + level.dCrossVariance;
            // Level 0 has independent points and no chains.
            const bool bFirst = &level == &r.levels.front();
            EXPECT_EQ(std::isnan(level.dAcceptance), bFirst);
            EXPECT_TRUE(!bFirst || level.dGamma == 0.0) << level.dGamma;
            if (!bFirst) {
                EXPECT_GT(level.dAcceptance, 0.2);
                EXPECT_LT(level.dAcceptance, 0.8);
                gammaSum += level.dGamma;
                // The chain factor's variance of p against the clusters', which also hold the
                // correlation of chains from one parent chain: summed over the levels below.
                auBeck += (1.0 - level.dProbability) / (1000.0 * level.dProbability) *
                          (1.0 + level.dGamma);
                clustered += level.dCoV * level.dCoV;
                ++nLevels;
            }
            nCalls += level.nCalls;
        }
        EXPECT_EQ(previous, 0.0);
        EXPECT_EQ(pf, r.dPf);
        EXPECT_DOUBLE_EQ(std::sqrt(std::expm1(variance)), r.dCoV);
        EXPECT_EQ(nCalls, r.nCalls);
    }
    const double mean = sum / nSeeds;
    const double spread = std::sqrt((sumSquares - nSeeds * mean * mean) / (nSeeds - 1)) / mean;
    const double reported = sumCoV / nSeeds;
    EXPECT_GT(spread / reported, 1.0 / 1.5) << spread << " vs " << reported;
    EXPECT_LT(spread / reported, 1.5) << spread << " vs " << reported;
    EXPECT_NEAR(mean, problem->dExactPf, 3.0 * reported * problem->dExactPf / std::sqrt(nSeeds));
    // The states of a chain are positively correlated, and both estimates of a level's own
    // variance count that.
    EXPECT_GT(gammaSum / nLevels, 0.5) << gammaSum / nLevels;
    EXPECT_GT(clustered / auBeck, 1.0 / 1.5) << clustered << " vs " << auBeck;
    EXPECT_LT(clustered / auBeck, 1.5) << clustered << " vs " << auBeck;
}

// The stop fraction f ends a run at the first level of which at least f N p0 points fail. Runs
// of one seed with different f draw the same numbers until the smaller f stops: the same levels
// up to there, and a last p between f p0 and p0 where it stops earlier.
TEST(Sampling, SubsetStopsAtTheFirstLevelWithEnoughFailures) {
    ProblemPtr problem = LinearNormals();
    SCounted g(problem->g);
    const double kFractions[] = {1.0, 0.5, 0.1}; // falling
    const double p0 = 0.1;
    int nEarlier = 0;
    for (int s = 0; s < 8; ++s) {
        std::vector<CSubsetSimulation::SResult> runs;
        for (double f : kFractions) {
            CSubsetSimulation::SOptions options;
            options.seeds = {static_cast<std::uint32_t>(500 + s), 88675123u, 521288629u};
            options.dStopFraction = f;
            runs.push_back(CSubsetSimulation(problem->Transform(), g.limitState, options).Run());
            EXPECT_TRUE(runs.back().bConverged);
            EXPECT_GE(runs.back().levels.back().dProbability, f * p0);
        }
        for (std::size_t i = 1; i < runs.size(); ++i) {
            const auto& wider = runs[i - 1].levels;
            const auto& levels = runs[i].levels;
            ASSERT_LE(levels.size(), wider.size());
            for (std::size_t k = 0; k + 1 < levels.size(); ++k)
                EXPECT_EQ(levels[k].dThreshold, wider[k].dThreshold) << "seed " << s;
            if (levels.size() < wider.size()) {
                EXPECT_LT(levels.back().dProbability, p0);
            } else {
                EXPECT_EQ(runs[i].dPf, runs[i - 1].dPf);
            }
        }
        nEarlier += runs.back().levels.size() < runs.front().levels.size() ? 1 : 0;
    }
    // Pf = 1.4e-3: about 14 of the 1000 points of level 1 (P = 0.1) fail, so that f = 1/10
    // stops there and f = 1 a level later.
    EXPECT_GT(nEarlier, 0);
}

} // namespace
