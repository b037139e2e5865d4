#pragma once

// CNormal: the normal (Gaussian) family, type "NORMAL".
// Base parameters MEAN (mu) and STDDEV (sigma); COV = sigma / mu is kept in step.
// Input types: 0 = /MEAN/STDDEV, 1 = /MEAN/COV (sigma = |COV * mu|).

#include <stochvar/model/Dist.h>
#include <stochvar/numerics/DoubleDouble.h>

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

protected:
    // Phi of the standardised value, which is carried to twice a double's precision: Phi(z) has
    // the relative condition z^2 in the lower tail. Without a positive sigma, the functions of
    // 1 - 0 and ln 0.
    double GetAccurateSurvival(double x) override;
    double GetAccurateInverseSurvival(double q) override;
    double GetAccurateLogDensity(double x) override;
    double GetAccurateLogCumulative(double x) override;
    double GetAccurateLogSurvival(double x) override;

private:
    SDoubleDouble GetStandardised(double x) const; // (x - mu) / sigma
};

} // namespace stochvar
