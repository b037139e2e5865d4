// Tests of the discrete (categorical) family: category editing with its normalisation, the
// piecewise-linear cumulative function, the step inverse, sampling, the refusal of bad
// frequencies and editing through the discrete dialog hook.

#include <stochvar/families/Discrete.h>
#include <stochvar/module/HostHooks.h>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace stochvar {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

using Names = std::vector<std::string>;
using Values = std::vector<double>;
using Operation = std::function<void(CDiscrete&)>;

std::unique_ptr<CDiscrete> MakeDiscrete(const Names& names, const Values& frequencies,
                                        CDist** ppReference = nullptr) {
    auto pDist = std::make_unique<CDiscrete>(ppReference, "X", nullptr);
    for (std::size_t i = 0; i < names.size(); ++i) {
        pDist->AddCategory(names[i].c_str(), frequencies[i], -1);
    }
    return pDist;
}

Names NamesOf(const CDiscrete& dist) {
    Names names;
    for (const CString& name : dist.m_CategoryNames) {
        names.push_back(name.str());
    }
    return names;
}

Values ValuesOf(const CDoubleArray& values) {
    return Values(values.begin(), values.end());
}

// Each probability is its frequency over the sum of all frequencies, or 1/n for every category
// when the sum is below 1e-10; the three containers have the same length.
void ExpectNormalised(const CDiscrete& dist) {
    const int n = dist.GetCategoryCount();
    ASSERT_EQ(dist.m_CategoryNames.GetSize(), n);
    ASSERT_EQ(dist.m_Probabilities.GetSize(), n);
    double sum = 0.0;
    for (double f : dist.m_Frequencies) {
        sum += f;
    }
    for (int i = 0; i < n; ++i) {
        const double expected = sum < 1e-10 ? 1.0 / n : dist.m_Frequencies[i] / sum;
        EXPECT_DOUBLE_EQ(dist.m_Probabilities[i], expected) << "category " << i;
    }
}

void ExpectProbabilitiesSumToOne(const CDiscrete& dist) {
    if (dist.GetCategoryCount() == 0) {
        return;
    }
    double total = 0.0;
    for (double p : dist.m_Probabilities) {
        total += p;
    }
    EXPECT_NEAR(total, 1.0, 1e-14);
}

// Records every message box and answers OK.
struct SMessageRecorder {
    std::vector<std::string> texts;
    std::vector<UINT> styles;

    SHostHooks Hooks() {
        SHostHooks hooks;
        hooks.messageBox = [this](const CString& text, UINT style) {
            texts.push_back(text.str());
            styles.push_back(style);
            return IDOK;
        };
        return hooks;
    }
};

// ---------------------------------------------------------------------------------------------
// Construction, copies and the family's fixed answers

TEST(DiscreteTest, FullConstructorWithoutSourceGivesAnEmptyDiscreteVariable) {
    CDist* pSlot = nullptr;
    CDiscrete dist(&pSlot, "Load case", nullptr);
    EXPECT_EQ(dist.m_nType, DIST_DISCRETE);
    EXPECT_EQ(dist.GetVarTypeName(), "DISCRETE");
    EXPECT_EQ(dist.GetParamCombiCount(), 0);
    EXPECT_EQ(dist.m_nParamCombi, 0);
    EXPECT_EQ(dist.GetCategoryCount(), 0);
    EXPECT_TRUE(dist.m_CategoryNames.IsEmpty());
    EXPECT_TRUE(dist.m_Probabilities.IsEmpty());
    EXPECT_TRUE(dist.CanChangeCategories());
    EXPECT_TRUE(dist.m_bAutoAxis);
    EXPECT_EQ(dist.m_ppReference, &pSlot);
    EXPECT_EQ(dist.GetVarName(), "Load case");
}

TEST(DiscreteTest, ObjectsMadeForLoadingAllowCategoryChanges) {
    const CRuntimeClass* pClass = STOCHVAR_RUNTIME_CLASS(CDiscrete);
    EXPECT_STREQ(pClass->m_lpszClassName, "CDiscrete");
    EXPECT_EQ(pClass->m_wSchema, 0u);
    EXPECT_EQ(CRuntimeClass::FromName("CDiscrete"), pClass);
    EXPECT_TRUE(pClass->IsDerivedFrom(STOCHVAR_RUNTIME_CLASS(CDist)));

    std::unique_ptr<CObject> pObject(pClass->CreateObject());
    ASSERT_NE(pObject, nullptr);
    EXPECT_EQ(pObject->GetRuntimeClass(), pClass);
    auto* pDist = dynamic_cast<CDiscrete*>(pObject.get());
    ASSERT_NE(pDist, nullptr);
    EXPECT_TRUE(pDist->CanChangeCategories());
    // Loading overwrites type and input-type count; until then they are the base's.
    EXPECT_EQ(pDist->m_nType, DIST_FIXED);
    EXPECT_EQ(pDist->GetParamCombiCount(), 1);
}

