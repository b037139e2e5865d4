#pragma once

// The one table through which the library shows things or hands control to an editor. The core
// never depends on a GUI: a host (or the editor library, when it is loaded) installs the hooks it
// wants; the defaults below serve a host without an editor.
//
// Defaults: a message box writes its text to standard error and returns IDOK; Beep and
// MessageBeep do nothing; ChangeDistribution hands the variable back unchanged; the discrete
// and collection editors report that the dialog was not closed with OK.
//
// Threads: the table is read without locks; install hooks before the library is used from
// several threads. Hooks run on the thread that called into the library: the worker threads of
// CDistCollection::GetSamples only evaluate functions that report through diagnostic lines,
// never through hooks.

#include <stochvar/framework/String.h>
#include <stochvar/framework/Types.h>

#include <functional>

namespace stochvar {

class CDist;
class CDiscrete;
class CDistCollection;

// Message box styles and results of the framework that the library uses.
inline constexpr UINT MB_OK = 0x00000000;
inline constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

struct SHostHooks {
    // Shows a modal message box with the given text and style; returns the button pressed.
    std::function<int(const CString& text, UINT style)> messageBox;
    // Sounds a tone of the given frequency (Hz) and duration (ms).
    std::function<void(DWORD frequency, DWORD duration)> beep;
    // Plays the system sound of the given message box style.
    std::function<void(UINT type)> messageBeep;
    // Runs the distribution selection dialog on the variable and returns the variable to use
    // from then on: the variable itself (nothing replaced) or a new object owned by the caller.
    std::function<CDist*(CDist* pDist)> changeDistribution;
    // Runs the discrete distribution dialog on the variable, editing it in place; returns the
    // dialog result (IDOK when confirmed).
    std::function<int(CDiscrete* pDiscrete)> changeDiscrete;
    // Runs the property sheet on the collection, editing it in place; returns the dialog result.
    std::function<int(CDistCollection* pCollection)> changeDistCollection;
};

// The hooks of a host without an editor.
SHostHooks DefaultHostHooks();

// The hooks in force. Missing entries fall back to the defaults when called.
const SHostHooks& GetHostHooks();

// Installs new hooks and returns the previous ones.
SHostHooks SetHostHooks(SHostHooks hooks);

// Installs hooks for the lifetime of the object and restores the previous ones afterwards
// (for tests and for dialogs that temporarily redirect messages).
class CScopedHostHooks {
public:
    explicit CScopedHostHooks(SHostHooks hooks) : m_previous(SetHostHooks(std::move(hooks))) {}
    ~CScopedHostHooks() { SetHostHooks(std::move(m_previous)); }
    CScopedHostHooks(const CScopedHostHooks&) = delete;
    CScopedHostHooks& operator=(const CScopedHostHooks&) = delete;

private:
    SHostHooks m_previous;
};

// The framework calls of the library, routed through the hooks.
int AfxMessageBox(const CString& text, UINT style = MB_OK);
void Beep(DWORD frequency, DWORD duration);
void MessageBeep(UINT type);

} // namespace stochvar
