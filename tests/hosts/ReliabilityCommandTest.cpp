// stochvar reliability, run as a program: every method on a small document with a closed form,
// g from the document or from --g, the refusals with their exact messages and exit codes, the
// JSON file with every field, and the same numbers on any number of threads. The analyses
// themselves are tested in tests/reliability, the expressions in tests/documents.

#include "CliRun.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

namespace stochvar::test {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

SCliRun Analyse(const std::vector<std::string>& args, const char* pszCommand = "reliability") {
    return RunCommand(pszCommand, args);
}

// R - S with R ~ N(5, 1), S ~ N(2, 1): beta = 3 / sqrt(2). The discrete k is not in g.
const char* const kDocument = R"({"limitState": "R - S",
  "variables": [{"name": "R", "type": "NORMAL", "values": {"MEAN": 5, "STDDEV": 1}},
                {"name": "S", "type": "NORMAL", "values": {"MEAN": 2, "STDDEV": 1}},
                {"name": "k", "type": "DISCRETE", "categories": [{"name": "a", "frequency": 1},
                                                                {"name": "b", "frequency": 1}]}]})";

double Pf(double dBeta) { return 0.5 * std::erfc(dBeta / std::sqrt(2.0)); }

TEST(ReliabilityCommand, EveryMethodFindsTheClosedFormAndWritesEveryField) {
    const CTempDir dir;
    const std::string strDoc = dir.Write("rs.json", kDocument);
    const std::string strJson = dir.File("result.json");
    const double beta = 3.0 / std::sqrt(2.0);
    // The fields of every result, and those of each method.
    const std::vector<std::string> kCommon{
        "method", "document", "limit_state", "numerics", "variables", "pf",    "beta",
        "cov",    "ci",       "calls",       "seconds",  "converged", "reason"};
    const std::vector<std::string> kForm{"design_point", "design_point_u",    "alpha",
                                         "importance",   "g_at_design_point", "iterations"};
    const std::vector<std::string> kSampling{"seed",      "seeds",   "target_cov",
                                             "max_calls", "samples", "failures"};
    const struct {
        std::vector<std::string> args;
        std::string strTitle;
        std::vector<std::vector<std::string>> fields;
        bool bExact; // FORM and SORM are exact for a linear g
    } rows[] = {
        {{"--method", "form"}, "FORM on ", {kForm}, true},
        {{"-m", "sorm"}, "SORM on ", {kForm, {"pf_tvedt", "curvatures", "form"}}, true},
        {{"--method=mc", "--seed", "7"}, "Monte Carlo on ", {kSampling}, false},
        {{"--method", "lhs", "--cov", "0.05"}, "Latin hypercube sampling on ", {kSampling}, false},
        {{"--method", "is", "--max-calls", "5e4"},
         "Importance sampling on ",
         {kSampling, kForm},
         false},
        {{"--method", "subset", "--n-per-level", "500", "--p0", "0.2"},
         "Subset simulation on ",
         {{"seed", "seeds", "n_per_level", "p0", "levels"}},
         false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.args[1]);
        std::vector<std::string> args{strDoc, "--json", strJson};
        args.insert(args.end(), row.args.begin(), row.args.end());
        const SCliRun run = Analyse(args);
        ASSERT_EQ(run.nExitCode, 0) << run.strErr;
        EXPECT_EQ(run.strErr, "");
        EXPECT_EQ(run.strOut.rfind(row.strTitle + strDoc + "\ng = R - S\n", 0), 0) << run.strOut;
        const Json json = Json::parse(ReadText(strJson));
        for (const auto& fields : row.fields) {
            for (const std::string& strField : kCommon) {
                EXPECT_TRUE(json.contains(strField)) << strField;
            }
            for (const std::string& strField : fields) {
                EXPECT_TRUE(json.contains(strField)) << strField;
            }
        }
        const double pf = json["pf"].get<double>();
        // The report shows the numbers of the file.
        char line[64];
        std::snprintf(line, sizeof line, "\nPf     %.4e\n", pf);
        EXPECT_NE(run.strOut.find(line), std::string::npos) << run.strOut;
        EXPECT_EQ(json["method"], row.args[0].starts_with("--method=") ? "mc" : row.args[1]);
        EXPECT_EQ(json["limit_state"], "R - S");
        if (row.bExact) {
            EXPECT_NEAR(json["beta"].get<double>(), beta, 1e-6);
            EXPECT_NEAR(json["design_point"]["R"].get<double>(), 3.5, 1e-5);
            EXPECT_NEAR(json["design_point"]["S"].get<double>(), 3.5, 1e-5);
            EXPECT_NEAR(json["importance"]["R"].get<double>(), 0.5, 1e-6);
            EXPECT_EQ(json["variables"], Json::array({"R", "S"}));
        } else {
            // Within four of the reported standard deviations; the interval holds Pf.
            EXPECT_NEAR(pf, Pf(beta), 4 * json["cov"].get<double>() * pf);
            EXPECT_EQ(json["converged"], true);
        }
        if (json["ci"].is_array()) {
            EXPECT_LE(json["ci"][0].get<double>(), pf);
            EXPECT_GE(json["ci"][1].get<double>(), pf);
        }
    }
}

