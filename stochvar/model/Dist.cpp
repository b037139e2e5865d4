#include <stochvar/model/Dist.h>

#include <stochvar/module/HostHooks.h>
#include <stochvar/numerics/NumberText.h>
#include <stochvar/numerics/Numerics.h>

#include <algorithm>
#include <cmath>

namespace stochvar {

STOCHVAR_IMPLEMENT_SERIAL(CDist, CObject, 1)

CExOr CDist::m_ExOr;

CDist::CDist() {
    m_Params.SetSize(PARAM_COUNT);
    FillKeywordTables();
}

CDist::CDist(CDist** ppReference, CString strName, CDist* pSource) {
    if (pSource == nullptr) {
        m_bCanChange = TRUE;
        m_ppReference = ppReference;
        m_strVarName = std::move(strName);
        m_dAxisMin = 0.0;
        m_dAxisMax = 1.0;
        m_bAutoAxis = TRUE;
        m_nCurParam = 0;
        m_nParamCombi = 0;
        m_Params.SetSize(PARAM_COUNT);
    } else {
        CopyContents(pSource);
    }
    FillKeywordTables();
    m_nType = DIST_FIXED;
    m_nParamCombiCount = 1;
}

CDist::~CDist() = default;

void CDist::FillKeywordTables() {
    m_ParamNames.RemoveAll();
    for (const char* keyword : kParamKeywords) {
        m_ParamNames.Add(keyword);
    }
    m_DistNames.RemoveAll();
    for (const char* keyword : DistTypeKeywords()) {
        m_DistNames.Add(keyword);
    }
}

void CDist::CopyContents(CDist* pSource) {
    m_ppReference = pSource->m_ppReference;
    m_strVarName = pSource->m_strVarName;
    m_bCanChange = pSource->m_bCanChange;
    if (pSource->m_nType == m_nType) {
        m_nCurParam = pSource->m_nCurParam;
        m_nParamCombi = pSource->m_nParamCombi;
    } else {
        m_nCurParam = 0;
        m_nParamCombi = 0;
    }
    m_dAxisMin = pSource->m_dAxisMin;
    m_dAxisMax = pSource->m_dAxisMax;
    m_bAutoAxis = pSource->m_bAutoAxis;
    m_Params.SetSize(PARAM_COUNT);
    for (int nParam = 0; nParam < PARAM_COUNT; ++nParam) {
        m_Params[nParam] = pSource->GetParamValue(nParam);
    }
    m_CategoryNames.Copy(pSource->m_CategoryNames);
    m_Frequencies.Copy(pSource->m_Frequencies);
    m_Probabilities.Copy(pSource->m_Probabilities);
}

void CDist::InitFamily(int nParamCombiCount, int nType, CDist* pSource) {
    m_nParamCombiCount = nParamCombiCount;
    m_nType = nType;
    if (pSource == nullptr) {
        m_nParamCombi = 0;
    } else {
        CopyContents(pSource);
    }
}

void CDist::InitFamily(int nParamCombiCount, int nType, CDist* pSource,
                       std::initializer_list<SParamDefault> defaults) {
    InitFamily(nParamCombiCount, nType, pSource);
    if (pSource == nullptr) {
        for (const SParamDefault& paramDefault : defaults) {
            m_Params[paramDefault.nParam] = paramDefault.dValue;
        }
        CalcBasePar(0);
        m_bAutoAxis = TRUE;
    }
}

void CDist::ListParams(const InputTypeTable& inputTypes, int nParamCombi, CString& strLabel,
                       CUIntArray* pIds) const {
    pIds->RemoveAll();
    strLabel.Empty();
    if (nParamCombi < 0 || nParamCombi >= static_cast<int>(inputTypes.size())) {
        return;
    }
    for (UINT nParam : inputTypes[static_cast<std::size_t>(nParamCombi)]) {
        pIds->Add(nParam);
        strLabel += "/" + m_ParamNames[static_cast<int>(nParam)];
    }
}

void CDist::GetParamsList(int nParamCombi, CString& strLabel, CUIntArray* pIds) {
    static const InputTypeTable kInputTypes = {{PARAM_MEAN}};
    ListParams(kInputTypes, nParamCombi, strLabel, pIds);
}

CString CDist::GetVarTypeName() const {
    if (m_nType < 0 || m_nType >= m_DistNames.GetSize()) {
        return CString();
    }
    return m_DistNames[m_nType];
}

CDistStatus CDist::CheckParamValue(int nParam, double dValue) {
    CDistStatus status;
    // Written as "not greater than zero" so that NaN is refused too.
    if (nParam == PARAM_STDDEV && !(dValue > 0.0)) {
        status.SetError("StdDev is less than (or equal to) 0");
    } else if (nParam == PARAM_COV && !(dValue > 0.0)) {
        status.SetError("CoV is less than (or equal to) 0");
    }
    return status;
}

int CDist::GetParamUnderCursor() {
    CString strLabel;
    CUIntArray ids;
    GetParamsList(m_nParamCombi, strLabel, &ids);
    return m_nCurParam >= 0 && m_nCurParam < ids.GetSize() ? static_cast<int>(ids[m_nCurParam])
                                                           : -1;
}

void CDist::EnterParamValue(double dValue, const std::function<void(CDistStatus)>& onStatus) {
    CString strLabel;
    CUIntArray ids;
    GetParamsList(m_nParamCombi, strLabel, &ids);
    int nCur = m_nCurParam;
    if (nCur < 0 || nCur >= ids.GetSize()) {
        return;
    }
    const int nParam = static_cast<int>(ids[nCur]);
    CDistStatus status = CheckParamValue(nParam, dValue);
    onStatus(status);
    if (!status.IsOk()) {
        return;
    }
    m_Params[nParam] = dValue;
    if (++nCur >= ids.GetSize()) {
        // A full set of values: check it as a whole, then convert it.
        nCur = 0;
        status = CheckCombination(m_nParamCombi);
        onStatus(status);
        if (status.IsOk()) {
            onStatus(CalcBasePar(m_nParamCombi));
        }
    }
    m_nCurParam = nCur;
}

CDistStatus CDist::CheckCombination(int /*nParamCombi*/) { return CDistStatus(); }

CDistStatus CDist::CalcBasePar(int /*nParamCombi*/) { return CDistStatus(); }

double CDist::GetDensity(double /*x*/) { return 1.0; }

double CDist::GetCumulative(double x) { return x <= m_Params[PARAM_MEAN] ? 0.0 : 1.0; }

double CDist::GetInverse(double /*p*/) { return m_Params[PARAM_MEAN]; }

double CDist::GetSurvival(double x) {
    return IsAccurateNumericsActive() ? GetAccurateSurvival(x) : 1.0 - GetCumulative(x);
}

double CDist::GetInverseSurvival(double q) {
    return IsAccurateNumericsActive() ? GetAccurateInverseSurvival(q) : GetInverse(1.0 - q);
}

double CDist::GetLogDensity(double x) {
    return IsAccurateNumericsActive() ? GetAccurateLogDensity(x) : std::log(GetDensity(x));
}

double CDist::GetLogCumulative(double x) {
    return IsAccurateNumericsActive() ? GetAccurateLogCumulative(x) : std::log(GetCumulative(x));
}

double CDist::GetLogSurvival(double x) {
    return IsAccurateNumericsActive() ? GetAccurateLogSurvival(x)
                                      : std::log(1.0 - GetCumulative(x));
}

double CDist::GetAccurateSurvival(double x) { return 1.0 - GetCumulative(x); }

double CDist::GetAccurateInverseSurvival(double q) { return GetInverse(1.0 - q); }

double CDist::GetAccurateLogDensity(double x) { return std::log(GetDensity(x)); }

double CDist::GetAccurateLogCumulative(double x) {
    const double F = GetCumulative(x);
    return F <= 0.5 ? std::log(F) : std::log1p(-GetAccurateSurvival(x));
}

double CDist::GetAccurateLogSurvival(double x) {
    const double Q = GetAccurateSurvival(x);
    return Q <= 0.5 ? std::log(Q) : std::log1p(-GetCumulative(x));
}

void CDist::PrepareInverse() {}

double CDist::GetRandom(CExOr* pExOr) {
    CExOr& generator = pExOr != nullptr ? *pExOr : m_ExOr;
    return GetInverse(generator.GetRandom());
}

void CDist::SetAutoAxis() {
    m_dAxisMin = m_Params[PARAM_MEAN] - 1.0;
    m_dAxisMax = m_Params[PARAM_MEAN] + 1.0;
}

bool CDist::KeepsMomentsInSlots() const {
    // This implementation serves the fixed kind and, inherited, the continuous families.
    return m_nType != DIST_FIXED;
}

SMoments CDist::GetMoments() const {
    const double dMean = m_Params[PARAM_MEAN];
    return {dMean, KeepsMomentsInSlots() ? m_Params[PARAM_STDDEV] : 0.0};
}

SMoments CDist::GetMomentsOfBasePar() const { return GetMoments(); }

void CDist::ListSamplingObstacles(CStringArray& reasons) const {
    if (!KeepsMomentsInSlots()) {
        return;
    }
    const double dMean = m_Params[PARAM_MEAN];
    const double dStdDev = m_Params[PARAM_STDDEV];
    if (std::isnan(dMean)) {
        reasons.Add("the mean is not a number");
    }
    if (std::isnan(dStdDev)) {
        reasons.Add("the standard deviation is not a number");
    } else if (dStdDev < 0.0) {
        reasons.Add("the standard deviation " + FormatShortest(dStdDev) + " is negative");
    }
    if (!reasons.IsEmpty()) {
        return;
    }
    if (dStdDev == 0.0) {
        reasons.Add(DescribeZeroSpread());
        return;
    }
    ListSlotsNotFinite(reasons);
    if (reasons.IsEmpty()) {
        ListMomentsOffBasePar(reasons);
    }
}

CUIntArray CDist::GetInputTypeIds(int nParamCombi, CString* pLabel) const {
    CString strLabel;
    CUIntArray ids;
    const_cast<CDist*>(this)->GetParamsList(nParamCombi, strLabel, &ids);
    if (pLabel != nullptr) {
        *pLabel = strLabel;
    }
    return ids;
}

std::vector<int> CDist::ListUsedSlots() const {
    std::vector<int> slots = {PARAM_MEAN, PARAM_STDDEV};
    for (int n = 0; n < m_nParamCombiCount; ++n) {
        for (const UINT nParam : GetInputTypeIds(n)) {
            if (std::find(slots.begin(), slots.end(), static_cast<int>(nParam)) == slots.end()) {
                slots.push_back(static_cast<int>(nParam));
            }
        }
    }
    return slots;
}

CString CDist::DescribeZeroSpread() const {
    const CUIntArray given = GetInputTypeIds(m_nParamCombi);
    const bool bCovGiven = std::find(given.begin(), given.end(), UINT{PARAM_COV}) != given.end();
    if (bCovGiven && m_Params[PARAM_MEAN] == 0.0) {
        return "the standard deviation is 0: a COV gives no spread around a mean of 0; give "
               "STDDEV instead";
    }
    return "the standard deviation is 0: the spread is lost to rounding beside the values; give "
           "a larger spread or rescale the units";
}

void CDist::ListSlotsNotFinite(CStringArray& reasons) const {
    for (const int nParam : ListUsedSlots()) {
        // A mean of 0 makes COV infinite in some families; nothing reads it but the display.
        if (nParam != PARAM_COV && !std::isfinite(m_Params[nParam])) {
            reasons.Add(CString(kParamKeywords[nParam]) + " is " +
                        FormatShortest(m_Params[nParam]) +
                        " after the conversion: the values overflow or underflow a double on "
                        "the way; rescale the units so that they are nearer 1");
        }
    }
}

CString CDist::AdviseOnLostPrecision() const {
    // The first input type that takes base parameters rather than moments needs no conversion
    // that can lose them.
    for (int n = 0; n < m_nParamCombiCount; ++n) {
        CString strLabel;
        const CUIntArray ids = GetInputTypeIds(n, &strLabel);
        const bool bMoments = std::any_of(ids.begin(), ids.end(), [](UINT nParam) {
            return nParam == PARAM_MEAN || nParam == PARAM_STDDEV || nParam == PARAM_COV;
        });
        if (!bMoments && n != m_nParamCombi) {
            return "give the values of input type " + strLabel +
                   " instead, or rescale the units so that the values are nearer 1";
        }
    }
    return "rescale the units so that the values are nearer 1";
}

void CDist::ListMomentsOffBasePar(CStringArray& reasons) const {
    const SMoments slots = GetMoments();
    const SMoments base = GetMomentsOfBasePar();
    const double dSpread = kMomentsTolerance * slots.dStdDev;
    const auto addReason = [&](int nParam, const char* pszMoment, double dBase) {
        reasons.Add(CString(kParamKeywords[nParam]) + " " + FormatShortest(m_Params[nParam]) +
                    " differs from the " + pszMoment + " " + FormatShortest(dBase) +
                    " of the base parameters: the conversion lost its precision; " +
                    AdviseOnLostPrecision());
    };
    // Written as "not within" so that a base moment that is not a number is reported too.
    if (!(std::fabs(base.dMean - slots.dMean) <=
          dSpread + kMeanRounding * std::fabs(slots.dMean))) {
        addReason(PARAM_MEAN, "mean", base.dMean);
    }
    if (!(std::fabs(base.dStdDev - slots.dStdDev) <= dSpread)) {
        addReason(PARAM_STDDEV, "standard deviation", base.dStdDev);
    }
}

CDist* CDist::CreateCopy() { return new CDist(m_ppReference, m_strVarName, this); }

CDist* CDist::ChangeDistribution() {
    CDist* pResult = GetHostHooks().changeDistribution(this);
    if (pResult != nullptr && pResult != this) {
        pResult->UpdateReferenceVariable();
        delete this;
    }
    return pResult != nullptr ? pResult : this;
}

} // namespace stochvar
