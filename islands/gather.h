#pragma once

#include <vector>

#include "islands/ring_channel.h"
#include "solve/island_figures.h"
#include "solve/island_transport.h"

namespace zarnel::islands {

// Collective steps of the end of a run: every rank of MPI_COMM_WORLD calls
// each of them, in the same order, on its main thread.

// Island 0 receives every island's figures, in rank order; the others
// receive an empty vector.
std::vector<IslandFigures> GatherFigures(const IslandFigures& mine);
// The same for ranks that run several islands each: every rank gives its
// own islands' figures in island order (any number, none included); island
// 0 receives them all, rank after rank.
std::vector<IslandFigures> GatherFigures(const std::vector<IslandFigures>& mine);

// The island whose solution the run reports: the lowest rank that holds a
// solution, or, when none does, the island with the highest best fitness
// (the lowest rank among equals; a NaN counts as the lowest fitness).
Winner PickWinner(bool solved, double bestFitness);

// One rank's best claim when it runs several islands: its lowest island
// that holds a solution (none: -1) and, among its islands, the highest best
// fitness and the lowest island that has it (none: -1).
struct WinnerClaim {
    int solvedIsland = -1;
    double bestFitness = 0.0;
    int bestIsland = -1;
};
// The same rule as PickWinner over the claims of every rank, by island
// number: the lowest island that holds a solution, or the highest best
// fitness (the lowest island among equals).
Winner PickWinner(const WinnerClaim& mine);

// Island 0 receives every rank's messages, rank after rank, each rank's in
// its order (any number, none included); the others receive an empty vector.
std::vector<RingChannel::Bytes> GatherMessages(const std::vector<RingChannel::Bytes>& mine);

// The highest of every rank's `code`.
std::uint32_t HighestCode(std::uint32_t code);

// Moves `message` from island `from` to island 0 (a copy when `from` is 0).
// Island 0 gets the message; the others an empty one.
RingChannel::Bytes SendToFirstIsland(const RingChannel::Bytes& message, int from);

}  // namespace zarnel::islands
