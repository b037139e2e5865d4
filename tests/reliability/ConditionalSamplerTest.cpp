// The chains of subset simulation keep their stationary law: started from exact draws of the
// standard normal conditioned on u1 <= -1, every state stays in the domain and the states have
// the truncated normal's mean and variance along u1 and the standard normal's along u2, with
// both kernels. Each step costs at most one call per chain, and lambda follows the acceptance.

#include <stochvar/reliability/ConditionalSampler.h>
#include <stochvar/reliability/LimitStateEvaluator.h>
#include <stochvar/reliability/NormalStream.h>

#include "ReliabilitySupport.h"

using namespace stochvar;
using namespace stochvar::testing;

namespace {

using EKernel = CConditionalSampler::EKernel;

// nSeeds exact draws: u1 = Phi^-1(U Phi(a)), u2 standard normal; g = u1 - a.
SChainStates TruncatedSeeds(int nSeeds, double a) {
    CNormalStream stream({11u, 22u, 33u});
    SChainStates seeds{nSeeds, 1, 2, {}, {}};
    for (int c = 0; c < nSeeds; ++c) {
        const double u1 = AccurateStdNormalInverse(stream.NextUniform() * Phi(a));
        seeds.U.insert(seeds.U.end(), {u1, stream.Next()});
        seeds.G.push_back(u1 - a);
    }
    return seeds;
}

// The mean and variance of coordinate i over the states of the chains.
std::pair<double, double> Moments(const SChainStates& chains, int i) {
    double sum = 0.0, sumSquares = 0.0;
    for (int p = 0; p < chains.Size(); ++p)
        sum += chains.Row(p)[i], sumSquares += chains.Row(p)[i] * chains.Row(p)[i];
    const double n = chains.Size(), mean = sum / n;
    return {mean, (sumSquares - n * mean * mean) / (n - 1)};
}

TEST(ConditionalSampler, ChainsKeepTheConditionalLaw) {
    const double a = -1.0;
    const double ratio = Density(a) / Phi(a); // the truncated normal u1 <= a:
    const double mean1 = -ratio, var1 = 1.0 - a * ratio - ratio * ratio;
    for (const EKernel kernel : {EKernel::AdaptiveConditional, EKernel::ModifiedMetropolis}) {
        SCOPED_TRACE(kernel == EKernel::AdaptiveConditional ? "conditional" : "Metropolis");
        const CStandardNormalSpace space(2);
        SCounted g([a](const double* u) { return u[0] - a; });
        CLimitStateEvaluator evaluator(g.limitState, space, 1);
        CNormalStream normals({5u, 6u, 7u});
        CConditionalSampler::SSettings settings;
        settings.kernel = kernel;
        CConditionalSampler sampler(settings, evaluator, normals, 2);
        const int nSeeds = 100, nLength = 60;
        const SChainStates chains = sampler.Grow(TruncatedSeeds(nSeeds, a), nLength, 0.0);
        ASSERT_EQ(chains.Size(), nSeeds * nLength);
        for (int p = 0; p < chains.Size(); ++p) {
            ASSERT_LE(chains.G[p], 0.0);
            ASSERT_EQ(chains.G[p], chains.Row(p)[0] - a);
        }
        // 6000 correlated states: standard errors about 0.02 (u1) and 0.05 (u2).
        const auto [m1, v1] = Moments(chains, 0);
        const auto [m2, v2] = Moments(chains, 1);
        EXPECT_NEAR(m1, mean1, 0.08);
        EXPECT_NEAR(v1, var1, 0.06);
        EXPECT_NEAR(m2, 0.0, 0.2);
        EXPECT_NEAR(v2, 1.0, 0.2);
        EXPECT_LE(g.nPoints, nSeeds * (nLength - 1));
        EXPECT_GT(g.nPoints, nSeeds * (nLength - 1) / 2);
        // The acceptance is the fraction of steps in which a state moved.
        int nMoved = 0;
        for (int p = 0; p < chains.Size(); ++p)
            nMoved += p % nLength != 0 && (chains.Row(p)[0] != chains.Row(p - 1)[0] ||
                                           chains.Row(p)[1] != chains.Row(p - 1)[1])
                          ? 1
                          : 0;
        EXPECT_EQ(sampler.GetAcceptance(), nMoved / (nSeeds * (nLength - 1.0)));
        // This domain is wide for steps of lambda = 0.6: the chains accept more than the target
        // 0.44, and lambda grows.
        EXPECT_GT(sampler.GetAcceptance(), settings.dTargetAcceptance);
        EXPECT_LT(sampler.GetAcceptance(), 0.9);
        EXPECT_GT(sampler.GetScale(), 1.2 * settings.dInitialScale);
    }
}

} // namespace
