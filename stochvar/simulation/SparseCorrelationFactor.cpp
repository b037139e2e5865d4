#include <stochvar/simulation/SparseCorrelationFactor.h>

#include <algorithm>
#include <cstddef>
#include <numeric>

namespace stochvar {

namespace {

std::size_t Index(int n) { return static_cast<std::size_t>(n); }

// Multiply-adds of the first j rows of a factorisation, near enough for a progress report.
long long RowsWork(long long j) { return j * j * j / 6 + j; }

// Union-find over the variables, with path halving.
int Root(std::vector<int>& parent, int v) {
    while (parent[Index(v)] != v) {
        parent[Index(v)] = parent[Index(parent[Index(v)])];
        v = parent[Index(v)];
    }
    return v;
}

} // namespace

std::vector<std::vector<int>> CSparseCorrelationFactor::Components(const CorrArray& corrs,
                                                                   int nDists) {
    const int n = std::max(nDists, 0);
    std::vector<int> parent(Index(n));
    std::iota(parent.begin(), parent.end(), 0);
    std::vector<bool> bCorrelated(Index(n), false);
    for (const SCorr* pCorr : corrs) {
        int nRow = 0;
        int nColumn = 0;
        if (CCorrelationFactor::EntryCell(*pCorr, n, nRow, nColumn)) {
            parent[Index(Root(parent, nRow))] = Root(parent, nColumn);
            bCorrelated[Index(nRow)] = true;
            bCorrelated[Index(nColumn)] = true;
        }
    }
    // Ascending variables put each component's first variable first, and its members in order.
    std::vector<std::vector<int>> components;
    std::vector<int> componentOfRoot(Index(n), -1);
    for (int v = 0; v < n; ++v) {
        if (!bCorrelated[Index(v)]) {
            continue;
        }
        int& nComponent = componentOfRoot[Index(Root(parent, v))];
        if (nComponent < 0) {
            nComponent = static_cast<int>(components.size());
            components.emplace_back();
        }
        components[Index(nComponent)].push_back(v);
    }
    return components;
}

void CSparseCorrelationFactor::Build(const CorrArray& corrs, int nDists) {
    m_nDists = std::max(nDists, 0);
    const std::vector<std::vector<int>> components = Components(corrs, m_nDists);
    std::vector<int> componentOf(Index(m_nDists), -1);
    for (std::size_t c = 0; c < components.size(); ++c) {
        for (int v : components[c]) {
            componentOf[Index(v)] = static_cast<int>(c);
        }
    }
    // Each component reads only its own entries, in list order.
    std::vector<CorrArray> entries(components.size());
    for (SCorr* pCorr : corrs) {
        int nRow = 0;
        int nColumn = 0;
        if (CCorrelationFactor::EntryCell(*pCorr, m_nDists, nRow, nColumn)) {
            entries[Index(componentOf[Index(nRow)])].Add(pCorr);
        }
    }
    m_Components.resize(components.size());
    for (std::size_t c = 0; c < components.size(); ++c) {
        m_Components[c].Build(entries[c], m_nDists, components[c]);
    }
    m_bOneWholeComponent =
        components.size() == 1 && static_cast<int>(components[0].size()) == m_nDists;
}

int CSparseCorrelationFactor::Factor(const ProgressReport& onProgress) {
    long long nTotal = 0;
    for (const CCorrelationFactor& component : m_Components) {
        nTotal += RowsWork(component.GetOrder());
    }
    long long nDone = 0;
    int nFailed = -1;
    for (CCorrelationFactor& component : m_Components) {
        // Components come in the order of their first variables: a later one cannot fail
        // before a failure already found.
        if (nFailed >= 0 && component.GetVariable(0) > nFailed) {
            break;
        }
        const long long nBefore = nDone;
        const int nRow = onProgress ? component.Factor([&](int nRowsDone) {
            onProgress(nBefore + RowsWork(nRowsDone), nTotal);
        })
                                    : component.Factor();
        nDone = nBefore + RowsWork(component.GetOrder());
        if (nRow >= 0 && (nFailed < 0 || nRow < nFailed)) {
            nFailed = nRow;
        }
    }
    return nFailed;
}

void CSparseCorrelationFactor::Correlate(const double* z, double* y) const {
    if (m_bOneWholeComponent) {
        m_Components[0].Correlate(z, y);
        return;
    }
    if (y != z) {
        std::copy(z, z + m_nDists, y);
    }
    for (const CCorrelationFactor& component : m_Components) {
        const std::size_t m = Index(component.GetOrder());
        const double* L = component.GetData();
        // As CCorrelationFactor::Correlate, through the collection indices: from the last row up,
        // so that y may overwrite z.
        for (std::size_t p = m; p-- > 0;) {
            double sum = 0.0;
            for (std::size_t q = 0; q <= p; ++q) {
                sum += L[p * m + q] * z[component.GetVariable(static_cast<int>(q))];
            }
            y[component.GetVariable(static_cast<int>(p))] = sum;
        }
    }
}

void CSparseCorrelationFactor::WriteWholeFactor(double* L) const {
    const std::size_t n = Index(m_nDists);
    std::fill(L, L + n * n, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        L[i * n + i] = 1.0;
    }
    for (const CCorrelationFactor& component : m_Components) {
        const int m = component.GetOrder();
        const double* Lc = component.GetData();
        for (int p = 0; p < m; ++p) {
            const std::size_t i = Index(component.GetVariable(p));
            for (int q = 0; q <= p; ++q) {
                L[i * n + Index(component.GetVariable(q))] = Lc[Index(p) * Index(m) + Index(q)];
            }
        }
    }
}

} // namespace stochvar
