// stochvar convert: JSON and binary documents carry the same collection, so converting there and
// back reproduces a document exactly, and sampling either gives the same numbers.

#include "CliRunner.h"

#include <stochvar/documents/BinaryDocument.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

namespace stochvar::test {
namespace {

using ::testing::HasSubstr;

// A canonical document (the writer's layout) that uses every optional part: description,
// axis settings, the may-change flag, a discrete variable, correlations in both spaces, one
// of them naming its variables against document order.
const char* const kEverything = R"({
  "description": "every optional part\nof a document",
  "variables": [
    {
      "name": "R",
      "type": "LOGNORMAL",
      "input": "/EPSILON/KSI/LOWER_BOUND",
      "values": {"EPSILON": 0.2, "KSI": 1.1, "LOWER_BOUND": 0.5},
      "axis": {"auto": false, "min": -1.5, "max": 12.25},
      "canChange": false
    },
    {
      "name": "S",
      "type": "EXPONENTIAL",
      "input": "/MEAN/COV",
      "values": {"MEAN": 3, "COV": 0.7}
    },
    {
      "name": "Load class",
      "type": "DISCRETE",
      "categories": [
        {"name": "light", "frequency": 1},
        {"name": "heavy", "frequency": 3},
        {"name": "none", "frequency": 0}
      ],
      "canChange": false
    },
    {
      "name": "T",
      "type": "RAYLEIGH",
      "input": "/THETA/LOWER_BOUND",
      "values": {"THETA": 0.30000000000000004, "LOWER_BOUND": -2}
    },
    {
      "name": "empty",
      "type": "DISCRETE",
      "categories": []
    }
  ],
  "correlations": [
    {"between": ["S", "R"], "value": 0.3, "space": "X"},
    {"between": ["R", "T"], "value": -0.2, "space": "U"},
    {"between": ["Load class", "S"], "value": 0.1, "space": "U"}
  ]
}
)";

