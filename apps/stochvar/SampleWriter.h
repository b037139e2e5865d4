#pragma once

// CSampleWriter: where the samples of a run go, a block of rows at a time (row-major, one value
// per variable and row). The run hands over every row in order, then calls Finish once.

namespace stochvar::cli {

class CSampleWriter {
public:
    virtual ~CSampleWriter() = default;

    virtual void WriteRows(const double* pValues, int nRows) = 0;
    // Passes everything on to the stream and flushes it; false when anything failed to be
    // written (or the rows do not match what the output announced).
    virtual bool Finish() = 0;
};

} // namespace stochvar::cli
