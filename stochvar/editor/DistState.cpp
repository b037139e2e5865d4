#include <stochvar/editor/DistState.h>

#include <stochvar/families/FamilyList.h>
#include <stochvar/model/Dist.h>

#include <bit>

namespace stochvar {

SDistState::SDistState(CDist& dist)
    : strName(dist.m_strVarName.str()), nType(dist.m_nType), nParamCombi(dist.m_nParamCombi),
      bAutoAxis(dist.m_bAutoAxis != FALSE), bCanChange(dist.CanChange() != FALSE) {
    if (dist.m_nType == DIST_DISCRETE) {
        for (int k = 0; k < dist.m_CategoryNames.GetSize(); ++k) {
            categoryNames.push_back(dist.m_CategoryNames[k].str());
            frequencies.push_back(std::bit_cast<std::uint64_t>(dist.m_Frequencies[k]));
        }
    } else {
        CString strLabel;
        CUIntArray ids;
        dist.GetParamsList(dist.m_nParamCombi, strLabel, &ids);
        for (const UINT nParam : ids) {
            inputValues.push_back(
                std::bit_cast<std::uint64_t>(dist.GetParamValue(static_cast<int>(nParam))));
        }
    }
    if (!bAutoAxis) {
        axisMin = std::bit_cast<std::uint64_t>(dist.m_dAxisMin);
        axisMax = std::bit_cast<std::uint64_t>(dist.m_dAxisMax);
    }
}

} // namespace stochvar
