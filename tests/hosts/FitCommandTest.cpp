// stochvar fit, run as a program on CSV tables written by the test from seeded draws: the
// ranking it prints against the fitting library on the same data, the document it writes read
// back (variables, categories, correlations, the clamp of one outside its range), and the
// refusals with their exit codes. The fitting itself is tested in tests/fitting.

#include <stochvar/documents/DocumentFile.h>
#include <stochvar/families/FamilyList.h>
#include <stochvar/fitting/FamilyFitter.h>

#include "CliRun.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace stochvar::test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

SCliRun Fit(const std::vector<std::string>& args) { return RunCommand("fit", args); }

std::vector<double> Draw(int nType, int nParamCombi, const std::vector<double>& values,
                         std::size_t n, std::uint32_t nSeed) {
    SFamilyEstimate truth;
    truth.nType = nType;
    truth.nParamCombi = nParamCombi;
    truth.values = values;
    std::vector<std::string> warnings;
    std::string strRefusal;
    const std::unique_ptr<CDist> pDist =
        CFamilyFitter::BuildVariable(truth, "X", warnings, strRefusal);
    CExOr generator(nSeed, 12345u, 678910u);
    std::vector<double> x(n);
    for (double& v : x) {
        v = pDist->GetRandom(&generator);
    }
    return x;
}

std::string Text(double x) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.17g", x);
    return buffer;
}

// Columns: strength (lognormal), load (Gumbel, correlated with strength through a shared
// part), grade (labels).
struct STable {
    std::vector<double> strength, load;
    std::vector<std::string> grade;
    std::string Csv() const {
        std::string text = "strength,load,grade\n";
        for (std::size_t i = 0; i < strength.size(); ++i) {
            text += Text(strength[i]) + "," + Text(load[i]) + "," + grade[i] + "\n";
        }
        return text;
    }
};

STable MakeTable() {
    STable table;
    table.strength = Draw(DIST_LOGNORMAL, 2, {0.3, 3.0, 10.0}, 400, 11u);
    table.load = Draw(DIST_GUMBEL, 2, {2.0, 5.0}, 400, 12u);
    for (std::size_t i = 0; i < table.load.size(); ++i) {
        table.load[i] += 0.02 * table.strength[i];
        table.grade.push_back(i % 4 == 0 ? "B" : "A");
    }
    return table;
}

double Pearson(const std::vector<double>& a, const std::vector<double>& b) {
    const double n = static_cast<double>(a.size());
    double ma = 0.0, mb = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        ma += a[i] / n;
        mb += b[i] / n;
    }
    double sab = 0.0, saa = 0.0, sbb = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        sab += (a[i] - ma) * (b[i] - mb);
        saa += (a[i] - ma) * (a[i] - ma);
        sbb += (b[i] - mb) * (b[i] - mb);
    }
    return sab / std::sqrt(saa * sbb);
}

TEST(FitCommand, PrintsTheLibrarysRankingPerColumn) {
    const CTempDir dir;
    const STable table = MakeTable();
    const std::string strCsv = dir.Write("data.csv", table.Csv());
    const SCliRun run = Fit({strCsv, "--column", "strength", "--column", "grade"});
    ASSERT_EQ(run.nExitCode, 0) << run.strErr;
    EXPECT_THAT(run.strOut, HasSubstr("column strength (n = 400)"));
    EXPECT_THAT(run.strOut, ::testing::Not(HasSubstr("column load")));
    EXPECT_THAT(run.strOut, HasSubstr("column grade (labels): DISCRETE with 2 categories\n"
                                      "  B                   100\n"
                                      "  A                   300\n"));
    SFitOptions options;
    options.strName = "strength";
    const SFitReport report = CFamilyFitter(options).Fit(table.strength);
    // Every fitted family in the library's order, with its BIC to the digits printed, and its
    // parameters starting under the header's.
    const std::string strHeader = "\n  rank  family       method      k  lnL          AIC          "
                                  "BIC          KS        p(KS)   AD        p(AD)   parameters\n";
    ASSERT_THAT(run.strOut, HasSubstr(strHeader));
    const std::size_t nParameters = strHeader.find("parameters") - 1;
    std::size_t nAt = 0;
    int nRank = 0;
    for (const SFamilyFit& fit : report.ranking) {
        if (!fit.IsFitted()) {
            continue;
        }
        char bic[32];
        std::snprintf(bic, sizeof bic, "%.9g", fit.dBic);
        const std::string strRow = std::to_string(++nRank);
        const std::size_t nRow = run.strOut.find("\n  " + strRow + " ", nAt) + 1;
        ASSERT_NE(nRow, 0u) << "rank " << strRow;
        const std::string strLine = run.strOut.substr(nRow, run.strOut.find('\n', nRow) - nRow);
        EXPECT_THAT(strLine, HasSubstr(fit.strFamily));
        EXPECT_THAT(strLine, HasSubstr(bic));
        EXPECT_EQ(strLine.find_first_not_of(' ', nParameters - 1), nParameters) << strLine;
        nAt = nRow + 1;
    }
    EXPECT_GE(nRank, 7);
}

