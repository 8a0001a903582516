#pragma once

#include <cstdint>
#include <random>

namespace zarnel {

// The generator of the fast operators: a 64-bit Mersenne Twister (period
// 2^19937 - 1), one per thread, each seeded from the run seed with its own
// stream number, so threads draw unrelated sequences. Not shared between
// threads.
class FastRandom {
public:
    explicit FastRandom(std::uint64_t seed) : engine_(seed) {}

    std::uint64_t Next() { return engine_(); }

    // A value below `bound` (1 to 2^32 - 1): the high 32 bits scaled by the
    // bound, which needs no division; the bias is below bound / 2^32.
    std::uint32_t Below(std::uint32_t bound) {
        return static_cast<std::uint32_t>(((engine_() >> 32) * bound) >> 32);
    }

    // True with probability `p` (53-bit resolution).
    bool Chance(double p) { return static_cast<double>(engine_() >> 11) * 0x1.0p-53 < p; }

private:
    std::mt19937_64 engine_;
};

}  // namespace zarnel
