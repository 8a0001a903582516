// Several islands in each MPI process (MpiIslands with islands per process):
// one ring over every island of every rank, the stop and the end of the job.
#include "islands/rank_islands.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

#include "framework/individual.h"
#include "framework/population.h"
#include "islands/mpi_transport.h"
#include "islands_test_session.h"
#include "solve/island_port.h"
#include "solve/island_threads.h"

namespace zarnel::islands {
namespace {

using ToyIndividual = CIndividual<std::int32_t, double>;
using ToyPopulation = CPopulation<ToyIndividual>;
using ToyPort = IslandPort<ToyPopulation>;
using run::StopReason;

const MpiSession& Session() { return *testSession; }

// Gene 0: the island an individual was born on; gene 1: its index there,
// which is also its fitness. An island scores an immigrant -1, so it is
// never among the best and never travels on: every foreign individual on
// an island came straight from the island before it.
void Fill(ToyPopulation& population, std::uint32_t island) {
    for (std::uint32_t i = 0; i < population.size; ++i) {
        ToyIndividual& individual = population.individuals[i];
        individual.genes[0] = static_cast<std::int32_t>(island);
        individual.genes[1] = static_cast<std::int32_t>(i);
        individual.SetFitness(static_cast<double>(i));
    }
}

// What one island saw, written by its own thread, read after the join.
struct IslandSeen {
    std::uint32_t island = 0;
    std::uint64_t iterations = 0;
    std::set<std::int32_t> origins;  // the birth islands of its foreign individuals
    ToyPort::Outcome outcome;
};

// Runs every local island of `network` with a port of `settings` until the
// islands agree to stop; `announce(port, island, iteration)` may ask for a
// stop before each master iteration's call.
template <typename Announce>
std::vector<IslandSeen> RunToyIslands(MpiIslands& network, IslandSettings settings, Announce announce) {
    std::vector<IslandSeen> seen(network.LocalCount());
    RunIslands(network, [&](IslandTransport& transport) {
        const std::uint32_t island = transport.Island();
        IslandSeen& mine = seen[island - network.FirstLocal()];
        mine.island = island;
        ToyPopulation population(8, 2);
        Fill(population, island);
        ToyPort port(transport, settings);
        const auto evaluate = [](ToyIndividual* migrant) { migrant->SetFitness(-1.0); };
        do {
            ++mine.iterations;
            announce(port, island, mine.iterations);
        } while (port.BetweenIterations(mine.iterations, population, evaluate));
        for (std::uint32_t i = 0; i < population.size; ++i) {
            const std::int32_t origin = population.individuals[i].genes[0];
            if (origin != static_cast<std::int32_t>(island)) mine.origins.insert(origin);
        }
        IslandFigures figures;
        figures.masterIterations = mine.iterations;
        figures.evaluations = 100 + island;
        figures.threads.resize(island % 3);
        mine.outcome = port.Finish(population, figures);
    });
    return seen;
}

// Checks island 0's view of the job: every island's figures in island order,
// and the migrant counts adding up.
void CheckFigures(const std::vector<IslandFigures>& islands, std::uint32_t expected) {
    ASSERT_EQ(islands.size(), expected);
    std::uint64_t sent = 0, taken = 0, received = 0;
    for (std::uint32_t g = 0; g < expected; ++g) {
        EXPECT_EQ(islands[g].island, g);
        EXPECT_EQ(islands[g].evaluations, 100 + g);
        EXPECT_EQ(islands[g].threads.size(), g % 3);
        sent += islands[g].migrantsSent;
        received += islands[g].migrantsReceived;
        taken += islands[g].migrantsReceived + islands[g].migrantsDiscarded;
    }
    EXPECT_GT(received, 0U);
    EXPECT_EQ(sent, taken);
}

TEST(RankIslandsTest, MigrantsGoRoundEveryIslandOfEveryRankAndTheCountsAddUp) {
    ASSERT_EQ(Session().Size(), 3);
    MpiIslands network(Session(), 2);
    ASSERT_TRUE(network.AllReady(true));
    EXPECT_EQ(network.Islands(), 6U);
    EXPECT_EQ(network.FirstLocal(), 2U * static_cast<std::uint32_t>(Session().Rank()));
    // An island asks to stop once it has taken ten migrants.
    const auto seen = RunToyIslands(network, {.migrationInterval = 1, .migrants = 1},
                                    [](ToyPort& port, std::uint32_t, std::uint64_t) {
                                        if (port.MigrantsReceived() >= 10)
                                            port.AnnounceStop(StopReason::kIterationLimit);
                                    });
    for (const IslandSeen& island : seen) {
        SCOPED_TRACE(island.island);
        EXPECT_EQ(island.outcome.reason, StopReason::kIterationLimit);
        // Only the island before it on the ring sends to it, within the
        // process or from the rank before.
        const auto previous = static_cast<std::int32_t>((island.island + 5) % 6);
        for (const std::int32_t origin : island.origins) EXPECT_EQ(origin, previous);
    }
    if (Session().Rank() != 0) {
        for (const IslandSeen& island : seen) EXPECT_TRUE(island.outcome.islands.empty());
        return;
    }
    EXPECT_TRUE(seen[1].outcome.islands.empty());
    CheckFigures(seen[0].outcome.islands, 6);
    // Nobody solved: the highest best fitness, 7 on every island, and the
    // lowest island among equals.
    EXPECT_FALSE(seen[0].outcome.solved);
    EXPECT_EQ(seen[0].outcome.winner, 0);
    EXPECT_EQ(seen[0].outcome.genes, (std::vector<std::int32_t>{0, 7}));
}

TEST(RankIslandsTest, TheLowestSolvingIslandOfAnyRankWinsAndIslandZeroGetsItsGenes) {
    MpiIslands network(Session(), 2);
    ASSERT_TRUE(network.AllReady(true));
    // Islands 3 and 5 (the second island of ranks 1 and 2, on threads of
    // their own) are solved; island 0 meets a time limit. All of them ask
    // before their first call, so none can be stopped before it asks.
    const auto seen = RunToyIslands(network, {.migrationInterval = 1, .migrants = 0},
                                    [](ToyPort& port, std::uint32_t island, std::uint64_t iteration) {
                                        if (iteration != 1) return;
                                        if (island == 0) port.AnnounceStop(StopReason::kTimeLimit);
                                        if (island == 3 || island == 5)
                                            port.AnnounceStop(StopReason::kSolved);
                                    });
    // The first island of every rank ends the job for its rank, with every
    // request of the job in: a solution, whichever request reached the vote.
    EXPECT_EQ(seen[0].outcome.reason, StopReason::kSolved);
    for (const IslandSeen& island : seen) EXPECT_TRUE(island.origins.empty());
    if (Session().Rank() != 0) return;
    const ToyPort::Outcome& outcome = seen[0].outcome;
    EXPECT_EQ(outcome.winner, 3);
    EXPECT_TRUE(outcome.solved);
    EXPECT_EQ(outcome.genes, (std::vector<std::int32_t>{3, 7}));
    EXPECT_EQ(outcome.fitness, 7.0);
    ASSERT_EQ(outcome.islands.size(), 6U);
    for (const IslandFigures& figures : outcome.islands) EXPECT_EQ(figures.migrantsSent, 0U);
}

TEST(RankIslandsTest, AnIslandThatFailsOnItsThreadStopsEveryIslandOfTheJob) {
    MpiIslands network(Session(), 2);
    ASSERT_TRUE(network.AllReady(true));
    std::vector<IslandSeen> seen;
    const auto run = [&] {
        seen = RunToyIslands(network, {.migrationInterval = 2, .migrants = 1},
                             [](ToyPort&, std::uint32_t island, std::uint64_t iteration) {
                                 if (island == 3 && iteration == 20)
                                     throw std::runtime_error("island 3 fails");
                             });
    };
    if (Session().Rank() == 1) {
        EXPECT_THROW(run(), std::runtime_error);
        return;
    }
    run();
    for (const IslandSeen& island : seen) EXPECT_EQ(island.outcome.reason, StopReason::kError);
    if (Session().Rank() != 0) return;
    // The failed island is listed, with the figures it never handed in.
    ASSERT_EQ(seen[0].outcome.islands.size(), 6U);
    EXPECT_EQ(seen[0].outcome.islands[3].island, 3U);
    EXPECT_EQ(seen[0].outcome.islands[3].masterIterations, 0U);
    EXPECT_GT(seen[0].outcome.islands[2].masterIterations, 0U);
}

TEST(RankIslandsTest, LargeMigrantsWaitingForASlowProcessAreSentOrCountedAtTheEnd) {
    // 80,000 bytes a migrant: MPI completes such a send only once the receiver
    // takes it. The islands of process 1 start late, so what process 0's
    // last island sends them piles up: MPI holds the most sends it may, the
    // rest waits in process 0 and further sends are refused.
    using BoardIndividual = CIndividual<std::uint16_t, float>;
    using BoardPopulation = CPopulation<BoardIndividual>;
    MpiIslands network(Session(), 2);
    ASSERT_TRUE(network.AllReady(true));
    std::vector<IslandPort<BoardPopulation>::Outcome> outcomes(network.LocalCount());
    RunIslands(network, [&](IslandTransport& transport) {
        const std::uint32_t island = transport.Island();
        BoardPopulation population(4, 40000);
        for (std::uint32_t i = 0; i < population.size; ++i)
            population.individuals[i].SetFitness(-static_cast<float>(i + 1));
        IslandPort<BoardPopulation> port(transport, {.migrationInterval = 5, .migrants = 1});
        if (Session().Rank() == 1) std::this_thread::sleep_for(std::chrono::milliseconds(300));
        std::uint64_t iteration = 0;
        // Each iteration gives up the processor for a while, as an engine's
        // work would: six islands spinning on an oversubscribed machine
        // would starve the MPI progress of their processes.
        do {
            if (++iteration == 50) port.AnnounceStop(StopReason::kIterationLimit);
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        } while (port.BetweenIterations(iteration, population, [](BoardIndividual*) {}));
        outcomes[island - network.FirstLocal()] = port.Finish(population, {});
    });
    if (Session().Rank() != 0) return;
    std::uint64_t sent = 0, taken = 0;
    for (const IslandFigures& figures : outcomes[0].islands) {
        sent += figures.migrantsSent;
        taken += figures.migrantsReceived + figures.migrantsDiscarded;
    }
    EXPECT_GT(sent, 0U);
    EXPECT_EQ(sent, taken);
}

TEST(RankIslandsTest, SingleIslandProcessRunsItsIslandsAroundARingThroughItself) {
    ASSERT_EQ(Session().Size(), 1);
    MpiIslands network(Session(), 3);
    ASSERT_TRUE(network.AllReady(true));
    const auto seen = RunToyIslands(network, {.migrationInterval = 1, .migrants = 2},
                                    [](ToyPort& port, std::uint32_t, std::uint64_t) {
                                        if (port.MigrantsReceived() >= 6)
                                            port.AnnounceStop(StopReason::kIterationLimit);
                                    });
    ASSERT_EQ(seen.size(), 3U);
    for (const IslandSeen& island : seen) {
        for (const std::int32_t origin : island.origins)
            EXPECT_EQ(origin, static_cast<std::int32_t>((island.island + 2) % 3)) << island.island;
    }
    CheckFigures(seen[0].outcome.islands, 3);
}

}  // namespace
}  // namespace zarnel::islands
