#include "run/seed.h"

#include "platform/counter.h"

namespace zarnel::run {

namespace {

// The finaliser of SplitMix64 (Steele, Lea and Flood, "Fast splittable
// pseudorandom number generators", 2014): a bijection of 64-bit values whose
// every output bit depends on every input bit.
std::uint64_t Mix(std::uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

}  // namespace

std::uint64_t DeriveSeed(std::uint64_t runSeed, std::uint64_t stream) {
    // The stream picks one of 2^64 odd-spaced offsets (the golden-ratio
    // increment of SplitMix64); mixing the mixed stream in keeps nearby
    // streams of nearby seeds apart.
    return Mix(runSeed + Mix(stream + 1) * 0x9E3779B97F4A7C15ull);
}

std::uint32_t SeedFromClock() { return platform::TickCount(); }

}  // namespace zarnel::run
