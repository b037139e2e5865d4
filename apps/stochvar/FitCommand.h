#pragma once

#include "CommandSupport.h"

namespace stochvar::cli {

// stochvar fit DATA.csv: fits the families to the columns of a table and ranks them.
extern const SCommand kFitCommand;

} // namespace stochvar::cli
