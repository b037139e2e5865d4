#include <stochvar/simulation/CorrelationFactor.h>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace stochvar {

bool CCorrelationFactor::EntryCell(const SCorr& corr, int nDists, int& nRow, int& nColumn) {
    nRow = std::max(corr.nIndex1, corr.nIndex2);
    nColumn = std::min(corr.nIndex1, corr.nIndex2);
    return nColumn >= 0 && nRow < nDists && nRow != nColumn;
}

void CCorrelationFactor::Build(const CorrArray& corrs, int nDists) {
    m_Variables.resize(Index(std::max(nDists, 0)));
    std::iota(m_Variables.begin(), m_Variables.end(), 0);
    BuildMatrix(corrs, nDists);
}

void CCorrelationFactor::Build(const CorrArray& corrs, int nDists,
                               const std::vector<int>& variables) {
    m_Variables = variables;
    BuildMatrix(corrs, nDists);
}

int CCorrelationFactor::PositionOf(int nVariable) const {
    const auto it = std::lower_bound(m_Variables.begin(), m_Variables.end(), nVariable);
    return it != m_Variables.end() && *it == nVariable ? static_cast<int>(it - m_Variables.begin())
                                                       : -1;
}

void CCorrelationFactor::BuildMatrix(const CorrArray& corrs, int nDists) {
    m_nOrder = static_cast<int>(m_Variables.size());
    const std::size_t n = Index(m_nOrder);
    m_Matrix.assign(n * n, 0.0);
    for (std::size_t p = 0; p < n; ++p) {
        m_Matrix[p * n + p] = 1.0;
    }
    // Ascending positions keep the collection's order, so the entry lands in the lower triangle.
    for (const SCorr* pCorr : corrs) {
        int nRow = 0;
        int nColumn = 0;
        if (!EntryCell(*pCorr, nDists, nRow, nColumn)) {
            continue;
        }
        const int r = PositionOf(nRow);
        const int c = PositionOf(nColumn);
        if (r >= 0 && c >= 0) {
            m_Matrix[Index(r) * n + Index(c)] = pCorr->dCorrU;
        }
    }
}

int CCorrelationFactor::Factor() { return Factor({}); }

int CCorrelationFactor::Factor(const std::function<void(int nRowsDone)>& onRow) {
    const std::size_t n = Index(m_nOrder);
    double* L = m_Matrix.data();
    for (std::size_t j = 0; j < n; ++j) {
        double s = 0.0;
        for (std::size_t k = 0; k < j; ++k) {
            double dot = 0.0;
            for (std::size_t m = 0; m < k; ++m) {
                dot += L[j * n + m] * L[k * n + m];
            }
            const double t = (L[j * n + k] - dot) / L[k * n + k];
            L[j * n + k] = t;
            s += t * t;
        }
        const double d = L[j * n + j] - s;
        if (!(d > 0.0)) { // a NaN pivot fails as well
            return m_Variables[j];
        }
        L[j * n + j] = std::sqrt(d);
        if (onRow) {
            onRow(static_cast<int>(j + 1));
        }
    }
    return -1;
}

std::vector<int> CCorrelationFactor::CorrelatedVariables(const CorrArray& corrs, int nDists) {
    std::vector<bool> bCorrelated(Index(std::max(nDists, 0)), false);
    for (const SCorr* pCorr : corrs) {
        int nRow = 0;
        int nColumn = 0;
        if (EntryCell(*pCorr, nDists, nRow, nColumn)) {
            bCorrelated[Index(nRow)] = true;
            bCorrelated[Index(nColumn)] = true;
        }
    }
    std::vector<int> variables;
    for (int i = 0; i < nDists; ++i) {
        if (bCorrelated[Index(i)]) {
            variables.push_back(i);
        }
    }
    return variables;
}

void CCorrelationFactor::Correlate(const double* z, double* y) const {
    const std::size_t n = Index(m_nOrder);
    const double* L = m_Matrix.data();
    // y_p needs z_0 .. z_p only, so going from the last row up lets y overwrite z.
    for (std::size_t p = n; p-- > 0;) {
        double sum = 0.0;
        for (std::size_t q = 0; q <= p; ++q) {
            sum += L[p * n + q] * z[q];
        }
        y[p] = sum;
    }
}

} // namespace stochvar
