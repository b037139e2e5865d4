// The generic tests every family passes through, driven by the rows of FamilyTable.cpp, with
// identities that hold whatever the family: GetCumulative(GetInverse(p)) = p, a density
// integrating to 1 with the slot moments and to GetCumulative, the moments of the base parameters
// equal to those of the slots, and the tails (survival function, its inverse, the logarithms):
// the faithful functions' own under faithful numerics, under accurate ones inverses that give
// back p down to 1e-300, tails that add up to 1, and closed forms far out. Draws are GetInverse
// of a uniform number in the model layer (tests/model), so these identities cover them too.

#include "FamilySupport.h"

#include <stochvar/numerics/Numerics.h>

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cstdint>
#include <memory>
#include <tuple>
#include <utility>

namespace stochvar::testing {
namespace {

std::unique_ptr<CDist> Make(const SFamilyRows& family, const SVariableRow& row,
                            CDistStatus* pStatus = nullptr) {
    std::unique_ptr<CDist> dist(family.create());
    Enter(*dist, row.values);
    CDistStatus status = row.nParamCombi >= 0 ? dist->CalcBasePar(row.nParamCombi) : CDistStatus();
    if (pStatus != nullptr) {
        *pStatus = status;
    }
    return dist;
}

class FamilyRowsTest : public ::testing::TestWithParam<SFamilyRows> {
protected:
    std::unique_ptr<CDist> Fresh() const { return std::unique_ptr<CDist>(GetParam().create()); }
    int Count() const { return static_cast<int>(GetParam().labels.size()); }
    // check(variable) for each variable row that goes through at least these identities.
    template <class TCheck>
    void ForEachVariable(EIdentities minimum, TCheck check) const {
        for (std::size_t i = 0; i < GetParam().variables.size(); ++i) {
            const SVariableRow& row = GetParam().variables[i];
            if (row.identities >= minimum) {
                SCOPED_TRACE(::testing::Message() << "variable " << i);
                check(*Make(GetParam(), row));
            }
        }
    }
};

TEST_P(FamilyRowsTest, FreshVariableAndInputTypes) {
    auto dist = Fresh();
    EXPECT_EQ(dist->GetParamCombiCount(), Count());
    EXPECT_TRUE(dist->m_bAutoAxis);
    for (int n = -1; n <= Count(); ++n) { // beyond the input types the label is empty
        CString label("stale");
        CUIntArray ids;
        dist->GetParamsList(n, label, &ids);
        EXPECT_STREQ(label.GetString(), n >= 0 && n < Count() ? GetParam().labels[n] : "");
    }
}

TEST_P(FamilyRowsTest, ChecksAndRefusals) {
    for (const SStatusRow& row : GetParam().statuses) {
        SCOPED_TRACE(::testing::Message() << (row.bConversion ? "conversion" : "check")
                                          << " of input type " << row.nParamCombi);
        auto dist = Fresh();
        Enter(*dist, row.values);
        const Slots before = Snapshot(*dist);
        ExpectStatus(row.bConversion ? dist->CalcBasePar(row.nParamCombi)
                                     : dist->CheckCombination(row.nParamCombi),
                     row.pszError);
        if (!row.bConversion || *row.pszError != '\0') {
            ExpectSlotsUnchanged(before, *dist);
        }
    }
}

TEST_P(FamilyRowsTest, UnknownInputTypeChangesNothing) {
    for (int n : {-1, Count()}) {
        auto dist = Fresh();
        const Slots before = Snapshot(*dist);
        ExpectStatus(dist->CalcBasePar(n), "");
        ExpectSlotsUnchanged(before, *dist);
        for (int nParam = 0; nParam < PARAM_COUNT; ++nParam) {
            dist->SetParamValue(nParam, -1.0); // what the known input types' checks refuse
        }
        ExpectStatus(dist->CheckCombination(n), "");
    }
}

TEST_P(FamilyRowsTest, ConversionsAndEvaluations) {
    const STolerance& tolerance = GetParam().tolerance;
    // The points are closed forms: under accurate numerics every family meets them to rounding.
    const double accurateCdf = 1e-14;
    for (std::size_t i = 0; i < GetParam().variables.size(); ++i) {
        const SVariableRow& row = GetParam().variables[i];
        SCOPED_TRACE(::testing::Message() << "variable " << i);
        CDistStatus status;
        auto dist = Make(GetParam(), row, &status);
        if (row.nParamCombi >= 0) {
            ExpectStatus(status, row.pszError, row.pszWarning);
        }
        for (const auto& [nParam, dValue] : row.slots) {
            SCOPED_TRACE(kParamKeywords[nParam]);
            ExpectClose(dist->GetParamValue(nParam), dValue, row.slotTolerance);
        }
        for (const SPoint& point : row.points) {
            SCOPED_TRACE(::testing::Message() << "x = " << point.x);
            if (!std::isnan(point.density)) {
                ExpectClose(dist->GetDensity(point.x), point.density, 1e-13); // closed forms
            }
            if (!std::isnan(point.cumulative)) {
                ExpectClose(dist->GetCumulative(point.x), point.cumulative, tolerance.cdf);
                const CNumericsScope accurate(ENumerics::Accurate);
                ExpectClose(dist->GetCumulative(point.x), point.cumulative, accurateCdf);
                ExpectClose(dist->GetSurvival(point.x), 1.0 - point.cumulative, accurateCdf);
            }
        }
        for (const SQuantile& quantile : row.quantiles) {
            SCOPED_TRACE(::testing::Message() << "p = " << quantile.p);
            ExpectClose(dist->GetInverse(quantile.p), quantile.x, tolerance.roundTrip);
            // Inside (0, 1) the accurate inverses meet the closed forms to rounding.
            if (quantile.p > 0.0 && quantile.p < 1.0) {
                const CNumericsScope accurate(ENumerics::Accurate);
                ExpectClose(dist->GetInverse(quantile.p), quantile.x, 1e-13);
                ExpectClose(dist->GetInverseSurvival(1.0 - quantile.p), quantile.x, 1e-13);
            }
        }
    }
}

TEST_P(FamilyRowsTest, AxisRule) {
    for (const SAxisRow& row : GetParam().axes) {
        auto dist = Fresh();
        Enter(*dist, row.values);
        if (!row.bNew) {
            dist->m_dAxisMin = -7.0;
            dist->m_dAxisMax = 7.0;
            dist->SetAutoAxis();
        }
        ExpectClose(dist->m_dAxisMin, row.axisMin, 1e-15);
        ExpectClose(dist->m_dAxisMax, row.axisMax, 1e-15);
        EXPECT_EQ(std::signbit(dist->m_dAxisMax), std::signbit(row.axisMax));
    }
}

TEST_P(FamilyRowsTest, CopyIsTheSameVariable) {
    CDist* slot = nullptr;
    auto source = Fresh();
    source->m_ppReference = &slot;
    source->m_nParamCombi = Count() - 1;
    source->m_nCurParam = 1;
    source->SetParamValue(PARAM_KSI, 0.75); // unused slots travel too
    std::unique_ptr<CDist> copy(source->CreateCopy());
    EXPECT_EQ(copy->GetRuntimeClass(), source->GetRuntimeClass());
    EXPECT_EQ(copy->m_ppReference, &slot);
    EXPECT_EQ(copy->m_nParamCombi, Count() - 1);
    EXPECT_EQ(copy->m_nCurParam, 1);
    ExpectSlotsUnchanged(Snapshot(*source), *copy);
}

TEST_P(FamilyRowsTest, CumulativeOfInverseGivesBackP) {
    ForEachVariable(kInverse, [this](CDist& dist) {
        double previous = -kInf;
        for (int k = 0; k <= 1000; ++k) {
            const double p = std::clamp(k * 0.001, 1e-5, 1.0 - 1e-5);
            const double x = dist.GetInverse(p);
            ASSERT_TRUE(std::isfinite(x)) << "p = " << p;
            // Rounding x to a double moves F by about f(x) times an ulp of x.
            const double rounding = dist.GetDensity(x) * std::fabs(x) * 2.3e-16;
            EXPECT_NEAR(dist.GetCumulative(x), p, GetParam().tolerance.roundTrip + rounding)
                << "p = " << p << ", x = " << x;
            EXPECT_GE(x, previous) << "the inverse decreases at p = " << p;
            previous = x;
        }
    });
}

std::uint64_t Bits(double value) { return std::bit_cast<std::uint64_t>(value); }

TEST_P(FamilyRowsTest, BaseParametersHaveTheSlotMomentsAndNothingStandsInTheWay) {
    ForEachVariable(kInverse, [](CDist& dist) {
        const SMoments slots = dist.GetMoments();
        const SMoments base = dist.GetMomentsOfBasePar();
        // The Weibull shape search leaves about 1e-9 (WeibullFromMoments); the others rounding.
        EXPECT_NEAR(base.dMean, slots.dMean, 1e-9 * slots.dStdDev + 1e-15 * std::fabs(slots.dMean));
        EXPECT_NEAR(base.dStdDev, slots.dStdDev, 1e-9 * slots.dStdDev);
        CStringArray reasons;
        dist.ListSamplingObstacles(reasons);
        EXPECT_TRUE(reasons.IsEmpty()) << reasons[0].str();
    });
}

TEST_P(FamilyRowsTest, FaithfulTailsAreTheFaithfulFunctionsOwn) {
    ForEachVariable(kInverse, [](CDist& dist) {
        const SMoments moments = dist.GetMoments();
        for (double k = -3.0; k <= 3.0; k += 1.5) {
            const double x = moments.dMean + k * moments.dStdDev;
            const double F = dist.GetCumulative(x);
            EXPECT_EQ(Bits(dist.GetSurvival(x)), Bits(1.0 - F)) << k;
            EXPECT_EQ(Bits(dist.GetLogCumulative(x)), Bits(std::log(F))) << k;
            EXPECT_EQ(Bits(dist.GetLogSurvival(x)), Bits(std::log(1.0 - F))) << k;
            EXPECT_EQ(Bits(dist.GetLogDensity(x)), Bits(std::log(dist.GetDensity(x)))) << k;
        }
        for (double q : {0.01, 0.5, 0.99}) {
            EXPECT_EQ(Bits(dist.GetInverseSurvival(q)), Bits(dist.GetInverse(1.0 - q))) << q;
        }
    });
}

// For each tail, its inverse at p gives a point where the tail is p: relative to p, and beyond
// that within what 16 ulps of the point move the tail (an inverse keeps the relative accuracy of
// its own terms, such as x - L, which the tail's condition |x T'(x) / T(x)|, up to BETA ln(1/p)
// for a Weibull tail, then amplifies). There the two tails add up to 1, and each logarithm is
// that of its function (exp of the logarithm, within |logarithm| ulps).
TEST_P(FamilyRowsTest, AccurateTailsInvertAddUpAndHaveTheirLogarithms) {
    const CNumericsScope accurate(ENumerics::Accurate);
    ForEachVariable(kInverse, [this](CDist& dist) {
        for (double p : {1e-300, 1e-100, 1e-20, 1e-8, 0.25, 0.5, 0.9}) {
            for (bool bUpper : {false, true}) {
                SCOPED_TRACE(::testing::Message() << "p = " << p << (bUpper ? " above" : " below"));
                const double x = bUpper ? dist.GetInverseSurvival(p) : dist.GetInverse(p);
                ASSERT_TRUE(std::isfinite(x)) << x;
                const double F = dist.GetCumulative(x);
                const double Q = dist.GetSurvival(x);
                // The change of the tail to the next double on either side.
                const auto tail = [&](double t) {
                    return bUpper ? dist.GetSurvival(t) : dist.GetCumulative(t);
                };
                const double ulp = std::max(std::fabs(tail(Below(x)) - tail(x)),
                                            std::fabs(tail(Above(x)) - tail(x)));
                EXPECT_NEAR(bUpper ? Q : F, p,
                            GetParam().tolerance.accurateRoundTrip * p + 16.0 * ulp);
                EXPECT_NEAR(F + Q, 1.0, 4.0 * DBL_EPSILON);
                // The density's own formula, from a rounded standardised value, is the less
                // accurate side of its identity: it loses about 2 |logarithm| ulps.
                const std::tuple<double, double, double> logs[] = {
                    {dist.GetLogCumulative(x), F, 1.0},
                    {dist.GetLogSurvival(x), Q, 1.0},
                    {dist.GetLogDensity(x), dist.GetDensity(x), 4.0}};
                for (const auto& [logValue, value, ulpsPerLog] : logs) {
                    if (value >= DBL_MIN && std::isfinite(value)) {
                        const double ulps = ulpsPerLog * std::fabs(std::log(value)) + 8.0;
                        EXPECT_NEAR(std::exp(logValue), value, ulps * DBL_EPSILON * value);
                    }
                }
            }
        }
    });
}

TEST_P(FamilyRowsTest, AccurateTailsFarOutMatchTheirClosedForms) {
    const CNumericsScope accurate(ENumerics::Accurate);
    for (const STailRow& row : GetParam().tails) {
        SCOPED_TRACE(::testing::Message() << "x = " << row.x);
        auto dist = Fresh();
        Enter(*dist, row.values);
        ExpectStatus(dist->CalcBasePar(row.nParamCombi), "");
        const std::tuple<double, double, double> tails[] = {
            {row.logCumulative, dist->GetLogCumulative(row.x), dist->GetCumulative(row.x)},
            {row.logSurvival, dist->GetLogSurvival(row.x), dist->GetSurvival(row.x)}};
        for (const auto& [expected, logValue, value] : tails) {
            if (std::isnan(expected)) {
                continue;
            }
            EXPECT_NEAR(logValue, expected, 1e-14 * std::fabs(expected));
            EXPECT_NEAR(value, std::exp(expected), 1e-13 * std::exp(expected));
        }
    }
}

// Integrals of g(x) f(x) in t with x = M + S sinh(t): near the mean the step in x is S times the
// step in t, in the tails it grows exponentially, so light and heavy tails are both covered out
// to |t| = 12, about 80,000 standard deviations. Pieces end at the density's kinks and jumps.
struct SDensityIntegral {
    SDensityIntegral(CDist& variable, const std::vector<int>& breakSlots)
        : dist(variable), M(variable.GetParamValue(PARAM_MEAN)),
          S(variable.GetParamValue(PARAM_STDDEV)) {
        ends = {M - S * std::sinh(12.0), M + S * std::sinh(12.0)};
        for (int nSlot : breakSlots) {
            const double point = variable.GetParamValue(nSlot);
            if (ends[0] < point && point < ends[1]) {
                ends.push_back(point);
            }
        }
        std::sort(ends.begin(), ends.end());
    }

