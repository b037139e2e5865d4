#include <stochvar/documents/MessageCapture.h>

#include <string_view>
#include <utility>

namespace stochvar {

namespace {

constexpr std::string_view kErrorPrefix = "ERROR:\n";
constexpr std::string_view kWarningPrefix = "WARNING:\n";

} // namespace

SHostMessage ClassifyMessage(const CString& strText) {
    const std::string_view text = strText.str();
    if (text.starts_with(kErrorPrefix)) {
        return {SHostMessage::EKind::error, std::string(text.substr(kErrorPrefix.size()))};
    }
    if (text.starts_with(kWarningPrefix)) {
        return {SHostMessage::EKind::warning, std::string(text.substr(kWarningPrefix.size()))};
    }
    return {SHostMessage::EKind::note, std::string(text)};
}

CMessageCapture::CMessageCapture() : m_hooks(RecordingHooks(&m_messages)) {}

std::vector<SHostMessage> CMessageCapture::TakeMessages() { return std::exchange(m_messages, {}); }

SHostHooks CMessageCapture::RecordingHooks(std::vector<SHostMessage>* pMessages) {
    SHostHooks hooks;
    hooks.messageBox = [pMessages](const CString& strText, UINT) {
        pMessages->push_back(ClassifyMessage(strText));
        return IDOK;
    };
    hooks.beep = [](DWORD, DWORD) {};
    hooks.messageBeep = [](UINT) {};
    return hooks;
}

} // namespace stochvar