TEST(DiscreteTest, CopiesCarryTheCategoriesButNotTheCategoryEditFlag) {
    CDist* pSlot = nullptr;
    auto pSource = MakeDiscrete({"a", "b", "c"}, {1.0, 3.0, 4.0}, &pSlot);
    pSource->SetCanChangeCategories(FALSE);
    pSource->m_bAutoAxis = FALSE;
    pSource->m_dAxisMin = -2.0;
    pSource->m_dAxisMax = 7.0;
    pSource->SetParamValue(PARAM_LAMBDA, 2.5);

    struct SCase {
        const char* what;
        std::function<CDist*(CDiscrete&)> copy;
    };
    const std::vector<SCase> cases = {
        {"CreateCopy", [](CDiscrete& source) { return source.CreateCopy(); }},
        {"copy constructor form",
         [](CDiscrete& source) { return new CDiscrete(nullptr, "ignored", &source); }},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<CDist> pCopy(c.copy(*pSource));
        auto* pDist = dynamic_cast<CDiscrete*>(pCopy.get());
        ASSERT_NE(pDist, nullptr);
        EXPECT_EQ(pDist->GetRuntimeClass(), STOCHVAR_RUNTIME_CLASS(CDiscrete));
        EXPECT_EQ(pDist->m_ppReference, &pSlot);
        EXPECT_EQ(pDist->GetVarName(), "X");
        EXPECT_EQ(pDist->m_nType, DIST_DISCRETE);
        EXPECT_EQ(pDist->GetParamCombiCount(), 0);
        EXPECT_EQ(NamesOf(*pDist), (Names{"a", "b", "c"}));
        EXPECT_EQ(ValuesOf(pDist->m_Frequencies), ValuesOf(pSource->m_Frequencies));
        EXPECT_EQ(ValuesOf(pDist->m_Probabilities), ValuesOf(pSource->m_Probabilities));
        EXPECT_FALSE(pDist->m_bAutoAxis);
        EXPECT_EQ(pDist->m_dAxisMin, -2.0);
        EXPECT_EQ(pDist->m_dAxisMax, 7.0);
        EXPECT_EQ(pDist->GetParamValue(PARAM_LAMBDA), 2.5);
        EXPECT_TRUE(pDist->CanChangeCategories());
    }
}

TEST(DiscreteTest, HasNoInputTypesAndCleanChecks) {
    auto pDist = MakeDiscrete({"a", "b"}, {1.0, 3.0});
    for (int nParamCombi : {-1, 0, 1, 5}) {
        SCOPED_TRACE(nParamCombi);
        CString label = "stale";
        CUIntArray ids;
        ids.Add(PARAM_MEAN);
        pDist->GetParamsList(nParamCombi, label, &ids);
        EXPECT_TRUE(label.IsEmpty());
        EXPECT_EQ(ids.GetSize(), 0);

        CDistStatus combination = pDist->CheckCombination(nParamCombi);
        CDistStatus conversion = pDist->CalcBasePar(nParamCombi);
        for (CDistStatus* pStatus : {&combination, &conversion}) {
            EXPECT_TRUE(pStatus->IsOk());
            EXPECT_FALSE(pStatus->m_bError);
            EXPECT_FALSE(pStatus->m_bWarning);
            EXPECT_TRUE(pStatus->m_strMessage.IsEmpty());
        }
    }
    CDistStatus current = pDist->CalcBasePar();
    EXPECT_TRUE(current.IsOk());
    // Neither conversion touched the categories or the slots.
    EXPECT_EQ(ValuesOf(pDist->m_Frequencies), (Values{1.0, 3.0}));
    EXPECT_EQ(ValuesOf(pDist->m_Probabilities), (Values{0.25, 0.75}));
    for (int nParam = 0; nParam < PARAM_COUNT; ++nParam) {
        EXPECT_EQ(pDist->GetParamValue(nParam), 0.0);
    }
}

TEST(DiscreteTest, AutoAxisIsTheUnitIntervalWhateverTheCategories) {
    const std::vector<Values> cases = {{}, {1.0}, {1.0, 3.0, 0.0, 7.0, 2.0}};
    for (const Values& frequencies : cases) {
        SCOPED_TRACE(frequencies.size());
        auto pDist = MakeDiscrete(Names(frequencies.size(), "c"), frequencies);
        pDist->m_dAxisMin = -40.0;
        pDist->m_dAxisMax = 40.0;
        pDist->SetAutoAxis();
        EXPECT_EQ(pDist->m_dAxisMin, 0.0);
        EXPECT_EQ(pDist->m_dAxisMax, 1.0);
    }
}

// ---------------------------------------------------------------------------------------------
// Category editing: every step keeps the containers parallel and normalised

struct SEditCase {
    const char* what;
    std::vector<Operation> operations;
    Names names;
    Values frequencies;
    Values probabilities;
};

