#pragma once

// Variables and statistics shared by the collection, mapping and sampling tests.

#include <stochvar/families/Exponential.h>
#include <stochvar/families/LogNormal.h>
#include <stochvar/families/Normal.h>
#include <stochvar/families/Uniform.h>
#include <stochvar/model/Dist.h>

#include <cmath>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace stochvar::testing {

using DistPtr = std::unique_ptr<CDist>;
using PairFactory = std::function<std::pair<DistPtr, DistPtr>()>;

// Names the instances of a parameterised test after the `name` member of their case.
struct SCaseName {
    template <class Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& param) const {
        return param.param.name;
    }
};
inline constexpr SCaseName CaseName{};

// Every variable is defined through its own input type and conversion, as an editor would.
inline DistPtr MakeNormal(const char* name, double mean = 0.0, double stdDev = 1.0) {
    auto dist = std::make_unique<CNormal>(nullptr, name, nullptr);
    dist->SetParamValue(PARAM_MEAN, mean);
    dist->SetParamValue(PARAM_STDDEV, stdDev);
    dist->CalcBasePar(0);
    return dist;
}

inline DistPtr MakeUniform(const char* name, double lower = 0.0, double upper = 1.0) {
    auto dist = std::make_unique<CUniform>(nullptr, name, nullptr);
    dist->SetParamValue(PARAM_LOWER_BOUND, lower);
    dist->SetParamValue(PARAM_UPPER_BOUND, upper);
    dist->CalcBasePar(0);
    return dist;
}

// Input type 1 of the exponential family: rate and lower bound.
inline DistPtr MakeExponential(const char* name, double lambda = 1.0, double lower = 0.0) {
    auto dist = std::make_unique<CExponential>(nullptr, name, nullptr);
    dist->m_nParamCombi = 1;
    dist->SetParamValue(PARAM_LAMBDA, lambda);
    dist->SetParamValue(PARAM_LOWER_BOUND, lower);
    dist->CalcBasePar(1);
    return dist;
}

// Input type 0 of the lognormal family: mean, standard deviation and lower bound.
inline DistPtr MakeLogNormal(const char* name, double mean, double stdDev, double lower = 0.0) {
    auto dist = std::make_unique<CLogNormal>(nullptr, name, nullptr);
    dist->SetParamValue(PARAM_MEAN, mean);
    dist->SetParamValue(PARAM_STDDEV, stdDev);
    dist->SetParamValue(PARAM_LOWER_BOUND, lower);
    dist->CalcBasePar(0);
    return dist;
}

// Pearson correlation of paired samples with its asymptotic standard error from the delta
// method, valid for any marginals with finite fourth moments:
// Var(r) ~ [m22 + r^2/4 (m40 + 2 m22 + m04) - r (m31 + m13)] / n on standardised data. For a
// bivariate normal pair it reduces to the textbook (1 - rho^2)^2 / n.
struct SCorrelationEstimate {
    double r = 0.0;
    double standardError = 0.0;
};

inline SCorrelationEstimate EstimateCorrelation(const std::vector<double>& x,
                                                const std::vector<double>& y) {
    const double n = static_cast<double>(x.size());
    double meanX = 0.0, meanY = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        meanX += x[i];
        meanY += y[i];
    }
    meanX /= n;
    meanY /= n;
    double sxx = 0.0, syy = 0.0, sxy = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        sxx += (x[i] - meanX) * (x[i] - meanX);
        syy += (y[i] - meanY) * (y[i] - meanY);
        sxy += (x[i] - meanX) * (y[i] - meanY);
    }
    const double sdX = std::sqrt(sxx / n);
    const double sdY = std::sqrt(syy / n);
    const double r = sxy / std::sqrt(sxx * syy);
    double m22 = 0.0, m40 = 0.0, m04 = 0.0, m31 = 0.0, m13 = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double a = (x[i] - meanX) / sdX;
        const double b = (y[i] - meanY) / sdY;
        m22 += a * a * b * b;
        m40 += a * a * a * a;
        m04 += b * b * b * b;
        m31 += a * a * a * b;
        m13 += a * b * b * b;
    }
    m22 /= n;
    m40 /= n;
    m04 /= n;
    m31 /= n;
    m13 /= n;
    const double variance = (m22 + r * r / 4.0 * (m40 + 2.0 * m22 + m04) - r * (m31 + m13)) / n;
    return {r, std::sqrt(variance)};
}

} // namespace stochvar::testing
