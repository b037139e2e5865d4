#pragma once

// CWeibull: the three-parameter Weibull family, type "WEIBULL". With d = x - LOWER_BOUND,
// P(X <= x) = 1 - exp(-DELTA d^BETA), where BETA is the shape, ALPHA the scale and
// DELTA = ALPHA^-BETA. Base parameters BETA, DELTA and LOWER_BOUND.
// COV is taken relative to MEAN - LOWER_BOUND: COV = STDDEV / (MEAN - LOWER_BOUND).
// Input types: 0 = /MEAN/STDDEV/LOWER_BOUND, 1 = /MEAN/COV/LOWER_BOUND,
// 2 = /DELTA/BETA/LOWER_BOUND, 3 = /ALPHA/BETA/LOWER_BOUND.
//
// From a mean and a spread the shape has no closed form: it is found by Newton steps on the
// coefficient of variation c(b) = sqrt(Gamma(1 + 2/b) - Gamma(1 + 1/b)^2) / Gamma(1 + 1/b), the
// derivative taken as a forward difference over 0.0005, at most 51 iterations from b = 1.
//
// STDDEV after input type 1: the slot receives COV * (MEAN - LOWER_BOUND), the standard
// deviation of the distribution that the conversion fits (COV being relative to
// MEAN - LOWER_BOUND in this family). MEAN and STDDEV thus describe the fitted distribution after
// every input type, as the Nataf mapping and the sampling checks expect, and input types 0 and 1
// give the same variable for the same (MEAN, STDDEV, LOWER_BOUND). The slot is written before
// the shape search, so it stays written when the search fails.

#include <stochvar/model/Dist.h>
#include <stochvar/numerics/DoubleDouble.h>

namespace stochvar {

class CWeibull : public CDist {
    STOCHVAR_DECLARE_SERIAL(CWeibull)

public:
    CWeibull() = default;
    // Without a source: input type 0 with MEAN 5.7, STDDEV 1.35 and LOWER_BOUND 1.1, converted
    // (the shape search settles in 7 iterations on BETA 3.8053535...).
    CWeibull(CDist** ppReference, CString strName, CDist* pSource);

    void GetParamsList(int nParamCombi, CString& strLabel, CUIntArray* pIds) override;
    // Accepts every input type: the conversion makes the tests.
    CDistStatus CheckCombination(int nParamCombi) override;
    // Refusals of the values leave every slot unchanged. A shape search that does not settle is
    // an error that leaves BETA at its last iterate (and, for input type 1, STDDEV written);
    // ALPHA and DELTA keep their values then.
    CDistStatus CalcBasePar(int nParamCombi) override;
    using CDist::CalcBasePar;

    double GetDensity(double x) override;
    double GetCumulative(double x) override;
    // No guard: +infinity at p = 1, NaN outside [0, 1].
    double GetInverse(double p) override;
    void SetAutoAxis() override;
    SMoments GetMomentsOfBasePar() const override;
    // DELTA = ALPHA^-BETA out of the range of normal doubles (it underflows for a large
    // MEAN - LOWER_BOUND with a large shape, that is a small COV), before the rules of CDist.
    void ListSamplingObstacles(CStringArray& reasons) const override;
    CDist* CreateCopy() override;

    static constexpr double kDefaultMean = 5.7;
    static constexpr double kDefaultStdDev = 1.35;
    static constexpr double kDefaultLowerBound = 1.1;

    // The coefficient of variation of a Weibull variable of shape b (independent of the scale).
    static double CoefficientOfVariation(double b);
    // The shape search: Newton steps from b = 1 towards c(b) = dTargetCov, each written to the
    // BETA slot as it is made. Returns true when an iteration among the first 50 met the
    // tolerance; nIterations receives the number of iterations run.
    bool FindShape(double dTargetCov, int& nIterations);

protected:
    // The upper tail exp(-t) with t = DELTA (x - L)^BETA, the difference and the product exact.
    double GetAccurateSurvival(double x) override;
    // NaN outside [0, 1], as GetInverse(1 - q); +infinity at q = 0.
    double GetAccurateInverseSurvival(double q) override;
    double GetAccurateLogDensity(double x) override;
    double GetAccurateLogSurvival(double x) override;

private:
    SDoubleDouble GetTailExponent(double x) const;
};

} // namespace stochvar
