#pragma once

// What the fitting tests share: a variable made from values of one of its input types, and
// seeded samples drawn from it.

#include <stochvar/fitting/FamilyFitter.h>
#include <stochvar/model/Dist.h>
#include <stochvar/numerics/ExOr.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace stochvar::testing {

inline std::unique_ptr<CDist> MakeVariable(int nType, int nParamCombi, std::vector<double> values) {
    SFamilyEstimate truth;
    truth.nType = nType;
    truth.nParamCombi = nParamCombi;
    truth.values = std::move(values);
    std::vector<std::string> warnings;
    std::string strRefusal;
    std::unique_ptr<CDist> pDist = CFamilyFitter::BuildVariable(truth, "X", warnings, strRefusal);
    EXPECT_TRUE(pDist) << strRefusal;
    return pDist;
}

inline std::vector<double> Draw(CDist& dist, std::size_t n, std::uint32_t nSeed) {
    CExOr generator(nSeed, CExOr::kDefaultSeed2, CExOr::kDefaultSeed3);
    std::vector<double> values(n);
    for (double& x : values) {
        x = dist.GetRandom(&generator);
    }
    return values;
}

} // namespace stochvar::testing
