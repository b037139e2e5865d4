// A change of family replaces the variable by a new object and deletes the old one; the host goes
// on with the new object, in its collection and in its reference slot. Each way the editor
// changes a family (the type list of the modal sheet, of the embedded sheet and of the selection
// dialog; one change or several; on one variable or two), ended each way it can be (OK, Cancel,
// Escape, the embedded sheet's confirm and revert), leaves variables that the host reads, checks
// and samples through its collection. The sanitizer build finds any of them used after it was
// deleted, also where a new object took the freed place.

#include "EditorTestSupport.h"

#include <stochvar/editor/DlgSelectDist.h>
#include <stochvar/families/Exponential.h>

#include <array>
#include <memory>
#include <vector>

namespace stochvar {
namespace {

using namespace editortest;

// Steps of a change besides picking a type id: show the next variable, and the ways to end.
enum EStep { kNext = -1, kOk = -2, kCancel = -3, kEscape = -4 };
enum class EEditor { modalSheet, embeddedSheet, selectionDialog };

// The host: N (normal), E (exponential) and D (discrete), each variable with its reference slot.
// (A new family takes over the slots its old one shares with it, so its variable may need new
// values before it can be sampled or correlated; the host here samples without correlations.)
struct SHost {
    SHost() {
        static_cast<CDiscrete*>(hostSlots[2])->AddCategory("dry", 1.0, -1);
        static_cast<CDiscrete*>(hostSlots[2])->AddCategory("wet", 3.0, -1);
        for (CDist* pDist : hostSlots) {
            collection.AddDist(pDist);
        }
    }
    ~SHost() {
        for (CDist* pDist : collection.m_Dists) {
            delete pDist;
        }
    }

    // Family and name of each variable as the collection holds it ("?" when its slot holds
    // another object), whether it passes its checks, and how many samples a run of the
    // collection drew.
    std::string Use() {
        std::string text;
        for (int i = 0; i < collection.GetCount(); ++i) {
            CDist* pDist = collection.GetDist(i);
            const bool bSlot =
                hostSlots[size_t(i)] == pDist && pDist->m_ppReference == &hostSlots[size_t(i)];
            text += std::string(pDist->GetVarTypeName()) + ' ' + pDist->m_strVarName.str() +
                    (pDist->CheckCombination(pDist->m_nParamCombi).IsOk() ? "" : " failing") +
                    (bSlot ? "; " : " ?; ");
        }
        CExOr generator(1u, 2u, 3u);
        collection.InitSimulation(20, TRUE, &generator);
        std::vector<double> values(size_t(collection.GetCount()));
        int nSample = 0;
        int nDrawn = 0;
        while (collection.GetSample(nSample, values.data()) != FALSE) {
            ++nDrawn;
        }
        return text + std::to_string(nDrawn) + " samples";
    }

