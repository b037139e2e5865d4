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
    SMoments GetMomentsOfBasePar() const override;
    CDist* CreateCopy() override;

    static constexpr double kDefaultLowerBound = 0.7;
    static constexpr double kDefaultMostLikely = 3.5;
    static constexpr double kDefaultUpperBound = 4.7;

protected:
    // Each tail without cancellation, the one on x's side of the apex as the area of its small
    // triangle ((x - L)^2 / ((U - L)(C - L)) below it), and the inverse from the nearer bound.
    double GetAccurateSurvival(double x) override;
    double GetAccurateInverseSurvival(double q) override;

private:
    // L < U and L <= C <= U, none of them NaN.
    bool HasAdmissibleParameters() const;
    // The two tails at x for admissible parameters: {P(X <= x), P(X > x)}.
    std::pair<double, double> GetTails(double x) const;
    // The point below which (or, with bUpper, above which) the probability is p, for p in
    // [0, 1], measured from the bound where its distance keeps its digits.
    double GetPointOfTail(double p, bool bUpper) const;
};

} // namespace stochvar
