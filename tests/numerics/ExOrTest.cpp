// The generator against a reference model of its two streams and a worked example, and its jump
// against stepping.

#include <stochvar/numerics/ExOr.h>

#include <gtest/gtest.h>

#include <cstdint>

using stochvar::CExOr;

namespace {

// The two streams from their recurrences with 64-bit arithmetic and an explicit modulus:
// an additive one modulo 2^32 - 99 (a sum is reduced at most twice) and a congruential one.
struct SReference {
    std::uint64_t s1, s2, s3;
    double Next() {
        std::uint64_t t = s1 + s2;
        for (int i = 0; i < 2; ++i)
            t -= t >= (1ULL << 32) ? (1ULL << 32) - 99 : 0;
        s3 = (129 * s3 + 907633385) % (1ULL << 32);
        s1 = s2;
        s2 = t;
        return static_cast<double>(t ^ s3) / 4294967296.0;
    }
};

// Seeds on the edges of the additive reduction: sums corrected once or twice, terms left
// unreduced or equal to the modulus, sums wrapping to small residues, all zeros.
const std::uint32_t kSeeds[][3] = {
    {0u, 0u, 0u},
    {4294967295u, 4294967295u, 7u},
    {4294967295u, 1u, 0u},
    {4294967197u, 0u, 123u},
    {4294967197u, 4294967197u, 5u},
    {0u, 4294967197u, 5u},
    {2u, 1u, 9u},
    {10u, 4294967192u, 9u},
    {CExOr::kDefaultSeed1, CExOr::kDefaultSeed2, CExOr::kDefaultSeed3}};

// The next draws after a jump of k equal those after k single steps.
void ExpectJumpEqualsSteps(CExOr generator, unsigned long long k) {
    CExOr jumped = generator;
    jumped.Discard(k);
    for (unsigned long long i = 0; i < k; ++i)
        generator.GetRandom();
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(jumped.GetRandom(), generator.GetRandom()) << "k = " << k;
}

// The worked example: t XOR n of the first three calls from the default seeds, scaled by 2^-32.
// From every seed: the reference model, and jumps equal to stepping from three starting points,
// which compose up to lengths no run reaches.
TEST(ExOr, MatchesTheReferenceModelAndJumpsAsItSteps) {
    CExOr example;
    example.GetRandom();
    example.SetDefaultSeed();
    for (double n : {3568809320.0, 4006769160.0, 2011991904.0})
        EXPECT_EQ(example.GetRandom(), n / 4294967296.0);
    for (const auto& s : kSeeds) {
        CExOr seeded(s[0], s[1], s[2]), set, generator = seeded, rng(s[2], s[1], s[0]);
        set.SetSeed(s[0], s[1], s[2]);
        SReference reference{s[0], s[1], s[2]};
        for (int i = 0; i < 10000; ++i) {
            const double value = seeded.GetRandom();
            ASSERT_EQ(value, reference.Next()) << s[0] << ", " << s[1] << ", " << s[2] << ": " << i;
            ASSERT_EQ(set.GetRandom(), value);
            ASSERT_TRUE(value >= 0.0 && value < 1.0);
        }
        for (int start = 0; start < 3; ++start, generator.GetRandom()) {
            for (unsigned long long k = 0; k <= 80; ++k)
                ExpectJumpEqualsSteps(generator, k);
            for (unsigned long long k : {1000ULL, 65536ULL, 1ULL << 20,
                                         static_cast<unsigned long long>(rng.GetRandom() * 4e6)})
                ExpectJumpEqualsSteps(generator, k);
        }
        for (int i = 0; i < 20; ++i) {
            const auto k1 = static_cast<unsigned long long>(rng.GetRandom() * 0x1p60);
            const auto k2 = static_cast<unsigned long long>(rng.GetRandom() * 0x1p40);
            CExOr twice = generator, once = generator;
            twice.Discard(k1);
            twice.Discard(k2);
            once.Discard(k1 + k2);
            ASSERT_EQ(twice.GetRandom(), once.GetRandom()) << k1 << " + " << k2;
        }
    }
    // A long jump: the draws after 10^9 + 7 steps of the reference model from the default seeds,
    // recorded once (stepping takes seconds).
    CExOr far;
    far.Discard(1000000007ULL);
    for (double n : {3474362967.0, 3320275389.0, 2174314929.0, 4278899737.0})
        EXPECT_EQ(far.GetRandom(), n / 4294967296.0);
}

} // namespace
