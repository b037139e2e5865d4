#pragma once

// The command-line host's answer to the library's messages: a message box becomes a line on
// standard error ("stochvar: error: ...", "stochvar: warning: ..."), beeps are silent, and
// nothing ever waits for input.

namespace stochvar::cli {

void InstallCliHooks();

} // namespace stochvar::cli
