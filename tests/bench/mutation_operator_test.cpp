#include "bench/mutation_operator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "bench/bench_types.h"
#include "bench/eval_operator.h"
#include "platform/random.h"

namespace {

using zarnel::BenchIndividual;
using zarnel::BenchPopulation;
using zarnel::CDefaultMutationOperator;

// Records which individuals are re-scored, in order, and leaves their
// fitness alone so that the ranking stays as the test set it.
class RecordingEval : public zarnel::CDefaultEvalOperator {
public:
    explicit RecordingEval(BenchPopulation* pop) : CDefaultEvalOperator(pop, nullptr, nullptr, 0, 1) {}
    int Evaluate(BenchIndividual* individual) override {
        targets.push_back(static_cast<std::uint32_t>(individual - population->individuals));
        return 1;
    }
    std::vector<std::uint32_t> targets;
};

void FillGenes(BenchPopulation& population) {
    for (std::uint32_t i = 0; i < population.size; ++i) {
        BenchIndividual* individual = population.GetIndividual(i);
        for (std::uint32_t j = 0; j < individual->GetLength(); ++j)
            individual->GetGenes()[j] = 0x01000000u * i + j;
    }
}

std::vector<std::uint32_t> AllGenes(BenchPopulation& population) {
    std::vector<std::uint32_t> genes;
    for (std::uint32_t i = 0; i < population.size; ++i) {
        BenchIndividual* individual = population.GetIndividual(i);
        genes.insert(genes.end(), individual->GetGenes(), individual->GetGenes() + individual->GetLength());
    }
    return genes;
}

TEST(CDefaultMutationOperatorTest, FlipCountIsTheProductTimesTheRateRoundedHalfUp) {
    EXPECT_EQ(CDefaultMutationOperator::FlipCount(50 * 40, 0.03), 60u);
    EXPECT_EQ(CDefaultMutationOperator::FlipCount(5, 0.5), 3u);
    EXPECT_EQ(CDefaultMutationOperator::FlipCount(5, 0.49), 2u);
    EXPECT_EQ(CDefaultMutationOperator::FlipCount(2000, 0.0), 0u);
    EXPECT_EQ(CDefaultMutationOperator::FlipCount(2000, -0.5), 0u);
    EXPECT_EQ(CDefaultMutationOperator::FlipCount(2000, std::nan("")), 0u);
    EXPECT_EQ(CDefaultMutationOperator::FlipCount(4000000000u, 2.0), 4294967295u);
}

TEST(CDefaultMutationOperatorTest, EveryFlipRescoresItsIndividual) {
    struct Case {
        std::uint32_t size, genes;
        double rate;
        std::size_t flips;
    };
    for (const Case& c : {Case{50, 40, 0.03, 60}, Case{5, 1, 0.5, 3}, Case{50, 40, 0.0, 0}}) {
        BenchPopulation population(c.size, c.genes);
        FillGenes(population);
        const auto before = AllGenes(population);
        RecordingEval eval(&population);
        CDefaultMutationOperator mutation(&population, &eval, c.rate);
        EXPECT_EQ(mutation.Execute(), 1);
        EXPECT_EQ(eval.targets.size(), c.flips) << c.size << " x " << c.genes << " at " << c.rate;
        if (c.flips == 0) {
            EXPECT_EQ(AllGenes(population), before);
        }
    }
}

// The pass draws a target (redrawn while it is the best) and a bit position
// for every flip; the same draws reproduce every changed bit.
TEST(CDefaultMutationOperatorTest, FlipsTheDrawnBitOfTheDrawnIndividual) {
    constexpr std::uint32_t size = 6, genes = 3;
    BenchPopulation population(size, genes);
    FillGenes(population);
    for (std::uint32_t i = 0; i < size; ++i)
        population.GetIndividual(i)->SetFitness(static_cast<double>(i % 4));
    const std::uint32_t best = 3;
    auto expected = AllGenes(population);
    RecordingEval eval(&population);
    CDefaultMutationOperator mutation(&population, &eval, 0.5);  // 9 flips

    platform::SeedRand(99);
    std::vector<std::uint32_t> expectedTargets;
    for (int f = 0; f < 9; ++f) {
        std::uint32_t target;
        do {
            target = static_cast<std::uint32_t>(platform::Rand()) % size;
        } while (target == best);
        const auto bit = static_cast<std::uint32_t>(platform::Rand()) % (32 * genes);
        expected[target * genes + bit / 32] ^= 1u << (bit % 32);
        expectedTargets.push_back(target);
    }

    platform::SeedRand(99);
    EXPECT_EQ(mutation.Execute(), 1);
    EXPECT_EQ(AllGenes(population), expected);
    EXPECT_EQ(eval.targets, expectedTargets);
}

TEST(CDefaultMutationOperatorTest, OnlyTheLowestIndexedBestIsSpared) {
    constexpr std::uint32_t size = 10;
    BenchPopulation population(size, 2);
    FillGenes(population);
    for (std::uint32_t i = 0; i < size; ++i) population.GetIndividual(i)->SetFitness(1.0);
    population.GetIndividual(3)->SetFitness(std::numeric_limits<double>::quiet_NaN());
    population.GetIndividual(2)->SetFitness(5.0);
    population.GetIndividual(5)->SetFitness(5.0);
    const std::vector<std::uint32_t> spared(population.GetIndividual(2)->GetGenes(),
                                            population.GetIndividual(2)->GetGenes() + 2);
    RecordingEval eval(&population);
    CDefaultMutationOperator mutation(&population, &eval, 5.0);  // 100 flips

    platform::SeedRand(1);
    EXPECT_EQ(mutation.Execute(), 1);
    ASSERT_EQ(eval.targets.size(), 100u);
    bool tiedHit = false;
    for (std::uint32_t target : eval.targets) {
        EXPECT_NE(target, 2u);
        tiedHit = tiedHit || target == 5;
    }
    EXPECT_TRUE(tiedHit);
    EXPECT_EQ(population.GetIndividual(2)->GetGenes()[0], spared[0]);
    EXPECT_EQ(population.GetIndividual(2)->GetGenes()[1], spared[1]);
}

TEST(CDefaultMutationOperatorTest, NothingToFlipBelowTwoIndividualsOrWithoutGenes) {
    struct Case {
        std::uint32_t size, genes;
    };
    for (const Case& c : {Case{0, 4}, Case{1, 4}, Case{5, 0}}) {
        BenchPopulation population(c.size, c.genes);
        FillGenes(population);
        const auto before = AllGenes(population);
        RecordingEval eval(&population);
        CDefaultMutationOperator mutation(&population, &eval, 1.0);
        EXPECT_EQ(mutation.Execute(), 1) << c.size << " x " << c.genes;
        EXPECT_TRUE(eval.targets.empty());
        EXPECT_EQ(AllGenes(population), before);
    }
}

}  // namespace
