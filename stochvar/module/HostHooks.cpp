#include <stochvar/module/HostHooks.h>

#include <cstdio>

namespace stochvar {

namespace {

SHostHooks& Installed() {
    static SHostHooks hooks = DefaultHostHooks();
    return hooks;
}

// Fills the entries a host left empty with the defaults, so that every hook can be called.
SHostHooks Completed(SHostHooks hooks) {
    SHostHooks defaults = DefaultHostHooks();
    if (!hooks.messageBox)
        hooks.messageBox = std::move(defaults.messageBox);
    if (!hooks.beep)
        hooks.beep = std::move(defaults.beep);
    if (!hooks.messageBeep)
        hooks.messageBeep = std::move(defaults.messageBeep);
    if (!hooks.changeDistribution)
        hooks.changeDistribution = std::move(defaults.changeDistribution);
    if (!hooks.changeDiscrete)
        hooks.changeDiscrete = std::move(defaults.changeDiscrete);
    if (!hooks.changeDistCollection)
        hooks.changeDistCollection = std::move(defaults.changeDistCollection);
    return hooks;
}

} // namespace

SHostHooks DefaultHostHooks() {
    SHostHooks hooks;
    hooks.messageBox = [](const CString& text, UINT) {
        std::fflush(stdout); // keep the message in order with what the host printed before
        std::fprintf(stderr, "%s\n", text.GetString());
        return IDOK;
    };
    hooks.beep = [](DWORD, DWORD) {};
    hooks.messageBeep = [](UINT) {};
    hooks.changeDistribution = [](CDist* pDist) { return pDist; };
    hooks.changeDiscrete = [](CDiscrete*) { return IDCANCEL; };
    hooks.changeDistCollection = [](CDistCollection*) { return IDCANCEL; };
    return hooks;
}

const SHostHooks& GetHostHooks() { return Installed(); }

SHostHooks SetHostHooks(SHostHooks hooks) {
    SHostHooks previous = std::move(Installed());
    Installed() = Completed(std::move(hooks));
    return previous;
}

int AfxMessageBox(const CString& text, UINT style) {
    return GetHostHooks().messageBox(text, style);
}

void Beep(DWORD frequency, DWORD duration) { GetHostHooks().beep(frequency, duration); }

void MessageBeep(UINT type) { GetHostHooks().messageBeep(type); }

} // namespace stochvar
