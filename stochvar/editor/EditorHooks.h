#pragma once

// The editor's side of the host hooks. Loading the editor library installs them: message boxes
// become modal Qt message boxes, beeps sound the system bell, CDist::ChangeDistribution and
// CDiscrete::ChangeDistribution run the selection dialog and the discrete dialog, and
// CDistCollection::ChangeDistCollection runs the property sheet modally. A host that
// replaced the hooks in between can install them again with InstallEditorHooks.
//
// Without a QApplication the hooks behave as those of a host without an editor.

#include <stochvar/module/HostHooks.h>

namespace stochvar {

// The editor's entries: messageBox, beep, messageBeep, changeDistribution, changeDiscrete and
// changeDistCollection.
SHostHooks EditorHostHooks();

// Puts the editor's entries into the hooks in force.
void InstallEditorHooks();

} // namespace stochvar
