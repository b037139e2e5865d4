#pragma once

// The OK and Cancel row of the editor dialogs in which Return commits a value box: neither
// button is ever the default button, so Return reaches the dialog instead of closing it.

class QDialog;
class QHBoxLayout;

namespace stochvar {

// OK (id 1) accepts the dialog and Cancel (id 2) rejects it.
QHBoxLayout* MakeOkCancelRow(QDialog* pDialog);

} // namespace stochvar
