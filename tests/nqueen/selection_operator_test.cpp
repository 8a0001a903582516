#include "nqueen/selection_operator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/random.h"
#include "tests/nqueen/test_support.h"

namespace {

using nqueen_test::RecordingEval;
using nqueen_test::SetGenes;
using zarnel::CNQueenSelectionOperator;
using zarnel::NQueenIndividual;
using zarnel::NQueenPopulation;

// The three indices that the tournament step claims after SeedRand(seed) on a
// population of `size` free individuals: each draw is Rand32 mod size, and a
// draw of an index already claimed is drawn again.
std::vector<std::uint32_t> ClaimOrder(std::uint32_t seed, std::uint32_t size) {
    platform::SeedRand(seed);
    std::vector<std::uint32_t> claims;
    while (claims.size() < 3) {
        const std::uint32_t index = platform::Rand32() % size;
        if (std::find(claims.begin(), claims.end(), index) == claims.end()) claims.push_back(index);
    }
    return claims;
}

void FillDistinct(NQueenPopulation& population) {
    SetGenes(*population.GetIndividual(0), {0, 1, 2, 3});
    SetGenes(*population.GetIndividual(1), {1, 0, 2, 3});
    SetGenes(*population.GetIndividual(2), {3, 2, 1, 0});
}

bool AllFree(const NQueenPopulation& population) {
    for (std::uint32_t i = 0; i < population.size; ++i) {
        if (population.busyFlags[i] != 0) return false;
    }
    return true;
}

TEST(NQueenTournament, EqualFitnessKeepsClaimOrder) {
    for (std::uint32_t seed : {1u, 17u, 4242u}) {
        NQueenPopulation population(3, 4);
        FillDistinct(population);
        for (std::uint32_t i = 0; i < 3; ++i) population.GetIndividual(i)->SetFitness(-0.5f);
        RecordingEval eval(&population);
        const auto claims = ClaimOrder(seed, 3);

        platform::SeedRand(seed);
        EXPECT_EQ(CNQueenSelectionOperator(&population, &eval).Execute(), zarnel::kDone);
        // Distinct parents: only the child, the third claimed, is scored.
        ASSERT_EQ(eval.scored.size(), 1u);
        EXPECT_EQ(eval.scored[0], population.GetIndividual(claims[2])) << "seed " << seed;
        EXPECT_TRUE(AllFree(population));
    }
}

TEST(NQueenTournament, IdenticalParentsScoreParent2BeforeTheChild) {
    constexpr std::uint32_t kSeed = 31;
    NQueenPopulation population(3, 4);
    for (std::uint32_t i = 0; i < 3; ++i) {
        SetGenes(*population.GetIndividual(i), {0, 1, 2, 3});
        population.GetIndividual(i)->SetFitness(-0.75f);
    }
    RecordingEval eval(&population);
    const auto claims = ClaimOrder(kSeed, 3);
    platform::SeedRand(kSeed);
    EXPECT_EQ(CNQueenSelectionOperator(&population, &eval).Execute(), zarnel::kDone);
    ASSERT_EQ(eval.scored.size(), 2u);
    EXPECT_EQ(eval.scored[0], population.GetIndividual(claims[1]));
    EXPECT_EQ(eval.scored[1], population.GetIndividual(claims[2]));
}

TEST(NQueenTournament, TheLeastFitIsReplacedWhateverTheClaimOrder) {
    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
        NQueenPopulation population(3, 4);
        FillDistinct(population);
        population.GetIndividual(0)->SetFitness(-0.25f);
        population.GetIndividual(1)->SetFitness(-2.0f);
        population.GetIndividual(2)->SetFitness(-1.0f);
        RecordingEval eval(&population);
        platform::SeedRand(seed);
        CNQueenSelectionOperator(&population, &eval).Execute();
        ASSERT_EQ(eval.scored.size(), 1u);
        EXPECT_EQ(eval.scored[0], population.GetIndividual(1)) << "seed " << seed;
    }
}

TEST(NQueenTournament, StopsWhenAParentAlreadySolves) {
    NQueenPopulation population(3, 4);
    FillDistinct(population);
    population.GetIndividual(0)->SetFitness(-0.0f);
    population.GetIndividual(1)->SetFitness(-1.0f);
    population.GetIndividual(2)->SetFitness(-1.0f);
    RecordingEval eval(&population, {-0.5f});  // the child is no solution
    platform::SeedRand(3);
    EXPECT_EQ(CNQueenSelectionOperator(&population, &eval).Execute(), zarnel::kStop);
    EXPECT_NE(eval.scored[0], population.GetIndividual(0));
    EXPECT_TRUE(AllFree(population));
}

TEST(NQueenTournament, StopsWhenTheChildSolvesAndGoesOnOtherwise) {
    NQueenPopulation population(3, 4);
    FillDistinct(population);
    for (std::uint32_t i = 0; i < 3; ++i) population.GetIndividual(i)->SetFitness(-1.0f);
    RecordingEval solving(&population, {0.0f});
    platform::SeedRand(8);
    EXPECT_EQ(CNQueenSelectionOperator(&population, &solving).Execute(), zarnel::kStop);

    for (std::uint32_t i = 0; i < 3; ++i) population.GetIndividual(i)->SetFitness(-1.0f);
    RecordingEval failing(&population, {-0.5f});
    EXPECT_EQ(CNQueenSelectionOperator(&population, &failing).Execute(), zarnel::kDone);
    EXPECT_TRUE(AllFree(population));
}

TEST(NQueenTournament, FewerThanThreeIndividualsFailInsteadOfSpinning) {
    NQueenPopulation population(2, 4);
    RecordingEval eval(&population);
    EXPECT_EQ(CNQueenSelectionOperator(&population, &eval).Execute(), zarnel::kFailed);
    EXPECT_TRUE(eval.scored.empty());
}

}  // namespace
