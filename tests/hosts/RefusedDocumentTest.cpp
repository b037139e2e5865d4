// Documents that must be refused as a whole: each kind of error gives exit code 1 and one
// message "file: subject: reason" on standard error, and nothing of the document is listed.
// Warnings, in contrast, are printed and the document is used with the corrected values.

#include "CliRunner.h"

#include <gtest/gtest.h>
#include <gmock/gmock.h>

namespace stochvar::test {
namespace {

using ::testing::HasSubstr;

// A document with one variable R given by the fields in strVariable (everything after the
// name), plus the fixed second variable S and the given correlations.
std::string OneVariable(const std::string& strVariable, const std::string& strCorrelations = "") {
    return R"({"variables": [{"name": "R", )" + strVariable +
           R"(}, {"name": "S", "type": "NORMAL", "values": {"MEAN": 1, "STDDEV": 2}}],
              "correlations": [)" +
           strCorrelations + "]}";
}

const std::string kNormalR = R"("type": "NORMAL", "values": {"MEAN": 3, "STDDEV": 1})";

struct SRefusedCase {
    const char* pszWhat;
    std::string text;
    std::string strReason; // the message after "bad.json: "
};

std::vector<SRefusedCase> RefusedCases() {
    return {
        {"unknown family", OneVariable(R"("type": "NORMALL", "values": {"MEAN": 3})"),
         "R: unknown family \"NORMALL\" (known: FIXED, BETA, EXPONENTIAL, DISCRETE, GUMBEL, "
         "LOGNORMAL, NORMAL, RAYLEIGH, TRIANGULAR, UNIFORM, WEIBULL)"},
        {"family keyword in lower case",
         OneVariable(R"("type": "normal", "values": {"MEAN": 3, "STDDEV": 1})"),
         "R: unknown family \"normal\""},
        {"unknown parameter keyword",
         OneVariable(R"("type": "NORMAL", "values": {"MEAN": 3, "SIGMA": 1})"),
         "R: unknown parameter keyword \"SIGMA\""},
        {"parameter of another input type",
         OneVariable(R"("type": "NORMAL", "values": {"MEAN": 3, "COV": 0.1})"),
         "R: COV is not a parameter of input type /MEAN/STDDEV"},
        {"missing value", OneVariable(R"("type": "NORMAL", "values": {"MEAN": 3})"),
         "R: the value of STDDEV is missing (input type /MEAN/STDDEV)"},
        {"value refused by the per-value check (STDDEV)",
         OneVariable(R"("type": "NORMAL", "values": {"MEAN": 3, "STDDEV": 0})"),
         "R: StdDev is less than (or equal to) 0"},
        {"value refused by the per-value check (COV)",
         OneVariable(R"("type": "NORMAL", "input": "/MEAN/COV", "values": {"MEAN": 3, "COV": -1})"),
         "R: CoV is less than (or equal to) 0"},
        {"combination refused",
         OneVariable(R"("type": "UNIFORM", "values": {"LOWER_BOUND": 2, "UPPER_BOUND": 1})"),
         "R: Upper bound must be larger than lower bound."},
        {"conversion refused",
         OneVariable(R"("type": "TRIANGULAR", "input": 1,
                        "values": {"LOWER_BOUND": 0, "MEAN": 0.5, "UPPER_BOUND": 3})"),
         "R: Mean value must be between 1.000000 and 2.000000"},
        {"unknown input type label",
         OneVariable(R"("type": "NORMAL", "input": "/MEAN/SIGMA", "values": {"MEAN": 3})"),
         "R: unknown input type \"/MEAN/SIGMA\" (known: 0 /MEAN/STDDEV, 1 /MEAN/COV)"},
        {"input type number out of range",
         OneVariable(R"("type": "NORMAL", "input": 2, "values": {"MEAN": 3})"),
         "R: unknown input type 2"},
        {"input type number that is not whole",
         OneVariable(R"("type": "NORMAL", "input": 1.5, "values": {"MEAN": 3})"),
         "R: unknown input type 1.5 (known: 0 /MEAN/STDDEV, 1 /MEAN/COV)"},
        {"input type neither text nor number",
         OneVariable(R"("type": "NORMAL", "input": true, "values": {"MEAN": 3})"),
         "R: \"input\" must be an input type label (text) or number"},
        {"negative frequency",
         OneVariable(R"("type": "DISCRETE", "categories": [{"name": "a", "frequency": -1}])"),
         "R: Frequency must be >= 0"},
        {"categories of a continuous variable",
         OneVariable(R"("type": "NORMAL", "values": {"MEAN": 3, "STDDEV": 1}, "categories": [])"),
         "R: only a DISCRETE variable has categories"},
        {"values of a discrete variable",
         OneVariable(R"("type": "DISCRETE", "values": {"MEAN": 3}, "categories": [])"),
         "R: a DISCRETE variable has categories, no input type or values"},
        {"misspelt key", OneVariable(kNormalR + R"(, "vlaues": {})"),
         "R: unknown key \"vlaues\""},
        {"axis bounds the wrong way round",
         OneVariable(kNormalR + R"(, "axis": {"min": 5, "max": 1})"),
         "R: the axis minimum must be a number below the axis maximum"},
        {"automatic axis with bounds",
         OneVariable(kNormalR + R"(, "axis": {"auto": true, "min": 0, "max": 1})"),
         "R: an automatic axis takes no \"min\" or \"max\""},
        {"value that is not a number",
         OneVariable(R"("type": "NORMAL", "values": {"MEAN": "3", "STDDEV": 1})"),
         "R: \"MEAN\" must be a number"},
        {"two variables of one name",
         R"({"variables": [{"name": "R", "type": "FIXED", "values": {"MEAN": 1}},
                           {"name": "R", "type": "FIXED", "values": {"MEAN": 2}}]})",
         "R: another variable has the same name"},
        {"correlation with an unknown variable",
         OneVariable(kNormalR, R"({"between": ["R", "Q"], "value": 0.3, "space": "X"})"),
         "correlation R / Q: unknown variable \"Q\""},
        {"correlation of a variable with itself",
         OneVariable(kNormalR, R"({"between": ["R", "R"], "value": 0.3, "space": "U"})"),
         "correlation R / R: a variable cannot be correlated with itself"},
        {"pair correlated twice",
         OneVariable(kNormalR, R"({"between": ["R", "S"], "value": 0.3, "space": "U"},
                                  {"between": ["S", "R"], "value": 0.1, "space": "X"})"),
         "correlation S / R: the pair is correlated twice"},
        {"correlation beyond one",
         OneVariable(kNormalR, R"({"between": ["R", "S"], "value": 1.5, "space": "U"})"),
         "correlation R / S: the correlation 1.5 does not lie between -1 and 1"},
        {"unknown space",
         OneVariable(kNormalR, R"({"between": ["R", "S"], "value": 0.5, "space": "Z"})"),
         "correlation R / S: \"space\" must be \"X\" or \"U\""},
        {"not JSON at all", "{\"variables\": [", "document: not valid JSON: "},
        {"number beyond the doubles",
         OneVariable(R"("type": "NORMAL", "values": {"MEAN": 1e400, "STDDEV": 1})"),
         "document: not valid JSON: number overflow parsing '1e400'"},
        {"key given twice",
         OneVariable(R"("type": "NORMAL", "values": {"MEAN": 1, "STDDEV": 1, "MEAN": 2})"),
         "document: the key \"MEAN\" is given twice in one object"},
        {"no variables", R"({"correlations": []})",
         "document: \"variables\" must be an array of variables"},
        {"unknown top-level key", R"({"variables": [], "variable": []})",
         "document: unknown key \"variable\""},
    };
}

