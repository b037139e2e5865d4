// Parses arbitrary text as a limit-state formula over variables of arbitrary names, as the
// reliability command parses a document's limit state. The input is the variable names, one a
// line, then an empty line, then the formula (the rest of the input, newlines and all); an input
// without an empty line is a formula over no variables.
//
// A refusal names a position inside the formula (or none) and says it in its message. A formula
// that parses uses writable variables, each once, in ascending order; its bulk evaluation over
// points of every kind (more than one chunk of them) gives, bit for bit, what a plain muparser
// parser gives point by point, again when repeated, and whatever the variables it does not use
// hold. Any other outcome is a finding (abort).

#include <stochvar/documents/ExpressionError.h>
#include <stochvar/documents/ExpressionLimitState.h>

#include <muParser.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <set>
#include <string>
#include <string_view>
#include <vector>

using namespace stochvar;

namespace {

// More points than one bulk chunk of the limit state holds, not a multiple of it.
constexpr int kPoints = 1100;

[[noreturn]] void Finding(const std::string& strWhat, const std::string& strExpression) {
    std::fprintf(stderr, "%s\nformula: %s\n", strWhat.c_str(), strExpression.c_str());
    std::abort();
}

int CharacterCount(const std::string& text) {
    return static_cast<int>(std::count_if(text.begin(), text.end(), [](char ch) {
        return (static_cast<unsigned char>(ch) & 0xC0) != 0x80;
    }));
}

void CheckRefusal(const CExpressionError& error, const std::string& strExpression) {
    const std::string strMessage = error.what();
    const int nPosition = error.GetPosition();
    if (nPosition < 0 || nPosition > CharacterCount(strExpression) + 1) {
        Finding("position " + std::to_string(nPosition) + " outside the formula", strExpression);
    }
    const bool bKnownKind =
        strMessage.starts_with("syntax error") || strMessage.starts_with("unknown name");
    const bool bSaysWhere =
        strMessage.find(" at position " + std::to_string(nPosition)) != std::string::npos;
    if (!bKnownKind || bSaysWhere != (nPosition > 0)) {
        Finding("refusal \"" + strMessage + "\" at " + std::to_string(nPosition), strExpression);
    }
}

void CheckUsedVariables(const CExpressionLimitState& g) {
    const std::vector<int>& used = g.GetUsedVariables();
    const std::vector<std::string>& names = g.GetNames();
    std::set<std::string> seen;
    for (std::size_t k = 0; k < used.size(); ++k) {
        const bool bInRange = used[k] >= 0 && static_cast<std::size_t>(used[k]) < names.size();
        if (!bInRange || (k > 0 && used[k] <= used[k - 1]) ||
            !CExpressionLimitState::IsWritableName(names[static_cast<std::size_t>(used[k])]) ||
            !seen.insert(names[static_cast<std::size_t>(used[k])]).second) {
            Finding("used variable " + std::to_string(used[k]) + " is not one to use",
                    g.GetExpression());
        }
    }
}

// Values of every kind: zeros of both signs, small and large, infinite, not a number.
std::vector<double> Points(std::size_t nVars, std::uint64_t seed) {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    const double kValues[] = {0.0,     -0.0,     1.0,    -1.0, 0.5,  2.0,   3.25,
                              -7.5,    1e-300,   1e300,  1e10, kInf, -kInf, kNaN,
                              123.456, 4.9e-324, -1e-10, 0.1,  10.0, 100.0};
    std::vector<double> x(kPoints * nVars);
    for (double& value : x) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        value = kValues[(seed >> 33) % std::size(kValues)];
    }
    return x;
}

std::vector<std::uint64_t> Bits(const std::vector<double>& values) {
    std::vector<std::uint64_t> bits(values.size());
    std::transform(values.begin(), values.end(), bits.begin(),
                   [](double value) { return std::bit_cast<std::uint64_t>(value); });
    return bits;
}

std::vector<std::uint64_t> Bulk(const CExpressionLimitState& g, const std::vector<double>& x) {
    std::vector<double> values(kPoints);
    g.Evaluate(x.data(), kPoints, values.data());
    return Bits(values);
}

// A plain parser over the names, the first of a name given twice, evaluating one point a time.
std::vector<std::uint64_t> OneByOne(const CExpressionLimitState& g, const std::vector<double>& x) {
    const std::vector<std::string>& names = g.GetNames();
    mu::Parser parser;
    std::string nameCharacters;
    for (int ch = 1; ch < 256; ++ch) {
        if ((ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') ||
            ch == '_' || ch >= 0x80) {
            nameCharacters += static_cast<char>(ch);
        }
    }
    parser.DefineNameChars(nameCharacters.c_str());
    std::vector<double> point(names.size());
    std::set<std::string> defined;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (CExpressionLimitState::IsWritableName(names[i]) && defined.insert(names[i]).second) {
            parser.DefineVar(names[i], &point[i]);
        }
    }
    std::vector<double> values(kPoints);
    try {
        parser.SetExpr(g.GetExpression());
        for (std::size_t p = 0; p < values.size(); ++p) {
            std::copy_n(x.begin() + static_cast<std::ptrdiff_t>(p * names.size()), names.size(),
                        point.begin());
            values[p] = parser.Eval();
        }
    } catch (const mu::Parser::exception_type& error) {
        Finding("muparser refuses what the limit state took: " + error.GetMsg(), g.GetExpression());
    }
    return Bits(values);
}

void CheckEvaluation(const CExpressionLimitState& g, std::uint64_t seed) {
    const std::size_t nVars = g.GetNames().size();
    const std::vector<double> x = Points(nVars, seed);
    const std::vector<std::uint64_t> bits = Bulk(g, x);
    if (bits != OneByOne(g, x)) {
        Finding("bulk evaluation differs from one point at a time", g.GetExpression());
    }
    if (bits != Bulk(g, x)) {
        Finding("a second evaluation differs from the first", g.GetExpression());
    }
    std::vector<double> changed = Points(nVars, ~seed);
    for (std::size_t p = 0; p < kPoints; ++p) {
        for (const int i : g.GetUsedVariables()) {
            const std::size_t at = p * nVars + static_cast<std::size_t>(i);
            changed[at] = x[at];
        }
    }
    if (bits != Bulk(g, changed)) {
        Finding("a variable that the formula does not use changes g", g.GetExpression());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> names;
    std::string strExpression(input);
    if (const std::size_t nEnd = input.find("\n\n"); nEnd != std::string_view::npos) {
        std::size_t nStart = 0;
        while (nStart <= nEnd) {
            const std::size_t nLineEnd = input.find('\n', nStart);
            names.emplace_back(input.substr(nStart, nLineEnd - nStart));
            nStart = nLineEnd + 1;
        }
        strExpression = input.substr(nEnd + 2);
    }
    try {
        const CExpressionLimitState g(strExpression, names);
        CheckUsedVariables(g);
        CheckEvaluation(g, size);
    } catch (const CExpressionError& error) {
        CheckRefusal(error, strExpression);
    }
    return 0;
}
