#pragma once

// CRayleigh: the shifted Rayleigh family, type "RAYLEIGH", with scale THETA:
// P(X <= x) = 1 - exp(-0.5 ((x - LOWER_BOUND) / THETA)^2). Base parameters THETA and LOWER_BOUND;
// MEAN (= LOWER_BOUND + sqrt(pi/2) THETA), STDDEV (= sqrt(2 - pi/2) THETA) and COV (= STDDEV /
// MEAN) are kept in step.
// Input types: 0 = /MEAN/LOWER_BOUND, 1 = /THETA/LOWER_BOUND, 2 = /MEAN/STDDEV, 3 = /MEAN/COV;
// the last two place the lower bound.

#include <stochvar/model/Dist.h>
#include <stochvar/numerics/DoubleDouble.h>

namespace stochvar {

class CRayleigh : public CDist {
    STOCHVAR_DECLARE_SERIAL(CRayleigh)

public:
    CRayleigh() = default;
    // Without a source: input type 0 with MEAN 11.2 and LOWER_BOUND 4.0, converted.
    CRayleigh(CDist** ppReference, CString strName, CDist* pSource);

    void GetParamsList(int nParamCombi, CString& strLabel, CUIntArray* pIds) override;
    // Accepts every input type: the conversion makes the tests.
    CDistStatus CheckCombination(int nParamCombi) override;
    // Errors leave every slot unchanged; a mean too close to zero for a COV only warns.
    CDistStatus CalcBasePar(int nParamCombi) override;
    using CDist::CalcBasePar;

    double GetDensity(double x) override;
    double GetCumulative(double x) override;
    // No guard: +infinity at p = 1, NaN outside [0, 1].
    double GetInverse(double p) override;
    void SetAutoAxis() override;
    SMoments GetMomentsOfBasePar() const override;
    CDist* CreateCopy() override;

    static constexpr double kDefaultMean = 11.2;
    static constexpr double kDefaultLowerBound = 4.0;

protected:
    // The upper tail exp(-h) with h = ((x - L) / THETA)^2 / 2 to twice a double's precision.
    double GetAccurateSurvival(double x) override;
    // NaN outside [0, 1], as GetInverse(1 - q); +infinity at q = 0.
    double GetAccurateInverseSurvival(double q) override;
    double GetAccurateLogDensity(double x) override;
    double GetAccurateLogSurvival(double x) override;

private:
    SDoubleDouble GetTailExponent(double x) const;
};

} // namespace stochvar
