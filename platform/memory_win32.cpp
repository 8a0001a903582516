#include "platform/memory.h"

#include <windows.h>

namespace zarnel::platform {

std::uint64_t PhysicalMemoryBytes() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    return GlobalMemoryStatusEx(&status) ? status.ullTotalPhys : 0;
}

// A process's address space is bounded by its job object at most, which the
// programs do not set.
std::uint64_t AddressSpaceLimitBytes() { return 0; }

}  // namespace zarnel::platform
