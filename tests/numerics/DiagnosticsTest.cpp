// What the numerics print: every diagnostic line, byte for byte, with the value returned on the
// reported path; the error state store; and diagnostics and error state on worker threads.

#include <stochvar/numerics/BetaFunctions.h>
#include <stochvar/numerics/Chebyshev.h>
#include <stochvar/numerics/DiagnosticCapture.h>
#include <stochvar/numerics/Elementary.h>
#include <stochvar/numerics/ErrorState.h>
#include <stochvar/numerics/GammaFunctions.h>

#include "CapturedOutput.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using namespace stochvar;
using stochvar::test::CapturedOutputOf;

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();
const double kCs[] = {1.0, 0.5, 0.25};
const std::vector<double> kMany(1001, 0.001);
const double kOs[] = {1.0, -0.1, 0.01, -0.001};

double GammaXmax(double dSmallest = 1e-307) { // the machine constants' limits by default
    double xmin = 0.0, xmax = 0.0;
    detail::D9GamlFrom(dSmallest, 1e307, xmin, xmax);
    return xmax;
}

double BetaInvX(double p, double a, double b) {
    double x = -1.0;
    int nStatus = -1;
    BetaInv(p, a, b, x, nStatus);
    return x;
}

// ENTSRC from a given error number and mode; returns the mode afterwards. The old mode it hands
// back is the mode before, and the error number is left alone.
double Entsrc(int nError, int nModeBefore, int nNewMode) {
    ErrState(ERRSTATE_ERROR_NUMBER, nError, true);
    ErrState(ERRSTATE_RECOVERY_MODE, nModeBefore, true);
    int nOld = -99;
    ENTSRC(nOld, nNewMode);
    EXPECT_EQ(nOld, nModeBefore);
    EXPECT_EQ(ErrState(ERRSTATE_ERROR_NUMBER, 0, false), nError);
    return ErrState(ERRSTATE_RECOVERY_MODE, 0, false);
}

struct SPrinted {
    const char* call;
    std::function<double()> run;
    std::string printed;
    std::optional<double> value = std::nullopt;
};
#define CALL(...) #__VA_ARGS__, [] { return static_cast<double>(__VA_ARGS__); }

