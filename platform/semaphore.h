#pragma once

#include <cstdint>

#include "platform/waitable.h"

namespace platform {

// A counting semaphore with an initial count of zero and a fixed maximum.
// Release(n) adds n units (never beyond the maximum); each satisfied wait
// takes one unit.
class CountingSemaphore : public Waitable {
public:
    explicit CountingSemaphore(std::uint32_t maximumCount) : Waitable(0, maximumCount) {}

    void Release(std::uint32_t count) { Signal(count); }
};

}  // namespace platform
