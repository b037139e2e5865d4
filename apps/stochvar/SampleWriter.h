#pragma once

// CSampleWriter: where the samples of a run go, a block of rows at a time (row-major, one value
// per variable and row). The run hands over every row in order, then calls Finish once.

#include <cerrno>

namespace stochvar::cli {

class CSampleWriter {
public:
    virtual ~CSampleWriter() = default;

    virtual void WriteRows(const double* pValues, int nRows) = 0;
    // Passes everything on to the stream and flushes it; false when anything failed to be
    // written (or the rows do not match what the output announced).
    virtual bool Finish() = 0;

    // The reason (an errno value) the first failed write gave, 0 while none failed: a run stops
    // at the first, rather than draw on into a full disk.
    int GetError() const { return m_nError; }

protected:
    void NoteFailure(int nError) {
        if (m_nError == 0) {
            m_nError = nError != 0 ? nError : EIO;
        }
    }

private:
    int m_nError = 0;
};

} // namespace stochvar::cli