TEST(Diagnostics, LinesAndValuesOfEveryReportedPath) {
    const std::string g0 = "dGamma: x is 0\n", gInt = "dGamma: x is a negative int\n";
    const std::string gHalf = "dGamma: Answer < half precision because x too near negative int\n";
    const std::string gHalf2 = "dGamma: Answer < half precision, x too near negative int\n";
    const std::string gBig = "dGamma:  x so big gamma overflows\n";
    const std::string gSmall = "dGamma:  x so small gamma underflows\n";
    const std::string lgBig = "dLnGam:  abs(x) so big dLnGam overflows\n";
    const std::string lgHalf =
        "dLnGam:  answer lt half precision because x too near negative int\n";
    const std::string lgmc = "d9lgmc  x must be  >=  10\n", csX = "dcsevl:  x outside (-1,+1)\n";
    const std::string csFew = "dcsevl:  number of terms le 0\n";
    const std::string lBeta = "dLBeta: Both arguments must be > zero\n";
    const std::string beta = "dBeta: both arguments must be > 0\n";
    const std::string iRange = "BetaI:  x is not in the range (0,1)\n";
    const std::string iShape = "BetaI: a and/or b is le zero\n", lnRel = "dLnRel:  x is <= -1\n";
    const std::string illegal = "ENTSRC:  Illegal value of IrNew\n";
    const SPrinted cases[] = {
        {CALL(dGamma(0.0)), g0, kInf},
        {CALL(std::fabs(dGamma(-3.0))), gInt + gHalf, kInf},
        {CALL(dGamma(-3.0 + 1e-9)), gHalf}, // relative distance 3.3e-10 < 4.2e-8
        {CALL(dGamma(-3.0 + 1e-6)), ""},    // 3.3e-7
        {CALL(dGamma(10.0)), ""},
        {CALL(dGamma(-12.0)), gHalf2}, // the sine of a rounded multiple of pi is not 0
        {CALL(dGamma(-12.0 + 1e-7)), gHalf2},
        {CALL(dGamma(-12.0 + 1e-5)), ""},
        {CALL(dGamma(171.1)), gBig, std::tgamma(171.1)}, // the computation goes on
        {CALL(dGamma(200.0)), gBig, kInf},
        {CALL(dGamma(-170.06)), gSmall}, // the limits are 171.0525 and 1 - 171.0525
        {CALL(dGamma(-200.0)), gSmall, 0.0},
        {CALL(GammaXmax()), ""},
        {CALL(GammaXmax(kNaN)), "D9Gaml: Unable to find xmin\n"}, // the search never settles
        {CALL(dGamma(GammaXmax())), ""},
        {CALL(dGamma(std::nextafter(GammaXmax(), 200.0))), gBig},
        {CALL(dGamma(1.0 - GammaXmax())), gSmall}, // the lower limit
        {CALL(dGamma(std::nextafter(1.0 - GammaXmax(), 0.0))), ""},
        {CALL(d9lgmc(5.0)), lgmc + csX}, // the series is evaluated at 2 (10/5)^2 - 1 = 7
        {CALL(d9lgmc(9.9)), lgmc},       // still within dcsevl's tolerance
        {CALL(d9lgmc(8.34e305)), "d9lgmc:  x so big d9lgmc underflows\n", 0.0},
        {CALL(d9lgmc(8.33e305)), ""},
        {CALL(dLnGam(1e304)), ""},
        {CALL(dLnGam(1e305)), lgBig, std::lgamma(1e305)},
        {CALL(dLnGam(-3.0)), gInt + gHalf},
        {CALL(dLnGam(-12.0 + 1e-9)), lgHalf},
        {CALL(dLnGam(-12.0 + 1e-3)), ""},
        {CALL(dLnGam(-1e305)), lgBig + lgHalf}, // x - 0.5 rounds to x: a "negative integer"
        {CALL(dcsevl(1.1, kCs, 3)), ""}, // the tolerance: 1.1 either way, and just beyond
        {CALL(dcsevl(-1.1, kCs, 3)), ""},
        {CALL(dcsevl(1.1005, kCs, 3)), csX},
        {CALL(dcsevl(-1.1005, kCs, 3)), csX},
        {CALL(dcsevl(-1.2, kCs, 3)), csX, 0.37}, // still the value of the series there
        {CALL(dcsevl(0.5, kCs, 0)), csFew, 0.0},
        {CALL(dcsevl(0.5, kCs, 1)), "", 0.5}, // one term: half of it
        {CALL(dcsevl(0.5, kMany.data(), 1000)), ""},
        {CALL(dcsevl(0.5, kMany.data(), 1001)), "dcsevl:  number of terms gt 1000\n"},
        {CALL(dcsevl(2.0, kCs, 0)), csFew + csX},
        {CALL(InitDS(kOs, 4, 0.0)), "InitDS:  eta may be too small\n", 3.0},
        {CALL(dLBeta(0.0, 1.0)), lBeta + g0},
        {CALL(dLBeta(-0.5, 2.0)), lBeta},
        {CALL(dBeta(0.0, 1.0)), beta + g0},
        {CALL(dBeta(1.0, 0.0)), beta + g0},
        {CALL(dBeta(-0.5, 2.0)), beta},
        {CALL(dBeta(1e-5, 1.0)), "", 1e5}, // small positive shapes are fine
        {CALL(BetaI(1.5, 2.0, 2.0)), iRange, 1.0},
        {CALL(BetaI(-0.1, 2.0, 2.0)), iRange, 0.0},
        {CALL(BetaI(0.5, 0.0, 2.0)), iShape},
        {CALL(BetaI(0.5, 2.0, 0.0)), iShape},
        {CALL(BetaI(1.5, 0.0, 2.0)), iRange + iShape + lBeta + g0},
        // p alpha B = 1: the start is x = 1, where ln(1 - x) is taken once; bisection follows.
        {CALL(BetaInvX(0.5, 1.0, 0.5)), lnRel, 0.75},
        {CALL(BetaInvX(0.3, 1000.0, 1000.0)), "", -1.0},
        {CALL(dLnRel(-0.999999)), ""},
        {CALL(dLnRel(-1.0)), lnRel, -kInf},
        {CALL(dLnRel(-2.0)), lnRel, kNaN},
        {CALL(Entsrc(0, 0, 1)), "", 1.0},
        {CALL(Entsrc(0, 2, 0)), "", 2.0}, // 0 keeps the mode
        {CALL(Entsrc(0, 2, 1)), "", 1.0},
        {CALL(Entsrc(0, 1, 3)), illegal, 3.0}, // reported, and still taken
        {CALL(Entsrc(0, 0, -1)), illegal, -1.0},
        {CALL(Entsrc(4, 0, 1)), "ENTSRC - Called while in an error state\n", 1.0},
        {CALL(Entsrc(4, 1, 7)), illegal + "ENTSRC - Called while in an error state\n", 7.0},
    };
    const SErrorState saved = GetErrorState();
    for (const SPrinted& c : cases) {
        double value = 0.0;
        EXPECT_EQ(CapturedOutputOf([&] { value = c.run(); }), c.printed) << c.call;
        if (!c.value) continue;
        const double expected = *c.value;
        if (std::isnan(expected)) {
            EXPECT_TRUE(std::isnan(value)) << c.call << " gives " << value;
        } else if (value != expected) {
            EXPECT_NEAR(value, expected, 1e-12 * std::fabs(expected)) << c.call;
        }
    }
    SetErrorState(saved);
}

