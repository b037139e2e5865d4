#pragma once

// CSparseCorrelationFactor: the Cholesky factor of a collection's U-space correlation matrix R,
// kept as the factors of the connected components of its correlation graph (variables joined by
// an entry that CCorrelationFactor counts). Variables that no entry joins to another one belong
// to no component and need no factor.
//
// Ordered so that each component keeps its variables ascending, R is block-diagonal, and the
// factor of a block-diagonal matrix holds the blocks' own factors: every element between two
// components is an exact zero throughout the factorisation, and so is every product it adds to
// another element's sums. The factors here are therefore, bit for bit, the rows and columns of
// the factor of the whole matrix, and Correlate gives the bits of the whole factor's product
// (its sums only leave out terms that are exact zeros). A factorisation that fails stops at the
// same row: the smallest variable at which some component fails.
//
// Memory: the sum of the squares of the component sizes, where the whole matrix needs the square
// of the variable count; a few hundred random pairs among thousands of variables make components
// of a handful of variables.

#include <stochvar/simulation/CorrelationFactor.h>

#include <functional>
#include <vector>

namespace stochvar {

class CSparseCorrelationFactor {
public:
    using CorrArray = CCorrelationFactor::CorrArray;
    // Work done and work in all, in multiply-adds (a component of m variables takes about
    // m^3 / 6).
    using ProgressReport = std::function<void(long long nDone, long long nTotal)>;

    // R of the variables 0 .. nDists - 1, component by component.
    void Build(const CorrArray& corrs, int nDists);
    // Factors every component. Returns -1, or the collection index at which the factorisation
    // of the whole matrix fails (see above). onProgress, when given, hears after each row.
    int Factor(const ProgressReport& onProgress = {});

    // y = L z over all variables (collection indices): each component's rows of L, and y_i = z_i
    // for a variable outside every component. y may be z.
    void Correlate(const double* z, double* y) const;

    int GetComponentCount() const { return static_cast<int>(m_Components.size()); }
    // Writes the factor of the whole matrix: nDists x nDists doubles, row-major, L in the lower
    // triangle and zeros elsewhere; a variable outside every component has its 1 on the
    // diagonal.
    void WriteWholeFactor(double* L) const;

    // The connected components of the correlation graph of a collection of nDists variables:
    // each one's variables ascending, the components ordered by their first variable; variables
    // outside every pair belong to none.
    static std::vector<std::vector<int>> Components(const CorrArray& corrs, int nDists);

private:
    int m_nDists = 0;
    std::vector<CCorrelationFactor> m_Components;
    // One component holds every variable: its positions are the collection indices.
    bool m_bOneWholeComponent = false;
};

} // namespace stochvar