    // Up to x, by the five-point Gauss-Legendre rule (nodes and weights in closed form) on steps
    // of 0.01 in t, which never evaluates the ends of a piece.
    template <class TWeight>
    double UpTo(double x, TWeight g) const {
        static const double u = std::sqrt(5.0 - 2.0 * std::sqrt(10.0 / 7.0)) / 3.0;
        static const double v = std::sqrt(5.0 + 2.0 * std::sqrt(10.0 / 7.0)) / 3.0;
        static const double wu = (322.0 + 13.0 * std::sqrt(70.0)) / 900.0;
        static const double wv = (322.0 - 13.0 * std::sqrt(70.0)) / 900.0;
        const double nodes[] = {-v, -u, 0.0, u, v};
        const double weights[] = {wv, wu, 128.0 / 225.0, wu, wv};
        double sum = 0.0;
        for (std::size_t piece = 0; piece + 1 < ends.size() && ends[piece] < x; ++piece) {
            const double ta = std::asinh((ends[piece] - M) / S);
            const double tb = std::asinh((std::min(ends[piece + 1], x) - M) / S);
            const int steps = std::max(4, static_cast<int>(std::ceil((tb - ta) / 0.01)));
            const double width = (tb - ta) / steps;
            for (int i = 0; i < steps; ++i) {
                for (int k = 0; k < 5; ++k) {
                    const double t = ta + (i + 0.5 + 0.5 * nodes[k]) * width;
                    const double y = M + S * std::sinh(t);
                    sum += weights[k] * 0.5 * width * S * std::cosh(t) * g(y) * dist.GetDensity(y);
                }
            }
        }
        return sum;
    }

