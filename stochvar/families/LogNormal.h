#pragma once

// CLogNormal: the shifted lognormal family, type "LOGNORMAL". X = LOWER_BOUND + exp(Y) with Y
// normal of mean KSI and standard deviation EPSILON. Base parameters EPSILON, KSI and LOWER_BOUND;
// MEAN, STDDEV and COV of X are kept in step by the conversion.
// Input types: 0 = /MEAN/STDDEV/LOWER_BOUND, 1 = /MEAN/COV/LOWER_BOUND (STDDEV = MEAN * COV,
// signed), 2 = /EPSILON/KSI/LOWER_BOUND.

#include <stochvar/model/Dist.h>
#include <stochvar/numerics/DoubleDouble.h>

namespace stochvar {

class CLogNormal : public CDist {
    STOCHVAR_DECLARE_SERIAL(CLogNormal)

public:
    CLogNormal() = default;
    // Without a source: input type 0 with MEAN 3.2, STDDEV 0.75, LOWER_BOUND 0.1, converted.
    CLogNormal(CDist** ppReference, CString strName, CDist* pSource);

    void GetParamsList(int nParamCombi, CString& strLabel, CUIntArray* pIds) override;
    CDistStatus CheckCombination(int nParamCombi) override;
    // Never refuses; values that the check would refuse give NaN or infinite slots.
    CDistStatus CalcBasePar(int nParamCombi) override;
    using CDist::CalcBasePar;

    double GetDensity(double x) override;
    double GetCumulative(double x) override;
    double GetInverse(double p) override;
    void SetAutoAxis() override;
    SMoments GetMomentsOfBasePar() const override;
    CDist* CreateCopy() override;

    static constexpr double kDefaultMean = 3.2;
    static constexpr double kDefaultStdDev = 0.75;
    static constexpr double kDefaultLowerBound = 0.1;

protected:
    // Phi of z = (ln(x - L) - KSI) / EPSILON, with x - L, its logarithm and z carried to twice a
    // double's precision (Phi(z) has the relative condition z^2 in the lower tail).
    double GetAccurateSurvival(double x) override;
    double GetAccurateInverseSurvival(double q) override;
    double GetAccurateLogDensity(double x) override;
    double GetAccurateLogCumulative(double x) override;
    double GetAccurateLogSurvival(double x) override;

private:
    // EPSILON and KSI from MEAN, STDDEV and LOWER_BOUND (moment matching of ln(X - L)).
    void CalcEpsilonKsi();
    SDoubleDouble GetStandardised(double x) const; // z, for x above L
};

} // namespace stochvar
