#include <stochvar/documents/ExpressionLimitState.h>

#include <stochvar/documents/ExpressionError.h>
#include <stochvar/model/Dist.h>
#include <stochvar/simulation/DistCollection.h>

#include <muParser.h>
#ifdef STOCHVAR_MUPARSER_OPENMP
#include <omp.h>
#endif

#include <algorithm>
#include <cstddef>
#include <set>
#include <stdexcept>
#include <utility>

namespace stochvar {

namespace {

// Points per bulk evaluation: the columns of a chunk stay in the cache.
constexpr int kChunk = 1024;

std::size_t Count(int n) { return static_cast<std::size_t>(n); }

bool IsNameByte(unsigned char ch) {
    return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') ||
           ch == '_' || ch >= 0x80;
}

// muparser's name characters, with every byte of a multi-byte UTF-8 character added.
const std::string& NameCharacters() {
    static const std::string characters = [] {
        std::string text;
        for (int ch = 1; ch < 256; ++ch) {
            if (IsNameByte(static_cast<unsigned char>(ch))) {
                text += static_cast<char>(ch);
            }
        }
        return text;
    }();
    return characters;
}

// The names of the parser's own functions and constants, which no variable can take.
const std::set<std::string>& ReservedNames() {
    static const std::set<std::string> names = [] {
        const mu::Parser parser;
        std::set<std::string> reserved;
        for (const auto& entry : parser.GetFunDef()) {
            reserved.insert(entry.first);
        }
        for (const auto& entry : parser.GetConst()) {
            reserved.insert(entry.first);
        }
        return reserved;
    }();
    return names;
}

// A parser that knows names of UTF-8 letters.
void PrepareParser(mu::Parser& parser) { parser.DefineNameChars(NameCharacters().c_str()); }

// The character (from 1) at byte nOffset of the text, counting a UTF-8 character once.
int CharacterPosition(const std::string& text, std::size_t nOffset) {
    int nPosition = 1;
    for (std::size_t i = 0; i < std::min(nOffset, text.size()); ++i) {
        nPosition += (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80 ? 0 : 1;
    }
    return nPosition;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// The name written with name characters only: others become _, a leading digit gets a _ in
// front, and a reserved name a _ behind.
std::string WritableForm(const std::string& name) {
    std::string form;
    for (const char ch : name) {
        form += IsNameByte(static_cast<unsigned char>(ch)) ? ch : '_';
    }
    if (form.empty() || (form[0] >= '0' && form[0] <= '9')) {
        form.insert(form.begin(), '_');
    }
    return ReservedNames().contains(form) ? form + "_" : form;
}

std::string WhyNotWritable(const std::string& name) {
    if (ReservedNames().contains(name)) {
        return "it is the name of a function or constant of expressions";
    }
    return "a name in an expression is letters, digits and _, and does not start with a digit";
}

// Throws for an "=" that is not part of ==, !=, <= or >=: muparser would assign to the variable.
void RefuseAssignment(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '=') {
            continue;
        }
        const bool bComparison =
            (i + 1 < text.size() && text[i + 1] == '=') ||
            (i > 0 && std::string_view("=!<>").find(text[i - 1]) != std::string_view::npos);
        if (!bComparison) {
            const int nPosition = CharacterPosition(text, i);
            throw CExpressionError("syntax error at position " + std::to_string(nPosition) +
                                       ": \"=\" would assign; compare with ==",
                                   nPosition);
        }
        ++i; // the second character of ==
    }
}

// The first comma outside parentheses: two formulas where g is one.
void RefuseSeveralFormulas(const std::string& text) {
    int nDepth = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        nDepth += text[i] == '(' ? 1 : text[i] == ')' ? -1 : 0;
        if (text[i] == ',' && nDepth == 0) {
            const int nPosition = CharacterPosition(text, i);
            throw CExpressionError("syntax error at position " + std::to_string(nPosition) +
                                       ": \",\" separates two formulas; g is one",
                                   nPosition);
        }
    }
}

bool LooksLikeName(const std::string& token) {
    return !token.empty() && !(token[0] >= '0' && token[0] <= '9') &&
           std::all_of(token.begin(), token.end(),
                       [](char ch) { return IsNameByte(static_cast<unsigned char>(ch)); });
}

std::string List(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "" : ", ") + name;
    }
    return text;
}

