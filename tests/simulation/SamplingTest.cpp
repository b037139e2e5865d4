// Correlated sampling one sample at a time: run states and generator use, matrices that are not
// positive definite, Latin hypercube strata, statistics of seeded runs, re-initialisation, and
// copies in the middle of a run. The factor itself: CorrelationFactorTest.cpp.

#include "SimulationSupport.h"

#include <numeric>

using namespace stochvar;
using namespace stochvar::testing;

namespace {

// nSample counts 1 .. N and each sample takes exactly n draws, also when a variable is added
// during the run (it waits for the next run). A run that cannot give a sample (not initialised,
// empty, exhausted, without a generator, or with its variables taken away) leaves its arguments
// and the generator alone.
TEST(GetSample, CountsSamplesAndDrawsExactlyNPerSample) {
    struct SCase {
        int nDists, nSamples;
        BOOL bLatin;
        bool bCorrelated;
    };
    for (const SCase& c : {SCase{1, 5, FALSE, false},
                           {3, 7, FALSE, true},
                           {3, 7, TRUE, true},
                           {5, 1, TRUE, false},
                           {0, 3, TRUE, false},
                           {2, 0, FALSE, false},
                           {2, 0, TRUE, false}}) {
        SCollection s;
        s.AddNormals(c.nDists);
        for (int i = 1; c.bCorrelated && i < c.nDists; ++i)
            s.Correlate(0, i, 0.3, FALSE);
        const std::size_t n = static_cast<std::size_t>(c.nDists);
        std::vector<double> values(n + 1, -7.0);
        int nSample = -7;
        CExOr generator = kSeeded, reference = kSeeded;
        const auto ExpectNoSample = [&] {
            nSample = -7;
            values.assign(n + 1, -7.0);
            EXPECT_FALSE(s.collection.GetSample(nSample, values.data()));
            EXPECT_EQ(std::pair(nSample, values), std::pair(-7, std::vector<double>(n + 1, -7.0)));
            ExpectSameState(generator, reference);
        };
        ExpectNoSample();
        s.collection.InitSimulation(c.nSamples, c.bLatin, nullptr, nullptr);
        ExpectNoSample();
        s.collection.InitSimulation(c.nSamples, c.bLatin, &generator, nullptr);
        s.Add(MakeNormal("Late"));
        for (int expected = 1; expected <= c.nSamples; ++expected) {
            ASSERT_TRUE(s.collection.GetSample(nSample, values.data()));
            EXPECT_EQ(std::pair(nSample, values[n]), std::pair(expected, -7.0));
            reference.Discard(n);
            ExpectSameState(generator, reference);
        }
        ExpectNoSample();
        s.collection.InitSimulation(c.nSamples, c.bLatin, &generator, nullptr);
        s.collection.GetDistArray()->RemoveAll();
        ExpectNoSample();
    }
}

// A pivot that is not positive (or not a number) shows the error box with its row and leaves the
// collection not initialised, also when an earlier run was ready, without a factor or a reference
// to that run's stratum table, which its caller may release; a repaired matrix runs again.
TEST(InitSimulation, MatrixNotPositiveDefinite) {
    struct SCase {
        int nDists;
        std::vector<std::tuple<int, int, double>> entries;
        int nRow;
    };
    const SCase cases[] = {{3, {{0, 1, 0.9}, {0, 2, 0.9}, {1, 2, -0.9}}, 2},
                           {2, {{1, 0, 1.0}}, 1},
                           {3, {{0, 2, -1.5}}, 2},
                           {4, {{3, 1, std::nan("")}}, 3}};
    for (const SCase& c : cases) {
        SCollection s;
        s.AddNormals(c.nDists);
        CExOr generator = kSeeded;
        CRecordingHooks hooks;
        std::vector<int> table(static_cast<std::size_t>(10 * c.nDists));
        s.collection.InitSimulation(10, TRUE, &generator, table.data()); // a run that was ready
        for (const auto& [i, j, rho] : c.entries)
            s.Correlate(i, j, rho, FALSE);
        s.collection.InitSimulation(10, TRUE, &generator, nullptr);
        ASSERT_EQ(hooks.messages().size(), 1u);
        EXPECT_EQ(hooks.messages()[0],
                  "ERROR:\nNegative definit correlation matrix starting at row " +
                      std::to_string(c.nRow) + " \n");
        EXPECT_EQ(hooks.recorded().messageStyles[0], MB_ICONEXCLAMATION | MB_OK);
        std::vector<double> values(static_cast<std::size_t>(c.nDists));
        int nSample = 0;
        EXPECT_FALSE(s.collection.GetSample(nSample, values.data()));
        EXPECT_NE(s.collection.GetStrata(), table.data());
        EXPECT_FALSE(s.collection.m_bExternalStrata);
        EXPECT_EQ(s.collection.m_pCorrMatrix, nullptr);
        ExpectSameState(generator, kSeeded);
        for (SCorr* pCorr : s.collection.m_Corrs)
            pCorr->dCorrU = 0.3;
        s.collection.InitSimulation(10, FALSE, &generator, nullptr);
        EXPECT_EQ(hooks.messages().size(), 1u);
        EXPECT_TRUE(s.collection.GetSample(nSample, values.data()));
        EXPECT_EQ(nSample, 1);
    }
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

// Every stratum once for every variable, and the own table holds each once per row, ascending,
// after the run. Later runs that need more than the buffers of the first (Latin hypercube
// sampling newly on, more samples, more variables) get larger ones, smaller runs reuse them, and
// a restarted run clears the table; the address sanitizer build checks that nothing is written
// beyond them.
TEST(LatinHypercube, EveryStratumOnceInRunsOfGrowingNeeds) {
    SCollection s;
    s.Add(MakeUniform("U0"));
    s.Add(MakeUniform("U1"));
    CExOr generator = kSeeded;
    s.collection.InitSimulation(4, FALSE, &generator, nullptr);
    DrawAll(s.collection, 2);
    const auto ExpectFullRuns = [&](int nDists, int N) {
        s.collection.InitSimulation(N, TRUE, &generator, nullptr);
        const auto columns = DrawAll(s.collection, nDists);
        std::vector<int> expected(static_cast<std::size_t>(N));
        std::iota(expected.begin(), expected.end(), 0);
        for (int i = 0; i < nDists; ++i) {
            if (i < 5)
                ExpectOnePerStratum(columns[static_cast<std::size_t>(i)]);
            const int* row = s.collection.m_pStrata + i * N;
            EXPECT_EQ(std::vector<int>(row, row + N), expected) << N << ", " << i;
        }
        return columns;
    };
    for (int N : {4, 1, 2, 10, 300, 1000, 1000})
        ExpectFullRuns(2, N);
    for (int i = 2; i < 6; ++i)
        s.Add(MakeUniform("U"));
    s.Correlate(4, 5, 0.5, TRUE);
    const auto columns = ExpectFullRuns(6, 500);
    EXPECT_GT(EstimateCorrelation(columns[4], columns[5]).r, 0.35);
    EXPECT_EQ(ExpectFullRuns(6, 7)[5].size(), 7u);
}

// 20,000 seeded joint samples reproduce the target correlation within three standard errors of
// the sample correlation (from the samples' own moments) and each mean within three standard
// errors. X-space entries target their value; U-space entries the exact X-space value.
TEST(CorrelatedSampling, OutputCorrelationAndMeansMatchTheTargets) {
    const double kPi = std::numbers::pi, e = std::sqrt(std::log(1.0 + 0.3 * 0.3)); // COV 0.3
    using FMake = DistPair (*)();
    const FMake normals = [] { return DistPair{MakeNormal("A", 1.0, 2.0), MakeNormal("B", -3.0)}; };
    const FMake uniforms = [] { return DistPair{MakeUniform("A"), MakeUniform("B", -5.0, 5.0)}; };
    const FMake logNormals = [] {
        return DistPair{MakeLogNormal("A", 10.0, 3.0), MakeLogNormal("B", 1.0, 0.3)};
    };
    const FMake withExponential = [] {
        return DistPair{MakeUniform("A", 2.0, 3.0), MakeExponential("B", 0.2, 3.0)};
    };
    struct SCase {
        FMake make;
        double corr;
        BOOL bX;
        double target;
        BOOL bLhs;
    };
    for (const SCase& c :
         {SCase{normals, -0.6, FALSE, -0.6, TRUE},
          {uniforms, 0.7, FALSE, 6.0 / kPi * std::asin(0.35), TRUE},
          {withExponential, -0.5, TRUE, -0.5, TRUE},
          {logNormals, 0.6, FALSE, (std::exp(0.6 * e * e) - 1.0) / (std::exp(e * e) - 1.0), FALSE},
          {logNormals, -0.7, TRUE, -0.7, TRUE},
          {withExponential, 0.6, TRUE, 0.6, FALSE}}) {
        SCollection s;
        auto [p1, p2] = c.make();
        s.Add(std::move(p1)), s.Add(std::move(p2));
        CRecordingHooks hooks;
        s.Correlate(0, 1, c.corr, c.bX);
        EXPECT_TRUE(hooks.messages().empty());
        CExOr generator = kSeeded;
        s.collection.InitSimulation(20000, c.bLhs, &generator, nullptr);
        const auto columns = DrawAll(s.collection, 2);
        const SCorrelationEstimate estimate = EstimateCorrelation(columns[0], columns[1]);
        EXPECT_NEAR(estimate.r, c.target, 3.0 * estimate.standardError) << c.corr;
        for (int i = 0; i < 2; ++i) {
            const auto& column = columns[static_cast<std::size_t>(i)];
            EXPECT_NEAR(std::accumulate(column.begin(), column.end(), 0.0) / 2e4,
                        s.Dist(i)->GetParamValue(PARAM_MEAN),
                        3.0 * s.Dist(i)->GetParamValue(PARAM_STDDEV) / std::sqrt(2e4))
                << i;
        }
    }
}

// A deep copy made in the middle of a run continues it exactly like the source, from its own
// copies of the factor, the stratum table and the numerics, with the entries copied field by
// field. After the run the caller may release its table: a copy made then does not read it and
// can start a run.
TEST(DeepCopy, ContinuesARunLikeTheSource) {
    const int N = 30;
    for (bool bCallerTable : {false, true}) {
        auto source = std::make_unique<SCollection>();
        source->Add(MakeNormal("A"));
        source->Add(MakeExponential("B"));
        source->Add(MakeUniform("C"));
        source->Correlate(0, 1, 0.6, TRUE);
        source->collection.SetNumerics(ENumerics::Accurate);
        auto table = std::make_unique<std::vector<int>>(3 * N, 0);
        CExOr generator = kSeeded;
        int* pTable = bCallerTable ? table->data() : nullptr;
        source->collection.InitSimulation(N, TRUE, &generator, pTable);
        double values[3];
        int nSample = 0;
        for (int k = 0; k < 10; ++k)
            ASSERT_TRUE(source->collection.GetSample(nSample, values));
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
            for (int i = 0; i < p->GetCount(); ++i)
                delete p->GetDist(i);
    }
}

} // namespace
