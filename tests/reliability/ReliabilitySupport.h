#pragma once

// The problems with closed forms that the reliability tests share, and a limit state that counts
// the points it is given.

#include <stochvar/families/Discrete.h>
#include <stochvar/numerics/AccurateStdNormal.h>
#include <stochvar/reliability/LimitState.h>
#include <stochvar/reliability/StandardNormalSpace.h>
#include <stochvar/reliability/USpaceTransform.h>

#include "simulation/SimulationSupport.h"

#include <atomic>
#include <functional>
#include <memory>

namespace stochvar::testing {

inline double (*const Phi)(double) = AccurateStdNormalCdf;

// g of one point, as a batch callback that counts every point; one that is not thread-safe also
// keeps the points (rows) and their values.
struct SCounted {
    std::function<double(const double*)> g;
    std::atomic<long long> nPoints{0};
    std::vector<double> rows, values;
    SLimitState limitState;
    explicit SCounted(std::function<double(const double*)> f, bool bThreadSafe = true)
        : g(std::move(f)) {
        limitState.bThreadSafe = bThreadSafe;
        limitState.function = [this](const double* x, int nRows, int nVars, double* out) {
            for (int p = 0; p < nRows; ++p)
                out[p] = g(x + p * nVars);
            nPoints += nRows;
            if (!limitState.bThreadSafe) {
                rows.insert(rows.end(), x, x + nRows * nVars);
                values.insert(values.end(), out, out + nRows);
            }
        };
    }
};

// A problem: a collection (or none, for a limit state written in u), g and the exact Pf.
struct SProblem {
    SCollection model;
    std::unique_ptr<CTransform> pTransform;
    std::function<double(const double*)> g;
    double dExactPf = 0.0;
    CTransform& Transform() {
        if (!pTransform)
            pTransform = std::make_unique<CUSpaceTransform>(model.collection);
        return *pTransform;
    }
};
using ProblemPtr = std::unique_ptr<SProblem>;

// g = 19 + F - X0 - 2 X1 + 3 X2 with F fixed at 7 and correlated normals X: beta = 12 / sd.
inline ProblemPtr LinearNormals() {
    auto p = std::make_unique<SProblem>();
    p->model.Add(MakeNormal("X0", 10.0, 2.0));
    p->model.Add(MakeFixed("F", 7.0));
    p->model.Add(MakeNormal("X1", 5.0, 1.0));
    p->model.Add(MakeNormal("X2", 2.0, 0.5));
    p->model.Correlate(0, 2, 0.5, FALSE);
    p->model.Correlate(2, 3, -0.3, FALSE);
    p->g = [](const double* x) { return 19.0 + x[1] - x[0] - 2.0 * x[2] + 3.0 * x[3]; };
    const double s0 = -2.0, s1 = -2.0, s2 = 1.5; // sigma_i a_i
    const double sd =
        std::sqrt(s0 * s0 + s1 * s1 + s2 * s2 + 2 * 0.5 * s0 * s1 - 2 * 0.3 * s1 * s2);
    p->dExactPf = Phi(-12.0 / sd);
    return p;
}

// g = R - S with lognormal R and S: exact through ln R - ln S.
inline ProblemPtr LogNormalRS() {
    auto p = std::make_unique<SProblem>();
    p->model.Add(MakeLogNormal("R", 10.0, 1.5));
    p->model.Add(MakeLogNormal("S", 4.0, 1.0));
    p->g = [](const double* x) { return x[0] - x[1]; };
    const auto zeta2 = [](double m, double s) { return std::log1p(s * s / (m * m)); };
    const double lambdaR = std::log(10.0) - zeta2(10.0, 1.5) / 2,
                 lambdaS = std::log(4.0) - zeta2(4.0, 1.0) / 2;
    p->dExactPf = Phi(-(lambdaR - lambdaS) / std::sqrt(zeta2(10.0, 1.5) + zeta2(4.0, 1.0)));
    return p;
}

// Integral of f over [a, b] by composite Simpson with n (even) panels.
inline double Simpson(const std::function<double(double)>& f, double a, double b, int n) {
    const double h = (b - a) / n;
    double s = f(a) + f(b);
    for (int i = 1; i < n; ++i)
        s += (i % 2 ? 4.0 : 2.0) * f(a + i * h);
    return s * h / 3.0;
}
inline double Density(double u) { return std::exp(-0.5 * u * u) / 2.5066282746310002; }

// g = s (beta0 - u2 + kappa u1^2 / 2): Pf = integral of phi(u1) Phi(-beta0 - kappa u1^2 / 2).
inline ProblemPtr Parabola(double beta0, double kappa, double s = 1.0) {
    auto p = std::make_unique<SProblem>();
    p->pTransform = std::make_unique<CStandardNormalSpace>(2);
    p->g = [=](const double* u) { return s * (beta0 - u[1] + 0.5 * kappa * u[0] * u[0]); };
    p->dExactPf =
        Simpson([=](double u) { return Density(u) * Phi(-(beta0 + 0.5 * kappa * u * u)); }, -12.0,
                12.0, 4000);
    return p;
}

// The four-branch series system in two standard normals (a collection, for Monte Carlo). With
// a = (u1 + u2)/sqrt 2, b = (u1 - u2)/sqrt 2 it fails where |b| >= 3 or |a| >= 3 + 0.2 b^2:
// Pf = 2 Phi(-3) + integral over |b| < 3 of phi(b) 2 Phi(-3 - 0.2 b^2).
inline ProblemPtr SeriesSystem() {
    auto p = std::make_unique<SProblem>();
    p->model.Add(MakeNormal("u1"));
    p->model.Add(MakeNormal("u2"));
    p->g = [](const double* u) {
        const double d = u[0] - u[1], s = (u[0] + u[1]) / std::sqrt(2.0), k = 6.0 / std::sqrt(2.0);
        return std::min({3.0 + 0.1 * d * d - s, 3.0 + 0.1 * d * d + s, d + k, k - d});
    };
    p->dExactPf = 2.0 * Phi(-3.0) +
                  Simpson([](double b) { return Density(b) * 2.0 * Phi(-3.0 - 0.2 * b * b); }, -3.0,
                          3.0, 2000);
    return p;
}

// g = 2.5 - D - X with D discrete (0, 1, 2 with probabilities 0.7, 0.2, 0.1), X standard normal.
inline ProblemPtr DiscreteLoad() {
    auto p = std::make_unique<SProblem>();
    auto d = std::make_unique<CDiscrete>(nullptr, "D", nullptr);
    d->AddCategory("low", 7.0), d->AddCategory("mid", 2.0), d->AddCategory("high", 1.0);
    p->model.Add(std::move(d));
    p->model.Add(MakeNormal("X"));
    p->g = [](const double* x) { return 2.5 - x[0] - x[1]; };
    p->dExactPf = 0.7 * Phi(-2.5) + 0.2 * Phi(-1.5) + 0.1 * Phi(-0.5);
    return p;
}

} // namespace stochvar::testing