// What muparser found, in the words of the documentation.
std::string Reason(const mu::Parser::exception_type& error) {
    const std::string token = Quoted(error.GetToken());
    switch (error.GetCode()) {
    case mu::ecUNEXPECTED_OPERATOR:
        return "unexpected operator " + token;
    case mu::ecUNASSIGNABLE_TOKEN:
        return "unexpected " + token;
    case mu::ecUNEXPECTED_EOF:
        return "the expression ends too early";
    case mu::ecUNEXPECTED_ARG_SEP:
        return "unexpected \",\"";
    case mu::ecUNEXPECTED_PARENS:
        return "unexpected " + token;
    case mu::ecUNEXPECTED_VAL:
        return "unexpected number " + token + " (an operator is missing before it)";
    case mu::ecUNEXPECTED_VAR:
        return "unexpected name " + token + " (an operator is missing before it)";
    case mu::ecUNEXPECTED_FUN:
        return "unexpected function " + token + " (an operator is missing before it)";
    case mu::ecMISSING_PARENS:
        return "a \")\" is missing";
    case mu::ecTOO_MANY_PARAMS:
        return "too many arguments for " + token;
    case mu::ecTOO_FEW_PARAMS:
        return "too few arguments for " + token;
    case mu::ecEMPTY_EXPRESSION:
        return "the expression is empty";
    case mu::ecMISSING_ELSE_CLAUSE:
        return "the conditional c ? a : b has no \":\"";
    case mu::ecMISPLACED_COLON:
        return "\":\" without \"?\" before it";
    default:
        return error.GetMsg();
    }
}

// The message of muparser's error, with the position counted in characters from 1.
[[noreturn]] void Refuse(const mu::Parser::exception_type& error, const std::string& text,
                         const std::vector<std::string>& names) {
    const int nPosition =
        error.GetPos() < 0 ? 0 : CharacterPosition(text, static_cast<std::size_t>(error.GetPos()));
    const std::string strWhere = nPosition > 0 ? " at position " + std::to_string(nPosition) : "";
    const std::string& token = error.GetToken();
    if (error.GetCode() != mu::ecUNASSIGNABLE_TOKEN || !LooksLikeName(token)) {
        throw CExpressionError("syntax error" + strWhere + ": " + Reason(error), nPosition);
    }
    for (const std::string& name : names) {
        if (!CExpressionLimitState::IsWritableName(name) && name.find(token) != std::string::npos) {
            throw CExpressionError("unknown name " + Quoted(token) + strWhere + ": the variable " +
                                       Quoted(name) + " cannot be written in an expression (" +
                                       WhyNotWritable(name) + "); rename it, such as " +
                                       WritableForm(name),
                                   nPosition);
        }
    }
    std::vector<std::string> writable;
    std::copy_if(names.begin(), names.end(), std::back_inserter(writable),
                 CExpressionLimitState::IsWritableName);
    throw CExpressionError("unknown name " + Quoted(token) + strWhere + " (the variables are " +
                               List(writable) + ")",
                           nPosition);
}

// Serial OpenMP for the scope: muparser's bulk mode spreads its points over an OpenMP team when
// it was built with OpenMP (Debian's is), which would multiply the analyses' own threads.
class COpenMpSerial {
public:
#ifdef STOCHVAR_MUPARSER_OPENMP
    COpenMpSerial() : m_nThreads(omp_get_max_threads()) { omp_set_num_threads(1); }
    ~COpenMpSerial() { omp_set_num_threads(m_nThreads); }

private:
    int m_nThreads;
#endif
};

} // namespace

// A parser over the variables the formula names, each reading a column of kChunk values.
struct CExpressionLimitState::SWorker {
    mu::Parser parser;
    std::vector<double> columns;
};

CExpressionLimitState::CExpressionLimitState(const std::string& strExpression,
                                             const CDistCollection& collection)
    : CExpressionLimitState(strExpression, [&] {
          std::vector<std::string> names;
          for (int i = 0; i < collection.GetCount(); ++i) {
              const CDist* pDist = collection.GetDist(i);
              names.push_back(pDist == nullptr ? std::string() : pDist->GetVarName().str());
          }
          return names;
      }()) {}

