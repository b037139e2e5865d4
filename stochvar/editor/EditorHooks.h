#pragma once

// The editor's side of the host hooks. Loading the editor library installs them: message boxes
// become modal Qt message boxes, beeps sound the system bell, and CDist::ChangeDistribution and
// CDiscrete::ChangeDistribution run the selection dialog and the discrete dialog. A host that
// replaced the hooks in between can install them again with InstallEditorHooks.
//
// Without a QApplication the hooks behave as those of a host without an editor.

#include <stochvar/module/HostHooks.h>

namespace stochvar {

// The editor's entries: messageBox, beep, messageBeep, changeDistribution and changeDiscrete;
// the others are left empty.
SHostHooks EditorHostHooks();

// Puts the editor's entries into the hooks in force, keeping the others.
void InstallEditorHooks();

} // namespace stochvar
