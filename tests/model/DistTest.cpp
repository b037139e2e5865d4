#include <stochvar/families/Normal.h>
#include <stochvar/model/Dist.h>
#include <stochvar/numerics/StdNormal.h>

#include "support/RecordingHooks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

using namespace stochvar;
using stochvar::testing::CRecordingHooks;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(FixedDist, FreshVariable) {
    CDist* pSlot = nullptr;
    CDist dist(&pSlot, "X", nullptr);
    EXPECT_EQ(dist.m_nType, DIST_FIXED);
    EXPECT_EQ(dist.GetVarTypeName(), "FIXED");
    EXPECT_EQ(dist.GetVarName(), "X");
    EXPECT_EQ(dist.GetParamCombiCount(), 1);
    EXPECT_EQ(dist.m_Params.GetSize(), PARAM_COUNT);
    for (int nParam = 0; nParam < PARAM_COUNT; ++nParam) {
        EXPECT_EQ(dist.GetParamValue(nParam), 0.0) << "slot " << nParam;
    }
    EXPECT_TRUE(dist.CanChange());
    EXPECT_TRUE(dist.m_bAutoAxis);
    EXPECT_EQ(dist.m_dAxisMin, 0.0);
    EXPECT_EQ(dist.m_dAxisMax, 1.0);
    EXPECT_EQ(dist.m_ppReference, &pSlot);

    CString label;
    CUIntArray ids;
    dist.GetParamsList(0, label, &ids);
    EXPECT_EQ(label, "/MEAN");
    ASSERT_EQ(ids.GetSize(), 1);
    EXPECT_EQ(ids[0], static_cast<UINT>(PARAM_MEAN));
}

TEST(FixedDist, KeywordTablesInIdOrder) {
    CDist dist;
    ASSERT_EQ(dist.m_ParamNames.GetSize(), 16);
    EXPECT_EQ(dist.m_ParamNames[PARAM_MOST_LIKELY], "MOST-LIKELY");
    EXPECT_EQ(dist.m_ParamNames[PARAM_LOWER_BOUND], "LOWER_BOUND");
    EXPECT_EQ(dist.m_ParamNames[PARAM_T], "T");
    const char* expected[] = {"FIXED",    "BETA",      "EXPONENTIAL", "DISCRETE",
                              "GUMBEL",   "LOGNORMAL", "NORMAL",      "RAYLEIGH",
                              "TRIANGULAR", "UNIFORM", "WEIBULL"};
    const CStringArray* pNames = dist.GetPossibleDistributions();
    ASSERT_EQ(pNames->GetSize(), 11);
    for (int n = 0; n < 11; ++n) {
        EXPECT_EQ((*pNames)[n], expected[n]);
    }
}

TEST(FixedDist, EvaluationIsADegeneratePoint) {
    CDist dist(nullptr, "F", nullptr);
    dist.SetParamValue(PARAM_MEAN, 2.5);
    EXPECT_EQ(dist.GetDensity(-100.0), 1.0);
    EXPECT_EQ(dist.GetDensity(2.5), 1.0);
    EXPECT_EQ(dist.GetCumulative(2.5), 0.0);
    EXPECT_EQ(dist.GetCumulative(std::nextafter(2.5, 3.0)), 1.0);
    EXPECT_EQ(dist.GetCumulative(-1.0), 0.0);
    for (double p : {0.0, 0.3, 0.999, 1.0}) {
        EXPECT_EQ(dist.GetInverse(p), 2.5);
    }
    CExOr generator(1, 2, 3);
    EXPECT_EQ(dist.GetRandom(&generator), 2.5);
    dist.SetAutoAxis();
    EXPECT_EQ(dist.m_dAxisMin, 1.5);
    EXPECT_EQ(dist.m_dAxisMax, 3.5);
    EXPECT_TRUE(dist.CheckCombination(0).IsOk());
    EXPECT_TRUE(dist.CalcBasePar().IsOk());
}

TEST(FixedDist, UnknownInputTypeGivesEmptyList) {
    CDist dist;
    CString label = "stale";
    CUIntArray ids;
    ids.Add(7);
    for (int nCombi : {1, 5, -1}) {
        dist.GetParamsList(nCombi, label, &ids);
        EXPECT_TRUE(label.IsEmpty()) << nCombi;
        EXPECT_EQ(ids.GetSize(), 0) << nCombi;
    }
}

