#include <stochvar/numerics/TailFunctions.h>

#include <stochvar/numerics/AccurateStdNormal.h>
#include <stochvar/numerics/BetaFunctions.h>
#include <stochvar/numerics/Constants.h>

#include <cfloat>
#include <cmath>

namespace stochvar {

namespace {

using constants::kLnSqrt2Pi;

// The double nearest to 1 / sqrt(2 pi).
constexpr double kInvSqrt2Pi = 0.3989422804014327;

// Below this z, Phi(z) is no longer a normal double (Phi(-37.5) = 4.6e-308).
constexpr double kLogCdfByMillsRatio = -37.5;
// Terms of Mills' ratio's continued fraction: for t >= 37.5 each term gains more than a factor
// t^2 / k, so 40 leave it exact to the last bit.
constexpr int kMillsTerms = 40;

// The continued fraction of the incomplete beta function: iteration limit (the count grows as the
// square root of the larger exponent), and the step that ends it.
constexpr int kBetaFractionMaxSteps = 10000;
constexpr double kBetaFractionTolerance = 4.0 * DBL_EPSILON;
// Keeps the Lentz recurrences away from a division by zero.
constexpr double kLentzFloor = 1e-300;

double StdNormalDensity(double z) { return kInvSqrt2Pi * std::exp(-0.5 * z * z); }

double LentzFloored(double value) { return std::fabs(value) < kLentzFloor ? kLentzFloor : value; }

// The continued fraction of I_y(a, b) / (y^a (1 - y)^b / (a B(a, b))); converges fast for
// y < (a + 1) / (a + b + 2).
double BetaContinuedFraction(double y, double a, double b) {
    const double qab = a + b;
    const double qap = a + 1.0;
    const double qam = a - 1.0;
    double c = 1.0;
    double d = 1.0 / LentzFloored(1.0 - qab * y / qap);
    double h = d;
    for (int m = 1; m <= kBetaFractionMaxSteps; ++m) {
        const double m2 = 2.0 * m;
        // The even step, then the odd one.
        double aa = m * (b - m) * y / ((qam + m2) * (a + m2));
        d = 1.0 / LentzFloored(1.0 + aa * d);
        c = LentzFloored(1.0 + aa / c);
        h *= d * c;
        aa = -(a + m) * (qab + m) * y / ((a + m2) * (qap + m2));
        d = 1.0 / LentzFloored(1.0 + aa * d);
        c = LentzFloored(1.0 + aa / c);
        const double step = d * c;
        h *= step;
        if (std::fabs(step - 1.0) <= kBetaFractionTolerance) {
            break;
        }
    }
    return h;
}

// y^a y1^b / B(a, b).
double BetaTailFactor(double y, double y1, double a, double b) {
    const double B = dBeta(a, b); // -1 when it underflows
    const double ya = std::pow(y, a);
    const double yb = std::pow(y1, b);
    const auto isNormal = [](double v) { return v >= DBL_MIN && v <= DBL_MAX; };
    if (isNormal(B) && isNormal(ya) && isNormal(yb)) {
        return ya * yb / B;
    }
    return std::exp(a * std::log(y) + b * std::log(y1) - dLBeta(a, b));
}

} // namespace

double StdNormalCdfAt(SDoubleDouble z) {
    return AccurateStdNormalCdf(z.hi) + StdNormalDensity(z.hi) * z.lo;
}

double LogStdNormalCdfAt(SDoubleDouble z) {
    if (z.hi < kLogCdfByMillsRatio) {
        const double t = -z.hi;
        double f = t;
        for (int k = kMillsTerms; k >= 1; --k) {
            f = t + k / f;
        }
        const SDoubleDouble halfSquare = Times(Square(Negated(z)), 0.5);
        return -halfSquare.hi - halfSquare.lo - kLnSqrt2Pi - std::log(f);
    }
    const double F = StdNormalCdfAt(z);
    if (F <= 0.5) {
        return std::log(F);
    }
    return std::log1p(-StdNormalCdfAt(Negated(z)));
}

SBetaTails IncompleteBetaTails(double y, double y1, double a, double b) {
    if (std::isnan(y) || std::isnan(y1)) {
        return {y + y1, y + y1};
    }
    if (!(y > 0.0)) {
        return {0.0, 1.0};
    }
    if (!(y1 > 0.0)) {
        return {1.0, 0.0};
    }
    const double factor = BetaTailFactor(y, y1, a, b);
    if (y < (a + 1.0) / (a + b + 2.0)) {
        const double dLower = factor * BetaContinuedFraction(y, a, b) / a;
        return {dLower, 1.0 - dLower};
    }
    const double dUpper = factor * BetaContinuedFraction(y1, b, a) / b;
    return {1.0 - dUpper, dUpper};
}

} // namespace stochvar
