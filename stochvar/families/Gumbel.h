#pragma once

// CGumbel: the Gumbel (type I largest extreme value) family, type "GUMBEL", with cumulative
// function exp(-exp(-ALPHA (x - BETA))): ALPHA is the inverse scale, BETA the location (the
// mode). Base parameters ALPHA and BETA; MEAN, STDDEV and COV (= STDDEV / MEAN) are kept in step.
// Input types: 0 = /MEAN/STDDEV, 1 = /MEAN/COV (STDDEV = |MEAN| COV), 2 = /ALPHA/BETA.

#include <stochvar/model/Dist.h>

namespace stochvar {

class CGumbel : public CDist {
    STOCHVAR_DECLARE_SERIAL(CGumbel)

public:
    CGumbel() = default;
    // Without a source: input type 0 with MEAN 3.7 and STDDEV 0.95, converted.
    CGumbel(CDist** ppReference, CString strName, CDist* pSource);

    void GetParamsList(int nParamCombi, CString& strLabel, CUIntArray* pIds) override;
    // Accepts every input type: the conversion makes the tests.
    CDistStatus CheckCombination(int nParamCombi) override;
    // Errors leave every slot unchanged; input type 0 warns when the mean is too close to zero
    // for a COV, input type 2 keeps COV silently in that case.
    CDistStatus CalcBasePar(int nParamCombi) override;
    using CDist::CalcBasePar;

    double GetDensity(double x) override;
    double GetCumulative(double x) override;
    // Finite for every p: p is clamped to [c, 1 - c], c the largest relative spacing.
    double GetInverse(double p) override;
    void SetAutoAxis() override;
    CDist* CreateCopy() override;

    static constexpr double kDefaultMean = 3.7;
    static constexpr double kDefaultStdDev = 0.95;

private:
    // ALPHA and BETA from MEAN and STDDEV.
    void CalcAlphaBeta();
};

} // namespace stochvar
