#include "Arguments.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <random>
#include <utility>
#include <vector>

namespace stochvar::cli {

namespace {

const SOptionDefinition* FindLong(std::span<const SOptionDefinition> options,
                                  std::string_view name) {
    const auto it =
        std::find_if(options.begin(), options.end(),
                     [name](const SOptionDefinition& option) { return option.name == name; });
    return it == options.end() ? nullptr : &*it;
}

const SOptionDefinition* FindShort(std::span<const SOptionDefinition> options, char shortName) {
    const auto it =
        std::find_if(options.begin(), options.end(), [shortName](const SOptionDefinition& option) {
            return option.shortName != 0 && option.shortName == shortName;
        });
    return it == options.end() ? nullptr : &*it;
}

bool IsDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char ch) { return ch >= '0' && ch <= '9'; });
}

// Digits only: no sign, no blanks, no leading "+", as from_chars reads them.
template <class T>
bool ParseDigits(std::string_view text, T& value) {
    if (!IsDigits(text)) {
        return false;
    }
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

// The whole number that "digits[.digits][e[+|-]digits]" stands for, worked out on the digits
// themselves so that no rounding can make 1.0000000000000001e3 whole. False when the text has
// another form, when its value is not whole, or when it exceeds what a long long holds.
bool ParseWholeNumber(std::string_view text, long long& nValue) {
    const std::size_t nExponentAt = text.find_first_of("eE");
    const std::string_view mantissa = text.substr(0, nExponentAt);
    long long nExponent = 0;
    if (nExponentAt != std::string_view::npos) {
        std::string_view exponent = text.substr(nExponentAt + 1);
        const bool bNegative = exponent.starts_with('-');
        if (bNegative || exponent.starts_with('+')) {
            exponent.remove_prefix(1);
        }
        if (!IsDigits(exponent) || exponent.size() > 4) {
            return false;
        }
        std::from_chars(exponent.data(), exponent.data() + exponent.size(), nExponent);
        nExponent = bNegative ? -nExponent : nExponent;
    }
    const std::size_t nPoint = mantissa.find('.');
    const std::string_view whole = mantissa.substr(0, nPoint);
    const std::string_view fraction =
        nPoint == std::string_view::npos ? std::string_view() : mantissa.substr(nPoint + 1);
    if (!IsDigits(whole) || (nPoint != std::string_view::npos && !IsDigits(fraction))) {
        return false;
    }
    std::string digits = std::string(whole) + std::string(fraction);
    const long long nShift = nExponent - static_cast<long long>(fraction.size());
    if (nShift < 0) {
        const auto nDropped = static_cast<std::size_t>(-nShift);
        if (nDropped > digits.size() ||
            digits.find_first_not_of('0', digits.size() - nDropped) != std::string::npos) {
            return false; // not whole (or zero, which no count accepts anyway)
        }
        digits.resize(digits.size() - nDropped);
    } else {
        digits.append(static_cast<std::size_t>(std::min(nShift, 20LL)), '0');
    }
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
    if (digits.empty()) {
        nValue = 0;
        return true;
    }
    return digits.size() <= 18 && ParseDigits(digits, nValue);
}

// " (such as 1000 or 1e6)": the examples of the two notations that lie in the range, "" when
// neither does (the range then says enough).
std::string CountExamples(int nMinimum, int nMaximum) {
    std::vector<std::string> examples;
    for (const auto& [nValue, pszText] : {std::pair{1000, "1000"}, {1000000, "1e6"}}) {
        if (nMinimum <= nValue && nValue <= nMaximum) {
            examples.emplace_back(pszText);
        }
    }
    if (examples.empty()) {
        return {};
    }
    return " (such as " + examples.front() + (examples.size() > 1 ? " or " + examples[1] : "") +
           ")";
}

} // namespace

const std::string* CParsedArguments::Value(std::string_view name) const {
    const auto it = m_options.find(name);
    return it == m_options.end() ? nullptr : &it->second.strValue;
}

std::string CParsedArguments::Spelling(std::string_view name) const {
    const auto it = m_options.find(name);
    return it == m_options.end() ? "--" + std::string(name) : it->second.strSpelling;
}

std::vector<std::string> CParsedArguments::Values(std::string_view name) const {
    const auto it = m_options.find(name);
    if (it == m_options.end()) {
        return {};
    }
    std::vector<std::string> values{it->second.strValue};
    values.insert(values.end(), it->second.repeated.begin(), it->second.repeated.end());
    return values;
}

