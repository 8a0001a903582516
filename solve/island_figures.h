#pragma once

#include <cstdint>
#include <vector>

#include "framework/thread_stats.h"
#include "run/run_record.h"

namespace zarnel::islands {

// What one slave thread of an island did: its busy time and its counters.
struct IslandThread {
    std::int64_t busyMs = 0;
    ThreadStats stats;
};

// One island's figures for the run record. A plain value.
struct IslandFigures {
    std::uint32_t island = 0;  // the island's number: its MPI rank, or its place in the process
    std::uint64_t masterIterations = 0;
    std::uint64_t evaluations = 0;
    std::int64_t masterBusyMs = 0;
    std::vector<IslandThread> threads;
    std::uint64_t migrantsSent = 0;      // individuals sent to the next island
    std::uint64_t migrantsReceived = 0;  // individuals taken into the population
    // Individuals that arrived but were not taken: after the stop, or in a
    // message that did not fit this island's individuals. Over all islands,
    // sent = received + discarded.
    std::uint64_t migrantsDiscarded = 0;
    double bestFitness = 0.0;
    // Tournament steps of the island's master thread and slave threads
    // together (the record has no member for it; Solve's result sums it).
    std::uint64_t steps = 0;
};

// The figures as the run record keeps them, and back.
inline run::IslandRecord ToIslandRecord(const IslandFigures& figures) {
    run::IslandRecord record;
    record.island = figures.island;
    record.masterIterations = figures.masterIterations;
    record.evaluations = figures.evaluations;
    record.masterBusyMs = figures.masterBusyMs;
    for (std::size_t j = 0; j < figures.threads.size(); ++j) {
        const IslandThread& t = figures.threads[j];
        record.threads.push_back({static_cast<std::uint32_t>(j), t.busyMs, t.stats.steps,
                                  t.stats.claimAttempts, t.stats.claimsFailed});
    }
    record.migrantsSent = figures.migrantsSent;
    record.migrantsReceived = figures.migrantsReceived;
    record.migrantsDiscarded = figures.migrantsDiscarded;
    record.bestFitness = figures.bestFitness;
    return record;
}

inline IslandFigures ToIslandFigures(const run::IslandRecord& record) {
    IslandFigures figures;
    figures.island = record.island;
    figures.masterIterations = record.masterIterations;
    figures.evaluations = record.evaluations;
    figures.masterBusyMs = record.masterBusyMs;
    for (const run::ThreadRecord& t : record.threads) {
        IslandThread& thread = figures.threads.emplace_back();
        thread.busyMs = t.busyMs;
        thread.stats.steps = t.steps;
        thread.stats.claimAttempts = t.claimAttempts;
        thread.stats.claimsFailed = t.claimsFailed;
    }
    figures.migrantsSent = record.migrantsSent;
    figures.migrantsReceived = record.migrantsReceived;
    figures.migrantsDiscarded = record.migrantsDiscarded;
    figures.bestFitness = record.bestFitness;
    return figures;
}

// The run over all islands, as island 0's record gives it: master
// iterations, evaluations, steps and the master's time summed, and slave
// thread j the sum of every island's thread j.
struct IslandTotals {
    std::uint64_t masterIterations = 0;
    std::uint64_t evaluations = 0;
    std::uint64_t steps = 0;
    std::int64_t masterBusyMs = 0;
    std::vector<run::ThreadRecord> threads;
};

inline IslandTotals SumIslands(const std::vector<IslandFigures>& islands) {
    IslandTotals totals;
    for (const IslandFigures& island : islands) {
        totals.masterIterations += island.masterIterations;
        totals.evaluations += island.evaluations;
        totals.steps += island.steps;
        totals.masterBusyMs += island.masterBusyMs;
        if (totals.threads.size() < island.threads.size()) totals.threads.resize(island.threads.size());
        for (std::size_t j = 0; j < island.threads.size(); ++j) {
            run::ThreadRecord& sum = totals.threads[j];
            sum.index = static_cast<std::uint32_t>(j);
            sum.busyMs += island.threads[j].busyMs;
            sum.steps += island.threads[j].stats.steps;
            sum.claimAttempts += island.threads[j].stats.claimAttempts;
            sum.claimsFailed += island.threads[j].stats.claimsFailed;
        }
    }
    return totals;
}

}  // namespace zarnel::islands
