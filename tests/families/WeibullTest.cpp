#include "FamilySupport.h"

#include <stochvar/families/Normal.h>
#include <stochvar/families/Weibull.h>
#include <stochvar/framework/RuntimeClass.h>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>

namespace stochvar::testing {
namespace {

constexpr const char* kMeanMessage = "Lower bound is larger than mean.";
constexpr const char* kNotFoundMessage = "Weibull parameters not found after 50 iterations.";
constexpr const char* kShapeMessage = "Both Delta and Beta must be positive.";

// Moments of the Weibull distribution of scale alpha and shape b shifted by L, from glibc's
// tgamma (independent of the library's gamma function).
double WeibullMean(double alpha, double b, double lower) {
    return lower + alpha * std::tgamma(1.0 + 1.0 / b);
}
double WeibullStdDev(double alpha, double b) {
    const double g1 = std::tgamma(1.0 + 1.0 / b);
    return alpha * std::sqrt(std::tgamma(1.0 + 2.0 / b) - g1 * g1);
}

TEST(Weibull, RunTimeClass) {
    const CRuntimeClass* pClass = STOCHVAR_RUNTIME_CLASS(CWeibull);
    EXPECT_STREQ(pClass->m_lpszClassName, "CWeibull");
    EXPECT_EQ(pClass->m_wSchema, 0u);
    EXPECT_EQ(CRuntimeClass::FromName("CWeibull"), pClass);
    std::unique_ptr<CObject> pObject(pClass->CreateObject());
    EXPECT_EQ(pObject->GetRuntimeClass(), pClass);
}

TEST(Weibull, FreshVariableHoldsTheDefaultsConverted) {
    auto dist = MakeFresh<CWeibull>();
    EXPECT_EQ(dist->m_nType, DIST_WEIBULL);
    EXPECT_STREQ(dist->GetVarTypeName().GetString(), "WEIBULL");
    EXPECT_EQ(dist->GetParamCombiCount(), 4);
    EXPECT_EQ(dist->m_nParamCombi, 0);
    EXPECT_TRUE(dist->m_bAutoAxis);
    EXPECT_EQ(dist->GetParamValue(PARAM_MEAN), 5.7);
    EXPECT_EQ(dist->GetParamValue(PARAM_STDDEV), 1.35);
    EXPECT_EQ(dist->GetParamValue(PARAM_LOWER_BOUND), 1.1);
    EXPECT_NEAR(dist->GetParamValue(PARAM_COV), 0.29347826086956524, 1e-16);
    const double b = dist->GetParamValue(PARAM_BETA);
    const double alpha = dist->GetParamValue(PARAM_ALPHA);
    const double delta = dist->GetParamValue(PARAM_DELTA);
    EXPECT_NEAR(b, 3.80535350, 5e-9);
    EXPECT_NEAR(alpha, 5.08929495, 5e-9);
    EXPECT_NEAR(delta, 0.00204605802, 5e-12);
    EXPECT_NEAR(delta, std::pow(alpha, -b), 1e-15 * delta);
    // The fitted distribution has the entered moments: the mean exactly (alpha is set from it),
    // the standard deviation to the tolerance 1e-6 of the search on COV, times M - L.
    EXPECT_NEAR(WeibullMean(alpha, b, 1.1), 5.7, 1e-14);
    EXPECT_NEAR(WeibullStdDev(alpha, b), 1.35, 1e-6 * 4.6);

    int nIterations = 0;
    CWeibull probe(nullptr, "P", dist.get());
    ASSERT_TRUE(probe.FindShape(dist->GetParamValue(PARAM_COV), nIterations));
    EXPECT_EQ(nIterations, 7);
    EXPECT_EQ(probe.GetParamValue(PARAM_BETA), b);

    dist->SetAutoAxis();
    EXPECT_EQ(dist->m_dAxisMin, 1.1);
    EXPECT_EQ(dist->m_dAxisMax, 5.7 + 5.0 * 1.35);
}

TEST(Weibull, InputTypes) {
    auto dist = MakeFresh<CWeibull>();
    const std::vector<std::pair<std::string, std::vector<UINT>>> expected = {
        {"/MEAN/STDDEV/LOWER_BOUND", {PARAM_MEAN, PARAM_STDDEV, PARAM_LOWER_BOUND}},
        {"/MEAN/COV/LOWER_BOUND", {PARAM_MEAN, PARAM_COV, PARAM_LOWER_BOUND}},
        {"/DELTA/BETA/LOWER_BOUND", {PARAM_DELTA, PARAM_BETA, PARAM_LOWER_BOUND}},
        {"/ALPHA/BETA/LOWER_BOUND", {PARAM_ALPHA, PARAM_BETA, PARAM_LOWER_BOUND}},
        {"", {}},
    };
    for (int n = 0; n < static_cast<int>(expected.size()); ++n) {
        EXPECT_EQ(Label(*dist, n), expected[static_cast<std::size_t>(n)].first);
        EXPECT_EQ(Ids(*dist, n), expected[static_cast<std::size_t>(n)].second);
    }
    EXPECT_EQ(Label(*dist, -1), "");
}

TEST(Weibull, CombinationCheckAcceptsEverything) {
    for (int n = -1; n <= 4; ++n) {
        auto dist = MakeFresh<CWeibull>();
        Enter(*dist, {{PARAM_MEAN, -1.0}, {PARAM_LOWER_BOUND, 5.0}, {PARAM_BETA, -2.0}});
        ExpectStatus(dist->CheckCombination(n), kClean);
    }
}

TEST(Weibull, RefusalsLeaveEverySlotUnchanged) {
    struct SCase {
        int nParamCombi;
        SlotValues values;
        const char* message;
    };
    const std::vector<SCase> cases = {
        {0, {{PARAM_MEAN, 1.1}, {PARAM_LOWER_BOUND, 1.1}}, kMeanMessage},
        {0, {{PARAM_MEAN, Below(1.1)}, {PARAM_LOWER_BOUND, 1.1}}, kMeanMessage},
        {1, {{PARAM_MEAN, -4.0}, {PARAM_LOWER_BOUND, 4.0}}, kMeanMessage},
        {0, {{PARAM_MEAN, kNaN}}, kMeanMessage},
        {1, {{PARAM_LOWER_BOUND, kNaN}}, kMeanMessage},
        {2, {{PARAM_DELTA, 0.0}, {PARAM_BETA, 2.0}}, kShapeMessage},
        {2, {{PARAM_DELTA, -1.0}, {PARAM_BETA, 2.0}}, kShapeMessage},
        {2, {{PARAM_DELTA, 0.5}, {PARAM_BETA, 0.0}}, kShapeMessage},
        {2, {{PARAM_DELTA, 0.5}, {PARAM_BETA, -0.5}}, kShapeMessage},
        {2, {{PARAM_DELTA, kNaN}, {PARAM_BETA, 2.0}}, kShapeMessage},
        {3, {{PARAM_ALPHA, 0.0}, {PARAM_BETA, 2.0}}, kShapeMessage},
        {3, {{PARAM_ALPHA, 2.0}, {PARAM_BETA, -1.0}}, kShapeMessage},
        {3, {{PARAM_ALPHA, 2.0}, {PARAM_BETA, kNaN}}, kShapeMessage},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "input type " << c.nParamCombi);
        auto dist = MakeFresh<CWeibull>();
        Enter(*dist, c.values);
        const Slots before = Snapshot(*dist);
        ExpectStatus(dist->CalcBasePar(c.nParamCombi), Error(c.message));
        ExpectSlotsUnchanged(before, *dist);
    }
}

TEST(Weibull, JustInsideTheBoundariesIsConverted) {
    struct SCase {
        int nParamCombi;
        SlotValues values;
    };
    const std::vector<SCase> cases = {
        {1, {{PARAM_MEAN, Above(1.1)}, {PARAM_COV, 0.3}, {PARAM_LOWER_BOUND, 1.1}}},
        {2, {{PARAM_DELTA, 1e-300}, {PARAM_BETA, 2.0}, {PARAM_LOWER_BOUND, 0.0}}},
        {2, {{PARAM_DELTA, 1.0}, {PARAM_BETA, 0.05}, {PARAM_LOWER_BOUND, 0.0}}},
        {3, {{PARAM_ALPHA, 1e-300}, {PARAM_BETA, 1.0}, {PARAM_LOWER_BOUND, 0.0}}},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "input type " << c.nParamCombi);
        auto dist = MakeFresh<CWeibull>();
        Enter(*dist, c.values);
        ExpectStatus(dist->CalcBasePar(c.nParamCombi), kClean);
        EXPECT_GT(dist->GetParamValue(PARAM_DELTA), 0.0);
        EXPECT_GT(dist->GetParamValue(PARAM_ALPHA), 0.0);
        EXPECT_GT(dist->GetParamValue(PARAM_BETA), 0.0);
    }
}

