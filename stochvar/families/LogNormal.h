#pragma once

// CLogNormal: the shifted lognormal family, type "LOGNORMAL". X = LOWER_BOUND + exp(Y) with Y
// normal of mean KSI and standard deviation EPSILON. Base parameters EPSILON, KSI and LOWER_BOUND;
// MEAN, STDDEV and COV of X are kept in step by the conversion.
// Input types: 0 = /MEAN/STDDEV/LOWER_BOUND, 1 = /MEAN/COV/LOWER_BOUND (STDDEV = MEAN * COV,
// signed), 2 = /EPSILON/KSI/LOWER_BOUND.

#include <stochvar/model/Dist.h>

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
    CDist* CreateCopy() override;

    static constexpr double kDefaultMean = 3.2;
    static constexpr double kDefaultStdDev = 0.75;
    static constexpr double kDefaultLowerBound = 0.1;

private:
    // EPSILON and KSI from MEAN, STDDEV and LOWER_BOUND (moment matching of ln(X - L)).
    void CalcEpsilonKsi();
};

} // namespace stochvar
