#include <stochvar/reliability/Sorm.h>

#include <stochvar/numerics/Constants.h>
#include <stochvar/numerics/StdNormal.h>
#include <stochvar/reliability/LimitStateEvaluator.h>
#include <stochvar/reliability/ReliabilityError.h>
#include <stochvar/reliability/Transform.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <complex>
#include <cstddef>
#include <cstdio>

namespace stochvar {

namespace {

using Vector = std::vector<double>;

std::size_t Count(int n) { return static_cast<std::size_t>(n); }

double Dot(const Vector& a, const Vector& b) {
    double s = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        s += a[i] * b[i];
    }
    return s;
}

// m - 1 orthonormal vectors orthogonal to the unit vector alpha: Gram-Schmidt (twice, for
// orthogonality to rounding) on the unit vectors, leaving out the one closest to alpha.
std::vector<Vector> TangentBasis(const Vector& alpha) {
    const std::size_t m = alpha.size();
    std::size_t nSkipped = 0;
    for (std::size_t k = 1; k < m; ++k) {
        if (std::fabs(alpha[k]) > std::fabs(alpha[nSkipped])) {
            nSkipped = k;
        }
    }
    std::vector<Vector> basis{alpha};
    for (std::size_t k = 0; k < m; ++k) {
        if (k == nSkipped) {
            continue;
        }
        Vector t(m, 0.0);
        t[k] = 1.0;
        for (int pass = 0; pass < 2; ++pass) {
            for (const Vector& b : basis) {
                const double projection = Dot(t, b);
                for (std::size_t i = 0; i < m; ++i) {
                    t[i] -= projection * b[i];
                }
            }
        }
        const double norm = std::sqrt(Dot(t, t));
        for (double& ti : t) {
            ti /= norm;
        }
        basis.push_back(t);
    }
    basis.erase(basis.begin());
    return basis;
}

// The eigenvalues of the symmetric n x n matrix A (row-major), ascending: cyclic Jacobi
// rotations (Golub and Van Loan, Matrix Computations, 8.5) until the off-diagonal part is
// negligible.
Vector SymmetricEigenvalues(Vector A, int n) {
    const auto at = [&](int i, int j) -> double& { return A[Count(i) * Count(n) + Count(j)]; };
    constexpr int kMaxSweeps = 50;
    for (int sweep = 0; sweep < kMaxSweeps; ++sweep) {
        double off = 0.0;
        double all = 0.0;
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < n; ++j) {
                all += at(i, j) * at(i, j);
                off += i != j ? at(i, j) * at(i, j) : 0.0;
            }
        }
        if (!(off > 1e-30 * all)) {
            break;
        }
        for (int p = 0; p < n; ++p) {
            for (int q = p + 1; q < n; ++q) {
                if (at(p, q) == 0.0) {
                    continue;
                }
                // The rotation in the (p, q) plane that zeroes A_pq.
                const double theta = (at(q, q) - at(p, p)) / (2.0 * at(p, q));
                const double t = (theta >= 0.0 ? 1.0 : -1.0) /
                                 (std::fabs(theta) + std::sqrt(theta * theta + 1.0));
                const double c = 1.0 / std::sqrt(t * t + 1.0);
                const double s = t * c;
                for (int k = 0; k < n; ++k) {
                    const double akp = at(k, p);
                    const double akq = at(k, q);
                    at(k, p) = c * akp - s * akq;
                    at(k, q) = s * akp + c * akq;
                }
                for (int k = 0; k < n; ++k) {
                    const double apk = at(p, k);
                    const double aqk = at(q, k);
                    at(p, k) = c * apk - s * aqk;
                    at(q, k) = s * apk + c * aqk;
                }
            }
        }
    }
    Vector eigenvalues(Count(n));
    for (int i = 0; i < n; ++i) {
        eigenvalues[Count(i)] = at(i, i);
    }
    std::sort(eigenvalues.begin(), eigenvalues.end());
    return eigenvalues;
}