TEST(Weibull, SearchThatDoesNotSettleKeepsItsLastIterate) {
    // A negative target COV cannot be met (c(b) > 0 for every shape). The slot written before the
    // search (COV for input type 0, STDDEV for input type 1) and the shape change; ALPHA and DELTA
    // keep their values. A NaN target makes every step NaN, so each iterate is the floor 0.1.
    struct SCase {
        int nParamCombi;
        SlotValues values;
        int nWrittenSlot;
        double written;
        double shape; // 0: only "changed" is checked
    };
    const std::vector<SCase> cases = {
        {0,
         {{PARAM_MEAN, 5.0}, {PARAM_STDDEV, -1.0}, {PARAM_LOWER_BOUND, 1.0}},
         PARAM_COV,
         -0.25,
         0.0},
        {1,
         {{PARAM_MEAN, 5.0}, {PARAM_COV, -0.5}, {PARAM_LOWER_BOUND, 1.0}},
         PARAM_STDDEV,
         -2.0,
         0.0},
        {1,
         {{PARAM_MEAN, 5.0}, {PARAM_COV, kNaN}, {PARAM_LOWER_BOUND, 1.0}},
         PARAM_STDDEV,
         kNaN,
         0.1},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "input type " << c.nParamCombi);
        auto dist = MakeFresh<CWeibull>();
        Enter(*dist, c.values);
        Slots expected = Snapshot(*dist);
        ExpectStatus(dist->CalcBasePar(c.nParamCombi), Error(kNotFoundMessage));
        const double written = dist->GetParamValue(c.nWrittenSlot);
        if (std::isnan(c.written)) {
            EXPECT_TRUE(std::isnan(written));
        } else {
            EXPECT_EQ(written, c.written);
        }
        const double b = dist->GetParamValue(PARAM_BETA);
        if (c.shape > 0.0) {
            EXPECT_EQ(b, c.shape);
        } else {
            EXPECT_NE(b, expected[PARAM_BETA]);
            EXPECT_GT(b, 0.0);
        }
        expected[static_cast<std::size_t>(c.nWrittenSlot)] = written;
        expected[PARAM_BETA] = b;
        ExpectSlotsUnchanged(expected, *dist);

        // Every one of the 51 iterations ran.
        int nIterations = 0;
        CWeibull probe(nullptr, "P", dist.get());
        EXPECT_FALSE(probe.FindShape(dist->GetParamValue(PARAM_COV), nIterations));
        EXPECT_EQ(nIterations, 51);
        EXPECT_EQ(probe.GetParamValue(PARAM_BETA), b);
    }
}

