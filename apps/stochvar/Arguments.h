#pragma once

// Command-line arguments of the host's commands: long options (--out FILE, --out=FILE), short
// options (-n 1000, -n1000), flags, and positional arguments; "--" ends the options. Anything
// else is a usage error (CUsageError), which the host answers with exit code 2. Messages name an
// option as the user wrote it (-n or --samples).

#include <stochvar/documents/SeedExpansion.h>

#include <cstdint>
#include <map>
#include <optional>
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
    std::string_view name; // long name without the dashes
    char shortName;        // 0 when there is none
    bool bTakesValue;
    // Whether it may be given more than once (each value kept, in order).
    bool bRepeatable = false;
};

class CParsedArguments {
public:
    bool Has(std::string_view name) const { return m_options.contains(name); }
    // The value given to an option, or null when the option was not given.
    const std::string* Value(std::string_view name) const;
    // Every value given to a repeatable option, in order; empty when it was not given.
    std::vector<std::string> Values(std::string_view name) const;
    // The option as the user wrote it ("-n" or "--samples"); "--name" when it was not given.
    std::string Spelling(std::string_view name) const;
    const std::vector<std::string>& Positionals() const { return m_positionals; }

    void AddOption(std::string_view name, std::string strSpelling, std::string strValue,
                   bool bRepeatable = false);
    void AddPositional(std::string strValue) { m_positionals.push_back(std::move(strValue)); }

private:
    struct SGiven {
        std::string strSpelling;
        std::string strValue;
        std::vector<std::string> repeated; // the values after the first
    };
    std::map<std::string, SGiven, std::less<>> m_options;
    std::vector<std::string> m_positionals;
};

// Parses the arguments after the command name. An option given twice, an unknown option, or an
// option without its value is a usage error.
CParsedArguments ParseArguments(std::span<const std::string> args,
                                std::span<const SOptionDefinition> options);

// A whole number from 1 to nMaximum, in decimal digits (1000000) or in scientific notation
// whose value is whole (1e6, 2.5e3); 1.5 or 1e-3 are refused.
int ParsePositiveCount(const std::string& strText, std::string_view spelling, int nMaximum);
// The same for a whole number from nMinimum to nMaximum.
int ParseCount(const std::string& strText, std::string_view spelling, int nMinimum, int nMaximum);

// The seeds of a run as --seed gives them: three seeds "A,B,C" as they are, one integer N
// expanded (ExpandSeed), or "random": an integer drawn from the system's entropy source and
// expanded the same way.
struct SSeedChoice {
    SeedTriple seeds;
    std::optional<std::uint64_t> nInteger; // the one integer, given or drawn
    bool bRandom = false;
};
SSeedChoice ParseSeedChoice(const std::string& strText, std::string_view spelling);

} // namespace stochvar::cli