std::vector<std::string> ExampleFiles() {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(STOCHVAR_EXAMPLES_DIR)) {
        if (entry.path().extension() == ".json") {
            files.push_back(entry.path().string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

TEST(ConvertCommand, ExamplesAreCanonicalAndLoadWithoutWarnings) {
    const std::vector<std::string> examples = ExampleFiles();
    ASSERT_GE(examples.size(), 3u);
    const CTempDir dir;
    for (const std::string& strExample : examples) {
        SCOPED_TRACE(strExample);
        const SRunResult result = RunCli({"convert", strExample, dir.File("copy.json")});
        EXPECT_EQ(result.nExitCode, 0);
        EXPECT_EQ(result.strErr, "");
        EXPECT_EQ(ReadFile(dir.File("copy.json")), ReadFile(strExample));
    }
}

TEST(ConvertCommand, JsonToBinaryToJsonIsIdentical) {
    const CTempDir dir;
    std::vector<std::string> documents = ExampleFiles();
    documents.push_back(dir.Write("everything.json", kEverything));
    for (const std::string& strJson : documents) {
        SCOPED_TRACE(strJson);
        const std::string strBinary = dir.File("doc.svc");
        const std::string strBack = dir.File("back.json");
        ASSERT_EQ(RunCli({"convert", strJson, strBinary}).nExitCode, 0);
        EXPECT_TRUE(ReadFile(strBinary).starts_with(kBinarySignature));
        const SRunResult back = RunCli({"convert", strBinary, strBack});
        ASSERT_EQ(back.nExitCode, 0) << back.strErr;
        EXPECT_EQ(back.strErr, "");
        EXPECT_EQ(ReadFile(strBack), ReadFile(strJson));

        // And the binary form is stable too: binary -> JSON -> binary gives the same bytes.
        const std::string strBinaryAgain = dir.File("again.svc");
        ASSERT_EQ(RunCli({"convert", strBack, strBinaryAgain}).nExitCode, 0);
        EXPECT_EQ(ReadFile(strBinaryAgain), ReadFile(strBinary));
    }
}

TEST(ConvertCommand, FormatFollowsTheOutputNameUnlessToSaysOtherwise) {
    const CTempDir dir;
    const std::string strJson = dir.Write("e.json", kEverything);
    struct SCase {
        const char* pszOut;
        std::vector<std::string> extra;
        bool bBinary;
    };
    const SCase cases[] = {
        {"a.svc", {}, true},
        {"a.JSON", {}, false},
        {"noextension", {}, true},
        {"b.json", {"--to", "binary"}, true},
        {"b.svc", {"--to", "json"}, false},
    };
    for (const SCase& formatCase : cases) {
        SCOPED_TRACE(formatCase.pszOut);
        std::vector<std::string> args{"convert", strJson, dir.File(formatCase.pszOut)};
        args.insert(args.end(), formatCase.extra.begin(), formatCase.extra.end());
        ASSERT_EQ(RunCli(args).nExitCode, 0);
        const std::string bytes = ReadFile(dir.File(formatCase.pszOut));
        EXPECT_EQ(bytes.starts_with(kBinarySignature), formatCase.bBinary);
        // Reading recognises the format by content, whatever the name says.
        const SRunResult shown = RunCli({"show", dir.File(formatCase.pszOut)});
        EXPECT_EQ(shown.nExitCode, 0) << shown.strErr;
        EXPECT_THAT(shown.strOut, HasSubstr("5 variables, 3 correlations"));
    }
}

TEST(ConvertCommand, SamplingTheBinaryFormGivesTheSameNumbers) {
    const CTempDir dir;
    // A discrete variable without categories is kept by both forms but cannot be sampled.
    ASSERT_EQ(RunCli({"convert", dir.Write("e0.json", kEverything), dir.File("e0.svc")}).nExitCode,
              0);
    const SRunResult refused = RunCli({"sample", dir.File("e0.svc"), "-n", "5"});
    EXPECT_EQ(refused.nExitCode, 1);
    EXPECT_THAT(refused.strErr, HasSubstr("e0.svc: empty: cannot be sampled: it has no categories"));

    std::string strSampleable = kEverything;
    const std::string strNoCategories = R"("categories": [])";
    strSampleable.replace(strSampleable.find(strNoCategories), strNoCategories.size(),
                          R"("categories": [{"name": "only", "frequency": 1}])");
    const std::string strJson = dir.Write("e.json", strSampleable);
    ASSERT_EQ(RunCli({"convert", strJson, dir.File("e.svc")}).nExitCode, 0);
    for (const char* pszMethod : {"", "--lhs"}) {
        std::vector<std::string> fromJson{"sample", strJson, "-n", "500", "--seed", "9,8,7",
                                          "--out", dir.File("j.csv")};
        std::vector<std::string> fromBinary{"sample", dir.File("e.svc"), "-n", "500", "--seed",
                                            "9,8,7", "--out", dir.File("b.csv")};
        if (*pszMethod != '\0') {
            fromJson.push_back(pszMethod);
            fromBinary.push_back(pszMethod);
        }
        ASSERT_EQ(RunCli(fromJson).nExitCode, 0);
        ASSERT_EQ(RunCli(fromBinary).nExitCode, 0);
        EXPECT_EQ(ReadFile(dir.File("b.csv")), ReadFile(dir.File("j.csv")));
    }
}

TEST(ConvertCommand, TruncatedAndExtendedBinaryDocumentsAreRefused) {
    const CTempDir dir;
    ASSERT_EQ(RunCli({"convert", dir.Write("e.json", kEverything), dir.File("e.svc")}).nExitCode,
              0);
    const std::string bytes = ReadFile(dir.File("e.svc"));

    const std::string strTruncated = dir.Write("cut.svc", bytes.substr(0, bytes.size() / 2));
    const SRunResult cut = RunCli({"convert", strTruncated, dir.File("out.json")});
    EXPECT_EQ(cut.nExitCode, 1);
    EXPECT_THAT(cut.strErr, HasSubstr("stochvar: error: " + strTruncated + ": "));
    EXPECT_THAT(cut.strErr, HasSubstr("the binary document is truncated or damaged"));
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.json")));

    const std::string strLonger = dir.Write("long.svc", bytes + "x");
    const SRunResult longer = RunCli({"show", strLonger});
    EXPECT_EQ(longer.nExitCode, 1);
    EXPECT_THAT(longer.strErr,
                HasSubstr(strLonger + ": document: unexpected data after the end of the document"));
}

TEST(ConvertCommand, AFailedConversionLeavesAnExistingOutputAlone) {
    const CTempDir dir;
    const std::string strOut = dir.Write("keep.json", "precious");
    const std::string strBad = dir.Write("bad.json", R"({"variables": [{"name": "x"}]})");
    const SRunResult result = RunCli({"convert", strBad, strOut});
    EXPECT_EQ(result.nExitCode, 1);
    EXPECT_THAT(result.strErr, HasSubstr("bad.json: x: \"type\" is missing"));
    EXPECT_EQ(ReadFile(strOut), "precious");
}

} // namespace
} // namespace stochvar::test
