// Correlated sampling: run states, consumption of the generator, the Cholesky factor, the error
// for a matrix that is not positive definite, Latin hypercube strata, statistics of seeded runs,
// re-initialisation with larger needs, and deep copies of a collection in the middle of a run.

#include <stochvar/families/Discrete.h>
#include <stochvar/numerics/ExOr.h>
#include <stochvar/numerics/StdNormal.h>
#include <stochvar/simulation/DistCollection.h>
#include <stochvar/simulation/Nataf.h>

#include "SimulationSupport.h"
#include "support/RecordingHooks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>
#include <vector>

using namespace stochvar;
using namespace stochvar::testing;

namespace {

constexpr double kPi = 3.141592653589793;
const CExOr kSeeded(123456789u, 362436069u, 521288629u);

// A collection that owns its variables, for brevity.
struct SCollection {
    std::vector<DistPtr> dists;
    CDistCollection collection;
    CDist* Add(DistPtr dist) {
        dists.push_back(std::move(dist));
        collection.AddDist(dists.back().get());
        return dists.back().get();
    }
    void AddNormals(int n) {
        for (int i = 0; i < n; ++i) Add(MakeNormal("N", 1.0 + i, 0.5 + i));
    }
};

// The next draws of two generators agree: they are in the same state.
void ExpectSameState(CExOr a, CExOr b) {
    for (int i = 0; i < 3; ++i) EXPECT_EQ(a.GetRandom(), b.GetRandom()) << "draw " << i;
}

std::vector<std::vector<double>> DrawAll(CDistCollection& collection, int nDists) {
    std::vector<std::vector<double>> columns(static_cast<std::size_t>(nDists));
    std::vector<double> values(static_cast<std::size_t>(nDists));
    int nSample = 0;
    while (collection.GetSample(nSample, values.data())) {
        for (int i = 0; i < nDists; ++i) columns[static_cast<std::size_t>(i)].push_back(values[static_cast<std::size_t>(i)]);
    }
    return columns;
}

TEST(GetSample, FalseBeforeInitialisationAndForAnEmptyRun) {
    SCollection s;
    s.AddNormals(2);
    int nSample = -1;
    double values[2] = {-1.0, -1.0};
    EXPECT_FALSE(s.collection.GetSample(nSample, values));
    CExOr generator = kSeeded;
    s.collection.InitSimulation(0, FALSE, &generator, nullptr);
    EXPECT_FALSE(s.collection.GetSample(nSample, values));
    s.collection.InitSimulation(0, TRUE, &generator, nullptr);
    EXPECT_FALSE(s.collection.GetSample(nSample, values));
    EXPECT_EQ(nSample, -1);
    EXPECT_EQ(values[0], -1.0);
    EXPECT_EQ(values[1], -1.0);
    ExpectSameState(generator, kSeeded); // nothing was drawn
}

struct SRunCase {
    const char* name;
    int nDists;
    int nSamples;
    BOOL bLatinHypercube;
    bool correlated;
};

class SimulationRun : public ::testing::TestWithParam<SRunCase> {};

// nSample counts 1 .. N, each sample takes exactly n draws, and the run ends after N samples
// without touching its arguments or the generator.
TEST_P(SimulationRun, CountsSamplesAndDrawsExactlyNPerSample) {
    const SRunCase& c = GetParam();
    SCollection s;
    s.AddNormals(c.nDists);
    if (c.correlated) {
        for (int i = 1; i < c.nDists; ++i) s.collection.SetCorr(s.dists[0].get(), s.dists[static_cast<std::size_t>(i)].get(), 0.3, FALSE);
    }
    CExOr generator = kSeeded;
    CExOr reference = kSeeded;
    s.collection.InitSimulation(c.nSamples, c.bLatinHypercube, &generator, nullptr);
    std::vector<double> values(static_cast<std::size_t>(c.nDists) + 1, 0.0);
    for (int expected = 1; expected <= c.nSamples; ++expected) {
        int nSample = 0;
        ASSERT_TRUE(s.collection.GetSample(nSample, values.data()));
        EXPECT_EQ(nSample, expected);
        for (int i = 0; i < c.nDists; ++i) reference.GetRandom();
        ExpectSameState(generator, reference);
        for (int i = 0; i < c.nDists; ++i) EXPECT_TRUE(std::isfinite(values[static_cast<std::size_t>(i)]));
    }
    int nSample = -7;
    values.assign(values.size(), -7.0);
    EXPECT_FALSE(s.collection.GetSample(nSample, values.data()));
    EXPECT_EQ(nSample, -7);
    for (double value : values) EXPECT_EQ(value, -7.0);
    ExpectSameState(generator, reference);
}

INSTANTIATE_TEST_SUITE_P(Cases, SimulationRun,
                         ::testing::Values(SRunCase{"OneVariablePlain", 1, 5, FALSE, false},
                                           SRunCase{"ThreeCorrelatedPlain", 3, 7, FALSE, true},
                                           SRunCase{"ThreeCorrelatedLatin", 3, 7, TRUE, true},
                                           SRunCase{"FiveLatinOneSample", 5, 1, TRUE, false},
                                           SRunCase{"NoVariables", 0, 3, TRUE, false}),
                         CaseName);

// Two standard normals with U-space correlation rho: y1 = z1, y2 = rho z1 + sqrt(1 - rho^2) z2
// (the 2 x 2 Cholesky factor in closed form).
TEST(GetSample, TwoCorrelatedNormalsFollowTheClosedFormFactor) {
    for (double rho : {-0.9, 0.25, 0.8}) {
        SCollection s;
        s.Add(MakeNormal("A", 0.0, 1.0));
        s.Add(MakeNormal("B", 10.0, 2.0));
        s.collection.SetCorr(s.dists[1].get(), s.dists[0].get(), rho, FALSE);
        CExOr generator = kSeeded;
        CExOr reference = kSeeded;
        s.collection.InitSimulation(50, FALSE, &generator, nullptr);
        double values[2];
        int nSample = 0;
        while (s.collection.GetSample(nSample, values)) {
            const double z1 = StdNormal(STDNORMAL_INVERSE, reference.GetRandom());
            const double z2 = StdNormal(STDNORMAL_INVERSE, reference.GetRandom());
            const double y2 = rho * z1 + std::sqrt(1.0 - rho * rho) * z2;
            EXPECT_EQ(values[0], s.dists[0]->GetInverse(StdNormal(STDNORMAL_CDF, z1)));
            EXPECT_NEAR(values[1], s.dists[1]->GetInverse(StdNormal(STDNORMAL_CDF, y2)), 1e-12);
        }
    }
}

// The factor satisfies L L^T = R with a positive diagonal; the buffer holds it row-major in its
// lower triangle.
TEST(InitSimulation, FactorReproducesTheMatrix) {
    SCollection s;
    s.AddNormals(4);
    const double R[4][4] = {{1.0, 0.5, -0.3, 0.2},
                            {0.5, 1.0, 0.1, 0.4},
                            {-0.3, 0.1, 1.0, -0.25},
                            {0.2, 0.4, -0.25, 1.0}};
    // Entries in either order of the pair; a later entry for a pair overrides an earlier one.
    s.collection.SetCorr(s.dists[1].get(), s.dists[3].get(), 0.9, FALSE);
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < i; ++j) {
            s.collection.SetCorr(s.dists[static_cast<std::size_t>((i + j) % 2 == 0 ? i : j)].get(), s.dists[static_cast<std::size_t>((i + j) % 2 == 0 ? j : i)].get(), R[i][j], FALSE);
        }
    }
    CExOr generator = kSeeded;
    CRecordingHooks hooks;
    s.collection.InitSimulation(1, FALSE, &generator, nullptr);
    EXPECT_TRUE(hooks.messages().empty());
    const double* L = s.collection.m_pCorrMatrix;
    for (int i = 0; i < 4; ++i) {
        EXPECT_GT(L[i * 4 + i], 0.0);
        for (int j = 0; j <= i; ++j) {
            double product = 0.0;
            for (int k = 0; k <= j; ++k) product += L[i * 4 + k] * L[j * 4 + k];
            EXPECT_NEAR(product, R[i][j], 1e-14) << i << ", " << j;
        }
    }
}

