#pragma once

#include <cstdint>

#include "platform/waitable.h"

namespace zarnel::platform {

// A counting semaphore with an initial count of zero and a fixed maximum.
// Release(n) adds n units (never beyond the maximum); each satisfied wait
// takes one unit.
class CountingSemaphore : public Waitable {
public:
    explicit CountingSemaphore(std::uint32_t maximumCount) : Waitable(0, maximumCount) {}

    void Release(std::uint32_t count) { Signal(count); }
};

}  // namespace zarnel::platform

// The spelling of Zarnel 0.2, kept for the programs that use it.
namespace platform = zarnel::platform;
