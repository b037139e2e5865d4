#pragma once

// CNormal: the normal (Gaussian) family, type "NORMAL".
// Base parameters MEAN (mu) and STDDEV (sigma); COV = sigma / mu is kept in step.
// Input types: 0 = /MEAN/STDDEV, 1 = /MEAN/COV (sigma = |COV * mu|).

#include <stochvar/model/Dist.h>

namespace stochvar {

class CNormal : public CDist {
    STOCHVAR_DECLARE_SERIAL(CNormal)

public:
    CNormal() = default;
    // Without a source: input type 0 with mu = 4.0, sigma = 0.5, converted (COV = 0.125).
    CNormal(CDist** ppReference, CString strName, CDist* pSource);

    void GetParamsList(int nParamCombi, CString& strLabel, CUIntArray* pIds) override;
    CDistStatus CheckCombination(int nParamCombi) override;
    CDistStatus CalcBasePar(int nParamCombi) override;
    using CDist::CalcBasePar;

    double GetDensity(double x) override;
    double GetCumulative(double x) override;
    double GetInverse(double p) override;
    void SetAutoAxis() override;
    CDist* CreateCopy() override;

    static constexpr double kDefaultMean = 4.0;
    static constexpr double kDefaultStdDev = 0.5;
};

} // namespace stochvar