TEST(FitCommand, WritesTheBestVariablesAndCorrelationsThatReadBack) {
    const CTempDir dir;
    const STable table = MakeTable();
    const std::string strCsv = dir.Write("data.csv", table.Csv());
    const std::string strDoc = dir.File("fitted.json");
    const SCliRun run = Fit({strCsv, "--out", strDoc, "--correlations"});
    ASSERT_EQ(run.nExitCode, 0) << run.strErr;
    const std::unique_ptr<CCollectionDocument> pDoc = LoadDocument(strDoc);
    ASSERT_EQ(pDoc->GetVariableCount(), 3);
    const struct {
        const char* pszName;
        const std::vector<double>* pData;
    } expected[] = {{"strength", &table.strength}, {"load", &table.load}};
    for (int i = 0; i < 2; ++i) {
        CDist& dist = *pDoc->GetVariable(i);
        EXPECT_EQ(dist.m_strVarName.str(), expected[i].pszName);
        const SFitReport report = CFamilyFitter(SFitOptions{}).Fit(*expected[i].pData);
        const SFamilyFit& best = *report.GetBest();
        ASSERT_EQ(dist.m_nType, best.nType);
        CString strLabel;
        CUIntArray ids;
        dist.GetParamsList(best.estimate.nParamCombi, strLabel, &ids);
        EXPECT_EQ(dist.m_nParamCombi, best.estimate.nParamCombi);
        for (int k = 0; k < ids.GetSize(); ++k) {
            EXPECT_DOUBLE_EQ(dist.GetParamValue(static_cast<int>(ids[k])),
                             best.estimate.values[static_cast<std::size_t>(k)]);
        }
    }
    EXPECT_EQ(pDoc->GetVariable(2)->m_nType, DIST_DISCRETE);
    ASSERT_EQ(pDoc->GetCorrelationCount(), 1);
    EXPECT_TRUE(pDoc->GetCorrelation(0).bXSpace);
    EXPECT_NEAR(pDoc->GetCorrelation(0).dCorrX, Pearson(table.strength, table.load), 1e-12);
    EXPECT_GT(pDoc->GetCorrelation(0).dCorrX, 0.2);
    EXPECT_EQ(run.strErr, "");
}

TEST(FitCommand, ClampsACorrelationOutsideItsRangeWithAWarning) {
    const CTempDir dir;
    const std::vector<double> a = Draw(DIST_EXPONENTIAL, 1, {1.0, 0.0}, 300, 21u);
    std::string text = "a,b\n";
    for (const double x : a) {
        text += Text(x) + "," + Text(-x) + "\n";
    }
    const std::string strDoc = dir.File("fitted.json");
    const SCliRun run = Fit({dir.Write("data.csv", text), "--families", "exponential,Gumbel",
                             "--out", strDoc, "--correlations"});
    ASSERT_EQ(run.nExitCode, 0) << run.strErr;
    EXPECT_THAT(run.strErr, HasSubstr("stochvar: warning: " + strDoc + ": correlation a / b:"));
    EXPECT_THAT(run.strErr, HasSubstr("Correlation is -1.0000"));
    const std::unique_ptr<CCollectionDocument> pDoc = LoadDocument(strDoc);
    ASSERT_EQ(pDoc->GetCorrelationCount(), 1);
    EXPECT_GT(pDoc->GetCorrelation(0).dCorrX, -0.99);
    EXPECT_LT(pDoc->GetCorrelation(0).dCorrX, -0.5);
}