TEST(Weibull, ScaleAndShapeGiveTheTextbookMoments) {
    // Closed forms: b = 1 is exponential (mean and sd alpha), b = 2 has mean alpha sqrt(pi)/2 and
    // sd alpha sqrt(1 - pi/4), b = 1/2 has mean 2 alpha and sd alpha sqrt(20).
    struct SCase {
        int nParamCombi;
        SlotValues values;
        double alpha, delta, mean, stdDev;
    };
    const double pi = std::numbers::pi;
    const std::vector<SCase> cases = {
        {3, {{PARAM_ALPHA, 2.0}, {PARAM_BETA, 1.0}, {PARAM_LOWER_BOUND, 0.0}}, 2.0, 0.5, 2.0, 2.0},
        {2, {{PARAM_DELTA, 0.5}, {PARAM_BETA, 1.0}, {PARAM_LOWER_BOUND, 0.0}}, 2.0, 0.5, 2.0, 2.0},
        {3,
         {{PARAM_ALPHA, 3.0}, {PARAM_BETA, 2.0}, {PARAM_LOWER_BOUND, -1.0}},
         3.0,
         1.0 / 9.0,
         -1.0 + 1.5 * std::sqrt(pi),
         3.0 * std::sqrt(1.0 - pi / 4.0)},
        {2,
         {{PARAM_DELTA, 1.0 / 9.0}, {PARAM_BETA, 2.0}, {PARAM_LOWER_BOUND, -1.0}},
         3.0,
         1.0 / 9.0,
         -1.0 + 1.5 * std::sqrt(pi),
         3.0 * std::sqrt(1.0 - pi / 4.0)},
        {3,
         {{PARAM_ALPHA, 0.25}, {PARAM_BETA, 0.5}, {PARAM_LOWER_BOUND, 10.0}},
         0.25,
         2.0,
         10.5,
         0.25 * std::sqrt(20.0)},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "input type " << c.nParamCombi);
        auto dist = MakeFresh<CWeibull>();
        Enter(*dist, c.values);
        ExpectStatus(dist->CalcBasePar(c.nParamCombi), kClean);
        const double L = dist->GetParamValue(PARAM_LOWER_BOUND);
        EXPECT_NEAR(dist->GetParamValue(PARAM_ALPHA), c.alpha, 1e-15 * c.alpha);
        EXPECT_NEAR(dist->GetParamValue(PARAM_DELTA), c.delta, 1e-15 * c.delta);
        EXPECT_NEAR(dist->GetParamValue(PARAM_MEAN), c.mean, 1e-14 * std::fabs(c.mean));
        EXPECT_NEAR(dist->GetParamValue(PARAM_STDDEV), c.stdDev, 1e-14 * c.stdDev);
        EXPECT_NEAR(dist->GetParamValue(PARAM_COV), c.stdDev / (c.mean - L), 1e-14);
    }
}

