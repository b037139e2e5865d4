#pragma once

// CBeta: the beta family on a finite interval, type "BETA". (X - LOWER_BOUND) / (UPPER_BOUND -
// LOWER_BOUND) follows the standard beta distribution with exponents R and S; T = R + S is kept
// in step. Base parameters R, S, T, LOWER_BOUND and UPPER_BOUND; MEAN, STDDEV and
// COV (= STDDEV / |MEAN|) are derived or entered.
// Input types: 0 = /MEAN/STDDEV/LOWER_BOUND/UPPER_BOUND, 1 = /MEAN/COV/LOWER_BOUND/UPPER_BOUND,
// 2 = /R/T/LOWER_BOUND/UPPER_BOUND, 3 = /R/S/LOWER_BOUND/UPPER_BOUND.
// Density, cumulative function and inverse rest on dBeta, BetaI and BetaInv.

#include <stochvar/model/Dist.h>
#include <stochvar/numerics/BetaFunctions.h>
#include <stochvar/numerics/TailFunctions.h>

namespace stochvar {

class CBeta : public CDist {
    STOCHVAR_DECLARE_SERIAL(CBeta)

public:
    CBeta() = default;
    // Without a source: input type 0 with MEAN 0.7, STDDEV 0.35, LOWER_BOUND 0.3 and
    // UPPER_BOUND 2.0, converted (T 3.2448979..., R 0.7635054..., S 2.4813925..., COV 0.5).
    CBeta(CDist** ppReference, CString strName, CDist* pSource);

    void GetParamsList(int nParamCombi, CString& strLabel, CUIntArray* pIds) override;
    // Accepts every input type: the conversion makes the tests.
    CDistStatus CheckCombination(int nParamCombi) override;
    // An error leaves every slot unchanged; a mean too close to zero for a COV only warns.
    // Neither R > 0 nor LOWER_BOUND < UPPER_BOUND is checked.
    CDistStatus CalcBasePar(int nParamCombi) override;
    using CDist::CalcBasePar;

    // 0 outside [L, U]; +infinity at L when R < 1 (at U when S < 1).
    double GetDensity(double x) override;
    double GetCumulative(double x) override;
    // Lower half from the lower bound, upper half from the upper bound; L for p <= 0, U for
    // p >= 1. The status of the inverse incomplete beta function is not looked at: when the beta
    // function underflows (exponents in the hundreds) the offset from the bound is 0.
    // The constants of R and S (log beta function and logarithms) are kept between calls and
    // made again when either slot changes; results are those of computing them every time.
    double GetInverse(double p) override;
    void PrepareInverse() override;
    void SetAutoAxis() override;
    // Bounds that are not in order, or exponents that are not both positive (with, for the
    // moment input types, what the mean and standard deviation would need); otherwise the rule
    // of the moments in the slots.
    void ListSamplingObstacles(CStringArray& reasons) const override;
    SMoments GetMomentsOfBasePar() const override;
    CDist* CreateCopy() override;

    static constexpr double kDefaultMean = 0.7;
    static constexpr double kDefaultStdDev = 0.35;
    static constexpr double kDefaultLowerBound = 0.3;
    static constexpr double kDefaultUpperBound = 2.0;

protected:
    // Each tail from the continued fraction on its own side (IncompleteBetaTails), with
    // (x - L) / (U - L) and (U - x) / (U - L) formed apart; the faithful forms where the bounds or
    // the exponents give no distribution. The inverse solves in the tail of q.
    double GetAccurateSurvival(double x) override;
    double GetAccurateInverseSurvival(double q) override;

private:
    // Both tails at x for L < U and positive exponents, x within [L, U].
    SBetaTails GetTails(double x) const;
    bool HasShape() const;
    // R, S and T from MEAN, STDDEV and the bounds (input types 0 and 1).
    void ExponentsFromMoments();
    // MEAN and STDDEV from R, T and the bounds (input types 2 and 3).
    void MomentsFromExponents();
    // Why bounds and exponents give no distribution to sample; empty when they do.
    CString ShapeObstacle() const;

    // Constants of the inverse for the shapes (R, S) they were made for; hosts write the slots
    // directly, so every use checks them against the slots.
    SBetaShapeConstants m_InverseConstants;
};

} // namespace stochvar
