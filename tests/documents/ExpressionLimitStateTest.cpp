// Limit-state expressions: what a formula may name and the refusals with their positions; bulk
// evaluation against muparser's own one-point evaluation, bit for bit, on one thread and many;
// the document key "limitState" through the JSON reader and writer; and the part of a collection
// that a formula names, whose FORM index matches the closed form of the whole collection.

#include <stochvar/documents/BinaryDocument.h>
#include <stochvar/documents/DocumentError.h>
#include <stochvar/documents/ExpressionError.h>
#include <stochvar/documents/ExpressionLimitState.h>
#include <stochvar/documents/JsonDocument.h>
#include <stochvar/documents/SubCollection.h>

#include <stochvar/numerics/ExOr.h>
#include <stochvar/reliability/Form.h>
#include <stochvar/reliability/USpaceTransform.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <muParser.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <thread>

namespace stochvar::test {
namespace {

const std::vector<std::string> kBeam{"fy", "W", "G", "Q", "L", "theta", "use"};

TEST(ExpressionLimitState, RefusalsSayWhatAndWhere) {
    // Positions count characters from 1, a UTF-8 character once.
    struct SRow {
        std::string strExpression;
        std::vector<std::string> names;
        std::string strMessage;
        int nPosition;
    };
    const std::vector<std::string> kRS{"R", "S"};
    const SRow rows[] = {
        {"R - Qk", kRS, "unknown name \"Qk\" at position 5 (the variables are R, S)", 5},
        {"θ - Qk", {"θ", "Q"}, "unknown name \"Qk\" at position 5 (the variables are θ, Q)", 5},
        {"R - * S", kRS, "syntax error at position 5: unexpected operator \"*\"", 5},
        {"R -", kRS, "syntax error at position 4: the expression ends too early", 4},
        {"(R - S", kRS, "syntax error at position 7: a \")\" is missing", 7},
        {"R - S)", kRS, "syntax error at position 6: unexpected \")\"", 6},
        {"R S", kRS,
         "syntax error at position 3: unexpected name \"S\" (an operator is missing "
         "before it)",
         3},
        {"sin(R, S)", kRS, "syntax error at position 9: too many arguments for \"sin\"", 9},
        {"R ? S", kRS, "syntax error: the conditional c ? a : b has no \":\"", 0},
        {"   ", kRS, "syntax error: the expression is empty", 0},
        {"R = 3", kRS, "syntax error at position 3: \"=\" would assign; compare with ==", 3},
        {"R += 3", kRS, "syntax error at position 4: \"=\" would assign; compare with ==", 4},
        {"R - S, R", kRS, "syntax error at position 6: \",\" separates two formulas; g is one", 6},
        // Names that a formula cannot write, and what to write instead.
        {"Load class * 2",
         {"Load class", "S"},
         "unknown name \"Load\" at position 1: the variable \"Load class\" cannot be written in an "
         "expression (a name in an expression is letters, digits and _, and does not start with "
         "a digit); rename it, such as Load_class",
         1},
        {"2x - S",
         {"2x", "S"},
         "unknown name \"x\" at position 2: the variable \"2x\" cannot be written in an "
         "expression (a name in an expression is letters, digits and _, and does not start with "
         "a digit); rename it, such as _2x",
         2},
        {"sin - R",
         {"sin", "R"},
         "unknown name \"sin\" at position 1: the variable \"sin\" cannot be written in an "
         "expression (it is the name of a function or constant of expressions); rename it, such "
         "as sin_",
         1},
    };
    for (const SRow& row : rows) {
        SCOPED_TRACE(row.strExpression);
        try {
            const CExpressionLimitState g(row.strExpression, row.names);
            ADD_FAILURE() << "accepted";
        } catch (const CExpressionError& error) {
            EXPECT_EQ(std::string(error.what()), row.strMessage);
            EXPECT_EQ(error.GetPosition(), row.nPosition);
        }
        EXPECT_EQ(CheckExpression(row.strExpression, row.names), row.strMessage);
    }
}

TEST(ExpressionLimitState, NamesAreWrittenAsTheyAreAndOnlyTheNamedOnesAreUsed) {
    const struct {
        std::string strExpression;
        std::vector<int> used;
        double dAtOnes; // every variable 1; use 1 too
    } rows[] = {
        {"theta * fy * W / 100 - (G + Q) * L^2 / 8", {0, 1, 2, 3, 4, 5}, 0.01 - 0.25},
        {"use == 2 ? Q : G", {2, 3, 6}, 1.0},
        {"max(fy, W, 3) + _pi - _pi", {0, 1}, 3.0},
        {"1.5e2", {}, 150.0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.strExpression);
        const CExpressionLimitState g(row.strExpression, kBeam);
        EXPECT_EQ(g.GetUsedVariables(), row.used);
        const std::vector<double> ones(kBeam.size(), 1.0);
        double dValue = 0.0;
        g.Evaluate(ones.data(), 1, &dValue);
        EXPECT_DOUBLE_EQ(dValue, row.dAtOnes);
    }
    for (const auto& [pszName, bWritable] : {std::pair{"x_1", true},
                                             {"θ", true},
                                             {"_", true},
                                             {"1x", false},
                                             {"a b", false},
                                             {"sin", false},
                                             {"_pi", false},
                                             {"", false},
                                             {"R-S", false}}) {
        EXPECT_EQ(CExpressionLimitState::IsWritableName(pszName), bWritable) << pszName;
    }
    // Names that cannot be written stand in the way only of a formula that tries.
    EXPECT_EQ(CheckExpression("R - S", {"R", "S", "Load class", "sin"}), std::nullopt);
}

// Points with values of every sign and size, some exactly 0 or 1.
std::vector<double> Points(int nPoints, int nVars, std::uint32_t seed) {
    CExOr generator(seed, 2u * seed + 1u, 3u);
    std::vector<double> x(static_cast<std::size_t>(nPoints) * static_cast<std::size_t>(nVars));
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double u = generator.GetRandom();
        x[i] = i % 17 == 0 ? std::floor(2 * u) : (u - 0.3) * std::pow(10.0, 6 * u - 2);
    }
    return x;
}

std::uint64_t Bits(double value) { return std::bit_cast<std::uint64_t>(value); }

TEST(ExpressionLimitState, BulkEvaluationGivesTheBitsOfOnePointAtATime) {
    // muparser's one-point evaluation is the reference; more points than one bulk chunk holds,
    // and a count that is not a multiple of it. Also from four threads at once.
    const char* const expressions[] = {
        "theta * fy * W / 100 - (G + Q) * L^2 / 8",
        "sin(fy) * exp(-W / 1000) + sqrt(abs(G * Q)) - max(L, theta, use)",
        "fy > W ? ln(abs(G) + 1) : -log10(abs(Q) + 2) ^ 3",
        "(fy - W) / (G - G)", // division by zero: +-inf and nan, bit for bit as well
        "2.5",
    };
    const int nPoints = 2500;
    const std::vector<double> x = Points(nPoints, 7, 11u);
    for (const char* pszExpression : expressions) {
        SCOPED_TRACE(pszExpression);
        mu::Parser reference;
        std::vector<double> point(kBeam.size());
        for (std::size_t i = 0; i < kBeam.size(); ++i) {
            reference.DefineVar(kBeam[i], &point[i]);
        }
        reference.SetExpr(pszExpression);
        std::vector<std::uint64_t> expected(nPoints);
        for (int p = 0; p < nPoints; ++p) {
            std::copy_n(x.begin() + p * 7, 7, point.begin());
            expected[static_cast<std::size_t>(p)] = Bits(reference.Eval());
        }
        const CExpressionLimitState g(pszExpression, kBeam);
        const auto evaluate = [&] {
            std::vector<double> values(nPoints);
            g.GetLimitState().function(x.data(), nPoints, 7, values.data());
            std::vector<std::uint64_t> bits(nPoints);
            std::transform(values.begin(), values.end(), bits.begin(), Bits);
            return bits;
        };
        EXPECT_EQ(evaluate(), expected);
        std::vector<std::vector<std::uint64_t>> results(4);
        std::vector<std::thread> threads;
        for (auto& result : results) {
            threads.emplace_back([&] { result = evaluate(); });
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
        for (const auto& result : results) {
            EXPECT_EQ(result, expected);
        }
    }
}

TEST(ExpressionLimitState, TheDocumentKeyIsReadAndWrittenAsText) {
    const std::string text = R"({
  "description": "R against S",
  "limitState": "R - S * \"no check here\"",
  "variables": [
    {
      "name": "R",
      "type": "NORMAL",
      "input": "/MEAN/STDDEV",
      "values": {"MEAN": 5, "STDDEV": 1}
    }
  ],
  "correlations": []
}
)";
    // Kept as written, even when it does not parse: a renamed variable must not stop the document
    // from opening.
    const auto pDoc = ReadJsonDocument(text, "d.json");
    EXPECT_EQ(pDoc->m_strLimitState, "R - S * \"no check here\"");
    EXPECT_EQ(WriteJsonDocument(*pDoc), text);
    // The binary form: version 2 with the limit state after the description, version 1 without.
    std::string bytes = WriteBinaryDocument(*pDoc);
    EXPECT_EQ(bytes.substr(8, 2), std::string("\x02\x00", 2));
    EXPECT_EQ(bytes.substr(22, 24), std::string("\x17R - S * \"no check here\"", 24));
    EXPECT_EQ(WriteJsonDocument(*ReadBinaryDocument(bytes, "d.svc")), text);
    pDoc->m_strLimitState.clear();
    EXPECT_EQ(WriteBinaryDocument(*pDoc).substr(8, 2), std::string("\x01\x00", 2));
    bytes.replace(22, 24, std::string(1, '\0'));
    EXPECT_THAT([&] { ReadBinaryDocument(bytes, "d.svc"); },
                ::testing::ThrowsMessage<CDocumentError>(::testing::StrEq(
                    "d.svc: document: the limit state is empty or not UTF-8 text")));
}

