#include <stochvar/model/DistStatus.h>

#include <stochvar/module/HostHooks.h>

namespace stochvar {

void CDistStatus::SetError(const CString& strMessage) {
    m_bError = TRUE;
    m_bOk = FALSE;
    m_strMessage = strMessage;
}

void CDistStatus::SetWarning(const CString& strMessage) {
    m_bWarning = TRUE;
    m_bOk = FALSE;
    m_strMessage = strMessage;
}

BOOL CDistStatus::IsOk() {
    m_bOk = !m_bError;
    return m_bOk;
}

void CDistStatus::ShowMessage() const {
    if (m_bWarning) {
        AfxMessageBox("WARNING:\n" + m_strMessage, MB_ICONEXCLAMATION | MB_OK);
    } else if (m_bError) {
        AfxMessageBox("ERROR:\n" + m_strMessage, MB_ICONEXCLAMATION | MB_OK);
    }
}

} // namespace stochvar