CExpressionLimitState::CExpressionLimitState(const std::string& strExpression,
                                             std::vector<std::string> names)
    : m_strExpression(strExpression), m_names(std::move(names)) {
    RefuseAssignment(m_strExpression);
    RefuseSeveralFormulas(m_strExpression);
    mu::Parser parser;
    PrepareParser(parser);
    std::vector<double> values(m_names.size(), 1.0);
    std::set<std::string> defined;
    try {
        for (std::size_t i = 0; i < m_names.size(); ++i) {
            // A name given twice means the first variable of that name, as correlations do.
            if (IsWritableName(m_names[i]) && defined.insert(m_names[i]).second) {
                parser.DefineVar(m_names[i], &values[i]);
            }
        }
        parser.SetExpr(m_strExpression);
        parser.Eval(); // parses, and finds the names that are not variables
    } catch (const mu::Parser::exception_type& error) {
        Refuse(error, m_strExpression, m_names);
    }
    const mu::varmap_type& used = parser.GetUsedVar();
    for (std::size_t i = 0; i < m_names.size(); ++i) {
        const auto it = used.find(m_names[i]);
        if (it != used.end() && it->second == &values[i]) {
            m_used.push_back(static_cast<int>(i));
        }
    }
    m_idle.push_back(MakeWorker());
}

CExpressionLimitState::~CExpressionLimitState() = default;

bool CExpressionLimitState::IsWritableName(std::string_view name) {
    // muparser refuses longer identifiers.
    constexpr std::size_t kLongestName = 255;
    return LooksLikeName(std::string(name)) && name.size() <= kLongestName &&
           !ReservedNames().contains(std::string(name));
}

std::unique_ptr<CExpressionLimitState::SWorker> CExpressionLimitState::MakeWorker() const {
    auto pWorker = std::make_unique<SWorker>();
    PrepareParser(pWorker->parser);
    pWorker->columns.resize(m_used.size() * Count(kChunk));
    for (std::size_t k = 0; k < m_used.size(); ++k) {
        pWorker->parser.DefineVar(m_names[Count(m_used[k])], &pWorker->columns[k * Count(kChunk)]);
    }
    pWorker->parser.SetExpr(m_strExpression);
    return pWorker;
}

std::unique_ptr<CExpressionLimitState::SWorker> CExpressionLimitState::TakeWorker() const {
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_idle.empty()) {
        return MakeWorker();
    }
    std::unique_ptr<SWorker> pWorker = std::move(m_idle.back());
    m_idle.pop_back();
    return pWorker;
}

void CExpressionLimitState::ReturnWorker(std::unique_ptr<SWorker> pWorker) const {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_idle.push_back(std::move(pWorker));
}

void CExpressionLimitState::Evaluate(const double* x, int nPoints, double* g) const {
    const std::size_t n = m_names.size();
    std::unique_ptr<SWorker> pWorker = TakeWorker();
    const COpenMpSerial serial;
    for (int nFirst = 0; nFirst < nPoints; nFirst += kChunk) {
        const int nCount = std::min(kChunk, nPoints - nFirst);
        for (std::size_t k = 0; k < m_used.size(); ++k) {
            double* column = &pWorker->columns[k * Count(kChunk)];
            const double* value = x + Count(nFirst) * n + Count(m_used[k]);
            for (int p = 0; p < nCount; ++p, value += n) {
                column[p] = *value;
            }
        }
        // Parsed when first evaluated; the formula was checked by the constructor.
        pWorker->parser.Eval(g + nFirst, nCount);
    }
    ReturnWorker(std::move(pWorker));
}

SLimitState CExpressionLimitState::GetLimitState() const {
    SLimitState limitState;
    limitState.bThreadSafe = true;
    limitState.function = [this](const double* x, int nPoints, int nVars, double* g) {
        if (Count(nVars) != m_names.size()) {
            throw std::invalid_argument("the expression's points have " +
                                        std::to_string(m_names.size()) + " values, not " +
                                        std::to_string(nVars));
        }
        Evaluate(x, nPoints, g);
    };
    return limitState;
}

std::optional<std::string> CheckExpression(const std::string& strExpression,
                                           const std::vector<std::string>& names) {
    try {
        const CExpressionLimitState limitState(strExpression, names);
    } catch (const CExpressionError& error) {
        return error.what();
    }
    return std::nullopt;
}

} // namespace stochvar