TEST(Weibull, MeanAndSpreadRoundTrip) {
    // Moments made from (alpha, b, L), then entered as mean and spread: the search finds the
    // shape again. The search stops once c is within 1e-6 of the target and then takes one more
    // Newton step, whose derivative is a difference over 0.0005; the shape comes back to about
    // 1e-9, and the scale with it.
    for (double b : {0.7, 1.0, 1.5, 2.0, 3.8, 7.0, 15.0}) {
        SCOPED_TRACE(::testing::Message() << "b = " << b);
        auto source = MakeFresh<CWeibull>();
        Enter(*source, {{PARAM_ALPHA, 2.5}, {PARAM_BETA, b}, {PARAM_LOWER_BOUND, -3.0}});
        ASSERT_TRUE(source->CalcBasePar(3).IsOk());
        const double M = source->GetParamValue(PARAM_MEAN);
        const double S = source->GetParamValue(PARAM_STDDEV);
        const double V = source->GetParamValue(PARAM_COV);

        auto fromStdDev = MakeFresh<CWeibull>();
        Enter(*fromStdDev, {{PARAM_MEAN, M}, {PARAM_STDDEV, S}, {PARAM_LOWER_BOUND, -3.0}});
        ExpectStatus(fromStdDev->CalcBasePar(0), kClean);
        EXPECT_NEAR(fromStdDev->GetParamValue(PARAM_BETA), b, 1e-9 * b);
        EXPECT_NEAR(fromStdDev->GetParamValue(PARAM_ALPHA), 2.5, 1e-9);
        EXPECT_NEAR(fromStdDev->GetParamValue(PARAM_COV), V, 1e-15);

        auto fromCov = MakeFresh<CWeibull>();
        Enter(*fromCov, {{PARAM_MEAN, M}, {PARAM_COV, V}, {PARAM_LOWER_BOUND, -3.0}});
        ExpectStatus(fromCov->CalcBasePar(1), kClean);
        EXPECT_EQ(fromCov->GetParamValue(PARAM_BETA), fromStdDev->GetParamValue(PARAM_BETA));
        EXPECT_NEAR(fromCov->GetParamValue(PARAM_ALPHA), 2.5, 1e-9);
        // The STDDEV slot holds the standard deviation of the fitted distribution,
        // COV (M - L), not COV M.
        EXPECT_NEAR(fromCov->GetParamValue(PARAM_STDDEV), S, 1e-14 * S);
        EXPECT_NEAR(fromCov->GetParamValue(PARAM_STDDEV), WeibullStdDev(2.5, b), 1e-8 * S);
    }
}

