#include <stochvar/numerics/ExOr.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>

using stochvar::CExOr;

namespace {

// Reference model of the two streams, written from the recurrences with 64-bit arithmetic and
// an explicit modulus, independent of the class's own reduction loop.
struct ReferenceStreams {
    std::uint64_t s1, s2, s3;
    double Next() {
        const std::uint64_t sum = s1 + s2;
        // Two corrections at most: subtracting 2^32 - 99 keeps the sum congruent modulo the prime.
        std::uint64_t t = sum;
        if (t >= (1ULL << 32)) t -= (1ULL << 32) - 99;
        if (t >= (1ULL << 32)) t -= (1ULL << 32) - 99;
        const std::uint64_t n = (129 * s3 + 907633385) % (1ULL << 32);
        s1 = s2;
        s2 = t;
        s3 = n;
        return static_cast<double>(t ^ n) / 4294967296.0;
    }
};

TEST(ExOr, WorkedExampleFromDefaultSeeds) {
    CExOr generator;
    const double expected[] = {0.8309281710535288, 0.9328986424952745, 0.46845337003469467,
                               0.18652394809760153, 0.5962540502659976};
    for (double value : expected) {
        EXPECT_DOUBLE_EQ(generator.GetRandom(), value);
    }
}

TEST(ExOr, WorkedExampleIsBitExact) {
    CExOr generator;
    // t XOR n of the first three calls, scaled by 2^-32.
    EXPECT_EQ(generator.GetRandom(), 3568809320.0 / 4294967296.0);
    EXPECT_EQ(generator.GetRandom(), 4006769160.0 / 4294967296.0);
    EXPECT_EQ(generator.GetRandom(), 2011991904.0 / 4294967296.0);
}

struct SeedCase {
    const char* name;
    std::uint32_t s1, s2, s3;
    friend std::ostream& operator<<(std::ostream& os, const SeedCase& c) {
        return os << c.s1 << ", " << c.s2 << ", " << c.s3;
    }
};

class ExOrSeeds : public ::testing::TestWithParam<SeedCase> {};

TEST_P(ExOrSeeds, MatchesReferenceRecurrenceForManySteps) {
    const SeedCase& c = GetParam();
    CExOr generator(c.s1, c.s2, c.s3);
    ReferenceStreams reference{c.s1, c.s2, c.s3};
    for (int i = 0; i < 10000; ++i) {
        const double value = generator.GetRandom();
        ASSERT_EQ(value, reference.Next()) << "step " << i;
        ASSERT_GE(value, 0.0);
        ASSERT_LT(value, 1.0);
    }
}

// The next draws after a jump of k equal those after k single steps.
void ExpectJumpEqualsSteps(CExOr generator, unsigned long long k) {
    CExOr jumped = generator;
    jumped.Discard(k);
    for (unsigned long long i = 0; i < k; ++i) {
        generator.GetRandom();
    }
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(jumped.GetRandom(), generator.GetRandom()) << "k = " << k;
    }
}

TEST_P(ExOrSeeds, DiscardEqualsSteppingFromEveryStartingPoint) {
    const SeedCase& c = GetParam();
    CExOr generator(c.s1, c.s2, c.s3);
    CExOr rng(c.s3, c.s2, c.s1);
    for (int start = 0; start < 3; ++start, generator.GetRandom()) {
        for (unsigned long long k = 0; k <= 80; ++k) {
            ExpectJumpEqualsSteps(generator, k);
        }
        for (const unsigned long long k : {1000ULL, 65536ULL, 1ULL << 20,
                                           static_cast<unsigned long long>(rng.GetRandom() * 4e6)}) {
            ExpectJumpEqualsSteps(generator, k);
        }
    }
    // Jumps compose: k1 then k2 is k1 + k2, up to lengths no run reaches.
    for (int i = 0; i < 20; ++i) {
        const auto k1 = static_cast<unsigned long long>(rng.GetRandom() * 0x1p60);
        const auto k2 = static_cast<unsigned long long>(rng.GetRandom() * 0x1p40);
        CExOr twice = generator;
        CExOr once = generator;
        twice.Discard(k1);
        twice.Discard(k2);
        once.Discard(k1 + k2);
        ASSERT_EQ(twice.GetRandom(), once.GetRandom()) << k1 << " + " << k2;
    }
}