struct SNotDefiniteCase {
    const char* name;
    int nDists;
    std::vector<std::pair<std::pair<int, int>, double>> entries;
    int failingRow;
};

class InitSimulationNotDefinite : public ::testing::TestWithParam<SNotDefiniteCase> {};

TEST_P(InitSimulationNotDefinite, ShowsTheErrorAndStaysNotInitialised) {
    const SNotDefiniteCase& c = GetParam();
    SCollection s;
    s.AddNormals(c.nDists);
    for (const auto& [pair, rho] : c.entries) {
        s.collection.SetCorr(s.dists[static_cast<std::size_t>(pair.first)].get(), s.dists[static_cast<std::size_t>(pair.second)].get(), rho, FALSE);
    }
    CExOr generator = kSeeded;
    CRecordingHooks hooks;
    s.collection.InitSimulation(10, TRUE, &generator, nullptr);
    ASSERT_EQ(hooks.messages().size(), 1u);
    EXPECT_EQ(hooks.messages()[0], "ERROR:\nNegative definit correlation matrix starting at row " +
                                       std::to_string(c.failingRow) + " \n");
    EXPECT_EQ(hooks.recorded().messageStyles[0], MB_ICONEXCLAMATION | MB_OK);
    std::vector<double> values(static_cast<std::size_t>(c.nDists));
    int nSample = 0;
    EXPECT_FALSE(s.collection.GetSample(nSample, values.data()));
    ExpectSameState(generator, kSeeded);
}

