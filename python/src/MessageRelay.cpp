#include "MessageRelay.h"

#include <stochvar/documents/InputEntry.h>
#include <stochvar/documents/MessageCapture.h>
#include <stochvar/module/HostHooks.h>

#include <utility>

namespace py = pybind11;

namespace stochvar::python {

namespace {

// Messages of the library raised on this thread and not yet relayed. Per thread, because
// sampling runs with the interpreter lock released.
thread_local std::vector<SHostMessage> tl_messages;

PyObject* g_pWarningClass = nullptr; // owned by the module, which outlives every call

} // namespace

void CMessageRelay::Install() {
    SHostHooks hooks;
    hooks.messageBox = [](const CString& strText, UINT) {
        tl_messages.push_back(ClassifyMessage(strText));
        return IDOK;
    };
    hooks.beep = [](DWORD, DWORD) {};
    hooks.messageBeep = [](UINT) {};
    SetHostHooks(std::move(hooks));
}

void CMessageRelay::SetWarningClass(py::handle warningClass) {
    g_pWarningClass = warningClass.ptr();
}

void CMessageRelay::Relay(int nStackLevel) {
    std::vector<std::string> warnings;
    for (SHostMessage& message : std::exchange(tl_messages, {})) {
        if (message.kind == SHostMessage::EKind::error) {
            Warn(warnings, nStackLevel);
            throw CInputRefused(TrimmedMessage(std::move(message.text)));
        }
        warnings.push_back(TrimmedMessage(std::move(message.text)));
    }
    Warn(warnings, nStackLevel);
}

void CMessageRelay::Warn(const std::vector<std::string>& texts, int nStackLevel) {
    for (const std::string& strText : texts) {
        // Fails when a warnings filter turns the warning into an exception.
        if (PyErr_WarnEx(g_pWarningClass, strText.c_str(), nStackLevel) != 0) {
            throw py::error_already_set();
        }
    }
}

} // namespace stochvar::python
