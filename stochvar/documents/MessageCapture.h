#pragma once

// CMessageCapture: records the messages that the library shows through the message box hook
// while the object lives, instead of showing them, so that a host can decide what to do with
// each one (refuse a document on an error, keep it with a warning). Beeps are dropped; the
// editor entry points keep their defaults. Nothing ever waits for input.

#include <stochvar/framework/String.h>
#include <stochvar/module/HostHooks.h>

#include <string>
#include <vector>

namespace stochvar {

struct SHostMessage {
    enum class EKind { error, warning, note };
    EKind kind;
    // The text without the "ERROR:\n" or "WARNING:\n" prefix of a status message.
    std::string text;
};

// Splits a message box text into its kind and the message proper. A status shows "ERROR:\n" or
// "WARNING:\n" before the message; any other text is a note.
SHostMessage ClassifyMessage(const CString& strText);

class CMessageCapture {
public:
    CMessageCapture();
    CMessageCapture(const CMessageCapture&) = delete;
    CMessageCapture& operator=(const CMessageCapture&) = delete;

    // The messages recorded since the last call, oldest first.
    std::vector<SHostMessage> TakeMessages();

private:
    static SHostHooks RecordingHooks(std::vector<SHostMessage>* pMessages);

    std::vector<SHostMessage> m_messages;
    CScopedHostHooks m_hooks;
};

} // namespace stochvar
