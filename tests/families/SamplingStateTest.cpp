// What a variable says about itself before it is sampled: the moments it stands for, and why the
// sampler cannot draw from it. The readiness report's own rows (tests/documents) pin the messages
// of the states a document reaches; these rows add the other branches of each family's rule.

#include "FamilySupport.h"

#include <stochvar/families/Beta.h>
#include <stochvar/families/Discrete.h>
#include <stochvar/families/Normal.h>

#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace stochvar::testing {
namespace {

using Reasons = std::vector<std::string>;

std::unique_ptr<CDist> Fixed(double dMean) {
    auto dist = std::make_unique<CDist>(nullptr, "X", nullptr);
    dist->SetParamValue(PARAM_MEAN, dMean);
    return dist;
}

// A beta variable on [0, 10] from input type nParamCombi, with the given slots written over it.
std::unique_ptr<CDist> Beta(int nParamCombi, const SlotValues& values) {
    auto dist = std::make_unique<CBeta>(nullptr, "X", nullptr);
    Enter(*dist, {{PARAM_LOWER_BOUND, 0.0},
                  {PARAM_UPPER_BOUND, 10.0},
                  {PARAM_R, 2.0},
                  {PARAM_S, 3.0},
                  {PARAM_T, 5.0}});
    dist->CalcBasePar(3); // MEAN 4, STDDEV 10 sqrt(6 / 150) = 2
    dist->m_nParamCombi = nParamCombi;
    Enter(*dist, values);
    return dist;
}

std::unique_ptr<CDist> Discrete(const std::vector<double>& frequencies) {
    auto dist = std::make_unique<CDiscrete>(nullptr, "X", nullptr);
    for (double f : frequencies) {
        dist->AddCategory("c", f);
    }
    return dist;
}

// clang-format off
TEST(SamplingState, MomentsAndTheReasonsWhyNoSampleCanBeDrawn) {
    // The variable, its mean and standard deviation (NaN: not compared), and the reasons.
    const std::tuple<std::function<std::unique_ptr<CDist>()>, double, double, Reasons> rows[] = {
        // The fixed kind is its MEAN, whatever it is.
        {[] { return Fixed(2.5); }, 2.5, 0.0, {}},
        {[] { return Fixed(kNaN); }, kNaN, 0.0, {}},
        {[] { return std::make_unique<CNormal>(nullptr, "X", nullptr); }, 4.0, 0.5, {}},
        {[] {
             auto dist = std::make_unique<CNormal>(nullptr, "X", nullptr);
             Enter(*dist, {{PARAM_MEAN, kNaN}, {PARAM_STDDEV, -0.25}});
             return dist;
         },
         kNaN, -0.25, {"the mean is not a number", "the standard deviation -0.25 is negative"}},
        // Beta: Var = (M - L)(U - M) / (R + S + 1) = 4 * 6 / 6.
        {[] { return Beta(3, {}); }, 4.0, 2.0, {}},
        {[] { return Beta(3, {{PARAM_STDDEV, kNaN}}); }, 4.0, kNaN,
         {"the standard deviation is not a number"}},
        {[] { return Beta(2, {{PARAM_R, -1.0}}); }, 4.0, 2.0,
         {"the exponents R = -1 and S = 3 are not both positive"}},
        {[] { return Beta(1, {{PARAM_S, 0.0}, {PARAM_MEAN, 10.0}}); }, 10.0, 2.0,
         {"the exponents R = 2 and S = 0 are not both positive (the mean must lie between the "
          "bounds)"}},
        {[] { return Beta(0, {{PARAM_S, 0.0}}); }, 4.0, 2.0,
         {"the exponents R = 2 and S = 0 are not both positive (with mean 4 on [0, 10] the "
          "standard deviation must stay below 4.898979485566356)"}},
        {[] { return Beta(0, {{PARAM_UPPER_BOUND, kNaN}, {PARAM_S, 0.0}}); }, 4.0, 2.0,
         {"the lower bound 0 is not below the upper bound nan"}},
        // Discrete: the positions 0 and 1 with probabilities 1/4 and 3/4.
        {[] { return Discrete({1.0, 3.0}); }, 0.75, std::sqrt(0.1875), {}},
        {[] { return Discrete({}); }, 0.0, 0.0, {"it has no categories"}},
        // Frequencies of no weight make the categories equally likely.
        {[] { return Discrete({0.0, 0.0}); }, 0.5, 0.5,
         {"the frequencies of its categories add up to 0"}},
        {[] {
             auto dist = Discrete({1.0, 3.0});
             dist->m_Frequencies[1] = kNaN;
             return dist;
         },
         0.75, std::sqrt(0.1875), {"the frequencies of its categories add up to 0"}},
    };
    // clang-format on
    for (const auto& [make, dMean, dStdDev, reasons] : rows) {
        const std::unique_ptr<CDist> dist = make();
        SCOPED_TRACE(dist->GetVarTypeName().str() + " " + ::testing::PrintToString(reasons));
        const SMoments moments = dist->GetMoments();
        ExpectClose(moments.dMean, dMean, 1e-15);
        if (!std::isnan(dStdDev)) {
            ExpectClose(moments.dStdDev, dStdDev, 1e-15);
        }
        CStringArray listed;
        dist->ListSamplingObstacles(listed);
        EXPECT_EQ(Reasons(listed.begin(), listed.end()), reasons);
    }
}

} // namespace
} // namespace stochvar::testing