TEST(Weibull, TargetOneIsMetAtTheStart) {
    // c(1) = sqrt(Gamma(3) - Gamma(2)^2) / Gamma(2) = 1: the first iteration meets the target
    // with a zero step, and the variable is exponential with alpha = M - L.
    auto dist = MakeFresh<CWeibull>();
    Enter(*dist, {{PARAM_MEAN, 3.0}, {PARAM_COV, 1.0}, {PARAM_LOWER_BOUND, 1.0}});
    ExpectStatus(dist->CalcBasePar(1), kClean);
    EXPECT_EQ(dist->GetParamValue(PARAM_BETA), 1.0);
    EXPECT_NEAR(dist->GetParamValue(PARAM_ALPHA), 2.0, 1e-15);
    EXPECT_NEAR(dist->GetParamValue(PARAM_DELTA), 0.5, 1e-15);
    EXPECT_EQ(dist->GetParamValue(PARAM_STDDEV), 2.0);
    int nIterations = 0;
    EXPECT_TRUE(dist->FindShape(1.0, nIterations));
    EXPECT_EQ(nIterations, 1);
}

TEST(Weibull, UnknownInputTypeChangesNothing) {
    auto dist = MakeFresh<CWeibull>();
    const Slots before = Snapshot(*dist);
    ExpectStatus(dist->CalcBasePar(4), kClean);
    ExpectStatus(dist->CalcBasePar(-1), kClean);
    ExpectSlotsUnchanged(before, *dist);
}

TEST(Weibull, EvaluationsAroundTheLowerBound) {
    struct SCase {
        double b;
        double densityJustAbove; // limit of the density at L from above; -1: +infinity
    };
    // The density at L+ is 0 for b > 1, delta for b = 1 and unbounded for b < 1.
    const SCase cases[] = {{0.5, -1.0}, {1.0, 0.25}, {2.0, 0.0}, {3.8, 0.0}};
    for (const SCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "b = " << c.b);
        auto dist = MakeFresh<CWeibull>();
        const double alpha = std::pow(0.25, -1.0 / c.b);
        Enter(*dist, {{PARAM_DELTA, 0.25}, {PARAM_BETA, c.b}, {PARAM_LOWER_BOUND, -2.0}});
        ASSERT_TRUE(dist->CalcBasePar(2).IsOk());
        EXPECT_EQ(dist->GetCumulative(-2.0), 0.0);
        EXPECT_EQ(dist->GetDensity(-2.0), 0.0);
        EXPECT_EQ(dist->GetCumulative(Below(-2.0)), 0.0);
        EXPECT_EQ(dist->GetDensity(-30.0), 0.0);
        EXPECT_EQ(dist->GetInverse(0.0), -2.0);
        const double justAbove = dist->GetDensity(-2.0 + 1e-12);
        if (c.densityJustAbove < 0.0) {
            EXPECT_GT(justAbove, 1e3);
        } else {
            EXPECT_NEAR(justAbove, c.densityJustAbove, 1e-9);
        }
        // One scale above the bound the cumulative function is 1 - 1/e whatever the shape.
        EXPECT_NEAR(dist->GetCumulative(-2.0 + alpha), 1.0 - std::exp(-1.0), 1e-15);
        EXPECT_NEAR(dist->GetInverse(1.0 - std::exp(-1.0)), -2.0 + alpha, 1e-14 * alpha);
        // The density in the scale form (b / alpha) (d / alpha)^(b - 1) exp(-(d / alpha)^b).
        for (double d : {0.1, 0.5, 1.0, 3.0, 10.0}) {
            const double z = d / alpha;
            const double expected =
                c.b / alpha * std::pow(z, c.b - 1.0) * std::exp(-std::pow(z, c.b));
            EXPECT_NEAR(dist->GetDensity(-2.0 + d), expected, 1e-14 * expected) << "d = " << d;
        }
        EXPECT_EQ(dist->GetInverse(1.0), kInf);
        // No guard outside [0, 1]: a negative base to the power 1/b, NaN unless 1/b is whole.
        if (std::trunc(1.0 / c.b) != 1.0 / c.b) {
            EXPECT_TRUE(std::isnan(dist->GetInverse(-0.1)));
            EXPECT_TRUE(std::isnan(dist->GetInverse(1.1)));
        } else {
            EXPECT_NE(dist->GetInverse(-0.1), -2.0);
        }
    }
}

