#pragma once

// CExpressionLimitState: a limit state g written as a formula over the variables of a collection,
// referred to by their names ("theta * fy * W / 100 - (G + Q) * L^2 / 8"); failure is g <= 0.
//
// The formula is parsed and evaluated by muparser: numbers, + - * / ^, comparisons (== != < > <=
// >=, giving 1 or 0), && ||, the conditional c ? a : b, the constants _pi and _e, and the
// functions sin cos tan asin acos atan sinh cosh tanh asinh acosh atanh log2 log10 log ln exp
// sqrt sign rint abs min max sum avg. A name is letters, digits and _ (bytes of UTF-8 letters
// count as letters, so theta may be written θ) and does not start with a digit; a variable whose
// name is not of that form, or is the name of a function or constant, cannot be written in a
// formula, and a formula that tries is refused with the rename that makes it writable.
//
// Refused with CExpressionError, each with the position of the problem: a syntax error, an
// unknown name, an assignment ("=": g must not change the variables), and several formulas
// separated by commas.
//
// Evaluation: muparser's bulk mode, many points per call, with the columns of the variables that
// the formula names copied out of the rows in chunks. muparser's parsers are not thread-safe:
// each concurrent call takes a parser of its own from a pool, so the limit state is thread-safe
// and the analyses may spread its points over their threads. A point gives the bits of muparser's
// evaluation of that one point.

#include <stochvar/reliability/LimitState.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace stochvar {

class CDistCollection;

class CExpressionLimitState {
public:
    // g over the variables of the collection, in collection order. Throws CExpressionError.
    CExpressionLimitState(const std::string& strExpression, const CDistCollection& collection);
    // g over variables with these names, in this order. Throws CExpressionError.
    CExpressionLimitState(const std::string& strExpression, std::vector<std::string> names);
    ~CExpressionLimitState();
    CExpressionLimitState(const CExpressionLimitState&) = delete;
    CExpressionLimitState& operator=(const CExpressionLimitState&) = delete;

    const std::string& GetExpression() const { return m_strExpression; }
    const std::vector<std::string>& GetNames() const { return m_names; }
    // The positions of the variables the formula names, ascending.
    const std::vector<int>& GetUsedVariables() const { return m_used; }

    // g at nPoints rows of GetNames().size() values. May run on several threads at once.
    void Evaluate(const double* x, int nPoints, double* g) const;

    // The limit state of the analyses: thread-safe. It refers to this object, which must outlive
    // it.
    SLimitState GetLimitState() const;

    // Whether a formula can refer to a variable of this name.
    static bool IsWritableName(std::string_view name);

private:
    struct SWorker;
    std::unique_ptr<SWorker> MakeWorker() const;
    std::unique_ptr<SWorker> TakeWorker() const;
    void ReturnWorker(std::unique_ptr<SWorker> pWorker) const;

    std::string m_strExpression;
    std::vector<std::string> m_names;
    std::vector<int> m_used;
    mutable std::mutex m_mutex;
    mutable std::vector<std::unique_ptr<SWorker>> m_idle; // parsers no call is using
};

// Whether the formula can be parsed over variables of these names: nothing when it can, else
// the message that CExpressionLimitState would throw. Catches nothing but CExpressionError.
std::optional<std::string> CheckExpression(const std::string& strExpression,
                                           const std::vector<std::string>& names);

} // namespace stochvar
