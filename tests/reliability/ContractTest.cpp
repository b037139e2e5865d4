// What the analyses promise beside their numbers: the transform and the sampler, refusals,
// exceptions of the limit state, several starts and the line search of FORM, gradients, stops.

#include <stochvar/families/Gumbel.h>
#include <stochvar/reliability/Form.h>
#include <stochvar/reliability/ImportanceSampling.h>
#include <stochvar/reliability/MonteCarlo.h>
#include <stochvar/reliability/ReliabilityError.h>
#include <stochvar/reliability/Sorm.h>
#include <stochvar/reliability/SubsetSimulation.h>

#include "ReliabilitySupport.h"

using namespace stochvar;
using namespace stochvar::testing;

namespace {

// Normal, fixed, lognormal, Gumbel and uniform variables, correlated in U- and X-space.
void AddMixed(SCollection& model) {
    model.Add(MakeNormal("N", 1.0, 2.0));
    model.Add(MakeFixed("F", 3.0));
    model.Add(MakeLogNormal("L", 3.0, 1.0));
    model.Add(std::make_unique<CGumbel>(nullptr, "G", nullptr));
    model.Add(MakeUniform("U", -1.0, 1.0));
    model.Correlate(0, 2, 0.6, FALSE);
    model.Correlate(2, 3, -0.3, TRUE);
    model.Correlate(0, 4, 0.4, TRUE);
}

// The sampler's values from its z, the Jacobian against differences of ToPhysical, and the
// round trip through ToStandard.
TEST(Transform, IsTheSamplersPathFromZ) {
    SCollection model;
    AddMixed(model);
    model.collection.SetNumerics(ENumerics::Accurate);
    const CUSpaceTransform transform(model.collection);
    ASSERT_EQ(transform.GetDimension(), 4);
    CExOr generator(11u, 22u, 33u), copy = generator;
    model.collection.InitSimulation(200, FALSE, &generator);
    double sample[5], x[5], u[4], back[4], J[20], JInverse[20];
    for (int nSample = 0; model.collection.GetSample(nSample, sample);) {
        for (int i = 0, k = 0; i < 5; ++i) {
            const double z = AccurateStdNormalInverse(copy.GetRandom());
            if (i != 1)
                u[k++] = z;
        }
        transform.ToPhysical(u, x);
        for (int i = 0; i < 5; ++i)
            ASSERT_EQ(x[i], sample[i]) << "sample " << nSample << ", " << i;
        transform.ToStandard(x, back);
        for (int k = 0; k < 4; ++k)
            EXPECT_NEAR(back[k], u[k], 1e-9 * (1 + std::fabs(u[k])));
        if (nSample % 50 != 0)
            continue;
        transform.GetJacobian(u, J);
        transform.GetInverseJacobian(u, JInverse);
        for (int k = 0; k < 4; ++k) {
            double up[5], down[5], v[4];
            std::copy_n(u, 4, v), v[k] += 1e-5, transform.ToPhysical(v, up);
            v[k] -= 2e-5, transform.ToPhysical(v, down);
            for (int i = 0; i < 5; ++i)
                EXPECT_NEAR(J[i * 4 + k], (up[i] - down[i]) / 2e-5,
                            1e-6 * (1 + std::fabs(J[i * 4 + k])));
            for (int l = 0; l < 4; ++l) { // du/dx dx/du = I
                double s = 0.0;
                for (int i = 0; i < 5; ++i)
                    s += JInverse[k * 5 + i] * J[i * 4 + l];
                EXPECT_NEAR(s, k == l ? 1.0 : 0.0, 1e-12);
            }
        }
    }
}

// The standard normal space is its own physical space: both Jacobians are the identity, every
// element written (the buffers come in holding NaN).
TEST(Transform, TheStandardNormalSpaceHasIdentityJacobians) {
    const CStandardNormalSpace space(3);
    const double u[3] = {0.5, -1.0, 2.0};
    for (const bool bInverse : {false, true}) {
        double J[9];
        std::fill_n(J, 9, std::nan(""));
        bInverse ? space.GetInverseJacobian(u, J) : space.GetJacobian(u, J);
        for (int i = 0; i < 9; ++i)
            EXPECT_EQ(J[i], i % 4 == 0 ? 1.0 : 0.0) << i << (bInverse ? " inverse" : "");
    }
}

// Monte Carlo hands g the rows that the collection's batch sampler gives for the same seeds and
// numerics (accurate unless the collection chose its own), for plain and Latin hypercube
// sampling, on 1 and 2 threads; the collection keeps its numerics setting.
TEST(MonteCarlo, DrawsTheSamplersSamples) {
    for (const bool bLatin : {false, true}) {
        for (const int nThreads : {1, 2}) {
            const bool bFaithful = nThreads == 2;
            SCollection model;
            AddMixed(model);
            if (bFaithful)
                model.collection.SetNumerics(ENumerics::Faithful);
            SCounted g([](const double* x) { return 9.0 - x[0]; }, false);
            const std::vector<double>& rows = g.rows;
            CMonteCarlo::SOptions options;
            options.bLatinHypercube = bLatin, options.seeds = {5u, 6u, 7u};
            options.nMaxCalls = 100000, options.nThreads = nThreads; // two batches
            const CMonteCarlo::SResult result =
                CMonteCarlo(model.collection, g.limitState, options).Run();
            EXPECT_EQ(model.collection.FollowsDefaultNumerics(), !bFaithful);
            model.collection.SetNumerics(bFaithful ? ENumerics::Faithful : ENumerics::Accurate);
            CExOr generator(5u, 6u, 7u);
            model.collection.InitSimulation(100000, bLatin, &generator);
            std::vector<double> expected(rows.size());
            model.collection.GetSamples(static_cast<int>(result.nCalls), expected.data());
            EXPECT_EQ(rows, expected) << bLatin << nThreads;
            EXPECT_EQ(static_cast<long long>(rows.size()), 5 * result.nCalls);
        }
    }
}

struct SCallbackFault {}; // thrown by a limit state, not a std::exception

// The message of the CReliabilityError that run throws.
std::string Refusal(const std::function<void()>& run) {
    try {
        run();
    } catch (const CReliabilityError& e) {
        return e.what();
    }
    return "no error";
}

// Refusals name what is wrong: a method that cannot handle a variable, a value of g that is not
// a number (at the point where it happened), options out of range, a fixed variable that is
// correlated.
TEST(Analyses, RefuseWithMessages) {
    ProblemPtr discrete = DiscreteLoad(), linear = LinearNormals(), correlated = LinearNormals();
    SCounted g(discrete->g);
    SCounted nan([](const double* x) { return x[0] > 11.0 ? std::nan("") : 1.0; }, false);
    const std::vector<double>& rows = nan.rows;
    CForm::SOptions badStart;
    CSubsetSimulation::SOptions badP0, noStop;
    CImportanceSampling::SOptions noBatch;
    badStart.starts = {{1.0, 2.0}}, badP0.dP0 = 0.3, noBatch.nBatchSize = 0;
    noStop.dStopFraction = 0.0;
    CForm::SResult planar; // a converged FORM result of two coordinates
    planar.bConverged = true, planar.alpha = {0.0, 1.0};
    ProblemPtr indefinite = LinearNormals(); // X0-X1 0.5, X1-X2 -0.3 and now X0-X2 0.9
    indefinite->model.Correlate(0, 3, 0.9, FALSE);
    correlated->model.collection.SetCorr(correlated->model.Dist(1), correlated->model.Dist(2), 0.2,
                                         FALSE);
    const std::pair<std::function<void()>, std::string> kRefusals[] = {
        {[&] { CForm(discrete->Transform(), g.limitState).Run(); },
         "FORM needs continuous variables, but 'D' is discrete"},
        {[&] { CSorm(discrete->Transform(), g.limitState).Run(); }, "SORM needs continuous"},
        {[&] { CForm(linear->Transform(), g.limitState, badStart).Run(); },
         "needs 3 coordinates, not 2"},
        {[&] { CSubsetSimulation(linear->Transform(), g.limitState, badP0).Run(); },
         "N p0 a whole number that divides N (N = 1000, p0 = 0.3"},
        {[&] { CSubsetSimulation(linear->Transform(), g.limitState, noStop).Run(); },
         "a stop fraction f with 0 < f <= 1 (f = 0"},
        {[&] { CImportanceSampling(linear->Transform(), g.limitState, noBatch).Run(); },
         "a batch size of at least 1"},
        {[&] { CSorm(linear->Transform(), g.limitState).Run(planar); },
         "the FORM result belongs to a problem of 2 coordinates, not 3"},
        {[&] { CMonteCarlo(indefinite->model.collection, g.limitState).Run(); },
         "not positive definite: its factorisation fails at variable 'X2'"},
        {[&] { CUSpaceTransform{correlated->model.collection}; },
         "'F' and 'X1' are correlated in U-space, but one of them is fixed"},
    };
    for (const auto& [run, expected] : kRefusals) {
        const std::string message = Refusal(run);
        EXPECT_NE(message.find(expected), std::string::npos) << message;
    }
    badP0.dP0 = 0.5; // the largest p0 allowed
    EXPECT_EQ(Refusal([&] { CSubsetSimulation(linear->Transform(), g.limitState, badP0).Run(); }),
              "no error");
    // A NaN of subset simulation's first batch: at its first row beyond X0 = 11, all values.
    const std::string message =
        Refusal([&] { CSubsetSimulation(linear->Transform(), nan.limitState).Run(); });
    std::size_t r = 0;
    while (rows[r] <= 11.0)
        r += 4;
    char point[200];
    std::snprintf(point, sizeof point, "g is nan at (X0 = %.17g, F = 7, X1 = %.17g, X2 = %.17g)",
                  rows[r], rows[r + 2], rows[r + 3]);
    EXPECT_EQ(message, point);
}

// A callback's own exception reaches the caller unchanged from every method on 1 and 2 threads
// (and the sanitizer build finds nothing leaked).
TEST(Analyses, PassCallbackExceptions) {
    for (const int nThreads : {1, 2}) {
        ProblemPtr problem = LinearNormals();
        SCounted faulty([](const double* x) {
            if (x[0] > 13.0)
                throw SCallbackFault{};
            return 1.0;
        });
        const CTransform& transform = problem->Transform();
        CImportanceSampling::SOptions centred;
        centred.centre = {1.0, 0.0, 0.0}, centred.nThreads = nThreads, centred.nBatchSize = 1;
        CMonteCarlo::SOptions mc;
        CSubsetSimulation::SOptions subset;
        mc.nThreads = subset.nThreads = nThreads;
        EXPECT_THROW(CImportanceSampling(transform, faulty.limitState, centred).Run(),
                     SCallbackFault);
        EXPECT_THROW(CMonteCarlo(problem->model.collection, faulty.limitState, mc).Run(),
                     SCallbackFault);
        EXPECT_THROW(CSubsetSimulation(transform, faulty.limitState, subset).Run(), SCallbackFault);
    }
}

// Subset simulation stops where g is flat below its last threshold (g = 1 for u1 < 0, else 2:
// the second level is all 1) and says so; FORM stops where the gradient vanishes.
TEST(Analyses, StopWhereGIsFlat) {
    const CStandardNormalSpace space(2);
    SCounted steps([](const double* u) { return u[0] < 0.0 ? 1.0 : 2.0; });
    const CSubsetSimulation::SResult subset = CSubsetSimulation(space, steps.limitState).Run();
    EXPECT_FALSE(subset.bConverged);
    EXPECT_EQ(subset.strReason, "the thresholds stopped falling at level 1: g is flat there");
    EXPECT_EQ(subset.dPf, 0.0);
    SCounted constant([](const double*) { return 1.0; });
    const CForm::SResult form = CForm(space, constant.limitState).Run();
    EXPECT_FALSE(form.bConverged);
    EXPECT_EQ(form.strReason, "the gradient of g vanishes at the point reached: no direction");
}

// Two starts on g = 9 - u1^2 find its two design points (+-3, 0) and say so; a single start
// finds one.
TEST(Form, SeveralStartsAndLineSearch) {
    const CStandardNormalSpace space(2);
    SCounted g([](const double* u) { return 9.0 - u[0] * u[0]; });
    CForm::SOptions options;
    options.starts = {{1.0, 0.5}, {-1.0, 0.5}};
    const CForm::SResult both = CForm(space, g.limitState, options).Run();
    ASSERT_EQ(both.searches.size(), 2u);
    EXPECT_NEAR(both.searches[0].u[0], 3.0, 1e-3);
    EXPECT_NEAR(both.searches[1].u[0], -3.0, 1e-3);
    EXPECT_NEAR(both.searches[1].dBeta, 3.0, 1e-3);
    EXPECT_TRUE(both.bDistinctDesignPoints);
    EXPECT_NEAR(both.dBeta, 3.0, 1e-3);
    options.starts.pop_back();
    EXPECT_FALSE(CForm(space, g.limitState, options).Run().bDistinctDesignPoints);
    // From (1, 0) on g = 3 - u2 + u1^2 / 2 full steps overshoot: the line search shortens them
    // (single trial points) and the search still ends at (0, 3).
    SCounted curved([](const double* u) { return 3.0 - u[1] + 0.5 * u[0] * u[0]; });
    options.starts = {{1.0, 0.0}};
    const CForm::SResult r = CForm(space, curved.limitState, options).Run();
    EXPECT_TRUE(r.bConverged);
    EXPECT_NEAR(r.dBeta, 3.0, 2e-3);
    EXPECT_GT(r.nCalls, 3 * r.nIterations);
}

// The caller's gradient replaces the differences: one point of g and one of the gradient per
// iteration, the same beta. Central differences agree too. A search cut short says why.
TEST(Form, CallerGradientCentralDifferencesAndStops) {
    ProblemPtr problem = LinearNormals();
    SCounted g(problem->g);
    const CForm::SResult differences = CForm(problem->Transform(), g.limitState).Run();
    SCounted withGradient(problem->g);
    withGradient.limitState.gradient = [](const double*, int nPoints, int nVars, double* grad) {
        for (int p = 0; p < nPoints; ++p)
            std::copy_n(std::begin({-1.0, 1.0, -2.0, 3.0}), nVars, grad + p * nVars);
    };
    const CForm::SResult analytic = CForm(problem->Transform(), withGradient.limitState).Run();
    EXPECT_NEAR(analytic.dBeta, differences.dBeta, 1e-9);
    EXPECT_EQ(analytic.nCalls, analytic.nIterations);
    EXPECT_EQ(analytic.nGradientCalls, analytic.nIterations);
    CForm::SOptions central;
    central.differences = CForm::EDifferences::Central;
    const CForm::SResult c = CForm(problem->Transform(), g.limitState, central).Run();
    EXPECT_NEAR(c.dBeta, differences.dBeta, 1e-9);
    EXPECT_EQ(c.nCalls, c.nIterations * (2 * 3 + 1));

    ProblemPtr rs = LogNormalRS();
    SCounted h(rs->g);
    CForm::SOptions once;
    once.nMaxIterations = 1;
    const CForm::SResult stopped = CForm(rs->Transform(), h.limitState, once).Run();
    EXPECT_FALSE(stopped.bConverged);
    EXPECT_EQ(stopped.strReason, "no convergence in 1 iterations");
}

} // namespace
