#include <stochvar/editor/DiagnosticsCollector.h>

#include <stochvar/module/HostHooks.h>

#include <algorithm>
#include <sstream>
#include <utility>
#include <vector>

namespace stochvar {

namespace {

// Collectors of this thread alive now.
thread_local int t_nDepth = 0;
// Distinct lines beyond this many are counted, not listed.
constexpr std::size_t kMaxListed = 8;

} // namespace

CDiagnosticsCollector::CDiagnosticsCollector() {
    if (t_nDepth++ == 0) {
        m_Capture.emplace();
    }
}

CDiagnosticsCollector::~CDiagnosticsCollector() {
    --t_nDepth;
    if (!m_Capture) {
        return;
    }
    const std::string strText = m_Capture->TakeText();
    // Lines printed while the message is up go their usual way.
    m_Capture.reset();
    const std::string strMessage = Summary(strText);
    if (!strMessage.empty()) {
        AfxMessageBox(strMessage.c_str(), MB_ICONEXCLAMATION | MB_OK);
    }
}

std::string CDiagnosticsCollector::Summary(const std::string& strLines) {
    std::vector<std::pair<std::string, int>> distinct;
    std::istringstream lines(strLines);
    std::string strLine;
    int nTotal = 0;
    while (std::getline(lines, strLine)) {
        if (strLine.empty()) {
            continue;
        }
        ++nTotal;
        auto found = std::find_if(distinct.begin(), distinct.end(),
                                  [&](const auto& entry) { return entry.first == strLine; });
        if (found != distinct.end()) {
            ++found->second;
        } else {
            distinct.emplace_back(strLine, 1);
        }
    }
    if (nTotal == 0) {
        return std::string();
    }
    std::ostringstream message;
    message << "The numerical routines reported " << nTotal
            << (nTotal == 1 ? " problem:" : " problems:");
    for (std::size_t i = 0; i < distinct.size() && i < kMaxListed; ++i) {
        message << "\n" << distinct[i].first;
        if (distinct[i].second > 1) {
            message << " (" << distinct[i].second << " times)";
        }
    }
    if (distinct.size() > kMaxListed) {
        message << "\nand " << distinct.size() - kMaxListed << " other kinds.";
    }
    return message.str();
}

} // namespace stochvar
