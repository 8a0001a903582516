#pragma once

#include <cstdint>

namespace zarnel::run {

// One seed per run; every stream of random numbers in the run (a slave
// thread's generator, an island's) gets its own seed derived from it by a
// fixed integer mixing function, the same on every platform and compiler, so
// that a run seed replays the same streams everywhere.

// The seed of stream `stream` (a slave-thread index, an island rank, or a
// combination a caller defines) of the run seeded with `runSeed`. Distinct
// streams of one run get unrelated seeds; the function is a bijection of
// runSeed for each stream, so distinct run seeds never share a stream seed.
std::uint64_t DeriveSeed(std::uint64_t runSeed, std::uint64_t stream);

// A run seed for a run that was given none: the system's millisecond tick
// count, as the programs have always used. Record it, so the run can be
// repeated.
std::uint32_t SeedFromClock();

}  // namespace zarnel::run
