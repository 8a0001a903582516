#pragma once

#include <cstdint>

namespace zarnel::platform {

// A monotonic high-resolution counter: readings only grow, and
// CounterFrequency() ticks make one second. Safe from any thread.
std::int64_t QueryCounter();
std::int64_t CounterFrequency();

// Milliseconds on a monotonic clock, wrapping modulo 2^32; used to seed the
// random generator.
std::uint32_t TickCount();

}  // namespace zarnel::platform

// The spelling of Zarnel 0.2, kept for the programs that use it.
namespace platform = zarnel::platform;
