#include <stochvar/documents/IndefiniteRow.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace stochvar {

namespace {

// The factorisation below works on the variables that take part in some correlation, in
// collection order. A variable without any correlation has a zero row left of its unit pivot,
// so its part of the factor is zero and its pivot 1: leaving it out adds nothing but zero terms
// to the dot products of the others and changes no pivot, while a large collection with a few
// correlations needs no n x n matrix.
std::vector<int> CorrelatedVariables(const CDistCollection& collection, int n) {
    std::vector<bool> bCorrelated(static_cast<std::size_t>(n), false);
    for (const SCorr* pCorr : collection.m_Corrs) {
        const int nRow = std::max(pCorr->nIndex1, pCorr->nIndex2);
        const int nColumn = std::min(pCorr->nIndex1, pCorr->nIndex2);
        if (nColumn < 0 || nRow >= n || nRow == nColumn) {
            continue; // skipped by the simulation as well
        }
        bCorrelated[static_cast<std::size_t>(nRow)] = true;
        bCorrelated[static_cast<std::size_t>(nColumn)] = true;
    }
    std::vector<int> variables;
    for (int i = 0; i < n; ++i) {
        if (bCorrelated[static_cast<std::size_t>(i)]) {
            variables.push_back(i);
        }
    }
    return variables;
}

} // namespace

int FindIndefiniteRow(const CDistCollection& collection) {
    const int nCount = collection.GetCount();
    const std::vector<int> variables = CorrelatedVariables(collection, nCount);
    const auto m = variables.size();
    if (m == 0) {
        return -1;
    }
    std::vector<int> position(static_cast<std::size_t>(nCount), -1);
    for (std::size_t i = 0; i < m; ++i) {
        position[static_cast<std::size_t>(variables[i])] = static_cast<int>(i);
    }

    // Unit diagonal, then each entry in list order into the lower triangle (a later entry for a
    // pair overrides an earlier one).
    std::vector<double> L(m * m, 0.0);
    for (std::size_t i = 0; i < m; ++i) {
        L[i * m + i] = 1.0;
    }
    for (const SCorr* pCorr : collection.m_Corrs) {
        const int nRow = std::max(pCorr->nIndex1, pCorr->nIndex2);
        const int nColumn = std::min(pCorr->nIndex1, pCorr->nIndex2);
        if (nColumn < 0 || nRow >= nCount || nRow == nColumn) {
            continue;
        }
        const auto r = static_cast<std::size_t>(position[static_cast<std::size_t>(nRow)]);
        const auto c = static_cast<std::size_t>(position[static_cast<std::size_t>(nColumn)]);
        L[r * m + c] = pCorr->dCorrU;
    }

    // Column-oriented Cholesky, row by row, as the simulation factors its matrix.
    for (std::size_t j = 0; j < m; ++j) {
        double s = 0.0;
        for (std::size_t k = 0; k < j; ++k) {
            double dot = 0.0;
            for (std::size_t q = 0; q < k; ++q) {
                dot += L[j * m + q] * L[k * m + q];
            }
            const double t = (L[j * m + k] - dot) / L[k * m + k];
            L[j * m + k] = t;
            s += t * t;
        }
        const double d = L[j * m + j] - s;
        if (!(d > 0.0)) { // a NaN pivot fails as well
            return variables[j];
        }
        L[j * m + j] = std::sqrt(d);
    }
    return -1;
}

} // namespace stochvar
