#include "nqueen/permutation.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/random.h"
#include "tests/nqueen/test_support.h"

namespace {

// Parity by counting the cycles: a permutation of n elements with c cycles is
// a product of n - c transpositions.
int Parity(const std::vector<std::uint16_t>& genes) {
    std::vector<bool> visited(genes.size(), false);
    std::size_t cycles = 0;
    for (std::size_t start = 0; start < genes.size(); ++start) {
        if (visited[start]) continue;
        ++cycles;
        for (std::size_t at = start; !visited[at]; at = genes[at]) visited[at] = true;
    }
    return static_cast<int>((genes.size() - cycles) % 2);
}

TEST(RandomPermutation, AlwaysAPermutationWithTheParityOfItsLength) {
    platform::SeedRand(12345);
    for (std::uint32_t n = 2; n <= 40; ++n) {
        for (int round = 0; round < 50; ++round) {
            std::vector<std::uint16_t> genes(n, 0);
            zarnel::RandomPermutation(genes.data(), n);
            ASSERT_TRUE(nqueen_test::IsPermutation(genes)) << "n=" << n;
            ASSERT_EQ(Parity(genes), static_cast<int>(n % 2)) << "n=" << n;
        }
    }
}

TEST(RandomPermutation, NeverYieldsAFourQueenSolutionDirectly) {
    platform::SeedRand(7);
    for (int round = 0; round < 2000; ++round) {
        std::vector<std::uint16_t> genes(4, 0);
        zarnel::RandomPermutation(genes.data(), 4);
        ASSERT_NE(genes, (std::vector<std::uint16_t>{1, 3, 0, 2}));
        ASSERT_NE(genes, (std::vector<std::uint16_t>{2, 0, 3, 1}));
    }
}

TEST(RandomPermutation, DrawsFollowTheSeed) {
    std::vector<std::uint16_t> first(10, 0);
    std::vector<std::uint16_t> second(10, 0);
    platform::SeedRand(99);
    zarnel::RandomPermutation(first.data(), 10);
    platform::SeedRand(99);
    zarnel::RandomPermutation(second.data(), 10);
    EXPECT_EQ(first, second);
}

TEST(RandomPermutation, ShortArraysStayTheIdentity) {
    std::vector<std::uint16_t> one{7};
    zarnel::RandomPermutation(one.data(), 1);
    EXPECT_EQ(one, std::vector<std::uint16_t>{0});
    zarnel::RandomPermutation(nullptr, 0);
}

}  // namespace
