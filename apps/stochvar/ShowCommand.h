#pragma once

// stochvar show: lists a collection as the library understands it after reading.

#include "CommandSupport.h"

namespace stochvar::cli {

extern const SCommand kShowCommand;

} // namespace stochvar::cli
