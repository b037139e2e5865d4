#pragma once

// CExponential: the shifted exponential family, type "EXPONENTIAL". X - LOWER_BOUND is
// exponential with rate LAMBDA. Base parameters LAMBDA and LOWER_BOUND; MEAN, STDDEV (= 1 / LAMBDA)
// and COV (= STDDEV / |MEAN|) are kept in step.
// Input types: 0 = /MEAN/LOWER_BOUND, 1 = /LAMBDA/LOWER_BOUND, 2 = /MEAN/STDDEV,
// 3 = /MEAN/COV. As MEAN - LOWER_BOUND equals STDDEV, the last two place the lower bound.

#include <stochvar/model/Dist.h>
#include <stochvar/numerics/DoubleDouble.h>

namespace stochvar {

class CExponential : public CDist {
    STOCHVAR_DECLARE_SERIAL(CExponential)

public:
    CExponential() = default;
    // Without a source: input type 0 with MEAN 0.35 and LOWER_BOUND 0.1, converted (LAMBDA 4).
    CExponential(CDist** ppReference, CString strName, CDist* pSource);

    void GetParamsList(int nParamCombi, CString& strLabel, CUIntArray* pIds) override;
    // Accepts every input type: the conversion makes the tests.
    CDistStatus CheckCombination(int nParamCombi) override;
    // Errors leave every slot unchanged; a mean too close to zero for a COV only warns.
    CDistStatus CalcBasePar(int nParamCombi) override;
    using CDist::CalcBasePar;

    double GetDensity(double x) override;
    double GetCumulative(double x) override;
    // 0.0 (not the lower bound) for p < 0; +infinity at p = 1 and NaN above.
    double GetInverse(double p) override;
    void SetAutoAxis() override;
    SMoments GetMomentsOfBasePar() const override;
    CDist* CreateCopy() override;

    static constexpr double kDefaultMean = 0.35;
    static constexpr double kDefaultLowerBound = 0.1;

protected:
    // The upper tail exp(-t) with the exponent t = (x - L) LAMBDA to twice a double's precision.
    double GetAccurateSurvival(double x) override;
    // 0.0 for q > 1, as GetInverse(1 - q); +infinity at q = 0.
    double GetAccurateInverseSurvival(double q) override;
    double GetAccurateLogDensity(double x) override;
    double GetAccurateLogSurvival(double x) override;

private:
    SDoubleDouble GetTailExponent(double x) const;
};

} // namespace stochvar
