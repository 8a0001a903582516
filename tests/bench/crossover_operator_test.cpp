#include "bench/crossover_operator.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "bench/bench_types.h"
#include "platform/random.h"

namespace {

using zarnel::BenchIndividual;

TEST(CDefaultCrossoverOperatorTest, EachMaskTakesSetBitsFromParent1AndTheRestFromParent2) {
    constexpr std::uint32_t n = 8;
    BenchIndividual parent1, parent2, child;
    parent1.Create(n);
    parent2.Create(n);
    child.Create(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        parent1.GetGenes()[i] = 0x9E3779B9u * (i + 1);
        parent2.GetGenes()[i] = ~parent1.GetGenes()[i] ^ (0x01010101u << (i % 8));
        child.GetGenes()[i] = 0;
    }
    child.SetFitness(3.25);

    platform::SeedRand(4242);
    zarnel::CDefaultCrossoverOperator crossover(&parent1, &parent2, &child);
    EXPECT_EQ(crossover.Execute(), 1);

    // The same draws again, one mask per gene.
    platform::SeedRand(4242);
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t m = platform::Rand32();
        EXPECT_EQ(child.GetGenes()[i], (parent2.GetGenes()[i] & ~m) | (parent1.GetGenes()[i] & m)) << i;
    }
    EXPECT_EQ(*child.GetFitness(), 3.25);
}

}  // namespace