TEST(Weibull, AxisRuleStartsAtTheBound) {
    auto dist = MakeFresh<CWeibull>();
    Enter(*dist, {{PARAM_ALPHA, 2.0}, {PARAM_BETA, 1.0}, {PARAM_LOWER_BOUND, -1.0}});
    ASSERT_TRUE(dist->CalcBasePar(3).IsOk());
    dist->SetAutoAxis();
    EXPECT_EQ(dist->m_dAxisMin, -1.0);
    EXPECT_NEAR(dist->m_dAxisMax, 1.0 + 5.0 * 2.0, 1e-14);
    // Without a spread the bounds stay as they are.
    for (double S : {0.0, -1.0, kNaN}) {
        dist->m_dAxisMin = 7.0;
        dist->m_dAxisMax = 8.0;
        dist->SetParamValue(PARAM_STDDEV, S);
        dist->SetAutoAxis();
        EXPECT_EQ(dist->m_dAxisMin, 7.0);
        EXPECT_EQ(dist->m_dAxisMax, 8.0);
    }
}

TEST(Weibull, CopiesKeepTheSlotsWithoutConverting) {
    auto dist = MakeFresh<CWeibull>();
    dist->m_nParamCombi = 3;
    dist->m_nCurParam = 2;
    dist->SetParamValue(PARAM_MEAN, 100.0); // out of step with the shape on purpose
    const Slots before = Snapshot(*dist);
    std::unique_ptr<CDist> copy(dist->CreateCopy());
    EXPECT_EQ(copy->GetRuntimeClass(), STOCHVAR_RUNTIME_CLASS(CWeibull));
    EXPECT_EQ(copy->m_nParamCombi, 3);
    EXPECT_EQ(copy->m_nCurParam, 2);
    ExpectSlotsUnchanged(before, *copy);

    // From another family: slots carried over, input type and cursor reset, nothing converted.
    auto normal = MakeFresh<CNormal>();
    normal->m_nParamCombi = 1;
    normal->m_nCurParam = 1;
    const Slots normalSlots = Snapshot(*normal);
    std::unique_ptr<CDist> changed(normal->CreateNewDist(DIST_WEIBULL));
    ASSERT_NE(changed, nullptr);
    EXPECT_EQ(changed->GetRuntimeClass(), STOCHVAR_RUNTIME_CLASS(CWeibull));
    EXPECT_EQ(changed->m_nType, DIST_WEIBULL);
    EXPECT_EQ(changed->m_nParamCombi, 0);
    EXPECT_EQ(changed->m_nCurParam, 0);
    ExpectSlotsUnchanged(normalSlots, *changed);
}

} // namespace
} // namespace stochvar::testing
