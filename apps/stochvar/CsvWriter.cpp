#include "CsvWriter.h"

#include <stochvar/numerics/NumberText.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace stochvar::cli {

namespace {

constexpr std::size_t kBufferSize = std::size_t{1} << 20;
// A sample number and its comma.
constexpr std::size_t kNumberChars = 21;

} // namespace

std::string CsvField(std::string_view text) {
    const bool bQuote = text.find_first_of(",\"\r\n") != std::string_view::npos ||
                        (!text.empty() && (text.front() == ' ' || text.back() == ' '));
    if (!bQuote) {
        return std::string(text);
    }
    std::string out = "\"";
    for (const char ch : text) {
        out += ch;
        if (ch == '"') {
            out += '"';
        }
    }
    return out + "\"";
}

CCsvWriter::CCsvWriter(std::FILE* pFile, std::vector<SCsvColumn> columns, int nFirstNumber)
    : m_pFile(pFile), m_columns(std::move(columns)), m_buffer(kBufferSize),
      m_nNextNumber(nFirstNumber) {
    if (m_nNextNumber > 0) {
        Append("sample,"); // the document has at least one variable
    }
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        Append(i > 0 ? "," : "");
        Append(CsvField(m_columns[i].strName));
        for (std::string& strCategory : m_columns[i].categories) {
            strCategory = CsvField(strCategory);
            m_nLongestCategory = std::max(m_nLongestCategory, strCategory.size());
        }
    }
    Append("\n");
}

void CCsvWriter::WriteRows(const double* pValues, int nRows) {
    for (int r = 0; r < nRows; ++r) {
        WriteRow(pValues + static_cast<std::size_t>(r) * m_columns.size());
    }
}

void CCsvWriter::WriteRow(const double* pValues) {
    const std::size_t nFieldChars = std::max<std::size_t>(kShortestDoubleChars, m_nLongestCategory);
    Reserve(m_columns.size() * (nFieldChars + 1) + kNumberChars + 1);
    char* pOut = m_buffer.data() + m_nUsed;
    if (m_nNextNumber > 0) {
        const std::string strNumber = std::to_string(m_nNextNumber++);
        std::memcpy(pOut, strNumber.data(), strNumber.size());
        pOut += strNumber.size();
        *pOut++ = ',';
    }
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        if (i > 0) {
            *pOut++ = ',';
        }
        pOut = m_columns[i].categories.empty() ? AppendShortest(pOut, pValues[i])
                                               : AppendCategory(pOut, m_columns[i], pValues[i]);
    }
    *pOut++ = '\n';
    m_nUsed = static_cast<std::size_t>(pOut - m_buffer.data());
}

char* CCsvWriter::AppendCategory(char* pOut, const SCsvColumn& column, double dValue) {
    // A discrete variable's values are its category positions 0 .. n-1.
    const auto k = static_cast<std::size_t>(dValue);
    if (!(dValue >= 0.0) || k >= column.categories.size() || static_cast<double>(k) != dValue) {
        return AppendShortest(pOut, dValue);
    }
    const std::string& strName = column.categories[k];
    std::memcpy(pOut, strName.data(), strName.size());
    return pOut + strName.size();
}

bool CCsvWriter::Finish() {
    Drain();
    if (std::fflush(m_pFile) != 0 || std::ferror(m_pFile) != 0) {
        NoteFailure(errno);
    }
    return GetError() == 0;
}

void CCsvWriter::Reserve(std::size_t nChars) {
    if (m_buffer.size() - m_nUsed < nChars) {
        Drain();
        if (m_buffer.size() < nChars) {
            m_buffer.resize(nChars);
        }
    }
}

void CCsvWriter::Append(std::string_view text) {
    Reserve(text.size());
    std::memcpy(m_buffer.data() + m_nUsed, text.data(), text.size());
    m_nUsed += text.size();
}

void CCsvWriter::Drain() {
    if (m_nUsed > 0 && std::fwrite(m_buffer.data(), 1, m_nUsed, m_pFile) != m_nUsed) {
        NoteFailure(errno);
    }
    m_nUsed = 0;
}

} // namespace stochvar::cli
