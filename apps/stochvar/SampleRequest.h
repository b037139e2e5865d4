#pragma once

// SSampleRequest: what `stochvar sample` was asked to do, as read from its command line: the run
// (samples, slice, threads, Latin hypercube, seeds) and where its samples go.

#include "Arguments.h"

#include <stochvar/documents/SampleRun.h>
#include <stochvar/numerics/ExOr.h>

#include <string>

namespace stochvar::cli {

enum class ESampleFormat { csv, npy };

struct SSampleRequest {
    SSampleRunRequest run; // its seeds are those of seed
    SSeedChoice seed{{CExOr::kDefaultSeed1, CExOr::kDefaultSeed2, CExOr::kDefaultSeed3}, {}, false};
    std::string strOut; // empty: no samples written, only the summary
    ESampleFormat format = ESampleFormat::csv;
    bool bCategoryNames = false; // discrete values as category names instead of positions
    bool bNumbered = false;      // a first column with each sample's number in the run
};

} // namespace stochvar::cli
