#pragma once

// CCsvWriter: samples as comma-separated values: a header of variable names, then one line per
// sample with every number in its shortest round-trip form. Output is gathered in a large
// buffer and handed to the stream in big blocks, so that millions of lines take seconds.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace stochvar::cli {

class CCsvWriter {
public:
    // Writes to pFile, which stays the caller's.
    explicit CCsvWriter(std::FILE* pFile);
    CCsvWriter(const CCsvWriter&) = delete;
    CCsvWriter& operator=(const CCsvWriter&) = delete;

    void WriteHeader(const std::vector<std::string>& names);
    void WriteRow(const double* pValues, int nCount);
    // Passes everything on and flushes the stream; false when anything failed to be written.
    bool Finish();

private:
    void Reserve(std::size_t nChars);
    void Append(std::string_view text);
    void Drain();

    std::FILE* m_pFile;
    std::vector<char> m_buffer;
    std::size_t m_nUsed = 0;
    bool m_bFailed = false;
};

// A field quoted as CSV needs it: text with a comma, a double quote, a line break or leading
// or trailing blanks is enclosed in double quotes, with inner double quotes doubled.
std::string CsvField(std::string_view text);

} // namespace stochvar::cli
