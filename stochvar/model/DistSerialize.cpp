// The archive body of a variable, shared by every family.

#include <stochvar/framework/Archive.h>
#include <stochvar/model/Dist.h>

namespace stochvar {

namespace {

void StoreDoubles(CArchive& ar, const CDoubleArray& values) {
    ar.WriteCount(static_cast<DWORD>(values.GetSize()));
    for (double value : values) {
        ar << value;
    }
}

void LoadDoubles(CArchive& ar, CDoubleArray& values) {
    const DWORD nCount = ar.ReadCount();
    values.RemoveAll();
    for (DWORD i = 0; i < nCount; ++i) {
        double value = 0.0;
        ar >> value;
        values.Add(value);
    }
}

void StoreStrings(CArchive& ar, const CStringArray& strings) {
    ar.WriteCount(static_cast<DWORD>(strings.GetSize()));
    for (const CString& str : strings) {
        ar << str;
    }
}

void LoadStrings(CArchive& ar, CStringArray& strings) {
    const DWORD nCount = ar.ReadCount();
    strings.RemoveAll();
    for (DWORD i = 0; i < nCount; ++i) {
        CString str;
        ar >> str;
        strings.Add(str);
    }
}

} // namespace

void CDist::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << m_strVarName << m_nType << m_nParamCombiCount << m_bCanChange << m_nParamCombi
           << m_nCurParam << m_dAxisMin << m_dAxisMax << m_bAutoAxis;
        for (int nParam = 0; nParam < PARAM_COUNT; ++nParam) {
            ar << m_Params[nParam];
        }
        StoreStrings(ar, m_CategoryNames);
        StoreDoubles(ar, m_Frequencies);
        StoreDoubles(ar, m_Probabilities);
    } else {
        ar >> m_strVarName >> m_nType >> m_nParamCombiCount >> m_bCanChange >> m_nParamCombi >>
            m_nCurParam >> m_dAxisMin >> m_dAxisMax >> m_bAutoAxis;
        for (int nParam = 0; nParam < PARAM_COUNT; ++nParam) {
            double value = 0.0;
            ar >> value;
            m_Params.SetAtGrow(nParam, value);
        }
        LoadStrings(ar, m_CategoryNames);
        LoadDoubles(ar, m_Frequencies);
        LoadDoubles(ar, m_Probabilities);
    }
}

} // namespace stochvar
