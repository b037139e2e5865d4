// FORM and SORM on limit states whose reliability is known in closed form: a linear g in
// correlated normals (with a fixed variable), R - S with lognormals, a parabola and a
// paraboloid in u whose curvatures are given, and a paraboloid too curved for the formulas.

#include <stochvar/reliability/Form.h>
#include <stochvar/reliability/Sorm.h>

#include "ReliabilitySupport.h"

#include <complex>

using namespace stochvar;
using namespace stochvar::testing;

namespace {

// g = beta0 - u4 + v^T K v / 2 with v = (u1, u2, u3) and K tridiagonal with a on the diagonal
// and b beside it: the curvatures are the eigenvalues of K, a and a -+ sqrt(2) b.
ProblemPtr Paraboloid(double beta0, double a, double b) {
    auto p = std::make_unique<SProblem>();
    p->pTransform = std::make_unique<CStandardNormalSpace>(4);
    p->g = [=](const double* u) {
        const double vKv =
            a * (u[0] * u[0] + u[1] * u[1] + u[2] * u[2]) + 2.0 * b * (u[0] * u[1] + u[1] * u[2]);
        return beta0 - u[3] + 0.5 * vKv;
    };
    return p;
}

// g = 2.5 - u1, one coordinate only: no curvature.
ProblemPtr Line() {
    auto p = std::make_unique<SProblem>();
    p->pTransform = std::make_unique<CStandardNormalSpace>(1);
    p->g = [](const double* u) { return 2.5 - u[0]; };
    return p;
}

struct SSmooth {
    const char* name;
    ProblemPtr (*make)();
    double beta;               // FORM's exact beta; 0: -Phi^-1 of the exact Pf
    int nIterations;           // at most
    std::vector<double> kappa; // exact principal curvatures, ascending
};
const double kSpread = std::sqrt(2.0) * 0.15;
const SSmooth kSmooth[] = {
    {"line in one dimension", Line, 2.5, 2, {}},
    {"linear", LinearNormals, 0.0, 2, {0.0, 0.0}},
    {"lognormal R - S", LogNormalRS, 0.0, 10, {0.0}},
    {"parabola, g scaled by 1e-4", [] { return Parabola(3.0, 0.2, 1e-4); }, 3.0, 10, {0.2}},
    {"paraboloid",
     [] { return Paraboloid(2.5, 0.1, 0.15); },
     2.5,
     10,
     {0.1 - kSpread, 0.1, 0.1 + kSpread}},
};

// Breitung's product (1 + beta kappa)^-1/2 and Tvedt's three terms for a paraboloid.
double BreitungFactor(double b, const std::vector<double>& kappa) {
    double f = 1.0;
    for (double k : kappa)
        f /= std::sqrt(1.0 + b * k);
    return f;
}
double TvedtFormula(double b, const std::vector<double>& kappa) {
    std::complex<double> c = 1.0;
    for (double k : kappa)
        c /= std::sqrt(1.0 + std::complex<double>(b, 1.0) * k);
    const double t = b * Phi(-b) - Density(b), f = BreitungFactor(b, kappa);
    return Phi(-b) * f + t * (f - BreitungFactor(b + 1.0, kappa)) + (b + 1.0) * t * (f - c.real());
}

// FORM finds the exact beta in few calls (a linear g: the first step lands on the design point,
// the second iteration confirms it), with u* = beta alpha and x* the image of u*; SORM finds the
// curvatures, and its formulas give what they should: Pf of FORM for a plane, Breitung's and
// Tvedt's formulas for the paraboloids, near the exact Pf of the parabola from quadrature.
TEST(FormSorm, ClosedForms) {
    for (const SSmooth& row : kSmooth) {
        SCOPED_TRACE(row.name);
        ProblemPtr problem = row.make();
        SCounted g(problem->g);
        const CTransform& transform = problem->Transform();
        const int m = transform.GetDimension();
        const CSorm::SResult sorm = CSorm(transform, g.limitState).Run();
        const CForm::SResult& form = sorm.form;
        const double beta =
            row.beta != 0.0 ? row.beta : -AccurateStdNormalInverse(problem->dExactPf);
        ASSERT_TRUE(form.bConverged) << form.strReason;
        EXPECT_NEAR(form.dBeta, beta, 1e-6 * beta);
        EXPECT_LE(form.nIterations, row.nIterations);
        EXPECT_EQ(form.nCalls, form.nIterations * (m + 1)); // no step was refused
        EXPECT_EQ(form.dPf, Phi(-form.dBeta));
        std::vector<double> x(static_cast<std::size_t>(transform.GetVariableCount()));
        transform.ToPhysical(form.u.data(), x.data());
        EXPECT_EQ(x, form.x);
        for (int k = 0; k < m; ++k)
            EXPECT_NEAR(form.u[k], form.dBeta * form.alpha[k], 1e-3);

        ASSERT_EQ(sorm.curvatures.size(), row.kappa.size());
        for (std::size_t i = 0; i < row.kappa.size(); ++i)
            EXPECT_NEAR(sorm.curvatures[i], row.kappa[i], 1e-5);
        EXPECT_EQ(sorm.nCalls, g.nPoints);
        EXPECT_EQ(sorm.nHessianCalls, m * (m - 1));
        const double pf = Phi(-form.dBeta);
        EXPECT_NEAR(sorm.dPfBreitung, pf * BreitungFactor(form.dBeta, row.kappa), 1e-5 * pf);
        EXPECT_NEAR(sorm.dPfTvedt, TvedtFormula(form.dBeta, row.kappa), 1e-5 * pf);
        EXPECT_NEAR(sorm.dPfHohenbichlerRackwitz,
                    pf * BreitungFactor(Density(form.dBeta) / pf, row.kappa), 1e-5 * pf);
        EXPECT_EQ(sorm.dPf, sorm.dPfTvedt);
        EXPECT_TRUE(sorm.warnings.empty());
    }
    // The parabola against its exact Pf: Breitung 2.3 % high, Tvedt within 0.07 %.
    ProblemPtr parabola = Parabola(3.0, 0.2);
    SCounted g(parabola->g);
    const CSorm::SResult sorm = CSorm(parabola->Transform(), g.limitState).Run();
    EXPECT_NEAR(sorm.dPfBreitung / parabola->dExactPf, 1.0226, 1e-3);
    EXPECT_NEAR(sorm.dPfTvedt / parabola->dExactPf, 1.0, 1e-3);
}

// gamma of a linear g in correlated normals is -sigma_i a_i normed (the standard deviation that
// each variable alone gives g), not alpha; the fixed variable has none. A fixed value reaches g
// unchanged at every point.
TEST(Form, ImportanceOfCorrelatedVariablesAndFixedValue) {
    ProblemPtr problem = LinearNormals();
    long long nMoved = 0;
    SCounted g(
        [&](const double* x) {
            nMoved += x[1] != 7.0;
            return problem->g(x);
        },
        false);
    const CForm::SResult form = CForm(problem->Transform(), g.limitState).Run();
    const double norm = std::sqrt(4.0 + 4.0 + 2.25);
    const double gamma[] = {2.0 / norm, 0.0, 2.0 / norm, -1.5 / norm};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(form.gamma[i], gamma[i], 1e-6) << i;
        EXPECT_NEAR(form.importance[i], gamma[i] * gamma[i], 1e-6) << i;
    }
    EXPECT_EQ(nMoved, 0);
}

