// Diagnostic lines and the error state on worker threads.

#include <stochvar/numerics/BetaFunctions.h>
#include <stochvar/numerics/DiagnosticCapture.h>
#include <stochvar/numerics/ErrorState.h>

#include "CapturedOutput.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

using namespace stochvar;
using stochvar::test::CapturedOutputOf;

namespace {

// A capture takes the lines of its own thread only, the innermost capture first; printing it
// later gives the bytes that printing at once would have given.
TEST(DiagnosticCapture, TakesTheLinesOfItsThreadOnly) {
    const std::string linesA = CapturedOutputOf([] { dLBeta(-1.0, 2.0); });
    const std::string linesB = CapturedOutputOf([] { dLBeta(0.0, 1.0); });
    const std::string linesC = CapturedOutputOf([] { dLBeta(-2.0, 1.0); });
    ASSERT_FALSE(linesA.empty() || linesB.empty() || linesC.empty());
    std::string workerText;
    std::string innerText;
    const std::string printed = CapturedOutputOf([&] {
        std::thread worker([&] {
            CDiagnosticCapture capture;
            dLBeta(-1.0, 2.0);
            {
                CDiagnosticCapture inner;
                PrintDiagnostic("n in GaussHerm must be equal %d", 20);
                innerText = inner.GetText();
            }
            dLBeta(0.0, 1.0);
            workerText = capture.GetText();
        });
        worker.join();
        dLBeta(-2.0, 1.0); // this thread has no capture
    });
    EXPECT_EQ(printed, linesC);
    EXPECT_EQ(innerText, "n in GaussHerm must be equal 20");
    EXPECT_EQ(workerText, linesA + linesB);
    EXPECT_EQ(CapturedOutputOf([&] { PrintCapturedDiagnostics(workerText); }), workerText);
}

// Every thread starts from an error state of zeros and changes only its own.
TEST(DiagnosticCapture, ErrorStateBelongsToItsThread) {
    const SErrorState saved = GetErrorState();
    ErrState(ERRSTATE_ERROR_NUMBER, 5, true);
    SErrorState seenByWorker;
    std::thread worker([&] {
        seenByWorker = GetErrorState();
        ErrState(ERRSTATE_RECOVERY_MODE, 2, true);
    });
    worker.join();
    EXPECT_EQ(seenByWorker, SErrorState{});
    EXPECT_EQ(ErrState(ERRSTATE_ERROR_NUMBER, 0, false), 5);
    EXPECT_EQ(ErrState(ERRSTATE_RECOVERY_MODE, 0, false), saved.nSlots[ERRSTATE_RECOVERY_MODE]);
    SetErrorState(saved);
}

} // namespace
