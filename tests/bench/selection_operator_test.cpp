#include "bench/selection_operator.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <thread>
#include <vector>

#include "bench/bench_types.h"
#include "bench/eval_operator.h"
#include "platform/random.h"

namespace {

using zarnel::BenchIndividual;
using zarnel::BenchPopulation;
using zarnel::CDefaultEvalOperator;
using zarnel::CDefaultSelectionOperator;

constexpr std::uint32_t kGenes = 4;
constexpr std::uint32_t kSeed = 777;
constexpr std::int32_t kRejectedCode = 6;  // evaluation fails, fitness stays as set

struct Fixture {
    explicit Fixture(std::uint32_t size, std::int32_t code = kRejectedCode)
        : population(size, kGenes), eval(&population, lower.data(), upper.data(), code, 1) {
        lower.fill(-10.0);
        upper.fill(10.0);
        for (std::uint32_t i = 0; i < population.size; ++i) {
            for (std::uint32_t j = 0; j < kGenes; ++j)
                population.GetIndividual(i)->GetGenes()[j] = 0x1000u * i + j;
        }
    }
    std::array<double, kGenes> lower{};
    std::array<double, kGenes> upper{};
    BenchPopulation population;
    CDefaultEvalOperator eval;
};

// The indices a lone thread claims from `size` individuals, drawn on the
// calling thread's generator, which is left where the step would leave it
// after its claims.
std::array<std::uint32_t, 3> ClaimOrder(std::uint32_t size) {
    std::array<std::uint32_t, 3> order{};
    for (std::uint32_t k = 0; k < 3; ++k) {
        bool taken;
        do {
            order[k] = static_cast<std::uint32_t>(platform::Rand()) % size;
            taken = false;
            for (std::uint32_t j = 0; j < k; ++j) taken = taken || order[j] == order[k];
        } while (taken);
    }
    return order;
}

std::vector<std::uint32_t> GenesOf(BenchIndividual* individual) {
    return {individual->GetGenes(), individual->GetGenes() + individual->GetLength()};
}

std::vector<std::uint32_t> Cross(const std::vector<std::uint32_t>& p1, const std::vector<std::uint32_t>& p2) {
    std::vector<std::uint32_t> child(p1.size());
    for (std::size_t i = 0; i < p1.size(); ++i) {
        const std::uint32_t m = platform::Rand32();
        child[i] = (p2[i] & ~m) | (p1[i] & m);
    }
    return child;
}

void ExpectAllFree(const BenchPopulation& population) {
    for (std::uint32_t i = 0; i < population.size; ++i) EXPECT_EQ(population.busyFlags[i], 0) << i;
}

// Runs one step on `fixture` with the fitness of the claimed individuals set
// in claim order, and checks that the child was bred from the expected ranks.
void ExpectStep(Fixture& fixture, std::array<double, 3> fitnessByClaim, std::array<int, 3> rankToClaim) {
    platform::SeedRand(kSeed);
    const auto order = ClaimOrder(fixture.population.size);
    BenchIndividual* claimed[3];
    for (int k = 0; k < 3; ++k) {
        claimed[k] = fixture.population.GetIndividual(order[k]);
        claimed[k]->SetFitness(fitnessByClaim[k]);
    }
    const auto parent1 = GenesOf(claimed[rankToClaim[0]]);
    const auto parent2 = GenesOf(claimed[rankToClaim[1]]);
    const auto expectedChild = Cross(parent1, parent2);

    CDefaultSelectionOperator selection(&fixture.population, &fixture.eval);
    platform::SeedRand(kSeed);
    EXPECT_EQ(selection.Execute(), 1);

    EXPECT_EQ(GenesOf(claimed[rankToClaim[2]]), expectedChild);
    EXPECT_EQ(GenesOf(claimed[rankToClaim[0]]), parent1);
    EXPECT_EQ(GenesOf(claimed[rankToClaim[1]]), parent2);
    ExpectAllFree(fixture.population);
}

TEST(CDefaultSelectionOperatorTest, EqualFitnessKeepsClaimOrder) {
    Fixture fixture(5);
    ExpectStep(fixture, {0.0, 0.0, 0.0}, {0, 1, 2});
}

TEST(CDefaultSelectionOperatorTest, TheWorstOfThreeIsReplacedByAChildOfTheBestTwo) {
    Fixture fixture(5);
    ExpectStep(fixture, {1.0, 3.0, 2.0}, {1, 2, 0});
}

TEST(CDefaultSelectionOperatorTest, ANaNFitnessRanksLast) {
    Fixture fixture(5);
    ExpectStep(fixture, {std::numeric_limits<double>::quiet_NaN(), 1.0, 2.0}, {2, 1, 0});
}

TEST(CDefaultSelectionOperatorTest, AChildEqualToItsParentsIsReplacedByRandomGenesAndScored) {
    Fixture fixture(3, -4000);  // the sphere function in four variables
    for (std::uint32_t i = 0; i < 3; ++i) {
        for (std::uint32_t j = 0; j < kGenes; ++j)
            fixture.population.GetIndividual(i)->GetGenes()[j] = 0xABCD0000u + j;
        fixture.population.GetIndividual(i)->SetFitness(-1.0);
    }
    platform::SeedRand(kSeed);
    const auto order = ClaimOrder(3);
    const auto parentGenes = GenesOf(fixture.population.GetIndividual(order[0]));
    Cross(parentGenes, parentGenes);  // the masks, which change nothing
    std::vector<std::uint32_t> fresh(kGenes);
    for (auto& gene : fresh) gene = platform::Rand32();

    CDefaultSelectionOperator selection(&fixture.population, &fixture.eval);
    platform::SeedRand(kSeed);
    EXPECT_EQ(selection.Execute(), 1);

    BenchIndividual* child = fixture.population.GetIndividual(order[2]);
    EXPECT_EQ(GenesOf(child), fresh);
    EXPECT_NE(GenesOf(child), parentGenes);
    const auto x = fixture.eval.Decode(child);
    EXPECT_EQ(*child->GetFitness(), fixture.eval.TestFunction(x.get()));
    EXPECT_EQ(*fixture.population.GetIndividual(order[0])->GetFitness(), -1.0);
    EXPECT_EQ(*fixture.population.GetIndividual(order[1])->GetFitness(), -1.0);
}

// Parents that differ in one bit give a child equal to one of them, parent1
// when the mask has that bit set and parent2 otherwise; either way the child
// is replaced. Several seeds cover both cases.
TEST(CDefaultSelectionOperatorTest, AChildEqualToEitherParentIsReplaced) {
    bool sawParent1 = false;
    bool sawParent2 = false;
    for (std::uint32_t seed = 1; seed <= 16; ++seed) {
        Fixture fixture(3);
        platform::SeedRand(seed);
        const auto order = ClaimOrder(3);
        for (std::uint32_t k = 0; k < 3; ++k) {
            BenchIndividual* individual = fixture.population.GetIndividual(order[k]);
            for (std::uint32_t j = 0; j < kGenes; ++j) individual->GetGenes()[j] = 0x5A5A0000u + j;
            individual->SetFitness(static_cast<double>(3 - k));  // claim order is rank order
        }
        fixture.population.GetIndividual(order[1])->GetGenes()[2] ^= 0x00000100u;
        const auto p1 = GenesOf(fixture.population.GetIndividual(order[0]));
        const auto p2 = GenesOf(fixture.population.GetIndividual(order[1]));
        const auto crossed = Cross(p1, p2);
        sawParent1 = sawParent1 || crossed == p1;
        sawParent2 = sawParent2 || crossed == p2;
        std::vector<std::uint32_t> fresh(kGenes);
        for (auto& gene : fresh) gene = platform::Rand32();

        CDefaultSelectionOperator selection(&fixture.population, &fixture.eval);
        platform::SeedRand(seed);
        EXPECT_EQ(selection.Execute(), 1);
        EXPECT_EQ(GenesOf(fixture.population.GetIndividual(order[2])), fresh) << seed;
    }
    EXPECT_TRUE(sawParent1);
    EXPECT_TRUE(sawParent2);
}

TEST(CDefaultSelectionOperatorTest, FewerThanThreeIndividualsFailAtOnce) {
    for (std::uint32_t size : {0u, 1u, 2u}) {
        Fixture fixture(size);
        CDefaultSelectionOperator selection(&fixture.population, &fixture.eval);
        EXPECT_EQ(selection.Execute(), -1) << size;
        ExpectAllFree(fixture.population);
    }
}

// With one of three individuals held elsewhere no third claim can succeed:
// the step gives up and releases what it claimed.
TEST(CDefaultSelectionOperatorTest, AStepThatCannotClaimThreeGivesUpAndReleasesItsClaims) {
    Fixture fixture(3);
    const auto before = GenesOf(fixture.population.GetIndividual(0));
    ASSERT_EQ(fixture.population.TryLock(1), 1);
    CDefaultSelectionOperator selection(&fixture.population, &fixture.eval);
    EXPECT_EQ(selection.Execute(), -1);
    EXPECT_EQ(fixture.population.busyFlags[0], 0);
    EXPECT_EQ(fixture.population.busyFlags[1], 1);
    EXPECT_EQ(fixture.population.busyFlags[2], 0);
    EXPECT_EQ(GenesOf(fixture.population.GetIndividual(0)), before);
}

// Four individuals and two threads: both can hold two claims and wait for
// each other; giving up lets both finish.
TEST(CDefaultSelectionOperatorTest, TwoThreadsOnFourIndividualsBothFinish) {
    Fixture fixture(4, -4000);
    CDefaultSelectionOperator selection(&fixture.population, &fixture.eval);
    constexpr int kSteps = 50;
    int done[2] = {0, 0};
    std::thread threads[2];
    for (int t = 0; t < 2; ++t) {
        threads[t] = std::thread([&selection, &done, t] {
            for (int i = 0; i < kSteps; ++i) {
                if (selection.Execute() == 1) ++done[t];
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_GT(done[0] + done[1], 0);
    ExpectAllFree(fixture.population);
}

}  // namespace
