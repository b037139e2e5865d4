#pragma once

// CUniform: the continuous uniform family on [LOWER_BOUND, UPPER_BOUND], type "UNIFORM".
// Base parameters LOWER_BOUND and UPPER_BOUND; MEAN and STDDEV are derived from them (COV is
// neither read nor written). One input type: 0 = /LOWER_BOUND/UPPER_BOUND.
//
// A new variable made without a source converts its default bounds at once, like every other
// family, so MEAN (5.0) and STDDEV (7 / sqrt(12)) describe it from the start. Consumers that
// read the moment slots rather than the bounds (the Nataf mapping divides by STDDEV) can then use
// a fresh uniform variable without a prior CalcBasePar.

#include <stochvar/model/Dist.h>

namespace stochvar {

class CUniform : public CDist {
    STOCHVAR_DECLARE_SERIAL(CUniform)

public:
    CUniform() = default;
    // Without a source: input type 0 with LOWER_BOUND 1.5 and UPPER_BOUND 8.5, converted.
    CUniform(CDist** ppReference, CString strName, CDist* pSource);

    void GetParamsList(int nParamCombi, CString& strLabel, CUIntArray* pIds) override;
    CDistStatus CheckCombination(int nParamCombi) override;
    // Never refuses; with UPPER_BOUND <= LOWER_BOUND it still gives MEAN and a STDDEV <= 0.
    CDistStatus CalcBasePar(int nParamCombi) override;
    using CDist::CalcBasePar;

    double GetDensity(double x) override;
    double GetCumulative(double x) override;
    double GetInverse(double p) override;
    void SetAutoAxis() override;
    SMoments GetMomentsOfBasePar() const override;
    CDist* CreateCopy() override;

    static constexpr double kDefaultLowerBound = 1.5;
    static constexpr double kDefaultUpperBound = 8.5;

protected:
    // (U - x) / (U - L) and its inverse, measured from the upper bound.
    double GetAccurateSurvival(double x) override;
    double GetAccurateInverseSurvival(double q) override;
};

} // namespace stochvar
