#pragma once

// Command-line arguments of the host's commands: long options (--out FILE, --out=FILE), short
// options (-n 1000, -n1000), flags, and positional arguments; "--" ends the options. Anything
// else is a usage error (CUsageError), which the host answers with exit code 2.

#include <array>
#include <cstdint>
#include <map>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace stochvar::cli {

class CUsageError : public std::runtime_error {
public:
    explicit CUsageError(const std::string& strMessage) : std::runtime_error(strMessage) {}
};

struct SOptionDefinition {
    std::string_view name;  // long name without the dashes
    char shortName;         // 0 when there is none
    bool bTakesValue;
};

class CParsedArguments {
public:
    bool Has(std::string_view name) const { return m_options.contains(name); }
    // The value given to an option, or null when the option was not given.
    const std::string* Value(std::string_view name) const;
    const std::vector<std::string>& Positionals() const { return m_positionals; }

    void AddOption(std::string_view name, std::string strValue);
    void AddPositional(std::string strValue) { m_positionals.push_back(std::move(strValue)); }

private:
    std::map<std::string, std::string, std::less<>> m_options;
    std::vector<std::string> m_positionals;
};

// Parses the arguments after the command name. An option given twice, an unknown option, or an
// option without its value is a usage error.
CParsedArguments ParseArguments(std::span<const std::string> args,
                                std::span<const SOptionDefinition> options);

// A whole number from 1 to nMaximum written in decimal digits only.
int ParsePositiveCount(const std::string& strText, std::string_view option, int nMaximum);

// Three unsigned 32-bit seeds written "A,B,C".
std::array<std::uint32_t, 3> ParseSeeds(const std::string& strText);

} // namespace stochvar::cli
