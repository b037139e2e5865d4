#pragma once

// CCsvTable: a table of named columns read from a CSV file (or standard input for "-"): a header
// row of names, then one row per record, fields separated by commas, a field in double quotes
// may hold commas and doubled quotes. Empty fields are missing values. A column whose present
// fields all read as numbers is numeric; any other column holds labels.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace stochvar::cli {

class CCsvTable {
public:
    struct SColumn {
        std::string strName;
        std::vector<std::optional<std::string>> cells; // one per row; nothing when missing
        bool bNumeric = true;
    };

    // Throws std::runtime_error "file: reason" for a file that cannot be read, a table without
    // a header or with two columns of one name, or a row with more fields than the header.
    static CCsvTable Read(const std::string& strPath);
    static CCsvTable Parse(const std::string& text, const std::string& strSource);

    const std::vector<SColumn>& GetColumns() const { return m_columns; }
    std::size_t GetRowCount() const { return m_nRows; }
    // The column of that name, or null.
    const SColumn* Find(const std::string& strName) const;
    // The values of a numeric column, missing ones left out.
    static std::vector<double> Numbers(const SColumn& column);

private:
    std::vector<SColumn> m_columns;
    std::size_t m_nRows = 0;
};

} // namespace stochvar::cli
