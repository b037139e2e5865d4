// Correlated sampling of a CDistCollection: run preparation (buffers, U-space matrix and its
// Cholesky factor), the drawing of joint samples one at a time or in batches over threads, and
// slices of a run.

#include <stochvar/simulation/DistCollection.h>

#include <stochvar/model/Dist.h>
#include <stochvar/model/DistStatus.h>
#include <stochvar/numerics/ExOr.h>
#include <stochvar/simulation/ParallelChunks.h>
#include <stochvar/simulation/SamplingNormals.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

namespace stochvar {

namespace {

std::size_t Count(int n) { return n > 0 ? static_cast<std::size_t>(n) : 0; }

std::size_t Count(int nRows, int nColumns) { return Count(nRows) * Count(nColumns); }

} // namespace

void CDistCollection::FreeBuffers() {
    delete[] m_pCorrMatrix;
    delete[] m_pNormal;
    delete[] m_pOwnStrata;
    m_pCorrMatrix = nullptr;
    m_pNormal = nullptr;
    m_pOwnStrata = nullptr;
    m_pStrata = nullptr;
    m_bExternalStrata = FALSE;
    m_nMatrixCapacity = 0;
    m_nOwnStrataCapacity = 0;
    m_nOwnStrataSample = 0;
    m_nRunDists = 0;
    std::vector<CStratumWalk>().swap(m_Walks);
}

void CDistCollection::CopyRunState(const CDistCollection& source) {
    m_nSamples = source.m_nSamples;
    m_bLatinHypercube = source.m_bLatinHypercube;
    m_bInitialized = source.m_bInitialized;
    m_nSample = source.m_nSample;
    m_pExOr = source.m_pExOr;
    m_nRunDists = source.m_nRunDists;

    if (source.m_pCorrMatrix != nullptr) {
        m_nMatrixCapacity = source.m_nMatrixCapacity;
        const std::size_t nElements = Count(m_nMatrixCapacity, m_nMatrixCapacity);
        m_pCorrMatrix = new double[nElements];
        std::copy_n(source.m_pCorrMatrix, nElements, m_pCorrMatrix);
        m_pNormal = new double[Count(m_nMatrixCapacity)];
        std::copy_n(source.m_pNormal, Count(m_nMatrixCapacity), m_pNormal);
    }
    // A caller's table is copied only while a Latin hypercube run still reads it: after the run
    // the caller may well have released it. The copy owns whatever table it gets.
    const bool bRunReadsCallerTable = source.m_bExternalStrata && source.m_bInitialized &&
                                      source.m_bLatinHypercube &&
                                      source.m_nSample < source.m_nSamples;
    if (bRunReadsCallerTable) {
        CopyStrata(source.m_pStrata, static_cast<int>(Count(source.m_nSamples, source.m_nRunDists)));
    } else if (source.m_pOwnStrata != nullptr) {
        CopyStrata(source.m_pOwnStrata, source.m_nOwnStrataCapacity);
    }
    m_pStrata = m_pOwnStrata;
    m_bExternalStrata = FALSE;
    // The table now holds the strata of the samples drawn so far; the walks go on from there.
    m_nOwnStrataSample = m_nSample;
    if (m_bInitialized && m_bLatinHypercube && m_nSample < m_nSamples && m_pOwnStrata != nullptr) {
        StartStratumWalks();
    }
}

void CDistCollection::CopyStrata(const int* pSource, int nInts) {
    m_nOwnStrataCapacity = nInts;
    m_pOwnStrata = new int[Count(nInts)];
    std::copy_n(pSource, Count(nInts), m_pOwnStrata);
}

void CDistCollection::EnsureMatrixBuffers(int nDists) {
    if (m_pCorrMatrix != nullptr && nDists <= m_nMatrixCapacity) {
        return;
    }
    delete[] m_pCorrMatrix;
    delete[] m_pNormal;
    m_nMatrixCapacity = nDists;
    m_pCorrMatrix = new double[Count(nDists, nDists)];
    m_pNormal = new double[Count(nDists)];
}

void CDistCollection::EnsureOwnStrata(int nInts) {
    if (m_pOwnStrata != nullptr && nInts <= m_nOwnStrataCapacity) {
        return;
    }
    delete[] m_pOwnStrata;
    m_nOwnStrataCapacity = nInts;
    m_pOwnStrata = new int[Count(nInts)];
}

void CDistCollection::BuildCorrMatrix() {
    const int n = m_nRunDists;
    double* R = m_pCorrMatrix;
    std::fill_n(R, Count(n, n), 0.0);
    for (int i = 0; i < n; ++i) {
        R[i * n + i] = 1.0;
    }
    // Entries are written into the lower triangle, which the factorisation reads.
    for (const SCorr* pCorr : m_Corrs) {
        const int nRow = std::max(pCorr->nIndex1, pCorr->nIndex2);
        const int nColumn = std::min(pCorr->nIndex1, pCorr->nIndex2);
        if (nColumn < 0 || nRow >= n || nRow == nColumn) {
            continue;
        }
        R[nRow * n + nColumn] = pCorr->dCorrU;
    }
}

int CDistCollection::FactorCorrMatrix() {
    const int n = m_nRunDists;
    double* L = m_pCorrMatrix;
    for (int j = 0; j < n; ++j) {
        double s = 0.0;
        for (int k = 0; k < j; ++k) {
            double dot = 0.0;
            for (int m = 0; m < k; ++m) {
                dot += L[j * n + m] * L[k * n + m];
            }
            const double t = (L[j * n + k] - dot) / L[k * n + k];
            L[j * n + k] = t;
            s += t * t;
        }
        const double d = L[j * n + j] - s;
        if (!(d > 0.0)) { // a NaN pivot fails as well
            return j;
        }
        L[j * n + j] = std::sqrt(d);
    }
    return -1;
}

void CDistCollection::InitSimulation(int nSamples, BOOL bLatinHypercube, CExOr* pExOr,
                                     int* pStrata) {
    const CNumericsScope numerics(GetNumerics());
    m_pExOr = pExOr;
    m_nSamples = nSamples;
    m_bLatinHypercube = bLatinHypercube;
    m_nRunDists = GetCount();
    const int n = m_nRunDists;

    EnsureMatrixBuffers(n);
    BuildCorrMatrix();
    if (!m_Corrs.IsEmpty()) {
        const int nFailedRow = FactorCorrMatrix();
        if (nFailedRow >= 0) {
            CString strMessage;
            strMessage.Format("Negative definit correlation matrix starting at row %d \n",
                              nFailedRow);
            CDistStatus status;
            status.SetError(strMessage);
            status.ShowMessage();
            // Nothing of a run is left: not even a reference to an earlier caller's table.
            m_bInitialized = FALSE;
            m_bExternalStrata = FALSE;
            m_pStrata = m_pOwnStrata;
            return;
        }
    }

    m_bExternalStrata = pStrata != nullptr ? TRUE : FALSE;
    if (m_bExternalStrata) {
        m_pStrata = pStrata;
    } else {
        if (m_bLatinHypercube) {
            const int nInts = static_cast<int>(Count(nSamples, n));
            EnsureOwnStrata(nInts);
            std::fill_n(m_pOwnStrata, Count(nInts), 0);
        }
        m_pStrata = m_pOwnStrata;
    }
    m_bInitialized = TRUE;
    m_nSample = 0;
    m_nOwnStrataSample = 0;
    if (UsesStratumWalks()) {
        StartStratumWalks();
    }
}

void CDistCollection::StartStratumWalks() {
    const int N = m_nSamples;
    m_Walks.resize(Count(m_nRunDists));
    for (int i = 0; i < m_nRunDists; ++i) {
        m_Walks[Count(i)].Restore(N, m_pOwnStrata + Count(i, N), m_nSample);
    }
}

void CDistCollection::WriteOwnStrata() {
    if (!m_bInitialized || !UsesStratumWalks() || m_nOwnStrataSample == m_nSample) {
        return;
    }
    for (int i = 0; i < m_nRunDists; ++i) {
        m_Walks[Count(i)].WriteSortedStrata(m_pOwnStrata + Count(i, m_nSamples));
    }
    m_nOwnStrataSample = m_nSample;
}

const int* CDistCollection::GetStrata() {
    WriteOwnStrata();
    return m_pStrata;
}

void CDistCollection::DrawUniforms(double* v) {
    const int n = m_nRunDists;
    if (!m_bLatinHypercube) {
        for (int i = 0; i < n; ++i) {
            v[i] = m_pExOr->GetRandom();
        }
    } else if (UsesStratumWalks()) {
        // All draws first: the walks of a large run wait on memory, and knowing where every
        // variable's walk will end lets the memory be asked for before the first walk starts.
        for (int i = 0; i < n; ++i) {
            v[i] = m_pExOr->GetRandom();
            m_Walks[Count(i)].Prefetch(v[i]);
        }
        for (int i = 0; i < n; ++i) {
            v[i] = m_Walks[Count(i)].Place(v[i]);
        }
    } else {
        for (int i = 0; i < n; ++i) {
            v[i] = WalkCallerStrata(i, m_pExOr->GetRandom());
        }
    }
    ++m_nSample;
}

double CDistCollection::WalkCallerStrata(int nDist, double v) {
    const int N = m_nSamples;
    const int m = m_nSample;
    // Squeeze v into the room the N - m unused strata would fill if pushed together, then let
    // every used stratum at or below it push it up by one stratum width.
    v = v * (static_cast<double>(N - m) / static_cast<double>(N));
    int* row = m_pStrata + Count(nDist, N);
    int k = 0;
    while (k < m && static_cast<double>(row[k]) < static_cast<double>(N) * v) {
        v = v + 1.0 / static_cast<double>(N);
        ++k;
    }
    // Record the stratum, keeping the used part of the row ascending.
    const int s = static_cast<int>(static_cast<double>(N) * v);
    std::memmove(row + k + 1, row + k, Count(m - k) * sizeof(int));
    row[k] = s;
    return v;
}

int CDistCollection::DrawableCount(int nCount) const {
    if (!m_bInitialized || m_pExOr == nullptr || m_nSample >= m_nSamples ||
        GetCount() < m_nRunDists || nCount <= 0) {
        return 0;
    }
    return std::min(nCount, m_nSamples - m_nSample);
}

template <class Normals>
void CDistCollection::FinishSample(const double* z, double* pOut) const {
    const int n = m_nRunDists;
    const double* L = m_pCorrMatrix;
    // y_i needs z_0 .. z_i only, so going from the last row of the factor up lets y overwrite z.
    for (int i = n - 1; i >= 0; --i) {
        double y = 0.0;
        for (int k = 0; k <= i; ++k) {
            y += L[i * n + k] * z[k];
        }
        pOut[i] = y;
    }
    for (int i = 0; i < n; ++i) {
        pOut[i] = m_Dists[i]->GetInverse(Normals::Cdf(pOut[i]));
    }
}

BOOL CDistCollection::GetSample(int& nSample, double* pValues) {
    if (DrawableCount(1) == 0) {
        return FALSE;
    }
    const int n = m_nRunDists;
    const ENumerics numerics = GetNumerics();
    const CNumericsScope scope(numerics);
    double* z = m_pNormal;
    DrawUniforms(z);
    WithNormals(numerics, [&]<class Normals>(Normals) {
        for (int i = 0; i < n; ++i) {
            z[i] = Normals::Inverse(z[i]);
        }
        FinishSample<Normals>(z, pValues);
    });
    if (m_nSample == m_nSamples) {
        WriteOwnStrata();
    }
    nSample = m_nSample;
    return TRUE;
}

int CDistCollection::GetSamples(int nCount, double* pValues, int nThreads) {
    const int nDraw = DrawableCount(nCount);
    if (nDraw == 0) {
        return 0;
    }
    const int n = m_nRunDists;
    const ENumerics numerics = GetNumerics();
    const CNumericsScope scope(numerics);
    for (int i = 0; i < n; ++i) {
        m_Dists[i]->PrepareInverse(); // the workers then only read the variables
    }
    const auto Row = [&](int s) { return pValues + Count(s, n); };
    if (m_bLatinHypercube) {
        // The walk depends on every stratum drawn before: it stays on this thread and leaves
        // the uniform numbers in the rows.
        for (int s = 0; s < nDraw; ++s) {
            DrawUniforms(Row(s));
        }
        WithNormals(numerics, [&]<class Normals>(Normals) {
            RunInChunks(nDraw, nThreads, [&](int nFirst, int nRows) {
                const CNumericsScope workerScope(numerics);
                for (int s = nFirst; s < nFirst + nRows; ++s) {
                    double* row = Row(s);
                    for (int i = 0; i < n; ++i) {
                        row[i] = Normals::Inverse(row[i]);
                    }
                    FinishSample<Normals>(row, row);
                }
            });
        });
    } else {
        const CExOr start = *m_pExOr;
        WithNormals(numerics, [&]<class Normals>(Normals) {
            RunInChunks(nDraw, nThreads, [&](int nFirst, int nRows) {
                const CNumericsScope workerScope(numerics);
                CExOr generator = start;
                generator.Discard(static_cast<unsigned long long>(nFirst) * Count(n));
                for (int s = nFirst; s < nFirst + nRows; ++s) {
                    double* row = Row(s);
                    for (int i = 0; i < n; ++i) {
                        row[i] = Normals::Inverse(generator.GetRandom());
                    }
                    FinishSample<Normals>(row, row);
                }
            });
        });
        m_pExOr->Discard(static_cast<unsigned long long>(nDraw) * Count(n));
        m_nSample += nDraw;
    }
    if (m_nSample == m_nSamples) {
        WriteOwnStrata();
    }
    return nDraw;
}

int CDistCollection::SkipSamples(int nCount) {
    const int nSkip = DrawableCount(nCount);
    if (nSkip == 0) {
        return 0;
    }
    const CNumericsScope numerics(GetNumerics());
    const int n = m_nRunDists;
    if (m_bLatinHypercube) {
        for (int s = 0; s < nSkip; ++s) {
            DrawUniforms(m_pNormal); // as scratch
        }
    } else {
        m_pExOr->Discard(static_cast<unsigned long long>(nSkip) * Count(n));
        m_nSample += nSkip;
    }
    if (m_nSample == m_nSamples) {
        WriteOwnStrata();
    }
    return nSkip;
}

} // namespace stochvar
