// Correlated sampling of a CDistCollection (declared in DistCollection.h): run preparation (the
// run state of SamplingRunState.h with the factor of CorrelationFactor.h), the drawing of joint
// samples one at a time or in batches over threads, and slices of a run.

#include <stochvar/simulation/DistCollection.h>

#include <stochvar/model/Dist.h>
#include <stochvar/model/DistStatus.h>
#include <stochvar/numerics/ExOr.h>
#include <stochvar/simulation/ParallelChunks.h>
#include <stochvar/simulation/SamplingNormals.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

namespace stochvar {

namespace {

std::size_t Count(int n) { return n > 0 ? static_cast<std::size_t>(n) : 0; }

std::size_t Count(int nRows, int nColumns) { return Count(nRows) * Count(nColumns); }

} // namespace

void CDistCollection::FreeBuffers() {
    m_run = SSamplingRunState{};
    m_pCorrMatrix = nullptr;
    m_pNormal = nullptr;
    m_pStrata = nullptr;
    m_bExternalStrata = FALSE;
}

void CDistCollection::PointIntoRunState() {
    const bool bWholeFactor = m_run.nDists <= kWholeFactorVariables && !m_run.wholeFactor.empty();
    m_pCorrMatrix = bWholeFactor ? m_run.wholeFactor.data() : nullptr;
    m_pNormal = m_run.Normal();
}

void CDistCollection::CopyRunState(const CDistCollection& source) {
    m_nSamples = source.m_nSamples;
    m_bLatinHypercube = source.m_bLatinHypercube;
    m_bInitialized = source.m_bInitialized;
    m_nSample = source.m_nSample;
    m_pExOr = source.m_pExOr;
    m_run.nDists = source.m_run.nDists;
    m_run.factor = source.m_run.factor;
    m_run.wholeFactor = source.m_run.wholeFactor;
    m_run.normal = source.m_run.normal;
    m_run.scratch.resize(source.m_run.scratch.size());
    PointIntoRunState();

    // A caller's table is copied only while a Latin hypercube run still reads it: after the run
    // the caller may well have released it. The copy owns whatever table it gets.
    const bool bRunReadsCallerTable = source.m_bExternalStrata && source.m_bInitialized &&
                                      source.m_bLatinHypercube &&
                                      source.m_nSample < source.m_nSamples;
    if (bRunReadsCallerTable) {
        const int* pTable = source.m_pStrata;
        m_run.ownStrata.assign(pTable, pTable + Count(source.m_nSamples, source.m_run.nDists));
    } else {
        m_run.ownStrata = source.m_run.ownStrata;
    }
    m_pStrata = m_run.OwnStrata();
    m_bExternalStrata = FALSE;
    // The table now holds the strata of the samples drawn so far; the walks go on from there.
    m_run.nOwnStrataSample = m_nSample;
    if (m_bInitialized && m_bLatinHypercube && m_nSample < m_nSamples && m_pStrata != nullptr) {
        StartStratumWalks();
    }
}

void CDistCollection::InitSimulation(int nSamples, BOOL bLatinHypercube, CExOr* pExOr,
                                     int* pStrata) {
    const CNumericsScope numerics(GetNumerics());
    m_pExOr = pExOr;
    m_nSamples = nSamples;
    m_bLatinHypercube = bLatinHypercube;
    m_run.nDists = GetCount();
    const int n = m_run.nDists;

    if (m_run.normal.size() < Count(n)) {
        m_run.normal.resize(Count(n));
    }
    m_run.factor.Build(m_Corrs, n);
    if (!m_Corrs.IsEmpty()) {
        const int nFailedRow = m_run.factor.Factor(FactoringReport());
        if (nFailedRow >= 0) {
            ReportIndefinite(nFailedRow);
            // Nothing of a run is left: not even a reference to an earlier caller's table, nor
            // to a factor.
            m_bInitialized = FALSE;
            m_bExternalStrata = FALSE;
            m_pStrata = m_run.OwnStrata();
            m_pCorrMatrix = nullptr;
            m_pNormal = m_run.Normal();
            return;
        }
    }
    if (n <= kWholeFactorVariables) {
        if (m_run.wholeFactor.size() < Count(n, n)) {
            m_run.wholeFactor.resize(Count(n, n));
        }
        m_run.factor.WriteWholeFactor(m_run.wholeFactor.data());
    }
    PointIntoRunState();

    PrepareStrata(pStrata);
    if (m_bLatinHypercube) {
        // GetSamples on one worker then allocates nothing.
        const std::size_t nScratch = Count(std::min(ScratchRows(), std::max(nSamples, 1)), n);
        if (m_run.scratch.size() < nScratch) {
            m_run.scratch.resize(nScratch);
        }
    }
    m_bInitialized = TRUE;
    m_nSample = 0;
    m_run.nOwnStrataSample = 0;
    if (UsesStratumWalks()) {
        StartStratumWalks();
    }
}

CSparseCorrelationFactor::ProgressReport CDistCollection::FactoringReport() const {
    if (!m_onProgress) {
        return {};
    }
    return [this](long long nDone, long long nTotal) {
        m_onProgress(ERunStage::Factoring, nDone, nTotal);
    };
}

void CDistCollection::ReportIndefinite(int nRow) {
    CString strMessage;
    strMessage.Format("Negative definit correlation matrix starting at row %d \n", nRow);
    CDistStatus status;
    status.SetError(strMessage);
    status.ShowMessage();
}

void CDistCollection::PrepareStrata(int* pStrata) {
    m_bExternalStrata = pStrata != nullptr ? TRUE : FALSE;
    if (m_bExternalStrata) {
        m_pStrata = pStrata;
        return;
    }
    if (m_bLatinHypercube) {
        const std::size_t nInts = Count(m_nSamples, m_run.nDists);
        if (m_run.ownStrata.size() < nInts) {
            m_run.ownStrata.resize(nInts);
        }
        std::fill_n(m_run.ownStrata.begin(), nInts, 0);
    }
    m_pStrata = m_run.OwnStrata();
}

void CDistCollection::StartStratumWalks() {
    const int N = m_nSamples;
    m_run.walks.resize(Count(m_run.nDists));
    for (int i = 0; i < m_run.nDists; ++i) {
        m_run.walks[Count(i)].Restore(N, m_run.ownStrata.data() + Count(i, N), m_nSample);
    }
}

void CDistCollection::WriteOwnStrata() {
    if (!m_bInitialized || !UsesStratumWalks() || m_run.nOwnStrataSample == m_nSample) {
        return;
    }
    for (int i = 0; i < m_run.nDists; ++i) {
        m_run.walks[Count(i)].WriteSortedStrata(m_run.ownStrata.data() + Count(i, m_nSamples));
    }
    m_run.nOwnStrataSample = m_nSample;
}

const int* CDistCollection::GetStrata() {
    WriteOwnStrata();
    return m_pStrata;
}

void CDistCollection::DrawUniforms(double* v) {
    const int n = m_run.nDists;
    if (!m_bLatinHypercube) {
        for (int i = 0; i < n; ++i) {
            v[i] = m_pExOr->GetRandom();
        }
    } else if (UsesStratumWalks()) {
        // All draws first: the walks of a large run wait on memory, and knowing where every
        // variable's walk will end lets the memory be asked for before the first walk starts.
        for (int i = 0; i < n; ++i) {
            v[i] = m_pExOr->GetRandom();
            m_run.walks[Count(i)].Prefetch(v[i]);
        }
        for (int i = 0; i < n; ++i) {
            v[i] = m_run.walks[Count(i)].Place(v[i]);
        }
    } else {
        for (int i = 0; i < n; ++i) {
            v[i] = WalkCallerStrata(i, m_nSample, m_pExOr->GetRandom());
        }
    }
    ++m_nSample;
}

double CDistCollection::WalkCallerStrata(int nDist, int m, double v) {
    const int N = m_nSamples;
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
        GetCount() < m_run.nDists || nCount <= 0) {
        return 0;
    }
    return std::min(nCount, m_nSamples - m_nSample);
}