TEST(ErrorState, ReadAndStore) {
    const SErrorState saved = GetErrorState();
    ErrState(ERRSTATE_ERROR_NUMBER, 0, true);
    EXPECT_EQ(ErrState(ERRSTATE_ERROR_NUMBER, 7, false), 0); // read only
    EXPECT_EQ(ErrState(ERRSTATE_ERROR_NUMBER, 7, true), 0);  // returns the old value
    ErrState(ERRSTATE_RECOVERY_MODE, 4, true);
    EXPECT_EQ(ErrState(ERRSTATE_ERROR_NUMBER, 9, true), 7); // slots are independent
    for (int nSlot : {3, -1}) { // outside the store: reads as 0 and keeps nothing
        EXPECT_EQ(ErrState(nSlot, 5, true), 0);
        EXPECT_EQ(ErrState(nSlot, 0, false), 0);
    }
    SetErrorState(saved);
}

// A capture takes the lines of its own thread only, the innermost capture first; printing it
// later gives the bytes that printing at once would have given. Each thread starts from an error
// state of zeros and changes only its own.
TEST(DiagnosticCapture, LinesAndErrorStateBelongToTheirThread) {
    const std::string lineA = CapturedOutputOf([] { dLBeta(-1.0, 2.0); });
    const std::string linesB = CapturedOutputOf([] { dLBeta(0.0, 1.0); });
    ASSERT_FALSE(lineA.empty() || linesB.empty());
    const SErrorState saved = GetErrorState();
    ErrState(ERRSTATE_ERROR_NUMBER, 5, true);
    std::string workerText, innerText;
    SErrorState seenByWorker;
    const std::string printed = CapturedOutputOf([&] {
        std::thread worker([&] {
            seenByWorker = GetErrorState();
            ErrState(ERRSTATE_RECOVERY_MODE, 2, true);
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
        dLBeta(-1.0, 2.0); // this thread has no capture
    });
    EXPECT_EQ(printed, lineA);
    EXPECT_EQ(innerText, "n in GaussHerm must be equal 20");
    EXPECT_EQ(workerText, lineA + linesB);
    EXPECT_EQ(CapturedOutputOf([&] { PrintCapturedDiagnostics(workerText); }), workerText);
    EXPECT_EQ(seenByWorker, SErrorState{});
    EXPECT_EQ(ErrState(ERRSTATE_ERROR_NUMBER, 0, false), 5);
    EXPECT_EQ(ErrState(ERRSTATE_RECOVERY_MODE, 0, false), saved.nSlots[ERRSTATE_RECOVERY_MODE]);
    SetErrorState(saved);
}

} // namespace
