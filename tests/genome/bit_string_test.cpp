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

// Share of genes that differ from `before`.
double Share(const Genes& genes, const Genes& before) {
    double count = 0;
    for (std::size_t i = 0; i < genes.size(); ++i) count += genes[i] != before[i];
    return count / static_cast<double>(genes.size());
}

TEST(BitStringOperatorTest, UniformInitAndFlipDrawEachBitAtTheirRate) {
    Random random(7);
    const Genes zeros(1000, 0);
    Genes p1(1000), p2(1000), child(1000, 9);
    bits::RandomInit(p1, random);
    bits::RandomInit(p2, random);
    EXPECT_NEAR(Share(p1, zeros), 0.5, 0.06);
    // Uniform: every gene from a parent at its position, either parent evenly.
    bits::Uniform(p1, p2, child, random);
    double fromSecond = 0, differing = 0;
    for (std::size_t i = 0; i < child.size(); ++i) {
        ASSERT_TRUE(child[i] == p1[i] || child[i] == p2[i]);
        differing += p1[i] != p2[i];
        fromSecond += p1[i] != p2[i] && child[i] == p2[i];
    }
    EXPECT_NEAR(fromSecond / differing, 0.5, 0.08);

    Genes genes = p1;
    bits::FlipMutation(genes, 0.0, random);
    EXPECT_EQ(genes, p1);
    bits::FlipMutation(genes, 1.0, random);
    EXPECT_EQ(Share(genes, p1), 1.0);
    bits::FlipMutation(genes, 1.0, random);
    bits::FlipMutation(genes, 0.1, random);
    EXPECT_NEAR(Share(genes, p1), 0.1, 0.04);
}

}  // namespace
