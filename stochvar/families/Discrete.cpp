#include <stochvar/families/Discrete.h>

#include <stochvar/families/FamilyList.h>
#include <stochvar/module/HostHooks.h>

#include <cmath>
#include <memory>
#include <utility>

namespace stochvar {

STOCHVAR_IMPLEMENT_SERIAL(CDiscrete, CDist, 0)

namespace {

constexpr int kParamCombiCount = 0;
// Below this sum of frequencies the categories count as equally likely.
constexpr double kMinFrequencySum = 1e-10;
// Shifts the edges of the categories' unit intervals, so that x = k + 0.5 still belongs to
// category k in the density and the cumulative function.
constexpr double kEdgeShift = 1e-10;

} // namespace

CDiscrete::CDiscrete(CDist** ppReference, CString strName, CDist* pSource)
    : CDist(ppReference, std::move(strName), pSource) {
    // The type is set before the source's contents are taken again, so that input type and
    // cursor survive exactly when the source is discrete too.
    InitFamily(kParamCombiCount, DIST_DISCRETE, pSource);
}

bool CDiscrete::IsCategory(int nPosition) const {
    return nPosition >= 0 && nPosition < GetCategoryCount() &&
           nPosition < m_CategoryNames.GetSize() && nPosition < m_Probabilities.GetSize();
}

double CDiscrete::ProbabilityAt(int k) const {
    return k < m_Probabilities.GetSize() ? m_Probabilities[k] : 0.0;
}

void CDiscrete::AddCategory(CString strName, double dFrequency, int nPosition) {
    // Written as "not at least zero" so that NaN is refused too.
    if (!(dFrequency >= 0.0)) {
        CDistStatus status;
        status.SetError("Frequency must be >= 0");
        status.ShowMessage();
        return;
    }
    if (nPosition < 0) {
        m_CategoryNames.Add(strName);
        m_Frequencies.Add(dFrequency);
        m_Probabilities.Add(0.0);
    } else {
        // InsertAt pads each array up to the position with empty names and zeros.
        m_CategoryNames.InsertAt(nPosition, strName);
        m_Frequencies.InsertAt(nPosition, dFrequency);
        m_Probabilities.InsertAt(nPosition, 0.0);
    }
    Normalise();
}

void CDiscrete::Normalise() {
    const int n = GetCategoryCount();
    if (n == 0) {
        return;
    }
    double s = 0.0;
    for (double f : m_Frequencies) {
        s += f;
    }
    m_Probabilities.SetSize(n);
    for (int i = 0; i < n; ++i) {
        m_Probabilities[i] = s < kMinFrequencySum ? 1.0 / n : m_Frequencies[i] / s;
    }
}

void CDiscrete::DeleteCategory(int nPosition) {
    if (!IsCategory(nPosition)) {
        return;
    }
    m_CategoryNames.RemoveAt(nPosition);
    m_Frequencies.RemoveAt(nPosition);
    m_Probabilities.RemoveAt(nPosition);
    Normalise();
}

void CDiscrete::DeleteCategory(const CString& strName) {
    const int nPosition = GetCategoryIndex(strName);
    if (nPosition >= 0) {
        DeleteCategory(nPosition);
    }
}

int CDiscrete::GetCategoryIndex(const CString& strName) const {
    for (int i = 0; i < m_CategoryNames.GetSize(); ++i) {
        if (m_CategoryNames[i] == strName) {
            return i;
        }
    }
    return -1;
}

void CDiscrete::SwitchIndex(int nPositionA, int nPositionB) {
    if (!IsCategory(nPositionA) || !IsCategory(nPositionB)) {
        return;
    }
    std::swap(m_CategoryNames[nPositionA], m_CategoryNames[nPositionB]);
    std::swap(m_Frequencies[nPositionA], m_Frequencies[nPositionB]);
    std::swap(m_Probabilities[nPositionA], m_Probabilities[nPositionB]);
}

void CDiscrete::GetCategory(int nPosition, CString& strName, double& dFrequency,
                            double& dProbability) const {
    if (!IsCategory(nPosition)) {
        strName.Empty();
        dFrequency = 0.0;
        dProbability = 0.0;
        return;
    }
    strName = m_CategoryNames[nPosition];
    dFrequency = m_Frequencies[nPosition];
    dProbability = m_Probabilities[nPosition];
}

double CDiscrete::SetCategoryFrequency(int nPosition, double dFrequency) {
    if (!IsCategory(nPosition)) {
        return 0.0;
    }
    m_Frequencies[nPosition] = dFrequency;
    Normalise();
    return m_Probabilities[nPosition];
}

void CDiscrete::GetParamsList(int nParamCombi, CString& strLabel, CUIntArray* pIds) {
    static const InputTypeTable kNoInputTypes;
    ListParams(kNoInputTypes, nParamCombi, strLabel, pIds);
}

CDistStatus CDiscrete::CheckCombination(int /*nParamCombi*/) { return CDistStatus(); }

CDistStatus CDiscrete::CalcBasePar(int /*nParamCombi*/) { return CDistStatus(); }

double CDiscrete::GetDensity(double x) {
    // k is x + 0.5 - 1e-10 truncated toward zero; kept as a double until it is known to be a
    // position, so that huge or NaN arguments never reach the integer conversion.
    const double k = std::trunc(x + 0.5 - kEdgeShift);
    if (!(k >= 0.0 && k < GetCategoryCount())) {
        return 0.0;
    }
    return ProbabilityAt(static_cast<int>(k));
}

double CDiscrete::GetCumulative(double x) {
    const int n = GetCategoryCount();
    if (!(x >= -0.5)) {
        return 0.0;
    }
    if (x > n + 0.5) {
        return 1.0;
    }
    // Here 0 <= y <= n + 1, so 0 <= k <= n.
    const double y = x + 0.5;
    const int k = static_cast<int>(std::trunc(y - kEdgeShift));
    double dSum = 0.0;
    for (int i = 0; i < k; ++i) {
        dSum += ProbabilityAt(i);
    }
    if (k < n) {
        dSum += (y - k) * ProbabilityAt(k);
    }
    return dSum;
}

double CDiscrete::GetAccurateSurvival(double x) {
    const int n = GetCategoryCount();
    if (!(x >= -0.5)) {
        return 1.0;
    }
    if (x > n + 0.5) {
        return 0.0;
    }
    // As in GetCumulative: category k covers [k - 0.5, k + 0.5], and 0 <= k <= n.
    const double y = x + 0.5;
    const int k = static_cast<int>(std::trunc(y - kEdgeShift));
    double dSum = 0.0;
    for (int i = n - 1; i > k; --i) {
        dSum += ProbabilityAt(i);
    }
    if (k < n) {
        dSum += (1.0 - (y - k)) * ProbabilityAt(k);
    }
    return dSum;
}

double CDiscrete::GetInverse(double p) {
    const int n = GetCategoryCount();
    if (n == 0 || !(p > 0.0)) {
        return 0.0;
    }
    if (p >= 1.0) {
        return n - 1;
    }
    double s = 0.0;
    for (int k = 0; k < n; ++k) {
        s += ProbabilityAt(k);
        if (p <= s) {
            return k;
        }
    }
    // The probabilities summed to slightly less than p by rounding.
    return n - 1;
}

void CDiscrete::SetAutoAxis() {
    m_dAxisMin = 0.0;
    m_dAxisMax = 1.0;
}

bool CDiscrete::KeepsMomentsInSlots() const { return false; }

SMoments CDiscrete::GetMoments() const {
    double dMean = 0.0;
    for (int k = 0; k < m_Probabilities.GetSize(); ++k) {
        dMean += k * m_Probabilities[k];
    }
    double dVariance = 0.0;
    for (int k = 0; k < m_Probabilities.GetSize(); ++k) {
        dVariance += (k - dMean) * (k - dMean) * m_Probabilities[k];
    }
    return {dMean, std::sqrt(dVariance)};
}

void CDiscrete::ListSamplingObstacles(CStringArray& reasons) const {
    if (m_Frequencies.IsEmpty()) {
        reasons.Add("it has no categories");
        return;
    }
    double dSum = 0.0;
    for (const double dFrequency : m_Frequencies) {
        dSum += dFrequency;
    }
    // Below kMinFrequencySum every category is equally likely, whatever the frequencies ask.
    if (!(dSum >= kMinFrequencySum)) {
        reasons.Add("the frequencies of its categories add up to 0");
    }
}

CDist* CDiscrete::CreateCopy() { return new CDiscrete(m_ppReference, m_strVarName, this); }

CDist* CDiscrete::ChangeDistribution() {
    const std::unique_ptr<CDist> pBackup(CreateCopy());
    if (GetHostHooks().changeDiscrete(this) != IDOK) {
        CopyContents(pBackup.get());
    }
    return this;
}

} // namespace stochvar