// Too much negative curvature: 1 + beta kappa = 1 - 2 * 1.2 < 0. Every formula refuses with a
// warning instead of giving a number.
TEST(Sorm, WarnsWhereTheParaboloidClosesAroundTheOrigin) {
    ProblemPtr problem = Parabola(2.0, -1.2);
    SCounted g(problem->g);
    const CSorm::SResult sorm = CSorm(problem->Transform(), g.limitState).Run();
    EXPECT_NEAR(sorm.form.dBeta, 2.0, 1e-9);
    EXPECT_TRUE(std::isnan(sorm.dPfBreitung) && std::isnan(sorm.dPfTvedt) &&
                std::isnan(sorm.dPfHohenbichlerRackwitz) && std::isnan(sorm.dBeta));
    ASSERT_EQ(sorm.warnings.size(), 2u);
    EXPECT_NE(sorm.warnings[0].find("1 + beta kappa = -1.4 <= 0"), std::string::npos)
        << sorm.warnings[0];
}

// The origin fails on g = -2 - u2 + 0.1 u1^2: beta is -2, FORM's Pf is Phi(2), and SORM applies
// its formulas to the safe domain (index 2, curvature -0.2): Breitung 1 - Phi(-2) / sqrt(0.6);
// Tvedt's safe probability within 1.3 % of the exact one.
TEST(Sorm, OriginFailsThroughTheSafeDomain) {
    ProblemPtr problem = Parabola(-2.0, 0.2);
    SCounted g(problem->g);
    const CSorm::SResult sorm = CSorm(problem->Transform(), g.limitState).Run();
    EXPECT_NEAR(sorm.form.dBeta, -2.0, 1e-9);
    EXPECT_NEAR(sorm.form.dPf, Phi(2.0), 1e-9);
    EXPECT_NEAR(sorm.dPfBreitung, 1.0 - Phi(-2.0) / std::sqrt(0.6), 1e-7);
    EXPECT_NEAR(1.0 - sorm.dPfTvedt, (1.0 - problem->dExactPf) * 1.0125,
                1e-3 * (1.0 - problem->dExactPf));
}

} // namespace