double Phi(double x) { return StdNormalCdf(x); }

double Density(double x) { return std::exp(-0.5 * x * x) / std::sqrt(constants::kTwoPi); }

// prod (1 + b kappa_i)^-1/2, NaN unless every factor is positive.
double Product(double b, const Vector& kappa) {
    double product = 1.0;
    for (double k : kappa) {
        const double factor = 1.0 + b * k;
        if (!(factor > 0.0)) {
            return SReliabilityResult::kNaN;
        }
        product /= std::sqrt(factor);
    }
    return product;
}

double Breitung(double beta, const Vector& kappa) { return Phi(-beta) * Product(beta, kappa); }

double HohenbichlerRackwitz(double beta, const Vector& kappa) {
    return Phi(-beta) * Product(Density(beta) / Phi(-beta), kappa);
}

double Tvedt(double beta, const Vector& kappa) {
    const double first = Product(beta, kappa);
    const double second = Product(beta + 1.0, kappa);
    std::complex<double> third = 1.0;
    for (double k : kappa) {
        third /= std::sqrt(1.0 + std::complex<double>(beta, 1.0) * k);
    }
    const double tail = beta * Phi(-beta) - Density(beta);
    return Phi(-beta) * first + tail * (first - second) +
           (beta + 1.0) * tail * (first - third.real());
}

// The formula for the failure domain, or through the safe domain when the origin fails.
template <class Formula>
double Probability(double beta, const Vector& kappa, Formula formula) {
    if (beta >= 0.0) {
        return formula(beta, kappa);
    }
    Vector negated(kappa.size());
    std::transform(kappa.begin(), kappa.end(), negated.begin(), [](double k) { return -k; });
    return 1.0 - formula(-beta, negated);
}

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

} // namespace

CSorm::CSorm(const CTransform& transform, const SLimitState& limitState)
    : CSorm(transform, limitState, SOptions{}) {}

CSorm::CSorm(const CTransform& transform, const SLimitState& limitState, SOptions options)
    : m_transform(transform), m_limitState(limitState), m_options(std::move(options)) {}

CSorm::SResult CSorm::Run() const {
    CForm::RequireContinuous(m_transform, "SORM");
    return Run(CForm(m_transform, m_limitState, m_options.form).Run());
}

std::vector<double> CSorm::Curvatures(const CForm::SResult& form, long long& nCalls) const {
    const int m = m_transform.GetDimension();
    const std::vector<Vector> t = TangentBasis(form.alpha);
    const int nt = m - 1;
    const double h = m_options.dHessianStep;
    // One batch: u* +- h t_i for every i, then u* + h (t_i + t_j) and u* - h (t_i + t_j) for
    // every pair i < j.
    std::vector<Vector> points;
    const auto Add = [&](double a, int i, double b, int j) {
        Vector u = form.u;
        for (int k = 0; k < m; ++k) {
            u[Count(k)] += a * t[Count(i)][Count(k)] + (j >= 0 ? b * t[Count(j)][Count(k)] : 0.0);
        }
        points.push_back(u);
    };
    for (int i = 0; i < nt; ++i) {
        Add(h, i, 0.0, -1);
        Add(-h, i, 0.0, -1);
    }
    for (int i = 0; i < nt; ++i) {
        for (int j = i + 1; j < nt; ++j) {
            Add(h, i, h, j);
            Add(-h, i, -h, j);
        }
    }
    Vector U;
    for (const Vector& u : points) {
        U.insert(U.end(), u.begin(), u.end());
    }
    const int nPoints = static_cast<int>(points.size());
    Vector X(Count(nPoints) * Count(m_transform.GetVariableCount()));
    Vector G(Count(nPoints));
    CLimitStateEvaluator evaluator(m_limitState, m_transform, m_options.form.nThreads);
    evaluator.EvaluateStandard(U.data(), nPoints, X.data(), G.data());
    nCalls = evaluator.GetCalls();

    // H_ii = (G(+i) - 2 G0 + G(-i)) / h^2;
    // H_ij = (G(+i+j) + G(-i-j) - G(+i) - G(-i) - G(+j) - G(-j) + 2 G0) / (2 h^2).
    const double G0 = form.dG;
    const double gradNorm = std::sqrt(Dot(form.gradientU, form.gradientU));
    const auto Plus = [&](int i) { return G[Count(2 * i)]; };
    const auto Minus = [&](int i) { return G[Count(2 * i + 1)]; };
    Vector A(Count(nt) * Count(nt));
    std::size_t nPair = Count(2 * nt);
    for (int i = 0; i < nt; ++i) {
        A[Count(i) * Count(nt) + Count(i)] = (Plus(i) - 2.0 * G0 + Minus(i)) / (h * h) / gradNorm;
        for (int j = i + 1; j < nt; ++j) {
            const double both = G[nPair] + G[nPair + 1];
            nPair += 2;
            const double Hij =
                (both - Plus(i) - Minus(i) - Plus(j) - Minus(j) + 2.0 * G0) / (2.0 * h * h);
            A[Count(i) * Count(nt) + Count(j)] = Hij / gradNorm;
            A[Count(j) * Count(nt) + Count(i)] = Hij / gradNorm;
        }
    }
    return SymmetricEigenvalues(A, nt);
}

