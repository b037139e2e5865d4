#include "FamilySupport.h"

#include <stochvar/families/Triangular.h>

#include <gtest/gtest.h>

namespace stochvar::testing {
namespace {

constexpr const char* kBoundsMessage = "Upper bound <= lower bound.";
constexpr const char* kApexMessage = "Most-likely value not between lower and upper bound.";
constexpr const char* kMeanMessage = "Mean value must be between upper and lower bound";

std::unique_ptr<CTriangular> Make(double lower, double apex, double upper) {
    auto dist = MakeFresh<CTriangular>();
    Enter(*dist, {{PARAM_LOWER_BOUND, lower}, {PARAM_MOST_LIKELY, apex},
                  {PARAM_UPPER_BOUND, upper}});
    return dist;
}

// Moments of the triangular distribution (L, C, U), from its textbook definition:
// mean (L + C + U) / 3, variance (L^2 + C^2 + U^2 - LC - LU - CU) / 18.
double TriangleMean(double L, double C, double U) { return (L + C + U) / 3.0; }
double TriangleStdDev(double L, double C, double U) {
    return std::sqrt((L * L + C * C + U * U - L * C - L * U - C * U) / 18.0);
}

TEST(Triangular, FreshVariableHoldsTheDefaultsConverted) {
    auto dist = MakeFresh<CTriangular>();
    EXPECT_EQ(dist->m_nType, DIST_TRIANGULAR);
    EXPECT_STREQ(dist->GetVarTypeName().GetString(), "TRIANGULAR");
    EXPECT_EQ(dist->GetParamCombiCount(), 2);
    EXPECT_EQ(dist->m_nParamCombi, 0);
    EXPECT_TRUE(dist->m_bAutoAxis);
    EXPECT_EQ(dist->GetParamValue(PARAM_LOWER_BOUND), 0.7);
    EXPECT_EQ(dist->GetParamValue(PARAM_MOST_LIKELY), 3.5);
    EXPECT_EQ(dist->GetParamValue(PARAM_UPPER_BOUND), 4.7);
    EXPECT_NEAR(dist->GetParamValue(PARAM_MEAN), 2.966666666666666, 1e-15);
    EXPECT_NEAR(dist->GetParamValue(PARAM_STDDEV), 0.8379870059984358, 1e-15);
    // The constructor's bounds reach 20 % of the width beyond the support ...
    EXPECT_NEAR(dist->m_dAxisMin, -0.1, 1e-15);
    EXPECT_NEAR(dist->m_dAxisMax, 5.5, 1e-15);
    // ... the rule replaces them by the support itself.
    dist->SetAutoAxis();
    EXPECT_EQ(dist->m_dAxisMin, 0.7);
    EXPECT_EQ(dist->m_dAxisMax, 4.7);
}

TEST(Triangular, InputTypes) {
    auto dist = MakeFresh<CTriangular>();
    EXPECT_EQ(Label(*dist, 0), "/LOWER_BOUND/MOST-LIKELY/UPPER_BOUND");
    EXPECT_EQ(Ids(*dist, 0),
              (std::vector<UINT>{PARAM_LOWER_BOUND, PARAM_MOST_LIKELY, PARAM_UPPER_BOUND}));
    EXPECT_EQ(Label(*dist, 1), "/LOWER_BOUND/MEAN/UPPER_BOUND");
    EXPECT_EQ(Ids(*dist, 1), (std::vector<UINT>{PARAM_LOWER_BOUND, PARAM_MEAN, PARAM_UPPER_BOUND}));
    EXPECT_EQ(Label(*dist, 2), "");
}

TEST(Triangular, CombinationCheckAtEachBoundary) {
    struct SCase {
        int nParamCombi;
        SlotValues values;
        SExpectedStatus expected;
    };
    auto lcu = [](double L, double C, double U) {
        return SlotValues{{PARAM_LOWER_BOUND, L}, {PARAM_MOST_LIKELY, C}, {PARAM_UPPER_BOUND, U}};
    };
    auto lmu = [](double L, double M, double U) {
        return SlotValues{{PARAM_LOWER_BOUND, L}, {PARAM_MEAN, M}, {PARAM_UPPER_BOUND, U}};
    };
    const std::vector<SCase> cases = {
        {0, lcu(1.0, 1.0, 1.0), Error(kBoundsMessage)},
        {0, lcu(2.0, 9.0, 1.0), Error(kBoundsMessage)}, // first test wins
        {0, lcu(kNaN, 1.0, 2.0), Error(kBoundsMessage)},
        {0, lcu(0.0, 1.0, kNaN), Error(kBoundsMessage)},
        {0, lcu(Below(1.0), 1.0, 1.0), kClean},
        {0, lcu(0.0, 0.0, 2.0), kClean},
        {0, lcu(0.0, 2.0, 2.0), kClean},
        {0, lcu(0.0, Below(0.0), 2.0), Error(kApexMessage)},
        {0, lcu(0.0, Above(2.0), 2.0), Error(kApexMessage)},
        {0, lcu(0.0, kNaN, 2.0), Error(kApexMessage)},
        {1, lmu(0.0, 0.0, 3.0), kClean},
        {1, lmu(0.0, 3.0, 3.0), kClean},
        {1, lmu(0.0, Below(0.0), 3.0), Error(kMeanMessage)},
        {1, lmu(0.0, Above(3.0), 3.0), Error(kMeanMessage)},
        {1, lmu(0.0, kNaN, 3.0), kClean},  // a NaN mean passes
        {1, lmu(5.0, 5.0, 5.0), kClean},   // the bounds are not compared here
        {2, lcu(3.0, 9.0, 1.0), kClean},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "input type " << c.nParamCombi);
        auto dist = MakeFresh<CTriangular>();
        Enter(*dist, c.values);
        const Slots before = Snapshot(*dist);
        ExpectStatus(dist->CheckCombination(c.nParamCombi), c.expected);
        ExpectSlotsUnchanged(before, *dist);
    }
}

TEST(Triangular, ApexInputGivesTheTextbookMoments) {
    const std::vector<std::array<double, 3>> cases = {
        {0.0, 1.0, 3.0}, {-2.0, -2.0, 3.0}, {10.0, 12.0, 12.0}, {-5.0, -1.0, 7.5}};
    for (const auto& [L, C, U] : cases) {
        auto dist = Make(L, C, U);
        ExpectStatus(dist->CalcBasePar(0), kClean);
        EXPECT_NEAR(dist->GetParamValue(PARAM_MEAN), TriangleMean(L, C, U), 1e-14 * (U - L));
        EXPECT_NEAR(dist->GetParamValue(PARAM_STDDEV), TriangleStdDev(L, C, U), 1e-14 * (U - L));
        EXPECT_EQ(dist->GetParamValue(PARAM_COV), 0.0);
    }
}

TEST(Triangular, MeanInputPlacesTheApexAndRefusesWithTheAdmissibleRange) {
    struct SCase {
        double mean;
        double apex;
        SExpectedStatus expected;
    };
    // Bounds 0 and 3; the admissible means are 1 (apex at 0) to 2 (apex at 3).
    const std::vector<SCase> cases = {
        {2.5, 4.5, Error("Mean value must be between 1.000000 and 2.000000")},
        {2.0, 3.0, kClean},
        {1.0, 0.0, kClean},
        {1.5, 1.5, kClean},
        {0.5, -1.5, Error("Mean value must be between 1.000000 and 2.000000")},
        {kNaN, kNaN, Error("Mean value must be between 1.000000 and 2.000000")},
    };
    for (const SCase& c : cases) {
        auto dist = MakeFresh<CTriangular>();
        Enter(*dist, {{PARAM_LOWER_BOUND, 0.0}, {PARAM_MEAN, c.mean}, {PARAM_UPPER_BOUND, 3.0}});
        ExpectStatus(dist->CalcBasePar(1), c.expected);
        // The apex stays stored even when refused, and the standard deviation follows it.
        const double C = dist->GetParamValue(PARAM_MOST_LIKELY);
        if (std::isnan(c.apex)) {
            EXPECT_TRUE(std::isnan(C));
        } else {
            EXPECT_NEAR(C, c.apex, 1e-15);
            EXPECT_NEAR(dist->GetParamValue(PARAM_STDDEV), TriangleStdDev(0.0, C, 3.0), 1e-15);
        }
    }
    auto wide = MakeFresh<CTriangular>();
    Enter(*wide, {{PARAM_LOWER_BOUND, -10.0}, {PARAM_MEAN, 20.0}, {PARAM_UPPER_BOUND, 20.0}});
    ExpectStatus(wide->CalcBasePar(1), Error("Mean value must be between 0.000000 and 10.000000"));
}

TEST(Triangular, RoundTripBetweenApexAndMean) {
    auto dist = Make(-1.0, 2.2, 4.0);
    ASSERT_TRUE(dist->CalcBasePar(0).IsOk());
    const double stdDev = dist->GetParamValue(PARAM_STDDEV);
    dist->SetParamValue(PARAM_MOST_LIKELY, 0.0);
    ExpectStatus(dist->CalcBasePar(1), kClean);
    EXPECT_NEAR(dist->GetParamValue(PARAM_MOST_LIKELY), 2.2, 1e-14);
    EXPECT_NEAR(dist->GetParamValue(PARAM_STDDEV), stdDev, 1e-15);
}

TEST(Triangular, UnknownInputTypeStillRecomputesTheStdDev) {
    auto dist = Make(0.0, 1.0, 3.0);
    dist->SetParamValue(PARAM_MEAN, 77.0);
    dist->SetParamValue(PARAM_STDDEV, 77.0);
    ExpectStatus(dist->CalcBasePar(5), kClean);
    EXPECT_EQ(dist->GetParamValue(PARAM_MEAN), 77.0);
    EXPECT_NEAR(dist->GetParamValue(PARAM_STDDEV), TriangleStdDev(0.0, 1.0, 3.0), 1e-15);
}

TEST(Triangular, CumulativeAtTheBoundsAndTheApex) {
    struct SCase {
        double L, C, U;
    };
    for (const SCase& c : std::vector<SCase>{{0.0, 1.0, 3.0}, {-2.0, -2.0, 3.0}, {1.0, 4.0, 4.0}}) {
        auto dist = Make(c.L, c.C, c.U);
        EXPECT_EQ(dist->GetCumulative(c.L), 0.0);
        EXPECT_EQ(dist->GetCumulative(Below(c.L)), 0.0);
        EXPECT_EQ(dist->GetCumulative(c.U), 1.0);
        EXPECT_EQ(dist->GetCumulative(Above(c.U)), 1.0);
        // Both pieces meet at the apex with the share of the width left of it.
        const double r = (c.C - c.L) / (c.U - c.L);
        EXPECT_NEAR(dist->GetCumulative(c.C), r, 1e-15);
        EXPECT_NEAR(dist->GetCumulative(Above(c.C)), r, 1e-14);
        EXPECT_NEAR(dist->GetCumulative(Below(c.U)), 1.0, 1e-14);
    }
}

TEST(Triangular, DensityOfLeftAndRightAngledTriangles) {
    auto left = Make(-2.0, -2.0, 3.0); // h = 2 / 5
    EXPECT_EQ(left->GetDensity(-2.0), 0.0);
    EXPECT_NEAR(left->GetDensity(Above(-2.0)), 0.4, 1e-15);
    EXPECT_NEAR(left->GetDensity(0.5), 0.2, 1e-15);
    EXPECT_EQ(left->GetDensity(3.0), 0.0);

    auto right = Make(10.0, 12.0, 12.0); // h = 1
    EXPECT_EQ(right->GetDensity(10.0), 0.0);
    EXPECT_NEAR(right->GetDensity(11.0), 0.5, 1e-15);
    EXPECT_EQ(right->GetDensity(12.0), 1.0);
    EXPECT_EQ(right->GetDensity(Above(12.0)), 0.0);

    auto peaked = Make(0.0, 1.0, 3.0); // h = 2 / 3 at the apex
    EXPECT_NEAR(peaked->GetDensity(1.0), 2.0 / 3.0, 1e-15);
    EXPECT_NEAR(peaked->GetDensity(2.0), 1.0 / 3.0, 1e-15);
    EXPECT_EQ(peaked->GetDensity(3.0), 0.0);
}

TEST(Triangular, InadmissibleParametersGiveZeroEverywhere) {
    const std::vector<std::array<double, 3>> cases = {
        {3.0, 3.0, 3.0}, {3.0, 2.0, 1.0}, {0.0, -1.0, 2.0}, {0.0, 2.5, 2.0},
        {kNaN, 1.0, 2.0}, {0.0, kNaN, 2.0}, {0.0, 1.0, kNaN}};
    for (const auto& [L, C, U] : cases) {
        auto dist = Make(L, C, U);
        for (double x : {-5.0, 0.0, 1.0, 1.5, 2.0, 2.5, 3.0, 10.0}) {
            EXPECT_EQ(dist->GetDensity(x), 0.0) << L << " " << C << " " << U << " at " << x;
            EXPECT_EQ(dist->GetCumulative(x), 0.0) << L << " " << C << " " << U << " at " << x;
        }
    }
}

TEST(Triangular, InverseAtTheApexAndOutsideTheUnitInterval) {
    auto dist = Make(0.0, 1.0, 3.0);
    const double r = 1.0 / 3.0;
    EXPECT_NEAR(dist->GetInverse(r), 1.0, 1e-15); // the upper branch gives the apex
    EXPECT_EQ(dist->GetInverse(0.0), 0.0);
    EXPECT_EQ(dist->GetInverse(1.0), 3.0);
    EXPECT_EQ(dist->GetInverse(-0.5), 0.0);
    EXPECT_EQ(dist->GetInverse(1.5), 3.0);
    // Left of the apex: F(x) = x^2 / 3, so F^-1(p) = sqrt(3 p).
    EXPECT_NEAR(dist->GetInverse(0.12), std::sqrt(0.36), 1e-15);
    // Right of it: 1 - F(x) = (3 - x)^2 / 6.
    EXPECT_NEAR(dist->GetInverse(0.76), 3.0 - std::sqrt(0.24 * 6.0), 1e-15);
}

// Ordered bounds are the axis exactly, even over an infinite span and with the sign of a zero
// bound; unordered ones fall back to the mean (here 2.5) plus and minus 1.
TEST(Triangular, AxisIsTheSupportItself) {
    struct SCase {
        double L, C, U, expectedMin, expectedMax;
    };
    const SCase cases[] = {
        {-3.25, 0.0, 1.75, -3.25, 1.75},     {0.0, 0.5, kInf, 0.0, kInf},
        {-1e308, 0.0, 1e308, -1e308, 1e308}, {-1.0, -0.5, -0.0, -1.0, -0.0},
        {-kInf, 0.0, kInf, -kInf, kInf},     {2.0, 2.0, 2.0, 1.5, 3.5},
        {kNaN, 0.0, 1.0, 1.5, 3.5},
    };
    for (const SCase& c : cases) {
        auto dist = Make(c.L, c.C, c.U);
        dist->SetParamValue(PARAM_MEAN, 2.5);
        dist->SetAutoAxis();
        EXPECT_EQ(dist->m_dAxisMin, c.expectedMin) << c.L << " " << c.U;
        EXPECT_EQ(dist->m_dAxisMax, c.expectedMax) << c.L << " " << c.U;
        EXPECT_EQ(std::signbit(dist->m_dAxisMax), std::signbit(c.expectedMax)) << c.L << " " << c.U;
    }
}

TEST(Triangular, SourceConstructorConvertsNothing) {
    CDist* slot = nullptr;
    CTriangular source(&slot, "span", nullptr);
    source.SetParamValue(PARAM_MOST_LIKELY, 99.0); // inadmissible, but copied as it is
    source.m_nParamCombi = 1;
    CTriangular copy(nullptr, "ignored", &source);
    EXPECT_EQ(copy.m_ppReference, &slot);
    EXPECT_STREQ(copy.GetVarName().GetString(), "span");
    EXPECT_EQ(copy.m_nParamCombi, 1);
    EXPECT_EQ(copy.m_dAxisMin, source.m_dAxisMin);
    ExpectSlotsUnchanged(Snapshot(source), copy);
}

} // namespace
} // namespace stochvar::testing
