// The archive of variables: the body byte for byte, every class's record, round trips through
// every class, refusals and damaged archives; and the factory of variables by type id.

#include <stochvar/stochvar.h>

#include "support/ArchiveTestSupport.h"
#include "support/DamageSweep.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>

using namespace stochvar;
using namespace stochvar::test;

namespace {

// The values' bytes, little-endian by their size (int 4, double 8), independent of CArchive.
template <class... T> Bytes Le(T... values) {
    Bytes bytes;
    const auto put = [&bytes](auto value) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof value);
        for (std::size_t i = 0; i < sizeof value; ++i) {
            bytes += static_cast<char>(bits >> (8 * i));
        }
    };
    (put(values), ...);
    return bytes;
}

Bytes StoreBody(CDist& dist) {
    return Store([&dist](CArchive& ar) { dist.Serialize(ar); });
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
    EXPECT_EQ(StoreBody(dist), expected);
    CDiscrete loaded;
    EXPECT_EQ(LoadCause(expected, [&](CArchive& ar) { loaded.Serialize(ar); }), std::nullopt);
    EXPECT_EQ(StoreBody(loaded), expected);
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
                  NewClass(className, nSchema) + StoreBody(dist));
    }
    std::istringstream in(StoreList(variables));
    CArchive ar(in);
    std::vector<std::unique_ptr<CObject>> owned;
    for (const auto& pOriginal : variables) {
        owned.emplace_back(ar.ReadObject(STOCHVAR_RUNTIME_CLASS(CDist)));
        auto* pDist = dynamic_cast<CDist*>(owned.back().get());
        ASSERT_NE(pDist, nullptr);
        EXPECT_EQ(pDist->GetRuntimeClass(), pOriginal->GetRuntimeClass());
        EXPECT_EQ(StoreBody(*pDist), StoreBody(*pOriginal));
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
        EXPECT_EQ(LoadCause(StoreBody(normal), [&](CArchive& ar) { loaded.Serialize(ar); }),
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
    SweepDamage(StoreList(EveryType()), load,
                {.nCorruptions = 3000,
                 .strEveryRefusal = "",
                 .strTruncationRefusal = "unexpected end of archive"});
}

TEST(DistFactory, CreateNewDistCarriesContentsAcrossTypes) {
    CDist* pSlot = nullptr;
    CNormal normal(&pSlot, "N", nullptr);
    normal.m_nParamCombi = 1;
    normal.m_nCurParam = 1;
    for (int nType : {DIST_LOGNORMAL, DIST_NORMAL}) {
        std::unique_ptr<CDist> dist(normal.CreateNewDist(nType));
        ASSERT_NE(dist, nullptr);
        const int nKept = nType == DIST_NORMAL ? 1 : 0; // input type and cursor, same type only
        EXPECT_EQ(std::tuple(dist->m_nType, dist->m_nParamCombi, dist->m_nCurParam,
                             dist->m_ppReference, dist->GetVarName().str()),
                  std::tuple(nType, nKept, nKept, &pSlot, "N"));
        for (int nParam : {PARAM_MEAN, PARAM_STDDEV, PARAM_COV}) {
            EXPECT_EQ(dist->GetParamValue(nParam), normal.GetParamValue(nParam)) << nParam;
        }
    }
    EXPECT_EQ(normal.CreateNewDist(DIST_COUNT), nullptr);
    EXPECT_EQ(normal.CreateNewDist(-1), nullptr);
}

} // namespace
