// The variable class: a fresh fixed variable, checks and statuses, copies across types, the shared
// random stream and the editor's hook; and its archive: the body byte for byte, every class's
// record, round trips through every class, refusals and damaged archives.

#include <stochvar/stochvar.h>

#include "support/ArchiveTestSupport.h"
#include "support/DamageSweep.h"
#include "support/RecordingHooks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

using namespace stochvar;
using namespace stochvar::test;
using stochvar::testing::CRecordingHooks;

namespace {

// The values' bytes, little-endian by their size (int 4, double 8), independent of CArchive.
static_assert(std::endian::native == std::endian::little);
template <class... T>
Bytes Le(T... values) {
    return (Bytes(reinterpret_cast<const char*>(&values), sizeof values) + ...);
}

Bytes Body(CDist& dist) {
    return Store([&dist](CArchive& ar) { dist.Serialize(ar); });
}

TEST(FixedDist, FreshVariableIsADegeneratePoint) {
    CDist* pSlot = nullptr;
    CDist dist(&pSlot, "F", nullptr);
    // Type id, input types, may change, input type, cursor, an automatic axis [0, 1], the 16
    // slots at 0, and no categories.
    EXPECT_EQ(Body(dist), "\x01"
                          "F" +
                              Le(DIST_FIXED, 1, TRUE, 0, 0, 0.0, 1.0, TRUE) +
                              Bytes(8 * PARAM_COUNT, '\0') + Bytes(6, '\0'));
    EXPECT_EQ(dist.m_ppReference, &pSlot);
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
    EXPECT_EQ(std::tuple(copy->GetRuntimeClass(), copy->m_ppReference, Body(*copy)),
              std::tuple(dist.GetRuntimeClass(), &pSlot, Body(dist)));
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

// The editing protocol, one value at a time on a normal variable with input type /MEAN/COV: the
// statuses handed out, the cursor afterwards, and the STDDEV that only a converted set derives.
TEST(DistEntry, ValueByValueThenTheSetIsCheckedAndConverted) {
    CNormal dist(nullptr, "X", nullptr); // MEAN 4, STDDEV 0.5
    dist.m_nParamCombi = 1;
    const int kIds[] = {PARAM_MEAN, PARAM_COV};
    const char* const kMeanZero = "Mean value must be different from 0 when CoV is given as input.";
    // The value entered, the cursor before, then the messages of the statuses ("" for a clean
    // one), the cursor after and STDDEV after.
    const std::tuple<double, int, std::vector<std::string>, int, double> steps[] = {
        {0.0, 0, {""}, 1, 0.5},                                  // MEAN stored
        {-1.0, 1, {"CoV is less than (or equal to) 0"}, 1, 0.5}, // refused, cursor stays
        {0.1, 1, {"", kMeanZero}, 0, 0.5},                       // the set fails its check
        {10.0, 0, {""}, 1, 0.5},
        {0.1, 1, {"", "", ""}, 0, 1.0}, // checked and converted
        {7.0, 2, {}, 2, 1.0},           // no parameter there
    };
    for (const auto& [dValue, nBefore, messages, nAfter, dStdDev] : steps) {
        SCOPED_TRACE(dValue);
        dist.m_nCurParam = nBefore;
        EXPECT_EQ(dist.GetParamUnderCursor(), nBefore < 2 ? kIds[nBefore] : -1);
        std::vector<std::string> seen;
        dist.EnterParamValue(
            dValue, [&seen](CDistStatus status) { seen.push_back(status.m_strMessage.str()); });
        EXPECT_EQ(seen, messages);
        EXPECT_EQ(std::pair(dist.m_nCurParam, dist.GetParamValue(PARAM_STDDEV)),
                  std::pair(nAfter, dStdDev));
    }
    EXPECT_EQ(std::pair(dist.GetParamValue(PARAM_MEAN), dist.GetParamValue(PARAM_COV)),
              std::pair(10.0, 0.1));
}

TEST(DistCopy, TheSameTypeTakesEverythingAnotherNotTheInputTypeAndCursor) {
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
    const std::unique_ptr<CDist> same(source.CreateNewDist(DIST_NORMAL));
    EXPECT_EQ(Body(*same), Body(source));
    EXPECT_EQ(std::tuple(source.CreateNewDist(DIST_COUNT), source.CreateNewDist(-1)),
              std::tuple(nullptr, nullptr));
    CDist fixed(nullptr, "ignored", &source);
    EXPECT_EQ(std::pair(same->m_ppReference, fixed.m_ppReference), std::pair(&pSlot, &pSlot));
    // All that is stored but the type, its number of input types, the input type and cursor.
    source.m_nType = DIST_FIXED;
    source.m_nParamCombiCount = 1;
    source.m_nParamCombi = source.m_nCurParam = 0;
    EXPECT_EQ(Body(fixed), Body(source));
    // And back: a normal variable built from a fixed one takes no defaults and converts nothing.
    fixed.SetParamValue(PARAM_MEAN, 7.0);
    fixed.m_nParamCombi = fixed.m_nCurParam = 1;
    const std::unique_ptr<CDist> normal(fixed.CreateNewDist(DIST_NORMAL));
    EXPECT_EQ(std::tuple(normal->m_nType, normal->GetParamValue(PARAM_MEAN),
                         normal->GetParamValue(PARAM_COV), normal->m_nParamCombi,
                         normal->m_nCurParam, normal->GetVarName().str()),
              std::tuple(DIST_NORMAL, 7.0, 0.125, 0, 0, "N"));
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
    // An editor that replaces the variable by a fixed one built from it; no editor; an editor
    // that edits the variable in place; then the host's own hooks again.
    const std::tuple<std::function<CDist*(CDist*)>, bool, double> cases[] = {
        {[](CDist* pDist) { return new CDist(nullptr, "", pDist); }, true, 4.0},
        {nullptr, false, 4.0},
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
    CNormal normal(nullptr, "N", nullptr);
    EXPECT_EQ(normal.ChangeDistribution(), &normal);
    EXPECT_EQ(normal.GetParamValue(PARAM_MEAN), 4.0) << "the last editor is still installed";
}

TEST(DistArchive, BodyByteForByte) {
    // Every field carries a value of its own: name, type id, input-type count, may-change flag,
    // input type, cursor, axis, automatic axis, the 16 slots, then names, frequencies and
    // probabilities of the categories.
    CDiscrete dist(nullptr, "Var3", nullptr);
    dist.AddCategory("a", 1.0);
    dist.AddCategory("b", 3.0);
    dist.SetCanChange(FALSE);
    dist.m_nParamCombi = 2;
    dist.m_nCurParam = 1;
    dist.m_dAxisMin = -1.5;
    dist.m_dAxisMax = 7.25;
    dist.m_bAutoAxis = FALSE;
    Bytes expected = "\x04Var3" + Le(DIST_DISCRETE, 0, FALSE, 2, 1, -1.5, 7.25, FALSE);
    for (int i = 0; i < PARAM_COUNT; ++i) {
        dist.SetParamValue(i, 300.25 + i);
        expected += Le(300.25 + i);
    }
    expected += Hex("02 00 01 61 01 62 02 00") + Le(1.0, 3.0) + Hex("02 00") + Le(0.25, 0.75);
    EXPECT_EQ(Body(dist), expected);
    CDiscrete loaded;
    EXPECT_EQ(LoadCause(expected, [&](CArchive& ar) { loaded.Serialize(ar); }), std::nullopt);
    EXPECT_EQ(Body(loaded), expected);
}

// Per type id: the class, its schema and type keyword, and its number of input types.
const std::tuple<const char*, WORD, const char*, int> kClasses[DIST_COUNT] = {
    {"CDist", 1, "FIXED", 1},
    {"CBeta", 0, "BETA", 4},
    {"CExponential", 0, "EXPONENTIAL", 4},
    {"CDiscrete", 0, "DISCRETE", 0},
    {"CGumbel", 0, "GUMBEL", 3},
    {"CLogNormal", 0, "LOGNORMAL", 3},
    {"CNormal", 0, "NORMAL", 2},
    {"CRayleigh", 0, "RAYLEIGH", 4},
    {"CTriangular", 0, "TRIANGULAR", 2},
    {"CUniform", 0, "UNIFORM", 1},
    {"CWeibull", 0, "WEIBULL", 4}};

Bytes NewClass(const std::string& name, WORD nSchema) {
    return Hex("FF FF") + Le(nSchema, static_cast<WORD>(name.size())) + name;
}

// One variable of each type, with a slot off its default.
std::vector<std::unique_ptr<CDist>> EveryType() {
    CDist seed;
    std::vector<std::unique_ptr<CDist>> variables;
    for (int nType = 0; nType < DIST_COUNT; ++nType) {
        variables.emplace_back(seed.CreateNewDist(nType));
        variables.back()->SetVarName(CString("v" + std::to_string(nType)));
        variables.back()->SetParamValue(PARAM_T, 0.5 + nType);
    }
    return variables;
}

// The variables, then the lognormal one again, a null and the first again.
Bytes StoreList(const std::vector<std::unique_ptr<CDist>>& variables) {
    return Store([&](CArchive& ar) {
        for (const auto& pDist : variables) {
            ar << pDist.get();
        }
        ar << variables[DIST_LOGNORMAL].get();
        ar.WriteObject(nullptr);
        ar << variables[0].get();
    });
}

TEST(DistArchive, EveryClassFramedAndLoadedBack) {
    const std::vector<std::unique_ptr<CDist>> variables = EveryType();
    for (int nType = 0; nType < DIST_COUNT; ++nType) {
        const auto& [className, nSchema, keyword, nParamCombiCount] = kClasses[nType];
        CDist& dist = *variables[static_cast<std::size_t>(nType)];
        EXPECT_EQ(std::tuple(dist.m_nType, dist.GetVarTypeName().str(), dist.GetParamCombiCount()),
                  std::tuple(nType, keyword, nParamCombiCount));
        EXPECT_EQ(Store([&](CArchive& ar) { ar << &dist; }),
                  NewClass(className, nSchema) + Body(dist));
    }
    std::istringstream in(StoreList(variables));
    CArchive ar(in);
    std::vector<std::unique_ptr<CObject>> owned;
    for (const auto& pOriginal : variables) {
        owned.emplace_back(ar.ReadObject(STOCHVAR_RUNTIME_CLASS(CDist)));
        auto* pDist = dynamic_cast<CDist*>(owned.back().get());
        ASSERT_NE(pDist, nullptr);
        EXPECT_EQ(pDist->GetRuntimeClass(), pOriginal->GetRuntimeClass());
        EXPECT_EQ(Body(*pDist), Body(*pOriginal));
        for (double x : {-1.0, 0.3, 2.0, 4.5}) { // NaN equals NaN here
            EXPECT_EQ(std::bit_cast<std::uint64_t>(pDist->GetDensity(x)),
                      std::bit_cast<std::uint64_t>(pOriginal->GetDensity(x)))
                << pDist->GetVarName().str() << " at " << x;
        }
    }
    EXPECT_EQ(ar.ReadObject(nullptr), owned[DIST_LOGNORMAL].get());
    EXPECT_EQ(ar.ReadObject(nullptr), nullptr);
    EXPECT_EQ(ar.ReadObject(nullptr), owned[0].get());
}

TEST(DistArchive, LoadingTakesValuesAsStoredWithoutChecks) {
    CNormal normal(nullptr, "N", nullptr);
    normal.SetParamValue(PARAM_STDDEV, -2.0);
    normal.m_Probabilities.Add(0.9); // containers of different lengths
    for (int nType : {int{DIST_WEIBULL}, DIST_COUNT, -1}) {
        normal.m_nType = nType;
        CNormal loaded;
        EXPECT_EQ(LoadCause(Body(normal), [&](CArchive& ar) { loaded.Serialize(ar); }),
                  std::nullopt);
        EXPECT_EQ(std::tuple(loaded.m_nType, loaded.GetParamValue(PARAM_STDDEV),
                             loaded.m_Probabilities.GetSize(), loaded.GetVarTypeName().str()),
                  std::tuple(nType, -2.0, 1, nType == DIST_WEIBULL ? "WEIBULL" : ""));
    }
}

TEST(DistArchive, DamagedArchivesAreRefusedOrGiveUsableVariables) {
    const auto load = [](const std::string& damaged) -> Refusal {
        std::istringstream in(damaged);
        CArchive ar(in);
        std::vector<std::unique_ptr<CDist>> owned;
        try {
            for (int i = 0; i < DIST_COUNT + 3; ++i) {
                auto* pDist = static_cast<CDist*>(ar.ReadObject(STOCHVAR_RUNTIME_CLASS(CDist)));
                if (pDist != nullptr &&
                    std::ranges::none_of(owned, [&](auto& p) { return p.get() == pDist; })) {
                    owned.emplace_back(pDist)->GetVarTypeName();
                    (void)(pDist->GetDensity(0.5) + pDist->GetCumulative(0.5) +
                           pDist->GetInverse(0.5));
                    delete pDist->CreateCopy();
                }
            }
        } catch (const CArchiveException& e) {
            return e.what();
        }
        return std::nullopt;
    };
    SweepDamage(StoreList(EveryType()), load, 3000);
}

} // namespace
