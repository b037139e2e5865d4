#include <stochvar/numerics/Numerics.h>

namespace stochvar {

namespace {

// The thread's choice: kFollowDefault, or 1 + the ENumerics value of the innermost scope.
constexpr unsigned char kFollowDefault = 0;

unsigned char ThreadChoice(ENumerics numerics) {
    return static_cast<unsigned char>(1 + static_cast<int>(numerics));
}

// Initial-exec: the library is loaded with the program (or early enough for the one byte), and
// the choice is then read with a plain load instead of a call that looks the block up.
thread_local unsigned char t_nChoice __attribute__((tls_model("initial-exec"))) = kFollowDefault;

std::atomic<ENumerics> g_defaultNumerics{ENumerics::Faithful};

void NoteRequest(ENumerics numerics) {
    if (numerics == ENumerics::Accurate) {
        detail::g_bAccurateRequested.store(true, std::memory_order_relaxed);
    }
}

} // namespace

namespace detail {

std::atomic<bool> g_bAccurateRequested{false};

bool IsAccurateActiveOnThread() { return GetActiveNumerics() == ENumerics::Accurate; }

} // namespace detail

void SetDefaultNumerics(ENumerics numerics) {
    NoteRequest(numerics);
    g_defaultNumerics.store(numerics, std::memory_order_relaxed);
}

ENumerics GetDefaultNumerics() { return g_defaultNumerics.load(std::memory_order_relaxed); }

ENumerics GetActiveNumerics() {
    const unsigned char nChoice = t_nChoice;
    return nChoice == kFollowDefault ? GetDefaultNumerics() : static_cast<ENumerics>(nChoice - 1);
}

const char* NumericsName(ENumerics numerics) {
    return numerics == ENumerics::Accurate ? "accurate" : "faithful";
}

std::optional<ENumerics> NumericsFromName(std::string_view name) {
    if (name == "faithful") {
        return ENumerics::Faithful;
    }
    if (name == "accurate") {
        return ENumerics::Accurate;
    }
    return std::nullopt;
}

void CNumericsScope::Enter(ENumerics numerics) {
    NoteRequest(numerics);
    m_nPrevious = t_nChoice;
    t_nChoice = ThreadChoice(numerics);
}

void CNumericsScope::Leave() { t_nChoice = m_nPrevious; }

} // namespace stochvar
