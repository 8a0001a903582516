#pragma once

#include <cstdint>

namespace tsp {

// SplitMix64 (Steele, Lea and Flood): a small 64-bit generator, enough for
// the orders and draws of the local search and the crossover, which take one
// seed from the caller's own generator.
struct SplitMix {
    std::uint64_t state;
    std::uint64_t operator()() {
        std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    // Uniform enough in [0, bound), bound >= 1 (the high 32 bits scaled).
    std::uint32_t Below(std::uint32_t bound) {
        return static_cast<std::uint32_t>((((*this)() >> 32) * bound) >> 32);
    }
};

}  // namespace tsp
