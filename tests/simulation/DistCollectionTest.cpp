// The collection as a container: access, growth, clearing, deep copy, the editor hook, and the
// correlation entries made by SetCorr and refreshed by CheckCorr with their warning boxes.

#include <stochvar/module/HostHooks.h>
#include <stochvar/numerics/ExOr.h>
#include <stochvar/simulation/DistCollection.h>
#include <stochvar/simulation/Nataf.h>

#include "SimulationSupport.h"
#include "support/RecordingHooks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace stochvar;
using namespace stochvar::testing;

namespace {

const UINT kWarningStyle = MB_ICONEXCLAMATION | MB_OK;

// Exposes the protected look-up by pointer.
class CInspectableCollection : public CDistCollection {
public:
    using CDistCollection::GetIndex;
};

TEST(DistCollection, FreshCollectionIsEmptyAndNotInitialised) {
    CDistCollection collection;
    EXPECT_EQ(collection.GetCount(), 0);
    EXPECT_EQ(collection.GetDistArray()->GetSize(), 0);
    EXPECT_EQ(collection.GetCorrArray()->GetSize(), 0);
    EXPECT_EQ(collection.GetDist(0), nullptr);
    int nSample = -5;
    double value = -5.0;
    EXPECT_FALSE(collection.GetSample(nSample, &value));
    EXPECT_EQ(nSample, -5);
    EXPECT_EQ(value, -5.0);
}

TEST(DistCollection, GetDistOutsideTheListIsNull) {
    DistPtr a = MakeNormal("A"), b = MakeNormal("B");
    CDistCollection collection;
    collection.AddDist(a.get());
    collection.AddDist(b.get());
    const struct {
        int index;
        CDist* expected;
    } cases[] = {{-1, nullptr}, {0, a.get()}, {1, b.get()}, {2, nullptr}, {100, nullptr}};
    for (const auto& c : cases) EXPECT_EQ(collection.GetDist(c.index), c.expected) << c.index;
}

TEST(DistCollection, GetIndexFindsTheFirstSlotOfAPointer) {
    DistPtr a = MakeNormal("A"), b = MakeNormal("B"), absent = MakeNormal("C");
    CInspectableCollection collection;
    collection.AddDist(nullptr);
    collection.AddDist(a.get());
    collection.AddDist(b.get());
    collection.AddDist(a.get()); // no check against duplicates
    EXPECT_EQ(collection.GetCount(), 4);
    EXPECT_EQ(collection.GetIndex(a.get()), 1);
    EXPECT_EQ(collection.GetIndex(b.get()), 2);
    EXPECT_EQ(collection.GetIndex(absent.get()), -1);
    // Null is never found, even though slot 0 holds it.
    EXPECT_EQ(collection.GetIndex(nullptr), -1);
}

struct SSetDistCase {
    const char* name;
    int initialCount;
    int index;
    BOOL expectedResult;
    int expectedCount;
};

class DistCollectionSetDist : public ::testing::TestWithParam<SSetDistCase> {};

TEST_P(DistCollectionSetDist, GrowsOnlyWhenNeeded) {
    const SSetDistCase& c = GetParam();
    std::vector<DistPtr> held;
    CDistCollection collection;
    for (int i = 0; i < c.initialCount; ++i) {
        held.push_back(MakeNormal("V"));
        collection.AddDist(held.back().get());
    }
    DistPtr incoming = MakeUniform("New");
    EXPECT_EQ(collection.SetDist(c.index, incoming.get()), c.expectedResult);
    ASSERT_EQ(collection.GetCount(), c.expectedCount);
    if (c.index >= 0) {
        EXPECT_EQ(collection.GetDist(c.index), incoming.get());
    }
    for (int i = 0; i < c.expectedCount; ++i) {
        if (i == c.index) continue;
        CDist* expected = i < c.initialCount ? held[static_cast<std::size_t>(i)].get() : nullptr;
        EXPECT_EQ(collection.GetDist(i), expected) << "slot " << i;
    }
    // A replaced variable is still alive and owned by the caller.
    for (const DistPtr& dist : held) EXPECT_EQ(dist->GetVarName(), "V");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DistCollectionSetDist,
    ::testing::Values(SSetDistCase{"AtCountAppends", 2, 2, FALSE, 3},
                      SSetDistCase{"BeyondCountLeavesNullSlots", 2, 4, FALSE, 5},
                      SSetDistCase{"IntoEmptyList", 0, 0, FALSE, 1},
                      SSetDistCase{"ExistingFirstSlot", 2, 0, TRUE, 2},
                      SSetDistCase{"ExistingLastSlot", 3, 2, TRUE, 3},
                      SSetDistCase{"NegativeIndexStoresNothing", 2, -1, FALSE, 2}),
    CaseName);

TEST(DistCollection, ResetContentsKeepsTheVariablesAlive) {
    DistPtr a = MakeNormal("A"), b = MakeUniform("B");
    CDistCollection collection;
    collection.AddDist(a.get());
    collection.AddDist(b.get());
    collection.SetCorr(a.get(), b.get(), 0.3, FALSE);
    collection.SetCorr(a.get(), b.get(), 0.4, TRUE);
    CExOr generator;
    collection.InitSimulation(10, TRUE, &generator, nullptr);

    collection.ResetContents();
    EXPECT_EQ(collection.GetCount(), 0);
    EXPECT_EQ(collection.GetCorrArray()->GetSize(), 0);
    int nSample = 0;
    double values[2] = {};
    EXPECT_FALSE(collection.GetSample(nSample, values));
    EXPECT_EQ(a->GetVarName(), "A");
    EXPECT_EQ(b->GetVarName(), "B");

    // The collection is usable again from scratch.
    collection.AddDist(b.get());
    collection.InitSimulation(3, FALSE, &generator, nullptr);
    EXPECT_TRUE(collection.GetSample(nSample, values));
    EXPECT_EQ(nSample, 1);
}

void ExpectSameContents(CDist* copy, CDist* source) {
    EXPECT_NE(copy, source);
    EXPECT_EQ(copy->GetRuntimeClass(), source->GetRuntimeClass());
    EXPECT_EQ(copy->m_nType, source->m_nType);
    EXPECT_EQ(copy->GetVarName(), source->GetVarName());
    EXPECT_EQ(copy->m_nParamCombi, source->m_nParamCombi);
    for (int nParam = 0; nParam < PARAM_COUNT; ++nParam) {
        EXPECT_EQ(copy->GetParamValue(nParam), source->GetParamValue(nParam)) << "slot " << nParam;
    }
    EXPECT_EQ(copy->GetInverse(0.3), source->GetInverse(0.3));
}

TEST(DistCollection, DeepCopyDuplicatesVariablesAndEntries) {
    DistPtr a = MakeExponential("A", 2.0, 1.0), b = MakeLogNormal("B", 3.0, 0.5, 1.0);
    CDistCollection source;
    source.AddDist(a.get());
    source.AddDist(b.get());
    source.SetCorr(b.get(), a.get(), 0.6, TRUE);

    CDistCollection copy(&source);
    ASSERT_EQ(copy.GetCount(), 2);
    ExpectSameContents(copy.GetDist(0), a.get());
    ExpectSameContents(copy.GetDist(1), b.get());

    ASSERT_EQ(copy.GetCorrArray()->GetSize(), 1);
    const SCorr* original = source.GetCorrArray()->GetAt(0);
    const SCorr* copied = copy.GetCorrArray()->GetAt(0);
    EXPECT_NE(copied, original);
    EXPECT_EQ(copied->nIndex1, 0);
    EXPECT_EQ(copied->nIndex2, 1);
    EXPECT_EQ(copied->dCorrU, original->dCorrU);
    EXPECT_EQ(copied->dCorrX, 0.6);
    EXPECT_EQ(copied->bXSpace, TRUE);
    // The entry is copied field by field: its pointers still name the source's variables.
    EXPECT_EQ(copied->pDist1, b.get());
    EXPECT_EQ(copied->pDist2, a.get());

    // The copies belong to the caller.
    delete copy.GetDist(0);
    delete copy.GetDist(1);
}

TEST(DistCollection, DeepCopyOfAnEmptyCollection) {
    CDistCollection source;
    CDistCollection copy(&source);
    EXPECT_EQ(copy.GetCount(), 0);
    EXPECT_EQ(copy.GetCorrArray()->GetSize(), 0);
    int nSample = 0;
    double value = 0.0;
    EXPECT_FALSE(copy.GetSample(nSample, &value));
}

TEST(DistCollection, ChangeDistCollectionGoesThroughTheEditorHook) {
    DistPtr a = MakeNormal("A");
    std::vector<CDistCollection*> opened;
    int result = IDOK;
    SHostHooks hooks;
    hooks.changeDistCollection = [&](CDistCollection* pCollection) {
        opened.push_back(pCollection);
        return result;
    };
    CScopedHostHooks scope(hooks);

    CDistCollection collection;
    EXPECT_FALSE(collection.ChangeDistCollection()); // empty: no editor shown
    EXPECT_TRUE(opened.empty());

    collection.AddDist(a.get());
    EXPECT_TRUE(collection.ChangeDistCollection());
    result = IDCANCEL;
    EXPECT_FALSE(collection.ChangeDistCollection());
    result = 7; // any other dialog result is not OK either
    EXPECT_FALSE(collection.ChangeDistCollection());
    ASSERT_EQ(opened.size(), 3u);
    for (CDistCollection* pCollection : opened) EXPECT_EQ(pCollection, &collection);
}

TEST(DistCollection, ChangeDistCollectionWithoutAnEditorIsFalse) {
    CScopedHostHooks scope(DefaultHostHooks());
    DistPtr a = MakeNormal("A");
    CDistCollection collection;
    collection.AddDist(a.get());
    EXPECT_FALSE(collection.ChangeDistCollection());
}

// SetCorr and CheckCorr.

TEST(SetCorr, VariableOutsideTheCollectionAddsNothing) {
    CRecordingHooks hooks;
    DistPtr a = MakeNormal("A"), b = MakeNormal("B"), outsider = MakeNormal("C");
    CDistCollection collection;
    collection.AddDist(a.get());
    collection.AddDist(b.get());
    collection.SetCorr(a.get(), outsider.get(), 5.0, TRUE);
    collection.SetCorr(outsider.get(), b.get(), 0.5, FALSE);
    collection.SetCorr(nullptr, b.get(), 0.5, TRUE);
    EXPECT_EQ(collection.GetCorrArray()->GetSize(), 0);
    EXPECT_TRUE(hooks.messages().empty());
}

TEST(SetCorr, EntryOrdersIndicesAndKeepsThePointerOrder) {
    CRecordingHooks hooks;
    DistPtr a = MakeUniform("A"), b = MakeUniform("B"), c = MakeUniform("C");
    CDistCollection collection;
    collection.AddDist(a.get());
    collection.AddDist(b.get());
    collection.AddDist(c.get());
    collection.SetCorr(c.get(), a.get(), 0.5, TRUE);
    collection.SetCorr(c.get(), a.get(), 0.2, FALSE); // same pair again: a second entry

    ASSERT_EQ(collection.GetCorrArray()->GetSize(), 2);
    const SCorr* x = collection.GetCorrArray()->GetAt(0);
    EXPECT_EQ(x->nIndex1, 0);
    EXPECT_EQ(x->nIndex2, 2);
    EXPECT_EQ(x->pDist1, c.get());
    EXPECT_EQ(x->pDist2, a.get());
    EXPECT_EQ(x->bXSpace, TRUE);
    EXPECT_EQ(x->dCorrX, 0.5);
    EXPECT_NEAR(x->dCorrU, 0.51764, 5e-6); // 2 sin(pi/12) = 0.517638 for two uniforms

    const SCorr* u = collection.GetCorrArray()->GetAt(1);
    EXPECT_EQ(u->bXSpace, FALSE);
    EXPECT_EQ(u->dCorrU, 0.2);
    EXPECT_NEAR(u->dCorrX, 6.0 / 3.141592653589793 * std::asin(0.1), 2e-4);
    EXPECT_TRUE(hooks.messages().empty());
}

TEST(SetCorr, USpaceValueIsNeverCorrected) {
    CRecordingHooks hooks;
    DistPtr a = MakeExponential("A"), b = MakeExponential("B");
    CDistCollection collection;
    collection.AddDist(a.get());
    collection.AddDist(b.get());
    for (double rhoU : {-1.0, -0.95, 0.3, 1.0, 1.5}) {
        collection.SetCorr(a.get(), b.get(), rhoU, FALSE);
        const SCorr* entry = collection.GetCorrArray()->GetAt(collection.GetCorrArray()->GetUpperBound());
        EXPECT_EQ(entry->dCorrU, rhoU);
        double dExpected = 0.0, dCorrU = rhoU;
        int nError = 0;
        Nataf(0, a.get(), b.get(), &dCorrU, &dExpected, &nError);
        EXPECT_EQ(entry->dCorrX, dExpected) << rhoU;
        EXPECT_LE(std::fabs(entry->dCorrX), kCorrLimit);
    }
    EXPECT_TRUE(hooks.messages().empty());
}

// The warning texts, byte for byte as the user sees them.
struct SWarningCase {
    const char* name;
    PairFactory makePair;
    double corrX;
    const char* expectedMessage;
    double expectedCorrX;
    double tolerance;
};

class SetCorrWarnings : public ::testing::TestWithParam<SWarningCase> {};

TEST_P(SetCorrWarnings, OutOfRangeValueIsMovedToTheBound) {
    const SWarningCase& c = GetParam();
    auto [p1, p2] = c.makePair();
    CDistCollection collection;
    collection.AddDist(p1.get());
    collection.AddDist(p2.get());
    CRecordingHooks hooks;
    collection.SetCorr(p1.get(), p2.get(), c.corrX, TRUE);
    ASSERT_EQ(hooks.messages().size(), 1u);
    EXPECT_EQ(hooks.messages()[0], c.expectedMessage);
    EXPECT_EQ(hooks.recorded().messageStyles[0], kWarningStyle);
    ASSERT_EQ(collection.GetCorrArray()->GetSize(), 1);
    const SCorr* entry = collection.GetCorrArray()->GetAt(0);
    EXPECT_NEAR(entry->dCorrX, c.expectedCorrX, c.tolerance);
    EXPECT_TRUE(std::isfinite(entry->dCorrU));

    // The stored value is the bound itself, so checking the entry again finds nothing to do.
    hooks.clear();
    SCorr again = *entry;
    EXPECT_TRUE(collection.CheckCorr(&again));
    EXPECT_TRUE(hooks.messages().empty());
    EXPECT_EQ(again.dCorrX, entry->dCorrX);
    EXPECT_EQ(again.dCorrU, entry->dCorrU);
}

std::pair<DistPtr, DistPtr> NamedNormals() { return {MakeNormal("X1"), MakeNormal("X2", 4.0, 0.5)}; }
std::pair<DistPtr, DistPtr> NamedExponentials() {
    return {MakeExponential("Load"), MakeExponential("Resistance", 0.5, 3.0)};
}
std::pair<DistPtr, DistPtr> NormalAndFixed() {
    auto fixed = std::make_unique<CDist>(nullptr, "F", nullptr);
    fixed->SetParamValue(PARAM_MEAN, 2.0);
    return {MakeNormal("N"), std::move(fixed)};
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, SetCorrWarnings,
    ::testing::Values(
        SWarningCase{"NormalsTooLarge", NamedNormals, 1.0,
                     "WARNING:\nCorrelation specified between variable X1 and X2 is too large to "
                     "perform the nataf mapping. Correlation is  1.0000. Allowed range is: "
                     "[-1.0000; 1.0000].\n Correlation is modified to  1.0000!",
                     kCorrLimit, 0.0},
        SWarningCase{"ExponentialsTooSmall", NamedExponentials, -0.8,
                     "WARNING:\nCorrelation specified between variable Load and Resistance is too "
                     "small to perform the nataf mapping. Correlation is -0.8000. Allowed range "
                     "is: [-0.6449; 0.9999].\n Correlation is modified to -0.6449!",
                     -0.6449, 5e-5},
        // A fixed value has no spread: it correlates with nothing.
        SWarningCase{"FixedValueTooLarge", NormalAndFixed, 0.3,
                     "WARNING:\nCorrelation specified between variable N and F is too large to "
                     "perform the nataf mapping. Correlation is  0.3000. Allowed range is: "
                     "[ 0.0000; 0.0000].\n Correlation is modified to  0.0000!",
                     0.0, 0.0}),
    CaseName);

TEST(SetCorr, ValueOnTheBoundPassesUnchanged) {
    CRecordingHooks hooks;
    DistPtr a = MakeExponential("A"), b = MakeExponential("B");
    CDistCollection collection;
    collection.AddDist(a.get());
    collection.AddDist(b.get());
    double dMin = 0.0, dMax = 0.0;
    NatafRange(a.get(), b.get(), &dMin, &dMax);
    collection.SetCorr(a.get(), b.get(), dMin, TRUE);
    collection.SetCorr(a.get(), b.get(), dMax, TRUE);
    EXPECT_TRUE(hooks.messages().empty());
    EXPECT_EQ(collection.GetCorrArray()->GetAt(0)->dCorrX, dMin);
    EXPECT_EQ(collection.GetCorrArray()->GetAt(1)->dCorrX, dMax);
}

TEST(CheckCorr, InsideTheRangeRefreshesTheDerivedValueSilently) {
    CRecordingHooks hooks;
    DistPtr a = MakeUniform("A"), b = MakeUniform("B", 3.0, 9.0);
    CDistCollection collection;
    collection.AddDist(a.get());
    collection.AddDist(b.get());
    // An entry as the correlation grid makes it: only the given value is filled in.
    SCorr entry;
    entry.nIndex1 = 0;
    entry.nIndex2 = 1;
    entry.dCorrX = 0.5;
    entry.dCorrU = 0.0;
    entry.bXSpace = TRUE;
    EXPECT_TRUE(collection.CheckCorr(&entry));
    EXPECT_TRUE(hooks.messages().empty());
    EXPECT_EQ(entry.dCorrX, 0.5);
    EXPECT_NEAR(entry.dCorrU, 2.0 * std::sin(3.141592653589793 / 12.0), 5e-6);

    // A U-space entry gets its X-space value recomputed.
    entry.bXSpace = FALSE;
    entry.dCorrU = 0.9;
    entry.dCorrX = -3.0;
    EXPECT_TRUE(collection.CheckCorr(&entry));
    EXPECT_NEAR(entry.dCorrX, 6.0 / 3.141592653589793 * std::asin(0.45), 2e-4);
    EXPECT_EQ(entry.dCorrU, 0.9);
    EXPECT_TRUE(hooks.messages().empty());
}

TEST(CheckCorr, UsesTheCurrentParametersOfTheVariablesAtItsIndices) {
    DistPtr a = MakeNormal("A"), b = MakeNormal("B"), u = MakeUniform("U"), e = MakeExponential("E");
    CDistCollection collection;
    collection.AddDist(a.get());
    collection.AddDist(b.get());
    collection.AddDist(u.get());
    collection.AddDist(e.get());
    // The stored pointers name two normals, the indices a uniform and an exponential: the indices
    // count, so 0.95 is beyond the pair's largest correlation sqrt(3)/2.
    SCorr entry;
    entry.nIndex1 = 2;
    entry.nIndex2 = 3;
    entry.pDist1 = a.get();
    entry.pDist2 = b.get();
    entry.dCorrX = 0.95;
    entry.bXSpace = TRUE;
    CRecordingHooks hooks;
    EXPECT_FALSE(collection.CheckCorr(&entry));
    ASSERT_EQ(hooks.messages().size(), 1u);
    EXPECT_EQ(hooks.messages()[0],
              "WARNING:\nCorrelation specified between variable U and E is too large to perform "
              "the nataf mapping. Correlation is  0.9500. Allowed range is: [-0.8660; 0.8660].\n "
              "Correlation is modified to  0.8660!");
    EXPECT_NEAR(entry.dCorrX, std::sqrt(3.0) / 2.0, 1e-4);
    EXPECT_GT(entry.dCorrU, 0.99);
    EXPECT_LE(entry.dCorrU, kCorrLimit);
}

TEST(CheckCorr, EntryNotAddressingVariablesIsLeftAlone) {
    CRecordingHooks hooks;
    DistPtr a = MakeNormal("A");
    CDistCollection collection;
    collection.AddDist(a.get());
    collection.AddDist(nullptr);
    const struct {
        int index1, index2;
    } cases[] = {{-1, 0}, {0, -1}, {0, 5}, {0, 1}};
    for (const auto& c : cases) {
        SCorr entry;
        entry.nIndex1 = c.index1;
        entry.nIndex2 = c.index2;
        entry.dCorrX = 7.0;
        entry.dCorrU = -7.0;
        entry.bXSpace = TRUE;
        EXPECT_TRUE(collection.CheckCorr(&entry)) << c.index1 << ", " << c.index2;
        EXPECT_EQ(entry.dCorrX, 7.0);
        EXPECT_EQ(entry.dCorrU, -7.0);
    }
    EXPECT_TRUE(hooks.messages().empty());
}

TEST(CheckCorr, FollowsAChangeOfParameters) {
    DistPtr a = MakeLogNormal("A", 2.0, 0.2), b = MakeLogNormal("B", 2.0, 0.2);
    CDistCollection collection;
    collection.AddDist(a.get());
    collection.AddDist(b.get());
    collection.SetCorr(a.get(), b.get(), 0.7, FALSE);
    SCorr* entry = collection.GetCorrArray()->GetAt(0);
    const double before = entry->dCorrX;
    // A much more skewed variable: the same U-space value means less X-space correlation.
    b->SetParamValue(PARAM_STDDEV, 3.0);
    b->CalcBasePar(0);
    EXPECT_TRUE(collection.CheckCorr(entry));
    EXPECT_LT(entry->dCorrX, before - 0.05);
    EXPECT_EQ(entry->dCorrU, 0.7);
}

} // namespace