template <class Normals>
void CDistCollection::FinishSample(const double* z, double* pOut) const {
    m_run.factor.Correlate(z, pOut);
    for (int i = 0; i < m_run.nDists; ++i) {
        pOut[i] = m_Dists[i]->GetInverse(Normals::Cdf(pOut[i]));
    }
}

BOOL CDistCollection::GetSample(int& nSample, double* pValues) {
    if (DrawableCount(1) == 0) {
        return FALSE;
    }
    const int n = m_run.nDists;
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
    const int n = m_run.nDists;
    const ENumerics numerics = GetNumerics();
    const CNumericsScope scope(numerics);
    for (int i = 0; i < n; ++i) {
        m_Dists[i]->PrepareInverse(); // the workers then only read the variables
    }
    const auto Row = [&](int s) { return pValues + Count(s, n); };
    if (m_bLatinHypercube) {
        // Column by column: the draws, then each variable's walk (a variable's walk depends on
        // its own draws only, so the variables go to the workers), then the rows. One worker
        // goes through the batch in blocks that the run's scratch holds; several take blocks
        // large enough that starting the threads costs little.
        const int nBlock = ResolveThreadCount(nThreads) > 1
                               ? std::max(ScratchRows(), kParallelBlockValues / std::max(n, 1))
                               : ScratchRows();
        if (m_run.scratch.size() < Count(std::min(nBlock, nDraw), n)) {
            m_run.scratch.resize(Count(std::min(nBlock, nDraw), n));
        }
        double* pColumns = m_run.scratch.data();
        for (int nFirst = 0; nFirst < nDraw; nFirst += nBlock) {
            const int nRows = std::min(nBlock, nDraw - nFirst);
            DrawColumns(pColumns, nRows, nThreads);
            PlaceColumns(pColumns, nRows, nThreads, true);
            WithNormals(numerics, [&]<class Normals>(Normals) {
                RunInChunks(nRows, nThreads, [&](int nFirstRow, int nRowCount) {
                    const CNumericsScope workerScope(numerics);
                    for (int r = nFirstRow; r < nFirstRow + nRowCount; ++r) {
                        double* row = Row(nFirst + r);
                        for (int i = 0; i < n; ++i) {
                            row[i] = Normals::Inverse(pColumns[Count(i, nRows) + Count(r)]);
                        }
                        FinishSample<Normals>(row, row);
                    }
                });
            });
        }
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

int CDistCollection::SkipSamples(int nCount, int nThreads) {
    const int nSkip = DrawableCount(nCount);
    if (nSkip == 0) {
        return 0;
    }
    const CNumericsScope numerics(GetNumerics());
    const int n = m_run.nDists;
    if (m_bLatinHypercube) {
        // The draws and the walks of the skipped samples, in blocks, without the values.
        const int nBlock = std::min(nSkip, std::max(1, kSkipBlockValues / std::max(n, 1)));
        std::vector<double> columns(Count(nBlock, n));
        for (int nDone = 0; nDone < nSkip;) {
            const int nRows = std::min(nBlock, nSkip - nDone);
            DrawColumns(columns.data(), nRows, nThreads);
            PlaceColumns(columns.data(), nRows, nThreads, false);
            nDone += nRows;
            if (m_onProgress) {
                m_onProgress(ERunStage::Skipping, nDone, nSkip);
            }
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

int CDistCollection::ScratchRows() const {
    return std::max(1, kScratchValues / std::max(m_run.nDists, 1));
}

void CDistCollection::DrawColumns(double* pColumns, int nRows, int nThreads) {
    const int n = m_run.nDists;
    const CExOr start = *m_pExOr;
    RunInChunks(nRows, nThreads, [&](int nFirst, int nCount) {
        CExOr generator = start;
        generator.Discard(static_cast<unsigned long long>(nFirst) * Count(n));
        for (int r = nFirst; r < nFirst + nCount; ++r) {
            for (int i = 0; i < n; ++i) {
                pColumns[Count(i, nRows) + Count(r)] = generator.GetRandom();
            }
        }
    });
    m_pExOr->Discard(static_cast<unsigned long long>(nRows) * Count(n));
}

void CDistCollection::PlaceColumns(double* pColumns, int nRows, int nThreads, bool bValues) {
    const int m = m_nSample;
    RunInChunks(m_run.nDists, nThreads, [&](int nFirst, int nCount) {
        for (int i = nFirst; i < nFirst + nCount; ++i) {
            double* column = pColumns + Count(i, nRows);
            if (UsesStratumWalks()) {
                m_run.walks[Count(i)].PlaceColumn(column, nRows, bValues);
                continue;
            }
            for (int r = 0; r < nRows; ++r) {
                column[r] = WalkCallerStrata(i, m + r, column[r]);
            }
        }
    });
    m_nSample += nRows;
}

} // namespace stochvar
