#pragma once

// Entering a variable's values through the editor's own protocol (CDist::EnterParamValue), for
// every host that builds variables from values given all at once (the document reader, the
// Python module): each value through CheckParamValue into its slot, then CheckCombination and
// CalcBasePar for the set; the categories of a discrete variable one by one through AddCategory.
//
// A refusal leaves as CInputRefused with the library's own message, so that each host can say
// where the value came from in its own way.

#include <stochvar/model/Dist.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace stochvar {

class CDiscrete;

class CInputRefused : public std::runtime_error {
public:
    explicit CInputRefused(const std::string& strMessage) : std::runtime_error(strMessage) {}
};

// Enters the values of input type nParamCombi, in the order of its parameter ids, and makes it
// the variable's input type. Returns the warnings the checks passed with; throws CInputRefused
// on the first refusal, and for a value count that does not fit the input type or a value that
// is not a finite number. Shows nothing.
std::vector<std::string> EnterInputValues(CDist& dist, int nParamCombi,
                                          const std::vector<double>& values);

// Replaces the variable's categories by the given ones, each entered with AddCategory. The
// library refuses a negative or NaN frequency through the message box hook; the caller, who
// captures those messages, takes them after each category (afterEach). An infinite frequency,
// which the library would take, is refused here (CInputRefused).
void EnterCategories(CDiscrete& dist, const std::vector<std::pair<std::string, double>>& categories,
                     const std::function<void()>& afterEach);

// A library message without its trailing blanks and line breaks.
std::string TrimmedMessage(std::string text);

} // namespace stochvar