Operation Add(const char* name, double frequency, int position = -1) {
    return [=](CDiscrete& dist) { dist.AddCategory(name, frequency, position); };
}
Operation Delete(int position) {
    return [=](CDiscrete& dist) { dist.DeleteCategory(position); };
}
Operation DeleteNamed(const char* name) {
    return [=](CDiscrete& dist) { dist.DeleteCategory(CString(name)); };
}
Operation Switch(int a, int b) {
    return [=](CDiscrete& dist) { dist.SwitchIndex(a, b); };
}
Operation SetFrequency(int position, double frequency) {
    return [=](CDiscrete& dist) { dist.SetCategoryFrequency(position, frequency); };
}

std::vector<Operation> Then(std::vector<Operation> first, const std::vector<Operation>& more) {
    first.insert(first.end(), more.begin(), more.end());
    return first;
}

const std::vector<Operation> kABC = {Add("a", 1.0), Add("b", 3.0), Add("c", 4.0)};

TEST(DiscreteTest, EditingKeepsContainersParallelAndNormalisedAfterEveryStep) {
    const double third = 1.0 / 3.0;
    // clang-format off
    const std::vector<SEditCase> cases = {
        {"one category is certain", {Add("a", 2.0)}, {"a"}, {2.0}, {1.0}},
        {"appended in order", kABC,
         {"a", "b", "c"}, {1.0, 3.0, 4.0}, {0.125, 0.375, 0.5}},
        {"inserted second, others keep their order", Then(kABC, {Add("x", 8.0, 1)}),
         {"a", "x", "b", "c"}, {1.0, 8.0, 3.0, 4.0}, {0.0625, 0.5, 0.1875, 0.25}},
        {"inserted first", Then(kABC, {Add("x", 0.0, 0)}),
         {"x", "a", "b", "c"}, {0.0, 1.0, 3.0, 4.0}, {0.0, 0.125, 0.375, 0.5}},
        {"inserted at the end position", Then(kABC, {Add("x", 8.0, 3)}),
         {"a", "b", "c", "x"}, {1.0, 3.0, 4.0, 8.0}, {0.0625, 0.1875, 0.25, 0.5}},
        {"inserted beyond the end pads with empty categories",
         {Add("a", 1.0), Add("b", 1.0), Add("x", 2.0, 4)},
         {"a", "b", "", "", "x"}, {1.0, 1.0, 0.0, 0.0, 2.0}, {0.25, 0.25, 0.0, 0.0, 0.5}},
        {"inserted into an empty variable", {Add("x", 5.0, 0)}, {"x"}, {5.0}, {1.0}},
        {"all frequencies zero are equally likely", {Add("a", 0.0), Add("b", 0.0), Add("c", 0.0)},
         {"a", "b", "c"}, {0.0, 0.0, 0.0}, {third, third, third}},
        {"a sum below 1e-10 counts as zero", {Add("a", 1e-11), Add("b", 3e-11)},
         {"a", "b"}, {1e-11, 3e-11}, {0.5, 0.5}},
        {"a sum of 4e-10 is divided", {Add("a", 1e-10), Add("b", 3e-10)},
         {"a", "b"}, {1e-10, 3e-10}, {0.25, 0.75}},
        {"deleted in the middle", Then(kABC, {Delete(1)}), {"a", "c"}, {1.0, 4.0}, {0.2, 0.8}},
        {"deleted first", Then(kABC, {Delete(0)}), {"b", "c"}, {3.0, 4.0}, {3.0 / 7.0, 4.0 / 7.0}},
        {"deleted last", Then(kABC, {Delete(2)}), {"a", "b"}, {1.0, 3.0}, {0.25, 0.75}},
        {"deleted down to nothing", Then(kABC, {Delete(0), Delete(0), Delete(0)}), {}, {}, {}},
        {"a zero frequency beside a positive one gets no chance",
         Then(kABC, {Delete(2), Delete(1), Add("z", 0.0)}), {"a", "z"}, {1.0, 0.0}, {1.0, 0.0}},
        {"deleted by name", Then(kABC, {DeleteNamed("b")}), {"a", "c"}, {1.0, 4.0}, {0.2, 0.8}},
        {"deleted by name takes the first of equal names",
         {Add("a", 1.0), Add("b", 3.0), Add("a", 4.0), DeleteNamed("a")},
         {"b", "a"}, {3.0, 4.0}, {3.0 / 7.0, 4.0 / 7.0}},
        {"deleting an unknown name changes nothing", Then(kABC, {DeleteNamed("B")}),
         {"a", "b", "c"}, {1.0, 3.0, 4.0}, {0.125, 0.375, 0.5}},
        {"switched", Then(kABC, {Switch(0, 2)}),
         {"c", "b", "a"}, {4.0, 3.0, 1.0}, {0.5, 0.375, 0.125}},
        {"switched with itself", Then(kABC, {Switch(1, 1)}),
         {"a", "b", "c"}, {1.0, 3.0, 4.0}, {0.125, 0.375, 0.5}},
        {"switching nothing with nothing", {Switch(0, 0)}, {}, {}, {}},
        {"frequency changed", Then(kABC, {SetFrequency(0, 4.0)}),
         {"a", "b", "c"}, {4.0, 3.0, 4.0}, {4.0 / 11.0, 3.0 / 11.0, 4.0 / 11.0}},
        {"frequencies all set to zero",
         Then(kABC, {SetFrequency(0, 0.0), SetFrequency(1, 0.0), SetFrequency(2, 0.0)}),
         {"a", "b", "c"}, {0.0, 0.0, 0.0}, {third, third, third}},
        {"a negative frequency set directly is taken as it is",
         {Add("a", 1.0), Add("b", 1.0), SetFrequency(1, -0.5)},
         {"a", "b"}, {1.0, -0.5}, {2.0, -1.0}},
        {"a negative frequency is refused", Then(kABC, {Add("x", -1.0), Add("y", -1.0, 0)}),
         {"a", "b", "c"}, {1.0, 3.0, 4.0}, {0.125, 0.375, 0.5}},
        {"a NaN frequency is refused", Then(kABC, {Add("x", kNaN)}),
         {"a", "b", "c"}, {1.0, 3.0, 4.0}, {0.125, 0.375, 0.5}},
        // Positions outside the categories are made harmless.
        {"out-of-range positions change nothing",
         Then(kABC, {Delete(-1), Delete(3), Switch(0, 3), Switch(-1, 0), SetFrequency(3, 9.0),
                     SetFrequency(-1, 9.0)}),
         {"a", "b", "c"}, {1.0, 3.0, 4.0}, {0.125, 0.375, 0.5}},
        {"a position below -1 appends", Then(kABC, {Add("x", 8.0, -5)}),
         {"a", "b", "c", "x"}, {1.0, 3.0, 4.0, 8.0}, {0.0625, 0.1875, 0.25, 0.5}},
    };
    // clang-format on

    SMessageRecorder recorder; // keeps the refusals of this table off the standard error
    CScopedHostHooks hooks(recorder.Hooks());
    for (const SEditCase& c : cases) {
        SCOPED_TRACE(c.what);
        CDiscrete dist(nullptr, "X", nullptr);
        for (std::size_t step = 0; step < c.operations.size(); ++step) {
            SCOPED_TRACE("after step " + std::to_string(step));
            c.operations[step](dist);
            ExpectNormalised(dist);
        }
        EXPECT_EQ(dist.GetCategoryCount(), static_cast<int>(c.names.size()));
        EXPECT_EQ(NamesOf(dist), c.names);
        EXPECT_EQ(ValuesOf(dist.m_Frequencies), c.frequencies);
        ASSERT_EQ(dist.m_Probabilities.GetSize(), static_cast<int>(c.probabilities.size()));
        for (std::size_t i = 0; i < c.probabilities.size(); ++i) {
            EXPECT_DOUBLE_EQ(dist.m_Probabilities[static_cast<int>(i)], c.probabilities[i])
                << "category " << i;
        }
        ExpectProbabilitiesSumToOne(dist);
    }
}

