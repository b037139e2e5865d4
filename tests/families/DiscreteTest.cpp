// The discrete (categorical) family: category editing with its normalisation, the
// piecewise-linear cumulative function and its step inverse, containers left uneven by a damaged
// archive, and editing through the discrete dialog hook. Its input types (none), axis and copy
// are rows of FamilyTable.cpp.

#include "FamilySupport.h"

#include <stochvar/families/Discrete.h>
#include <stochvar/numerics/ExOr.h>
#include <stochvar/numerics/Numerics.h>
#include <support/RecordingHooks.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <numeric>
#include <string>
#include <tuple>
#include <vector>

namespace stochvar::testing {
namespace {

using Names = std::vector<std::string>;
using Values = std::vector<double>;

// Categories c0, c1, ... with the given frequencies.
std::unique_ptr<CDiscrete> MakeDiscrete(const Values& frequencies, CDist** ppReference = nullptr) {
    auto dist = std::make_unique<CDiscrete>(ppReference, "X", nullptr);
    for (double f : frequencies) {
        dist->AddCategory(("c" + std::to_string(dist->GetCategoryCount())).c_str(), f, -1);
    }
    return dist;
}

Values ValuesOf(const CDoubleArray& values) { return Values(values.begin(), values.end()); }

TEST(Discrete, EditingKeepsTheContainersParallelAndNormalised) {
    using Edit = std::function<void(CDiscrete&)>;
    auto add = [](double f, int at) { return [=](CDiscrete& d) { d.AddCategory("x", f, at); }; };
    auto drop = [](int at) { return [=](CDiscrete& d) { d.DeleteCategory(at); }; };
    auto dropNamed = [](CString s) { return [=](CDiscrete& d) { d.DeleteCategory(s); }; };
    auto swap = [](int a, int b) { return [=](CDiscrete& d) { d.SwitchIndex(a, b); }; };
    auto set = [](int k, double f) { return [=](CDiscrete& d) { d.SetCategoryFrequency(k, f); }; };
    struct SRow {
        std::vector<Edit> edits; // on categories c0, c1, c2 of frequencies 1, 3, 4
        Names names;
        Values frequencies;
    };
    // clang-format off
    const SRow rows[] = {
        {{add(8.0, 1)}, {"c0", "x", "c1", "c2"}, {1, 8, 3, 4}},                 // inserted
        {{add(8.0, 3)}, {"c0", "c1", "c2", "x"}, {1, 3, 4, 8}},                 // at the end
        {{add(8.0, -5)}, {"c0", "c1", "c2", "x"}, {1, 3, 4, 8}},                // appended
        {{add(0.0, 5)}, {"c0", "c1", "c2", "", "", "x"}, {1, 3, 4, 0, 0, 0}},   // padded
        {{add(-1.0, -1), add(kNaN, 0), add(-1e-300, 1), add(-kInf, -1)},        // refused
         {"c0", "c1", "c2"}, {1, 3, 4}},
        {{add(1e-300, -1)}, {"c0", "c1", "c2", "x"}, {1, 3, 4, 1e-300}},
        {{drop(0)}, {"c1", "c2"}, {3, 4}},
        {{drop(2), drop(0), drop(0)}, {}, {}},
        {{add(2.0, -1), dropNamed("x"), dropNamed("C1")}, {"c0", "c1", "c2"}, {1, 3, 4}},
        {{add(5.0, -1), add(2.0, 0), dropNamed("x")}, {"c0", "c1", "c2", "x"}, {1, 3, 4, 5}},
        {{swap(0, 2)}, {"c2", "c1", "c0"}, {4, 3, 1}},
        {{set(0, 0.0), set(1, 0.0), set(2, 0.0)}, {"c0", "c1", "c2"}, {0, 0, 0}},
        {{set(0, 1e-11), set(1, 0.0), set(2, 3e-11)}, {"c0", "c1", "c2"}, {1e-11, 0, 3e-11}},
        {{set(0, 1e-320), set(1, 0.0), set(2, 3e-320)}, {"c0", "c1", "c2"}, {1e-320, 0, 3e-320}},
        {{set(0, 2.5e-11), set(1, 0.0), set(2, 7.5e-11)},                       // sum 1e-10
         {"c0", "c1", "c2"}, {2.5e-11, 0, 7.5e-11}},
        {{set(1, -2.0)}, {"c0", "c1", "c2"}, {1, -2, 4}},                       // taken as it is
        {{drop(-1), drop(3), swap(0, 3), swap(-1, 0), set(3, 9.0), set(-1, 9.0)},
         {"c0", "c1", "c2"}, {1, 3, 4}},                                        // positions outside
    };
    // clang-format on
    CRecordingHooks hooks; // a refusal shows a message box at once
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(::testing::Message() << "row " << i);
        auto dist = MakeDiscrete({1.0, 3.0, 4.0});
        for (const Edit& edit : rows[i].edits) {
            edit(*dist);
            ASSERT_EQ(dist->m_CategoryNames.GetSize(), dist->GetCategoryCount());
            ASSERT_EQ(dist->m_Probabilities.GetSize(), dist->GetCategoryCount());
        }
        const Values& f = rows[i].frequencies;
        const int n = static_cast<int>(f.size());
        const double sum = std::accumulate(f.begin(), f.end(), 0.0);
        ASSERT_EQ(dist->GetCategoryCount(), n);
        for (int k = -1; k <= n; ++k) { // a position outside reads as empty
            const bool inside = k >= 0 && k < n;
            CString name("stale");
            double frequency = -1.0;
            double probability = -1.0;
            dist->GetCategory(k, name, frequency, probability);
            EXPECT_STREQ(name.GetString(), inside ? rows[i].names[k].c_str() : "") << k;
            EXPECT_EQ(frequency, inside ? f[k] : 0.0) << k;
            // The frequency over their sum, or 1/n each when they are all 0.
            EXPECT_NEAR(probability, !inside ? 0.0 : sum == 0.0 ? 1.0 / n : f[k] / sum, 1e-15);
        }
    }
    EXPECT_EQ(hooks.messages(), Names(4, "ERROR:\nFrequency must be >= 0"));
    EXPECT_EQ(MakeDiscrete({1.0})->GetCategoryIndex("C0"), -1); // names match exactly
    // Setting a frequency gives the category's new probability, or 0 outside the categories.
    EXPECT_DOUBLE_EQ(MakeDiscrete({1.0, 2.0, 3.0, 4.0})->SetCategoryFrequency(3, 14.0), 0.7);
    EXPECT_EQ(MakeDiscrete({1.0})->SetCategoryFrequency(1, 9.0), 0.0);
}

TEST(Discrete, CumulativeIsPiecewiseLinearAndInverseIsItsStepInverse) {
    const Values shapes[] = {
        {}, {1.0, 3.0}, {2.0, 0.0, 5.0, 3.0}, {0.0, 0.0, 1.0}, Values(10, 1.0), {0.0, 0.0, 0.0}};
    for (const Values& frequencies : shapes) {
        SCOPED_TRACE(frequencies.size());
        auto dist = MakeDiscrete(frequencies);
        const int n = dist->GetCategoryCount();
        // Category k spreads its probability p over [k - 1/2, k + 1/2], edges included.
        double below = 0.0; // the probability of the categories left of k
        for (int k = 0; k < n; ++k) {
            const double p = dist->m_Probabilities[k];
            for (double t : {0.0, 0.25, 0.5, 1.0}) {
                EXPECT_NEAR(dist->GetCumulative(k - 0.5 + t), below + t * p, 1e-15) << k << t;
            }
            EXPECT_EQ(dist->GetDensity(k + 0.5), p) << k;
            EXPECT_EQ(dist->GetDensity(k - 0.5 + 2e-10), p) << k;
            // Position k is returned for exactly the p in (below, below + p].
            if (p > 0.0) {
                EXPECT_EQ(dist->GetInverse(Above(below)), k);
                EXPECT_EQ(dist->GetInverse(std::min(below + p, Below(1.0))), k);
            }
            below += p;
        }
        for (double x : {n + 0.5 + 2e-10, 1e300, kInf, kNaN, -kInf, -1.6}) {
            EXPECT_EQ(dist->GetDensity(x), 0.0) << x;
            EXPECT_EQ(dist->GetCumulative(x), x > 0.0 ? 1.0 : 0.0) << x;
        }
        // The density truncates towards zero, so (-1.5, -0.5] reads as category 0 too.
        EXPECT_EQ(dist->GetDensity(-0.9), n > 0 ? dist->m_Probabilities[0] : 0.0);
        for (double p : {kNaN, -0.5, 0.0, 1.0, 1.5}) {
            EXPECT_EQ(dist->GetInverse(p), p >= 1.0 ? std::max(n - 1, 0) : 0) << p;
        }
    }
}

// Frequencies at both ends of the number range keep their shares: the sum of 1e308 and 1e308
// overflows and that of the subnormal 1e-320 and 3e-320 lies below 1e-10, yet both are exact
// after scaling by a power of 2. Only frequencies that are all 0 or not finite are refused.
// Sampling from a fixed seed draws every category with a positive probability about as often
// as it should (within 5 standard errors of 2000 draws).
TEST(Discrete, ExtremeFrequenciesKeepTheirShares) {
    constexpr double kMax = std::numeric_limits<double>::max();
    const std::tuple<Values, Values, std::string> rows[] = {
        {{1e308, 1e308}, {0.5, 0.5}, ""},
        {{1e-320, 3e-320}, {0.25, 0.75}, ""},
        {{kMax, 0.0, kMax, kMax, kMax}, {0.25, 0.0, 0.25, 0.25, 0.25}, ""},
        {{1e-11, 3e-11}, {0.25, 0.75}, ""},
        {{1e300, 3e300}, {0.25, 0.75}, ""}, // the plain sum, exact as well
        {{0.0, 0.0}, {0.5, 0.5}, "the frequencies of its categories add up to 0"},
    };
    for (const auto& [frequencies, probabilities, strReason] : rows) {
        SCOPED_TRACE(::testing::Message() << frequencies[0] << ", " << frequencies[1]);
        auto dist = MakeDiscrete(frequencies);
        EXPECT_EQ(ValuesOf(dist->m_Probabilities), probabilities);
        CStringArray reasons;
        dist->ListSamplingObstacles(reasons);
        EXPECT_EQ(reasons.IsEmpty() ? std::string() : reasons[0].GetString(), strReason);
        if (!strReason.empty()) {
            continue;
        }
        constexpr int kDraws = 2000;
        std::vector<int> counts(probabilities.size(), 0);
        CExOr exor(2718, 28182, 8459);
        for (int i = 0; i < kDraws; ++i) {
            ++counts[static_cast<std::size_t>(dist->GetRandom(&exor))];
        }
        for (std::size_t k = 0; k < counts.size(); ++k) {
            const double p = probabilities[k];
            EXPECT_NEAR(counts[k], kDraws * p, 5.0 * std::sqrt(kDraws * p * (1.0 - p))) << k;
        }
    }
    // A frequency that is not finite or negative is named, stored as it is.
    for (const auto& [f, strReason] :
         {std::pair{kNaN,
                    "the frequency of category 2 is nan: it must be a finite number, 0 or more"},
          {-1.0, "the frequency of category 2 is -1: it must be a finite number, 0 or more"}}) {
        auto dist = MakeDiscrete({1.0, 3.0});
        dist->m_Frequencies[1] = f;
        CStringArray reasons;
        dist->ListSamplingObstacles(reasons);
        ASSERT_EQ(reasons.GetSize(), 1);
        EXPECT_STREQ(reasons[0].GetString(), strReason);
    }
}

// The inverse with trailing categories of probability 0, {1, 3, 0}: each p in (0, 1) gives the
// first category whose running sum reaches it, so never the empty last one; p = 1 (and above)
// gives the last position whatever its probability, as its header says.
TEST(Discrete, InverseWithTrailingZeroCategories) {
    auto dist = MakeDiscrete({1.0, 3.0, 0.0});
    const std::pair<double, double> rows[] = {
        {kNaN, 0.0}, {0.0, 0.0},        {1e-300, 0.0}, {0.25, 0.0}, {Above(0.25), 1.0},
        {0.5, 1.0},  {Below(1.0), 1.0}, {1.0, 2.0},    {1.5, 2.0},
    };
    for (const auto& [p, k] : rows) {
        EXPECT_EQ(dist->GetInverse(p), k) << p;
    }
}

TEST(Discrete, AccurateSurvivalAddsTheProbabilitiesAboveFromTheTop) {
    const CNumericsScope accurate(ENumerics::Accurate);
    auto dist = MakeDiscrete({1.0, 3.0, 4e-30}); // 1/4, 3/4 and 1e-30, which 1 - F would lose
    const double p2 = dist->m_Probabilities[2];
    for (const auto& [x, expected] : {std::pair{kNaN, 1.0},
                                      {-0.5, 1.0},
                                      {0.0, 0.875},
                                      {1.5, p2},
                                      {2.0, 0.5 * p2},
                                      {2.5, 0.0},
                                      {7.0, 0.0}}) {
        EXPECT_NEAR(dist->GetSurvival(x), expected, 1e-15 * expected) << x;
    }
    // The inverse at 1 - q: the first position whose running sum reaches it.
    for (const auto& [q, k] : {std::pair{1e-31, 2.0}, {0.5, 1.0}, {0.75, 0.0}, {0.9, 0.0}}) {
        EXPECT_EQ(dist->GetInverseSurvival(q), k) << q;
    }
}

TEST(Discrete, UnevenContainersFromADamagedArchiveAreReadWithinBounds) {
    // Loading takes the three containers as stored. Nothing may read beyond any of them (the
    // sanitizer build watches this), and a position that is not a whole category is left alone.
    const std::pair<int, int> kLengths[] = {{2, 1}, {3, 0}, {0, 3}, {1, 2}, {2, 4}};
    for (const auto& [names, probabilities] : kLengths) {
        SCOPED_TRACE(::testing::Message() << names << " names, " << probabilities << " p");
        CDiscrete dist;
        dist.m_Frequencies.SetSize(3);
        dist.m_Frequencies[2] = 2.0;
        dist.m_CategoryNames.SetSize(names);
        dist.m_Probabilities.SetSize(probabilities);
        for (int k = 0; k < probabilities; ++k) {
            dist.m_Probabilities[k] = 0.1 * (k + 1);
        }
        for (int k = 0; k <= 3; ++k) { // position 3 is past the last category
            EXPECT_EQ(dist.GetDensity(k), k < probabilities && k < 3 ? 0.1 * (k + 1) : 0.0) << k;
        }
        // Past the last category only the categories' own probabilities count.
        EXPECT_LE(dist.GetCumulative(3.0), 0.6 + 1e-15);
        EXPECT_EQ(dist.GetInverse(0.9), 2.0); // beyond the stored probabilities: the last
        dist.SwitchIndex(0, 2);
        dist.DeleteCategory(2);
        EXPECT_EQ(dist.SetCategoryFrequency(2, 5.0), 0.0);
        EXPECT_EQ(ValuesOf(dist.m_Frequencies), (Values{0.0, 0.0, 2.0}));
        dist.Normalise(); // brings the probabilities back in line with the frequencies
        EXPECT_EQ(ValuesOf(dist.m_Probabilities), (Values{0.0, 0.0, 1.0}));
    }
}

TEST(Discrete, DialogKeepsTheObjectAndRestoresUnlessConfirmed) {
    for (int result : {IDOK, IDCANCEL, 0}) {
        SCOPED_TRACE(result);
        SHostHooks extra;
        extra.changeDiscrete = [result](CDiscrete* pDiscrete) {
            pDiscrete->AddCategory("added", 4.0, -1);
            pDiscrete->SwitchIndex(0, 1);
            pDiscrete->SetCanChangeCategories(FALSE);
            return result;
        };
        CRecordingHooks hooks(extra);
        CDist* slot = nullptr;
        auto dist = MakeDiscrete({1.0, 3.0}, &slot);
        CDist* pBase = dist.get(); // hosts call it through the base class
        EXPECT_EQ(pBase->ChangeDistribution(), dist.get());
        EXPECT_EQ(slot, nullptr) << "the reference slot is not touched";
        EXPECT_FALSE(dist->CanChangeCategories()) << "neither copied nor put back";
        const bool kept = result == IDOK;
        EXPECT_EQ(dist->m_CategoryNames[0], kept ? "c1" : "c0");
        EXPECT_EQ(ValuesOf(dist->m_Probabilities),
                  kept ? (Values{0.375, 0.125, 0.5}) : (Values{0.25, 0.75}));
    }
}

} // namespace
} // namespace stochvar::testing
