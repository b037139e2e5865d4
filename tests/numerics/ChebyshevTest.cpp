#include <stochvar/numerics/Chebyshev.h>
#include <stochvar/numerics/ChebyshevTables.h>
#include <stochvar/numerics/MachineConstant.h>

#include "CapturedOutput.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace stochvar;
using stochvar::test::CapturedOutputOf;

namespace {

// T_k(x) from its closed forms, independent of any recurrence.
double ChebyshevT(int k, double x) {
    if (std::fabs(x) <= 1.0) {
        return std::cos(k * std::acos(x));
    }
    const double sign = (x < 0.0 && k % 2 == 1) ? -1.0 : 1.0;
    return sign * std::cosh(k * std::acosh(std::fabs(x)));
}

// The series with its first coefficient halved, summed term by term.
double DirectSeries(double x, const std::vector<double>& cs) {
    double sum = 0.5 * cs[0];
    for (int k = 1; k < static_cast<int>(cs.size()); ++k) {
        sum += cs[k] * ChebyshevT(k, x);
    }
    return sum;
}

TEST(Dcsevl, AgreesWithTheTermByTermSum) {
    const std::vector<std::vector<double>> series = {
        {2.0},
        {2.0, 0.5},
        {1.0, -0.25, 0.125, 0.0625},
        {0.3, 1.7, -2.2, 0.9, -0.4, 0.05, 0.01},
        std::vector<double>(ALNRCS, ALNRCS + 22),
    };
    const double xs[] = {-1.0, -0.73, -0.2, 0.0, 0.31, 0.5, 0.999, 1.0, 1.05, -1.1};
    for (const auto& cs : series) {
        for (double x : xs) {
            double value = 0.0;
            const std::string out = CapturedOutputOf(
                [&] { value = dcsevl(x, cs.data(), static_cast<int>(cs.size())); });
            EXPECT_EQ(out, "") << "x = " << x;
            // Both sums are dominated by terms of size max|c_k|; a few roundings each.
            EXPECT_NEAR(value, DirectSeries(x, cs), 1e-14) << "x = " << x << ", n = " << cs.size();
        }
    }
}

TEST(Dcsevl, ReportsBadArgumentsAndStillEvaluates) {
    const std::vector<double> cs = {1.0, 0.5, 0.25};
    const std::vector<double> many(1001, 0.001);
    struct Case {
        double x;
        const double* cs;
        int n;
        const char* expected;
    };
    const Case cases[] = {
        {0.5, cs.data(), 3, ""},
        {1.1, cs.data(), 3, ""},
        {-1.1, cs.data(), 3, ""},
        {1.2, cs.data(), 3, "dcsevl:  x outside (-1,+1)\n"},
        {-1.2, cs.data(), 3, "dcsevl:  x outside (-1,+1)\n"},
        {0.5, cs.data(), 0, "dcsevl:  number of terms le 0\n"},
        {0.5, cs.data(), -4, "dcsevl:  number of terms le 0\n"},
        {0.5, many.data(), 1000, ""},
        {0.5, many.data(), 1001, "dcsevl:  number of terms gt 1000\n"},
        {2.0, cs.data(), 0, "dcsevl:  number of terms le 0\ndcsevl:  x outside (-1,+1)\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CapturedOutputOf([&] { dcsevl(c.x, c.cs, c.n); }), c.expected)
            << "x = " << c.x << ", n = " << c.n;
    }
    // Outside [-1, 1] the recurrence still gives the value of the series there.
    double value = 0.0;
    CapturedOutputOf([&] { value = dcsevl(1.2, cs.data(), 3); });
    EXPECT_NEAR(value, DirectSeries(1.2, cs), 1e-14);
    // No terms: nothing summed.
    CapturedOutputOf([&] { value = dcsevl(0.5, cs.data(), 0); });
    EXPECT_EQ(value, 0.0);
}

// The tail of os from term n on, in absolute value.
double TailFrom(const double* os, int nos, int n) {
    double tail = 0.0;
    for (int k = nos - 1; k >= n; --k) {
        tail += std::fabs(os[k]);
    }
    return tail;
}

TEST(InitDS, SmallTables) {
    const double os[] = {1.0, -0.1, 0.01, -0.001};
    struct Case {
        double eta;
        int expected;
    };
    // The count keeps the term whose addition reached eta; everything after it is dropped.
    const Case cases[] = {
        {0.0005, 4}, {0.001, 4}, {0.0011, 3}, {0.005, 3}, {0.011, 3},
        {0.0111, 2}, {0.1, 2},   {0.2, 1},    {1.2, 1},   {100.0, 1},
    };
    for (const Case& c : cases) {
        int n = 0;
        EXPECT_EQ(CapturedOutputOf([&] { n = InitDS(os, 4, c.eta); }), "") << "eta = " << c.eta;
        EXPECT_EQ(n, c.expected) << "eta = " << c.eta;
    }
}

TEST(InitDS, NonPositiveAccuracyIsReported) {
    const double os[] = {1.0, -0.1, 0.01, -0.001};
    for (double eta : {0.0, -1.0}) {
        int n = 0;
        EXPECT_EQ(CapturedOutputOf([&] { n = InitDS(os, 4, eta); }),
                  "InitDS:  eta may be too small\n");
        EXPECT_EQ(n, 3) << "eta = " << eta;
    }
}

struct TableCase {
    const char* name;
    const double* table;
    int count;
    double eta;
    int terms;
    double first;
};

const TableCase kTables[] = {
    {"GAMCS", GAMCS, GAMCS_COUNT, 0.1 * MachineConstant(MACHINE_SMALLEST_RELATIVE_SPACING), 22,
     0.00857119559098933},
    {"ALGMCS", ALGMCS, ALGMCS_COUNT, MachineConstant(MACHINE_SMALLEST_RELATIVE_SPACING), 5,
     0.16663894804518634},
    {"ALNRCS", ALNRCS, ALNRCS_COUNT, 0.1 * MachineConstant(MACHINE_SMALLEST_RELATIVE_SPACING), 22,
     1.037869356274377},
};

TEST(InitDS, TermCountsOfTheCoefficientTables) {
    for (const TableCase& t : kTables) {
        int n = 0;
        EXPECT_EQ(CapturedOutputOf([&] { n = InitDS(t.table, t.count, t.eta); }), "") << t.name;
        EXPECT_EQ(n, t.terms) << t.name;
        // What the count means, checked from the table itself: the dropped tail is below eta,
        // and dropping one more term would not be.
        EXPECT_LT(TailFrom(t.table, t.count, n), t.eta) << t.name;
        EXPECT_GE(TailFrom(t.table, t.count, n - 1), t.eta) << t.name;
    }
}

TEST(ChebyshevTables, SizesAndFirstEntries) {
    EXPECT_EQ(GAMCS_COUNT, 42);
    EXPECT_EQ(ALGMCS_COUNT, 15);
    EXPECT_EQ(ALNRCS_COUNT, 43);
    for (const TableCase& t : kTables) {
        EXPECT_NEAR(t.table[0], t.first, 1e-16 * t.first) << t.name;
        // Chebyshev coefficients of analytic functions fall off geometrically: each table ends
        // far below double precision and, after the leading terms, every entry is smaller than the
        // one before it, which a dropped, doubled or mistyped entry would likely break.
        EXPECT_LT(std::fabs(t.table[t.count - 1]), 1e-29) << t.name;
        for (int k = 3; k < t.count; ++k) {
            EXPECT_LT(std::fabs(t.table[k]), std::fabs(t.table[k - 1]))
                << t.name << "[" << k << "]";
        }
    }
}

TEST(ChebyshevTables, GammaSeriesGivesGammaOnOneToTwo) {
    // Gamma(1 + y) = 0.9375 + series(2y - 1); glibc's tgamma is correct to a few units in the
    // last place, so the two agree to a few times 1e-16.
    for (double y = 0.0; y < 1.0; y += 1.0 / 64.0) {
        const double series = 0.9375 + dcsevl(2.0 * y - 1.0, GAMCS, 42);
        EXPECT_NEAR(series, std::tgamma(1.0 + y), 1e-15) << "y = " << y;
    }
}

TEST(ChebyshevTables, LogSeriesGivesLogOnePlusX) {
    // ln(1 + x) = x (1 - x series(x / 0.375)) on |x| <= 0.375.
    for (double x = -0.375; x <= 0.375; x += 0.375 / 32.0) {
        const double series = x * (1.0 - x * dcsevl(x / 0.375, ALNRCS, 43));
        EXPECT_NEAR(series, std::log1p(x), 4e-16 * std::fabs(std::log1p(x)) + 1e-300)
            << "x = " << x;
    }
}

} // namespace
