#include "ShowCommand.h"

#include <stochvar/documents/ExpressionLimitState.h>
#include <stochvar/documents/ReadinessReport.h>
#include <stochvar/numerics/NumberText.h>

#include <stochvar/families/Discrete.h>
#include <stochvar/families/FamilyList.h>
#include <stochvar/simulation/Nataf.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace stochvar::cli {

namespace {

constexpr const char* kShowUsage =
    "Usage: stochvar show [FILE] [--numerics faithful|accurate]\n"
    "\n"
    "Reads a collection document (JSON or binary), checks every value as the editor does, and\n"
    "lists each variable (family, input type, every parameter it uses, mean and standard\n"
    "deviation), each correlation in both spaces with the range that its pair admits in\n"
    "X-space, and the document's limit state g. Without FILE the built-in example is shown;\n"
    "FILE - reads standard input. A variable that cannot be sampled, correlations that do not\n"
    "form a positive definite matrix, or a limit state that 'stochvar reliability' would\n"
    "refuse are listed with a warning that says why.\n"
    "\n"
    "Options:\n" STOCHVAR_NUMERICS_HELP "  -h, --help           show this help\n";

constexpr SOptionDefinition kShowOptions[] = {kNumericsOption};

// Width of the keyword column of the parameter lists ("MOST-LIKELY", "UPPER_BOUND").
constexpr std::size_t kKeywordWidth = 13;

std::string Counted(int nCount, const char* pszNoun) {
    return std::to_string(nCount) + " " + pszNoun + (nCount == 1 ? "" : "s");
}

// The parameters of the active input type (given), then every other parameter that the
// family's input types use (derived from the given ones by the conversion).
std::vector<UINT> ListedParameters(CDist& dist, const CUIntArray& given) {
    std::vector<UINT> listed(given.begin(), given.end());
    for (int n = 0; n < dist.GetParamCombiCount(); ++n) {
        CString strLabel;
        CUIntArray ids;
        dist.GetParamsList(n, strLabel, &ids);
        for (const UINT nParam : ids) {
            if (std::find(listed.begin(), listed.end(), nParam) == listed.end()) {
                listed.push_back(nParam);
            }
        }
    }
    return listed;
}

void ListContinuous(std::string& out, CDist& dist) {
    CString strLabel;
    CUIntArray given;
    dist.GetParamsList(dist.m_nParamCombi, strLabel, &given);
    out += ", input type " + strLabel.str() + "\n";
    for (const UINT nParam : ListedParameters(dist, given)) {
        const bool bGiven = std::find(given.begin(), given.end(), nParam) != given.end();
        std::string strLine = "    " + Padded(kParamKeywords[nParam], kKeywordWidth) +
                              FormatShortest(dist.GetParamValue(static_cast<int>(nParam)));
        if (bGiven) {
            strLine = Padded(strLine, 42) + "given";
        }
        out += strLine + "\n";
    }
}

void ListCategories(std::string& out, const CDist& dist) {
    const int nCount = dist.m_CategoryNames.GetSize();
    out += ", " + std::to_string(nCount) + (nCount == 1 ? " category\n" : " categories\n");
    std::size_t nNameWidth = 4;
    for (const CString& strName : dist.m_CategoryNames) {
        nNameWidth = std::max(nNameWidth, strName.str().size());
    }
    for (int k = 0; k < nCount; ++k) {
        out += "    " + Padded(std::to_string(k), 4) +
               Padded(dist.m_CategoryNames[k].str(), nNameWidth + 2) + "frequency " +
               Padded(FormatShortest(dist.m_Frequencies[k]), 12) + "probability " +
               FormatShortest(dist.m_Probabilities[k]) + "\n";
    }
}

void ListVariable(std::string& out, CDist& dist, int nIndex) {
    out += VariableSubject(dist, nIndex) + "  " + dist.GetVarTypeName().str();
    if (dist.m_nType == DIST_DISCRETE) {
        ListCategories(out, dist);
    } else {
        ListContinuous(out, dist);
    }
    const SMoments moments = dist.GetMoments();
    out += "    mean " + FormatShortest(moments.dMean) + ", standard deviation " +
           FormatShortest(moments.dStdDev) + "\n";
    if (!dist.m_bAutoAxis) {
        out += "    chart axis [" + FormatShortest(dist.m_dAxisMin) + ", " +
               FormatShortest(dist.m_dAxisMax) + "]\n";
    }
    if (!dist.CanChange()) {
        out += "    family may not be changed\n";
    }
}

void ListCorrelation(std::string& out, const CCollectionDocument& doc, int k) {
    int nFirst = 0;
    int nSecond = 0;
    if (!doc.GetCorrelationPair(k, nFirst, nSecond)) {
        out += "correlation " + std::to_string(k + 1) + " refers to no variable\n";
        return;
    }
    const SCorr& corr = doc.GetCorrelation(k);
    CDist* pFirst = doc.GetVariable(nFirst);
    CDist* pSecond = doc.GetVariable(nSecond);
    out += VariableSubject(*pFirst, nFirst) + " / " + VariableSubject(*pSecond, nSecond) +
           "  given in " + (corr.bXSpace ? "X-space" : "U-space") + "\n";
    out += "    X-space  " + FormatShortest(corr.dCorrX) + "\n";
    out += "    U-space  " + FormatShortest(corr.dCorrU) + "\n";
    // Without a distribution to map through (the warning says why) there is no range.
    if (CanBeSampled(*pFirst) && CanBeSampled(*pSecond)) {
        double dMin = 0.0;
        double dMax = 0.0;
        NatafRange(pFirst, pSecond, &dMin, &dMax);
        out += "    admissible X-space range [" + FormatShortest(dMin) + ", " +
               FormatShortest(dMax) + "]\n";
    }
}

int RunShow(const CParsedArguments& parsed) {
    const std::unique_ptr<CCollectionDocument> pDoc =
        OpenCollection(parsed.Positionals(), NumericsChoice(parsed));
    const CCollectionDocument& doc = *pDoc;
    const std::string strName = CollectionName(parsed.Positionals());
    WarnAboutReadiness(doc, strName, EDocumentUse::open);
    // The admissible ranges are mapped here, outside the collection's own operations.
    const CNumericsScope numerics(doc.GetCollection().GetNumerics());

    std::string out = "Collection " + strName + "\n";
    if (!doc.m_strDescription.empty()) {
        out += doc.m_strDescription + "\n";
    }
    out += Counted(doc.GetVariableCount(), "variable") + ", " +
           Counted(doc.GetCorrelationCount(), "correlation") + "\n";
    out += CorrelationGroupsLine(doc);
    out += std::string("numerics: ") + NumericsName(doc.GetCollection().GetNumerics()) + "\n";
    if (!doc.m_strLimitState.empty()) {
        out += "limit state: g = " + doc.m_strLimitState + "\n";
        std::vector<std::string> names;
        for (int i = 0; i < doc.GetVariableCount(); ++i) {
            names.push_back(doc.GetVariable(i)->GetVarName().str());
        }
        if (const std::optional<std::string> problem =
                CheckExpression(doc.m_strLimitState, names)) {
            std::fprintf(stderr, "stochvar: warning: %s: limitState: %s\n", strName.c_str(),
                         problem->c_str());
        }
    }
    for (int i = 0; i < doc.GetVariableCount(); ++i) {
        out += "\n";
        ListVariable(out, *doc.GetVariable(i), i);
    }
    if (doc.GetCorrelationCount() > 0) {
        out += "\nCorrelations\n";
        for (int k = 0; k < doc.GetCorrelationCount(); ++k) {
            ListCorrelation(out, doc, k);
        }
    }
    WriteStandardOutput(out);
    return kExitSuccess;
}

} // namespace

const SCommand kShowCommand{"show", kShowOptions, &RunShow, kShowUsage};

} // namespace stochvar::cli
