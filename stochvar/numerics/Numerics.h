#pragma once

// The numerics a computation runs with.
//
// Faithful (the default): the standard normal functions and the Nataf quadrature exactly as the
// library has always computed them (the Abramowitz and Stegun approximations of Phi and Phi^-1,
// the tabulated 20-point Gauss-Hermite rule, a Hermite series of order 10), so that results and
// files agree bit for bit with those of every host built on the same numbers.
// Accurate: Phi from erfc and Phi^-1 from Wichura's AS 241 with a Newton step in the tails, both
// within a few ulps; Gauss-Hermite nodes and weights computed to double precision, and a Hermite
// series of order 20. Messages, conversions, ranges, the order of sampling and what it takes
// from the generator are the same in both.
//
// Which one applies on a thread: the innermost CNumericsScope alive on it, else the process
// default. CDistCollection opens a scope with its own choice around each of its operations and
// in every worker thread it starts, so the variables' GetInverse and GetCumulative follow the
// collection while it runs them; a variable used on its own follows the thread (normally the
// process default).

#include <atomic>
#include <optional>
#include <string_view>

namespace stochvar {

enum class ENumerics { Faithful, Accurate };

// The process default, faithful until changed. Set it before other threads start work: a thread
// that is running an operation may see the change in the middle of it.
void SetDefaultNumerics(ENumerics numerics);
ENumerics GetDefaultNumerics();

// The numerics in effect on the calling thread.
ENumerics GetActiveNumerics();
inline bool IsAccurateNumericsActive();

// "faithful" and "accurate", the names documents and command lines use; nothing for other text.
const char* NumericsName(ENumerics numerics);
std::optional<ENumerics> NumericsFromName(std::string_view name);

// Makes the numerics the calling thread's choice until the scope ends, when the choice in effect
// before comes back. Scopes nest; each belongs to the thread that made it. As long as nothing in
// the process has asked for accurate numerics, every thread is faithful and a faithful scope has
// nothing to change: it then costs a load and a branch.
class CNumericsScope {
public:
    explicit CNumericsScope(ENumerics numerics);
    ~CNumericsScope();
    CNumericsScope(const CNumericsScope&) = delete;
    CNumericsScope& operator=(const CNumericsScope&) = delete;

private:
    void Enter(ENumerics numerics);
    void Leave();

    bool m_bEntered;
    unsigned char m_nPrevious = 0;
};

namespace detail {

// Becomes true the first time accurate numerics are asked for (as the default or in a scope)
// and stays so. Until then every thread is faithful, and the standard normal functions decide
// that with one load instead of looking at the thread's scope.
extern std::atomic<bool> g_bAccurateRequested;
inline bool AccurateEverRequested() { return g_bAccurateRequested.load(std::memory_order_relaxed); }
bool IsAccurateActiveOnThread();

} // namespace detail

inline bool IsAccurateNumericsActive() {
    return detail::AccurateEverRequested() && detail::IsAccurateActiveOnThread();
}

inline CNumericsScope::CNumericsScope(ENumerics numerics)
    : m_bEntered(numerics == ENumerics::Accurate || detail::AccurateEverRequested()) {
    if (m_bEntered) {
        Enter(numerics);
    }
}

inline CNumericsScope::~CNumericsScope() {
    if (m_bEntered) {
        Leave();
    }
}

} // namespace stochvar
