#pragma once

// The shortest round-trip number text moved down to numerics/, where the variables' own messages
// can use it; this name stays for the hosts that still include it from here.

#include <stochvar/numerics/NumberText.h>
