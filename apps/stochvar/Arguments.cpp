#include "Arguments.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace stochvar::cli {

namespace {

const SOptionDefinition* FindLong(std::span<const SOptionDefinition> options, std::string_view name) {
    const auto it = std::find_if(options.begin(), options.end(),
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

// Digits only: no sign, no blanks, no leading "+", as from_chars reads them.
template <class T>
bool ParseDigits(std::string_view text, T& value) {
    if (text.empty() || !std::all_of(text.begin(), text.end(),
                                     [](char ch) { return ch >= '0' && ch <= '9'; })) {
        return false;
    }
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

} // namespace

const std::string* CParsedArguments::Value(std::string_view name) const {
    const auto it = m_options.find(name);
    return it == m_options.end() ? nullptr : &it->second;
}

void CParsedArguments::AddOption(std::string_view name, std::string strValue) {
    if (!m_options.emplace(std::string(name), std::move(strValue)).second) {
        throw CUsageError("option --" + std::string(name) + " given twice");
    }
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
            pOption = FindLong(options, name);
            if (pOption == nullptr) {
                throw CUsageError("unknown option --" + std::string(name));
            }
        } else {
            pOption = FindShort(options, arg[1]);
            if (pOption == nullptr) {
                throw CUsageError("unknown option " + std::string(arg.substr(0, 2)));
            }
            if (arg.size() > 2) {
                if (!pOption->bTakesValue) {
                    throw CUsageError("option -" + std::string(1, arg[1]) + " takes no value");
                }
                attached = arg.substr(2);
                bHasAttached = true;
            }
        }
        if (!pOption->bTakesValue) {
            if (bHasAttached) {
                throw CUsageError("option --" + std::string(pOption->name) + " takes no value");
            }
            parsed.AddOption(pOption->name, "");
        } else if (bHasAttached) {
            parsed.AddOption(pOption->name, std::string(attached));
        } else if (i + 1 < args.size()) {
            parsed.AddOption(pOption->name, args[++i]);
        } else {
            throw CUsageError("option --" + std::string(pOption->name) + " needs a value");
        }
    }
    return parsed;
}

int ParsePositiveCount(const std::string& strText, std::string_view option, int nMaximum) {
    long long nValue = 0;
    if (!ParseDigits(strText, nValue) || nValue < 1 || nValue > nMaximum) {
        throw CUsageError(std::string(option) + " needs a whole number from 1 to " +
                          std::to_string(nMaximum) + ", not \"" + strText + "\"");
    }
    return static_cast<int>(nValue);
}

std::array<std::uint32_t, 3> ParseSeeds(const std::string& strText) {
    std::array<std::uint32_t, 3> seeds{};
    std::string_view rest = strText;
    for (std::size_t k = 0; k < seeds.size(); ++k) {
        const std::size_t nComma = rest.find(',');
        const bool bLast = k + 1 == seeds.size();
        if (bLast != (nComma == std::string_view::npos) ||
            !ParseDigits(rest.substr(0, nComma), seeds[k])) {
            throw CUsageError("--seed needs three whole numbers from 0 to " +
                              std::to_string(std::numeric_limits<std::uint32_t>::max()) +
                              " written A,B,C, not \"" + strText + "\"");
        }
        rest = bLast ? std::string_view() : rest.substr(nComma + 1);
    }
    return seeds;
}

} // namespace stochvar::cli