    CEditorHooks hooks;
    std::array<CDist*, 3> hostSlots{new CNormal(&hostSlots[0], "N", nullptr),
                                    new CExponential(&hostSlots[1], "E", nullptr),
                                    new CDiscrete(&hostSlots[2], "D", nullptr)};
    CDistCollection collection;
};

void PickType(QWidget& editor, int nType) {
    Control<QListWidget>(&editor, IDC_DIST_TYPE)->setCurrentRow(nType);
}

void PressEscape(QWidget& editor) {
    QTest::keyClick(Control<QWidget>(&editor, IDC_DIST_TYPE), Qt::Key_Escape);
}

// Runs the steps in the editor. OK and Cancel are its buttons, or for an embedded sheet (which
// has none) the host's calls.
void RunSteps(QWidget& editor, const std::vector<int>& steps) {
    auto* pSheet = qobject_cast<CDistPropertySheet*>(&editor);
    const bool bEmbedded = pSheet != nullptr && pSheet->IsEmbedded();
    for (const int nStep : steps) {
        if (nStep >= 0) {
            PickType(editor, nStep);
        } else if (nStep == kNext) {
            EXPECT_TRUE(pSheet->SelectVariable(pSheet->GetCurrentIndex() + 1));
        } else if (nStep == kEscape) {
            PressEscape(editor);
        } else if (bEmbedded) {
            nStep == kOk ? void(pSheet->OnOK()) : pSheet->OnCancel();
        } else {
            Click(&editor, nStep == kOk ? IDC_OK : IDC_CANCEL);
        }
    }
}

// Runs the change in the editor and returns what the host then finds.
std::string Change(EEditor editor, const std::vector<int>& steps) {
    SHost host;
    if (editor == EEditor::embeddedSheet) {
        // The desktop host's way: it confirms and reverts, and uses the collection while the
        // sheet lives.
        QWidget window;
        CDistPropertySheet sheet(nullptr);
        sheet.Create(&window, &host.collection);
        RunSteps(sheet, steps);
        return host.Use();
    }
    if (editor == EEditor::modalSheet) {
        const CModalScript<CDistPropertySheet> script(
            [&](CDistPropertySheet& sheet) { RunSteps(sheet, steps); });
        host.collection.ChangeDistCollection();
    } else {
        const CModalScript<CDlgSelectDist> script(
            [&](CDlgSelectDist& dlg) { RunSteps(dlg, steps); });
        // The host continues with the variable the call returns, also in its collection.
        host.collection.SetDist(0, host.hostSlots[0]->ChangeDistribution());
    }
    return host.Use();
}

// The families of N and E the host finds; D stays as it is, and each run draws 20 samples.
struct SChange {
    const char* pszName;
    EEditor editor;
    std::vector<int> steps;
    const char* pszFound;
};

constexpr EEditor kSheet = EEditor::modalSheet, kEmbedded = EEditor::embeddedSheet,
                  kDialog = EEditor::selectionDialog;
const char* const kUnchanged = "NORMAL N; EXPONENTIAL E";

const SChange kChanges[] = {
    {"SheetOk", kSheet, {DIST_GUMBEL, kOk}, "GUMBEL N; EXPONENTIAL E"},
    {"SheetCancel", kSheet, {DIST_GUMBEL, kCancel}, kUnchanged},
    {"SheetEscape", kSheet, {DIST_GUMBEL, kEscape}, kUnchanged},
    // Through the discrete page and back to a continuous family.
    {"SheetSecondChangeOk", kSheet, {DIST_DISCRETE, DIST_WEIBULL, kOk}, "WEIBULL N; EXPONENTIAL E"},
    {"SheetSecondChangeEscape", kSheet, {DIST_DISCRETE, DIST_WEIBULL, kEscape}, kUnchanged},
    {"SheetTwoVariablesOk", kSheet, {DIST_GUMBEL, kNext, DIST_NORMAL, kOk}, "GUMBEL N; NORMAL E"},
    {"SheetTwoVariablesCancel", kSheet, {DIST_GUMBEL, kNext, DIST_NORMAL, kCancel}, kUnchanged},
    // Escape does not revert an embedded sheet.
    {"EmbeddedEscape", kEmbedded, {DIST_GUMBEL, kEscape}, "GUMBEL N; EXPONENTIAL E"},
    {"EmbeddedOkThenChangeAndCancel",
     kEmbedded,
     {DIST_GUMBEL, kOk, DIST_WEIBULL, kNext, DIST_NORMAL, kCancel},
     "GUMBEL N; EXPONENTIAL E"},
    {"EmbeddedCancelThenChangeAndOk",
     kEmbedded,
     {DIST_GUMBEL, kCancel, DIST_UNIFORM, kOk, DIST_LOGNORMAL},
     "LOGNORMAL N; EXPONENTIAL E"},
    {"DialogOk", kDialog, {DIST_GUMBEL, kOk}, "GUMBEL N; EXPONENTIAL E"},
    {"DialogCancel", kDialog, {DIST_GUMBEL, kCancel}, kUnchanged},
    {"DialogEscape", kDialog, {DIST_GUMBEL, kEscape}, kUnchanged},
    {"DialogSecondChangeOk", kDialog, {DIST_GUMBEL, DIST_WEIBULL, kOk}, "WEIBULL N; EXPONENTIAL E"},
};

void PrintTo(const SChange& change, std::ostream* pOut) { *pOut << change.pszName; }

class FamilyChange : public ::testing::TestWithParam<SChange> {};

TEST_P(FamilyChange, TheHostUsesTheNewVariableThroughItsCollection) {
    const SChange& change = GetParam();
    EXPECT_EQ(Change(change.editor, change.steps),
              std::string(change.pszFound) + "; DISCRETE D; 20 samples");
}

INSTANTIATE_TEST_SUITE_P(Editors, FamilyChange, ::testing::ValuesIn(kChanges),
                         [](const auto& c) { return std::string(c.param.pszName); });

// The new family converts the values it takes over at once, as entering them one by one on the
// page does: every parameter of every input type, in the selection dialog as in the sheet.
TEST(FamilyChangeConversion, TheNewFamilyConvertsTheValuesItTakesOver) {
    CEditorHooks hooks;
    for (const int nType : {DIST_WEIBULL, DIST_GUMBEL, DIST_LOGNORMAL}) {
        // The dialog's OK deletes the variable it was opened on.
        auto* pNormal = new CNormal(nullptr, "N", nullptr);
        pNormal->m_Params[PARAM_MEAN] = 10.0;
        pNormal->m_Params[PARAM_STDDEV] = 0.7;
        pNormal->CalcBasePar(0);
        std::unique_ptr<CDist> pEntered(CDist(nullptr, "R", nullptr).CreateNewDist(nType));
        CString strLabel;
        CUIntArray ids;
        pEntered->GetParamsList(0, strLabel, &ids);
        for (const UINT nParam : ids) {
            pEntered->EnterParamValue(pNormal->GetParamValue(int(nParam)), [](CDistStatus status) {
                EXPECT_TRUE(status.IsOk()) << status.m_strMessage.str();
            });
        }
        const CModalScript<CDlgSelectDist> script([nType](CDlgSelectDist& dlg) {
            PickType(dlg, nType);
            Click(&dlg, IDC_OK);
        });
        const std::unique_ptr<CDist> pChanged(pNormal->ChangeDistribution());
        ASSERT_EQ(pChanged->m_nType, nType);
        for (int nCombi = 0; nCombi < pChanged->GetParamCombiCount(); ++nCombi) {
            pChanged->GetParamsList(nCombi, strLabel, &ids);
            for (const UINT nParam : ids) {
                EXPECT_EQ(pChanged->GetParamValue(int(nParam)),
                          pEntered->GetParamValue(int(nParam)))
                    << strLabel.str() << " " << kParamKeywords[nParam];
            }
        }
        EXPECT_TRUE(hooks.messages().empty());
    }
}

} // namespace
} // namespace stochvar
