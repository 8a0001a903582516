#include "nqueen/mutation_operator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "nqueen/permutation.h"
#include "platform/random.h"
#include "tests/nqueen/test_support.h"

namespace {

using nqueen_test::GenesOf;
using nqueen_test::RecordingEval;
using zarnel::CNQueenMutationOperator;
using zarnel::NQueenPopulation;

void Randomise(NQueenPopulation& population, float fitness) {
    for (std::uint32_t i = 0; i < population.size; ++i) {
        zarnel::RandomPermutation(population.GetIndividual(i)->GetGenes(),
                                  population.GetIndividual(i)->GetLength());
        population.GetIndividual(i)->SetFitness(fitness);
    }
}

TEST(MutationSwapCount, RoundsSizeTimesRateHalfUp) {
    EXPECT_EQ(zarnel::MutationSwapCount(100, 0.05), 5u);
    EXPECT_EQ(zarnel::MutationSwapCount(100, 0.0), 0u);
    EXPECT_EQ(zarnel::MutationSwapCount(5, 0.5), 3u);  // 2.5 goes up
    EXPECT_EQ(zarnel::MutationSwapCount(4, 0.6), 2u);  // 2.4 goes down
    EXPECT_EQ(zarnel::MutationSwapCount(32767, 2.0), 65534u);
}

TEST(MutationSwapCount, OutOfRangeRatesGiveTheLowBitsWithoutOverflow) {
    EXPECT_EQ(zarnel::MutationSwapCount(10, std::numeric_limits<double>::quiet_NaN()), 0u);
    EXPECT_EQ(zarnel::MutationSwapCount(10, std::numeric_limits<double>::infinity()), 0u);
    // -2.5 truncates to -2, whose low 32 bits are 0xFFFFFFFE.
    EXPECT_EQ(zarnel::MutationSwapCount(1, -3.0), 0xFFFFFFFEu);
    EXPECT_EQ(zarnel::MutationSwapCount(1, 4294967296.0 + 7.0), 7u);
}

TEST(NQueenMutation, MakesOneSwapAndOneEvaluationPerCount) {
    platform::SeedRand(11);
    NQueenPopulation population(100, 8);
    Randomise(population, -1.0f);
    std::vector<std::vector<std::uint16_t>> before;
    for (std::uint32_t i = 0; i < 100; ++i) before.push_back(GenesOf(*population.GetIndividual(i)));

    RecordingEval eval(&population, {-1.0f});
    EXPECT_EQ(CNQueenMutationOperator(&population, &eval, 0.05).Execute(), zarnel::kDone);
    ASSERT_EQ(eval.scored.size(), 5u);
    int changed = 0;
    for (std::uint32_t i = 0; i < 100; ++i) {
        const auto genes = GenesOf(*population.GetIndividual(i));
        EXPECT_TRUE(nqueen_test::IsPermutation(genes));
        changed += genes != before[i] ? 1 : 0;
    }
    EXPECT_GE(changed, 1);
    EXPECT_LE(changed, 5);

    RecordingEval idle(&population);
    EXPECT_EQ(CNQueenMutationOperator(&population, &idle, 0.0).Execute(), zarnel::kDone);
    EXPECT_TRUE(idle.scored.empty());

    NQueenPopulation five(5, 8);
    Randomise(five, -1.0f);
    RecordingEval three(&five, {-1.0f});
    CNQueenMutationOperator(&five, &three, 0.5).Execute();
    EXPECT_EQ(three.scored.size(), 3u);
}

TEST(NQueenMutation, SparesOnlyTheLowestIndexedBest) {
    platform::SeedRand(77);
    NQueenPopulation population(4, 8);
    Randomise(population, -2.0f);
    population.GetIndividual(1)->SetFitness(-0.5f);
    population.GetIndividual(3)->SetFitness(-0.5f);
    const auto spared = GenesOf(*population.GetIndividual(1));
    RecordingEval eval(&population, {-3.0f});  // no mutant overtakes the best
    CNQueenMutationOperator(&population, &eval, 50.0).Execute();
    ASSERT_EQ(eval.scored.size(), 200u);
    bool tiedBestChanged = false;
    for (auto* individual : eval.scored) {
        EXPECT_NE(individual, population.GetIndividual(1));
        tiedBestChanged = tiedBestChanged || individual == population.GetIndividual(3);
    }
    EXPECT_TRUE(tiedBestChanged);
    EXPECT_EQ(GenesOf(*population.GetIndividual(1)), spared);
}

TEST(NQueenMutation, StopsAtTheFirstSwapThatSolves) {
    platform::SeedRand(5);
    NQueenPopulation population(10, 8);
    Randomise(population, -1.0f);
    RecordingEval eval(&population, {-1.0f, -0.0f, -1.0f});
    EXPECT_EQ(CNQueenMutationOperator(&population, &eval, 1.0).Execute(), zarnel::kStop);
    EXPECT_EQ(eval.scored.size(), 2u);
}

TEST(NQueenMutation, FewerThanTwoIndividualsAreLeftAlone) {
    NQueenPopulation population(1, 8);
    Randomise(population, -1.0f);
    RecordingEval eval(&population);
    EXPECT_EQ(CNQueenMutationOperator(&population, &eval, 5.0).Execute(), zarnel::kDone);
    EXPECT_TRUE(eval.scored.empty());
}

TEST(FindBestIndex, StrictlyGreaterMovesTheBestAndNaNNever) {
    NQueenPopulation population(4, 1);
    population.GetIndividual(0)->SetFitness(-1.0f);
    population.GetIndividual(1)->SetFitness(std::numeric_limits<float>::quiet_NaN());
    population.GetIndividual(2)->SetFitness(-0.5f);
    population.GetIndividual(3)->SetFitness(-0.5f);
    EXPECT_EQ(zarnel::FindBestIndex(population), 2u);
    population.GetIndividual(0)->SetFitness(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(zarnel::FindBestIndex(population), 0u) << "a NaN at index 0 is never overtaken";
}

}  // namespace