CSorm::SResult CSorm::Run(const CForm::SResult& form) const {
    const auto started = std::chrono::steady_clock::now();
    CForm::RequireContinuous(m_transform, "SORM");
    if (form.bConverged &&
        form.alpha.size() != static_cast<std::size_t>(m_transform.GetDimension())) {
        throw CReliabilityError("the FORM result belongs to a problem of " +
                                std::to_string(form.alpha.size()) + " coordinates, not " +
                                std::to_string(m_transform.GetDimension()));
    }
    const CNumericsScope scope(m_transform.GetNumerics());
    SResult result;
    result.form = form;
    result.nCalls = form.nCalls;
    result.nGradientCalls = form.nGradientCalls;
    if (!form.bConverged) {
        result.strReason = "FORM did not converge: " + form.strReason;
        result.dSeconds = form.dSeconds;
        return result;
    }
    result.curvatures = Curvatures(form, result.nHessianCalls);
    result.nCalls += result.nHessianCalls;

    const double beta = form.dBeta;
    result.dPfBreitung = Probability(beta, result.curvatures, Breitung);
    result.dPfHohenbichlerRackwitz = Probability(beta, result.curvatures, HohenbichlerRackwitz);
    result.dPfTvedt = Probability(beta, result.curvatures, Tvedt);
    const double b = std::fabs(beta);
    const double psi = Density(b) / Phi(-b);
    for (double kappa : result.curvatures) {
        const double k = beta >= 0.0 ? kappa : -kappa; // as the formulas see it
        if (!(1.0 + b * k > 0.0)) {
            result.warnings.push_back("1 + beta kappa = " + Number(1.0 + b * k) +
                                      " <= 0 for the curvature " + Number(kappa) +
                                      ": the formulas of Breitung and Tvedt do not apply");
        } else if (!(1.0 + (b + 1.0) * k > 0.0)) {
            result.warnings.push_back("1 + (beta + 1) kappa <= 0 for the curvature " +
                                      Number(kappa) + ": Tvedt's formula does not apply");
        }
        if (!(1.0 + psi * k > 0.0)) {
            result.warnings.push_back("1 + psi kappa <= 0 for the curvature " + Number(kappa) +
                                      ": the formula of Hohenbichler and Rackwitz does not apply");
        }
    }
    result.SetPf(result.dPfTvedt);
    result.bConverged = true;
    result.dSeconds =
        form.dSeconds +
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return result;
}

} // namespace stochvar
