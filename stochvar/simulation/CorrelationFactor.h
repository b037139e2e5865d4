#pragma once

// CCorrelationFactor: the U-space correlation matrix R of a collection's variables, or of some of
// them, and its Cholesky factor L (R = L L^T, L lower triangular with a positive diagonal). The
// sampler correlates independent standard normal values with it; a readiness check uses it to
// find out, before any run, whether R is positive definite.
//
// R has a unit diagonal and, for each correlation entry in list order, the entry's dCorrU between
// its two variables, whichever order the entry names them in; a later entry for a pair overrides
// an earlier one. Entries that pair a variable with itself, that address no variable of the
// collection (-1, or an index at or beyond its count) or that name a variable the factor leaves
// out play no part.
//
// The factor covers the variables it is given, in ascending collection order; position p of the
// matrix stands for variable GetVariable(p). A variable that no entry joins to another one adds
// nothing but exact zeros to the sums of the others and has the pivot 1, so leaving it out changes
// no bit of the rest of the factor. The same reasoning covers any split of the variables into
// groups that no entry joins (the connected components of the correlation graph): each group,
// factored on its own in ascending order, gives its block of the whole factor.
//
// Storage: order x order doubles, row-major; R in the lower triangle after Build, L after Factor,
// zeros above the diagonal. The buffers keep their memory for the next Build of the same size or
// smaller.

#include <stochvar/framework/Array.h>
#include <stochvar/simulation/Corr.h>

#include <cstddef>
#include <functional>
#include <vector>

namespace stochvar {

class CCorrelationFactor {
public:
    using CorrArray = CArray<SCorr*, SCorr*>;

    // R of the variables 0 .. nDists - 1.
    void Build(const CorrArray& corrs, int nDists);
    // R of the given variables of a collection of nDists (indices ascending, each below nDists).
    void Build(const CorrArray& corrs, int nDists, const std::vector<int>& variables);

    // Factors R in place, row by row: for j = 0 .. order - 1 and k = 0 .. j - 1,
    // L[j][k] = (R[j][k] - sum_{m<k} L[j][m] L[k][m]) / L[k][k], with s = sum_{k<j} L[j][k]^2
    // kept on the way; then d = R[j][j] - s and L[j][j] = sqrt(d) (the LINPACK DPOFA order, on
    // which the sampled values depend). Returns -1, or the collection index of the first
    // variable whose d is not positive (also not a number); the rows before it then hold L,
    // the rest R.
    int Factor();
    // The same, calling onRow(j + 1) after row j (for progress reports: row j costs about j^2 / 2
    // multiply-adds).
    int Factor(const std::function<void(int nRowsDone)>& onRow);

    // Variables whose pairs enter R: both ends of every entry that addresses two different
    // variables of a collection of nDists; ascending, each once.
    static std::vector<int> CorrelatedVariables(const CorrArray& corrs, int nDists);
    // Whether the entry addresses two different variables of a collection of nDists, and which
    // element of the lower triangle it sets (nRow > nColumn).
    static bool EntryCell(const SCorr& corr, int nDists, int& nRow, int& nColumn);

    int GetOrder() const { return m_nOrder; }
    int GetVariable(int nPosition) const { return m_Variables[Index(nPosition)]; }
    // The matrix (see Storage above); null while it is empty.
    double* GetData() { return m_Matrix.empty() ? nullptr : m_Matrix.data(); }
    const double* GetData() const { return m_Matrix.empty() ? nullptr : m_Matrix.data(); }

    // y = L z by positions: y_p = sum_{q <= p} L[p][q] z_q, summed with q ascending. y may be z.
    void Correlate(const double* z, double* y) const;

private:
    static std::size_t Index(int n) { return static_cast<std::size_t>(n); }
    // R of the variables in m_Variables.
    void BuildMatrix(const CorrArray& corrs, int nDists);
    // Position of the variable in m_Variables (ascending), -1 when the factor leaves it out.
    int PositionOf(int nVariable) const;

    int m_nOrder = 0;
    std::vector<int> m_Variables; // collection index of each position, ascending
    std::vector<double> m_Matrix;
};

} // namespace stochvar
