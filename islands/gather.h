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

// The island whose solution the run reports: the lowest rank that holds a
// solution, or, when none does, the island with the highest best fitness
// (the lowest rank among equals; a NaN counts as the lowest fitness).
Winner PickWinner(bool solved, double bestFitness);

// Moves `message` from island `from` to island 0 (a copy when `from` is 0).
// Island 0 gets the message; the others an empty one.
RingChannel::Bytes SendToFirstIsland(const RingChannel::Bytes& message, int from);

}  // namespace zarnel::islands