TEST(ReliabilityCommand, GComesFromTheLineOrTheDocumentAndGivesTheSameNumbersOnAnyThreads) {
    // (5 - 2 * 2) / sqrt(1 + 4): --g wins over the document's key; without DOC the built-in beam
    // with its own g.
    const CTempDir dir;
    const std::string strDoc = dir.Write("rs.json", kDocument);
    const SCliRun line = Analyse({strDoc, "--method", "form", "--g", "R - 2 * S"});
    EXPECT_EQ(line.nExitCode, 0);
    EXPECT_NE(line.strOut.find("\ng = R - 2 * S\n"), std::string::npos);
    EXPECT_NE(line.strOut.find("\nbeta   0.4472\n"), std::string::npos) << line.strOut;
    const SCliRun beam = Analyse({"--method", "form"});
    EXPECT_EQ(beam.nExitCode, 0);
    EXPECT_EQ(beam.strOut.rfind("FORM on built-in example (beam.json)\n"
                                "g = theta * fy * W / 100 - (G + Q) * L^2 / 8\n"
                                "variables in g: fy, W, G, Q, L, theta (not in g: use)\n",
                                0),
              0)
        << beam.strOut;
    for (const char* pszMethod : {"mc", "lhs", "subset", "is"}) {
        SCOPED_TRACE(pszMethod);
        std::vector<std::string> pfs;
        for (const char* pszThreads : {"1", "3"}) {
            const SCliRun run = Analyse({strDoc, "--method", pszMethod, "--threads", pszThreads,
                                         "--seed", "11", "--json", "-"});
            EXPECT_EQ(run.nExitCode, 0);
            const Json json = Json::parse(run.strOut);
            pfs.push_back(json["pf"].dump() + " " + json["calls"].dump());
            EXPECT_NE(run.strErr.find(" on " + strDoc), std::string::npos); // the report
        }
        EXPECT_EQ(pfs[0], pfs[1]);
    }
}