TEST(DistCheckParamValue, PerValueChecks) {
    struct Case {
        int nParam;
        double value;
        const char* message; // null: accepted
    };
    const Case cases[] = {
        {PARAM_STDDEV, 0.0, "StdDev is less than (or equal to) 0"},
        {PARAM_STDDEV, -1e-300, "StdDev is less than (or equal to) 0"},
        {PARAM_STDDEV, kNaN, "StdDev is less than (or equal to) 0"},
        {PARAM_STDDEV, 1e-300, nullptr},
        {PARAM_COV, -1.0, "CoV is less than (or equal to) 0"},
        {PARAM_COV, 0.0, "CoV is less than (or equal to) 0"},
        {PARAM_COV, kNaN, "CoV is less than (or equal to) 0"},
        {PARAM_COV, 0.01, nullptr},
        {PARAM_MEAN, -5.0, nullptr},
        {PARAM_LOWER_BOUND, -1.0, nullptr},
        {PARAM_LAMBDA, 0.0, nullptr},
    };
    CDist dist;
    for (const Case& c : cases) {
        CDistStatus status = dist.CheckParamValue(c.nParam, c.value);
        if (c.message == nullptr) {
            EXPECT_TRUE(status.IsOk()) << c.nParam << " " << c.value;
            EXPECT_TRUE(status.m_strMessage.IsEmpty());
        } else {
            EXPECT_FALSE(status.IsOk()) << c.nParam << " " << c.value;
            EXPECT_TRUE(status.m_bError);
            EXPECT_EQ(status.m_strMessage, c.message);
        }
    }
}

TEST(DistStatus, FlagsAndMessages) {
    CRecordingHooks hooks;
    CDistStatus clean;
    EXPECT_TRUE(clean.IsOk());
    clean.ShowMessage();
    EXPECT_TRUE(hooks.messages().empty());

    CDistStatus warning;
    warning.SetWarning("first");
    warning.SetWarning("second");
    EXPECT_FALSE(warning.m_bOk); // as returned, before IsOk
    EXPECT_TRUE(warning.IsOk());  // a warning alone passes
    EXPECT_TRUE(warning.m_bOk);
    warning.ShowMessage();

    CDistStatus error;
    error.SetError("bad value");
    EXPECT_FALSE(error.IsOk());
    error.ShowMessage();

    CDistStatus both;
    both.SetError("the error");
    both.SetWarning("the warning");
    EXPECT_FALSE(both.IsOk());
    both.ShowMessage();

    CDistStatus copy = error;
    EXPECT_EQ(copy.m_strMessage, "bad value");
    EXPECT_TRUE(copy.m_bError);

    ASSERT_EQ(hooks.messages().size(), 3u);
    EXPECT_EQ(hooks.messages()[0], "WARNING:\nsecond");
    EXPECT_EQ(hooks.messages()[1], "ERROR:\nbad value");
    EXPECT_EQ(hooks.messages()[2], "WARNING:\nthe warning"); // the warning prefix wins
    for (UINT style : hooks.recorded().messageStyles) {
        EXPECT_EQ(style, MB_ICONEXCLAMATION | MB_OK);
    }
}

TEST(DistCopy, SameTypeKeepsInputTypeAndCursor) {
    CDist* pSlot = nullptr;
    CNormal source(&pSlot, "N", nullptr);
    source.m_nParamCombi = 1;
    source.m_nCurParam = 1;
    source.SetParamValue(PARAM_THETA, 9.0);
    source.m_bAutoAxis = FALSE;
    source.m_dAxisMin = -3.0;
    source.m_dAxisMax = 8.0;
    source.SetCanChange(FALSE);
    source.m_CategoryNames.Add("a");
    source.m_Frequencies.Add(2.0);
    source.m_Probabilities.Add(1.0);

    CNormal copy(nullptr, "ignored", &source);
    EXPECT_EQ(copy.GetVarName(), "N");
    EXPECT_EQ(copy.m_ppReference, &pSlot);
    EXPECT_EQ(copy.m_nParamCombi, 1);
    EXPECT_EQ(copy.m_nCurParam, 1);
    EXPECT_EQ(copy.m_nType, DIST_NORMAL);
    EXPECT_EQ(copy.GetParamCombiCount(), 2);
    EXPECT_FALSE(copy.CanChange());
    EXPECT_FALSE(copy.m_bAutoAxis);
    EXPECT_EQ(copy.m_dAxisMin, -3.0);
    EXPECT_EQ(copy.m_dAxisMax, 8.0);
    for (int nParam = 0; nParam < PARAM_COUNT; ++nParam) {
        EXPECT_EQ(copy.GetParamValue(nParam), source.GetParamValue(nParam)) << nParam;
    }
    EXPECT_EQ(copy.m_CategoryNames, source.m_CategoryNames);
    EXPECT_EQ(copy.m_Frequencies, source.m_Frequencies);
    EXPECT_EQ(copy.m_Probabilities, source.m_Probabilities);
}

TEST(DistCopy, OtherTypeResetsInputTypeAndCursor) {
    CNormal source(nullptr, "N", nullptr);
    source.m_nParamCombi = 1;
    source.m_nCurParam = 1;
    CDist fixed(nullptr, "ignored", &source);
    EXPECT_EQ(fixed.m_nType, DIST_FIXED);
    EXPECT_EQ(fixed.GetParamCombiCount(), 1);
    EXPECT_EQ(fixed.m_nParamCombi, 0);
    EXPECT_EQ(fixed.m_nCurParam, 0);
    EXPECT_EQ(fixed.GetVarName(), "N");
    EXPECT_EQ(fixed.GetParamValue(PARAM_MEAN), 4.0);
    EXPECT_EQ(fixed.GetParamValue(PARAM_STDDEV), 0.5);

    // And back: a normal variable built from a fixed one takes no defaults and converts nothing.
    fixed.SetParamValue(PARAM_MEAN, 7.0);
    fixed.m_nCurParam = 0;
    CNormal normal(nullptr, "ignored", &fixed);
    EXPECT_EQ(normal.GetParamValue(PARAM_MEAN), 7.0);
    EXPECT_EQ(normal.GetParamValue(PARAM_COV), 0.125);
}

