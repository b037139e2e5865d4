#pragma once

// CPythonLimitState: g as an analysis started from Python calls it. The analysis runs with the
// interpreter lock released; each batch of points takes the lock back to look for Ctrl+C and,
// for a Python g, to call g, so that an analysis stops within a batch of Ctrl+C.
//
// A Python g receives a float64 array of shape (n, k), one row per point in collection order,
// and returns its n values as a float64 array. It is called on the analysis's thread only, so
// it needs no locking of its own (the package's Python part spreads it over an executor). A
// limit state of the library (an expression) keeps its own threads.
//
// A Python exception raised by g, or the KeyboardInterrupt of Ctrl+C, leaves the analysis as
// pybind11::error_already_set, which the binding hands back to Python unchanged.

#include <stochvar/reliability/LimitState.h>

#include <pybind11/pybind11.h>

#include <thread>

namespace stochvar::python {

class CPythonLimitState {
public:
    explicit CPythonLimitState(pybind11::function function);
    explicit CPythonLimitState(SLimitState inner);
    CPythonLimitState(const CPythonLimitState&) = delete;
    CPythonLimitState& operator=(const CPythonLimitState&) = delete;

    const SLimitState& Get() const { return m_limitState; }

private:
    void CallPython(const double* x, int nPoints, int nVars, double* g) const;
    // On the thread that started the analysis: raises KeyboardInterrupt after Ctrl+C. Python
    // runs signal handlers on its main thread only, so other threads need not look.
    void CheckInterrupt() const;

    pybind11::function m_g;
    SLimitState m_inner;
    SLimitState m_limitState;
    std::thread::id m_owner = std::this_thread::get_id();
};

} // namespace stochvar::python
