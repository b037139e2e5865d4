// Documents through the command line: what show lists, convert between JSON and binary, the choice
// of numerics, and documents refused as a whole ("file: subject: reason", exit code 1) or warned of.

#include "CliRunner.h"

#include <stochvar/documents/BinaryDocument.h>

namespace stochvar::test {
namespace {

// Every optional part of a document, and a variable E that can be listed and stored but not
// sampled, so that an editor can open the document and repair it.
const char* const kEverything = R"({"description": "two lines\nof text",
  "variables": [{"name": "N", "type": "NORMAL", "input": 1, "canChange": false,
                 "values": {"MEAN": 4, "COV": 0.125}, "axis": {"min": -9, "max": 7.5}},
    {"name": "D", "type": "DISCRETE", "categories": [{"name": "a", "frequency": 1},
                                 {"name": "b,c", "frequency": 3}, {"name": "z", "frequency": 0}]},
    {"name": "E", "type": "DISCRETE", "categories": []}],
  "correlations": [{"between": ["D", "N"], "value": 0.5, "space": "X"}]})";

TEST(Show, ListsEveryPartOfADocumentAndWarnsOfWhatCannotBeSampled) {
    // Derived values from their definitions: sd = mean * CoV; a discrete variable with
    // probabilities 1/4 and 3/4 at 0 and 1 has mean 0.75 and sd sqrt(3) / 4.
    const CTempDir dir;
    const std::string strDoc = dir.Write("d.json", kEverything);
    const SCliCase shown = ExpectCli({{"show", strDoc}, 0, "Collection " + strDoc + R"(
two lines
of text
3 variables, 1 correlation
numerics: faithful

N  NORMAL, input type /MEAN/COV
    MEAN         4                        given
    COV          0.125                    given
    STDDEV       0.5
    mean 4, standard deviation 0.5
    chart axis [-9, 7.5]
    family may not be changed

D  DISCRETE, 3 categories
    0   a     frequency 1           probability 0.25
    1   b,c   frequency 3           probability 0.75
    2   z     frequency 0           probability 0
    mean 0.75, standard deviation 0.4330127018922193

E  DISCRETE, 0 categories
    mean 0, standard deviation 0

Correlations
D / N  given in X-space
    X-space  0.5
    U-space  0.67326)", "stochvar: warning: " + strDoc + ": E: cannot be sampled: it has no categories\n"});
    EXPECT_THAT(shown.strOut, ::testing::ContainsRegex("\n    admissible X-space range \\[-0\\.742656064[0-9]+, 0\\.742656064[0-9]+\\]\n$"));
    // The numerics of the line map the correlation; the document can come from standard input.
    ExpectCli({{"show", strDoc, "--numerics", "accurate"}, 0, "    U-space  0.67327", "E: cannot be sampled"});
    ExpectCli({{"show", "-"}, 0, "Collection standard input\n", ""}, kBeam);
}

TEST(Convert, JsonAndBinaryCarryTheSameDocument) {
    // Output names try each rule: .json in any case is JSON, any other name binary, unless --to
    // says; reading goes by the contents. The examples are in the writer's layout.
    const CTempDir dir;
    const std::vector<std::string> documents{dir.Write("all.json", kEverything), kBeam, kExamples + "/column.json",
                                             kExamples + "/offshore.json", kExamples + "/slope.json"};
    const std::string strCopy = dir.File("copy.JSON"), strBinary = dir.File("doc"), strBack = dir.File("back.svc");
    for (const std::string& strJson : documents) {
        SCOPED_TRACE(strJson);
        for (std::vector<std::string> line : {std::vector<std::string>{strJson, strCopy}, {strJson, strBinary},
                                              {strBinary, strBack, "--to", "json"},
                                              {strBack, dir.File("again.json"), "--to", "binary"}}) {
            line.insert(line.begin(), "convert");
            ExpectCli({line, 0, "", ""});
        }
        EXPECT_TRUE(ReadFile(strBinary).starts_with(kBinarySignature));
        EXPECT_EQ(ReadFile(strBack), ReadFile(strCopy));
        EXPECT_EQ(ReadFile(dir.File("again.json")), ReadFile(strBinary));
        if (strJson == documents[0]) { // not sampled, from either form, for the same reason
            for (const std::string& strDoc : {strJson, strBinary}) {
                ExpectCli({{"sample", strDoc, "-n", "5", "-o", strBack}, 1, "", strDoc + ": E: cannot be sampled: it has no"});
            }
            EXPECT_EQ(ReadFile(strBack), ReadFile(strCopy));
        } else {
            EXPECT_EQ(ReadFile(strCopy), ReadFile(strJson));
            EXPECT_EQ(Draw({strBinary, "--lhs"}, "300").strOut, Draw({strJson, "--lhs"}, "300").strOut);
        }
    }
}

TEST(Numerics, TheOptionOverridesTheDocumentAndJsonAloneKeepsTheChoice) {
    // The summaries name the numerics that ran, and the numbers are theirs.
    const CTempDir dir;
    std::string strBeam = ReadFile(kBeam);
    strBeam.insert(strBeam.find("\n  \"variables\""), "\n  \"numerics\": \"accurate\",");
    const std::string strAccurate = dir.Write("accurate.json", strBeam); // in the writer's layout
    const std::string faithful = Draw({}, "200", "numerics: faithful\n").strOut;
    const std::string accurate = Draw({strAccurate}, "200", "numerics: accurate\n").strOut;
    EXPECT_NE(accurate, faithful);
    EXPECT_EQ(Draw({"--numerics=accurate"}, "200", "numerics: accurate\n").strOut, accurate);
    EXPECT_EQ(Draw({strAccurate, "--numerics", "faithful"}, "200", "numerics: faithful\n").strOut, faithful);
    // JSON keeps the choice; binary has no place for it and drops it with a warning.
    ExpectCli({{"convert", strAccurate, dir.File("copy.json")}, 0, "", ""});
    EXPECT_EQ(ReadFile(dir.File("copy.json")), strBeam);
    ExpectCli({{"convert", strAccurate, dir.File("b.svc")}, 0, "", "stochvar: warning: " + strAccurate +
               ": the binary form keeps no choice of numerics: \"numerics\": \"accurate\" is not written\n"});
    ExpectCli({{"show", dir.File("b.svc")}, 0, "numerics: faithful\n", ""});
}

// A document of R with the fields after its name, a normal S, and the correlations; R normal.
std::string Doc(const std::string& strR, const std::string& strCorrelations = "") {
    return R"({"variables": [{"name": "R", )" + strR + R"(}, {"name": "S", "type": "NORMAL",
        "values": {"MEAN": 1, "STDDEV": 2}}], "correlations": [)" + strCorrelations + "]}";
}
std::string Normal(const std::string& strValues) {
    return Doc(R"("type": "NORMAL", "values": {)" + strValues + "}");
}

