// Island ports past 2^32 master iterations: the run loop's 32-bit total
// wraps there, and the ports must go on migrating and voting.
#include "solve/wide_count.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "framework/individual.h"
#include "framework/population.h"
#include "solve/island_port.h"
#include "solve/island_threads.h"
#include "solve/local_islands.h"

namespace {

using zarnel::islands::WideCount;
using Individual = zarnel::CIndividual<std::int32_t, double>;
using Population = zarnel::CPopulation<Individual>;
using Port = zarnel::islands::IslandPort<Population>;
using zarnel::run::StopReason;

constexpr std::uint64_t kWrap = std::uint64_t{1} << 32;

TEST(WideCount, FollowsA32BitTotalAcrossItsWraps) {
    WideCount count;
    EXPECT_EQ(count.Follow(1), 1U);
    EXPECT_EQ(count.Follow(0xFFFFFFFEU), 0xFFFFFFFEU);
    EXPECT_EQ(count.Follow(0xFFFFFFFFU), 0xFFFFFFFFU);
    EXPECT_EQ(count.Follow(0), kWrap);
    EXPECT_EQ(count.Follow(1000), kWrap + 1000);
    // A chunk of iterations that crosses the next wrap at once.
    EXPECT_EQ(count.Follow(10), 2 * kWrap + 10);
    EXPECT_EQ(count.Value(), 2 * kWrap + 10);
}

// Two deterministic islands whose run loops' totals start just below the
// wrap: island 1 asks to stop only after it, so the islands agree on the
// stop only if they still vote after the wrap; they stop at the first
// migration after the request.
TEST(WideCount, DeterministicIslandsMigrateAndStopAfterTheTotalWraps) {
    constexpr std::uint32_t kInterval = 16;
    constexpr std::uint32_t kFirst = 0xFFFFFF00U;
    constexpr std::uint32_t kAsk = 0x40;  // after the wrap
    zarnel::islands::LocalIslands network(2, true);
    struct Seen {
        std::uint64_t stoppedAt = 0;
        Port::Outcome outcome;
        std::uint64_t sent = 0;
    };
    std::vector<Seen> seen(2);
    zarnel::islands::RunIslands(network, [&](zarnel::islands::IslandTransport& transport) {
        Seen& mine = seen[transport.Island()];
        Population population(6, 2);
        for (std::uint32_t i = 0; i < population.size; ++i) population.individuals[i].SetFitness(i);
        Port port(transport, {.migrationInterval = kInterval, .migrants = 1});
        WideCount wide;
        std::uint32_t total = kFirst;
        // A bound, so that islands that no longer vote end (and fail the
        // checks) instead of running for ever.
        for (std::uint32_t step = 0; step < 2048; ++step) {
            ++total;
            if (transport.Island() == 1 && total == kAsk) port.AnnounceStop(StopReason::kIterationLimit);
            if (!port.BetweenIterations(wide.Follow(total), population, [](Individual*) {})) {
                mine.stoppedAt = wide.Value();
                break;
            }
        }
        mine.sent = port.MigrantsSent();
        mine.outcome = port.Finish(population, {});
    });
    for (const Seen& island : seen) {
        EXPECT_EQ(island.outcome.reason, StopReason::kIterationLimit);
        EXPECT_EQ(island.stoppedAt, kWrap + kAsk) << "the first migration at or after the request";
        // One migrant at every migration: at the first call, whose total is
        // past an interval already, and then at every interval up to the stop.
        EXPECT_EQ(island.sent, (kWrap + kAsk) / kInterval - kFirst / kInterval + 1);
    }
}

}  // namespace
