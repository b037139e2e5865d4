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

// A generator whose three seeds come from nSeed by splitmix64, so that neighbouring seeds give
// unrelated streams (seeds that differ in one word only share the other streams).
inline CExOr SeededGenerator(std::uint32_t nSeed) {
    std::uint64_t z = nSeed;
    const auto next = [&z] {
        z += 0x9E3779B97F4A7C15ULL;
        std::uint64_t v = z;
        v = (v ^ (v >> 30)) * 0xBF58476D1CE4E5B9ULL;
        v = (v ^ (v >> 27)) * 0x94D049BB133111EBULL;
        return static_cast<std::uint32_t>((v ^ (v >> 31)) >> 32);
    };
    const std::uint32_t s1 = next();
    const std::uint32_t s2 = next();
    return CExOr(s1, s2, next());
}

inline std::vector<double> Draw(CDist& dist, std::size_t n, std::uint32_t nSeed) {
    CExOr generator = SeededGenerator(nSeed);
    std::vector<double> values(n);
    for (double& x : values) {
        x = dist.GetRandom(&generator);
    }
    return values;
}

} // namespace stochvar::testing
