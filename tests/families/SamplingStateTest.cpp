// What a variable says about itself before it is sampled: the moments it stands for, and why the
// sampler cannot draw from it. The readiness report's rows (tests/documents) pin the messages of
// the states a document reaches; these rows take the other branches of each family's rule and of
// the rules for conversions that overflow, underflow or lose their precision.

#include "FamilySupport.h"

#include <stochvar/families/Beta.h>
#include <stochvar/families/Discrete.h>
#include <stochvar/families/Gumbel.h>
#include <stochvar/families/LogNormal.h>
#include <stochvar/families/Normal.h>
#include <stochvar/families/Weibull.h>

#include <numbers>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace stochvar::testing {
namespace {

template <class TFamily>
std::shared_ptr<CDist> Make(int nParamCombi, const SlotValues& values) {
    auto dist = std::make_shared<TFamily>(nullptr, "X", nullptr);
    dist->m_nParamCombi = nParamCombi;
    Enter(*dist, values);
    return dist;
}

// Entered and converted with the input type.
template <class TFamily>
std::shared_ptr<CDist> Converted(int nParamCombi, const SlotValues& values) {
    std::shared_ptr<CDist> dist = Make<TFamily>(nParamCombi, values);
    dist->CalcBasePar();
    return dist;
}

// A slot written over after the conversion, as a host may write it.
std::shared_ptr<CDist> Overwritten(std::shared_ptr<CDist> dist, int nParam, double dValue) {
    dist->SetParamValue(nParam, dValue);
    return dist;
}

std::shared_ptr<CDist> Discrete(const std::vector<double>& frequencies) {
    auto dist = std::make_shared<CDiscrete>(nullptr, "X", nullptr);
    for (double f : frequencies) {
        dist->AddCategory("c", f);
    }
    return dist;
}

// R = 2 and S = 3 on [0, 10]: mean 4, variance (4 - 0)(10 - 4) / (R + S + 1) = 2^2.
SlotValues Beta(const SlotValues& changes) {
    SlotValues values = {{PARAM_LOWER_BOUND, 0.0}, {PARAM_UPPER_BOUND, 10.0}, {PARAM_R, 2.0},
                         {PARAM_S, 3.0},           {PARAM_MEAN, 4.0},         {PARAM_STDDEV, 2.0}};
    values.insert(values.end(), changes.begin(), changes.end());
    return values;
}

TEST(SamplingState, MomentsAndTheReasonsWhyNoSampleCanBeDrawn) {
    // The variable, its mean and standard deviation, and the reasons.
    // clang-format off
    const std::tuple<std::shared_ptr<CDist>, double, double, std::vector<std::string>> rows[] = {
        {Make<CDist>(0, {{PARAM_MEAN, kNaN}}), kNaN, 0.0, {}}, // the fixed kind is its MEAN
        {Make<CNormal>(0, {{PARAM_MEAN, kNaN}, {PARAM_STDDEV, -0.25}}), kNaN, -0.25,
         {"the mean is not a number", "the standard deviation -0.25 is negative"}},
        {Make<CBeta>(3, Beta({{PARAM_STDDEV, kNaN}})), 4.0, kNaN,
         {"the standard deviation is not a number"}},
        {Make<CBeta>(2, Beta({{PARAM_R, -1.0}})), 4.0, 2.0,
         {"the exponents R = -1 and S = 3 are not both positive"}},
        {Make<CBeta>(1, Beta({{PARAM_S, 0.0}, {PARAM_MEAN, 10.0}})), 10.0, 2.0,
         {"the exponents R = 2 and S = 0 are not both positive (the mean must lie between the "
          "bounds)"}},
        {Make<CBeta>(0, Beta({{PARAM_UPPER_BOUND, kNaN}})), 4.0, 2.0,
         {"the lower bound 0 is not below the upper bound nan"}},
        // The category positions 0 and 1 with probabilities 1/4 and 3/4.
        {Discrete({1.0, 3.0}), 0.75, std::sqrt(0.1875), {}},
        // Frequencies of no weight make the categories equally likely.
        {Discrete({0.0, 0.0}), 0.5, 0.5, {"the frequencies of its categories add up to 0"}},
        // Conversions that give no spread: a COV around a mean of 0, or one whose product with
        // the mean underflows.
        {Converted<CGumbel>(1, {{PARAM_MEAN, 0.0}, {PARAM_COV, 0.1}}), 0.0, 0.0,
         {"the standard deviation is 0: a COV gives no spread around a mean of 0; give STDDEV "
          "instead"}},
        {Converted<CGumbel>(1, {{PARAM_MEAN, 1e-300}, {PARAM_COV, 1e-300}}), 1e-300, 0.0,
         {"the standard deviation is 0: the spread is lost to rounding beside the values; give "
          "a larger spread or rescale the units"}},
        // ALPHA, subnormal, passes the check; M = gamma / ALPHA and S = pi / (sqrt 6 ALPHA) do not
        // fit a double.
        {Converted<CGumbel>(2, {{PARAM_ALPHA, 1e-320}, {PARAM_BETA, 0.0}}), kInf, kInf,
         {"MEAN is inf after the conversion: the values overflow or underflow a double on the "
          "way; rescale the units so that they are nearer 1",
          "STDDEV is inf after the conversion: the values overflow or underflow a double on the "
          "way; rescale the units so that they are nearer 1"}},
        // 1 + (S / (M - L))^2 rounds to 1, so EPSILON is 0.
        {Converted<CLogNormal>(0, {{PARAM_MEAN, 1.0}, {PARAM_STDDEV, 1e-9}}), 1.0, 1e-9,
         {"STDDEV 1e-09 differs from the standard deviation 0 of the base parameters: the "
          "conversion lost its precision; give the values of input type "
          "/EPSILON/KSI/LOWER_BOUND instead, or rescale the units so that the values are nearer "
          "1"}},
        // A MEAN written over the converted one (ALPHA 1 and BETA 0 have the mean gamma).
        {Overwritten(Converted<CGumbel>(2, {{PARAM_ALPHA, 1.0}, {PARAM_BETA, 0.0}}), PARAM_MEAN,
                     1.0),
         1.0, std::numbers::pi / std::sqrt(6.0),
         {"MEAN 1 differs from the mean 0.5772156649015329 of the base parameters: the "
          "conversion lost its precision; rescale the units so that the values are nearer 1"}},
        // Shape 1: DELTA = 1 / ALPHA and M - L = ALPHA.
        {Converted<CWeibull>(3, {{PARAM_ALPHA, 1e308}, {PARAM_BETA, 1.0},
                                 {PARAM_LOWER_BOUND, 0.0}}),
         1e308, 1e308,
         {"DELTA = ALPHA^-BETA underflows to 1e-308 for MEAN - LOWER_BOUND = 1e+308 and BETA = 1: "
          "rescale the units so that MEAN - LOWER_BOUND is nearer 1"}},
        {Converted<CWeibull>(3, {{PARAM_ALPHA, 1e-310}, {PARAM_BETA, 1.0},
                                 {PARAM_LOWER_BOUND, 0.0}}),
         1e-310, 1e-310,
         {"DELTA = ALPHA^-BETA overflows to inf for MEAN - LOWER_BOUND = 1e-310 and BETA = 1: "
          "rescale the units so that MEAN - LOWER_BOUND is nearer 1"}},
    };
    for (const auto& [dist, dMean, dStdDev, reasons] : rows) {
        SCOPED_TRACE(dist->GetVarTypeName().str() + " " + ::testing::PrintToString(reasons));
        const SMoments moments = dist->GetMoments();
        ExpectClose(moments.dMean, dMean, 1e-15);
        ExpectClose(moments.dStdDev, dStdDev, 1e-15);
        CStringArray listed;
        dist->ListSamplingObstacles(listed);
        EXPECT_EQ(std::vector<std::string>(listed.begin(), listed.end()), reasons);
    }
}

} // namespace
} // namespace stochvar::testing
