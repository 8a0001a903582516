#include "genome/random.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "run/seed.h"

namespace {

using zarnel::Random;

// Pearson's statistic of `counts` against equal expected counts.
double ChiSquare(const std::vector<std::uint64_t>& counts) {
    double total = 0.0;
    for (const std::uint64_t c : counts) total += static_cast<double>(c);
    const double expected = total / static_cast<double>(counts.size());
    double chi = 0.0;
    for (const std::uint64_t c : counts)
        chi += (static_cast<double>(c) - expected) * (static_cast<double>(c) - expected) / expected;
    return chi;
}

// The reference implementation's output (prng.di.unimi.it/xoshiro256starstar.c)
// from the state {0, 0, 0, 1}, as published with an independent port.
TEST(RandomTest, MatchesTheReferenceXoshiro256StarStar) {
    Random fromOne = Random::FromState({0, 0, 0, 1});
    const std::uint64_t expectedFromOne[] = {0,
                                             0,
                                             0x1680,
                                             0x02D0000000001680,
                                             0x02D0005A2D001680,
                                             0x0000005A2D0B4120,
                                             0x68B45A5A2D0B57A0,
                                             0x68B48716AD000120,
                                             0x1CB48716B2A00288,
                                             0x11B10070BDEB59BC};
    for (const std::uint64_t value : expectedFromOne) EXPECT_EQ(fromOne.Next(), value);
}

TEST(RandomTest, SeedsAndStreamsReplayExactlyAndStayApart) {
    Random a(42), b(42), other(43);
    Random stream0 = Random::Stream(7, 0), stream1 = Random::Stream(7, 1);
    Random derived(zarnel::run::DeriveSeed(7, 1));
    int sameAsOther = 0, sameAcrossStreams = 0;
    for (int i = 0; i < 1000; ++i) {
        const std::uint64_t x = a.Next();
        ASSERT_EQ(x, b.Next());
        sameAsOther += x == other.Next();
        const std::uint64_t s1 = stream1.Next();
        sameAcrossStreams += stream0.Next() == s1;
        ASSERT_EQ(s1, derived.Next());
    }
    EXPECT_EQ(sameAsOther, 0);
    EXPECT_EQ(sameAcrossStreams, 0);
    // A saved state continues the stream exactly; the all-zero state is refused.
    Random resumed = Random::FromState(a.GetState());
    for (int i = 0; i < 10; ++i) EXPECT_EQ(resumed.Next(), a.Next());
    EXPECT_EQ(Random::FromState({0, 0, 0, 0}).Next(), Random(0).Next());
}

// 99.9 % quantiles of chi-square: 27.88 for 9 degrees of freedom, 13.82 for 2.
// A fixed seed keeps the draws, and so the outcome, the same on every run.
TEST(RandomTest, BelowStaysBelowItsBoundUniformly) {
    Random random(2024);
    using Bounds = std::pair<std::uint32_t, std::uint64_t>;
    for (const auto& [bound, bound64] : {Bounds{1, 1}, Bounds{3, 3}, Bounds{0xFFFFFFFFu, ~0ull}}) {
        for (int i = 0; i < 20000; ++i) {
            ASSERT_LT(random.Below(bound), bound);
            ASSERT_LT(random.Below64(bound64), bound64);
        }
    }
    std::vector<std::uint64_t> small(10), small64(10);
    for (int i = 0; i < 200000; ++i) {
        ++small[random.Below(10)];
        ++small64[random.Below64(10)];
    }
    EXPECT_LT(ChiSquare(small), 27.88);
    EXPECT_LT(ChiSquare(small64), 27.88);
    // For bound 3 * 2^30 a plain multiply-and-shift gives the values that are
    // multiples of 3 half of the time instead of a third: only the rejection
    // step makes the residues even.
    std::vector<std::uint64_t> residues(3), residues64(3);
    for (int i = 0; i < 60000; ++i) {
        ++residues[random.Below(3u << 30) % 3];
        ++residues64[random.Below64(3ull << 62) % 3];
    }
    EXPECT_LT(ChiSquare(residues), 13.82);
    EXPECT_LT(ChiSquare(residues64), 13.82);
}

TEST(RandomTest, RealDrawsKeepTheirRangeAndMoments) {
    Random random(5);
    double sum = 0.0, squares = 0.0;
    constexpr int kDraws = 100000;
    for (int i = 0; i < kDraws; ++i) {
        const double u = random.Uniform();
        ASSERT_TRUE(u >= 0.0 && u < 1.0);
        const double wide = random.Uniform(-1e308, 1e308);
        ASSERT_TRUE(std::isfinite(wide));
        const double z = random.Normal();
        sum += z;
        squares += z * z;
    }
    EXPECT_NEAR(sum / kDraws, 0.0, 0.02);
    EXPECT_NEAR(squares / kDraws, 1.0, 0.03);
    // Certain outcomes draw nothing.
    Random copy = random;
    EXPECT_FALSE(random.Chance(0.0));
    EXPECT_FALSE(random.Chance(std::nan("")));
    EXPECT_TRUE(random.Chance(1.0));
    EXPECT_EQ(random.Next(), copy.Next());
}

}  // namespace
