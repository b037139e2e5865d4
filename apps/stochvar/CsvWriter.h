#pragma once

// CCsvWriter: samples as comma-separated values: a header of variable names, then one line per
// sample with every number in its shortest round-trip form, or, for a column given category
// names, the name of the category. Output is gathered in a large buffer and handed to the stream
// in big blocks, so that millions of lines take seconds.

#include "SampleWriter.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace stochvar::cli {

struct SCsvColumn {
    std::string strName;
    // When not empty, value k of the column is written as categories[k].
    std::vector<std::string> categories;
};

class CCsvWriter : public CSampleWriter {
public:
    // Writes the header to pFile, which stays the caller's. With nFirstNumber > 0 a first
    // column "sample" numbers the rows from nFirstNumber on.
    CCsvWriter(std::FILE* pFile, std::vector<SCsvColumn> columns, int nFirstNumber = 0);
    CCsvWriter(const CCsvWriter&) = delete;
    CCsvWriter& operator=(const CCsvWriter&) = delete;

    void WriteRows(const double* pValues, int nRows) override;
    bool Finish() override;

private:
    void WriteRow(const double* pValues);
    char* AppendCategory(char* pOut, const SCsvColumn& column, double dValue);
    void Reserve(std::size_t nChars);
    void Append(std::string_view text);
    void Drain();

    std::FILE* m_pFile;
    std::vector<SCsvColumn> m_columns;
    std::size_t m_nLongestCategory = 0; // characters, quoted
    std::vector<char> m_buffer;
    std::size_t m_nUsed = 0;
    long long m_nNextNumber; // 0: rows are not numbered
};

// A field quoted as CSV needs it: text with a comma, a double quote, a line break or leading
// or trailing blanks is enclosed in double quotes, with inner double quotes doubled.
std::string CsvField(std::string_view text);

} // namespace stochvar::cli
