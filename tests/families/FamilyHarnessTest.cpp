#include "FamilyHarness.h"

#include <stochvar/framework/RuntimeClass.h>
#include <stochvar/numerics/ExOr.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

namespace stochvar::testing {
namespace {

// Gauss-Legendre rule of order 10 on [-1, 1]; nodes by Newton's method on the Legendre
// recurrence, so the rule does not depend on a typed-in table.
struct SGaussLegendre {
    static constexpr int kOrder = 10;
    std::array<double, kOrder> nodes{};
    std::array<double, kOrder> weights{};

    SGaussLegendre() {
        for (int i = 0; i < kOrder; ++i) {
            double x = std::cos(std::numbers::pi * (i + 0.75) / (kOrder + 0.5));
            double derivative = 0.0;
            for (int iteration = 0; iteration < 100; ++iteration) {
                double p0 = 1.0;
                double p1 = x;
                for (int k = 2; k <= kOrder; ++k) {
                    const double p2 = ((2.0 * k - 1.0) * x * p1 - (k - 1.0) * p0) / k;
                    p0 = p1;
                    p1 = p2;
                }
                derivative = kOrder * (x * p1 - p0) / (x * x - 1.0);
                const double step = p1 / derivative;
                x -= step;
                if (std::fabs(step) < 1e-16) {
                    break;
                }
            }
            nodes[static_cast<std::size_t>(i)] = x;
            weights[static_cast<std::size_t>(i)] = 2.0 / ((1.0 - x * x) * derivative * derivative);
        }
    }
};

const SGaussLegendre& Rule() {
    static const SGaussLegendre rule;
    return rule;
}

// A converted variable of the case, or a failure when its values were refused.
std::unique_ptr<CDist> Build(const SFamilyCase& familyCase) {
    std::unique_ptr<CDist> dist(familyCase.create());
    if (familyCase.nParamCombi >= 0) {
        for (const auto& [nParam, dValue] : familyCase.values) {
            dist->SetParamValue(nParam, dValue);
        }
        dist->m_nParamCombi = familyCase.nParamCombi;
        CDistStatus check = dist->CheckCombination(familyCase.nParamCombi);
        EXPECT_TRUE(check.IsOk()) << check.m_strMessage.GetString();
        CDistStatus conversion = dist->CalcBasePar(familyCase.nParamCombi);
        EXPECT_TRUE(conversion.IsOk()) << conversion.m_strMessage.GetString();
        EXPECT_FALSE(conversion.m_bWarning) << conversion.m_strMessage.GetString();
    }
    return dist;
}

double Mean(CDist& dist) { return dist.GetParamValue(PARAM_MEAN); }
double StdDev(CDist& dist) { return dist.GetParamValue(PARAM_STDDEV); }

// Quadrature runs in t with x = M + S sinh(t): near the mean the step in x is S times the step
// in t, and in the tails it grows exponentially, so light tails (normal) and heavy ones
// (lognormal) are both covered out to |t| = 12, that is about 80,000 standard deviations.
constexpr double kTailT = 12.0;
constexpr double kStepT = 0.01;

double ToT(CDist& dist, double x) { return std::asinh((x - Mean(dist)) / StdDev(dist)); }
double ToX(CDist& dist, double t) { return Mean(dist) + StdDev(dist) * std::sinh(t); }

// The integration range split at the case's break points.
std::vector<double> Pieces(const SFamilyCase& familyCase, CDist& dist) {
    const double lo = ToX(dist, -kTailT);
    const double hi = ToX(dist, kTailT);
    std::vector<double> points = {lo, hi};
    for (int nSlot : familyCase.breakSlots) {
        const double point = dist.GetParamValue(nSlot);
        if (lo < point && point < hi) {
            points.push_back(point);
        }
    }
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    return points;
}

// Integral of g(x) * density(x) over [a, b], composite rule on equal steps in t; the rule never
// evaluates the ends, where a density may jump.
template <class TWeight>
double Integrate(CDist& dist, double a, double b, TWeight g) {
    const SGaussLegendre& rule = Rule();
    const double ta = ToT(dist, a);
    const double tb = ToT(dist, b);
    const int steps = std::max(4, static_cast<int>(std::ceil((tb - ta) / kStepT)));
    const double width = (tb - ta) / steps;
    double sum = 0.0;
    for (int i = 0; i < steps; ++i) {
        const double centre = ta + (i + 0.5) * width;
        for (int k = 0; k < SGaussLegendre::kOrder; ++k) {
            const double t = centre + 0.5 * width * rule.nodes[static_cast<std::size_t>(k)];
            const double x = ToX(dist, t);
            const double jacobian = StdDev(dist) * std::cosh(t);
            sum += rule.weights[static_cast<std::size_t>(k)] * 0.5 * width * jacobian * g(x) *
                   dist.GetDensity(x);
        }
    }
    return sum;
}

template <class TWeight>
double IntegrateAll(const SFamilyCase& familyCase, CDist& dist, TWeight g) {
    const std::vector<double> points = Pieces(familyCase, dist);
    double sum = 0.0;
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
        sum += Integrate(dist, points[i], points[i + 1], g);
    }
    return sum;
}

struct SMoments {
    double mass;
    double mean;
    double stdDev;
    double fourthCentral;
};

SMoments QuadratureMoments(const SFamilyCase& familyCase, CDist& dist) {
    SMoments m{};
    m.mass = IntegrateAll(familyCase, dist, [](double) { return 1.0; });
    // Centred on the slot mean first to keep the second moment free of cancellation.
    const double M = Mean(dist);
    const double shift = IntegrateAll(familyCase, dist, [M](double x) { return x - M; });
    m.mean = M + shift;
    const double mean = m.mean;
    const double variance =
        IntegrateAll(familyCase, dist, [mean](double x) { return (x - mean) * (x - mean); });
    m.stdDev = std::sqrt(variance);
    m.fourthCentral = IntegrateAll(familyCase, dist, [mean](double x) {
        const double d = (x - mean) * (x - mean);
        return d * d;
    });
    return m;
}

class FamilyHarness : public ::testing::TestWithParam<SFamilyCase> {
protected:
    void SetUp() override {
        m_dist = Build(GetParam());
        ASSERT_GT(StdDev(*m_dist), 0.0);
    }
    std::unique_ptr<CDist> m_dist;
};

TEST_P(FamilyHarness, CumulativeOfInverseGivesBackP) {
    const double tolerance = GetParam().tolerance.roundTrip;
    double previous = m_dist->GetInverse(0.0005);
    for (int i = 1; i <= 999; ++i) {
        const double p = i * 0.001;
        const double x = m_dist->GetInverse(p);
        ASSERT_TRUE(std::isfinite(x)) << "p = " << p;
        EXPECT_NEAR(m_dist->GetCumulative(x), p, tolerance) << "p = " << p << ", x = " << x;
        EXPECT_GE(x, previous) << "the inverse decreases at p = " << p;
        previous = x;
    }
}

TEST_P(FamilyHarness, DensityIntegratesToOneWithTheSlotMoments) {
    const SMoments m = QuadratureMoments(GetParam(), *m_dist);
    const double S = StdDev(*m_dist);
    EXPECT_NEAR(m.mass, 1.0, 1e-9);
    EXPECT_NEAR(m.mean, Mean(*m_dist), 1e-9 * S);
    EXPECT_NEAR(m.stdDev, S, 1e-8 * S);
}

TEST_P(FamilyHarness, CumulativeIsTheIntegralOfTheDensity) {
    const SFamilyCase& familyCase = GetParam();
    const std::vector<double> points = Pieces(familyCase, *m_dist);
    // Quantile-spaced points, placed without the family's inverse: mean plus multiples of S.
    const double M = Mean(*m_dist);
    const double S = StdDev(*m_dist);
    for (double k = -3.0; k <= 3.0; k += 0.25) {
        const double x = M + k * S;
        double integral = 0.0;
        for (std::size_t i = 0; i + 1 < points.size() && points[i] < x; ++i) {
            integral += Integrate(*m_dist, points[i], std::min(points[i + 1], x),
                                  [](double) { return 1.0; });
        }
        EXPECT_NEAR(m_dist->GetCumulative(x), integral, familyCase.tolerance.cdf) << "x = " << x;
    }
}

TEST_P(FamilyHarness, SeededSampleMatchesTheSlots) {
    constexpr int kDraws = 100000;
    CExOr generator(20240611u, 4049u, 777u);
    std::vector<double> draws(kDraws);
    double sum = 0.0;
    for (double& x : draws) {
        x = m_dist->GetRandom(&generator);
        sum += x;
    }
    const double mean = sum / kDraws;
    double squares = 0.0;
    for (double x : draws) {
        squares += (x - mean) * (x - mean);
    }
    const double stdDev = std::sqrt(squares / (kDraws - 1));

    // Standard errors from the distribution's own moments (quadrature): sd / sqrt(n) for the
    // mean; for the standard deviation sqrt((mu4 - sd^4) / n) / (2 sd), the delta method.
    const SMoments m = QuadratureMoments(GetParam(), *m_dist);
    const double S = StdDev(*m_dist);
    const double meanError = S / std::sqrt(kDraws);
    const double stdDevError =
        std::sqrt((m.fourthCentral - S * S * S * S) / kDraws) / (2.0 * S);
    EXPECT_NEAR(mean, Mean(*m_dist), 4.0 * meanError);
    EXPECT_NEAR(stdDev, S, 4.0 * stdDevError);

    // Kolmogorov-Smirnov against the family's own cumulative function; 1.949 / sqrt(n) is the
    // asymptotic critical value at the 0.1 % level.
    std::sort(draws.begin(), draws.end());
    double distance = 0.0;
    for (int i = 0; i < kDraws; ++i) {
        const double F = m_dist->GetCumulative(draws[static_cast<std::size_t>(i)]);
        distance = std::max({distance, F - static_cast<double>(i) / kDraws,
                             static_cast<double>(i + 1) / kDraws - F});
    }
    EXPECT_LT(distance, 1.949 / std::sqrt(kDraws));
}

TEST_P(FamilyHarness, CopyIsTheSameVariable) {
    std::unique_ptr<CDist> copy(m_dist->CreateCopy());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetRuntimeClass(), m_dist->GetRuntimeClass());
    EXPECT_EQ(copy->m_nType, m_dist->m_nType);
    EXPECT_EQ(copy->GetParamCombiCount(), m_dist->GetParamCombiCount());
    EXPECT_EQ(copy->m_nParamCombi, m_dist->m_nParamCombi);
    for (int nParam = 0; nParam < PARAM_COUNT; ++nParam) {
        EXPECT_EQ(copy->GetParamValue(nParam), m_dist->GetParamValue(nParam)) << nParam;
    }
    for (double p : {0.01, 0.3, 0.5, 0.9}) {
        const double x = m_dist->GetInverse(p);
        EXPECT_EQ(copy->GetInverse(p), x);
        EXPECT_EQ(copy->GetDensity(x), m_dist->GetDensity(x));
        EXPECT_EQ(copy->GetCumulative(x), m_dist->GetCumulative(x));
    }
}

TEST_P(FamilyHarness, InputTypeLabelsFollowTheKeywords) {
    const int count = m_dist->GetParamCombiCount();
    ASSERT_GE(count, 1);
    for (int n = 0; n <= count; ++n) {
        CString label("stale");
        CUIntArray ids;
        ids.Add(99);
        m_dist->GetParamsList(n, label, &ids);
        std::string expected;
        for (int i = 0; i < ids.GetSize(); ++i) {
            ASSERT_LT(ids[i], static_cast<UINT>(PARAM_COUNT));
            expected += std::string("/") + kParamKeywords[ids[i]];
        }
        EXPECT_EQ(label.GetString(), expected) << "input type " << n;
        EXPECT_EQ(ids.GetSize() == 0, n == count) << "input type " << n;
    }
}

std::string CaseName(const ::testing::TestParamInfo<SFamilyCase>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Families, FamilyHarness, ::testing::ValuesIn(FamilyCases()), CaseName);

} // namespace
} // namespace stochvar::testing
