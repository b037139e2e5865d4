// Correlated sampling one sample at a time: run states and generator use, the Cholesky factor,
// matrices that are not positive definite, Latin hypercube strata, statistics of seeded runs,
// re-initialisation, copies in the middle of a run, and no allocation while drawing.

#include <stochvar/numerics/StdNormal.h>

#include "CountingAllocator.h"
#include "SimulationSupport.h"
#include "support/RecordingHooks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <numeric>
#include <string>
#include <tuple>
#include <vector>

using namespace stochvar;
using namespace stochvar::testing;

namespace {

// nSample counts 1 .. N, each sample takes exactly n draws, and a run that cannot give a sample
// (not initialised, empty, exhausted, without a generator) leaves its arguments and the
// generator alone.
TEST(GetSample, CountsSamplesAndDrawsExactlyNPerSample) {
    struct SCase { int nDists, nSamples; BOOL bLatin; bool bCorrelated; };
    for (const SCase& c : {SCase{1, 5, FALSE, false}, {3, 7, FALSE, true}, {3, 7, TRUE, true},
                           {5, 1, TRUE, false}, {0, 3, TRUE, false}, {2, 0, FALSE, false},
                           {2, 0, TRUE, false}}) {
        SCollection s;
        s.AddNormals(c.nDists);
        for (int i = 1; c.bCorrelated && i < c.nDists; ++i) s.Correlate(0, i, 0.3, FALSE);
        std::vector<double> values(static_cast<std::size_t>(c.nDists) + 1, -7.0);
        int nSample = -7;
        EXPECT_FALSE(s.collection.GetSample(nSample, values.data()));
        s.collection.InitSimulation(c.nSamples, c.bLatin, nullptr, nullptr);
        EXPECT_FALSE(s.collection.GetSample(nSample, values.data()));
        CExOr generator = kSeeded, reference = kSeeded;
        s.collection.InitSimulation(c.nSamples, c.bLatin, &generator, nullptr);
        for (int expected = 1; expected <= c.nSamples; ++expected) {
            ASSERT_TRUE(s.collection.GetSample(nSample, values.data()));
            EXPECT_EQ(nSample, expected);
            for (int i = 0; i < c.nDists; ++i) reference.GetRandom();
            ExpectSameState(generator, reference);
        }
        nSample = -7;
        values.assign(values.size(), -7.0);
        EXPECT_FALSE(s.collection.GetSample(nSample, values.data()));
        EXPECT_EQ(nSample, -7);
        EXPECT_EQ(values, std::vector<double>(values.size(), -7.0));
        ExpectSameState(generator, reference);
    }
}

// Two normals with U-space correlation rho: y1 = z1, y2 = rho z1 + sqrt(1 - rho^2) z2, the
// 2 x 2 Cholesky factor in closed form.
TEST(GetSample, TwoCorrelatedNormalsFollowTheClosedFormFactor) {
    for (double rho : {-0.9, 0.25, 0.8}) {
        SCollection s;
        s.Add(MakeNormal("A", 0.0, 1.0));
        s.Add(MakeNormal("B", 10.0, 2.0));
        s.Correlate(1, 0, rho, FALSE);
        CExOr generator = kSeeded, reference = kSeeded;
        s.collection.InitSimulation(50, FALSE, &generator, nullptr);
        double values[2];
        for (int nSample = 0; s.collection.GetSample(nSample, values);) {
            const double z1 = StdNormal(STDNORMAL_INVERSE, reference.GetRandom());
            const double z2 = StdNormal(STDNORMAL_INVERSE, reference.GetRandom());
            const double y2 = rho * z1 + std::sqrt(1.0 - rho * rho) * z2;
            EXPECT_EQ(values[0], s.Dist(0)->GetInverse(StdNormal(STDNORMAL_CDF, z1)));
            EXPECT_NEAR(values[1], s.Dist(1)->GetInverse(StdNormal(STDNORMAL_CDF, y2)), 1e-12);
        }
    }
}

// L L^T = R with a positive diagonal, in the lower triangle of the row-major buffer. Entries
// count in either order of the pair, and a later entry for a pair overrides an earlier one.
TEST(InitSimulation, FactorReproducesTheMatrix) {
    SCollection s;
    s.AddNormals(4);
    const double R[4][4] = {{1.0, 0.5, -0.3, 0.2}, {0.5, 1.0, 0.1, 0.4},
                            {-0.3, 0.1, 1.0, -0.25}, {0.2, 0.4, -0.25, 1.0}};
    s.Correlate(1, 3, 0.9, FALSE);
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < i; ++j) {
            const bool bSwap = (i + j) % 2 == 1;
            s.Correlate(bSwap ? j : i, bSwap ? i : j, R[i][j], FALSE);
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

// A pivot that is not positive (or not a number) shows the error box with its row and leaves the
// collection not initialised, also when an earlier run was ready; a repaired matrix runs again.
TEST(InitSimulation, MatrixNotPositiveDefinite) {
    struct SCase { int nDists; std::vector<std::tuple<int, int, double>> entries; int nRow; };
    const SCase cases[] = {{3, {{0, 1, 0.9}, {0, 2, 0.9}, {1, 2, -0.9}}, 2}, {2, {{1, 0, 1.0}}, 1},
                           {3, {{0, 2, -1.5}}, 2}, {4, {{3, 1, std::nan("")}}, 3}};
    for (const SCase& c : cases) {
        SCollection s;
        s.AddNormals(c.nDists);
        CExOr generator = kSeeded;
        CRecordingHooks hooks;
        s.collection.InitSimulation(10, TRUE, &generator, nullptr); // a run that was ready
        for (const auto& [i, j, rho] : c.entries) s.Correlate(i, j, rho, FALSE);
        s.collection.InitSimulation(10, TRUE, &generator, nullptr);
        ASSERT_EQ(hooks.messages().size(), 1u);
        const std::string expected = "ERROR:\nNegative definit correlation matrix starting at row ";
        EXPECT_EQ(hooks.messages()[0], expected + std::to_string(c.nRow) + " \n");
        EXPECT_EQ(hooks.recorded().messageStyles[0], MB_ICONEXCLAMATION | MB_OK);
        std::vector<double> values(static_cast<std::size_t>(c.nDists));
        int nSample = 0;
        EXPECT_FALSE(s.collection.GetSample(nSample, values.data()));
        ExpectSameState(generator, kSeeded);
        for (SCorr* pCorr : s.collection.m_Corrs) pCorr->dCorrU = 0.3;
        s.collection.InitSimulation(10, FALSE, &generator, nullptr);
        EXPECT_EQ(hooks.messages().size(), 1u);
        EXPECT_TRUE(s.collection.GetSample(nSample, values.data()));
        EXPECT_EQ(nSample, 1);
    }
}

// Entries that pair a variable with itself or address no variable of the run are skipped: the
// run equals one without them.
TEST(InitSimulation, SelfPairsAndStaleIndicesAreSkipped) {
    SCollection plain, odd;
    plain.AddNormals(3);
    odd.AddNormals(3);
    plain.Correlate(0, 2, 0.4, FALSE);
    odd.Correlate(0, 2, 0.4, FALSE);
    odd.Correlate(1, 1, 0.5, FALSE);
    ASSERT_EQ(odd.collection.GetCorrArray()->GetSize(), 2);
    for (auto [i1, i2] : {std::pair{-1, 0}, {2, 3}, {7, 1}, {-1, -1}}) {
        auto* pCorr = new SCorr;
        pCorr->nIndex1 = i1, pCorr->nIndex2 = i2, pCorr->dCorrU = 0.99;
        odd.collection.GetCorrArray()->Add(pCorr);
    }
    CExOr g1 = kSeeded, g2 = kSeeded;
    CRecordingHooks hooks;
    plain.collection.InitSimulation(25, TRUE, &g1, nullptr);
    odd.collection.InitSimulation(25, TRUE, &g2, nullptr);
    EXPECT_TRUE(hooks.messages().empty());
    EXPECT_EQ(DrawAll(plain.collection, 3), DrawAll(odd.collection, 3));
}

// Without entries a standard uniform variable gives Phi(Phi^-1(v)), within 2e-4 of the
// stratified v: one value per stratum means that the k-th smallest lies in [k/N, (k+1)/N).
void ExpectOnePerStratum(std::vector<double> values) {
    const double N = static_cast<double>(values.size());
    std::sort(values.begin(), values.end());
    for (std::size_t k = 0; k < values.size(); ++k) {
        EXPECT_GE(values[k], static_cast<double>(k) / N - 2e-4) << "rank " << k << " of " << N;
        EXPECT_LT(values[k], static_cast<double>(k + 1) / N + 2e-4) << "rank " << k << " of " << N;
    }
}

// The table holds every stratum once per row, ascending, after the run.
void ExpectFullTable(const int* table, int nDists, int N) {
    std::vector<int> expected(static_cast<std::size_t>(N));
    std::iota(expected.begin(), expected.end(), 0);
    for (int i = 0; i < nDists; ++i) {
        EXPECT_EQ(std::vector<int>(table + i * N, table + (i + 1) * N), expected) << i;
    }
}

TEST(LatinHypercube, EveryStratumOnceForEveryVariable) {
    for (int N : {1, 2, 10, 100, 1000}) {
        SCollection s;
        for (int i = 0; i < 3; ++i) s.Add(MakeUniform("U"));
        CExOr generator(11u * static_cast<unsigned>(N), 22u, 33u);
        for (int nRun = 0; nRun < 2; ++nRun) { // a restarted run clears the own table
            s.collection.InitSimulation(N, TRUE, &generator, nullptr);
            for (const auto& column : DrawAll(s.collection, 3)) ExpectOnePerStratum(column);
            ExpectFullTable(s.collection.m_pStrata, 3, N);
        }
    }
}

// 20,000 seeded joint samples reproduce the target correlation within three standard errors of
// the sample correlation (from the samples' own moments) and each mean within three standard
// errors. X-space entries target their value; U-space entries the exact X-space value.
TEST(CorrelatedSampling, OutputCorrelationAndMeansMatchTheTargets) {
    const double kPi = std::numbers::pi, e = std::sqrt(std::log(1.0 + 0.3 * 0.3)); // COV 0.3
    const auto normals = [] { return DistPair{MakeNormal("A", 1.0, 2.0), MakeNormal("B", -3.0)}; };
    const auto uniforms = [] { return DistPair{MakeUniform("A"), MakeUniform("B", -5.0, 5.0)}; };
    const auto logNormals = [] {
        return DistPair{MakeLogNormal("A", 10.0, 3.0), MakeLogNormal("B", 1.0, 0.3)};
    };
    const auto withExponential = [] {
        return DistPair{MakeUniform("A", 2.0, 3.0), MakeExponential("B", 0.2, 3.0)};
    };
    struct SCase {
        std::function<DistPair()> make;
        double corr;
        BOOL bX;
        double target;
        BOOL bLhs;
    };
    const SCase cases[] = {
        {normals, -0.6, FALSE, -0.6, TRUE},
        {uniforms, 0.7, FALSE, 6.0 / kPi * std::asin(0.35), TRUE},
        {withExponential, -0.5, TRUE, -0.5, TRUE},
        {logNormals, 0.6, FALSE, (std::exp(0.6 * e * e) - 1.0) / (std::exp(e * e) - 1.0), FALSE},
        {logNormals, -0.7, TRUE, -0.7, TRUE},
        {withExponential, 0.6, TRUE, 0.6, FALSE},
    };
    for (const SCase& c : cases) {
        SCollection s;
        auto [p1, p2] = c.make();
        s.Add(std::move(p1));
        s.Add(std::move(p2));
        CRecordingHooks hooks;
        s.Correlate(0, 1, c.corr, c.bX);
        EXPECT_TRUE(hooks.messages().empty());
        CExOr generator = kSeeded;
        s.collection.InitSimulation(20000, c.bLhs, &generator, nullptr);
        const auto columns = DrawAll(s.collection, 2);
        ASSERT_EQ(columns[0].size(), 20000u);
        const SCorrelationEstimate estimate = EstimateCorrelation(columns[0], columns[1]);
        EXPECT_NEAR(estimate.r, c.target, 3.0 * estimate.standardError) << c.corr;
        for (int i = 0; i < 2; ++i) {
            const double mean = std::accumulate(columns[i].begin(), columns[i].end(), 0.0) / 2e4;
            EXPECT_NEAR(mean, s.Dist(i)->GetParamValue(PARAM_MEAN),
                        3.0 * s.Dist(i)->GetParamValue(PARAM_STDDEV) / std::sqrt(20000.0)) << i;
        }
    }
}

// Later runs that need more than the buffers of the first (Latin hypercube sampling newly on, more
// samples, more variables) get larger ones, and smaller runs reuse them; the address sanitizer
// build checks that nothing is written beyond them.
TEST(InitSimulation, LaterRunsWithLargerNeedsGetLargerBuffers) {
    SCollection s;
    s.Add(MakeUniform("U0"));
    s.Add(MakeUniform("U1"));
    CExOr generator = kSeeded;
    s.collection.InitSimulation(4, FALSE, &generator, nullptr);
    DrawAll(s.collection, 2);
    for (int N : {4, 300}) {
        s.collection.InitSimulation(N, TRUE, &generator, nullptr);
        for (const auto& column : DrawAll(s.collection, 2)) ExpectOnePerStratum(column);
    }
    for (int i = 2; i < 6; ++i) s.Add(MakeUniform("U"));
    s.Correlate(4, 5, 0.5, TRUE);
    s.collection.InitSimulation(500, TRUE, &generator, nullptr);
    const auto columns = DrawAll(s.collection, 6);
    for (int i = 0; i < 5; ++i) ExpectOnePerStratum(columns[static_cast<std::size_t>(i)]);
    EXPECT_GT(EstimateCorrelation(columns[4], columns[5]).r, 0.35);
    s.collection.InitSimulation(7, TRUE, &generator, nullptr);
    EXPECT_EQ(DrawAll(s.collection, 6)[5].size(), 7u);
}

// Variables added during a run wait for the next run; variables taken away end it.
TEST(GetSample, VariablesAddedOrRemovedDuringARun) {
    SCollection s;
    s.AddNormals(2);
    CExOr generator = kSeeded, reference = kSeeded;
    s.collection.InitSimulation(3, TRUE, &generator, nullptr);
    s.Add(MakeNormal("Late"));
    double values[3] = {0.0, 0.0, -1.0};
    int nSample = 0;
    ASSERT_TRUE(s.collection.GetSample(nSample, values));
    EXPECT_EQ(values[2], -1.0);
    reference.Discard(2);
    ExpectSameState(generator, reference);
    s.collection.GetDistArray()->RemoveAll();
    EXPECT_FALSE(s.collection.GetSample(nSample, values));
}

// A deep copy made in the middle of a run continues it exactly like the source, from its own
// copies of the factor and the stratum table, with the entries copied field by field. After the
// run the caller may release its table: a copy made then does not read it and can start a run.
TEST(DeepCopy, ContinuesARunLikeTheSource) {
    const int N = 30;
    for (bool bCallerTable : {false, true}) {
        auto source = std::make_unique<SCollection>();
        source->Add(MakeNormal("A"));
        source->Add(MakeExponential("B"));
        source->Add(MakeUniform("C"));
        source->Correlate(0, 1, 0.6, TRUE);
        auto table = std::make_unique<std::vector<int>>(3 * N, 0);
        CExOr generator = kSeeded;
        int* pTable = bCallerTable ? table->data() : nullptr;
        source->collection.InitSimulation(N, TRUE, &generator, pTable);
        double values[3];
        int nSample = 0;
        for (int k = 0; k < 10; ++k) ASSERT_TRUE(source->collection.GetSample(nSample, values));
        CDistCollection copy(&source->collection);
        const SCorr *pCopied = copy.m_Corrs[0], *pOriginal = source->collection.m_Corrs[0];
        EXPECT_NE(pCopied, pOriginal);
        EXPECT_EQ(std::tuple(pCopied->nIndex1, pCopied->nIndex2, pCopied->pDist1, pCopied->dCorrU),
                  std::tuple(0, 1, source->Dist(0), pOriginal->dCorrU));
        const CExOr atCopy = generator;
        const auto fromSource = DrawAll(source->collection, 3);
        table.reset();
        CDistCollection late(&source->collection);
        source.reset(); // the source's buffers go away too
        generator = atCopy;
        const auto fromCopy = DrawAll(copy, 3);
        EXPECT_EQ(fromCopy, fromSource);
        EXPECT_EQ(fromCopy[0].size(), static_cast<std::size_t>(N - 10));
        EXPECT_FALSE(late.GetSample(nSample, values));
        late.InitSimulation(N, TRUE, &generator, nullptr);
        EXPECT_EQ(DrawAll(late, 3)[2].size(), static_cast<std::size_t>(N));
        for (CDistCollection* p : {&copy, &late})
            for (int i = 0; i < p->GetCount(); ++i) delete p->GetDist(i);
    }
}

// GetSample, and GetSamples on one thread, allocate nothing: every buffer comes from
// InitSimulation.
TEST(NoAllocation, DuringARun) {
    struct SCase { int nDists; BOOL bLatin; bool bCallerTable, bBatches; };
    for (const SCase& c : {SCase{12, FALSE, false, false}, {12, TRUE, false, false},
                           {1, FALSE, false, false}, {12, TRUE, true, false},
                           {12, FALSE, false, true}, {12, TRUE, false, true}}) {
        const int N = 200;
        SCollection s;
        for (int i = 0; i < c.nDists; ++i) {
            s.Add(i % 4 == 0 ? MakeNormal("N", 1.0, 2.0) : i % 4 == 1 ? MakeUniform("U")
                  : i % 4 == 2 ? MakeExponential("E") : MakeLogNormal("L", 3.0, 1.0));
            if (i > 0) s.Correlate(0, i, 0.3, FALSE);
        }
        std::vector<int> table(static_cast<std::size_t>(N * c.nDists));
        std::vector<double> values(static_cast<std::size_t>(7 * c.nDists));
        CExOr generator;
        s.collection.InitSimulation(N, c.bLatin, &generator, c.bCallerTable ? &table[0] : nullptr);
        const long before = AllocationCount();
        { const std::vector<double> probe(8, 1.0); } // the counter must see allocations
        ASSERT_EQ(AllocationCount(), before + 1);
        const long atStart = AllocationCount();
        int nDrawn = 0, nSample = 0;
        if (c.bBatches) {
            for (int n; (n = s.collection.GetSamples(7, values.data(), 1)) > 0;) nDrawn += n;
        } else {
            while (s.collection.GetSample(nSample, values.data())) ++nDrawn;
        }
        EXPECT_EQ(AllocationCount(), atStart);
        EXPECT_EQ(nDrawn, N);
    }
}

} // namespace