TEST(FitCommand, BootstrapPValuesAndTheKsCriterion) {
    const CTempDir dir;
    const std::vector<double> x = Draw(DIST_NORMAL, 0, {3.0, 1.0}, 60, 31u);
    std::string text = "x\n";
    for (const double v : x) {
        text += Text(v) + "\n";
    }
    const SCliRun run = Fit({dir.Write("data.csv", text), "--families", "normal,uniform",
                             "--criterion", "ks", "--bootstrap", "99"});
    ASSERT_EQ(run.nExitCode, 0) << run.strErr;
    SFitOptions options;
    options.families = {DIST_NORMAL, DIST_UNIFORM};
    options.criterion = EFitCriterion::Ks;
    options.nBootstrap = 99;
    const SFitReport report = CFamilyFitter(options).Fit(x);
    char p[16];
    std::snprintf(p, sizeof p, "%.3g", report.ranking.front().dKsPValue);
    const std::string strFirst = run.strOut.substr(run.strOut.find("  1 "));
    EXPECT_THAT(strFirst.substr(0, strFirst.find('\n')), HasSubstr(p));
    EXPECT_THAT(strFirst.substr(0, strFirst.find('\n')),
                HasSubstr(report.ranking.front().strFamily));
}

TEST(FitCommand, Refusals) {
    const CTempDir dir;
    const std::string strGood = dir.Write("good.csv", "x,y\n1,2\n2,3\n4,1\n3,5\n");
    // clang-format off
    const SCliCase rows[] = {
        {{"fit", dir.Write("nan.csv", "x\n1\n2\nnan\n4\n")}, 1, "",
         "nan.csv: column x: value 3 is not a finite number"},
        {{"fit", dir.Write("few.csv", "x\n1\n2\n")}, 1, "",
         "few.csv: column x: too few points: 2 values, a fit needs at least 3"},
        {{"fit", dir.Write("flat.csv", "x\n2\n2\n2\n")}, 1, "", "column x: all values are equal"},
        {{"fit", strGood, "--column", "z"}, 1, "", "no column \"z\""},
        {{"fit", strGood, "--lower-bound", "1.5", "--families", "lognormal,normal"}, 0,
         "LOGNORMAL    refused: data outside the support: the value 1 is not above the lower "
         "bound 1.5", ""},
        {{"fit", strGood, "--lower-bound", "9", "--families", "lognormal"}, 1,
         "refused: data outside the support", "column x: no family fits the data"},
        {{"fit", strGood, "--families", "normal,poisson"}, 2, "",
         "--families: \"poisson\" is not a continuous family"},
        {{"fit", strGood, "--criterion", "r2"}, 2, "", "--criterion takes bic, aic or ks"},
        {{"fit", strGood, "--method", "mle"}, 2, "",
         "--method takes likelihood or moments, not \"mle\""},
        // Cells are numbers with the blanks around them trimmed.
        {{"fit", dir.Write("pad.csv", "x\n 1 \n 2\n4 \n 3 \n")}, 0, "column x (n = 4)", ""},
        {{"fit", strGood, "--bootstrap", "-3"}, 2, "", "--bootstrap"},
        {{"fit", strGood, "--correlations"}, 2, "", "--correlations needs --out"},
        {{"fit", dir.File("missing.csv")}, 1, "", "missing.csv: cannot read"},
        {{"fit", dir.Write("wide.csv", "x\n1,2\n")}, 1, "",
         "wide.csv: line 2: 2 fields, the header has 1"},
    };
    // clang-format on
    for (const SCliCase& row : rows) {
        ExpectCli(row);
    }
}

} // namespace
} // namespace stochvar::test
