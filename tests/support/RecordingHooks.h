#pragma once

// Host hooks for tests: records every message box and beep instead of showing or sounding it.

#include <stochvar/module/HostHooks.h>

#include <string>
#include <utility>
#include <vector>

namespace stochvar::testing {

struct SRecorded {
    std::vector<std::string> messages;
    std::vector<UINT> messageStyles;
    std::vector<std::pair<DWORD, DWORD>> beeps;
    std::vector<UINT> messageBeeps;
};

// Installs recording hooks for its lifetime; the editor entry points keep their defaults unless
// set on `hooks()` before construction of another scope.
class CRecordingHooks {
public:
    explicit CRecordingHooks(SHostHooks extra = {}) : m_scope(Make(m_recorded, std::move(extra))) {}

    const SRecorded& recorded() const { return m_recorded; }
    const std::vector<std::string>& messages() const { return m_recorded.messages; }
    const std::vector<std::pair<DWORD, DWORD>>& beeps() const { return m_recorded.beeps; }
    void clear() { m_recorded = SRecorded{}; }

private:
    static SHostHooks Make(SRecorded& recorded, SHostHooks hooks) {
        hooks.messageBox = [&recorded](const CString& text, UINT style) {
            recorded.messages.emplace_back(text.GetString());
            recorded.messageStyles.push_back(style);
            return IDOK;
        };
        hooks.beep = [&recorded](DWORD frequency, DWORD duration) {
            recorded.beeps.emplace_back(frequency, duration);
        };
        hooks.messageBeep = [&recorded](UINT type) { recorded.messageBeeps.push_back(type); };
        return hooks;
    }

    SRecorded m_recorded;
    CScopedHostHooks m_scope;
};

} // namespace stochvar::testing
