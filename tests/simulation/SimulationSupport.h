#pragma once

// Variables, collections and statistics shared by the simulation tests, and the headers most of
// them use.

#include <stochvar/families/Exponential.h>
#include <stochvar/families/LogNormal.h>
#include <stochvar/families/Normal.h>
#include <stochvar/families/Uniform.h>
#include <stochvar/model/Dist.h>
#include <stochvar/numerics/ExOr.h>
#include <stochvar/simulation/DistCollection.h>

#include "support/RecordingHooks.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <numbers>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace stochvar::testing {

using DistPtr = std::unique_ptr<CDist>;
using DistPair = std::pair<DistPtr, DistPtr>;

inline const CExOr kSeeded(123456789u, 362436069u, 521288629u);

// Every variable is defined through one of its input types and converted, as an editor would.
using ParamValues = std::initializer_list<std::pair<int, double>>;
template <class Dist>
DistPtr Make(const char* name, ParamValues values, int nType = 0) {
    auto dist = std::make_unique<Dist>(nullptr, name, nullptr);
    dist->m_nParamCombi = nType;
    for (auto [nParam, value] : values)
        dist->SetParamValue(nParam, value);
    dist->CalcBasePar(nType);
    return dist;
}
inline DistPtr MakeNormal(const char* name, double mean = 0.0, double sd = 1.0) {
    return Make<CNormal>(name, {{PARAM_MEAN, mean}, {PARAM_STDDEV, sd}});
}
inline DistPtr MakeUniform(const char* name, double lower = 0.0, double upper = 1.0) {
    return Make<CUniform>(name, {{PARAM_LOWER_BOUND, lower}, {PARAM_UPPER_BOUND, upper}});
}
inline DistPtr MakeExponential(const char* name, double lambda = 1.0, double lower = 0.0) {
    return Make<CExponential>(name, {{PARAM_LAMBDA, lambda}, {PARAM_LOWER_BOUND, lower}}, 1);
}
inline DistPtr MakeLogNormal(const char* name, double mean, double sd, double lower = 0.0) {
    return Make<CLogNormal>(name,
                            {{PARAM_MEAN, mean}, {PARAM_STDDEV, sd}, {PARAM_LOWER_BOUND, lower}});
}
inline DistPtr MakeFixed(const char* name, double value) { // no spread
    auto dist = std::make_unique<CDist>(nullptr, name, nullptr);
    dist->SetParamValue(PARAM_MEAN, value);
    return dist;
}

// A collection that owns its variables.
struct SCollection {
    std::vector<DistPtr> dists;
    CDistCollection collection;
    CDist* Add(DistPtr dist) {
        dists.push_back(std::move(dist));
        collection.AddDist(dists.back().get());
        return dists.back().get();
    }
    void AddNormals(int n) {
        for (int i = 0; i < n; ++i)
            Add(MakeNormal("N", 1.0 + i, 0.5 + i));
    }
    CDist* Dist(int i) const { return dists[static_cast<std::size_t>(i)].get(); }
    void Correlate(int i, int j, double corr, BOOL bXSpace) {
        collection.SetCorr(Dist(i), Dist(j), corr, bXSpace);
    }
};

// The rest of a run through GetSample, one column per variable.
inline std::vector<std::vector<double>> DrawAll(CDistCollection& collection, int nDists) {
    std::vector<std::vector<double>> columns(static_cast<std::size_t>(nDists));
    std::vector<double> values(columns.size());
    for (int nSample = 0; collection.GetSample(nSample, values.data());) {
        for (std::size_t i = 0; i < columns.size(); ++i)
            columns[i].push_back(values[i]);
    }
    return columns;
}

// The bits of values, to compare them exactly.
inline std::vector<std::uint64_t> Bits(const double* p, std::size_t n) {
    std::vector<std::uint64_t> bits(n);
    std::transform(p, p + n, bits.begin(),
                   [](double v) { return std::bit_cast<std::uint64_t>(v); });
    return bits;
}
inline std::vector<std::uint64_t> Bits(const std::vector<double>& values) {
    return Bits(values.data(), values.size());
}

// The next draws of two generators agree: they are in the same state.
inline void ExpectSameState(CExOr a, CExOr b) {
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(a.GetRandom(), b.GetRandom()) << "draw " << i;
}

// Pearson's r of paired samples with its asymptotic standard error from the delta method, valid
// for any marginals with finite fourth moments (m on standardised data):
// Var(r) ~ [m22 + r^2/4 (m40 + 2 m22 + m04) - r (m31 + m13)] / n.
struct SCorrelationEstimate {
    double r = 0.0, standardError = 0.0;
};
inline SCorrelationEstimate EstimateCorrelation(const std::vector<double>& x,
                                                const std::vector<double>& y) {
    const double n = static_cast<double>(x.size());
    double mx = 0.0, my = 0.0, sxx = 0.0, syy = 0.0, sxy = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i)
        mx += x[i] / n, my += y[i] / n;
    for (std::size_t i = 0; i < x.size(); ++i) {
        sxx += (x[i] - mx) * (x[i] - mx), syy += (y[i] - my) * (y[i] - my);
        sxy += (x[i] - mx) * (y[i] - my);
    }
    const double r = sxy / std::sqrt(sxx * syy);
    double m22 = 0.0, m40 = 0.0, m04 = 0.0, m31m13 = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double a = (x[i] - mx) / std::sqrt(sxx / n), b = (y[i] - my) / std::sqrt(syy / n);
        m22 += a * a * b * b / n, m40 += a * a * a * a / n, m04 += b * b * b * b / n;
        m31m13 += (a * a * a * b + a * b * b * b) / n;
    }
    return {r, std::sqrt((m22 + r * r / 4.0 * (m40 + 2.0 * m22 + m04) - r * m31m13) / n)};
}

} // namespace stochvar::testing
