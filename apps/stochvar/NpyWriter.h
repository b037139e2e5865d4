#pragma once

// CNpyWriter: samples as a NumPy array file (.npy, format version 1.0): a two-dimensional
// array of float64, little-endian, in C order (one row per sample), that numpy.load reads
// directly. The header announces the shape, so the number of rows is given up front, and
// Finish fails when another number of rows arrived.
//
//   "\x93NUMPY" 0x01 0x00, header length (2 bytes, little-endian), then the header
//   "{'descr': '<f8', 'fortran_order': False, 'shape': (ROWS, COLUMNS), }" padded with blanks
//   and ended by a line break so that the data start at a multiple of 64 bytes.

#include "SampleWriter.h"

#include <cstdio>
#include <string>

namespace stochvar::cli {

class CNpyWriter : public CSampleWriter {
public:
    // Writes the header to pFile, which stays the caller's.
    CNpyWriter(std::FILE* pFile, long long nRows, int nColumns);
    CNpyWriter(const CNpyWriter&) = delete;
    CNpyWriter& operator=(const CNpyWriter&) = delete;

    void WriteRows(const double* pValues, int nRows) override;
    bool Finish() override;

    static std::string Header(long long nRows, int nColumns);

private:
    std::FILE* m_pFile;
    long long m_nRows;
    int m_nColumns;
    long long m_nWritten = 0;
};

} // namespace stochvar::cli
