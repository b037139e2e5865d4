// The collection as a container (growth, clearing, the editor hook) and its correlation entries:
// what SetCorr stores, the warning boxes, and CheckCorr. Deep copies: SamplingTest.cpp.

#include <stochvar/module/HostHooks.h>
#include <stochvar/simulation/Nataf.h>

#include "SimulationSupport.h"

using namespace stochvar;
using namespace stochvar::testing;

namespace {

const double kUniformsX02 = 6.0 / std::numbers::pi * std::asin(0.1); // rho_U = 0.2, two uniforms
const double kUniformsU05 = 2.0 * std::sin(std::numbers::pi / 12.0); // rho_X = 0.5, two uniforms

// SetDist stores at any index >= 0, growing the list with null slots, and says whether the
// index existed; GetDist is null outside the list. ResetContents leaves an empty collection that
// is not initialised (hosts read the flag) and can be used again. The editor runs through the
// host hook: only its OK counts, an empty collection shows nothing, and without an editor the
// answer is FALSE.
TEST(DistCollection, SetDistResetContentsAndTheEditorHook) {
    struct SCase {
        int nInitial, nIndex;
        BOOL bExisted;
        int nCount;
    };
    for (const SCase& c : {SCase{2, 2, FALSE, 3},
                           {2, 4, FALSE, 5},
                           {0, 0, FALSE, 1},
                           {2, 0, TRUE, 2},
                           {3, 2, TRUE, 3},
                           {2, -1, FALSE, 2}}) {
        SCollection s;
        s.AddNormals(c.nInitial);
        DistPtr incoming = MakeUniform("New");
        EXPECT_EQ(s.collection.SetDist(c.nIndex, incoming.get()), c.bExisted) << c.nIndex;
        ASSERT_EQ(s.collection.GetCount(), c.nCount);
        for (int i = -1; i <= c.nCount; ++i) {
            CDist* expected = i >= 0 && i < c.nInitial ? s.Dist(i) : nullptr;
            EXPECT_EQ(s.collection.GetDist(i), i >= 0 && i == c.nIndex ? incoming.get() : expected)
                << c.nIndex << ": slot " << i;
        }
    }
    SCollection s;
    s.AddNormals(2);
    s.Correlate(0, 1, 0.3, FALSE);
    CExOr generator;
    s.collection.InitSimulation(10, TRUE, &generator, nullptr);
    s.collection.ResetContents();
    EXPECT_EQ(std::tuple(s.collection.GetCount(), s.collection.GetCorrArray()->GetSize(),
                         s.collection.m_bInitialized, s.collection.m_pExOr),
              std::tuple(0, 0, FALSE, nullptr));
    std::vector<CDistCollection*> opened;
    int result = IDOK;
    SHostHooks hooks;
    hooks.changeDistCollection = [&](CDistCollection* p) {
        opened.push_back(p);
        return result;
    };
    {
        CScopedHostHooks scope(hooks);
        EXPECT_FALSE(s.collection.ChangeDistCollection());
        s.collection.AddDist(s.Dist(1));
        for (int r : {IDOK, IDCANCEL, 7}) {
            result = r;
            EXPECT_EQ(s.collection.ChangeDistCollection(), r == IDOK ? TRUE : FALSE) << r;
        }
        EXPECT_EQ(opened, std::vector<CDistCollection*>(3, &s.collection));
    }
    CScopedHostHooks noEditor(DefaultHostHooks());
    EXPECT_FALSE(s.collection.ChangeDistCollection());
    s.collection.InitSimulation(3, FALSE, &generator, nullptr);
    int nSample = 0;
    double value = 0.0;
    EXPECT_TRUE(s.collection.GetSample(nSample, &value));
}

// An entry orders its indices, keeps the pointers as given and maps the other space's value;
// another entry for the same pair is added, not merged. A U-space value is stored as given,
// whatever it is, and an X-space value on a bound of the pair's range passes unchanged. Pairs
// with a variable outside the collection (null never counts, even where a slot holds it) add
// nothing. CheckCorr maps the given value again with the variables at the entry's indices (not
// its pointers), and leaves alone an entry that addresses no variable. No box is shown.
TEST(SetCorr, EntriesAsStoredAndCheckedAgain) {
    CRecordingHooks hooks;
    SCollection s;
    s.Add(MakeNormal("A"));
    s.Add(MakeUniform("B", 3.0, 9.0));
    s.Add(MakeUniform("U"));
    s.Add(MakeExponential("E"));
    s.collection.AddDist(nullptr);
    DistPtr outsider = MakeUniform("D");
    s.collection.SetCorr(s.Dist(1), outsider.get(), 5.0, TRUE);
    s.collection.SetCorr(nullptr, s.Dist(2), 0.5, TRUE);
    s.Correlate(2, 1, 0.5, TRUE);
    s.Correlate(2, 1, 0.2, FALSE);
    ASSERT_EQ(s.collection.GetCorrArray()->GetSize(), 2);
    const SCorr *x = s.collection.m_Corrs[0], *u = s.collection.m_Corrs[1];
    EXPECT_EQ(std::tuple(x->nIndex1, x->nIndex2, x->pDist1, x->pDist2, x->bXSpace, x->dCorrX),
              std::tuple(1, 2, s.Dist(2), s.Dist(1), TRUE, 0.5));
    EXPECT_NEAR(x->dCorrU, kUniformsU05, 5e-6);
    EXPECT_EQ(std::tuple(u->bXSpace, u->dCorrU), std::tuple(FALSE, 0.2));
    EXPECT_NEAR(u->dCorrX, kUniformsX02, 2e-4);
    SCollection e;
    e.Add(MakeExponential("A"));
    e.Add(MakeExponential("B"));
    double dMin = 0.0, dMax = 0.0;
    NatafRange(e.Dist(0), e.Dist(1), &dMin, &dMax);
    for (auto [corr, bX] : {std::pair{-1.0, FALSE},
                            {-0.95, FALSE},
                            {0.3, FALSE},
                            {1.5, FALSE},
                            {dMin, TRUE},
                            {dMax, TRUE}}) {
        e.Correlate(0, 1, corr, bX);
        const SCorr* entry = e.collection.m_Corrs[e.collection.m_Corrs.GetUpperBound()];
        EXPECT_EQ(bX ? entry->dCorrX : entry->dCorrU, corr);
        EXPECT_LE(std::fabs(entry->dCorrX), kCorrLimit);
    }
    SCorr entry; // as the correlation grid makes it: only the given value filled in
    entry.nIndex1 = 1, entry.nIndex2 = 2, entry.dCorrX = 0.5, entry.bXSpace = TRUE;
    EXPECT_TRUE(s.collection.CheckCorr(&entry));
    EXPECT_NEAR(entry.dCorrU, kUniformsU05, 5e-6);
    entry.bXSpace = FALSE, entry.dCorrU = 0.2, entry.dCorrX = -3.0;
    EXPECT_TRUE(s.collection.CheckCorr(&entry));
    EXPECT_NEAR(entry.dCorrX, kUniformsX02, 2e-4);
    EXPECT_EQ(entry.dCorrU, 0.2);
    for (auto [i1, i2] : {std::pair{-1, 0}, {0, -1}, {0, 7}, {0, 4}}) {
        SCorr odd;
        odd.nIndex1 = i1, odd.nIndex2 = i2, odd.dCorrX = 7.0, odd.dCorrU = -7.0, odd.bXSpace = TRUE;
        EXPECT_TRUE(s.collection.CheckCorr(&odd)) << i1 << ", " << i2;
        EXPECT_EQ(std::pair(odd.dCorrX, odd.dCorrU), std::pair(7.0, -7.0));
    }
    EXPECT_TRUE(hooks.messages().empty());
    // A warning: the pointers name a normal and a uniform, the indices a uniform and an
    // exponential, whose largest correlation is sqrt(3)/2.
    entry.nIndex1 = 2, entry.nIndex2 = 3, entry.pDist1 = s.Dist(0), entry.pDist2 = s.Dist(1);
    entry.dCorrX = 0.95, entry.bXSpace = TRUE;
    EXPECT_FALSE(s.collection.CheckCorr(&entry));
    EXPECT_EQ(hooks.messages().size(), 1u);
    EXPECT_NEAR(entry.dCorrX, std::sqrt(3.0) / 2.0, 1e-4);
    EXPECT_TRUE(entry.dCorrU > 0.99 && entry.dCorrU <= kCorrLimit) << entry.dCorrU;
}

// The warning texts, byte for byte as the user sees them; the value is moved to the bound, so
// checking the entry again finds nothing to do.
TEST(SetCorr, OutOfRangeValueIsMovedToTheBoundWithAWarning) {
    const auto text = [](const char* names, const char* which, const char* rest) {
        return std::string("WARNING:\nCorrelation specified between variable ") + names +
               " is too " + which + " to perform the nataf mapping. Correlation is " + rest;
    };
    struct SCase {
        DistPair pair;
        double corrX;
        std::string message;
        double expected;
    };
    SCase cases[] = {
        {{MakeNormal("X1"), MakeNormal("X2", 4.0, 0.5)},
         1.0,
         text("X1 and X2", "large",
              " 1.0000. Allowed range is: [-1.0000; 1.0000].\n "
              "Correlation is modified to  1.0000!"),
         kCorrLimit},
        {{MakeExponential("Load"), MakeExponential("Resistance", 0.5, 3.0)},
         -0.8,
         text("Load and Resistance", "small",
              "-0.8000. Allowed range is: [-0.6449; 0.9999].\n "
              "Correlation is modified to -0.6449!"),
         -0.6449},
        {{MakeNormal("N"), MakeFixed("F", 2.0)},
         0.3, // no spread: no correlation
         text("N and F", "large",
              " 0.3000. Allowed range is: [ 0.0000; 0.0000].\n "
              "Correlation is modified to  0.0000!"),
         0.0},
    };
    for (SCase& c : cases) {
        CDistCollection collection;
        collection.AddDist(c.pair.first.get());
        collection.AddDist(c.pair.second.get());
        CRecordingHooks hooks;
        collection.SetCorr(c.pair.first.get(), c.pair.second.get(), c.corrX, TRUE);
        ASSERT_EQ(hooks.messages().size(), 1u);
        EXPECT_EQ(hooks.messages()[0], c.message);
        EXPECT_EQ(hooks.recorded().messageStyles[0], MB_ICONEXCLAMATION | MB_OK);
        const SCorr* entry = collection.m_Corrs[0];
        EXPECT_NEAR(entry->dCorrX, c.expected, 5e-5);
        SCorr again = *entry;
        EXPECT_TRUE(collection.CheckCorr(&again));
        EXPECT_EQ(hooks.messages().size(), 1u);
        EXPECT_EQ(std::pair(again.dCorrX, again.dCorrU), std::pair(entry->dCorrX, entry->dCorrU));
    }
}

} // namespace
