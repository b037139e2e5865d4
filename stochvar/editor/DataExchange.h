#pragma once

// Dialog data exchange between members and controls, as the small dialogs use it: each function
// fills the control from the member, or, when saving, reads the control back into the member.
// A number that cannot be read is refused with the message "Please enter a number.", the edit
// gets the focus, and the exchange fails, so the dialog stays open.

#include <stochvar/framework/String.h>

#include <QString>

class QCheckBox;
class QLineEdit;

namespace stochvar {

// A double in an edit: shown with the shortest digits that read back as the same value; read back
// with blanks allowed around the number.
bool ExchangeText(QLineEdit* pEdit, double& dValue, bool bSaveAndValidate);
// A string in an edit.
bool ExchangeText(QLineEdit* pEdit, CString& strValue, bool bSaveAndValidate);
// A check box state: 1 checked, 0 clear.
bool ExchangeCheck(QCheckBox* pCheck, int& nValue, bool bSaveAndValidate);

// Reads a number the way the exchange does: blanks around it are trimmed, and something must be
// left; false when the rest is not exactly one number.
bool ParseTrimmedNumber(const QString& text, double& dValue);

} // namespace stochvar
