#include "genome/bit_string.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <span>
#include <utility>
#include <vector>

#include "genome/bit_string_variation.h"

namespace {

namespace bits = zarnel::bits;
using Genes = std::vector<std::uint8_t>;
using zarnel::Random;

// The runs of equal genes in a child of an all-0 and an all-1 parent: where
// it switches parent.
std::vector<std::size_t> Cuts(const Genes& child) {
    std::vector<std::size_t> cuts;
    for (std::size_t i = 1; i < child.size(); ++i) {
        if (child[i] != child[i - 1]) cuts.push_back(i);
    }
    return cuts;
}

// With p1 all 0 and p2 all 1 a child shows its cut points: one-point gives
// 0..0 1..1 with 1 <= c <= n-1, two-point 0..0 1..1 0..0 with 1 <= a < b <=
// n-1; every allowed cut turns up.
TEST(BitStringCrossoverTest, PointCrossoversSpliceTheParentsAtTheirCuts) {
    Random random(4);
    for (const std::size_t n : {1, 2, 3, 10}) {
        const Genes zeros(n, 0), ones(n, 1);
        std::set<std::size_t> onePointCuts;
        std::set<std::pair<std::size_t, std::size_t>> twoPointCuts;
        for (int trial = 0; trial < 500; ++trial) {
            Genes child(n, 9);
            bits::OnePoint(zeros, ones, child, random);
            if (n == 1) {
                ASSERT_EQ(child, zeros);
            } else {
                ASSERT_EQ(child.front(), 0);
                ASSERT_EQ(child.back(), 1);
                ASSERT_EQ(Cuts(child).size(), 1u);
                onePointCuts.insert(Cuts(child)[0]);
            }
            bits::TwoPoint(zeros, ones, child, random);
            const std::vector<std::size_t> cuts = Cuts(child);
            ASSERT_EQ(child.front(), 0);
            if (n >= 3) {
                ASSERT_EQ(child.back(), 0);
                ASSERT_EQ(cuts.size(), 2u);
                twoPointCuts.insert({cuts[0], cuts[1]});
            } else {
                ASSERT_EQ(cuts.size(), n - 1);  // n = 2: one-point; n = 1: a copy of p1
            }
        }
        if (n >= 2) {
            EXPECT_EQ(onePointCuts.size(), n - 1);
        }
        if (n >= 3) {
            EXPECT_EQ(twoPointCuts.size(), (n - 1) * (n - 2) / 2);
        }
    }
}

TEST(BitStringCrossoverTest, UniformTakesEachGeneFromEitherParentEvenly) {
    Random random(6);
    constexpr std::size_t n = 1000;
    const Genes zeros(n, 0), ones(n, 1);
    Genes child(n, 9);
    bits::Uniform(zeros, ones, child, random);
    std::size_t fromSecond = 0;
    for (const std::uint8_t gene : child) {
        ASSERT_LE(gene, 1);
        fromSecond += gene;
    }
    EXPECT_NEAR(static_cast<double>(fromSecond) / n, 0.5, 0.06);
}

TEST(BitStringMutationTest, FlipRateSaysHowManyBitsFlip) {
    Random random(7);
    Genes genes(1000);
    bits::RandomInit(genes, random);
    const Genes before = genes;
    std::size_t ones = 0;
    for (const std::uint8_t gene : genes) ones += gene;
    EXPECT_NEAR(static_cast<double>(ones) / 1000, 0.5, 0.06);

    bits::FlipMutation(genes, 0.0, random);
    EXPECT_EQ(genes, before);
    bits::FlipMutation(genes, 1.0, random);
    for (std::size_t i = 0; i < genes.size(); ++i) ASSERT_EQ(genes[i], 1 - before[i]);
    bits::FlipMutation(genes, 1.0, random);
    std::size_t flipped = 0;
    bits::FlipMutation(genes, 0.1, random);
    for (std::size_t i = 0; i < genes.size(); ++i) flipped += genes[i] != before[i];
    EXPECT_NEAR(static_cast<double>(flipped) / 1000, 0.1, 0.04);
}

}  // namespace
