// stochvar show: what it lists for the built-in example and for documents whose correlations
// have known closed-form counterparts.

#include "CliRunner.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <numbers>

namespace stochvar::test {
namespace {

using ::testing::HasSubstr;

// The number after strLabel on the first line that contains it.
double NumberAfter(const std::string& text, const std::string& strLabel, std::size_t nFrom = 0) {
    const std::size_t nAt = text.find(strLabel, nFrom);
    if (nAt == std::string::npos) {
        ADD_FAILURE() << "no \"" << strLabel << "\" in:\n" << text;
        return NAN;
    }
    return std::strtod(text.c_str() + nAt + strLabel.size(), nullptr);
}

struct SRange {
    double dMin;
    double dMax;
};

SRange AdmissibleRange(const std::string& text) {
    const std::string strLabel = "admissible X-space range [";
    const std::size_t nAt = text.find(strLabel);
    if (nAt == std::string::npos) {
        ADD_FAILURE() << "no range in:\n" << text;
        return {NAN, NAN};
    }
    char* pEnd = nullptr;
    const double dMin = std::strtod(text.c_str() + nAt + strLabel.size(), &pEnd);
    const double dMax = std::strtod(pEnd + 1, nullptr); // after the comma
    return {dMin, dMax};
}

TEST(ShowCommand, ListsTheBuiltInExample) {
    const SRunResult result = RunCli({"show"});
    ASSERT_EQ(result.nExitCode, 0) << result.strErr;
    EXPECT_EQ(result.strErr, "");
    const std::string& out = result.strOut;
    EXPECT_THAT(out, HasSubstr("Collection built-in example (beam.json)\n"));
    EXPECT_THAT(out, HasSubstr("7 variables, 2 correlations\n"));
    // Every family of the example with its input type; the values given are marked.
    for (const char* pszLine :
         {"fy  LOGNORMAL, input type /MEAN/COV/LOWER_BOUND\n", "W  NORMAL, input type /MEAN/COV\n",
          "G  NORMAL, input type /MEAN/STDDEV\n", "Q  GUMBEL, input type /MEAN/COV\n",
          "L  UNIFORM, input type /LOWER_BOUND/UPPER_BOUND\n",
          "theta  TRIANGULAR, input type /LOWER_BOUND/MOST-LIKELY/UPPER_BOUND\n",
          "use  DISCRETE, 3 categories\n"}) {
        EXPECT_THAT(out, HasSubstr(pszLine));
    }
    EXPECT_THAT(out, ::testing::ContainsRegex("MEAN +557 +given"));
    EXPECT_THAT(out, ::testing::ContainsRegex("COV +0.03 +given"));
    EXPECT_THAT(out, HasSubstr("G / Q  given in X-space\n"));
    EXPECT_THAT(out, HasSubstr("fy / W  given in U-space\n"));
}

TEST(ShowCommand, DerivedParametersAndMomentsFollowFromTheGivenOnes) {
    // Expected values from the definitions: sd = |mean| * CoV for the normal and Gumbel
    // variables; a uniform variable on [a, b] has mean (a + b) / 2 and sd (b - a) / sqrt(12);
    // a triangular one mean (a + c + b) / 3; a discrete one with probabilities 0.7, 0.2, 0.1 at
    // 0, 1, 2 has mean 0.4 and variance 0.7 * 0.16 + 0.2 * 0.36 + 0.1 * 2.56 = 0.44.
    const std::string out = RunCli({"show"}).strOut;
    struct SMomentCase {
        const char* pszVariable;
        double dMean;
        double dStdDev;
    };
    const SMomentCase cases[] = {
        {"\nfy  ", 28.0, 28.0 * 0.07},
        {"\nW  ", 557.0, 557.0 * 0.03},
        {"\nG  ", 10.0, 0.7},
        {"\nQ  ", 8.0, 8.0 * 0.3},
        {"\nL  ", 6.0, 0.06 / std::sqrt(12.0)},
        {"\ntheta  ", (0.9 + 1.0 + 1.15) / 3.0, NAN},
        {"\nuse  ", 0.4, std::sqrt(0.44)},
    };
    for (const SMomentCase& moment : cases) {
        SCOPED_TRACE(moment.pszVariable);
        const std::size_t nAt = out.find(moment.pszVariable);
        ASSERT_NE(nAt, std::string::npos);
        EXPECT_NEAR(NumberAfter(out, "    mean ", nAt), moment.dMean, 1e-12 * moment.dMean);
        if (!std::isnan(moment.dStdDev)) {
            EXPECT_NEAR(NumberAfter(out, "standard deviation ", nAt), moment.dStdDev,
                        1e-12 * moment.dStdDev);
        }
    }
}

struct SPairCase {
    const char* pszWhat;
    const char* pszFirst;  // variable fields after the name
    const char* pszSecond;
    double dGivenX;        // correlation given in X-space
    double dExpectedU;     // its U-space counterpart
    double dToleranceU;
    SRange expectedRange;
    double dToleranceRange;
};

TEST(ShowCommand, CorrelationsAreListedInBothSpacesWithTheirAdmissibleRange) {
    // Closed forms for these marginals (the mapping's 10-term Hermite series reproduces them to
    // about 1e-3, the tolerance used):
    // - two uniforms: rho_X = (6 / pi) asin(rho_U / 2), so rho_U = 2 sin(pi rho_X / 6), and the
    //   range is +-(6 / pi) asin(1 / 2) = +-1 to within the series' accuracy;
    // - two exponentials: the lowest correlation of two exponential variables is 1 - pi^2 / 6;
    //   rho_U / rho_X = 1.229 - 0.367 rho_X + 0.153 rho_X^2 by the fit of Liu and Der
    //   Kiureghian (1986), whose stated error is below 1.6 % (tolerance 0.01 at rho_X = 0.5);
    // - a uniform and an exponential: the extreme correlations are +-sqrt(3) / 2.
    const char* pszUniform = R"("type": "UNIFORM", "values": {"LOWER_BOUND": 0, "UPPER_BOUND": 1})";
    const char* pszExponential =
        R"("type": "EXPONENTIAL", "input": "/LAMBDA/LOWER_BOUND", "values": {"LAMBDA": 1, "LOWER_BOUND": 0})";
    const SPairCase cases[] = {
        {"uniform and uniform", pszUniform, pszUniform, 0.5,
         2.0 * std::sin(std::numbers::pi * 0.5 / 6.0), 1e-3, {-1.0, 1.0}, 1e-3},
        {"exponential and exponential", pszExponential, pszExponential, 0.5,
         0.5 * (1.229 - 0.367 * 0.5 + 0.153 * 0.25), 1e-2,
         {1.0 - std::numbers::pi * std::numbers::pi / 6.0, 1.0}, 2e-3},
        {"uniform and exponential", pszUniform, pszExponential, 0.3, NAN, 0.0,
         {-std::sqrt(3.0) / 2.0, std::sqrt(3.0) / 2.0}, 2e-3},
    };
    const CTempDir dir;
    for (const SPairCase& pair : cases) {
        SCOPED_TRACE(pair.pszWhat);
        const std::string strPath = dir.Write(
            "pair.json", std::string(R"({"variables": [{"name": "A", )") + pair.pszFirst +
                             R"(}, {"name": "B", )" + pair.pszSecond +
                             R"(}], "correlations": [{"between": ["A", "B"], "value": )" +
                             std::to_string(pair.dGivenX) + R"(, "space": "X"}]})");
        const SRunResult result = RunCli({"show", strPath});
        ASSERT_EQ(result.nExitCode, 0) << result.strErr;
        EXPECT_EQ(NumberAfter(result.strOut, "X-space  "), pair.dGivenX);
        if (!std::isnan(pair.dExpectedU)) {
            EXPECT_NEAR(NumberAfter(result.strOut, "U-space  "), pair.dExpectedU,
                        pair.dToleranceU);
        }
        const SRange range = AdmissibleRange(result.strOut);
        EXPECT_NEAR(range.dMin, pair.expectedRange.dMin, pair.dToleranceRange);
        EXPECT_NEAR(range.dMax, pair.expectedRange.dMax, pair.dToleranceRange);
    }
}

TEST(ShowCommand, UnusualSettingsAreShown) {
    const CTempDir dir;
    const std::string strPath = dir.Write("settings.json", R"({"variables": [
        {"name": "x", "type": "FIXED", "values": {"MEAN": 2.5}, "canChange": false,
         "axis": {"min": -1, "max": 9}}]})");
    const SRunResult result = RunCli({"show", strPath});
    ASSERT_EQ(result.nExitCode, 0) << result.strErr;
    EXPECT_THAT(result.strOut, HasSubstr("x  FIXED, input type /MEAN\n"));
    EXPECT_THAT(result.strOut, HasSubstr("mean 2.5, standard deviation 0\n"));
    EXPECT_THAT(result.strOut, HasSubstr("chart axis [-1, 9]\n"));
    EXPECT_THAT(result.strOut, HasSubstr("family may not be changed\n"));
    EXPECT_THAT(result.strOut, HasSubstr("1 variable, 0 correlations\n"));
}

} // namespace
} // namespace stochvar::test