TEST(ReliabilityCommand, RefusalsAndUsageErrorsHaveTheirExactMessages) {
    const CTempDir dir;
    const std::string strDoc = dir.Write("rs.json", kDocument);
    std::string text = kDocument;
    const std::string strNoG =
        dir.Write("nog.json", text.substr(0, 1) + text.substr(text.find("\n") + 1));
    text.replace(text.find("R - S"), 5, "R - T");
    const std::string strBadG = dir.Write("badg.json", text);
    const std::string strJson = dir.File("never.json");
    const std::string kUsage = "\nRun 'stochvar reliability --help' for its usage.\n";
    // clang-format off
    const struct {
        std::vector<std::string> args;
        int nExitCode;
        std::string strErr; // a regular expression for the whole of standard error
    } rows[] = {
        {{strDoc, "-m", "form", "--g", "R - * S"}, 1,
         "stochvar: error: --g: syntax error at position 5: unexpected operator \"\\*\"\n"},
        {{strDoc, "-m", "mc", "--g", "R - Q"}, 1,
         "stochvar: error: --g: unknown name \"Q\" at position 5 \\(the variables are R, S, "
         "k\\)\n"},
        {{strBadG, "-m", "subset"}, 1,
         "stochvar: error: " + strBadG + ": limitState: unknown name \"T\" at position 5 \\(the "
         "variables are R, S, k\\)\n"},
        {{strDoc, "-m", "form", "--g", "R - S - k"}, 1,
         "stochvar: error: FORM needs continuous variables, but 'k' is discrete: g is a step "
         "function of u there, with no gradient to follow; use a simulation method\n"},
        {{strDoc, "-m", "form", "--g", "sqrt(R - 6) - S"}, 1,
         "stochvar: error: g is -?nan at \\(R = 5, S = 2\\)\n"},
        {{strDoc, "-m", "mc", "--g", "sqrt(R - 6) - S"}, 1,
         "stochvar: error: g is -?nan at \\(R = [0-9.]+, S = [-0-9.e]+, k = [01]\\)\n"},
        {{strNoG, "-m", "form"}, 2,
         "stochvar: " + strNoG + " gives no limit state: give g with --g EXPR \\(such as --g "
         "\"R - S\" over the variables' names\\), or as \"limitState\" in the document" + kUsage},
        {{strDoc}, 2,
         "stochvar: the method is missing \\(--method form\\|sorm\\|mc\\|lhs\\|is\\|subset\\)"
         + kUsage},
        {{strDoc, "-m", "mcmc"}, 2,
         "stochvar: -m takes form, sorm, mc, lhs, is or subset, not \"mcmc\"" + kUsage},
        {{strDoc, "-m", "form", "--cov", "0.1"}, 2,
         "stochvar: --cov applies to mc, lhs and is, not to form" + kUsage},
        {{strDoc, "-m", "is", "--p0", "0.2"}, 2,
         "stochvar: --p0 applies to subset, not to is" + kUsage},
        {{strDoc, "-m", "mc", "--cov", "-1"}, 2,
         "stochvar: --cov needs a number from 0 up \\(such as 0.05; 0 spends the whole "
         "budget\\), not \"-1\"" + kUsage},
        {{strDoc, "-m", "subset", "--p0", "0.7"}, 2,
         "stochvar: --p0 needs a number above 0 and at most 0.5 \\(such as 0.1\\), not \"0.7\""
         + kUsage},
        {{strDoc, "-m", "subset", "--max-calls", "999"}, 2,
         "stochvar: --max-calls 999 pays for no level of 1000 samples: give at least "
         "--n-per-level" + kUsage},
        {{strDoc, "-m", "form", "--g", ""}, 2,
         "stochvar: --g needs an expression, such as \"R - S\"" + kUsage},
        {{strDoc, "-m", "form", "--json", dir.File("no/such/dir.json")}, 1,
         "stochvar: error: " + dir.File("no/such/dir.json") + ": cannot write: .*\n"},
    };
    // clang-format on
    for (const auto& row : rows) {
        std::vector<std::string> args = row.args;
        args.insert(args.end(), {"--json", strJson});
        if (std::find(row.args.begin(), row.args.end(), "--json") != row.args.end()) {
            args = row.args;
        }
        SCOPED_TRACE(::testing::PrintToString(args));
        const SCliRun run = Analyse(args);
        EXPECT_EQ(run.nExitCode, row.nExitCode);
        EXPECT_TRUE(std::regex_match(run.strErr, std::regex(row.strErr))) << run.strErr;
        EXPECT_EQ(run.strOut, "");
        EXPECT_FALSE(fs::exists(strJson));
    }
    // show lists g, and warns when it would be refused.
    const SCliRun shown = Analyse({strBadG}, "show");
    EXPECT_EQ(shown.nExitCode, 0);
    EXPECT_NE(shown.strOut.find("\nnumerics: faithful\nlimit state: g = R - T\n"),
              std::string::npos);
    EXPECT_EQ(shown.strErr, "stochvar: warning: " + strBadG +
                                ": limitState: unknown name \"T\" at position 5 (the variables "
                                "are R, S, k)\n");
}

} // namespace
} // namespace stochvar::test