    CDist& dist;
    const double M;
    const double S;
    std::vector<double> ends; // of the pieces
};

TEST_P(FamilyRowsTest, DensityIntegratesToOneWithTheSlotMomentsAndToTheCumulative) {
    const auto one = [](double) { return 1.0; };
    ForEachVariable(kQuadrature, [&](CDist& dist) {
        const SDensityIntegral integral(dist, GetParam().breakSlots);
        const double M = integral.M;
        const double S = integral.S;
        ASSERT_GT(S, 0.0);
        EXPECT_NEAR(integral.UpTo(kInf, one), 1.0, 1e-9);
        // Centred on the slot mean to keep the second moment free of cancellation.
        const double shift = integral.UpTo(kInf, [M](double x) { return x - M; });
        const double variance =
            integral.UpTo(kInf, [&](double x) { return (x - M - shift) * (x - M - shift); });
        EXPECT_NEAR(shift, 0.0, 1e-9 * S);
        EXPECT_NEAR(std::sqrt(variance), S, 1e-8 * S);
        // At M + k S, placed without the family's inverse.
        for (double k = -3.0; k <= 3.0; k += 0.5) {
            EXPECT_NEAR(dist.GetCumulative(M + k * S), integral.UpTo(M + k * S, one),
                        GetParam().tolerance.cdf)
                << k;
        }
    });
}

std::string FamilyName(const ::testing::TestParamInfo<SFamilyRows>& info) {
    return info.param.name;
}
INSTANTIATE_TEST_SUITE_P(Families, FamilyRowsTest, ::testing::ValuesIn(FamilyTable()), FamilyName);

} // namespace
} // namespace stochvar::testing
