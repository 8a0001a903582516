#pragma once

#include <functional>

#include "solve/island_transport.h"

namespace zarnel::islands {

// Runs `body` once for every island that `network` puts in this process,
// each with a transport of its own: local island 0 on the calling thread,
// every other one on a master thread of its own, which builds and runs that
// island's engine (the engine's rule: one thread builds, runs and destroys
// it). The other threads start before island 0 begins and are joined before
// RunIslands returns, however the bodies end (RAII: nothing escapes a
// thread's body).
//
// An exception that leaves a body ends that island: its transport is
// destroyed without an End, which counts the island as failed and stops the
// others. Once every thread is joined, the exception of the lowest island
// that had one is thrown again here. A thread that the system cannot start
// ends the call with a SolveError that names its island, once the islands
// started so far have stopped. The calling thread only.
void RunIslands(IslandNetwork& network, const std::function<void(IslandTransport&)>& body);

}  // namespace zarnel::islands
