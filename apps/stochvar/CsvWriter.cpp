#include "CsvWriter.h"

#include <stochvar/documents/NumberText.h>

#include <cstring>

namespace stochvar::cli {

namespace {

constexpr std::size_t kBufferSize = std::size_t{1} << 20;

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

CCsvWriter::CCsvWriter(std::FILE* pFile) : m_pFile(pFile), m_buffer(kBufferSize) {}

void CCsvWriter::WriteHeader(const std::vector<std::string>& names) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) {
            Append(",");
        }
        Append(CsvField(names[i]));
    }
    Append("\n");
}

void CCsvWriter::WriteRow(const double* pValues, int nCount) {
    Reserve(static_cast<std::size_t>(nCount) * (kShortestDoubleChars + 1) + 1);
    char* pOut = m_buffer.data() + m_nUsed;
    for (int i = 0; i < nCount; ++i) {
        if (i > 0) {
            *pOut++ = ',';
        }
        pOut = AppendShortest(pOut, pValues[i]);
    }
    *pOut++ = '\n';
    m_nUsed = static_cast<std::size_t>(pOut - m_buffer.data());
}

bool CCsvWriter::Finish() {
    Drain();
    if (std::fflush(m_pFile) != 0 || std::ferror(m_pFile) != 0) {
        m_bFailed = true;
    }
    return !m_bFailed;
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
        m_bFailed = true;
    }
    m_nUsed = 0;
}

} // namespace stochvar::cli