TEST(RefusedDocument, EachKindOfErrorRefusesTheWholeDocument) {
    const CTempDir dir;
    for (const SRefusedCase& refused : RefusedCases()) {
        SCOPED_TRACE(refused.pszWhat);
        const std::string strPath = dir.Write("bad.json", refused.text);
        for (const char* pszCommand : {"show", "convert"}) {
            std::vector<std::string> args{pszCommand, strPath};
            if (std::string(pszCommand) == "convert") {
                args.push_back(dir.File("out.svc"));
            }
            const SRunResult result = RunCli(args);
            EXPECT_EQ(result.nExitCode, 1);
            EXPECT_EQ(result.strOut, "");
            EXPECT_THAT(result.strErr, HasSubstr("stochvar: error: " + strPath + ": " +
                                                 refused.strReason));
        }
        EXPECT_FALSE(std::filesystem::exists(dir.File("out.svc")));
    }
}

TEST(RefusedDocument, SamplingARefusedDocumentWritesNoSamples) {
    const CTempDir dir;
    const std::string strPath =
        dir.Write("bad.json", OneVariable(R"("type": "NORMAL", "values": {"MEAN": 3, "STDDEV": -1})"));
    const SRunResult result = RunCli({"sample", strPath, "-n", "10", "--out", dir.File("s.csv")});
    EXPECT_EQ(result.nExitCode, 1);
    EXPECT_THAT(result.strErr, HasSubstr(": R: StdDev is less than (or equal to) 0"));
    EXPECT_FALSE(std::filesystem::exists(dir.File("s.csv")));
}