INSTANTIATE_TEST_SUITE_P(
    Matrices, InitSimulationNotDefinite,
    ::testing::Values(
        SNotDefiniteCase{"ThreeByThree", 3, {{{0, 1}, 0.9}, {{0, 2}, 0.9}, {{1, 2}, -0.9}}, 2},
        SNotDefiniteCase{"UnitCorrelation", 2, {{{1, 0}, 1.0}}, 1},
        SNotDefiniteCase{"BeyondOne", 3, {{{0, 2}, -1.5}}, 2},
        SNotDefiniteCase{"NotANumber", 4, {{{3, 1}, std::nan("")}}, 3}),
    CaseName);

TEST(InitSimulation, FailedReinitialisationEndsTheEarlierRun) {
    SCollection s;
    s.AddNormals(3);
    s.collection.SetCorr(s.dists[0].get(), s.dists[1].get(), 0.9, FALSE);
    CExOr generator = kSeeded;
    CRecordingHooks hooks;
    s.collection.InitSimulation(10, FALSE, &generator, nullptr);
    double values[3];
    int nSample = 0;
    ASSERT_TRUE(s.collection.GetSample(nSample, values));

    s.collection.SetCorr(s.dists[0].get(), s.dists[2].get(), 0.9, FALSE);
    s.collection.SetCorr(s.dists[1].get(), s.dists[2].get(), -0.9, FALSE);
    s.collection.InitSimulation(10, FALSE, &generator, nullptr);
    EXPECT_EQ(hooks.messages().size(), 1u);
    EXPECT_FALSE(s.collection.GetSample(nSample, values));

    // Repairing the last entry makes the next run work again.
    s.collection.GetCorrArray()->GetAt(2)->dCorrU = 0.8;
    s.collection.InitSimulation(10, FALSE, &generator, nullptr);
    EXPECT_EQ(hooks.messages().size(), 1u);
    EXPECT_TRUE(s.collection.GetSample(nSample, values));
    EXPECT_EQ(nSample, 1);
}

