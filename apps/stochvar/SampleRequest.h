#pragma once

// SSampleRequest: what `stochvar sample` was asked to do, as read from its command line.

#include "Arguments.h"

#include <stochvar/numerics/ExOr.h>

#include <string>

namespace stochvar::cli {

enum class ESampleFormat { csv, npy };

struct SSampleRequest {
    int nSamples = 0;
    bool bLatinHypercube = false;
    SSeedChoice seed{{CExOr::kDefaultSeed1, CExOr::kDefaultSeed2, CExOr::kDefaultSeed3}, {}, false};
    std::string strOut; // empty: no samples written, only the summary
    ESampleFormat format = ESampleFormat::csv;
    bool bCategoryNames = false; // discrete values as category names instead of positions
};

} // namespace stochvar::cli
