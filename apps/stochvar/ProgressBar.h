#pragma once

// CProgressBar: a one-line progress bar on standard error for long runs. It appears only when
// standard error is a terminal and only once a run has taken longer than a moment, so short
// runs, pipes and files never see it. Finish clears the line.

#include <chrono>
#include <string>

namespace stochvar::cli {

class CProgressBar {
public:
    // nTotal units of work; bEnabled false keeps the bar silent whatever happens. The label, if
    // any, stands before the bar ("skipping [####....]  50%").
    CProgressBar(long long nTotal, bool bEnabled, std::string strLabel = {});
    ~CProgressBar();
    CProgressBar(const CProgressBar&) = delete;
    CProgressBar& operator=(const CProgressBar&) = delete;

    // Cheap enough to call for every unit; looks at the clock only now and then.
    void Update(long long nDone) {
        if (m_bEnabled && nDone >= m_nNextCheck) {
            Check(nDone);
        }
    }
    void Finish();

    // Whether standard error is a terminal.
    static bool IsStderrTerminal();

private:
    void Check(long long nDone);
    void Draw(long long nDone);

    long long m_nTotal;
    bool m_bEnabled;
    std::string m_strLabel;
    bool m_bShown = false;
    long long m_nNextCheck = 0;
    int m_nLastPercent = -1;
    std::chrono::steady_clock::time_point m_start;
};

} // namespace stochvar::cli
