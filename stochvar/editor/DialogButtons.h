#pragma once

// Buttons of the editor's dialogs and pages, and the Return key. Where Return commits a value
// box, no button takes it: such buttons are never the default button, so Return reaches the
// dialog or page instead of clicking one of them.

#include <QString>

class QDialog;
class QDialogButtonBox;
class QEvent;
class QHBoxLayout;
class QPushButton;
class QVBoxLayout;
class QWidget;

namespace stochvar {

// A press of Return or of Enter on the keypad.
bool IsReturnKey(const QEvent* pEvent);

// A push button with the control id that never takes Return.
QPushButton* MakeButtonWithoutReturn(const QString& text, int nId, QWidget* pParent);

// OK (id 1) accepts the dialog and Cancel (id 2) rejects it; neither takes Return. The row puts
// them at the right, the column at the top.
QHBoxLayout* MakeOkCancelRow(QDialog* pDialog);
QVBoxLayout* MakeOkCancelColumn(QDialog* pDialog);

// The platform's OK and Cancel buttons with their ids, for the small dialogs in which Return
// means OK.
QDialogButtonBox* MakeOkCancelBox(QDialog* pDialog);

} // namespace stochvar
