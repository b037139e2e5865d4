#pragma once

// SSampleRequest: what `stochvar sample` was asked to do, as read from its command line.

#include "Arguments.h"

#include <stochvar/numerics/ExOr.h>

#include <string>

namespace stochvar::cli {

enum class ESampleFormat { csv, npy };

struct SSampleRequest {
    int nSamples = 0; // N, the samples of the whole run
    int nFirst = 0;   // the slice drawn: samples nFirst .. nFirst + nCount - 1 of the run
    int nCount = 0;
    int nThreads = 0; // 0: one per core
    bool bLatinHypercube = false;
    SSeedChoice seed{{CExOr::kDefaultSeed1, CExOr::kDefaultSeed2, CExOr::kDefaultSeed3}, {}, false};
    std::string strOut; // empty: no samples written, only the summary
    ESampleFormat format = ESampleFormat::csv;
    bool bCategoryNames = false; // discrete values as category names instead of positions
    bool bNumbered = false;      // a first column with each sample's number in the run

    bool IsSlice() const { return nFirst > 0 || nCount < nSamples; }
};

} // namespace stochvar::cli