TEST(SubCollection, ThePartThatGNamesHasTheJointDistributionOfTheWhole) {
    // Normals, so that X-space and U-space correlations agree: A ~ N(5, 1), B ~ N(1, 2),
    // corr(A, B) = 0.5; C, correlated with both, is not in g = A - B, nor the discrete D. Exact:
    // beta = 4 / sqrt(1 + 4 - 2 * 0.5 * 2) = 4 / sqrt(3).
    const auto pDoc = ReadJsonDocument(R"({"variables": [
        {"name": "C", "type": "NORMAL", "values": {"MEAN": 0, "STDDEV": 3}},
        {"name": "A", "type": "NORMAL", "values": {"MEAN": 5, "STDDEV": 1}},
        {"name": "D", "type": "DISCRETE", "categories": [{"name": "a", "frequency": 1}]},
        {"name": "B", "type": "NORMAL", "values": {"MEAN": 1, "STDDEV": 2}}],
      "correlations": [{"between": ["C", "A"], "value": 0.4, "space": "X"},
                       {"between": ["B", "A"], "value": 0.5, "space": "U"},
                       {"between": ["B", "C"], "value": -0.3, "space": "X"}]})",
                                       "sub.json");
    const CExpressionLimitState whole("B * -1 + A", pDoc->GetCollection());
    ASSERT_EQ(whole.GetUsedVariables(), (std::vector<int>{1, 3}));
    // In the order given, B before A: the entry is carried over with its values.
    const CSubCollection part(pDoc->GetCollection(), {3, 1});
    const CDistCollection& collection = part.Get();
    ASSERT_EQ(collection.GetCount(), 2);
    EXPECT_EQ(collection.GetDist(0)->GetVarName().str(), "B");
    ASSERT_EQ(collection.m_Corrs.GetSize(), 1);
    EXPECT_EQ(collection.m_Corrs[0]->nIndex1, 0);
    EXPECT_EQ(collection.m_Corrs[0]->nIndex2, 1);
    EXPECT_EQ(collection.m_Corrs[0]->dCorrU, 0.5);
    const CExpressionLimitState g(whole.GetExpression(), collection);
    const SLimitState limitState = g.GetLimitState();
    const CUSpaceTransform transform(collection);
    const CForm::SResult result = CForm(transform, limitState).Run();
    EXPECT_TRUE(result.bConverged);
    EXPECT_NEAR(result.dBeta, 4.0 / std::sqrt(3.0), 1e-7); // without the correlation: 4 / sqrt(5)
    // The whole collection has the discrete D, which FORM refuses.
    EXPECT_THROW(CForm(CUSpaceTransform(pDoc->GetCollection()), whole.GetLimitState()).Run(),
                 std::runtime_error);
}

} // namespace
} // namespace stochvar::test
