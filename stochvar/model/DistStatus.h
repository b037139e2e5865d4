#pragma once

// CDistStatus: the result of every check and conversion. An error fails; a warning alone passes
// (IsOk is true) but is still shown by ShowMessage.

#include <stochvar/framework/String.h>
#include <stochvar/framework/Types.h>

namespace stochvar {

class CDistStatus {
public:
    void SetError(const CString& strMessage);
    void SetWarning(const CString& strMessage);

    // Sets the ok flag to "no error recorded" and returns it.
    BOOL IsOk();

    // A message box with the exclamation icon: "WARNING:\n" + message when a warning was
    // recorded, otherwise "ERROR:\n" + message when an error was; nothing for a clean status.
    void ShowMessage() const;

    CString m_strMessage;
    BOOL m_bOk = TRUE;
    BOOL m_bError = FALSE;
    BOOL m_bWarning = FALSE;
};

} // namespace stochvar