// Entries outside the contract are skipped when the matrix is built: a variable paired with
// itself and indices that address no variable of the run. The run equals one without them.
TEST(InitSimulation, SelfPairsAndStaleIndicesAreSkipped) {
    SCollection plain, odd;
    plain.AddNormals(3);
    odd.AddNormals(3);
    plain.collection.SetCorr(plain.dists[0].get(), plain.dists[2].get(), 0.4, FALSE);
    odd.collection.SetCorr(odd.dists[0].get(), odd.dists[2].get(), 0.4, FALSE);
    odd.collection.SetCorr(odd.dists[1].get(), odd.dists[1].get(), 0.5, FALSE);
    ASSERT_EQ(odd.collection.GetCorrArray()->GetSize(), 2);
    EXPECT_EQ(odd.collection.GetCorrArray()->GetAt(1)->nIndex1, 1);
    EXPECT_EQ(odd.collection.GetCorrArray()->GetAt(1)->nIndex2, 1);
    for (auto [i1, i2] : {std::pair{-1, 0}, std::pair{2, 3}, std::pair{7, 1}, std::pair{-1, -1}}) {
        auto* pCorr = new SCorr;
        pCorr->nIndex1 = i1;
        pCorr->nIndex2 = i2;
        pCorr->dCorrU = 0.99;
        odd.collection.GetCorrArray()->Add(pCorr);
    }
    CExOr g1 = kSeeded, g2 = kSeeded;
    CRecordingHooks hooks;
    plain.collection.InitSimulation(25, TRUE, &g1, nullptr);
    odd.collection.InitSimulation(25, TRUE, &g2, nullptr);
    EXPECT_TRUE(hooks.messages().empty());
    EXPECT_EQ(DrawAll(plain.collection, 3), DrawAll(odd.collection, 3));
}

// Latin hypercube sampling.

// With no entries every output of a standard uniform variable is Phi(Phi^-1(v)), within 2e-4 of
// the stratified draw v. One value per stratum means that the k-th smallest of the N values lies
// in [k/N, (k+1)/N).
void ExpectOnePerStratum(std::vector<double> values, double tolerance) {
    const int N = static_cast<int>(values.size());
    std::sort(values.begin(), values.end());
    for (int k = 0; k < N; ++k) {
        const double v = values[static_cast<std::size_t>(k)];
        EXPECT_GE(v, static_cast<double>(k) / N - tolerance) << "rank " << k << " of " << N;
        EXPECT_LT(v, static_cast<double>(k + 1) / N + tolerance) << "rank " << k << " of " << N;
    }
}

class LatinHypercube : public ::testing::TestWithParam<int> {};

