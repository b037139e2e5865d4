#pragma once

// The summary of a sampling run: how it was drawn (with the three seeds that replay it), each
// variable's target mean and standard deviation beside the sample ones, and the correlations.
// Up to kFullMatrixVariables variables the whole correlation matrix is shown (lower triangle,
// each cell "sample (target)"); beyond that only the pairs the document gives, one per line, so
// that the summary grows with the document and not with the square of its size. Columns are as
// wide as the longest name needs.

#include "SampleRequest.h"

#include <stochvar/documents/CollectionDocument.h>
#include <stochvar/documents/SampleStatistics.h>

#include <string>

namespace stochvar::cli {

inline constexpr int kFullMatrixVariables = 12;

std::string SampleSummary(const CCollectionDocument& doc, const CSampleStatistics& stats,
                          const SSampleRequest& request);

} // namespace stochvar::cli
