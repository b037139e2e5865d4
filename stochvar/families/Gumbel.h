#pragma once

// CGumbel: the Gumbel (type I largest extreme value) family, type "GUMBEL", with cumulative
// function exp(-exp(-ALPHA (x - BETA))): ALPHA is the inverse scale, BETA the location (the
// mode). Base parameters ALPHA and BETA; MEAN, STDDEV and COV (= STDDEV / MEAN) are kept in step.
// Input types: 0 = /MEAN/STDDEV, 1 = /MEAN/COV (STDDEV = |MEAN| COV), 2 = /ALPHA/BETA.

#include <stochvar/model/Dist.h>
#include <stochvar/numerics/DoubleDouble.h>

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
    // Finite for every p: p is clamped to [c, 1 - c], c the largest relative spacing (2^-49);
    // under accurate numerics to the smallest positive double and the largest below 1.
    double GetInverse(double p) override;
    void SetAutoAxis() override;
    SMoments GetMomentsOfBasePar() const override;
    CDist* CreateCopy() override;

    static constexpr double kDefaultMean = 3.7;
    static constexpr double kDefaultStdDev = 0.95;

protected:
    // With E = exp(ALPHA (BETA - x)), its exponent to twice a double's precision: the lower
    // tail is exp(-E), the upper one 1 - exp(-E) by expm1.
    double GetAccurateSurvival(double x) override;
    // Finite for every q, clamped as GetInverse clamps p.
    double GetAccurateInverseSurvival(double q) override;
    double GetAccurateLogDensity(double x) override;
    double GetAccurateLogCumulative(double x) override;

private:
    // ALPHA and BETA from MEAN and STDDEV.
    void CalcAlphaBeta();
    SDoubleDouble GetExponent(double x) const;       // ALPHA (BETA - x)
    SDoubleDouble GetDoubleExponent(double x) const; // E
    // BETA - ln(w) / ALPHA, the point where -ln F = w.
    double GetPointOfLogCumulative(double w) const;
};

} // namespace stochvar
