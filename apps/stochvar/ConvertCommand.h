#pragma once

// stochvar convert: reads a collection in either format and writes it in the other (or the same).

#include "CommandSupport.h"

namespace stochvar::cli {

extern const SCommand kConvertCommand;

} // namespace stochvar::cli
