#include "ProgressBar.h"

#include <cstdio>
#include <unistd.h>
#include <utility>

namespace stochvar::cli {

namespace {

// A run shows its bar once it has lasted this long.
constexpr std::chrono::milliseconds kDelay{700};
// Units of work between two looks at the clock.
constexpr long long kCheckInterval = 4096;
constexpr int kBarWidth = 40;

} // namespace

CProgressBar::CProgressBar(long long nTotal, bool bEnabled, std::string strLabel)
    : m_nTotal(nTotal), m_bEnabled(bEnabled && nTotal > 0), m_strLabel(std::move(strLabel)),
      m_start(std::chrono::steady_clock::now()) {
    if (!m_strLabel.empty()) {
        m_strLabel += ' ';
    }
}

CProgressBar::~CProgressBar() { Finish(); }

bool CProgressBar::IsStderrTerminal() { return isatty(STDERR_FILENO) == 1; }

void CProgressBar::Check(long long nDone) {
    m_nNextCheck = nDone + kCheckInterval;
    if (!m_bShown && std::chrono::steady_clock::now() - m_start < kDelay) {
        return;
    }
    m_bShown = true;
    Draw(nDone);
}

void CProgressBar::Draw(long long nDone) {
    const int nPercent = static_cast<int>(100 * nDone / m_nTotal);
    if (nPercent == m_nLastPercent) {
        return;
    }
    m_nLastPercent = nPercent;
    const int nFilled = static_cast<int>(kBarWidth * nDone / m_nTotal);
    char bar[kBarWidth + 1];
    for (int i = 0; i < kBarWidth; ++i) {
        bar[i] = i < nFilled ? '#' : '.';
    }
    bar[kBarWidth] = '\0';
    std::fprintf(stderr, "\r%s[%s] %3d%%", m_strLabel.c_str(), bar, nPercent);
    std::fflush(stderr);
}

void CProgressBar::Finish() {
    if (m_bShown) {
        std::fprintf(stderr, "\r%*s\r", static_cast<int>(m_strLabel.size()) + kBarWidth + 8, "");
        std::fflush(stderr);
        m_bShown = false;
    }
    m_bEnabled = false;
}

} // namespace stochvar::cli