TEST(DiscreteTest, CategoriesReadBackByPositionAndName) {
    auto pDist = MakeDiscrete({"low", "mid", "high", "mid", "Mid"}, {1.0, 2.0, 3.0, 4.0, 10.0});

    struct SReadCase {
        int position;
        const char* name;
        double frequency;
        double probability;
    };
    const std::vector<SReadCase> reads = {
        {0, "low", 1.0, 0.05},
        {2, "high", 3.0, 0.15},
        {4, "Mid", 10.0, 0.5},
        // Outside the categories: an empty name and zeros rather than stale outputs.
        {5, "", 0.0, 0.0},
        {-1, "", 0.0, 0.0},
    };
    for (const SReadCase& r : reads) {
        SCOPED_TRACE(r.position);
        CString name = "stale";
        double frequency = -7.0;
        double probability = -7.0;
        pDist->GetCategory(r.position, name, frequency, probability);
        EXPECT_EQ(name, r.name);
        EXPECT_EQ(frequency, r.frequency);
        EXPECT_DOUBLE_EQ(probability, r.probability);
    }

    struct SIndexCase {
        const char* name;
        int position;
    };
    const std::vector<SIndexCase> indices = {
        {"low", 0},  {"mid", 1}, // the first of two equal names
        {"Mid", 4},              // case matters
        {"MID", -1}, {"mid ", -1}, {"", -1},
    };
    for (const SIndexCase& i : indices) {
        SCOPED_TRACE(i.name);
        EXPECT_EQ(pDist->GetCategoryIndex(i.name), i.position);
    }
}