TEST(RefusedDocument, VariablesThatCannotBeSampledAreListedButNotSampled) {
    // Each passes the library's own checks. show lists it with a warning and convert writes it
    // (the file opens again, so that an editor can repair it); sample refuses it with file,
    // variable or correlations, and reason.
    const SRefusedCase cases[] = {
        {"beta spread too large for its bounds",
         OneVariable(R"("type": "BETA", "values": {"MEAN": 5, "STDDEV": 6, "LOWER_BOUND": 0,
                                                    "UPPER_BOUND": 10})"),
         "R: cannot be sampled: the exponents R = -0.1527777777777778 and S = "
         "-0.1527777777777778 are not both positive (with mean 5 on [0, 10] the standard "
         "deviation must stay below 5)"},
        {"beta exponent not positive",
         OneVariable(R"("type": "BETA", "input": "/R/S/LOWER_BOUND/UPPER_BOUND",
                        "values": {"R": -1, "S": 2, "LOWER_BOUND": 0, "UPPER_BOUND": 1})"),
         "R: cannot be sampled: the exponents R = -1 and S = 2 are not both positive"},
        {"beta bounds not ordered",
         OneVariable(R"("type": "BETA", "input": "/R/S/LOWER_BOUND/UPPER_BOUND",
                        "values": {"R": 2, "S": 2, "LOWER_BOUND": 3, "UPPER_BOUND": 1})"),
         "R: cannot be sampled: the lower bound 3 is not below the upper bound 1"},
        {"discrete without categories",
         OneVariable(R"("type": "DISCRETE", "categories": [])"),
         "R: cannot be sampled: it has no categories"},
        {"discrete with total frequency 0",
         OneVariable(R"("type": "DISCRETE", "categories": [{"name": "a", "frequency": 0},
                                                          {"name": "b", "frequency": 0}])"),
         "R: cannot be sampled: the frequencies of its categories add up to 0"},
        {"correlation matrix not positive definite",
         R"({"variables": [
               {"name": "A", "type": "NORMAL", "values": {"MEAN": 0, "STDDEV": 1}},
               {"name": "B", "type": "NORMAL", "values": {"MEAN": 0, "STDDEV": 1}},
               {"name": "C", "type": "NORMAL", "values": {"MEAN": 0, "STDDEV": 1}}],
             "correlations": [{"between": ["A", "B"], "value": 0.9, "space": "U"},
                              {"between": ["A", "C"], "value": 0.9, "space": "U"},
                              {"between": ["B", "C"], "value": -0.9, "space": "U"}]})",
         "correlations: cannot be sampled: the correlation matrix is not positive definite at "
         "row 3, variable C (correlated with A and B)"},
    };
    const CTempDir dir;
    for (const SRefusedCase& refused : cases) {
        SCOPED_TRACE(refused.pszWhat);
        const std::string strPath = dir.Write("odd.json", refused.text);
        const SRunResult shown = RunCli({"show", strPath});
        EXPECT_EQ(shown.nExitCode, 0);
        EXPECT_EQ(shown.strErr, "stochvar: warning: " + strPath + ": " + refused.strReason + "\n");
        EXPECT_EQ(RunCli({"convert", strPath, dir.File("odd.svc")}).nExitCode, 0);
        for (const std::string& strDoc : {strPath, dir.File("odd.svc")}) {
            const SRunResult sampled = RunCli({"sample", strDoc, "-n", "5", "--out", dir.File("s.csv")});
            EXPECT_EQ(sampled.nExitCode, 1);
            EXPECT_EQ(sampled.strErr, "stochvar: error: " + strDoc + ": " + refused.strReason + "\n");
        }
        EXPECT_FALSE(std::filesystem::exists(dir.File("s.csv")));
    }
}

