#include "DiagnosticRelay.h"

#include <cstddef>

namespace py = pybind11;

namespace stochvar::python {

namespace {

PyObject* g_pWarningClass = nullptr; // owned by the module, which outlives every call

} // namespace

void CDiagnosticRelay::SetWarningClass(py::handle warningClass) {
    g_pWarningClass = warningClass.ptr();
}

void CDiagnosticRelay::Issue(int nStackLevel) {
    const std::string strText = m_capture.TakeText();
    std::size_t nStart = 0;
    while (nStart < strText.size()) {
        std::size_t nEnd = strText.find('\n', nStart);
        nEnd = nEnd == std::string::npos ? strText.size() : nEnd;
        std::string strLine = strText.substr(nStart, nEnd - nStart);
        nStart = nEnd + 1;
        if (strLine.empty() || !m_issued.insert(strLine).second) {
            continue;
        }
        if (PyErr_WarnEx(g_pWarningClass, strLine.c_str(), nStackLevel) != 0) {
            throw py::error_already_set();
        }
    }
}

} // namespace stochvar::python
