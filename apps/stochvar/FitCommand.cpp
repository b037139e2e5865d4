#include "FitCommand.h"

#include "CsvTable.h"

#include <stochvar/documents/DocumentBuilder.h>
#include <stochvar/documents/DocumentFile.h>
#include <stochvar/documents/ReadinessReport.h>
#include <stochvar/families/FamilyList.h>
#include <stochvar/fitting/DiscreteFit.h>
#include <stochvar/fitting/FamilyFitter.h>
#include <stochvar/fitting/FitError.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <stdexcept>

namespace stochvar::cli {

namespace {

constexpr const char* kFitUsage =
    "Usage: stochvar fit DATA.csv [--column NAME]... [--families LIST] [--criterion C]\n"
    "                    [--method M] [--bootstrap N] [--lower-bound X] [--upper-bound X]\n"
    "                    [--out DOC.json [--correlations]]\n"
    "\n"
    "Fits the continuous families to each numeric column of a CSV table (a header row of\n"
    "names, then one row per record; empty fields are missing) and prints them ranked, with\n"
    "their parameters, log-likelihood, AIC, BIC and the Kolmogorov-Smirnov (KS) and\n"
    "Anderson-Darling (AD) statistics. A column of labels gives a discrete variable with the\n"
    "observed frequencies. Families that cannot take the data are listed with the reason.\n"
    "DATA.csv - reads standard input. See docs/fitting.md for the methods.\n"
    "\n"
    "Options:\n"
    "      --column NAME     fit this column (repeat for more); default: every column\n"
    "      --families LIST   comma-separated families to try (normal,lognormal,...);\n"
    "                        default: every continuous family\n"
    "      --criterion C     bic (default), aic, or ks: the KS p-value with --bootstrap,\n"
    "                        else the KS statistic\n"
    "      --method M        likelihood (default; moments where it finds no estimate) or\n"
    "                        moments\n"
    "      --bootstrap N     p-values of KS and AD from N parametric-bootstrap replicates\n"
    "                        (fixed seed); default 0: none\n"
    "      --lower-bound X   take X as the lower bound of the families that have one\n"
    "      --upper-bound X   take X as the upper bound of the families that have one\n"
    "      --out DOC.json    write a collection document with the best variable of each\n"
    "                        column, named after the column\n"
    "      --correlations    with --out, add the sample correlations of the numeric columns\n"
    "                        as X-space correlations (moved into their admissible range, with\n"
    "                        a warning, where they lie outside)\n"
    "  -h, --help            show this help\n";

constexpr SOptionDefinition kFitOptions[] = {
    {"column", 0, true, true}, {"families", 0, true},  {"criterion", 0, true},
    {"method", 0, true},       {"bootstrap", 0, true}, {"lower-bound", 0, true},
    {"upper-bound", 0, true},  {"out", 0, true},       {"correlations", 0, false},
};

constexpr int kMaxBootstrap = 100000;

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::vector<int> ParseFamilies(const std::string& strList) {
    std::vector<int> families;
    std::stringstream list(strList);
    std::string strName;
    const std::vector<int> continuous = CFamilyFitter::ContinuousFamilies();
    while (std::getline(list, strName, ',')) {
        const auto it = std::find_if(continuous.begin(), continuous.end(), [&](int nType) {
            return Upper(strName) == FindFamily(nType)->pszKeyword;
        });
        if (it == continuous.end()) {
            throw CUsageError("--families: \"" + strName + "\" is not a continuous family");
        }
        families.push_back(*it);
    }
    return families;
}

double ParseBound(const std::string& strText, const char* pszOption) {
    std::size_t nUsed = 0;
    double x = 0.0;
    try {
        x = std::stod(strText, &nUsed);
    } catch (const std::exception&) {
        nUsed = 0;
    }
    if (nUsed != strText.size() || strText.empty() || !std::isfinite(x)) {
        throw CUsageError(std::string(pszOption) + " takes a finite number, not \"" + strText +
                          "\"");
    }
    return x;
}

SFitOptions ParseOptions(const CParsedArguments& parsed) {
    SFitOptions options;
    if (const std::string* pList = parsed.Value("families")) {
        options.families = ParseFamilies(*pList);
    }
    if (const std::string* pCriterion = parsed.Value("criterion")) {
        const std::string strCriterion = Lower(*pCriterion);
        if (strCriterion == "bic") {
            options.criterion = EFitCriterion::Bic;
        } else if (strCriterion == "aic") {
            options.criterion = EFitCriterion::Aic;
        } else if (strCriterion == "ks") {
            options.criterion = EFitCriterion::Ks;
        } else {
            throw CUsageError("--criterion takes bic, aic or ks, not \"" + *pCriterion + "\"");
        }
    }
    if (const std::string* pMethod = parsed.Value("method")) {
        if (*pMethod == "moments") {
            options.method = EFitMethod::Moments;
        } else if (*pMethod != "likelihood") {
            throw CUsageError("--method takes likelihood or moments, not \"" + *pMethod + "\"");
        }
    }
    if (const std::string* pCount = parsed.Value("bootstrap")) {
        options.nBootstrap = ParseCount(*pCount, "--bootstrap", 0, kMaxBootstrap);
    }
    if (const std::string* pLower = parsed.Value("lower-bound")) {
        options.bounds.lower = ParseBound(*pLower, "--lower-bound");
    }
    if (const std::string* pUpper = parsed.Value("upper-bound")) {
        options.bounds.upper = ParseBound(*pUpper, "--upper-bound");
    }
    return options;
}

std::string Number(double x, int nPrecision = 6) {
    if (std::isnan(x)) {
        return "-";
    }
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.*g", nPrecision, x);
    return buffer;
}

std::string ParameterText(const SFamilyFit& fit) {
    CString strLabel;
    CUIntArray ids;
    fit.pDist->GetParamsList(fit.estimate.nParamCombi, strLabel, &ids);
    std::string text;
    for (int i = 0; i < ids.GetSize(); ++i) {
        text += (i > 0 ? " " : "") + std::string(kParamKeywords[ids[i]]) + "=" +
                Number(fit.estimate.values[static_cast<std::size_t>(i)], 8);
    }
    return text;
}

std::string MethodName(EFitMethod method) {
    return method == EFitMethod::Moments ? "moments" : "likelihood";
}

std::string RankingText(const std::string& strColumn, const SFitReport& report) {
    std::string text = "column " + strColumn + " (n = " + std::to_string(report.nCount) + ")\n";
    text += "  " + Padded("rank", 6) + Padded("family", 13) + Padded("method", 12) +
            Padded("k", 3) + Padded("lnL", 13) + Padded("AIC", 13) + Padded("BIC", 13) +
            Padded("KS", 10) + Padded("p(KS)", 8) + Padded("AD", 10) + Padded("p(AD)", 8) +
            "parameters\n";
    int nRank = 0;
    for (const SFamilyFit& fit : report.ranking) {
        if (!fit.IsFitted()) {
            text += "  " + Padded("-", 6) + Padded(fit.strFamily, 13) +
                    "refused: " + fit.strRefusal + "\n";
            continue;
        }
        text += "  " + Padded(std::to_string(++nRank), 6) + Padded(fit.strFamily, 13) +
                Padded(MethodName(fit.estimate.method), 12) +
                Padded(std::to_string(fit.estimate.nFreeParams), 3) +
                Padded(Number(fit.dLogLikelihood, 9), 13) + Padded(Number(fit.dAic, 9), 13) +
                Padded(Number(fit.dBic, 9), 13) + Padded(Number(fit.dKs, 4), 10) +
                Padded(Number(fit.dKsPValue, 3), 8) + Padded(Number(fit.dAd, 4), 10) +
                Padded(Number(fit.dAdPValue, 3), 8) + ParameterText(fit) + "\n";
        if (!fit.estimate.strNote.empty()) {
            text += "  " + Padded("", 6) + Padded("", 13) + "(" + fit.estimate.strNote + ")\n";
        }
    }
    return text;
}

// What a column gives the document: its best fit, or a discrete variable of its labels.
struct SColumnResult {
    const CCsvTable::SColumn* pColumn;
    std::optional<SFitReport> report;
    std::vector<std::pair<std::string, double>> categories;
};

std::vector<std::pair<std::string, double>> Categories(const CCsvTable::SColumn& column) {
    std::vector<std::string> labels;
    for (const auto& cell : column.cells) {
        if (cell) {
            labels.push_back(*cell);
        }
    }
    const std::unique_ptr<CDist> pDist = CDiscreteFit::FromLabels(labels, column.strName);
    std::vector<std::pair<std::string, double>> categories;
    for (int i = 0; i < pDist->m_CategoryNames.GetSize(); ++i) {
        categories.emplace_back(pDist->m_CategoryNames[i].str(), pDist->m_Frequencies[i]);
    }
    return categories;
}

std::string CategoriesText(const std::string& strColumn,
                           const std::vector<std::pair<std::string, double>>& categories) {
    std::string text = "column " + strColumn + " (labels): DISCRETE with " +
                       std::to_string(categories.size()) + " categories\n";
    for (const auto& [strName, dCount] : categories) {
        text += "  " + Padded(strName, 20) + Number(dCount) + "\n";
    }
    return text;
}

// Pearson's coefficient over the rows where both columns have a value.
double SampleCorrelation(const CCsvTable::SColumn& a, const CCsvTable::SColumn& b) {
    std::vector<std::pair<double, double>> pairs;
    for (std::size_t r = 0; r < a.cells.size() && r < b.cells.size(); ++r) {
        if (a.cells[r] && b.cells[r]) {
            pairs.emplace_back(std::stod(*a.cells[r]), std::stod(*b.cells[r]));
        }
    }
    const double n = static_cast<double>(pairs.size());
    double ma = 0.0;
    double mb = 0.0;
    for (const auto& [x, y] : pairs) {
        ma += x / n;
        mb += y / n;
    }
    double sab = 0.0;
    double saa = 0.0;
    double sbb = 0.0;
    for (const auto& [x, y] : pairs) {
        sab += (x - ma) * (y - mb);
        saa += (x - ma) * (x - ma);
        sbb += (y - mb) * (y - mb);
    }
    return sab / std::sqrt(saa * sbb);
}

void WriteDocument(const std::string& strPath, const std::vector<SColumnResult>& results,
                   bool bCorrelations) {
    CDocumentBuilder builder(strPath);
    std::vector<int> numericPositions;
    for (const SColumnResult& result : results) {
        const std::string& strName = result.pColumn->strName;
        if (result.report) {
            const SFamilyFit& best = *result.report->GetBest();
            std::unique_ptr<CDist> pDist = CDocumentBuilder::CreateVariable(best.nType, strName);
            builder.EnterInputValues(*pDist, best.estimate.nParamCombi, best.estimate.values,
                                     strName);
            builder.AddVariable(std::move(pDist), strName);
            numericPositions.push_back(builder.GetDocument().GetVariableCount() - 1);
        } else {
            std::unique_ptr<CDist> pDist = CDocumentBuilder::CreateVariable(DIST_DISCRETE, strName);
            builder.EnterCategories(static_cast<CDiscrete&>(*pDist), result.categories, strName);
            builder.AddVariable(std::move(pDist), strName);
        }
    }
    if (bCorrelations) {
        for (std::size_t i = 0; i < results.size(); ++i) {
            for (std::size_t j = i + 1; j < results.size(); ++j) {
                if (!results[i].report || !results[j].report) {
                    continue;
                }
                const double r = SampleCorrelation(*results[i].pColumn, *results[j].pColumn);
                if (std::isfinite(r)) {
                    builder.AddCorrelation(static_cast<int>(i), static_cast<int>(j), r, TRUE);
                }
            }
        }
    }
    const std::unique_ptr<CCollectionDocument> pDoc = builder.Finish();
    PrintWarnings(*pDoc);
    CReadinessReport(*pDoc).Require(EDocumentUse::save, strPath);
    SaveDocument(*pDoc, strPath, EDocumentFormat::json);
}

std::vector<const CCsvTable::SColumn*> ChosenColumns(const CCsvTable& table,
                                                     const CParsedArguments& parsed,
                                                     const std::vector<std::string>& names) {
    std::vector<const CCsvTable::SColumn*> columns;
    if (!parsed.Has("column")) {
        for (const CCsvTable::SColumn& column : table.GetColumns()) {
            columns.push_back(&column);
        }
        return columns;
    }
    for (const std::string& strName : names) {
        const CCsvTable::SColumn* pColumn = table.Find(strName);
        if (pColumn == nullptr) {
            throw std::runtime_error("no column \"" + strName + "\"");
        }
        columns.push_back(pColumn);
    }
    return columns;
}

int RunFit(const CParsedArguments& parsed) {
    const std::vector<std::string>& files = parsed.Positionals();
    if (files.size() != 1) {
        throw CUsageError("fit needs one CSV file");
    }
    if (parsed.Has("correlations") && !parsed.Has("out")) {
        throw CUsageError("--correlations needs --out");
    }
    SFitOptions options = ParseOptions(parsed);
    const CCsvTable table = CCsvTable::Read(files[0]);
    std::vector<SColumnResult> results;
    for (const CCsvTable::SColumn* pColumn :
         ChosenColumns(table, parsed, parsed.Values("column"))) {
        SColumnResult result{pColumn, std::nullopt, {}};
        const std::string strSubject = files[0] + ": column " + pColumn->strName;
        try {
            if (pColumn->bNumeric) {
                options.strName = pColumn->strName;
                result.report = CFamilyFitter(options).Fit(CCsvTable::Numbers(*pColumn));
                WriteStandardOutput(RankingText(pColumn->strName, *result.report));
                if (result.report->GetBest() == nullptr) {
                    throw CFitError("no family fits the data");
                }
            } else {
                result.categories = Categories(*pColumn);
                WriteStandardOutput(CategoriesText(pColumn->strName, result.categories));
            }
        } catch (const CFitError& error) {
            throw std::runtime_error(strSubject + ": " + error.what());
        }
        results.push_back(std::move(result));
    }
    if (const std::string* pOut = parsed.Value("out")) {
        WriteDocument(*pOut, results, parsed.Has("correlations"));
    }
    return kExitSuccess;
}

} // namespace

const SCommand kFitCommand{"fit", kFitOptions, &RunFit, kFitUsage};

} // namespace stochvar::cli
