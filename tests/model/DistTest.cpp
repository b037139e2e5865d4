#include <stochvar/families/Normal.h>
#include <stochvar/model/Dist.h>
#include <stochvar/numerics/StdNormal.h>

#include "support/ArchiveTestSupport.h"
#include "support/RecordingHooks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>

using namespace stochvar;
using stochvar::test::Bytes;
using stochvar::test::Store;
using stochvar::testing::CRecordingHooks;

namespace {

Bytes Body(CDist& dist) {
    return Store([&dist](CArchive& ar) { dist.Serialize(ar); });
}

TEST(FixedDist, FreshVariableIsADegeneratePoint) {
    CDist* pSlot = nullptr;
    CDist dist(&pSlot, "F", nullptr);
    EXPECT_EQ(std::tuple(dist.m_ppReference, dist.m_dAxisMin, dist.m_dAxisMax, dist.m_bAutoAxis,
                         dist.CanChange()),
              std::tuple(&pSlot, 0.0, 1.0, TRUE, TRUE));
    for (int nParam = 0; nParam < PARAM_COUNT; ++nParam) {
        EXPECT_EQ(dist.GetParamValue(nParam), 0.0) << nParam;
    }
    CString label;
    CUIntArray ids;
    ids.Add(7);
    for (int nParamCombi : {0, 1}) {
        dist.GetParamsList(nParamCombi, label, &ids);
        EXPECT_EQ(std::tuple(label.str(), ids.GetSize()),
                  nParamCombi == 0 ? std::tuple("/MEAN", 1) : std::tuple("", 0));
    }
    EXPECT_EQ(ids.GetSize(), 0);

    dist.SetParamValue(PARAM_MEAN, 2.5);
    EXPECT_EQ(std::tuple(dist.GetDensity(-100.0), dist.GetCumulative(2.5),
                         dist.GetCumulative(std::nextafter(2.5, 3.0))),
              std::tuple(1.0, 0.0, 1.0));
    CExOr generator(1, 2, 3);
    EXPECT_EQ(std::tuple(dist.GetInverse(0.0), dist.GetInverse(1.0), dist.GetRandom(&generator)),
              std::tuple(2.5, 2.5, 2.5));
    dist.SetAutoAxis();
    EXPECT_EQ(std::pair(dist.m_dAxisMin, dist.m_dAxisMax), std::pair(1.5, 3.5));
    std::unique_ptr<CDist> copy(dist.CreateCopy());
    EXPECT_EQ(
        std::tuple(copy->GetRuntimeClass(), copy->m_ppReference, copy->GetParamValue(PARAM_MEAN)),
        std::tuple(dist.GetRuntimeClass(), &pSlot, 2.5));
}

// Checks and statuses: whether they pass, and the message box they show.
TEST(DistStatus, ChecksAndTheirMessages) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    const auto check = [](int nParam, double dValue) {
        return CDist().CheckParamValue(nParam, dValue);
    };
    const auto statusOf = [](std::function<void(CDistStatus&)> set) {
        CDistStatus status;
        set(status);
        return status;
    };
    const std::tuple<CDistStatus, bool, const char*> cases[] = {
        {check(PARAM_STDDEV, 0.0), false, "ERROR:\nStdDev is less than (or equal to) 0"},
        {check(PARAM_STDDEV, kNaN), false, "ERROR:\nStdDev is less than (or equal to) 0"},
        {check(PARAM_STDDEV, 1e-300), true, nullptr},
        {check(PARAM_COV, 0.0), false, "ERROR:\nCoV is less than (or equal to) 0"},
        {check(PARAM_COV, kNaN), false, "ERROR:\nCoV is less than (or equal to) 0"},
        {check(PARAM_COV, 1e-300), true, nullptr},
        {check(PARAM_MEAN, -5.0), true, nullptr},
        {statusOf([](CDistStatus& s) { s.SetWarning("first"), s.SetWarning("second"); }), true,
         "WARNING:\nsecond"},
        {statusOf([](CDistStatus& s) { s.SetError("error"), s.SetWarning("warning"); }), false,
         "WARNING:\nwarning"},
    };
    for (auto [status, bOk, shown] : cases) {
        CRecordingHooks hooks;
        EXPECT_EQ(status.m_bOk, shown == nullptr) << "before IsOk: anything recorded";
        EXPECT_EQ(std::pair(status.IsOk(), status.m_bOk), std::pair(BOOL{bOk}, BOOL{bOk}));
        status.ShowMessage();
        EXPECT_EQ(hooks.messages(),
                  shown ? std::vector<std::string>{shown} : std::vector<std::string>{});
        for (UINT style : hooks.recorded().messageStyles) {
            EXPECT_EQ(style, MB_ICONEXCLAMATION | MB_OK);
        }
    }
}