void CParsedArguments::AddOption(std::string_view name, std::string strSpelling,
                                 std::string strValue, bool bRepeatable) {
    const auto it = m_options.find(name);
    if (it != m_options.end() && bRepeatable) {
        it->second.repeated.push_back(std::move(strValue));
        return;
    }
    if (it != m_options.end()) {
        throw CUsageError("option " + strSpelling + " given twice");
    }
    m_options.emplace(std::string(name), SGiven{std::move(strSpelling), std::move(strValue), {}});
}

CParsedArguments ParseArguments(std::span<const std::string> args,
                                std::span<const SOptionDefinition> options) {
    CParsedArguments parsed;
    bool bOptionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (bOptionsEnded || arg.size() < 2 || arg[0] != '-') {
            parsed.AddPositional(std::string(arg)); // "-" alone is a file name (standard streams)
            continue;
        }
        if (arg == "--") {
            bOptionsEnded = true;
            continue;
        }
        const SOptionDefinition* pOption = nullptr;
        std::string strSpelling;
        std::string_view attached;
        bool bHasAttached = false;
        if (arg.starts_with("--")) {
            std::string_view name = arg.substr(2);
            const std::size_t nEquals = name.find('=');
            if (nEquals != std::string_view::npos) {
                attached = name.substr(nEquals + 1);
                bHasAttached = true;
                name = name.substr(0, nEquals);
            }
            strSpelling = "--" + std::string(name);
            pOption = FindLong(options, name);
            if (pOption == nullptr) {
                throw CUsageError("unknown option " + strSpelling);
            }
        } else {
            strSpelling = std::string(arg.substr(0, 2));
            pOption = FindShort(options, arg[1]);
            if (pOption == nullptr) {
                throw CUsageError("unknown option " + strSpelling);
            }
            if (arg.size() > 2) {
                if (!pOption->bTakesValue) {
                    throw CUsageError("option " + strSpelling + " takes no value");
                }
                attached = arg.substr(2);
                bHasAttached = true;
            }
        }
        if (!pOption->bTakesValue) {
            if (bHasAttached) {
                throw CUsageError("option " + strSpelling + " takes no value");
            }
            parsed.AddOption(pOption->name, strSpelling, "");
        } else if (bHasAttached) {
            parsed.AddOption(pOption->name, strSpelling, std::string(attached),
                             pOption->bRepeatable);
        } else if (i + 1 < args.size()) {
            parsed.AddOption(pOption->name, strSpelling, args[++i], pOption->bRepeatable);
        } else {
            throw CUsageError("option " + strSpelling + " needs a value");
        }
    }
    return parsed;
}

int ParseCount(const std::string& strText, std::string_view spelling, int nMinimum, int nMaximum) {
    long long nValue = 0;
    if (!ParseWholeNumber(strText, nValue) || nValue < nMinimum || nValue > nMaximum) {
        throw CUsageError(std::string(spelling) + " needs a whole number from " +
                          std::to_string(nMinimum) + " to " + std::to_string(nMaximum) +
                          CountExamples(nMinimum, nMaximum) + ", not \"" + strText + "\"");
    }
    return static_cast<int>(nValue);
}

int ParsePositiveCount(const std::string& strText, std::string_view spelling, int nMaximum) {
    return ParseCount(strText, spelling, 1, nMaximum);
}

SSeedChoice ParseSeedChoice(const std::string& strText, std::string_view spelling) {
    SSeedChoice choice;
    std::uint64_t nInteger = 0;
    if (strText == "random") {
        std::random_device entropy;
        choice.nInteger = (std::uint64_t{entropy()} << 32) | entropy();
        choice.bRandom = true;
    } else if (ParseDigits(strText, nInteger)) {
        choice.nInteger = nInteger;
    }
    if (choice.nInteger) {
        choice.seeds = ExpandSeed(*choice.nInteger);
        return choice;
    }
    std::string_view rest = strText;
    for (std::size_t k = 0; k < choice.seeds.size(); ++k) {
        const std::size_t nComma = rest.find(',');
        const bool bLast = k + 1 == choice.seeds.size();
        if (bLast != (nComma == std::string_view::npos) ||
            !ParseDigits(rest.substr(0, nComma), choice.seeds[k])) {
            throw CUsageError(std::string(spelling) + " takes one whole number from 0 to " +
                              std::to_string(std::numeric_limits<std::uint64_t>::max()) +
                              ", three written A,B,C (each from 0 to " +
                              std::to_string(std::numeric_limits<std::uint32_t>::max()) +
                              "), or random; not \"" + strText + "\"");
        }
        rest = bLast ? std::string_view() : rest.substr(nComma + 1);
    }
    return choice;
}

} // namespace stochvar::cli
