#include <stochvar/numerics/MachineConstant.h>
#include <stochvar/numerics/StdNormal.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace stochvar;

namespace {

double Phi(double x) { return StdNormal(STDNORMAL_CDF, x); }
double PhiInverse(double p) { return StdNormal(STDNORMAL_INVERSE, p); }

// The exact normal cumulative function through the complementary error function.
double ExactPhi(double x) { return 0.5 * std::erfc(-x / std::sqrt(2.0)); }

// The exact inverse by bisection on ExactPhi; good to about 1e-12 in z.
double ExactPhiInverse(double p) {
    double lo = -40.0;
    double hi = 40.0;
    for (int i = 0; i < 200; ++i) {
        const double mid = 0.5 * (lo + hi);
        (ExactPhi(mid) < p ? lo : hi) = mid;
    }
    return 0.5 * (lo + hi);
}

TEST(StdNormal, CumulativeWithinPublishedErrorBound) {
    // Abramowitz and Stegun give |error| < 7.5e-8 for formula 26.2.17.
    for (double x = -9.0; x <= 9.0; x += 0.01) {
        ASSERT_NEAR(Phi(x), ExactPhi(x), 7.5e-8) << "x = " << x;
    }
}

TEST(StdNormal, InverseWithinPublishedErrorBound) {
    // Abramowitz and Stegun give |error| < 4.5e-4 for formula 26.2.23.
    for (double p = 1e-12; p < 1.0; p = p < 0.01 ? p * 1.5 : p + 0.001) {
        ASSERT_NEAR(PhiInverse(p), ExactPhiInverse(p), 4.5e-4) << "p = " << p;
    }
}

TEST(StdNormal, DocumentedValues) {
    struct Case {
        double x, expected, tolerance;
    };
    // Values of the approximation itself (not of the exact function), to ten digits.
    const Case cumulative[] = {
        {0.0, 0.4999999995, 1e-10}, {1.0, 0.8413447404, 1e-10},
        {-3.0, 0.0013499672, 1e-10}, {1.96, 0.9750021748, 1e-10},
    };
    for (const Case& c : cumulative) {
        EXPECT_NEAR(Phi(c.x), c.expected, c.tolerance) << "Phi(" << c.x << ")";
    }
    EXPECT_NEAR(PhiInverse(0.975), 1.9603949169, 1e-10);
    EXPECT_NEAR(PhiInverse(0.025), -1.9603949169, 1e-10);
    EXPECT_NEAR(PhiInverse(1e-10), -6.3609388694, 1e-10);
    // The median is not exactly zero with this approximation.
    EXPECT_GT(PhiInverse(0.5), 0.0);
    EXPECT_NEAR(PhiInverse(0.5), 1.01e-7, 0.01e-7);
    EXPECT_NE(Phi(0.0), 0.5);
}

TEST(StdNormal, SaturationAndCutOff) {
    EXPECT_EQ(Phi(400.0), 1.0);
    EXPECT_EQ(Phi(-400.0), 0.0);
    EXPECT_EQ(Phi(40.0), 1.0); // inside the cut-off, but 1 - Q rounds to 1
    EXPECT_GT(Phi(-37.0), 0.0); // the lower tail is still representable there
    const double T = 352.65366459402605;
    EXPECT_EQ(Phi(-T), 0.0);
    EXPECT_EQ(Phi(std::nextafter(-T, 0.0)), 0.0); // exp underflows before the cut-off too
    EXPECT_TRUE(std::isnan(Phi(std::numeric_limits<double>::quiet_NaN())));
}

TEST(StdNormal, InverseOutsideTheOpenInterval) {
    struct Case {
        double p, expected;
    };
    const Case cases[] = {
        {0.0, -1000.0}, {1.0, 1000.0}, {-0.1, -1000.0}, {1.5, 1000.0},
        {std::numeric_limits<double>::quiet_NaN(), -1000.0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PhiInverse(c.p), c.expected) << "p = " << c.p;
    }
}

TEST(StdNormal, InverseIsAntisymmetric) {
    for (double p = 0.001; p < 0.5; p += 0.0137) {
        EXPECT_NEAR(PhiInverse(1.0 - p), -PhiInverse(p), 1e-12) << "p = " << p;
    }
}

TEST(StdNormal, UnknownSelectorGivesZero) {
    EXPECT_EQ(StdNormal(0, 1.0), 0.0);
    EXPECT_EQ(StdNormal(3, 0.3), 0.0);
}

TEST(MachineConstant, Table) {
    EXPECT_EQ(MachineConstant(1), 1e-307);
    EXPECT_EQ(MachineConstant(2), 1e307);
    EXPECT_EQ(MachineConstant(3), 8.8817841970012e-16);
    EXPECT_EQ(MachineConstant(4), 1.7763568394003e-15);
    // Just below 2^-50.
    EXPECT_LT(MachineConstant(MACHINE_SMALLEST_RELATIVE_SPACING), std::ldexp(1.0, -50));
    EXPECT_EQ(MachineConstant(0), 0.0);
    EXPECT_EQ(MachineConstant(5), 0.0);
    // The cut-off of the cumulative function follows from the smallest value.
    EXPECT_NEAR(-0.5 * std::log(4.0 * MachineConstant(MACHINE_SMALLEST_POSITIVE)) - 0.1,
                352.65366459402605, 1e-12);
}

} // namespace
