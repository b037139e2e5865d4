#include <stochvar/reliability/Form.h>

#include <stochvar/reliability/LimitStateEvaluator.h>
#include <stochvar/reliability/ReliabilityError.h>
#include <stochvar/reliability/Transform.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstddef>

namespace stochvar {

namespace {

// The Armijo rule of Zhang and Der Kiureghian (1997): the step length is the largest b^k for
// which m(u + b^k d) - m(u) <= a b^k (grad m . d). Any a in (0, 1) converges; with a = 0.5 the
// rule cuts full steps that lower m well on limit states that grow exponentially in u, and each
// cut costs a gradient.
constexpr double kArmijoA = 0.1;
constexpr double kArmijoB = 0.5;
constexpr int kMaxHalvings = 12;
// Default finite-difference steps in u.
constexpr double kForwardStep = 1e-6;
constexpr double kCentralStep = 1e-4;

std::size_t Count(int n) { return static_cast<std::size_t>(n); }

double Dot(const std::vector<double>& a, const std::vector<double>& b) {
    double s = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        s += a[i] * b[i];
    }
    return s;
}

double Norm(const std::vector<double>& a) { return std::sqrt(Dot(a, a)); }

// a + f b
std::vector<double> Plus(const std::vector<double>& a, double f, const std::vector<double>& b) {
    std::vector<double> r(a.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        r[i] = a[i] + f * b[i];
    }
    return r;
}

// f a
std::vector<double> Scaled(double f, const std::vector<double>& a) {
    std::vector<double> r(a.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        r[i] = f * a[i];
    }
    return r;
}

double Merit(const std::vector<double>& u, double g, double c) {
    return 0.5 * Dot(u, u) + c * std::fabs(g);
}

double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

// A point of u with g there, its physical values and the gradient of G in u.
struct CForm::SPoint {
    std::vector<double> u;
    std::vector<double> x;
    std::vector<double> grad;
    double g = 0.0;
};

CForm::CForm(const CTransform& transform, const SLimitState& limitState)
    : CForm(transform, limitState, SOptions{}) {}

CForm::CForm(const CTransform& transform, const SLimitState& limitState, SOptions options)
    : m_transform(transform), m_limitState(limitState), m_options(std::move(options)) {}

void CForm::RequireContinuous(const CTransform& transform, const char* pszMethod) {
    for (int i = 0; i < transform.GetVariableCount(); ++i) {
        if (transform.IsDiscrete(i)) {
            throw CReliabilityError(std::string(pszMethod) + " needs continuous variables, but '" +
                                    transform.GetVariableName(i) +
                                    "' is discrete: g is a step function of u there, with no "
                                    "gradient to follow; use a simulation method");
        }
    }
}

double CForm::Step() const {
    if (m_options.dStep > 0.0) {
        return m_options.dStep;
    }
    return m_options.differences == EDifferences::Central ? kCentralStep : kForwardStep;
}

double CForm::Evaluate1(CLimitStateEvaluator& evaluator, const std::vector<double>& u) const {
    std::vector<double> x(Count(m_transform.GetVariableCount()));
    double g = 0.0;
    evaluator.EvaluateStandard(u.data(), 1, x.data(), &g);
    return g;
}

CForm::SPoint CForm::Evaluate(CLimitStateEvaluator& evaluator, const std::vector<double>& u) const {
    const int m = m_transform.GetDimension();
    const int n = m_transform.GetVariableCount();
    SPoint point{u, std::vector<double>(Count(n)), std::vector<double>(Count(m)), 0.0};
    if (m_options.bUseCallerGradient && evaluator.HasGradient()) {
        evaluator.EvaluateStandard(u.data(), 1, point.x.data(), &point.g);
        std::vector<double> gradX(Count(n));
        std::vector<double> J(Count(n) * Count(m));
        evaluator.EvaluateGradient(point.x.data(), 1, gradX.data());
        m_transform.GetJacobian(u.data(), J.data());
        for (int i = 0; i < n; ++i) {
            for (int k = 0; k < m; ++k) {
                point.grad[Count(k)] += J[Count(i) * Count(m) + Count(k)] * gradX[Count(i)];
            }
        }
        return point;
    }
    // One batch: the point, its forward neighbours, then (central) its backward ones.
    const bool bCentral = m_options.differences == EDifferences::Central;
    const double h = Step();
    const int nPoints = 1 + (bCentral ? 2 * m : m);
    std::vector<double> U(Count(nPoints) * Count(m));
    for (int p = 0; p < nPoints; ++p) {
        std::copy(u.begin(), u.end(), U.begin() + static_cast<std::ptrdiff_t>(Count(p) * Count(m)));
    }
    for (int k = 0; k < m; ++k) {
        U[Count(1 + k) * Count(m) + Count(k)] += h;
        if (bCentral) {
            U[Count(1 + m + k) * Count(m) + Count(k)] -= h;
        }
    }
    std::vector<double> X(Count(nPoints) * Count(n));
    std::vector<double> G(Count(nPoints));
    evaluator.EvaluateStandard(U.data(), nPoints, X.data(), G.data());
    std::copy_n(X.begin(), n, point.x.begin());
    point.g = G[0];
    for (int k = 0; k < m; ++k) {
        point.grad[Count(k)] = bCentral ? (G[Count(1 + k)] - G[Count(1 + m + k)]) / (2.0 * h)
                                        : (G[Count(1 + k)] - G[0]) / h;
    }
    return point;
}

CForm::SSearch CForm::Search(CLimitStateEvaluator& evaluator, const std::vector<double>& start,
                             SPoint& end) const {
    SSearch search;
    search.start = start;
    SPoint point = Evaluate(evaluator, start);
    search.nIterations = 1;
    const double gScale = point.g != 0.0 ? std::fabs(point.g) : 1.0;
    for (;;) {
        const double gradNorm = Norm(point.grad);
        if (!(gradNorm > 0.0)) {
            search.strReason = "the gradient of g vanishes at the point reached: no direction";
            break;
        }
        const std::vector<double> alpha = Scaled(-1.0 / gradNorm, point.grad);
        const double along = Dot(alpha, point.u);
        search.dBeta = along;
        if (std::fabs(point.g) / gScale <= m_options.dTolerance1 &&
            Norm(Plus(point.u, -along, alpha)) <= m_options.dTolerance2) {
            search.bConverged = true;
            break;
        }
        if (search.nIterations >= m_options.nMaxIterations) {
            search.strReason =
                "no convergence in " + std::to_string(m_options.nMaxIterations) + " iterations";
            break;
        }
        // The HLRF step d to the design point of the linearised G, and the merit function's
        // weight c. Any c > ||u|| / ||grad G|| makes d a descent direction of m; far from the
        // surface that weight values the distance from the origin over the approach to g = 0,
        // so c also covers the length of the point the step aims at.
        const double gradSquared = gradNorm * gradNorm;
        const std::vector<double> d = Plus(
            Scaled((Dot(point.grad, point.u) - point.g) / gradSquared, point.grad), -1.0, point.u);
        const double c = 2.0 * std::max(Norm(point.u), Norm(Plus(point.u, 1.0, d))) / gradNorm;
        const double m0 = Merit(point.u, point.g, c);
        const double slope = Dot(Plus(point.u, point.g < 0.0 ? -c : c, point.grad), d);

        SPoint trial = Evaluate(evaluator, Plus(point.u, 1.0, d));
        double lambda = 1.0;
        bool bAccepted = Merit(trial.u, trial.g, c) - m0 <= kArmijoA * lambda * slope;
        for (int k = 0; !bAccepted && k < kMaxHalvings; ++k) {
            lambda *= kArmijoB;
            trial.u = Plus(point.u, lambda, d);
            bAccepted =
                Merit(trial.u, Evaluate1(evaluator, trial.u), c) - m0 <= kArmijoA * lambda * slope;
        }
        if (!bAccepted) {
            search.strReason = "the line search found no step that lowers the merit function";
            break;
        }
        point = lambda < 1.0 ? Evaluate(evaluator, trial.u) : std::move(trial);
        ++search.nIterations;
    }
    search.u = point.u;
    end = std::move(point);
    return search;
}

void CForm::Describe(const SPoint& point, SResult& result) const {
    const int m = m_transform.GetDimension();
    const int n = m_transform.GetVariableCount();
    result.u = point.u;
    result.x = point.x;
    result.gradientU = point.grad;
    result.dG = point.g;
    const double gradNorm = Norm(point.grad);
    result.alpha = Scaled(-1.0 / gradNorm, point.grad);
    result.SetBeta(Dot(result.alpha, point.u));

    // gamma_i ~ (alpha^T du/dx)_i D_i, with D_i = ||row i of dx/du||.
    std::vector<double> toU(Count(m) * Count(n));
    std::vector<double> toX(Count(n) * Count(m));
    m_transform.GetInverseJacobian(point.u.data(), toU.data());
    m_transform.GetJacobian(point.u.data(), toX.data());
    result.gamma.assign(Count(n), 0.0);
    for (int i = 0; i < n; ++i) {
        double w = 0.0;
        double D = 0.0;
        for (int k = 0; k < m; ++k) {
            w += result.alpha[Count(k)] * toU[Count(k) * Count(n) + Count(i)];
            D += toX[Count(i) * Count(m) + Count(k)] * toX[Count(i) * Count(m) + Count(k)];
        }
        result.gamma[Count(i)] = w * std::sqrt(D);
    }
    const double gammaNorm = Norm(result.gamma);
    result.importance.assign(Count(n), 0.0);
    for (int i = 0; i < n; ++i) {
        result.gamma[Count(i)] /= gammaNorm;
        result.importance[Count(i)] = result.gamma[Count(i)] * result.gamma[Count(i)];
    }
}

CForm::SResult CForm::Run() const {
    const auto started = std::chrono::steady_clock::now();
    RequireContinuous(m_transform, "FORM");
    const int m = m_transform.GetDimension();
    std::vector<std::vector<double>> starts = m_options.starts;
    if (starts.empty()) {
        starts.emplace_back(Count(m), 0.0);
    }
    for (const std::vector<double>& start : starts) {
        if (start.size() != Count(m)) {
            throw CReliabilityError("a starting point of FORM needs " + std::to_string(m) +
                                    " coordinates, not " + std::to_string(start.size()));
        }
    }
    const CNumericsScope scope(m_transform.GetNumerics());
    CLimitStateEvaluator evaluator(m_limitState, m_transform, m_options.nThreads);

    SResult result;
    SPoint chosen;
    std::size_t nChosen = 0;
    for (const std::vector<double>& start : starts) {
        SPoint end;
        result.searches.push_back(Search(evaluator, start, end));
        const SSearch& search = result.searches.back();
        const SSearch& best = result.searches[nChosen];
        const bool bFirst = result.searches.size() == 1;
        const bool bBetter =
            search.bConverged && (!best.bConverged || Norm(search.u) < Norm(best.u));
        if (bFirst || bBetter) {
            nChosen = result.searches.size() - 1;
            chosen = std::move(end);
        }
    }
    for (const SSearch& a : result.searches) {
        for (const SSearch& b : result.searches) {
            if (a.bConverged && b.bConverged &&
                Norm(Plus(a.u, -1.0, b.u)) > m_options.dDistinctDistance) {
                result.bDistinctDesignPoints = true;
            }
        }
    }
    const SSearch& best = result.searches[nChosen];
    result.nIterations = best.nIterations;
    result.bConverged = best.bConverged;
    result.strReason = best.strReason;
    if (Norm(chosen.grad) > 0.0) {
        Describe(chosen, result);
    } else {
        result.u = chosen.u;
        result.x = chosen.x;
        result.dG = chosen.g;
    }
    result.nCalls = evaluator.GetCalls();
    result.nGradientCalls = evaluator.GetGradientCalls();
    result.dSeconds = Seconds(started);
    return result;
}

} // namespace stochvar
