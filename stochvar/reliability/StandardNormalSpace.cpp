#include <stochvar/reliability/StandardNormalSpace.h>

#include <stochvar/reliability/ReliabilityError.h>

#include <algorithm>
#include <cstddef>

namespace stochvar {

namespace {

std::size_t Count(int n) { return static_cast<std::size_t>(n); }

void Identity(int n, double* J) {
    std::fill_n(J, Count(n) * Count(n), 0.0);
    for (int i = 0; i < n; ++i) {
        J[Count(i) * Count(n) + Count(i)] = 1.0;
    }
}

} // namespace

CStandardNormalSpace::CStandardNormalSpace(int nDims, ENumerics numerics)
    : m_nDims(nDims), m_numerics(numerics) {
    if (nDims < 1) {
        throw CReliabilityError("a standard normal space needs at least one dimension");
    }
}

std::string CStandardNormalSpace::GetVariableName(int nVar) const {
    return "u" + std::to_string(nVar + 1);
}

void CStandardNormalSpace::ToPhysical(const double* u, double* x) const {
    std::copy_n(u, Count(m_nDims), x);
}

void CStandardNormalSpace::ToStandard(const double* x, double* u) const {
    std::copy_n(x, Count(m_nDims), u);
}

void CStandardNormalSpace::GetJacobian(const double* /*u*/, double* J) const {
    Identity(m_nDims, J);
}

void CStandardNormalSpace::GetInverseJacobian(const double* /*u*/, double* J) const {
    Identity(m_nDims, J);
}

} // namespace stochvar