TEST(DiscreteTest, SetCategoryFrequencyReturnsTheNewProbability) {
    struct SCase {
        int position;
        double frequency;
        double probability;
    };
    // Starting from frequencies 1, 3, 4 (sum 8).
    const std::vector<SCase> cases = {
        {0, 1.0, 0.125},        {0, 5.0, 5.0 / 12.0},  {2, 0.0, 0.0},
        {1, 12.0, 12.0 / 17.0}, {1, -2.0, -2.0 / 3.0}, {3, 5.0, 0.0} /* outside: nothing stored */,
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.position);
        auto pDist = MakeDiscrete({"a", "b", "c"}, {1.0, 3.0, 4.0});
        EXPECT_DOUBLE_EQ(pDist->SetCategoryFrequency(c.position, c.frequency), c.probability);
        ExpectNormalised(*pDist);
    }
}

TEST(DiscreteTest, RefusalOfAFrequencyIsShownAtOnce) {
    struct SCase {
        double frequency;
        bool refused;
    };
    const std::vector<SCase> cases = {
        {-1.0, true}, {-1e-300, true}, {-kInf, true},   {kNaN, true},
        {0.0, false}, {-0.0, false},   {1e-300, false}, {2.5, false},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.frequency);
        SMessageRecorder recorder;
        CScopedHostHooks hooks(recorder.Hooks());
        auto pDist = MakeDiscrete({"a", "b"}, {1.0, 3.0});
        pDist->AddCategory("new", c.frequency, -1);
        pDist->AddCategory("new", c.frequency, 0);
        if (c.refused) {
            ASSERT_EQ(recorder.texts.size(), 2u);
            for (std::size_t i = 0; i < 2; ++i) {
                EXPECT_EQ(recorder.texts[i], "ERROR:\nFrequency must be >= 0");
                EXPECT_EQ(recorder.styles[i], MB_ICONEXCLAMATION | MB_OK);
            }
            EXPECT_EQ(NamesOf(*pDist), (Names{"a", "b"}));
            EXPECT_EQ(ValuesOf(pDist->m_Probabilities), (Values{0.25, 0.75}));
        } else {
            EXPECT_TRUE(recorder.texts.empty());
            EXPECT_EQ(NamesOf(*pDist), (Names{"new", "a", "b", "new"}));
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Evaluation

struct SPointCase {
    double x;
    double expected;
};

void ExpectAt(const char* what, const std::function<double(double)>& f,
              const std::vector<SPointCase>& points) {
    for (const SPointCase& point : points) {
        SCOPED_TRACE(std::string(what) + " at " + std::to_string(point.x));
        const double value = f(point.x);
        if (std::isnan(point.expected)) {
            EXPECT_TRUE(std::isnan(value));
        } else {
            EXPECT_NEAR(value, point.expected, 1e-15);
        }
    }
}

TEST(DiscreteTest, TwoCategoriesWithFrequenciesOneAndThree) {
    auto pDist = MakeDiscrete({"a", "b"}, {1.0, 3.0});
    const double justAbove = 0.5 + 2e-10;
    ExpectAt("density", [&](double x) { return pDist->GetDensity(x); },
             {{0.0, 0.25},
              {1.0, 0.75},
              {2.5, 0.0},
              {-0.9, 0.25},
              {-1.5 + 2e-10, 0.25},
              {-1.6, 0.0},
              {0.5, 0.25},
              {justAbove, 0.75},
              {1.5, 0.75},
              {1.5 + 2e-10, 0.0},
              {1e300, 0.0},
              {-1e300, 0.0},
              {kInf, 0.0},
              {-kInf, 0.0},
              {kNaN, 0.0}});
    ExpectAt("cumulative", [&](double x) { return pDist->GetCumulative(x); },
             {{-0.5, 0.0},
              {0.0, 0.125},
              {0.5, 0.25},
              {1.0, 0.625},
              {1.5, 1.0},
              {2.5, 1.0},
              {-0.6, 0.0},
              {2.6, 1.0},
              {1e300, 1.0},
              {-1e300, 0.0},
              {kInf, 1.0},
              {-kInf, 0.0},
              {kNaN, 0.0}});
    ExpectAt("inverse", [&](double p) { return pDist->GetInverse(p); },
             {{0.1, 0.0},
              {0.25, 0.0},
              {0.3, 1.0},
              {1.0, 1.0},
              {0.0, 0.0},
              {-0.5, 0.0},
              {1.5, 1.0},
              {kNaN, 0.0}});
}

TEST(DiscreteTest, NoCategories) {
    CDiscrete dist(nullptr, "X", nullptr);
    ExpectAt("density", [&](double x) { return dist.GetDensity(x); },
             {{-2.0, 0.0}, {-0.5, 0.0}, {0.0, 0.0}, {0.5, 0.0}, {3.0, 0.0}});
    ExpectAt("cumulative", [&](double x) { return dist.GetCumulative(x); },
             {{-1.0, 0.0}, {-0.5, 0.0}, {0.0, 0.0}, {0.5, 0.0}, {0.50001, 1.0}, {4.0, 1.0}});
    ExpectAt("inverse", [&](double p) { return dist.GetInverse(p); },
             {{0.0, 0.0}, {0.3, 0.0}, {1.0, 0.0}, {2.0, 0.0}});
}

const std::vector<Values> kShapes = {
    {1.0},
    {1.0, 3.0},
    {2.0, 0.0, 5.0, 3.0},
    {0.0, 0.0, 1.0},
    {1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0},
    {0.0, 0.0, 0.0}, // all zero: equally likely
};

// Sum of the probabilities of categories 0 to k-1, accumulated in order.
double ProbabilityBelow(const CDiscrete& dist, int k) {
    double sum = 0.0;
    for (int i = 0; i < k; ++i) {
        sum += dist.m_Probabilities[i];
    }
    return sum;
}

TEST(DiscreteTest, CumulativeIsPiecewiseLinearOverEachCategorysUnitInterval) {
    for (const Values& frequencies : kShapes) {
        SCOPED_TRACE(frequencies.size());
        auto pDist = MakeDiscrete(Names(frequencies.size(), "c"), frequencies);
        const int n = pDist->GetCategoryCount();
        EXPECT_EQ(pDist->GetCumulative(-0.5), 0.0);
        EXPECT_NEAR(pDist->GetCumulative(n - 0.5), 1.0, 1e-15);
        for (int k = 0; k < n; ++k) {
            SCOPED_TRACE("category " + std::to_string(k));
            const double start = ProbabilityBelow(*pDist, k);
            const double p = pDist->m_Probabilities[k];
            for (double t : {0.0, 0.125, 0.25, 0.5, 0.75, 0.875, 1.0}) {
                EXPECT_NEAR(pDist->GetCumulative(k - 0.5 + t), start + t * p, 1e-15) << t;
            }
            // The slope inside the interval is the category's probability, which the density
            // reports there.
            const double h = 1e-3;
            for (double x : {k - 0.25, k + 0.0, k + 0.25}) {
                const double slope =
                    (pDist->GetCumulative(x + h) - pDist->GetCumulative(x - h)) / (2.0 * h);
                EXPECT_NEAR(slope, pDist->GetDensity(x), 1e-10) << x;
            }
        }
        for (double x : {n - 0.25, n + 0.5, n + 3.0}) {
            EXPECT_NEAR(pDist->GetCumulative(x), 1.0, 1e-15) << x;
        }
        // Non-decreasing on a fine grid across the whole support.
        double previous = 0.0;
        for (double x = -1.0; x <= n + 1.0; x += 1.0 / 64.0) {
            const double value = pDist->GetCumulative(x);
            EXPECT_GE(value, previous) << x;
            previous = value;
        }
    }
}

TEST(DiscreteTest, InverseIsTheStepInverseOfTheProbabilities) {
    for (const Values& frequencies : kShapes) {
        SCOPED_TRACE(frequencies.size());
        auto pDist = MakeDiscrete(Names(frequencies.size(), "c"), frequencies);
        const int n = pDist->GetCategoryCount();
        // Each position k is returned for exactly the p in (s(k), s(k+1)], s(k) being the
        // probability below k; the cumulative function at k + 0.5 is s(k+1).
        for (double p = 1.0 / 512.0; p < 1.0; p += 1.0 / 256.0) {
            const double value = pDist->GetInverse(p);
            ASSERT_EQ(value, std::floor(value)) << p;
            const int k = static_cast<int>(value);
            ASSERT_GE(k, 0);
            ASSERT_LT(k, n);
            EXPECT_GT(pDist->m_Probabilities[k], 0.0) << "never a category without probability";
            EXPECT_LE(p, pDist->GetCumulative(k + 0.5)) << p;
            EXPECT_GT(p, ProbabilityBelow(*pDist, k)) << p;
        }
        // A p exactly at the top of a category's step still belongs to it.
        for (int k = 0; k < n; ++k) {
            const double top = ProbabilityBelow(*pDist, k + 1);
            if (pDist->m_Probabilities[k] > 0.0 && top < 1.0) {
                EXPECT_EQ(pDist->GetInverse(top), k);
            }
        }
        EXPECT_EQ(pDist->GetInverse(0.0), 0.0);
        EXPECT_EQ(pDist->GetInverse(1.0), n - 1);
        EXPECT_EQ(pDist->GetInverse(std::nextafter(1.0, 0.0)), n - 1);
    }
}

TEST(DiscreteTest, InverseFallsBackToTheLastCategoryWhenStoredProbabilitiesFallShort) {
    // Probabilities are taken as loaded from an archive; here they add up to 0.5 only.
    auto pDist = MakeDiscrete({"a", "b", "c"}, {1.0, 1.0, 1.0});
    pDist->m_Probabilities[0] = 0.2;
    pDist->m_Probabilities[1] = 0.2;
    pDist->m_Probabilities[2] = 0.1;
    ExpectAt("inverse", [&](double p) { return pDist->GetInverse(p); },
             {{0.1, 0.0}, {0.3, 1.0}, {0.45, 2.0}, {0.6, 2.0}, {0.99, 2.0}});
}

TEST(DiscreteTest, ContainersOfDifferentLengthsAreReadWithinBounds) {
    // Loading takes the three containers as stored, so a damaged archive may leave them of
    // different lengths. Nothing may read beyond any of them (the sanitizer build watches this:
    // the containers are sized once, so their storage ends where their contents end), and a
    // position that is not a whole category is left alone.
    struct SCase {
        int names;
        int probabilities;
    };
    const std::vector<SCase> cases = {{2, 1}, {3, 0}, {0, 3}, {1, 2}};
    for (const SCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.names) + " names, " + std::to_string(c.probabilities) +
                     " probabilities");
        CDiscrete dist;
        dist.m_Frequencies.SetSize(3);
        dist.m_Frequencies[0] = 1.0;
        dist.m_Frequencies[1] = 1.0;
        dist.m_Frequencies[2] = 2.0;
        dist.m_CategoryNames.SetSize(c.names);
        dist.m_Probabilities.SetSize(c.probabilities);
        for (int k = 0; k < c.probabilities; ++k) {
            dist.m_Probabilities[k] = 0.1 * (k + 1);
        }

        for (int k = 0; k < 3; ++k) {
            const double stored = k < c.probabilities ? 0.1 * (k + 1) : 0.0;
            EXPECT_EQ(dist.GetDensity(k), stored) << k;
        }
        EXPECT_LE(dist.GetCumulative(2.0), 0.6 + 1e-15);
        const double inverse = dist.GetInverse(0.9);
        EXPECT_TRUE(inverse >= 0.0 && inverse <= 2.0) << inverse;

        CString name = "stale";
        double frequency = -1.0;
        double probability = -1.0;
        dist.GetCategory(2, name, frequency, probability);
        EXPECT_TRUE(name.IsEmpty());
        EXPECT_EQ(frequency, 0.0);
        EXPECT_EQ(probability, 0.0);
        dist.SwitchIndex(0, 2);
        dist.DeleteCategory(2);
        EXPECT_EQ(dist.SetCategoryFrequency(2, 5.0), 0.0);
        EXPECT_EQ(ValuesOf(dist.m_Frequencies), (Values{1.0, 1.0, 2.0}));

        // Normalising brings the probabilities back in line with the frequencies.
        dist.Normalise();
        EXPECT_EQ(ValuesOf(dist.m_Probabilities), (Values{0.25, 0.25, 0.5}));
    }
}