TEST(DistCopy, CreateCopyKeepsClassAndReferenceSlot) {
    CDist* pSlot = nullptr;
    std::unique_ptr<CDist> normal(new CNormal(&pSlot, "N", nullptr));
    std::unique_ptr<CDist> fixed(new CDist(&pSlot, "F", nullptr));
    for (CDist* pSource : {normal.get(), fixed.get()}) {
        std::unique_ptr<CDist> copy(pSource->CreateCopy());
        EXPECT_EQ(copy->GetRuntimeClass(), pSource->GetRuntimeClass());
        EXPECT_EQ(copy->m_ppReference, &pSlot);
        EXPECT_EQ(copy->GetVarName(), pSource->GetVarName());
        EXPECT_EQ(copy->m_nType, pSource->m_nType);
        EXPECT_NE(copy.get(), pSource);
    }
}

TEST(DistRandom, NullGeneratorDrawsFromTheSharedStream) {
    CDist::m_ExOr.SetDefaultSeed();
    CNormal a(nullptr, "A", nullptr);
    CNormal b(nullptr, "B", nullptr);
    const double first = a.GetRandom(nullptr);
    const double second = b.GetRandom(nullptr);
    const double third = a.GetRandom();

    CExOr reference; // default seeds
    EXPECT_EQ(first, a.GetInverse(reference.GetRandom()));
    EXPECT_EQ(second, b.GetInverse(reference.GetRandom()));
    EXPECT_EQ(third, a.GetInverse(reference.GetRandom()));
    EXPECT_DOUBLE_EQ(first, 4.0 + 0.5 * StdNormal(STDNORMAL_INVERSE, 0.8309281710535288));
}

TEST(DistChangeDistribution, WithoutEditorTheVariableComesBackUnchanged) {
    CDist* pSlot = nullptr;
    pSlot = new CNormal(&pSlot, "N", nullptr);
    CDist* pBefore = pSlot;
    CDist* pResult = pSlot->ChangeDistribution();
    EXPECT_EQ(pResult, pBefore);
    EXPECT_EQ(pSlot, pBefore);
    EXPECT_EQ(pResult->GetParamValue(PARAM_MEAN), 4.0);
    delete pResult;
}

TEST(DistChangeDistribution, ReplacementTakesTheSlotAndTheOldObjectIsDeleted) {
    // An editor hook that replaces the variable by a fixed one built from it.
    SHostHooks hooks;
    hooks.changeDistribution = [](CDist* pDist) -> CDist* {
        return new CDist(nullptr, "", pDist);
    };
    CScopedHostHooks scope(hooks);

    CDist* pSlot = nullptr;
    pSlot = new CNormal(&pSlot, "N", nullptr);
    CDist* pResult = pSlot->ChangeDistribution(); // the sanitizer build checks the deletion
    EXPECT_EQ(pSlot, pResult);
    EXPECT_EQ(pResult->m_nType, DIST_FIXED);
    EXPECT_EQ(pResult->GetVarName(), "N");
    EXPECT_EQ(pResult->GetParamValue(PARAM_MEAN), 4.0);
    delete pResult;
}

TEST(DistChangeDistribution, EditorKeepingTheObjectLeavesTheSlotAlone) {
    SHostHooks hooks;
    hooks.changeDistribution = [](CDist* pDist) {
        pDist->SetParamValue(PARAM_MEAN, 9.0);
        return pDist;
    };
    CScopedHostHooks scope(hooks);
    CDist elsewhere; // a slot pointing elsewhere must not be rewritten
    CDist* pSlot = &elsewhere;
    CDist* pOther = pSlot;
    CNormal normal(&pSlot, "N", nullptr);
    EXPECT_EQ(normal.ChangeDistribution(), &normal);
    EXPECT_EQ(pSlot, pOther);
    EXPECT_EQ(normal.GetParamValue(PARAM_MEAN), 9.0);
}

TEST(HostHooks, ScopedHooksAreRestored) {
    int calls = 0;
    {
        SHostHooks hooks;
        hooks.beep = [&calls](DWORD frequency, DWORD duration) {
            EXPECT_EQ(frequency, 1000u);
            EXPECT_EQ(duration, 150u);
            ++calls;
        };
        CScopedHostHooks scope(hooks);
        Beep(1000, 150);
        // Entries left empty fall back to the defaults instead of being uncallable.
        EXPECT_EQ(GetHostHooks().changeDistCollection(nullptr), IDCANCEL);
    }
    Beep(1000, 150);
    EXPECT_EQ(calls, 1);
}

} // namespace
