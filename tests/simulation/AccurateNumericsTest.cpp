// Accurate numerics in the collection: the computed Gauss-Hermite rule, the closed forms of the
// Nataf mapping, Latin hypercube strata at large N, and the collection's choice against the
// process default, on worker threads too.

#include <stochvar/numerics/AccurateStdNormal.h>
#include <stochvar/numerics/ExOr.h>
#include <stochvar/numerics/Numerics.h>
#include <stochvar/numerics/StdNormal.h>
#include <stochvar/simulation/DistCollection.h>
#include <stochvar/simulation/GaussHermite.h>

#include "SimulationSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <vector>

using namespace stochvar;
using namespace stochvar::testing;

namespace {

// An order-n Gauss rule integrates polynomials of degree up to 2n - 1 exactly, so it reproduces
// the standard normal moments E[U^2k] = (2k - 1)!! for 2k < 2n; all terms are positive, so rounding
// costs only a few ulps (measured: at most 1.6e-15 up to order 100).
TEST(ComputeGaussHermiteRule, ReproducesTheNormalMomentsToRounding) {
    for (const int n : {1, 2, 5, 20, 40, 100}) {
        std::vector<double> u(static_cast<std::size_t>(n)), W(u.size());
        ComputeGaussHermiteRule(n, u.data(), W.data());
        double doubleFactorial = 1.0;
        for (int k = 0; k < n && k <= 20; ++k) {
            if (k > 0)
                doubleFactorial *= 2.0 * k - 1.0;
            double moment = 0.0;
            for (std::size_t j = 0; j < u.size(); ++j)
                moment += W[j] * std::pow(u[j], 2 * k);
            EXPECT_NEAR(moment / doubleFactorial, 1.0, 4e-15) << "order " << n << ", U^" << 2 * k;
        }
    }
}

struct SClosedForm {
    const char* name;
    PairFactory make;
    double dCorrU;
    double dExpectedX;
};

std::pair<DistPtr, DistPtr> Normals() {
    return {MakeNormal("A", 2.0, 3.0), MakeNormal("B")};
}
std::pair<DistPtr, DistPtr> Exponentials() {
    return {MakeExponential("A"), MakeExponential("B", 4.0, 1.0)};
}
std::pair<DistPtr, DistPtr> UniformExponential() {
    return {MakeUniform("A"), MakeExponential("B")};
}
std::pair<DistPtr, DistPtr> NormalUniform() {
    return {MakeNormal("A"), MakeUniform("B", -1.0, 5.0)};
}

// U-space +-1 makes the variables co- or countermonotonic functions of one normal U, where the
// X-space correlation has a closed form:
// - two exponentials at -1: corr(-ln V, -ln(1 - V)) = 1 - pi^2/6 (V uniform);
// - uniform and exponential at +1: corr(V, -ln(1 - V)) = sqrt(3)/2;
// - normal and uniform at +1: corr(U, Phi(U)) = E[U Phi(U)] sqrt(12) = sqrt(3/pi).
class AccurateNataf : public ::testing::TestWithParam<SClosedForm> {};

TEST_P(AccurateNataf, MapsWithinTheClosedForm) {
    const SClosedForm& c = GetParam();
    auto [pDist1, pDist2] = c.make();
    CDistCollection collection;
    collection.SetNumerics(ENumerics::Accurate);
    collection.AddDist(pDist1.get());
    collection.AddDist(pDist2.get());
    collection.SetCorr(pDist1.get(), pDist2.get(), c.dCorrU, FALSE);
    EXPECT_NEAR(collection.m_Corrs[0]->dCorrX, c.dExpectedX, 1e-8);
}

INSTANTIATE_TEST_SUITE_P(Pairs, AccurateNataf,
                         ::testing::Values(SClosedForm{"Exponentials", Exponentials, -1.0,
                                                       1.0 - std::numbers::pi* std::numbers::pi /
                                                                 6.0},
                                           SClosedForm{"UniformExponential", UniformExponential,
                                                       1.0, std::sqrt(3.0) / 2.0},
                                           SClosedForm{"NormalUniform", NormalUniform, 1.0,
                                                       std::sqrt(3.0 / std::numbers::pi)}),
                         CaseName);

// Two normals: g(r) = r. The faithful numerics give 0.49997 for 0.5 (an abscissa of their table
// is off by 3e-4); the accurate ones within 1e-10 both ways.
TEST(AccurateNataf, TwoNormalsKeepTheirCorrelation) {
    auto [pDist1, pDist2] = Normals();
    CDistCollection collection;
    collection.SetNumerics(ENumerics::Accurate);
    collection.AddDist(pDist1.get());
    collection.AddDist(pDist2.get());
    for (const double rho : {0.5, -0.9, 0.99}) {
        collection.SetCorr(pDist1.get(), pDist2.get(), rho, TRUE);
        collection.SetCorr(pDist1.get(), pDist2.get(), rho, FALSE);
    }
    for (const SCorr* pCorr : collection.m_Corrs) {
        EXPECT_NEAR(pCorr->dCorrU, pCorr->dCorrX, 1e-10) << pCorr->dCorrU;
    }
}

// One standard uniform variable, no correlations: its values are Phi(Phi^-1(v)) for the
// stratified v, so the strata [k/N, (k+1)/N) they fill show how well the round trip keeps v.
int FilledStrata(ENumerics numerics, int N) {
    DistPtr pUniform = MakeUniform("U");
    CDistCollection collection;
    collection.SetNumerics(numerics);
    collection.AddDist(pUniform.get());
    CExOr generator(1u, 2u, 3u);
    collection.InitSimulation(N, TRUE, &generator, nullptr);
    std::vector<double> values(static_cast<std::size_t>(N));
    EXPECT_EQ(collection.GetSamples(N, values.data(), 2), N);
    std::vector<bool> filled(values.size(), false);
    for (const double x : values) {
        filled[static_cast<std::size_t>(std::min(static_cast<int>(x * N), N - 1))] = true;
    }
    return static_cast<int>(std::count(filled.begin(), filled.end(), true));
}

TEST(AccurateSampling, LatinHypercubeFillsEveryStratumAtLargeN) {
    constexpr int N = 100000;
    EXPECT_EQ(FilledStrata(ENumerics::Accurate, N), N);
    EXPECT_LT(FilledStrata(ENumerics::Faithful, N), N * 9 / 10); // about 82.7 %
}

// The collection's choice governs its runs, on the worker threads of GetSamples as well, whatever
// the process default; a collection without a choice follows the default. The expected values
// are composed here from the functions of one numerics: mean + sd * Phi^-1(Phi(Phi^-1(v))).
TEST(AccurateSampling, CollectionChoiceAndProcessDefaultOnWorkerThreads) {
    struct SCase {
        ENumerics processDefault;
        std::optional<ENumerics> collectionChoice;
        ENumerics expected;
    };
    constexpr int N = 1000;
    for (const SCase& c : {SCase{ENumerics::Faithful, ENumerics::Accurate, ENumerics::Accurate},
                           SCase{ENumerics::Accurate, ENumerics::Faithful, ENumerics::Faithful},
                           SCase{ENumerics::Accurate, std::nullopt, ENumerics::Accurate},
                           SCase{ENumerics::Faithful, std::nullopt, ENumerics::Faithful}}) {
        SetDefaultNumerics(c.processDefault);
        DistPtr pNormal = MakeNormal("N", 2.0, 3.0);
        CDistCollection collection;
        if (c.collectionChoice)
            collection.SetNumerics(*c.collectionChoice);
        collection.AddDist(pNormal.get());
        EXPECT_EQ(collection.GetNumerics(), c.expected);
        CExOr generator(4u, 5u, 6u);
        CExOr reference = generator;
        collection.InitSimulation(N, FALSE, &generator, nullptr);
        std::vector<double> values(N);
        ASSERT_EQ(collection.GetSamples(N, values.data(), 2), N);
        const bool bAccurate = c.expected == ENumerics::Accurate;
        const auto Inverse = bAccurate ? AccurateStdNormalInverse : FaithfulStdNormalInverse;
        const auto Cdf = bAccurate ? AccurateStdNormalCdf : FaithfulStdNormalCdf;
        for (int s = 0; s < N; ++s) {
            const double v = reference.GetRandom();
            ASSERT_EQ(values[static_cast<std::size_t>(s)], 3.0 * Inverse(Cdf(Inverse(v))) + 2.0)
                << "sample " << s << ", expected " << NumericsName(c.expected);
        }
    }
    SetDefaultNumerics(ENumerics::Faithful);
}

} // namespace