TEST(RefusedDocument, EachKindOfErrorRefusesTheWholeDocument) {
    const std::string kR = R"("type": "NORMAL", "values": {"MEAN": 3, "STDDEV": 1})";
    // The correlations from the first entry's pair on.
    const auto corr = [&](const std::string& strPairs) { return Doc(kR, R"({"between": [)" + strPairs + "}"); };
    const std::pair<std::string, std::string> cases[] = {
        {Normal(R"("MEAN": 3, "SIGMA": 1)"), "R: unknown parameter keyword \"SIGMA\""},
        {Normal(R"("MEAN": 3, "COV": 0.1)"), "R: COV is not a parameter of input type /MEAN/STDDEV"},
        {Normal(R"("MEAN": 3)"), "R: the value of STDDEV is missing (input type /MEAN/STDDEV)"},
        {Normal(R"("MEAN": 3, "STDDEV": 0)"), "R: StdDev is less than (or equal to) 0"},
        {Normal(R"("MEAN": "3", "STDDEV": 1)"), "R: \"MEAN\" must be a number"},
        {Normal(R"("MEAN": 1e400, "STDDEV": 1)"), "document: not valid JSON: number overflow"},
        {Normal(R"("MEAN": 1, "STDDEV": 1, "MEAN": 2)"), "document: the key \"MEAN\" is given twice"},
        {Doc(R"("type": "NORMAL", "input": "/MEAN/SIGMA")"),
         "R: unknown input type \"/MEAN/SIGMA\" (known: 0 /MEAN/STDDEV, 1 /MEAN/COV)"},
        {Doc(R"("type": "NORMAL", "input": 1.5)"), "R: unknown input type 1.5 (known: 0 /MEAN/STD"},
        {Doc(R"("type": "NORMAL", "input": true)"), "R: \"input\" must be an input type label"},
        {Doc(kR + R"(, "categories": [])"), "R: only a DISCRETE variable has categories"},
        {Doc(R"("type": "DISCRETE", "values": {})"), "R: a DISCRETE variable has categories, no "},
        {Doc(R"("type": "DISCRETE", "categories": [{"name": "a", "frequency": -1}])"), "R: Frequency must be >= 0"},
        {Doc(kR + R"(, "vlaues": {})"), "R: unknown key \"vlaues\""},
        {Doc(kR + R"(, "axis": {"min": 5, "max": 1})"), "R: the axis minimum must be a number below"},
        {Doc(kR + R"(, "axis": {"auto": true, "min": 0, "max": 1})"), "R: an automatic axis takes"},
        {R"({"variables": [{"name": "F", "type": "FIXED", "values": {"MEAN": 1}}, {"name": "", "type": "NORMALL"}]})",
         "variable 2: unknown family \"NORMALL\" (known: FIXED, BETA, EXPONENTIAL, DISCRETE, GUMBEL, LOGNORMAL, "
         "NORMAL, RAYLEIGH, TRIANGULAR, UNIFORM, WEIBULL)"},
        {R"({"variables": [{"name": "F", "type": "FIXED", "values": {"MEAN": 1}},
                           {"name": "F", "type": "FIXED", "values": {"MEAN": 2}}]})", "F: another variable has the same name"},
        {corr(R"("R", "Q"], "value": 0.3, "space": "X")"), "correlation R / Q: unknown variable \"Q\""},
        {corr(R"("R", "R"], "value": 0.3, "space": "U")"), "correlation R / R: a variable cannot be correlated with itself"},
        {corr(R"("R", "S"], "value": 0.3, "space": "U"}, {"between": ["S", "R"], "value": 0.1, "space": "X")"),
         "correlation S / R: the pair is correlated twice"},
        {corr(R"("R", "S"], "value": 1.5, "space": "U")"), "correlation R / S: the correlation 1.5 does not lie between -1 and 1"},
        {corr(R"("R", "S"], "value": 0.3, "space": "U"}, {"between": ["R"])"), "correlation 2: \"between\" must name two variables"},
        {corr(R"("R", "S"], "value": 0.5, "space": "Z")"), "correlation R / S: \"space\" must be \"X\" or \"U\""},
        {R"({"numerics": "Accurate", "variables": []})", "document: \"numerics\" must be \"faith"},
        {R"({"variables": [], "variable": []})", "document: unknown key \"variable\""},
        {R"({"correlations": []})", "document: \"variables\" must be an array of variables"},
        {"{\"variables\": [", "document: not valid JSON: "},
        {"some text\n", "document: not a collection document (neither JSON nor the binary format)"},
    };
    const CTempDir dir;
    for (const auto& [text, strReason] : cases) {
        const std::string strPath = dir.Write("bad.txt", text);
        ExpectCli({{"show", strPath}, 1, "", "stochvar: error: " + strPath + ": " + strReason});
    }
    // A correction is a warning: a given 1 is moved to the library's limit, and kept.
    const std::string strOne = dir.Write("w.json", corr(R"("R", "S"], "value": 1, "space": "X")"));
    ExpectCli({{"show", strOne}, 0, "X-space  0.9999999999\n",
               "stochvar: warning: " + strOne + ": correlation R / S: Correlation specified "
               "between variable R and S is too large to perform the nataf mapping."});
    ExpectCli({{"convert", strOne, dir.File("out")}, 0, "", "Correlation is modified to"});
    ExpectCli({{"show", dir.File("out")}, 0, "X-space  0.9999999999\n", ""});
}

} // namespace
} // namespace stochvar::test