TEST(DistCopy, AnotherTypeTakesContentsButNotInputTypeAndCursor) {
    CDist* pSlot = nullptr;
    CNormal source(&pSlot, "N", nullptr);
    source.m_nParamCombi = source.m_nCurParam = 1;
    source.m_bAutoAxis = FALSE;
    source.m_dAxisMin = -3.0;
    source.m_dAxisMax = 8.0;
    source.SetCanChange(FALSE);
    source.m_CategoryNames.Add("a");
    source.m_Frequencies.Add(2.0);
    source.m_Probabilities.Add(1.0);
    CDist fixed(nullptr, "ignored", &source);
    EXPECT_EQ(fixed.m_ppReference, &pSlot);
    // All that is stored but the type, its number of input types, the input type and cursor.
    source.m_nType = DIST_FIXED;
    source.m_nParamCombiCount = 1;
    source.m_nParamCombi = source.m_nCurParam = 0;
    EXPECT_EQ(Body(fixed), Body(source));
    // And back: a normal variable built from a fixed one takes no defaults and converts nothing.
    fixed.SetParamValue(PARAM_MEAN, 7.0);
    fixed.m_nParamCombi = fixed.m_nCurParam = 1;
    CNormal normal(nullptr, "ignored", &fixed);
    EXPECT_EQ(std::tuple(normal.GetParamValue(PARAM_MEAN), normal.GetParamValue(PARAM_COV),
                         normal.m_nParamCombi, normal.m_nCurParam),
              std::tuple(7.0, 0.125, 0, 0));
}

TEST(DistRandom, NullGeneratorDrawsFromTheSharedStream) {
    CDist::m_ExOr.SetDefaultSeed();
    CNormal a(nullptr, "A", nullptr);
    CNormal b(nullptr, "B", nullptr);
    const double draws[] = {a.GetRandom(nullptr), b.GetRandom(nullptr), a.GetRandom()};
    CExOr reference; // default seeds
    for (double x : draws) {
        EXPECT_EQ(x, a.GetInverse(reference.GetRandom()));
    }
    EXPECT_DOUBLE_EQ(draws[0], 4.0 + 0.5 * StdNormal(STDNORMAL_INVERSE, 0.8309281710535288));
}

TEST(DistChangeDistribution, TheReturnedVariableHoldsTheSlot) {
    // No editor; an editor that replaces the variable by a fixed one built from it; an editor
    // that edits the variable in place.
    const std::tuple<std::function<CDist*(CDist*)>, bool, double> cases[] = {
        {nullptr, false, 4.0},
        {[](CDist* pDist) { return new CDist(nullptr, "", pDist); }, true, 4.0},
        {[](CDist* pDist) { return pDist->SetParamValue(PARAM_MEAN, 9.0), pDist; }, false, 9.0},
    };
    for (const auto& [editor, bReplaced, dMean] : cases) {
        SHostHooks hooks;
        hooks.changeDistribution = editor;
        CScopedHostHooks scope(hooks);
        CDist elsewhere;
        CDist* pSlot = &elsewhere; // rewritten only when the variable is replaced
        auto* pNormal = new CNormal(&pSlot, "N", nullptr);
        CDist* pResult = pNormal->ChangeDistribution(); // the sanitizer build checks the deletion
        EXPECT_EQ(std::tuple(pResult == pNormal, pSlot == pResult, pResult->m_nType,
                             pResult->GetVarName().str()),
                  std::tuple(!bReplaced, bReplaced, bReplaced ? DIST_FIXED : DIST_NORMAL, "N"));
        EXPECT_EQ(pResult->GetParamValue(PARAM_MEAN), dMean);
        delete pResult;
    }
}

TEST(HostHooks, ScopedHooksAreRestored) {
    int nBeeps = 0;
    {
        SHostHooks hooks;
        hooks.beep = [&nBeeps](DWORD f, DWORD d) { nBeeps += f == 1000 && d == 150; };
        CScopedHostHooks scope(hooks);
        Beep(1000, 150);
    }
    Beep(1000, 150);
    EXPECT_EQ(nBeeps, 1);
}

} // namespace
