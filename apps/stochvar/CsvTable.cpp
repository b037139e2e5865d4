#include "CsvTable.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <set>
#include <stdexcept>

namespace stochvar::cli {

namespace {

// The fields of one line; quoted fields keep their commas, "" inside quotes is one quote.
std::vector<std::string> SplitFields(const std::string& strLine) {
    std::vector<std::string> fields(1);
    bool bQuoted = false;
    for (std::size_t i = 0; i < strLine.size(); ++i) {
        const char c = strLine[i];
        if (bQuoted) {
            if (c == '"' && i + 1 < strLine.size() && strLine[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else if (c == '"') {
                bQuoted = false;
            } else {
                fields.back() += c;
            }
        } else if (c == '"') {
            bQuoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// The whole text as a number (strtod: decimal, exponent, inf, nan); nothing for anything else.
std::optional<double> ReadNumber(const std::string& text) {
    char* pEnd = nullptr;
    errno = 0;
    const double x = std::strtod(text.c_str(), &pEnd);
    if (text.empty() || pEnd != text.c_str() + text.size()) {
        return std::nullopt;
    }
    return x;
}

} // namespace

CCsvTable CCsvTable::Read(const std::string& strPath) {
    if (strPath == "-") {
        return Parse({std::istreambuf_iterator<char>(std::cin), {}}, "standard input");
    }
    std::ifstream in(strPath, std::ios::binary);
    if (!in) {
        throw std::runtime_error(strPath + ": cannot read: " + std::strerror(errno));
    }
    return Parse({std::istreambuf_iterator<char>(in), {}}, strPath);
}

CCsvTable CCsvTable::Parse(const std::string& text, const std::string& strSource) {
    CCsvTable table;
    std::size_t nStart = 0;
    std::size_t nLine = 0;
    std::set<std::string> names;
    while (nStart < text.size()) {
        std::size_t nEnd = text.find('\n', nStart);
        if (nEnd == std::string::npos) {
            nEnd = text.size();
        }
        const std::string strLine = text.substr(nStart, nEnd - nStart);
        nStart = nEnd + 1;
        ++nLine;
        if (Trimmed(strLine).empty()) {
            continue;
        }
        const std::vector<std::string> fields = SplitFields(strLine);
        if (table.m_columns.empty()) {
            for (const std::string& strField : fields) {
                const std::string strName = Trimmed(strField);
                if (strName.empty() || !names.insert(strName).second) {
                    throw std::runtime_error(strSource +
                                             ": line 1: column names must be given "
                                             "and differ (\"" +
                                             strName + "\")");
                }
                table.m_columns.push_back({strName, {}, true});
            }
            continue;
        }
        if (fields.size() > table.m_columns.size()) {
            throw std::runtime_error(strSource + ": line " + std::to_string(nLine) + ": " +
                                     std::to_string(fields.size()) + " fields, the header has " +
                                     std::to_string(table.m_columns.size()));
        }
        for (std::size_t c = 0; c < table.m_columns.size(); ++c) {
            SColumn& column = table.m_columns[c];
            const std::string strCell = c < fields.size() ? Trimmed(fields[c]) : std::string();
            if (strCell.empty()) {
                column.cells.emplace_back();
                continue;
            }
            column.bNumeric = column.bNumeric && ReadNumber(strCell).has_value();
            column.cells.emplace_back(strCell);
        }
        ++table.m_nRows;
    }
    if (table.m_columns.empty()) {
        throw std::runtime_error(strSource + ": no header row");
    }
    return table;
}

const CCsvTable::SColumn* CCsvTable::Find(const std::string& strName) const {
    for (const SColumn& column : m_columns) {
        if (column.strName == strName) {
            return &column;
        }
    }
    return nullptr;
}

std::vector<double> CCsvTable::Numbers(const SColumn& column) {
    std::vector<double> values;
    for (const std::optional<std::string>& cell : column.cells) {
        if (cell) {
            values.push_back(*ReadNumber(*cell));
        }
    }
    return values;
}

} // namespace stochvar::cli
