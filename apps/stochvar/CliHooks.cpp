#include "CliHooks.h"

#include <stochvar/documents/MessageCapture.h>

#include <cstdio>
#include <utility>

namespace stochvar::cli {

void InstallCliHooks() {
    SHostHooks hooks;
    hooks.messageBox = [](const CString& strText, UINT) {
        const SHostMessage message = ClassifyMessage(strText);
        const char* pszKind = message.kind == SHostMessage::EKind::error     ? "error: "
                              : message.kind == SHostMessage::EKind::warning ? "warning: "
                                                                             : "";
        std::fflush(stdout); // keep the line in order with what was printed before it
        std::fprintf(stderr, "stochvar: %s%s\n", pszKind, message.text.c_str());
        return IDOK;
    };
    hooks.beep = [](DWORD, DWORD) {};
    hooks.messageBeep = [](UINT) {};
    SetHostHooks(std::move(hooks));
}

} // namespace stochvar::cli
