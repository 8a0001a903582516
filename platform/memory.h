#pragma once

#include <cstdint>

namespace zarnel::platform {

// What the system lets this process use, for refusing work that cannot fit
// before it starts. Any thread.

// The machine's physical memory in bytes, or 0 when it cannot be told.
std::uint64_t PhysicalMemoryBytes();

// The process's address-space limit in bytes (ulimit -v, prlimit --as), or 0
// when there is none.
std::uint64_t AddressSpaceLimitBytes();

}  // namespace zarnel::platform

// The spelling of Zarnel 0.2, kept for the programs that use it.
namespace platform = zarnel::platform;