TEST_P(LatinHypercube, EveryStratumOnceForEveryVariable) {
    const int N = GetParam();
    SCollection s;
    for (int i = 0; i < 3; ++i) s.Add(MakeUniform("U"));
    CExOr generator(11u * static_cast<unsigned>(N), 22u, 33u);
    s.collection.InitSimulation(N, TRUE, &generator, nullptr);
    const auto columns = DrawAll(s.collection, 3);
    for (const auto& column : columns) {
        ASSERT_EQ(static_cast<int>(column.size()), N);
        ExpectOnePerStratum(column, 2e-4);
    }
    // The collection's own table records the strata in ascending order: 0 .. N-1 per row.
    std::vector<int> expected(static_cast<std::size_t>(N));
    std::iota(expected.begin(), expected.end(), 0);
    for (int i = 0; i < 3; ++i) {
        const int* row = s.collection.m_pStrata + i * N;
        EXPECT_EQ(std::vector<int>(row, row + N), expected) << "row " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(SampleCounts, LatinHypercube, ::testing::Values(1, 2, 10, 100, 1000));

// A caller's table is used as it is given (only its first m ints per row are read, so stale
// contents do no harm) and ends up recording every stratum once, also for correlated variables.
TEST(LatinHypercube, CallerTableWithStaleContents) {
    const int N = 40;
    SCollection s;
    s.AddNormals(3);
    s.collection.SetCorr(s.dists[0].get(), s.dists[1].get(), 0.7, FALSE);
    s.collection.SetCorr(s.dists[2].get(), s.dists[1].get(), -0.2, TRUE);
    std::vector<int> table(static_cast<std::size_t>(3 * N), 987654);
    CExOr generator = kSeeded;
    s.collection.InitSimulation(N, TRUE, &generator, table.data());
    EXPECT_EQ(s.collection.m_pStrata, table.data());
    const auto columns = DrawAll(s.collection, 3);
    ASSERT_EQ(columns[0].size(), static_cast<std::size_t>(N));
    std::vector<int> expected(static_cast<std::size_t>(N));
    std::iota(expected.begin(), expected.end(), 0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(std::vector<int>(table.begin() + i * N, table.begin() + (i + 1) * N), expected) << i;
    }
    // The first variable is not mixed by the factor: its values stay one per stratum.
    std::vector<double> p;
    for (double x : columns[0]) p.push_back(s.dists[0]->GetCumulative(x));
    ExpectOnePerStratum(p, 2e-4);
}

TEST(LatinHypercube, RestartedRunClearsTheOwnTable) {
    const int N = 10;
    SCollection s;
    s.Add(MakeUniform("U"));
    CExOr generator = kSeeded;
    s.collection.InitSimulation(N, TRUE, &generator, nullptr);
    DrawAll(s.collection, 1);
    s.collection.InitSimulation(N, TRUE, &generator, nullptr);
    EXPECT_EQ(std::count(s.collection.m_pStrata, s.collection.m_pStrata + N, 0), N);
    const auto columns = DrawAll(s.collection, 1);
    ExpectOnePerStratum(columns[0], 2e-4);
}

// Seeded statistics: 20,000 joint samples reproduce the target correlation within three standard
// errors of the sample correlation (delta-method error from the samples' own moments) and each
// mean within three standard errors. X-space entries target their given value; U-space entries
// target the X-space value of the exact relation for the pair.
struct SStatisticsCase {
    const char* name;
    PairFactory makePair;
    double corr;
    BOOL bXSpace;
    double target;
    BOOL bLatinHypercube;
};

class CorrelatedSampling : public ::testing::TestWithParam<SStatisticsCase> {};

TEST_P(CorrelatedSampling, OutputCorrelationMatchesTheTarget) {
    const SStatisticsCase& c = GetParam();
    SCollection s;
    auto [p1, p2] = c.makePair();
    CDist* a = s.Add(std::move(p1));
    CDist* b = s.Add(std::move(p2));
    CRecordingHooks hooks;
    s.collection.SetCorr(a, b, c.corr, c.bXSpace);
    EXPECT_TRUE(hooks.messages().empty());
    CExOr generator = kSeeded;
    s.collection.InitSimulation(20000, c.bLatinHypercube, &generator, nullptr);
    const auto columns = DrawAll(s.collection, 2);
    ASSERT_EQ(columns[0].size(), 20000u);

    const SCorrelationEstimate estimate = EstimateCorrelation(columns[0], columns[1]);
    EXPECT_NEAR(estimate.r, c.target, 3.0 * estimate.standardError)
        << "standard error " << estimate.standardError;
    for (int i = 0; i < 2; ++i) {
        const auto& column = columns[static_cast<std::size_t>(i)];
        const CDist* dist = s.dists[static_cast<std::size_t>(i)].get();
        const double mean = std::accumulate(column.begin(), column.end(), 0.0) / 20000.0;
        const double sd = dist->GetParamValue(PARAM_STDDEV);
        EXPECT_NEAR(mean, dist->GetParamValue(PARAM_MEAN), 3.0 * sd / std::sqrt(20000.0)) << i;
    }
}

const double kEpsL = std::sqrt(std::log(1.0 + 0.3 * 0.3)); // lognormal with COV 0.3

std::pair<DistPtr, DistPtr> Normals() { return {MakeNormal("A", 1.0, 2.0), MakeNormal("B", -3.0, 0.5)}; }
std::pair<DistPtr, DistPtr> Uniforms() { return {MakeUniform("A", 0.0, 1.0), MakeUniform("B", -5.0, 5.0)}; }
std::pair<DistPtr, DistPtr> Exponentials() { return {MakeExponential("A", 1.0), MakeExponential("B", 0.2, 3.0)}; }
std::pair<DistPtr, DistPtr> LogNormals() {
    return {MakeLogNormal("A", 10.0, 3.0), MakeLogNormal("B", 1.0, 0.3)};
}
std::pair<DistPtr, DistPtr> LogNormalNormal() { return {MakeLogNormal("A", 2.0, 0.6), MakeNormal("B")}; }
std::pair<DistPtr, DistPtr> UniformExponential() { return {MakeUniform("A", 2.0, 3.0), MakeExponential("B", 4.0)}; }

INSTANTIATE_TEST_SUITE_P(
    Pairs, CorrelatedSampling,
    ::testing::Values(
        SStatisticsCase{"NormalsU", Normals, 0.8, FALSE, 0.8, FALSE},
        SStatisticsCase{"NormalsULatin", Normals, -0.6, FALSE, -0.6, TRUE},
        SStatisticsCase{"NormalsX", Normals, 0.5, TRUE, 0.5, FALSE},
        SStatisticsCase{"UniformsX", Uniforms, 0.5, TRUE, 0.5, FALSE},
        SStatisticsCase{"UniformsU", Uniforms, 0.7, FALSE, 6.0 / kPi * std::asin(0.35), TRUE},
        SStatisticsCase{"ExponentialsX", Exponentials, 0.5, TRUE, 0.5, FALSE},
        SStatisticsCase{"ExponentialsNegativeXLatin", Exponentials, -0.5, TRUE, -0.5, TRUE},
        SStatisticsCase{"LogNormalsU", LogNormals, 0.6, FALSE,
                        (std::exp(0.6 * kEpsL * kEpsL) - 1.0) / (std::exp(kEpsL * kEpsL) - 1.0),
                        FALSE},
        SStatisticsCase{"LogNormalsX", LogNormals, -0.7, TRUE, -0.7, TRUE},
        SStatisticsCase{"LogNormalNormalX", LogNormalNormal, 0.7, TRUE, 0.7, FALSE},
        SStatisticsCase{"UniformExponentialX", UniformExponential, -0.6, TRUE, -0.6, FALSE}),
    CaseName);

TEST(CorrelatedSampling, ThreeVariablesAllPairs) {
    SCollection s;
    s.Add(MakeNormal("A"));
    s.Add(MakeUniform("B"));
    s.Add(MakeExponential("C"));
    const double target[3][3] = {{1.0, 0.5, -0.3}, {0.5, 1.0, 0.4}, {-0.3, 0.4, 1.0}};
    s.collection.SetCorr(s.dists[0].get(), s.dists[1].get(), target[0][1], TRUE);
    s.collection.SetCorr(s.dists[2].get(), s.dists[0].get(), target[0][2], TRUE);
    s.collection.SetCorr(s.dists[1].get(), s.dists[2].get(), target[1][2], TRUE);
    CExOr generator(5u, 6u, 7u);
    s.collection.InitSimulation(20000, TRUE, &generator, nullptr);
    const auto columns = DrawAll(s.collection, 3);
    for (int i = 0; i < 3; ++i) {
        for (int j = i + 1; j < 3; ++j) {
            const auto estimate = EstimateCorrelation(columns[static_cast<std::size_t>(i)], columns[static_cast<std::size_t>(j)]);
            EXPECT_NEAR(estimate.r, target[i][j], 3.0 * estimate.standardError) << i << ", " << j;
        }
    }
}

// Variables without stored moments take part without any NaN: a fixed value (no spread: its
// correlation is corrected to 0 with a warning) and a discrete variable (moments from the
// quadrature).
TEST(CorrelatedSampling, FixedAndDiscreteVariablesGiveNoNaN) {
    SCollection s;
    CDist* normal = s.Add(MakeNormal("N"));
    auto fixed = std::make_unique<CDist>(nullptr, "F", nullptr);
    fixed->SetParamValue(PARAM_MEAN, 7.5);
    CDist* pFixed = s.Add(std::move(fixed));
    auto discrete = std::make_unique<CDiscrete>(nullptr, "D", nullptr);
    discrete->AddCategory("low", 1.0);
    discrete->AddCategory("mid", 2.0);
    discrete->AddCategory("high", 1.0);
    CDist* pDiscrete = s.Add(std::move(discrete));

    CRecordingHooks hooks;
    s.collection.SetCorr(normal, pFixed, 0.5, TRUE);
    s.collection.SetCorr(pFixed, pDiscrete, -0.2, FALSE);
    s.collection.SetCorr(normal, pDiscrete, 0.6, TRUE);
    EXPECT_EQ(hooks.messages().size(), 1u); // the fixed value's correlation
    for (const SCorr* pCorr : *s.collection.GetCorrArray()) {
        EXPECT_TRUE(std::isfinite(pCorr->dCorrU));
        EXPECT_TRUE(std::isfinite(pCorr->dCorrX));
    }
    EXPECT_EQ(s.collection.GetCorrArray()->GetAt(0)->dCorrU, 0.0);
    EXPECT_EQ(s.collection.GetCorrArray()->GetAt(0)->dCorrX, 0.0);

    CExOr generator = kSeeded;
    s.collection.InitSimulation(5000, FALSE, &generator, nullptr);
    EXPECT_EQ(hooks.messages().size(), 1u);
    const auto columns = DrawAll(s.collection, 3);
    ASSERT_EQ(columns[1].size(), 5000u);
    for (double x : columns[1]) EXPECT_EQ(x, 7.5);
    for (double x : columns[2]) EXPECT_TRUE(x == 0.0 || x == 1.0 || x == 2.0) << x;
    // The normal and the category position are clearly positively correlated.
    EXPECT_GT(EstimateCorrelation(columns[0], columns[2]).r, 0.4);
}

// Re-initialisation: later runs that need more than the buffers of the first run get new ones
// (the address sanitizer build checks that nothing is written beyond them).
TEST(InitSimulation, LaterRunsWithLargerNeedsGetLargerBuffers) {
    SCollection s;
    s.Add(MakeUniform("U0"));
    s.Add(MakeUniform("U1"));
    CExOr generator = kSeeded;
    s.collection.InitSimulation(4, FALSE, &generator, nullptr);
    DrawAll(s.collection, 2);

    // Latin hypercube newly switched on.
    s.collection.InitSimulation(4, TRUE, &generator, nullptr);
    for (const auto& column : DrawAll(s.collection, 2)) ExpectOnePerStratum(column, 2e-4);

    // More samples.
    s.collection.InitSimulation(300, TRUE, &generator, nullptr);
    for (const auto& column : DrawAll(s.collection, 2)) ExpectOnePerStratum(column, 2e-4);

    // More variables, with correlations among the new ones.
    for (int i = 2; i < 6; ++i) s.Add(MakeUniform("U"));
    s.collection.SetCorr(s.dists[4].get(), s.dists[5].get(), 0.5, TRUE);
    s.collection.InitSimulation(500, TRUE, &generator, nullptr);
    const auto columns = DrawAll(s.collection, 6);
    ASSERT_EQ(columns[5].size(), 500u);
    for (int i = 0; i < 5; ++i) ExpectOnePerStratum(columns[static_cast<std::size_t>(i)], 2e-4);
    EXPECT_GT(EstimateCorrelation(columns[4], columns[5]).r, 0.35);

    // Fewer samples and variables again reuse the larger buffers.
    s.collection.InitSimulation(7, TRUE, &generator, nullptr);
    for (const auto& column : DrawAll(s.collection, 6)) EXPECT_EQ(column.size(), 7u);
}

TEST(GetSample, VariablesAddedDuringARunWaitForTheNextRun) {
    SCollection s;
    s.AddNormals(2);
    CExOr generator = kSeeded;
    CExOr reference = kSeeded;
    s.collection.InitSimulation(3, TRUE, &generator, nullptr);
    s.Add(MakeNormal("Late"));
    double values[3] = {0.0, 0.0, -1.0};
    int nSample = 0;
    ASSERT_TRUE(s.collection.GetSample(nSample, values));
    EXPECT_EQ(values[2], -1.0);
    reference.GetRandom();
    reference.GetRandom();
    ExpectSameState(generator, reference);

    // Variables taken away under a running sampler end the run instead of being read.
    s.collection.GetDistArray()->RemoveAll();
    EXPECT_FALSE(s.collection.GetSample(nSample, values));
}

// A deep copy made in the middle of a run continues it exactly like the source, from its own
// copies of the factor and the stratum table.
struct SCopyCase {
    const char* name;
    bool callerTable;
};

class DeepCopyDuringARun : public ::testing::TestWithParam<SCopyCase> {};

TEST_P(DeepCopyDuringARun, ContinuesLikeTheSource) {
    const int N = 30;
    auto source = std::make_unique<SCollection>();
    source->Add(MakeNormal("A"));
    source->Add(MakeExponential("B"));
    source->Add(MakeUniform("C"));
    source->collection.SetCorr(source->dists[0].get(), source->dists[1].get(), 0.6, TRUE);
    auto table = std::make_unique<std::vector<int>>(static_cast<std::size_t>(3 * N), 0);
    CExOr generator = kSeeded;
    source->collection.InitSimulation(N, TRUE, &generator,
                                      GetParam().callerTable ? table->data() : nullptr);
    double values[3];
    int nSample = 0;
    for (int k = 0; k < 10; ++k) ASSERT_TRUE(source->collection.GetSample(nSample, values));

    CDistCollection copy(&source->collection);
    const CExOr atCopy = generator;
    const auto fromSource = DrawAll(source->collection, 3);
    // Take the source's buffers and the caller's table away before the copy continues.
    source.reset();
    table.reset();
    generator = atCopy;
    const auto fromCopy = DrawAll(copy, 3);
    EXPECT_EQ(fromCopy, fromSource);
    ASSERT_EQ(fromCopy[0].size(), static_cast<std::size_t>(N - 10));
    for (int i = 0; i < copy.GetCount(); ++i) delete copy.GetDist(i);
}

// After the run the caller may release its table; a copy made then must not read it, and can
// start a Latin hypercube run of its own.
TEST(DeepCopy, AfterARunWithAReleasedCallerTable) {
    const int N = 12;
    SCollection source;
    source.AddNormals(2);
    auto table = std::make_unique<std::vector<int>>(static_cast<std::size_t>(2 * N), 0);
    CExOr generator = kSeeded;
    source.collection.InitSimulation(N, TRUE, &generator, table->data());
    DrawAll(source.collection, 2);
    table.reset();

    CDistCollection copy(&source.collection);
    double values[2];
    int nSample = 0;
    EXPECT_FALSE(copy.GetSample(nSample, values));
    copy.InitSimulation(N, TRUE, &generator, nullptr);
    const auto columns = DrawAll(copy, 2);
    ASSERT_EQ(columns[1].size(), static_cast<std::size_t>(N));
    for (int i = 0; i < copy.GetCount(); ++i) delete copy.GetDist(i);
}

TEST(GetSample, NothingWithoutAGenerator) {
    SCollection s;
    s.AddNormals(2);
    s.collection.InitSimulation(5, TRUE, nullptr, nullptr);
    double values[2] = {-1.0, -1.0};
    int nSample = -1;
    EXPECT_FALSE(s.collection.GetSample(nSample, values));
    EXPECT_EQ(nSample, -1);
    EXPECT_EQ(values[0], -1.0);
}

INSTANTIATE_TEST_SUITE_P(Tables, DeepCopyDuringARun,
                         ::testing::Values(SCopyCase{"OwnTable", false},
                                           SCopyCase{"CallerTable", true}),
                         CaseName);

} // namespace
