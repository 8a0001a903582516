#include "nqueen/crossover_operator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "nqueen/permutation.h"
#include "platform/random.h"
#include "tests/nqueen/test_support.h"

namespace {

using nqueen_test::GenesOf;
using nqueen_test::IsPermutation;
using nqueen_test::SetGenes;
using zarnel::CNQueenCrossoverOperator;
using zarnel::NQueenPopulation;

TEST(NQueenCrossover, IdenticalParentsReplaceParent2AndReturnTwo) {
    platform::SeedRand(2024);
    NQueenPopulation population(3, 8);
    auto& p1 = *population.GetIndividual(0);
    auto& p2 = *population.GetIndividual(1);
    auto& child = *population.GetIndividual(2);
    SetGenes(p1, {0, 1, 2, 3, 4, 5, 6, 7});
    SetGenes(p2, {0, 1, 2, 3, 4, 5, 6, 7});
    SetGenes(child, {7, 6, 5, 4, 3, 2, 1, 0});
    p2.SetFitness(-0.875f);

    EXPECT_EQ(CNQueenCrossoverOperator(&p1, &p2, &child).Execute(),
              CNQueenCrossoverOperator::kParent2Replaced);

    EXPECT_EQ(GenesOf(p1), (std::vector<std::uint16_t>{0, 1, 2, 3, 4, 5, 6, 7}));
    // parent2 is the second permutation drawn, right after the child's.
    std::vector<std::uint16_t> expectedChild(8, 0);
    std::vector<std::uint16_t> expectedParent2(8, 0);
    platform::SeedRand(2024);
    zarnel::RandomPermutation(expectedChild.data(), 8);
    zarnel::RandomPermutation(expectedParent2.data(), 8);
    EXPECT_EQ(GenesOf(p2), expectedParent2);
    EXPECT_EQ(*p2.GetFitness(), -0.875f) << "fitness is left for the tournament step";
    ASSERT_TRUE(IsPermutation(GenesOf(child)));
    for (std::uint32_t i = 0; i < 8; ++i) {
        if (p1.GetGenes()[i] == p2.GetGenes()[i]) {
            EXPECT_EQ(child.GetGenes()[i], p1.GetGenes()[i]) << i;
        }
    }
}

TEST(NQueenCrossover, ParentsOneSwapApartGiveOneOfTheParents) {
    NQueenPopulation population(3, 8);
    auto& p1 = *population.GetIndividual(0);
    auto& p2 = *population.GetIndividual(1);
    auto& child = *population.GetIndividual(2);
    SetGenes(p1, {3, 1, 4, 0, 5, 7, 2, 6});
    SetGenes(p2, {3, 7, 4, 0, 5, 1, 2, 6});
    for (std::uint32_t seed = 1; seed <= 200; ++seed) {
        platform::SeedRand(seed);
        ASSERT_EQ(CNQueenCrossoverOperator(&p1, &p2, &child).Execute(), zarnel::kDone);
        const auto genes = GenesOf(child);
        EXPECT_TRUE(genes == GenesOf(p1) || genes == GenesOf(p2)) << "seed " << seed;
    }
}

TEST(NQueenCrossover, ChildKeepsEveryCommonPositionAndStaysAPermutation) {
    platform::SeedRand(5);
    constexpr std::uint32_t kN = 30;
    NQueenPopulation population(3, kN);
    auto& p1 = *population.GetIndividual(0);
    auto& p2 = *population.GetIndividual(1);
    auto& child = *population.GetIndividual(2);
    for (int round = 0; round < 100; ++round) {
        zarnel::RandomPermutation(p1.GetGenes(), kN);
        // p2 agrees with p1 except for a few random swaps.
        std::copy(p1.GetGenes(), p1.GetGenes() + kN, p2.GetGenes());
        for (int s = 0; s < 5; ++s)
            std::swap(p2.GetGenes()[platform::Rand() % kN], p2.GetGenes()[platform::Rand() % kN]);
        const int result = CNQueenCrossoverOperator(&p1, &p2, &child).Execute();
        ASSERT_NE(result, zarnel::kFailed);
        ASSERT_TRUE(IsPermutation(GenesOf(child)));
        for (std::uint32_t i = 0; i < kN; ++i) {
            if (p1.GetGenes()[i] == p2.GetGenes()[i]) {
                ASSERT_EQ(child.GetGenes()[i], p1.GetGenes()[i]);
            }
        }
    }
}

TEST(KeepCommonGenes, SwapsEachCommonValueIntoPlaceInOrder) {
    const std::vector<std::uint16_t> p1{0, 1, 2, 3};
    const std::vector<std::uint16_t> p2{0, 3, 2, 1};
    std::vector<std::uint16_t> child{2, 3, 0, 1};
    // Position 0 takes 0 from position 2 (giving 0 3 2 1); position 2 then
    // already holds 2.
    zarnel::KeepCommonGenes(p1.data(), p2.data(), child.data(), 4);
    EXPECT_EQ(child, (std::vector<std::uint16_t>{0, 3, 2, 1}));
}

}  // namespace
