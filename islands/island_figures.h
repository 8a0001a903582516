#pragma once

#include <cstdint>
#include <vector>

#include "framework/thread_stats.h"

namespace zarnel::islands {

// What one slave thread of an island did: its busy time and its counters.
struct IslandThread {
    std::int64_t busyMs = 0;
    ThreadStats stats;
};

// One island's figures for the run record. A plain value.
struct IslandFigures {
    std::uint32_t island = 0;  // the MPI rank
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
};

}  // namespace zarnel::islands
