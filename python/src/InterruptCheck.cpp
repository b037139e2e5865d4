#include "InterruptCheck.h"

#include <pybind11/pybind11.h>

#include <atomic>

namespace py = pybind11;

namespace stochvar::python {

namespace {

std::atomic<bool> g_bEnabled{true};

} // namespace

void CInterruptCheck::Poll() {
    if (PyErr_CheckSignals() != 0) {
        throw py::error_already_set();
    }
}

bool CInterruptCheck::PollUnlocked() {
    const py::gil_scoped_acquire locked;
    return PyErr_CheckSignals() == 0;
}

bool CInterruptCheck::IsEnabled() { return g_bEnabled.load(std::memory_order_relaxed); }

void CInterruptCheck::SetEnabled(bool bEnabled) {
    g_bEnabled.store(bEnabled, std::memory_order_relaxed);
}

} // namespace stochvar::python
