#pragma once

// Rules shared by several families, written once: automatic axis bounds, the COV from mean and
// standard deviation, the combination check of the families that test everything in their
// conversion, the conversion of the families made of a lower bound and one scale, and the checks
// and texts that several conversions share.

#include <stochvar/model/Dist.h>

namespace stochvar::family_rules {

// Texts shared by several families.
inline constexpr const char* kMsgCovNotCalculated = "CoV could not be calculated.";
inline constexpr const char* kMsgLowerBoundAboveMean = "Lower bound is larger than mean.";
inline constexpr const char* kMsgLambdaNotPositive = "Lambda must be positive.";

// Chart axis centred on the mean: [M - 5 S, M + 5 S] when S > 0; otherwise (S <= 0 or NaN) the
// bounds stay as they are.
void SetMeanCentredAxis(CDist& dist);

// Chart axis starting at the lower bound: [L, M + 5 S] when S > 0; otherwise the bounds stay.
void SetLowerBoundAxis(CDist& dist);

// Chart axis over a support [L, U]: when L < U, with d = (U - L) * dMarginFraction, the bounds
// are [L - d, U + d], and with a zero fraction exactly [L, U] (also over an infinite span, and
// with the sign of a zero bound kept); otherwise (U <= L or NaN) the fixed kind's rule
// [M - 1, M + 1] applies.
void SetIntervalAxis(CDist& dist, double dMarginFraction);

// How SetCovFromMeanAndStdDev divides the standard deviation: by the mean as it is (COV carries the
// sign of the mean) or by its magnitude (COV is never negative).
enum class ECovDivisor { SignedMean, MeanMagnitude };

// What SetCovFromMeanAndStdDev does when the mean is too close to zero for a ratio: COV keeps its
// previous value, silently or with the warning kMsgCovNotCalculated.
enum class ECovFallback { KeepSilently, KeepAndWarn };

// COV = S / M (or S / |M|) from the MEAN and STDDEV slots, when |M| exceeds the smallest
// relative spacing; otherwise COV keeps its value and, with KeepAndWarn, the status gets the
// warning. A NaN mean counts as too close to zero.
void SetCovFromMeanAndStdDev(CDist& dist, CDistStatus& status, ECovDivisor divisor,
                             ECovFallback fallback);

// The combination check of the families whose conversion makes all the tests: the fixed kind's
// check, which accepts every input type.
CDistStatus AcceptAnyCombination(CDist& dist, int nParamCombi);

// Refuses a mean at or below the lower bound (or either NaN) with the error
// kMsgLowerBoundAboveMean. Returns true when refused; the slots are not touched.
bool RefuseMeanNotAboveLowerBound(const CDist& dist, CDistStatus& status);

// Refuses a scale at or below the smallest positive machine constant with the error
// kMsgLambdaNotPositive (a NaN scale is not refused). Returns true when refused; the slots are not
// touched.
bool RefuseScaleNotPositive(double dScale, CDistStatus& status);

// A family made of a lower bound L and one parameter P that sets its spread (the exponential's
// rate LAMBDA, the Rayleigh THETA): P alone fixes both M - L and S. Each family gives these
// relations in its own floating-point form, so the shared conversion keeps each family's bits.
struct SLocationScaleForms {
    int nScaleParam;        // slot of P
    ECovDivisor covDivisor; // COV is formed with this divisor, with a warning when it cannot be
    double (*pfnScaleFromMeanExcess)(double dMeanExcess);   // P from M - L
    double (*pfnStdDevFromScale)(double dScale);            // S from P
    double (*pfnMeanExcess)(double dScale, double dStdDev); // M - L from P and its S
    double (*pfnScaleFromStdDev)(double dStdDev);           // P from S
};

// CalcBasePar of such a family. Input types: 0 MEAN and LOWER_BOUND (refuses M <= L),
// 1 P and LOWER_BOUND (refuses P at or below the smallest positive value), 2 MEAN and STDDEV,
// 3 MEAN and COV (S = |M COV|); the others change nothing.
CDistStatus CalcLocationScalePar(CDist& dist, int nParamCombi, const SLocationScaleForms& forms);

} // namespace stochvar::family_rules