#ifndef STOCHVAR_SANITIZED_BUILD
TEST(ExOr, DiscardEqualsSteppingOverABillionDraws) {
    ExpectJumpEqualsSteps(CExOr(), 1000000007ULL);
}
#endif

INSTANTIATE_TEST_SUITE_P(
    EdgeSeeds, ExOrSeeds,
    ::testing::Values(SeedCase{"zeros", 0u, 0u, 0u},
                      SeedCase{"both_max", 4294967295u, 4294967295u, 7u},
                      SeedCase{"one_correction", 4294967295u, 1u, 0u},
                      SeedCase{"unreduced", 4294967197u, 0u, 123u},
                      SeedCase{"modulus_twice", 4294967197u, 4294967197u, 5u},
                      SeedCase{"zero_then_modulus", 0u, 4294967197u, 5u},
                      SeedCase{"small_residues", 2u, 1u, 9u},
                      SeedCase{"sum_wraps_to_small", 10u, 4294967192u, 9u},
                      SeedCase{"defaults", CExOr::kDefaultSeed1, CExOr::kDefaultSeed2,
                               CExOr::kDefaultSeed3}),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

TEST(ExOr, ZeroSeedsLeaveOnlyTheCongruentialStream) {
    CExOr generator(0, 0, 0);
    std::uint32_t n = 0;
    for (int i = 0; i < 100; ++i) {
        n = 129u * n + 907633385u;
        EXPECT_EQ(generator.GetRandom(), static_cast<double>(n) / 4294967296.0);
    }
}

TEST(ExOr, AdditiveStreamCorrections) {
    // The second seed after one call is the corrected sum; the congruential stream is zeroed out
    // of the result by choosing s3 such that n is known: n = 907633385 for s3 = 0.
    struct Case {
        std::uint32_t s1, s2;
        std::uint64_t t;
    };
    const Case cases[] = {
        {4294967295u, 4294967295u, 196},        // corrected twice
        {4294967295u, 1u, 99},                  // 2^32 corrected once
        {4294967197u, 0u, 4294967197u},         // left unreduced
    };
    for (const Case& c : cases) {
        CExOr generator(c.s1, c.s2, 0);
        const double expected = static_cast<double>(c.t ^ 907633385u) / 4294967296.0;
        EXPECT_EQ(generator.GetRandom(), expected) << c.s1 << " + " << c.s2;
    }
}

TEST(ExOr, ExactZeroWhenStreamsAgree) {
    // s1 + s2 = 907633385 and s3 = 0 make t equal n.
    CExOr generator(907633384u, 1u, 0u);
    EXPECT_EQ(generator.GetRandom(), 0.0);
}

TEST(ExOr, SeedingCopyingAndRestart) {
    CExOr a(11, 22, 33);
    CExOr b;
    b.SetSeed(11, 22, 33);
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(a.GetRandom(), b.GetRandom());
    }
    CExOr copy(a);
    CExOr assigned;
    assigned = a;
    for (int i = 0; i < 50; ++i) {
        const double next = a.GetRandom();
        EXPECT_EQ(copy.GetRandom(), next);
        EXPECT_EQ(assigned.GetRandom(), next);
    }
    a.SetDefaultSeed();
    EXPECT_DOUBLE_EQ(a.GetRandom(), 0.8309281710535288);
}

TEST(ExOr, UniformityChiSquare) {
    // 100 equal bins, 200,000 draws: the chi-square statistic with 99 degrees of freedom stays
    // below 148.2 (its 99.9% quantile) for a uniform stream.
    constexpr int kBins = 100;
    constexpr int kDraws = 200000;
    int counts[kBins] = {};
    CExOr generator(2024u, 7u, 99u);
    for (int i = 0; i < kDraws; ++i) {
        ++counts[static_cast<int>(generator.GetRandom() * kBins)];
    }
    const double expected = static_cast<double>(kDraws) / kBins;
    double chiSquare = 0.0;
    for (int count : counts) {
        chiSquare += (count - expected) * (count - expected) / expected;
    }
    EXPECT_LT(chiSquare, 148.2);
}

} // namespace