// ---------------------------------------------------------------------------------------------
// Sampling

TEST(DiscreteTest, SampleFrequenciesMatchTheProbabilities) {
    struct SCase {
        Values frequencies;
        CExOr generator;
    };
    const std::vector<SCase> cases = {
        {{1.0, 3.0}, CExOr()},
        {{2.0, 0.0, 5.0, 3.0}, CExOr(12345u, 67890u, 13579u)},
        {{1.0, 1.0, 1.0, 1.0, 1.0, 1.0}, CExOr(1u, 2u, 3u)},
        {{0.5, 10.0, 0.25, 30.0, 1.0}, CExOr(0xDEADBEEFu, 0x01234567u, 0x89ABCDEFu)},
    };
    constexpr int kDraws = 100000;
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.frequencies.size());
        auto pDist = MakeDiscrete(Names(c.frequencies.size(), "c"), c.frequencies);
        const int n = pDist->GetCategoryCount();
        CExOr generator = c.generator;
        CExOr twin = c.generator;
        std::vector<int> counts(static_cast<std::size_t>(n), 0);
        for (int draw = 0; draw < kDraws; ++draw) {
            const double value = pDist->GetRandom(&generator);
            // A sample is the inverse of the generator's next uniform number.
            ASSERT_EQ(value, pDist->GetInverse(twin.GetRandom()));
            const int k = static_cast<int>(value);
            ASSERT_EQ(value, k);
            ASSERT_GE(k, 0);
            ASSERT_LT(k, n);
            ++counts[static_cast<std::size_t>(k)];
        }
        for (int k = 0; k < n; ++k) {
            const double p = pDist->m_Probabilities[k];
            const double observed =
                counts[static_cast<std::size_t>(k)] / static_cast<double>(kDraws);
            // Four standard errors of a binomial proportion; exact for p = 0.
            const double tolerance = 4.0 * std::sqrt(p * (1.0 - p) / kDraws);
            EXPECT_NEAR(observed, p, tolerance) << "category " << k;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Editing through the discrete dialog

struct SDialogRecorder {
    int calls = 0;
    int selectionCalls = 0;
    CDiscrete* pSeen = nullptr;
    int result = IDCANCEL;

    // Edits the variable as a user would in the dialog, then ends with the given result.
    SHostHooks Hooks() {
        SHostHooks hooks;
        hooks.changeDiscrete = [this](CDiscrete* pDiscrete) {
            ++calls;
            pSeen = pDiscrete;
            pDiscrete->AddCategory("added", 4.0, -1);
            pDiscrete->SetCategoryFrequency(0, 0.0);
            pDiscrete->SwitchIndex(0, 1);
            pDiscrete->SetVarName("renamed");
            pDiscrete->m_bAutoAxis = FALSE;
            pDiscrete->m_dAxisMax = 9.0;
            pDiscrete->SetParamValue(PARAM_MEAN, 3.0);
            pDiscrete->SetCanChangeCategories(FALSE);
            return result;
        };
        hooks.changeDistribution = [this](CDist* pDist) {
            ++selectionCalls;
            return pDist;
        };
        return hooks;
    }
};

TEST(DiscreteTest, ChangeDistributionKeepsTheObjectAndRestoresUnlessConfirmed) {
    struct SCase {
        const char* what;
        int result;
        bool kept;
    };
    const std::vector<SCase> cases = {
        {"confirmed", IDOK, true},
        {"cancelled", IDCANCEL, false},
        {"closed some other way", 0, false},
        {"aborted", 3, false},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.what);
        SDialogRecorder recorder;
        recorder.result = c.result;
        CScopedHostHooks hooks(recorder.Hooks());

        CDist* pSlot = nullptr;
        auto pDist = MakeDiscrete({"a", "b"}, {1.0, 3.0}, &pSlot);
        CDist* pUnrelated = pDist->CreateCopy(); // stands in for what the host's slot holds
        pSlot = pUnrelated;
        CDist* pBase = pDist.get(); // hosts call it through the base class
        CDist* pResult = pBase->ChangeDistribution();

        EXPECT_EQ(pResult, pDist.get());
        EXPECT_EQ(recorder.calls, 1);
        EXPECT_EQ(recorder.selectionCalls, 0) << "a discrete variable opens its own dialog";
        EXPECT_EQ(recorder.pSeen, pDist.get());
        EXPECT_EQ(pSlot, pUnrelated) << "the reference slot is not touched";
        EXPECT_EQ(pDist->m_ppReference, &pSlot);
        // The category edit flag is not part of what a cancelled dialog puts back.
        EXPECT_FALSE(pDist->CanChangeCategories());
        if (c.kept) {
            EXPECT_EQ(NamesOf(*pDist), (Names{"b", "a", "added"}));
            EXPECT_EQ(ValuesOf(pDist->m_Frequencies), (Values{3.0, 0.0, 4.0}));
            EXPECT_EQ(ValuesOf(pDist->m_Probabilities), (Values{3.0 / 7.0, 0.0, 4.0 / 7.0}));
            EXPECT_EQ(pDist->GetVarName(), "renamed");
            EXPECT_FALSE(pDist->m_bAutoAxis);
            EXPECT_EQ(pDist->m_dAxisMax, 9.0);
            EXPECT_EQ(pDist->GetParamValue(PARAM_MEAN), 3.0);
        } else {
            EXPECT_EQ(NamesOf(*pDist), (Names{"a", "b"}));
            EXPECT_EQ(ValuesOf(pDist->m_Frequencies), (Values{1.0, 3.0}));
            EXPECT_EQ(ValuesOf(pDist->m_Probabilities), (Values{0.25, 0.75}));
            EXPECT_EQ(pDist->GetVarName(), "X");
            EXPECT_TRUE(pDist->m_bAutoAxis);
            EXPECT_EQ(pDist->m_dAxisMax, 1.0);
            EXPECT_EQ(pDist->GetParamValue(PARAM_MEAN), 0.0);
        }
        EXPECT_EQ(pDist->m_nType, DIST_DISCRETE);
        EXPECT_EQ(pDist->GetParamCombiCount(), 0);
        ExpectNormalised(*pDist);
        delete pUnrelated;
    }
}

TEST(DiscreteTest, ChangeDistributionWithoutAnEditorLeavesTheVariableAsItWas) {
    CScopedHostHooks hooks(DefaultHostHooks());
    CDist* pSlot = nullptr;
    auto pDist = MakeDiscrete({"a", "b", "c"}, {1.0, 3.0, 4.0}, &pSlot);
    EXPECT_EQ(pDist->ChangeDistribution(), pDist.get());
    EXPECT_EQ(pSlot, nullptr);
    EXPECT_EQ(NamesOf(*pDist), (Names{"a", "b", "c"}));
    EXPECT_EQ(ValuesOf(pDist->m_Frequencies), (Values{1.0, 3.0, 4.0}));
    EXPECT_EQ(ValuesOf(pDist->m_Probabilities), (Values{0.125, 0.375, 0.5}));
}

} // namespace
} // namespace stochvar