TEST(RefusedDocument, MissingAndUnrecognisableFilesAreRefused) {
    const CTempDir dir;
    const SRunResult missing = RunCli({"show", dir.File("absent.json")});
    EXPECT_EQ(missing.nExitCode, 1);
    EXPECT_THAT(missing.strErr, HasSubstr("absent.json: cannot open"));

    const std::string strOther = dir.Write("notes.txt", "just some text\n");
    const SRunResult other = RunCli({"show", strOther});
    EXPECT_EQ(other.nExitCode, 1);
    EXPECT_THAT(other.strErr,
                HasSubstr("notes.txt: document: not a collection document (neither JSON nor the "
                          "binary format)"));

    const SRunResult folder = RunCli({"show", dir.Path().string()});
    EXPECT_EQ(folder.nExitCode, 1);
    EXPECT_EQ(folder.strErr, "stochvar: error: " + dir.Path().string() +
                                 ": cannot open: it is a directory, not a document\n");
}

TEST(DocumentWarning, ACorrectedCorrelationIsReportedAndKept) {
    // Two normal variables admit X-space correlations up to the library's limit 0.9999999999;
    // a given 1.0 is moved there with the library's warning, and the document is still used.
    const CTempDir dir;
    const std::string strPath = dir.Write(
        "w.json", OneVariable(kNormalR, R"({"between": ["R", "S"], "value": 1, "space": "X"})"));
    const SRunResult shown = RunCli({"show", strPath});
    EXPECT_EQ(shown.nExitCode, 0);
    EXPECT_THAT(shown.strErr,
                HasSubstr("stochvar: warning: " + strPath +
                          ": correlation R / S: Correlation specified between variable R and S is "
                          "too large to perform the nataf mapping. Correlation is  1.0000."));
    EXPECT_THAT(shown.strErr, HasSubstr("Correlation is modified to  1.0000!"));
    EXPECT_THAT(shown.strOut, HasSubstr("X-space  0.9999999999\n"));

    // Converting keeps the corrected value, so the result reads back without a warning.
    const std::string strOut = dir.File("corrected.json");
    ASSERT_EQ(RunCli({"convert", strPath, strOut}).nExitCode, 0);
    EXPECT_THAT(ReadFile(strOut), HasSubstr(R"("value": 0.9999999999, "space": "X")"));
    const SRunResult again = RunCli({"show", strOut});
    EXPECT_EQ(again.nExitCode, 0);
    EXPECT_EQ(again.strErr, "");
}

TEST(DocumentWarning, AWarningOfAConversionIsPrintedAndTheVariableKept) {
    // A Gumbel variable with mean 0 cannot have a coefficient of variation; its conversion
    // warns and goes on.
    const CTempDir dir;
    const std::string strPath = dir.Write(
        "g.json", OneVariable(R"("type": "GUMBEL", "values": {"MEAN": 0, "STDDEV": 2})"));
    const SRunResult result = RunCli({"show", strPath});
    EXPECT_EQ(result.nExitCode, 0);
    EXPECT_THAT(result.strErr, HasSubstr("stochvar: warning: " + strPath + ": R: "));
    EXPECT_THAT(result.strOut, HasSubstr("R  GUMBEL, input type /MEAN/STDDEV"));
}

} // namespace
} // namespace stochvar::test
