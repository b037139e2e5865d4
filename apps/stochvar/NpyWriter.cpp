#include "NpyWriter.h"

#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

namespace stochvar::cli {

namespace {

constexpr char kMagic[] = "\x93NUMPY\x01\x00";
constexpr std::size_t kMagicSize = sizeof kMagic - 1;
constexpr std::size_t kLengthSize = 2;
constexpr std::size_t kAlignment = 64;

} // namespace

std::string CNpyWriter::Header(long long nRows, int nColumns) {
    std::string dict = "{'descr': '<f8', 'fortran_order': False, 'shape': (" +
                       std::to_string(nRows) + ", " + std::to_string(nColumns) + "), }";
    const std::size_t nUnpadded = kMagicSize + kLengthSize + dict.size() + 1;
    dict.append((kAlignment - nUnpadded % kAlignment) % kAlignment, ' ');
    dict += '\n';
    const std::size_t nLength = dict.size();
    std::string header(kMagic, kMagicSize);
    header += static_cast<char>(nLength & 0xFF);
    header += static_cast<char>((nLength >> 8) & 0xFF);
    return header + dict;
}

CNpyWriter::CNpyWriter(std::FILE* pFile, long long nRows, int nColumns)
    : m_pFile(pFile), m_nRows(nRows), m_nColumns(nColumns) {
    const std::string header = Header(nRows, nColumns);
    if (std::fwrite(header.data(), 1, header.size(), m_pFile) != header.size()) {
        NoteFailure(errno);
    }
}

void CNpyWriter::WriteRows(const double* pValues, int nRows) {
    const std::size_t nCount =
        static_cast<std::size_t>(nRows) * static_cast<std::size_t>(m_nColumns);
    m_nWritten += nRows;
    if constexpr (std::endian::native == std::endian::little) {
        if (std::fwrite(pValues, sizeof(double), nCount, m_pFile) != nCount) {
            NoteFailure(errno);
        }
    } else {
        std::vector<std::uint64_t> swapped(nCount);
        std::memcpy(swapped.data(), pValues, nCount * sizeof(double));
        for (std::uint64_t& nBits : swapped) {
            nBits = __builtin_bswap64(nBits);
        }
        if (std::fwrite(swapped.data(), sizeof(double), nCount, m_pFile) != nCount) {
            NoteFailure(errno);
        }
    }
}

bool CNpyWriter::Finish() {
    if (std::fflush(m_pFile) != 0 || std::ferror(m_pFile) != 0) {
        NoteFailure(errno);
    }
    return GetError() == 0 && m_nWritten == m_nRows;
}

} // namespace stochvar::cli
