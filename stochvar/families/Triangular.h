#pragma once

// CTriangular: the triangular family with LOWER_BOUND, MOST-LIKELY (the apex) and UPPER_BOUND,
// type "TRIANGULAR". Base parameters are the three points; MEAN and STDDEV are derived (COV is
// neither read nor written).
// Input types: 0 = /LOWER_BOUND/MOST-LIKELY/UPPER_BOUND, 1 = /LOWER_BOUND/MEAN/UPPER_BOUND (the
// apex is placed so that the mean comes out as given).

#include <stochvar/model/Dist.h>

namespace stochvar {

class CTriangular : public CDist {
    STOCHVAR_DECLARE_SERIAL(CTriangular)

public:
    CTriangular() = default;
    // Without a source: input type 0 with LOWER_BOUND 0.7, MOST-LIKELY 3.5, UPPER_BOUND 4.7,
    // converted; the axis bounds start 20 % of the width outside the support.
    CTriangular(CDist** ppReference, CString strName, CDist* pSource);

    void GetParamsList(int nParamCombi, CString& strLabel, CUIntArray* pIds) override;
    CDistStatus CheckCombination(int nParamCombi) override;
    // Input type 1 refuses a mean whose apex falls outside the bounds, but keeps the apex and the
    // standard deviation computed from it.
    CDistStatus CalcBasePar(int nParamCombi) override;
    using CDist::CalcBasePar;

    // Density and cumulative function are 0 everywhere unless L < U and L <= C <= U.
    double GetDensity(double x) override;
    double GetCumulative(double x) override;
    double GetInverse(double p) override;
    void SetAutoAxis() override;
    CDist* CreateCopy() override;

    static constexpr double kDefaultLowerBound = 0.7;
    static constexpr double kDefaultMostLikely = 3.5;
    static constexpr double kDefaultUpperBound = 4.7;

private:
    // L < U and L <= C <= U, none of them NaN.
    bool HasAdmissibleParameters() const;
};

} // namespace stochvar
