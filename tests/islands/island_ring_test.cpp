#include "islands/island_ring.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numeric>
#include <vector>

#include "framework/individual.h"
#include "framework/population.h"
#include "islands_test_session.h"

namespace zarnel::islands {
namespace {

using ToyIndividual = CIndividual<std::int32_t, double>;
using ToyPopulation = CPopulation<ToyIndividual>;
using ToyRing = IslandRing<ToyPopulation>;

// Gene 0 names the island an individual was born on, gene 1 its index there;
// the fitness is computed from them, so a re-evaluation gives it back.
double ToyFitness(const ToyIndividual& individual) {
    return individual.genes[0] * 100.0 + individual.genes[1];
}

void FillToyPopulation(ToyPopulation& population, int island) {
    for (std::uint32_t i = 0; i < population.size; ++i) {
        ToyIndividual& individual = population.individuals[i];
        std::fill(individual.genes.get(), individual.genes.get() + individual.length, 0);
        individual.genes[0] = island;
        individual.genes[1] = static_cast<std::int32_t>(i);
        individual.SetFitness(ToyFitness(individual));
    }
}

const MpiSession& Session() { return *testSession; }

// Runs BetweenIterations until the islands agree to stop, calling
// `announce(iteration)` before each call; checks at every call that the
// island's best fitness never falls (a migrant never replaces the best).
// Returns the iterations run.
template <typename Announce>
std::uint64_t RunUntilStop(ToyRing& ring, ToyPopulation& population, std::uint64_t& evaluations,
                           Announce announce) {
    auto evaluate = [&](ToyIndividual* individual) {
        individual->SetFitness(ToyFitness(*individual));
        ++evaluations;
    };
    std::uint64_t iteration = 0;
    for (bool going = true; going;) {
        ++iteration;
        announce(iteration);
        const double best = *BestIndividual(population)->GetFitness();
        going = ring.BetweenIterations(iteration, population, evaluate);
        EXPECT_GE(*BestIndividual(population)->GetFitness(), best) << "iteration " << iteration;
    }
    return iteration;
}

TEST(IslandRingTest, MigrantsArriveReplaceTheWorstAndTheCountsAddUp) {
    const int island = Session().Rank();
    ASSERT_EQ(Session().Size(), 3);
    ToyPopulation population(12, 4);
    FillToyPopulation(population, island);
    ToyRing ring(Session(), {.migrationInterval = 1, .migrants = 2});
    std::uint64_t evaluations = 0;
    // Each island asks to stop once a migrant has reached it, so the run
    // ends after migrants have arrived somewhere.
    const std::uint64_t iterations = RunUntilStop(ring, population, evaluations, [&](std::uint64_t) {
        if (ring.MigrantsReceived() > 0) ring.AnnounceStop(StopReason::kIterationLimit);
    });
    EXPECT_EQ(evaluations, ring.MigrantsReceived());

    // Every migrant came in whole and was scored again here. (Individuals
    // born here may come back round the ring, so only the others count.)
    std::uint64_t foreign = 0;
    for (std::uint32_t i = 0; i < population.size; ++i) {
        const ToyIndividual& individual = population.individuals[i];
        EXPECT_EQ(individual.fitness, ToyFitness(individual));
        EXPECT_EQ(individual.genes[2] + individual.genes[3], 0);
        if (individual.genes[0] != island) ++foreign;
    }
    EXPECT_LE(foreign, ring.MigrantsReceived());

    IslandFigures mine;
    mine.masterIterations = iterations;
    mine.evaluations = 1000 + static_cast<std::uint64_t>(island);
    for (int j = 0; j <= island; ++j) {
        IslandThread& thread = mine.threads.emplace_back();
        thread.busyMs = 10 * island + j;
        thread.stats.steps = static_cast<std::uint64_t>(100 * island + j);
    }
    const ToyRing::Outcome outcome = ring.Finish(population, mine);
    EXPECT_EQ(outcome.reason, StopReason::kIterationLimit);
    if (island != 0) {
        EXPECT_TRUE(outcome.islands.empty());
        return;
    }
    ASSERT_EQ(outcome.islands.size(), 3U);
    std::uint64_t sent = 0, received = 0, discarded = 0;
    for (std::uint32_t k = 0; k < 3; ++k) {
        const IslandFigures& figures = outcome.islands[k];
        EXPECT_EQ(figures.island, k);
        EXPECT_EQ(figures.evaluations, 1000 + k);
        EXPECT_GT(figures.masterIterations, 0U);
        ASSERT_EQ(figures.threads.size(), k + 1);
        EXPECT_EQ(figures.threads[k].busyMs, 10 * k + k);
        EXPECT_EQ(figures.threads[k].stats.steps, 100 * k + k);
        EXPECT_EQ(figures.migrantsSent % 2, 0U);  // two per migration
        sent += figures.migrantsSent;
        received += figures.migrantsReceived;
        discarded += figures.migrantsDiscarded;
    }
    EXPECT_GT(received, 0U);
    EXPECT_EQ(sent, received + discarded);
    // No island solved: the best fitness over the islands, here island 2's
    // own best (2 * 100 + 11) or a copy of it.
    EXPECT_FALSE(outcome.solved);
    EXPECT_EQ(outcome.islands[outcome.winner].bestFitness, 211.0);
    EXPECT_EQ(outcome.fitness, 211.0);
}

TEST(IslandRingTest, TheLowestSolvingIslandWinsAndIslandZeroGetsItsGenes) {
    const int island = Session().Rank();
    ToyPopulation population(6, 3);
    FillToyPopulation(population, island);
    // No migration, so every island keeps its own individuals.
    ToyRing ring(Session(), {.migrationInterval = 1, .migrants = 0});
    std::uint64_t evaluations = 0;
    RunUntilStop(ring, population, evaluations, [&](std::uint64_t iteration) {
        // Islands 1 and 2 are solved at once; island 0 meets a time limit.
        if (island == 0 && iteration == 3) ring.AnnounceStop(StopReason::kTimeLimit);
        if (island > 0 && iteration == 3) ring.AnnounceStop(StopReason::kSolved);
    });
    const ToyRing::Outcome outcome = ring.Finish(population, {});
    EXPECT_EQ(outcome.reason, StopReason::kSolved);
    EXPECT_EQ(outcome.winner, 1);
    EXPECT_TRUE(outcome.solved);
    if (island == 0) {
        EXPECT_EQ(outcome.genes, (std::vector<std::int32_t>{1, 5, 0}));
        EXPECT_EQ(outcome.fitness, 105.0);
    } else {
        EXPECT_TRUE(outcome.genes.empty());
    }
}

TEST(IslandRingTest, ASolutionAfterTheAgreedLimitIsTheRunsReason) {
    const int island = Session().Rank();
    ToyPopulation population(6, 3);
    FillToyPopulation(population, island);
    ToyRing ring(Session(), {.migrationInterval = 1, .migrants = 0});
    std::uint64_t evaluations = 0;
    RunUntilStop(ring, population, evaluations, [&](std::uint64_t iteration) {
        if (island == 0 && iteration == 3) ring.AnnounceStop(StopReason::kTimeLimit);
    });
    // Island 2 finds a solution in the iteration in which it learns of the
    // limit: its request never reaches a vote, yet its individual is the one
    // reported, so the run ends solved.
    if (island == 2) ring.AnnounceStop(StopReason::kSolved);
    const ToyRing::Outcome outcome = ring.Finish(population, {});
    EXPECT_EQ(outcome.reason, StopReason::kSolved);
    EXPECT_EQ(outcome.winner, 2);
    EXPECT_TRUE(outcome.solved);
}

TEST(IslandRingTest, LargeMigrantsInFlightAreTakenOrCountedAtTheEnd) {
    // 65,536 genes of 16 bits: 128 KiB per migrant, above the size up to
    // which MPI sends a message without waiting for its receiver.
    const int island = Session().Rank();
    using BoardIndividual = CIndividual<std::uint16_t, float>;
    using BoardPopulation = CPopulation<BoardIndividual>;
    BoardPopulation population(4, 65536);
    for (std::uint32_t i = 0; i < population.size; ++i) {
        std::iota(population.individuals[i].genes.get(), population.individuals[i].genes.get() + 65536,
                  static_cast<std::uint16_t>(island));
        population.individuals[i].SetFitness(-static_cast<float>(i + 1));
    }
    IslandRing<BoardPopulation> ring(Session(), {.migrationInterval = 1, .migrants = 2});
    std::uint64_t iteration = 0;
    // Island 0 stops at once: most migrants are still in flight when the
    // islands finish.
    ring.AnnounceStop(island == 0 ? StopReason::kIterationLimit : StopReason::kNone);
    while (ring.BetweenIterations(++iteration, population, [](BoardIndividual*) {})) {
    }
    const auto outcome = ring.Finish(population, {});
    if (island != 0) return;
    std::uint64_t sent = 0, taken = 0;
    for (const IslandFigures& figures : outcome.islands) {
        sent += figures.migrantsSent;
        taken += figures.migrantsReceived + figures.migrantsDiscarded;
    }
    EXPECT_EQ(sent, taken);
    EXPECT_EQ(outcome.fitness, -1.0F);
    EXPECT_EQ(outcome.genes.size(), 65536U);
}

TEST(MigrationPolicyTest, TheWorstMakeRoomButNeverTheBest) {
    ToyPopulation population(5, 2);
    const double fitness[5] = {std::nan(""), 3.0, -1.0, 3.0, -1.0};
    for (std::uint32_t i = 0; i < 5; ++i) population.individuals[i].SetFitness(fitness[i]);
    // A NaN ranks lowest, equal fitness keeps the lower index first. But the
    // best as the programs pick it is individual 0 (no later fitness is
    // greater than a NaN), and that one never makes room.
    EXPECT_EQ(EmigrantIndices(population, 3), (std::vector<std::uint32_t>{1, 3, 2}));
    EXPECT_EQ(ReplacedIndices(population, 3), (std::vector<std::uint32_t>{4, 2, 3}));
    population.individuals[0].SetFitness(5.0);
    population.individuals[1].SetFitness(std::nan(""));
    EXPECT_EQ(ReplacedIndices(population, 9), (std::vector<std::uint32_t>{1, 4, 2, 3}));
}

TEST(IslandRingTest, SingleIslandNeitherMigratesNorWaits) {
    ASSERT_EQ(Session().Size(), 1);
    ToyPopulation population(5, 2);
    FillToyPopulation(population, 0);
    ToyRing ring(Session(), {.migrationInterval = 1, .migrants = 3});
    std::uint64_t evaluations = 0;
    const std::uint64_t iterations =
        RunUntilStop(ring, population, evaluations, [&](std::uint64_t iteration) {
            if (iteration == 50) ring.AnnounceStop(StopReason::kIterationLimit);
        });
    // One vote in flight when the stop is announced, the next one carries it.
    EXPECT_LE(iterations, 52U);
    EXPECT_EQ(evaluations, 0U);
    for (std::uint32_t i = 0; i < population.size; ++i) EXPECT_EQ(population.individuals[i].genes[1], i);
    const ToyRing::Outcome outcome = ring.Finish(population, {});
    ASSERT_EQ(outcome.islands.size(), 1U);
    EXPECT_EQ(outcome.islands[0].migrantsSent, 0U);
    EXPECT_EQ(outcome.genes, (std::vector<std::int32_t>{0, 4}));
}

}  // namespace
}  // namespace zarnel::islands
