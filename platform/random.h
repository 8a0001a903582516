#pragma once

#include <cstdint>

namespace zarnel::platform {

// The linear congruential generator that both programs draw from. Its state
// is per thread: every thread starts from state 1 until it seeds its own
// generator, so a seed set on one thread never reaches another.
//
// Each draw sets state = state * 214013 + 2531011 (mod 2^32) and returns bits
// 16 to 30 of the new state, a value from 0 to 32767.

inline constexpr int kRandMax = 32767;

// Sets the calling thread's state.
void SeedRand(std::uint32_t seed);

// One draw on the calling thread's generator, 0 to 32767.
int Rand();

// A 32-bit value from four successive draws r1, r2, r3, r4: bits 24-31 are the
// low byte of r2, bits 16-23 that of r1, bits 8-15 that of r3, bits 0-7 that
// of r4.
std::uint32_t Rand32();

// The pure step of the generator, for callers that keep their own state.
constexpr std::uint32_t NextRandState(std::uint32_t state) { return state * 214013u + 2531011u; }
constexpr int RandFromState(std::uint32_t state) { return static_cast<int>((state >> 16) & 0x7FFFu); }

}  // namespace zarnel::platform

// The spelling of Zarnel 0.2, kept for the programs that use it.
namespace platform = zarnel::platform;
